// The page skins: each page is painted once without its buttons, then once
// with plain and once with lit button plates. The lit picture takes the lit
// pixels only inside the button rectangles and the plain ones everywhere
// else, so the two differ nowhere but under the buttons.
#pragma once

#include "tools/make-skins/Look.h"
#include "tools/make-skins/Raster.h"

#include <string>
#include <vector>

namespace MakeSkins {

constexpr int kSkinWidth = WFourfall::kPageWidth;
constexpr int kSkinHeight = WFourfall::kPageHeight;

struct TButton {
    TBox Box;
    std::string Text;
    int TextHeight = 26;
    int Inset = 4;
    bool Bold = true;
    int Padding = 6; // least room between caption and plate edge
};

struct TSkin {
    std::string Name; // file name without ".jpg"; the lit twin adds "_"
    TRaster Plain{kSkinWidth, kSkinHeight};
    TRaster Lit{kSkinWidth, kSkinHeight};
};

TSkin ComposeSkin(const std::string& name, const TRaster& base, const std::vector<TButton>& buttons,
                  const TTheme& theme);

TSkin MenuSkin();
TSkin GameTypeSkin();
TSkin MoreGamesSkin();
TSkin OptionsSkin();
// The controls page: the action rows carry their names and an empty cap for
// the key, which the page writes.
TSkin ControlsSkin();
// The sound page: the volume labels and empty wells for the values, which the
// page writes.
TSkin SoundSkin();
TSkin HelpSkin();
TSkin HighScoreSkin();
// The question box: a picture as large as the box, not the window.
TSkin QuestionSkin();

enum class TPlayTheme { Techno, Nature, Kids };
TSkin PlaySkin(TPlayTheme theme);

} // namespace MakeSkins
