#include "tools/make-skins/Caption.h"

#include "platform/desktop/Bitmap.h"
#include "platform/desktop/DeviceContext.h"
#include "platform/desktop/Font.h"

#include <cstring>

namespace MakeSkins {

TMask CaptionMask(const std::string& text, int height, bool bold)
{
    Platform::LogFont desc;
    desc.Height = height;
    desc.Weight = bold ? Platform::kBoldWeight : 400;
    std::strncpy(desc.FaceName, "Arial", sizeof desc.FaceName - 1);
    Platform::Font* font = Platform::CreateFontIndirect(desc);
    Platform::DC* dc = Platform::CreateMemoryDC();
    Platform::SelectFont(dc, font);
    int width = 0, cell = 0;
    Platform::GetTextExtent(dc, text.data(), int(text.size()), &width, &cell);
    TMask mask(width + 2 * kCaptionMargin, cell > 0 ? cell : height);
    Platform::Bitmap* bitmap = Platform::CreateCompatibleBitmap(mask.W, mask.H);
    if (bitmap) {
        Platform::SelectBitmap(dc, bitmap);
        Platform::SetTextColor(dc, 0xFFFFFF);
        Platform::TextOut(dc, kCaptionMargin, 0, text.data(), int(text.size()));
        // White on black: the green channel, the finest of 5-6-5, is the coverage.
        for (int y = 0; y < mask.H; ++y)
            for (int x = 0; x < mask.W; ++x)
                mask.A[size_t(y) * mask.W + x] = float(((bitmap->Row(y)[x] >> 5) & 63) / 63.0);
        Platform::SelectBitmap(dc, nullptr);
        Platform::DeleteBitmap(bitmap);
    }
    Platform::DeleteDC(dc);
    Platform::DeleteFont(font);
    return mask;
}

} // namespace MakeSkins
