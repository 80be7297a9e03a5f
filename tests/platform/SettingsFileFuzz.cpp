// Fuzz target of the settings file parser: any bytes parse without a fault,
// and what is written from the result parses again, undamaged, to the same
// keys and values.

#include "platform/SettingsFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Platform::TSettingsFile file = Platform::TSettingsFile::Parse(data, size);
    std::string text = file.Format();
    Platform::TSettingsFile again = Platform::TSettingsFile::Parse(text);
    if (again.Damaged() || again != file || again.Format() != text)
        std::abort();
    for (const Platform::TSettingsKey& key : file.Keys()) {
        file.KeyExists(key.Path);
        file.SubKeys(key.Path);
    }
    return 0;
}
