// first-frame-probe N COMMAND...: starts COMMAND N times on the X display and
// prints, for each run, the milliseconds from exec to the first moment its
// window named "Tumbletown" is mapped and shows a whole picture (no pixel of
// a 9 x 9 grid over it left black), then the median. The program is ended
// (SIGTERM) after each measurement. Measured from outside the game, on the X
// server's own copy of the window's pixels.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

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

// The top-level window of the run, searched below the root (the window
// manager may have put a frame around it).
Window FindGame(Display* display, Window under)
{
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, under, &root, &parent, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        XWindowAttributes a{};
        if (XGetWindowAttributes(display, children[i], &a) && a.map_state == IsViewable &&
            Named(display, children[i]))
            found = children[i];
        else
            found = FindGame(display, children[i]);
    }
    if (children != nullptr)
        XFree(children);
    return found;
}

bool WholePicture(Display* display, Window window)
{
    XWindowAttributes a{};
    if (!XGetWindowAttributes(display, window, &a) || a.map_state != IsViewable || a.width < 9 ||
        a.height < 9)
        return false;
    XImage* image = XGetImage(display, window, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (image == nullptr)
        return false;
    bool whole = true;
    for (int gy = 1; gy <= 9 && whole; ++gy)
        for (int gx = 1; gx <= 9 && whole; ++gx)
            whole = XGetPixel(image, gx * a.width / 10, gy * a.height / 10) != 0;
    XDestroyImage(image);
    return whole;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: first-frame-probe RUNS COMMAND [ARGS...]\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "first-frame-probe: no X display\n");
        return 2;
    }
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; }); // windows come and go
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const double start = NowMs();
        const pid_t child = fork();
        if (child == 0) {
            execvp(argv[2], argv + 2);
            _exit(127);
        }
        double seen = -1;
        while (NowMs() - start < 20000) {
            const Window game = FindGame(display, DefaultRootWindow(display));
            if (game != 0 && WholePicture(display, game)) {
                seen = NowMs() - start;
                break;
            }
            usleep(500);
        }
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
        if (seen < 0) {
            std::fprintf(stderr, "run %d: no whole picture within 20 s\n", run + 1);
            return 1;
        }
        std::printf("run %d: %.1f ms\n", run + 1, seen);
        times.push_back(seen);
        usleep(300000); // let the server settle
    }
    std::sort(times.begin(), times.end());
    std::printf("median %.1f ms of %d runs (min %.1f, max %.1f)\n", times[times.size() / 2],
                static_cast<int>(times.size()), times.front(), times.back());
    return 0;
}
