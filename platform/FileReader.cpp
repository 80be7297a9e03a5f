#include "platform/FileReader.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

TFileReader::~TFileReader()
{
    Close();
}

bool TFileReader::Open(const char* name)
{
    Close();
    if (!name)
        return false;
    int fd = ::open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    Fd = fd;
    FileSize = static_cast<uint64_t>(st.st_size);
    return true;
}

void TFileReader::Close()
{
    if (Fd >= 0)
        ::close(Fd);
    Fd = -1;
    FileSize = 0;
}

size_t TFileReader::Read(void* buffer, size_t count)
{
    if (Fd < 0)
        return 0;
    size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t n = ::read(Fd, out + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

bool ReadWholeFile(const char* name, std::vector<uint8_t>& bytes)
{
    TFileReader file;
    if (!file.Open(name))
        return false;
    std::vector<uint8_t> data(static_cast<size_t>(file.Size()));
    size_t got = file.Read(data.data(), data.size());
    data.resize(got);
    bytes.swap(data);
    return got == file.Size();
}

} // namespace Platform
