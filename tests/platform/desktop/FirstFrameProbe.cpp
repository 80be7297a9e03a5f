// first-frame-probe N COMMAND... [-- COMMAND...]...: starts each COMMAND N
// times on the X display and prints, for each run, the milliseconds from exec
// to the first moment its window named "Tumbletown" is mapped and shows a
// whole picture (no pixel of a 9 x 9 grid over it left black), and the CPU
// time the program had used by then (it is stopped as soon as the picture is
// seen); then the medians. With several
// commands the runs take turns (A B A B ...), so that a machine whose load
// changes meanwhile weighs on each alike. The program is killed after each
// measurement (its CPU time is read as it ends). Measured from
// outside the game, on the X server's own copy of the window's pixels.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr double kGiveUpMs = 20000;
constexpr int kGrid = 9;

double NowMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

bool Named(Display* display, Window window)
{
    char* name = nullptr;
    if (XFetchName(display, window, &name) == 0 || name == nullptr)
        return false;
    const bool yes = std::strcmp(name, "Tumbletown") == 0;
    XFree(name);
    return yes;
}

// The top-level window of the run, mapped or not, searched below the root
// (a window manager may have put a frame around it).
Window FindGame(Display* display, Window under)
{
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, under, &root, &parent, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i)
        found = Named(display, children[i]) ? children[i] : FindGame(display, children[i]);
    if (children != nullptr)
        XFree(children);
    return found;
}

// Whether the window is mapped and no grid pixel is black. Only the grid's
// rows are read (a few kilobytes, not the whole window's megabytes), so that
// looking costs the X server, which the game waits on, next to nothing.
bool WholePicture(Display* display, Window window)
{
    XWindowAttributes a{};
    if (!XGetWindowAttributes(display, window, &a) || a.map_state != IsViewable || a.width < kGrid + 1 ||
        a.height < kGrid + 1)
        return false;
    for (int gy = 1; gy <= kGrid; ++gy) {
        XImage* row =
            XGetImage(display, window, 0, gy * a.height / (kGrid + 1), a.width, 1, AllPlanes, ZPixmap);
        if (row == nullptr)
            return false;
        bool whole = true;
        for (int gx = 1; gx <= kGrid && whole; ++gx)
            whole = XGetPixel(row, gx * a.width / (kGrid + 1), 0) != 0;
        XDestroyImage(row);
        if (!whole)
            return false;
    }
    return true;
}

struct Run {
    double wallMs = -1;
    double cpuMs = -1;
};

// One run of the command: the time to its whole picture, and its CPU time
// (user + system, all threads) when it was seen.
Run Measure(Display* display, char** command)
{
    Run run;
    const double start = NowMs();
    const pid_t child = fork();
    if (child == 0) {
        execvp(command[0], command);
        _exit(127);
    }
    Window game = 0;
    while (NowMs() - start < kGiveUpMs) {
        if (game == 0)
            game = FindGame(display, DefaultRootWindow(display));
        if (game != 0 && WholePicture(display, game)) {
            run.wallMs = NowMs() - start;
            // Stopped at once: the CPU time read at its end is the time by
            // the moment the picture was seen, not what the game did after.
            kill(child, SIGSTOP);
            break;
        }
        if (waitpid(child, nullptr, WNOHANG) == child)
            return run; // ended without a picture
        usleep(500);
    }
    kill(child, SIGKILL);
    rusage usage{};
    if (wait4(child, nullptr, 0, &usage) == child)
        run.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                    (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
    return run;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: first-frame-probe RUNS COMMAND [ARGS...] [-- COMMAND [ARGS...]]...\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    // The commands, each ended by "--" or the end of the arguments.
    std::vector<char**> commands;
    commands.push_back(argv + 2);
    for (int i = 2; i < argc; ++i)
        if (std::strcmp(argv[i], "--") == 0) {
            argv[i] = nullptr;
            if (i + 1 < argc)
                commands.push_back(argv + i + 1);
        }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "first-frame-probe: no X display\n");
        return 2;
    }
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; }); // windows come and go
    const size_t count = commands.size();
    for (size_t c = 0; c < count; ++c)
        std::printf("%c: %s\n", char('A' + c), commands[c][0]);
    std::vector<std::vector<double>> wall(count), cpu(count);
    for (int r = 0; r < runs; ++r) {
        for (size_t c = 0; c < count; ++c) {
            const Run run = Measure(display, commands[c]);
            if (run.wallMs < 0) {
                std::fprintf(stderr, "%c run %d: no whole picture\n", char('A' + c), r + 1);
                return 1;
            }
            std::printf("%c run %d: %.1f ms, cpu %.1f ms\n", char('A' + c), r + 1, run.wallMs, run.cpuMs);
            std::fflush(stdout);
            wall[c].push_back(run.wallMs);
            cpu[c].push_back(run.cpuMs);
            usleep(300000); // let the server settle
        }
    }
    for (size_t c = 0; c < count; ++c) {
        const auto [low, high] = std::minmax_element(wall[c].begin(), wall[c].end());
        std::printf("%c: median %.1f ms of %d runs (min %.1f, max %.1f), cpu median %.1f ms\n", char('A' + c),
                    Median(wall[c]), runs, *low, *high, Median(cpu[c]));
    }
    return 0;
}
