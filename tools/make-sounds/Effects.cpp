#include "tools/make-sounds/Effects.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace MakeSounds {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRate = kEffectRate;

class TRandom {
public:
    explicit TRandom(uint32_t seed) : State(seed) {}
    double Signed()
    {
        State ^= State << 13;
        State ^= State >> 17;
        State ^= State << 5;
        return double(State >> 8) / double(1u << 23) - 1.0;
    }
    double Unit() { return 0.5 * (Signed() + 1.0); }

private:
    uint32_t State;
};

// Chamberlin state-variable filter; `hz` is retuned per sample for sweeps.
class TFilter {
public:
    explicit TFilter(double q) : Damp(1 / q) {}
    double BandPass(double x, double hz) { return Step(x, hz), Band; }
    double LowPass(double x, double hz) { return Step(x, hz), Low; }

private:
    void Step(double x, double hz)
    {
        const double f = 2 * std::sin(kPi * std::min(hz, kRate / 6.5) / kRate);
        Low += f * Band;
        const double high = x - Low - Damp * Band;
        Band += f * high;
    }
    double Damp, Low = 0, Band = 0;
};

std::vector<double> Buffer(double seconds)
{
    return std::vector<double>(size_t(seconds * kRate), 0.0);
}
double Time(size_t i)
{
    return double(i) / kRate;
}
double NoteHz(int midi)
{
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// A soft square-ish tone of a few harmonics at phase `phase` (cycles).
double Reedy(double phase, int harmonics)
{
    double v = 0;
    for (int k = 1; k <= harmonics; k += 2)
        v += std::sin(2 * kPi * k * phase) / k;
    return v;
}

// Scales to `peak` and fades the first and last milliseconds, so that the
// sound starts and stops without a click.
std::vector<double> Finish(std::vector<double> w, double peak)
{
    double top = 1e-9;
    for (double v : w)
        top = std::max(top, std::fabs(v));
    const size_t in = size_t(0.002 * kRate), out = size_t(0.01 * kRate);
    for (size_t i = 0; i < w.size(); ++i) {
        double g = peak / top;
        if (i < in)
            g *= double(i) / in;
        if (i + out > w.size())
            g *= double(w.size() - i) / out;
        w[i] *= g;
    }
    w.front() = 0;
    w.back() = 0;
    return w;
}

// A struck tone of `hz` with a few bell-like partials, starting at sample `at`.
void AddChime(std::vector<double>& w, size_t at, double hz, double seconds, double level)
{
    const double partials[][2] = {{1.0, 1.0}, {2.0, 0.35}, {3.01, 0.12}, {4.2, 0.06}};
    for (size_t i = at; i < w.size() && i < at + size_t(seconds * kRate); ++i) {
        const double t = Time(i - at);
        double v = 0;
        for (const auto& p : partials)
            v += p[1] * std::sin(2 * kPi * hz * p[0] * t) * std::exp(-t * (3.0 + 2.0 * p[0]) / seconds);
        w[i] += level * v * std::min(1.0, t / 0.003);
    }
}

} // namespace

std::vector<double> MakeRotate()
{
    // A quick upward blip: short, light, pleasant when repeated fast.
    std::vector<double> w = Buffer(0.085);
    double phase = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        const double t = Time(i);
        phase += (880.0 + 660.0 * std::min(1.0, t / 0.03)) / kRate;
        w[i] = Reedy(phase, 5) * std::exp(-t * 40.0) * std::min(1.0, t / 0.002);
    }
    return Finish(w, 0.62);
}

std::vector<double> MakeHitBottom()
{
    // A soft, woody thud: a falling low tone and a click of filtered noise.
    TRandom rnd(7);
    TFilter click(1.2);
    std::vector<double> w = Buffer(0.16);
    double phase = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        const double t = Time(i);
        phase += (70.0 + 150.0 * std::exp(-t * 40.0)) / kRate;
        w[i] = std::sin(2 * kPi * phase) * std::exp(-t * 26.0) +
               0.5 * click.BandPass(rnd.Signed(), 1800) * std::exp(-t * 160.0);
    }
    return Finish(w, 0.78);
}

std::vector<double> MakeDrop()
{
    // A falling whoosh that ends in a heavy thump.
    TRandom rnd(11);
    TFilter air(2.5);
    std::vector<double> w = Buffer(0.36);
    const double whoosh = 0.12;
    double phase = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        const double t = Time(i);
        const double sweep = 3200.0 * std::pow(300.0 / 3200.0, std::min(1.0, t / whoosh));
        const double wind =
            air.BandPass(rnd.Signed(), sweep) * std::sin(kPi * std::min(1.0, t / whoosh)) * 0.9;
        double thump = 0;
        if (t >= whoosh) {
            const double u = t - whoosh;
            phase += (45.0 + 120.0 * std::exp(-u * 35.0)) / kRate;
            thump = std::sin(2 * kPi * phase) * std::exp(-u * 14.0) * std::min(1.0, u / 0.002);
        }
        w[i] = wind + thump;
    }
    return Finish(w, 0.9);
}

std::vector<double> MakeRemove()
{
    // A bright sparkle: a rising major arpeggio of chimes over a shimmer.
    TRandom rnd(13);
    TFilter shimmer(3.0);
    std::vector<double> w = Buffer(0.6);
    const int notes[] = {84, 88, 91, 96};
    for (int k = 0; k < 4; ++k)
        AddChime(w, size_t(k * 0.045 * kRate), NoteHz(notes[k]), 0.45, 1.0 - 0.1 * k);
    for (size_t i = 0; i < w.size(); ++i) {
        const double t = Time(i);
        w[i] += 0.35 * shimmer.BandPass(rnd.Signed(), 3000) * std::sin(kPi * std::min(1.0, t / 0.35)) *
                std::exp(-t * 5.0);
    }
    return Finish(w, 0.85);
}

std::vector<double> MakeNewLevel()
{
    // A little brass fanfare: three quick notes up and a held, shimmering chord.
    std::vector<double> w = Buffer(1.05);
    struct TNote {
        double Start, Length;
        int Midi;
    } notes[] = {{0.0, 0.11, 67}, {0.11, 0.11, 72}, {0.22, 0.11, 76},
                 {0.33, 0.7, 79}, {0.33, 0.7, 84},  {0.33, 0.7, 76}};
    for (const TNote& n : notes) {
        double phase = 0;
        const size_t from = size_t(n.Start * kRate),
                     to = std::min(w.size(), size_t((n.Start + n.Length) * kRate));
        for (size_t i = from; i < to; ++i) {
            const double t = Time(i - from);
            const double vibrato = t > 0.15 ? 1.0 + 0.006 * std::sin(2 * kPi * 5.5 * t) : 1.0;
            phase += NoteHz(n.Midi) * vibrato / kRate;
            const double attack = std::min(1.0, t / 0.012);
            const double release = std::min(1.0, (n.Length - t) / 0.05);
            const double brightness = 3 + int(6 * std::exp(-t * 6));
            w[i] += 0.45 * Reedy(phase, int(brightness) | 1) * attack * release * std::exp(-t * 1.2);
        }
    }
    return Finish(w, 0.72);
}

std::vector<double> MakeGameOver()
{
    // Four sad steps down, the last one long and drooping.
    std::vector<double> w = Buffer(1.75);
    const int notes[] = {67, 66, 65, 64};
    const double starts[] = {0.0, 0.3, 0.6, 0.9};
    const double lengths[] = {0.28, 0.28, 0.28, 0.85};
    TFilter tone(0.9);
    for (int k = 0; k < 4; ++k) {
        double phase = 0;
        const size_t from = size_t(starts[k] * kRate);
        const size_t to = std::min(w.size(), from + size_t(lengths[k] * kRate));
        for (size_t i = from; i < to; ++i) {
            const double t = Time(i - from);
            double hz = NoteHz(notes[k] - 12);
            if (k == 3)
                hz *= (1.0 + 0.012 * std::sin(2 * kPi * 5.0 * t) * std::min(1.0, t / 0.2)) *
                      std::pow(0.94, std::max(0.0, t - 0.45) / 0.4);
            phase += hz / kRate;
            double saw = 0;
            for (int h = 1; h <= 12; ++h)
                saw += std::sin(2 * kPi * h * phase) / h;
            const double attack = std::min(1.0, t / 0.02);
            const double release = std::min(1.0, (lengths[k] - t) / 0.06);
            w[i] += saw * attack * release;
        }
    }
    for (size_t i = 0; i < w.size(); ++i)
        w[i] = tone.LowPass(w[i], 1400);
    return Finish(w, 0.55);
}

std::vector<double> MakeClap()
{
    // Applause: a crowd of hands, each clapping at its own pace with its own
    // colour; the crowd swells in and dies away.
    TRandom rnd(17);
    const double length = 2.8;
    std::vector<double> w = Buffer(length);
    for (int hand = 0; hand < 26; ++hand) {
        const double hz = 900 + 1700 * rnd.Unit();
        const double pace = 0.17 + 0.12 * rnd.Unit();
        const double level = 0.5 + 0.5 * rnd.Unit();
        TFilter colour(1.4);
        double t = 0.02 + 0.25 * rnd.Unit();
        while (t < length - 0.05) {
            const double crowd = std::min(1.0, t / 0.35) * std::min(1.0, (length - t) / 1.2);
            const size_t at = size_t(t * kRate);
            for (size_t i = at; i < w.size() && i < at + size_t(0.03 * kRate); ++i) {
                const double u = Time(i - at);
                w[i] += crowd * level * colour.BandPass(rnd.Signed(), hz) * std::exp(-u * 180.0);
            }
            t += pace * (0.85 + 0.3 * rnd.Unit());
        }
    }
    // A gentle saturation lifts the crowd's body without raising its peaks.
    double top = 1e-9;
    for (double v : w)
        top = std::max(top, std::fabs(v));
    for (double& v : w)
        v = std::tanh(2.5 * v / top);
    return Finish(w, 0.8);
}

} // namespace MakeSounds
