#include "sound/hssFile.h"

#include <cstdio>
#include <new>

bool hssReadWholeFile(const char* fileName, uint8_t** bytes, size_t* size)
{
    *bytes = nullptr;
    *size = 0;
    if (fileName == nullptr || fileName[0] == 0)
        return false;
    std::FILE* file = std::fopen(fileName, "rb");
    if (file == nullptr)
        return false;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long length = ok ? std::ftell(file) : -1;
    ok = ok && length >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    uint8_t* data = nullptr;
    if (ok && length > 0) {
        data = new (std::nothrow) uint8_t[size_t(length)];
        ok = data != nullptr && std::fread(data, 1, size_t(length), file) == size_t(length);
    }
    std::fclose(file);
    if (!ok) {
        delete[] data;
        return false;
    }
    *bytes = data;
    *size = size_t(length);
    return true;
}
