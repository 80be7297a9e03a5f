// The thin file layer under the loaders, which themselves take bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// Reads a whole file into a new[] block the caller deletes. Returns false when
// the name is empty or the file cannot be opened or read; an empty file gives
// true with *bytes null and *size 0.
bool hssReadWholeFile(const char* fileName, uint8_t** bytes, size_t* size);
