// Whole-file reading for the layers above: a file is opened for reading only
// (others may read it too), its size is asked once and its bytes are read in
// one go. Nothing here interprets the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Platform {

class TFileReader {
public:
    TFileReader() = default;
    ~TFileReader();
    TFileReader(const TFileReader&) = delete;
    TFileReader& operator=(const TFileReader&) = delete;

    // Opens an existing file for reading. False when it cannot be opened or
    // is not a regular file.
    bool Open(const char* name);
    void Close();
    bool IsOpen() const { return Fd >= 0; }
    // Size in bytes as the file reports it when opened; 0 when not open.
    uint64_t Size() const { return FileSize; }
    // Reads up to count bytes, retrying short reads; returns the bytes read.
    size_t Read(void* buffer, size_t count);

private:
    int Fd = -1;
    uint64_t FileSize = 0;
};

// Reads a whole file into bytes. False, with bytes untouched, when the file
// cannot be opened; false with the bytes read so far when it reads short.
bool ReadWholeFile(const char* name, std::vector<uint8_t>& bytes);

} // namespace Platform
