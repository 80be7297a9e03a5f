#include "wlib/graphics/Bitmap.h"

#include "platform/desktop/BmpLoader.h"
#include "platform/desktop/DeviceContext.h"
#include "wlib/graphics/Canvas.h"
#include "wlib/graphics/ImageLoader.h"

namespace WLib {

TBitmapFactory BitmapFactory = NewBitmapGDI;

TBitmapBase* NewBitmapGDI()
{
    auto* bitmap = new TBitmapGDIBase();
    bitmap->Owned = 1;
    return bitmap;
}

TBitmapBase* TBitmapBase::Clone()
{
    return nullptr;
}

TBitmapBase::~TBitmapBase()
{
    if (RefCount == 0 && Canvas) {
        // The bitmap holds the canvas's owner reference and the one it added
        // when making it; dropping both destroys it with its context.
        Canvas->Release();
        Canvas->Release();
        Canvas = nullptr;
    }
}

TCanvasBase* TBitmapBase::GetCanvas()
{
    return nullptr;
}

TBitmapGDIBase::~TBitmapGDIBase()
{
    if (RefCount == 0 && Handle) {
        if (Canvas)
            Platform::SelectBitmap(Canvas->DC, nullptr);
        Platform::DeleteBitmap(Handle);
        Handle = nullptr;
    }
}

TCanvasBase* TBitmapGDIBase::GetCanvas()
{
    ++Draws;
    if (!Handle && !Source.empty())
        DecodeAgain();
    if (!Canvas) {
        auto* canvas = new TCanvasGDIBase();
        canvas->Owned = 1;
        canvas->DC = Platform::CreateMemoryDC();
        canvas->OwnsDC = true;
        Platform::SelectBitmap(canvas->DC, Handle);
        canvas->AddRef();
        Canvas = canvas;
    }
    return Canvas;
}

void TBitmapGDIBase::SetHandle(Platform::Bitmap* handle)
{
    if (handle == Handle)
        return;
    if (Handle)
        Platform::DeleteBitmap(Handle);
    Handle = handle;
    if (Canvas)
        Platform::SelectBitmap(Canvas->DC, Handle);
}

size_t TBitmapGDIBase::LetGo()
{
    if (!Handle || Source.empty())
        return 0;
    const size_t bytes = size_t(Handle->Stride()) * size_t(Handle->Height());
    SetHandle(nullptr);
    return bytes;
}

void TBitmapGDIBase::DecodeAgain()
{
    SetHandle(ImageLoader::LoadImageFile(Source.c_str()));
    if (Handle) {
        UpdateSize();
    } else {
        Source.clear();
        Size = TSize();
    }
}

void TBitmapGDIBase::UpdateSize()
{
    Platform::DibSection info;
    if (!Platform::GetDibSection(Handle, &info))
        return;
    Info = info;
    Size = TSize(info.Width, info.Height);
}

bool TBitmapGDIBase::Create(int width, int height)
{
    Source.clear();
    Platform::Bitmap* handle = Platform::CreateCompatibleBitmap(width, height);
    SetHandle(handle);
    if (handle)
        Size = TSize(width, height);
    return handle != nullptr;
}

bool TBitmapGDIBase::LoadBmpFile(const char* name)
{
    Source.clear();
    SetHandle(Platform::LoadBmpFile(name));
    return Handle != nullptr;
}

bool TBitmapGDIBase::LoadJpegResource(int id)
{
    Source.clear();
    SetHandle(ImageLoader::LoadImageResource(id));
    UpdateSize();
    return Handle != nullptr;
}

bool TBitmapGDIBase::LoadJpegFile(const char* name)
{
    SetHandle(ImageLoader::LoadImageFile(name));
    UpdateSize();
    if (Handle)
        Source = name;
    else
        Source.clear();
    return Handle != nullptr;
}

bool TBitmapGDIBase::LoadJpegData(const uint8_t* data, size_t size)
{
    Source.clear();
    SetHandle(ImageLoader::LoadImageData(data, size));
    UpdateSize();
    return Handle != nullptr;
}

TBitmap::TBitmap(const TBitmap& other) : Impl(other.Impl)
{
    if (Impl)
        Impl->AddRef();
}

TBitmap& TBitmap::operator=(const TBitmap& other)
{
    TBitmapBase* impl = other.Impl; // other may be this very handle
    if (impl)
        impl->AddRef();
    Release();
    Impl = impl;
    return *this;
}

TBitmap::~TBitmap()
{
    Release();
}

void TBitmap::Release()
{
    if (Impl)
        Impl->Release();
    Impl = nullptr;
}

void TBitmap::Recreate()
{
    Release();
    Impl = BitmapFactory ? BitmapFactory() : nullptr;
}

TSize TBitmap::GetSize() const
{
    return Impl ? Impl->Size : TSize();
}

Platform::Bitmap* TBitmap::Pixels() const
{
    auto* gdi = dynamic_cast<TBitmapGDIBase*>(Impl);
    return gdi ? gdi->Handle : nullptr;
}

bool TBitmap::Create(int width, int height)
{
    Recreate();
    return Impl && Impl->Create(width, height);
}

bool TBitmap::LoadJpegFile(const char* name)
{
    Recreate();
    return Impl && Impl->LoadJpegFile(name);
}

bool TBitmap::LoadBmpFile(const char* name)
{
    Recreate();
    return Impl && Impl->LoadBmpFile(name);
}

bool TBitmap::LoadJpegResource(int id)
{
    Recreate();
    return Impl && Impl->LoadJpegResource(id);
}

bool TBitmap::LoadJpegData(const uint8_t* data, size_t size)
{
    Recreate();
    auto* gdi = dynamic_cast<TBitmapGDIBase*>(Impl);
    return gdi && gdi->LoadJpegData(data, size);
}

} // namespace WLib
