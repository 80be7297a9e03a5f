// Bitmaps: the counted implementation objects (TBitmapBase, TBitmapGDIBase),
// the global bitmap factory that makes every one of them, and the TBitmap
// handle, which shares its implementation (copies add references).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/desktop/Bitmap.h"
#include "wlib/graphics/AbsBase.h"
#include "wlib/graphics/Geometry.h"

namespace WLib {

class TCanvasBase;
class TCanvasGDIBase;

class TBitmapBase : public TGraphicBase {
public:
    TBitmapBase* Clone() override;
    // Destroys Canvas.
    ~TBitmapBase() override;
    // A canvas that draws on this bitmap (made on first use), or null.
    virtual TCanvasBase* GetCanvas();
    // Each returns true when a platform bitmap came back.
    virtual bool Create(int width, int height) = 0;
    virtual bool LoadBmpFile(const char* name) = 0;
    virtual bool LoadJpegResource(int id) = 0;
    virtual bool LoadJpegFile(const char* name) = 0;

    TSize Size;
    TCanvasGDIBase* Canvas = nullptr;
};

class TBitmapGDIBase : public TBitmapBase {
public:
    ~TBitmapGDIBase() override;
    // Every draw from the bitmap asks for its canvas: this counts it in
    // Draws, and first decodes the picture again when it was let go.
    TCanvasBase* GetCanvas() override;
    // A black bitmap of that size; Size is set when it could be made.
    bool Create(int width, int height) override;
    // The platform's BMP loader; Size is left as it was.
    bool LoadBmpFile(const char* name) override;
    // There are no image resources on this platform: always false.
    bool LoadJpegResource(int id) override;
    bool LoadJpegFile(const char* name) override;
    // The JPEG loader over bytes in memory; Size follows the picture.
    bool LoadJpegData(const uint8_t* data, size_t size);

    // Drops the pixels of a picture that came from a JPEG file (Source), so
    // that only the file holds it until it is drawn again; Size stays. The
    // bytes given back; 0, changing nothing, for any other bitmap or one
    // already let go.
    size_t LetGo();
    // Whether the pixels are in memory (a picture let go has none).
    bool IsDecoded() const { return Handle != nullptr; }
    // Reads the section description of Handle into Info and Size.
    void UpdateSize();
    // Replaces Handle (deleting the old one) and keeps it selected into the
    // bitmap's own canvas.
    void SetHandle(Platform::Bitmap* handle);

    Platform::Bitmap* Handle = nullptr;
    Platform::DibSection Info;
    // The file the pixels were decoded from, set by a LoadJpegFile that
    // succeeded and cleared by every other load: only such a picture can be
    // let go, since decoding the file again gives the very same pixels.
    std::string Source;
    // GetCanvas calls so far, which a keeper of pictures reads to tell the
    // pictures in use from the others.
    uint32_t Draws = 0;

private:
    // Decodes Source again after LetGo. A file that no longer decodes leaves
    // an empty bitmap of size (0, 0), which pages draw around.
    void DecodeAgain();
};

// Makes a new heap bitmap object (Owned, no extra reference). Installed by the
// main window at start; the default makes TBitmapGDIBase objects.
using TBitmapFactory = TBitmapBase* (*)();
extern TBitmapFactory BitmapFactory;
TBitmapBase* NewBitmapGDI();

class TBitmap {
public:
    TBitmap() = default;
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    ~TBitmap();

    // Releases Impl and takes a new object from the bitmap factory.
    void Recreate();
    void Release();
    bool IsEmpty() const { return Impl == nullptr; }

    // Size of Impl, (0, 0) for an empty handle.
    TSize GetSize() const;
    int Width() const { return GetSize().Width; }
    int Height() const { return GetSize().Height; }
    // The platform pixels, or null.
    Platform::Bitmap* Pixels() const;

    // Every load starts from a fresh bitmap object.
    bool Create(int width, int height);
    bool LoadJpegFile(const char* name);
    bool LoadBmpFile(const char* name);
    bool LoadJpegResource(int id);
    bool LoadJpegData(const uint8_t* data, size_t size);

    TBitmapBase* Impl = nullptr;
};

} // namespace WLib
