#include "screens/SoundPage.h"

#include "platform/KeyCodes.h"
#include "rules/Options.h"
#include "screens/PageBuild.h"
#include "screens/layout/Captions.h"
#include "store/OptionsStorage.h"
#include "wlib/sound/Speaker.h"

namespace WFourfall {

using namespace WLib;
using namespace Platform;

namespace {

// 0x00BBGGRR, as the controls page writes its values.
constexpr uint32_t kValueColour = 0xFFFFFF;
constexpr int32_t kValueTextHeight = 19;
constexpr int kTextWeight = 700;
constexpr uint32_t kChoiceHoverRim = 0x5AD2FF; // the options page's gold

int32_t HeldVolume(int32_t percent)
{
    return percent < kMinVolume || percent > kMaxVolume ? kMaxVolume : percent;
}

int32_t& VolumeOf(TOptions& options, int row)
{
    return row == 0 ? options.MusicVolume : options.SoundVolume;
}

} // namespace

int32_t StepVolume(int32_t value, int direction)
{
    value = HeldVolume(value);
    if (direction > 0)
        return value >= kMaxVolume ? kMaxVolume : (value / kVolumeStep + 1) * kVolumeStep;
    if (direction < 0)
        return value <= kMinVolume ? kMinVolume : (value - 1) / kVolumeStep * kVolumeStep;
    return value;
}

void ApplySoundOptions(const TOptions& options)
{
    if (Speaker == nullptr)
        return;
    Speaker->SetMusicVolume(uint32_t(HeldVolume(options.MusicVolume)));
    Speaker->SetSoundVolume(uint32_t(HeldVolume(options.SoundVolume)));
    Speaker->SetSmooth(options.SmoothSound != 0);
}

std::string TSoundPage::VolumeText(int32_t percent)
{
    return std::to_string(HeldVolume(percent)) + " %";
}

bool TSoundPage::HandleEvent(int32_t code, int32_t param)
{
    // Left and Right on a lit volume button change that volume instead of
    // walking the highlight; Up and Down still walk it.
    if (code == evKeyDown && Active()) {
        const int lit = NavIndex();
        const int direction = param == kVkLeft || param == kVkPadLeft     ? -1
                              : param == kVkRight || param == kVkPadRight ? 1
                                                                          : 0;
        for (int row = 0; row < kSoundVolumeCount && direction != 0 && lit >= 0; ++row) {
            if (NavOrder[lit] == &VolumeDown[row] || NavOrder[lit] == &VolumeUp[row]) {
                StepVolumeOf(row, direction);
                return true;
            }
        }
    }
    for (int row = 0; row < kSoundVolumeCount; ++row) {
        if (code == VolumeDown[row].ClickCode)
            StepVolumeOf(row, -1);
        else if (code == VolumeUp[row].ClickCode)
            StepVolumeOf(row, 1);
    }
    for (int i = 0; i < kSoundSmoothButtonCount; ++i) {
        if (code == SmoothButtons[i].ClickCode) {
            int32_t& smooth = Rules.Options.SmoothSound;
            smooth = i == 0 ? (smooth == 0 ? 1 : 0) : i == 1 ? 1 : 0;
            Changed();
        }
    }
    return TScrPage::HandleEvent(code, param);
}

void TSoundPage::StepVolumeOf(int row, int direction)
{
    int32_t& volume = VolumeOf(Rules.Options, row);
    volume = StepVolume(volume, direction);
    Changed();
}

void TSoundPage::Changed()
{
    ApplySoundOptions(Rules.Options);
    SaveOptions(Rules);
    Sync();
}

void TSoundPage::Sync()
{
    SmoothButtons[1].Selected = Rules.Options.SmoothSound != 0;
    SmoothButtons[2].Selected = Rules.Options.SmoothSound == 0;
    Invalidate(this);
}

void TSoundPage::Paint()
{
    TScrPage::Paint();
    Canvas.GetFont().SetHeight(kValueTextHeight);
    Canvas.GetFont().SetWeight(kTextWeight);
    Canvas.SetTextColor(kValueColour);
    for (int row = 0; row < kSoundVolumeCount; ++row) {
        const TBox& box = kSoundVolumeValues[row];
        const std::string text = VolumeText(VolumeOf(Rules.Options, row));
        Canvas.DrawTextInRect(0, TRect(box.X, box.Y, box.Right(), box.Bottom()),
                              TMemStr(text.data(), static_cast<int>(text.size())));
    }
}

void TSoundPage::Build(TScrPages* pages, const TSkinSet& skins)
{
    AttachPage(pages, this, skins.SoundPlain);
    for (int row = 0; row < kSoundVolumeCount; ++row) {
        AttachWidgets(this, {&VolumeDown[row], &VolumeUp[row]});
        PlaceAt(&VolumeDown[row], kSoundVolumeDown[row]);
        PlaceAt(&VolumeUp[row], kSoundVolumeUp[row]);
        GiveButtonImages(skins.SoundPlain, skins.SoundHigh, {&VolumeDown[row], &VolumeUp[row]});
        VolumeDown[row].Caption = kControlsStepCaptions[0];
        VolumeUp[row].Caption = kControlsStepCaptions[1];
        NavOrder.push_back(&VolumeDown[row]);
        NavOrder.push_back(&VolumeUp[row]);
    }
    for (int i = 0; i < kSoundSmoothButtonCount; ++i) {
        Insert(&SmoothButtons[i], this);
        PlaceAt(&SmoothButtons[i], kSoundSmoothButtons[i]);
        GiveButtonImages(skins.SoundPlain, skins.SoundHigh, {&SmoothButtons[i]});
        SmoothButtons[i].Caption = kSoundSmoothCaptions[i];
        NavOrder.push_back(&SmoothButtons[i]);
    }
    // As on the options page: a choice mark lit under the pointer would look
    // chosen, so hovered it keeps its look and gets a rim.
    for (int i : {1, 2}) {
        SmoothButtons[i].Images.Images[ibHover] = skins.SoundPlain;
        SmoothButtons[i].HoverRim = kChoiceHoverRim;
    }
    Insert(&Back, this);
    PlaceAt(&Back, kSoundBack);
    GiveButtonImages(skins.SoundPlain, skins.SoundHigh, {&Back});
    Back.Caption = kSoundBackCaption;
    NavOrder.push_back(&Back);
    NavBack = &Back;
    Sync();
}

} // namespace WFourfall
