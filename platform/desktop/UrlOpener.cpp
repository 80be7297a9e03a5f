#include "platform/desktop/UrlOpener.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace Platform {

void DesktopUrlOpener::Open(const std::string& url)
{
    // An address that starts with '-' would be read as an option.
    if (url.empty() || url.front() == '-')
        return;
    // Everything the children use is prepared before fork: after it only
    // async-signal-safe calls are allowed (the audio thread may hold locks).
    char program[] = "xdg-open";
    std::string address = url;
    char* argv[] = {program, address.data(), nullptr};

    const pid_t child = ::fork();
    if (child < 0)
        return;
    if (child == 0) {
        // The grandchild runs the opener; the child exits at once, so the
        // opener is adopted by init and we never have to reap it.
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ::setsid();
            const int null = ::open("/dev/null", O_RDWR);
            if (null >= 0) {
                ::dup2(null, 0);
                ::dup2(null, 1);
                ::dup2(null, 2);
            }
            ::execvp(program, argv);
            ::_exit(127);
        }
        ::_exit(0);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace Platform
