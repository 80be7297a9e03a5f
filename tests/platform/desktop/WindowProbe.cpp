// A small program around GameWindow for the Xvfb test: it opens the window,
// shows four coloured quarters, runs a 100 ms timer through the scheduler and
// prints every input record as a line. Key Q asks a yes/no question and
// prints the answer. It ends with status 0 on Close.
#include "platform/TimerScheduler.h"
#include "platform/desktop/GameWindow.h"
#include "platform/desktop/YesNoQuestion.h"

#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr std::uint16_t kRed = 0xF800, kGreen = 0x07E0, kBlue = 0x001F, kWhite = 0xFFFF, kYellow = 0xFFE0;

std::vector<std::uint16_t> MakeFrame(int width, int height)
{
    std::vector<std::uint16_t> frame(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            frame[static_cast<size_t>(y) * width + x] =
                bottom ? (right ? kWhite : kBlue) : (right ? kGreen : kRed);
        }
    // A yellow square at the top-left corner of the layout, 10 x 10.
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            frame[static_cast<size_t>(y) * width + x] = kYellow;
    return frame;
}

long CpuMilliseconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000L +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000L;
}

} // namespace

int main()
{
    Platform::GameWindow window;
    if (!window.Open("Tumbletown")) {
        std::printf("open failed\n");
        return 1;
    }
    std::printf("driver %s\nscreen %dx%d\nplacement %s %d,%d\n", window.VideoDriver().c_str(),
                window.ScreenWidth(), window.ScreenHeight(),
                window.Placement().fullScreen ? "fullscreen" : "windowed", window.Placement().clientX,
                window.Placement().clientY);
    const std::vector<std::uint16_t> frame =
        MakeFrame(Platform::GameWindow::kWidth, Platform::GameWindow::kHeight);
    window.Present(frame.data(), Platform::GameWindow::kWidth * 2);
    std::printf("presented\n");
    std::fflush(stdout);

    Platform::TimerScheduler timers;
    int ticks = 0;
    const auto tick = timers.Create([&] { ++ticks; });
    timers.Start(tick, 100);
    Platform::MessageBoxQuestion question(window.Handle());

    const long cpuAtStart = CpuMilliseconds();
    const std::int64_t start = timers.Now();
    std::vector<Platform::InputRecord> records;
    bool running = true;
    while (running) {
        records.clear();
        window.WaitForInput(timers.MillisecondsUntilDue(), records);
        for (const Platform::InputRecord& record : records) {
            std::printf("%s\n", Platform::ToString(record).c_str());
            if (record.kind == Platform::InputRecord::Kind::Expose)
                window.PresentAgain();
            if (record.kind == Platform::InputRecord::Kind::Close)
                running = false;
            if (record.kind == Platform::InputRecord::Kind::KeyDown && record.code == 'Q' && !record.repeat) {
                std::fflush(stdout);
                std::printf("answer %s\n", question.Ask("Quit?") ? "yes" : "no");
            }
        }
        std::fflush(stdout);
        timers.FireDue();
    }
    std::printf("ticks %d in %lld ms, cpu %ld ms\n", ticks, static_cast<long long>(timers.Now() - start),
                CpuMilliseconds() - cpuAtStart);
    return 0;
}
