#include "platform/desktop/Bitmap.h"

#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace Platform {

namespace {

// From this size on (a full-window picture is 960000 bytes) the pixels get
// pages of their own, mapped in at once: a picture decoded again after it
// was let go would otherwise take one page fault for each 4 KiB it writes,
// which on a virtual machine costs more than the decoding itself.
constexpr size_t kPopulatedBytes = 128 * 1024;

} // namespace

Bitmap::~Bitmap()
{
    if (!OwnsMemory)
        return;
    if (MappedBytes != 0)
        ::munmap(Memory, MappedBytes);
    else
        std::free(Memory);
}

Bitmap* NewBitmap(int width, int height, bool bottomUp, bool zeroed)
{
    if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide)
        return nullptr;
    int stride = Bitmap::StrideFor(width);
    size_t bytes = size_t(stride) * size_t(height);
    size_t mapped = 0;
    uint8_t* memory = nullptr;
    if (bytes >= kPopulatedBytes) {
        // Fresh pages are zero: zeroed or not, the same.
        void* pages =
            ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (pages != MAP_FAILED) {
            memory = static_cast<uint8_t*>(pages);
            mapped = bytes;
        }
    }
    if (!memory)
        memory = static_cast<uint8_t*>(zeroed ? std::calloc(bytes, 1) : std::malloc(bytes));
    if (!memory)
        return nullptr;
    auto* bitmap = new (std::nothrow) Bitmap();
    if (!bitmap) {
        if (mapped != 0)
            ::munmap(memory, mapped);
        else
            std::free(memory);
        return nullptr;
    }
    bitmap->MappedBytes = mapped;
    bitmap->W = width;
    bitmap->H = height;
    bitmap->RowBytes = stride;
    bitmap->IsBottomUp = bottomUp;
    bitmap->Memory = memory;
    return bitmap;
}

Bitmap* WrapBitmap(void* memory, int width, int height, int stride)
{
    if (!memory || width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
        stride < Bitmap::StrideFor(width))
        return nullptr;
    auto* bitmap = new (std::nothrow) Bitmap();
    if (!bitmap)
        return nullptr;
    bitmap->W = width;
    bitmap->H = height;
    bitmap->RowBytes = stride;
    bitmap->IsBottomUp = false;
    bitmap->Memory = static_cast<uint8_t*>(memory);
    bitmap->OwnsMemory = false;
    return bitmap;
}

Bitmap* CreateCompatibleBitmap(int width, int height)
{
    return NewBitmap(width, height, false);
}

Bitmap* CreateDibSection565(int width, int height)
{
    return NewBitmap(width, height, true);
}

void DeleteBitmap(Bitmap* bitmap)
{
    delete bitmap;
}

bool GetDibSection(const Bitmap* bitmap, DibSection* info)
{
    if (!bitmap || !info)
        return false;
    info->Width = bitmap->Width();
    info->Height = bitmap->Height();
    info->BitsPerPixel = 16;
    info->Stride = bitmap->Stride();
    info->BottomUp = bitmap->BottomUp();
    info->Bits = const_cast<uint8_t*>(bitmap->Bits());
    info->Masks[0] = kRedMask565;
    info->Masks[1] = kGreenMask565;
    info->Masks[2] = kBlueMask565;
    return true;
}

} // namespace Platform
