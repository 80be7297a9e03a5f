#include "wlib/graphics/PictureKeeper.h"

namespace WLib {

TBitmapGDIBase* TPictureKeeper::PixelsOf(const TBitmap& picture)
{
    return dynamic_cast<TBitmapGDIBase*>(picture.Impl);
}

void TPictureKeeper::Add(const TBitmap& picture)
{
    TBitmapGDIBase* pixels = PixelsOf(picture);
    if (pixels == nullptr)
        return;
    for (const TEntry& entry : Entries)
        if (entry.Picture.Impl == picture.Impl)
            return;
    TEntry entry;
    entry.Picture = picture;
    entry.SeenDraws = pixels->Draws;
    Entries.push_back(entry);
}

void TPictureKeeper::NotePaint(int64_t nowMs)
{
    for (TEntry& entry : Entries) {
        const uint32_t draws = PixelsOf(entry.Picture)->Draws;
        entry.InView = draws != entry.SeenDraws;
        entry.SeenDraws = draws;
        if (entry.InView) {
            entry.EverDrawn = true;
            entry.LastDrawnMs = nowMs;
        }
    }
}

size_t TPictureKeeper::Sweep(int64_t nowMs)
{
    size_t freed = 0;
    for (TEntry& entry : Entries)
        if (!entry.InView && (!entry.EverDrawn || nowMs - entry.LastDrawnMs >= HoldMs))
            freed += PixelsOf(entry.Picture)->LetGo();
    return freed;
}

bool TPictureKeeper::Keep(const TBitmap& picture, int64_t nowMs)
{
    for (TEntry& entry : Entries)
        if (entry.Picture.Impl == picture.Impl) {
            TBitmapGDIBase* pixels = PixelsOf(entry.Picture);
            pixels->GetCanvas(); // decodes it when it was let go
            entry.SeenDraws = pixels->Draws;
            entry.EverDrawn = true;
            entry.LastDrawnMs = nowMs;
            return pixels->IsDecoded();
        }
    return false;
}

size_t TPictureKeeper::LetGo(const TBitmap& picture)
{
    for (TEntry& entry : Entries)
        if (entry.Picture.Impl == picture.Impl) {
            entry.InView = false;
            return PixelsOf(entry.Picture)->LetGo();
        }
    return 0;
}

bool TPictureKeeper::HasPicturesToLetGo() const
{
    for (const TEntry& entry : Entries) {
        const TBitmapGDIBase* pixels = PixelsOf(entry.Picture);
        if (!entry.InView && pixels->IsDecoded() && !pixels->Source.empty())
            return true;
    }
    return false;
}

size_t TPictureKeeper::DecodedBytes() const
{
    size_t bytes = 0;
    for (const TEntry& entry : Entries) {
        const Platform::Bitmap* handle = PixelsOf(entry.Picture)->Handle;
        if (handle != nullptr)
            bytes += size_t(handle->Stride()) * size_t(handle->Height());
    }
    return bytes;
}

} // namespace WLib
