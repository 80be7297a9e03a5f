// Typed text is whatever the window system hands over: any bytes must give
// Windows-1252 text without a read past the input, and that text must hold
// only defined bytes, each of which stands for the character that was typed.
#include "platform/Cp1252.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string output = Platform::Utf8ToCp1252(input);
    if (output.size() > input.size())
        std::abort();
    bool ascii = true;
    for (unsigned char c : input)
        ascii = ascii && c < 0x80;
    if (ascii && output != input)
        std::abort();
    for (unsigned char byte : output)
        if (Platform::CodePointToCp1252(Platform::Cp1252ToCodePoint(byte)) != byte)
            std::abort(); // an undefined byte or a broken table
    return 0;
}
