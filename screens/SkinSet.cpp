#include "screens/SkinSet.h"

#include "rules/Options.h"

namespace WFourfall {

using namespace WLib;

namespace {

struct TBackgroundFiles {
    const char* Plain;
    const char* High;
};

constexpr TBackgroundFiles kBackgrounds[] = {
    {"Skin\\bg_techno.jpg", "Skin\\bg_techno_.jpg"},
    {"Skin\\bg_Nature.jpg", "Skin\\bg_Nature_.jpg"},
    {"Skin\\bg_Kids.jpg", "Skin\\bg_Kids_.jpg"},
};
constexpr int32_t kBackgroundCount = 3;

} // namespace

void CreateSkins(TSkinSet& skins)
{
    for (TBitmap* b :
         {&skins.MenuPlain,      &skins.MenuHigh,      &skins.OptionsPlain,   &skins.OptionsHigh,
          &skins.HelpPlain,      &skins.HelpHigh,      &skins.HighScorePlain, &skins.HighScoreHigh,
          &skins.GameTypePlain,  &skins.GameTypeHigh,  &skins.PlayPlain,      &skins.PlayHigh,
          &skins.Balls,          &skins.QuestionPlain, &skins.QuestionHigh,   &skins.Specials,
          &skins.MoreGamesPlain, &skins.MoreGamesHigh, &skins.ControlsPlain,  &skins.ControlsHigh,
          &skins.SoundPlain,     &skins.SoundHigh})
        b->Recreate();
}

bool LoadSharedJpeg(TBitmap& bitmap, const std::string& path)
{
    if (bitmap.IsEmpty())
        bitmap.Recreate();
    return !bitmap.IsEmpty() && bitmap.Impl->LoadJpegFile(path.c_str());
}

void LoadSharedJpeg(TBitmap& bitmap, const char* designName, const TGameServices& services)
{
    const std::string path = services.Path(designName);
    services.NoteDataFile(path, LoadSharedJpeg(bitmap, path));
}

void HoldPlayBackground(TOptions& options)
{
    options.BackRound %= kBackgroundCount;
    // A negative value (edited by hand, or damaged) is held to the default
    // rather than leaving the play page without a background.
    if (options.BackRound < 0)
        options.BackRound = 0;
}

void LoadPlayBackground(TSkinSet& skins, const TGameServices& services, TOptions& options)
{
    HoldPlayBackground(options);
    const TBackgroundFiles& files = kBackgrounds[options.BackRound];
    LoadSharedJpeg(skins.PlayPlain, files.Plain, services);
    LoadSharedJpeg(skins.PlayHigh, files.High, services);
}

} // namespace WFourfall
