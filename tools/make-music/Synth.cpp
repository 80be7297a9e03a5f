#include "tools/make-music/Synth.h"

#include <algorithm>
#include <cmath>

namespace MakeMusic {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2 * kPi;

// Scales `wave` so that its largest magnitude is `peak`, rounds it to signed
// bytes and pads it to an even length. A one-shot sound gets a short fade at
// its end so that it stops without a click.
TInstrument ToInstrument(const std::string& name, int volume, std::vector<double> wave, double peak,
                         int loopStart, int loopLength)
{
    if (wave.size() % 2)
        wave.push_back(0);
    if (!loopLength) {
        const size_t fade = std::min<size_t>(wave.size() / 4, 96);
        for (size_t i = 0; i < fade; ++i)
            wave[wave.size() - 1 - i] *= double(i) / double(fade);
    }
    double top = 1e-9;
    for (double v : wave)
        top = std::max(top, std::fabs(v));
    TInstrument ins;
    ins.Name = name;
    ins.Volume = volume;
    ins.LoopStart = loopStart;
    ins.LoopLength = loopLength;
    ins.Data.reserve(wave.size());
    for (double v : wave)
        ins.Data.push_back(int8_t(std::clamp(std::lround(v / top * peak), -127L, 127L)));
    return ins;
}

std::vector<double> Cycle(const THarmonics& h, int length)
{
    std::vector<double> c(size_t(length), 0.0);
    double top = 1e-9;
    for (int j = 0; j < length; ++j) {
        double v = 0;
        for (size_t k = 0; k < h.size(); ++k)
            v += h[k] * std::sin(kTwoPi * double(k + 1) * j / length);
        c[size_t(j)] = v;
        top = std::max(top, std::fabs(v));
    }
    for (double& v : c)
        v /= top;
    return c;
}

// Two-pole state-variable band-pass, enough for drum colour.
class TBandPass {
public:
    TBandPass(double hz, double q) : F(2 * std::sin(kPi * hz / kReferenceRate)), Damp(1 / q) {}
    double Step(double x)
    {
        Low += F * Band;
        const double high = x - Low - Damp * Band;
        Band += F * high;
        return Band;
    }

private:
    double F, Damp, Low = 0, Band = 0;
};

std::vector<double> Silence(double seconds)
{
    return std::vector<double>(size_t(seconds * kReferenceRate), 0.0);
}

} // namespace

uint32_t TRandom::Next()
{
    State ^= State << 13;
    State ^= State >> 17;
    State ^= State << 5;
    return State;
}

double TRandom::Signed()
{
    return double(Next() >> 8) / double(1u << 23) - 1.0;
}

THarmonics SawHarmonics(int count)
{
    THarmonics h;
    for (int k = 1; k <= count; ++k)
        h.push_back(1.0 / k);
    return h;
}

THarmonics SquareHarmonics(int count)
{
    THarmonics h;
    for (int k = 1; k <= count; ++k)
        h.push_back(k % 2 ? 1.0 / k : 0.0);
    return h;
}

THarmonics PulseHarmonics(int count, double duty)
{
    THarmonics h;
    for (int k = 1; k <= count; ++k)
        h.push_back(std::fabs(std::sin(kPi * k * duty)) / k);
    return h;
}

THarmonics TriangleHarmonics(int count)
{
    THarmonics h;
    for (int k = 1; k <= count; ++k)
        h.push_back(k % 2 ? ((k / 2) % 2 ? -1.0 : 1.0) / (double(k) * k) : 0.0);
    return h;
}

TInstrument MakeTone(const std::string& name, int volume, const TToneSpec& s)
{
    const std::vector<double> bright = Cycle(s.Bright, s.CycleLength);
    const std::vector<double> dark = Cycle(s.Dark.empty() ? s.Bright : s.Dark, s.CycleLength);
    std::vector<double> wave;
    wave.reserve(size_t(s.Cycles * s.CycleLength));
    const double last = s.Cycles - 1;
    for (int i = 0; i < s.Cycles; ++i) {
        for (int j = 0; j < s.CycleLength; ++j) {
            // The looped last cycle keeps the level and timbre it starts with.
            const double t = std::min(i + double(j) / s.CycleLength, last);
            const double level =
                t < s.AttackCycles
                    ? t / s.AttackCycles
                    : s.Sustain + (1 - s.Sustain) * std::exp(-(t - s.AttackCycles) / s.DecayCycles);
            const double mix = std::exp(-t / s.BrightDecayCycles);
            wave.push_back(level * (mix * bright[size_t(j)] + (1 - mix) * dark[size_t(j)]));
        }
    }
    return ToInstrument(name, volume, std::move(wave), s.Peak, int(last) * s.CycleLength, s.CycleLength);
}

TInstrument MakePad(const std::string& name, int volume, double peak)
{
    // Over 8192 samples the voices make 128, 129 and 127 cycles (a gentle
    // chorus around a 64-sample cycle) and the sub-octave 64: the loop is seamless.
    constexpr int kLoop = 8192;
    const int cycles[] = {128, 129, 127};
    std::vector<double> wave;
    for (int n = 0; n < 2 * kLoop; ++n) {
        double v = 0;
        for (int c : cycles)
            for (int k = 1; k <= 10; ++k)
                v += std::sin(kTwoPi * k * c * double(n) / kLoop) / (k * (1.0 + 0.15 * k * k));
        for (int k = 1; k <= 5; k += 2)
            v += 0.8 * std::sin(kTwoPi * k * 64 * double(n) / kLoop) / (k * k);
        const double swell = n < kLoop ? 0.5 - 0.5 * std::cos(kPi * n / kLoop) : 1.0;
        wave.push_back(v * swell);
    }
    return ToInstrument(name, volume, std::move(wave), peak, kLoop, kLoop);
}

TInstrument MakePluck(const std::string& name, int volume, int delay, double seconds, double damping,
                      uint32_t seed)
{
    // The averaging filter delays by half a sample and the all-pass by another
    // half, so a line of delay - 1 samples sounds at kReferenceRate / delay.
    TRandom rnd(seed);
    const size_t n = size_t(seconds * kReferenceRate);
    std::vector<double> y(n, 0.0);
    double smooth = 0;
    for (int i = 0; i < delay; ++i) {
        smooth = 0.6 * smooth + 0.4 * rnd.Signed();
        y[size_t(i)] = smooth * std::sin(kPi * i / delay); // soft pluck position
    }
    const double c = 1.0 / 3.0;
    double vPrev = 0, yPrev = y[size_t(delay - 1)];
    for (size_t i = size_t(delay); i < n; ++i) {
        const double v = damping * 0.5 * (y[i - size_t(delay - 1)] + y[i - size_t(delay)]);
        y[i] = c * v + vPrev - c * yPrev;
        vPrev = v;
        yPrev = y[i];
    }
    return ToInstrument(name, volume, std::move(y), 118, 0, 0);
}

TInstrument MakeBell(const std::string& name, int volume, int cycleLength, double seconds)
{
    const size_t n = size_t(seconds * kReferenceRate);
    const double f0 = 1.0 / cycleLength; // cycles per sample
    std::vector<double> w(n);
    for (size_t i = 0; i < n; ++i) {
        const double t = double(i) / kReferenceRate;
        const double index = 1.8 * std::exp(-t * 6.0) + 0.3;
        const double mod = std::sin(kTwoPi * 3.5 * f0 * double(i));
        const double env = std::exp(-t * 3.2) * std::min(1.0, double(i) / 24.0);
        w[i] = env * (std::sin(kTwoPi * f0 * double(i) + index * mod) +
                      0.25 * std::sin(kTwoPi * 2 * f0 * double(i)));
    }
    return ToInstrument(name, volume, std::move(w), 116, 0, 0);
}

TInstrument MakeKick(const std::string& name, int volume, double startHz, double endHz, double seconds)
{
    std::vector<double> w = Silence(seconds);
    double phase = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        const double t = double(i) / kReferenceRate;
        const double hz = endHz + (startHz - endHz) * std::exp(-t * 28.0);
        phase += kTwoPi * hz / kReferenceRate;
        w[i] = std::sin(phase) * std::exp(-t * 9.0) * std::min(1.0, 1.3 - t / seconds);
    }
    return ToInstrument(name, volume, std::move(w), 124, 0, 0);
}

TInstrument MakeSnare(const std::string& name, int volume, double toneHz, double noiseSeconds, uint32_t seed)
{
    TRandom rnd(seed);
    TBandPass band(3200, 0.8);
    std::vector<double> w = Silence(noiseSeconds * 1.4);
    for (size_t i = 0; i < w.size(); ++i) {
        const double t = double(i) / kReferenceRate;
        const double tone = std::sin(kTwoPi * toneHz * t) * std::exp(-t * 30.0);
        const double noise = band.Step(rnd.Signed()) * std::exp(-t * 4.6 / noiseSeconds);
        w[i] = 0.8 * tone + 1.2 * noise;
    }
    return ToInstrument(name, volume, std::move(w), 120, 0, 0);
}

TInstrument MakeHat(const std::string& name, int volume, double seconds, uint32_t seed)
{
    TRandom rnd(seed);
    std::vector<double> w = Silence(seconds);
    double a = 0, b = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        const double t = double(i) / kReferenceRate;
        const double x = rnd.Signed();
        const double high = x - a; // two first differences: a bright, thin noise
        a = x;
        const double higher = high - b;
        b = high;
        w[i] = higher * std::exp(-t * 5.0 / seconds);
    }
    return ToInstrument(name, volume, std::move(w), 100, 0, 0);
}

TInstrument MakeCrash(const std::string& name, int volume, double seconds, uint32_t seed)
{
    TRandom rnd(seed);
    TBandPass band(5200, 0.6);
    const double partials[] = {523.0, 787.0, 1109.0, 1553.0, 2201.0, 3407.0};
    std::vector<double> w = Silence(seconds);
    for (size_t i = 0; i < w.size(); ++i) {
        const double t = double(i) / kReferenceRate;
        double metal = 0;
        for (double p : partials)
            metal += std::sin(kTwoPi * p * t) > 0 ? 1 : -1;
        w[i] =
            (band.Step(rnd.Signed() + 0.08 * metal)) * std::exp(-t * 4.0 / seconds) * std::min(1.0, t * 2000);
    }
    return ToInstrument(name, volume, std::move(w), 104, 0, 0);
}

TInstrument MakeClap(const std::string& name, int volume, uint32_t seed)
{
    TRandom rnd(seed);
    TBandPass band(1400, 1.6);
    std::vector<double> w = Silence(0.22);
    const double starts[] = {0.0, 0.011, 0.022, 0.034};
    for (size_t i = 0; i < w.size(); ++i) {
        const double t = double(i) / kReferenceRate;
        double env = 0;
        for (double s : starts)
            if (t >= s)
                env = std::max(env, std::exp(-(t - s) * (s == starts[3] ? 22.0 : 120.0)));
        w[i] = band.Step(rnd.Signed()) * env;
    }
    return ToInstrument(name, volume, std::move(w), 116, 0, 0);
}

TInstrument MakeWoodBlock(const std::string& name, int volume, double hz)
{
    std::vector<double> w = Silence(0.12);
    for (size_t i = 0; i < w.size(); ++i) {
        const double t = double(i) / kReferenceRate;
        w[i] = (std::sin(kTwoPi * hz * t) + 0.4 * std::sin(kTwoPi * hz * 2.71 * t)) * std::exp(-t * 45.0);
    }
    return ToInstrument(name, volume, std::move(w), 116, 0, 0);
}

TInstrument MakeGong(const std::string& name, int volume, double hz, double seconds)
{
    const double ratios[] = {1.0, 1.52, 2.31, 2.94, 3.77};
    const double decays[] = {1.2, 1.8, 2.6, 3.4, 4.5};
    std::vector<double> w = Silence(seconds);
    for (size_t i = 0; i < w.size(); ++i) {
        const double t = double(i) / kReferenceRate;
        double v = 0;
        for (int k = 0; k < 5; ++k) {
            const double drift = 1.0 - 0.01 * std::exp(-t * 3); // the pitch settles a little
            v += std::sin(kTwoPi * hz * ratios[k] * drift * t) * std::exp(-t * decays[k]) / (1 + k * 0.6);
        }
        w[i] = v * std::min(1.0, t * 300);
    }
    return ToInstrument(name, volume, std::move(w), 112, 0, 0);
}

TInstrument MakeShaker(const std::string& name, int volume, uint32_t seed)
{
    TRandom rnd(seed);
    TBandPass band(6000, 1.2);
    std::vector<double> w = Silence(0.09);
    for (size_t i = 0; i < w.size(); ++i) {
        const double t = double(i) / kReferenceRate;
        const double env = std::min(1.0, t / 0.02) * std::exp(-std::max(0.0, t - 0.02) * 60.0);
        w[i] = band.Step(rnd.Signed()) * env;
    }
    return ToInstrument(name, volume, std::move(w), 90, 0, 0);
}

} // namespace MakeMusic
