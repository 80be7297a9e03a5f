#include "screens/ControlsPage.h"

#include <algorithm>

#include "platform/KeyCodes.h"
#include "screens/PageBuild.h"
#include "screens/layout/Captions.h"

namespace WFourfall {

using namespace WLib;
using namespace Platform;

const int32_t kRepeatDelaySteps[] = {kMinRepeatDelayMs, 80, 110, 140, 170, 200, 250, 300, 400, 500, 700,
                                     kMaxRepeatDelayMs};
const int kRepeatDelayStepCount = sizeof kRepeatDelaySteps / sizeof kRepeatDelaySteps[0];
const int32_t kRepeatRateSteps[] = {kMinRepeatRateMs, 20, 30, 40, 50, 60, 80, 100, 150, 200, 300,
                                    kMaxRepeatRateMs};
const int kRepeatRateStepCount = sizeof kRepeatRateSteps / sizeof kRepeatRateSteps[0];

namespace {

// 0x00BBGGRR. The key reads white on its dark cap; a row that waits asks in
// the gold of lit plates.
constexpr uint32_t kKeyColour = 0xFFFFFF;
constexpr uint32_t kWaitColour = 0x40C6FF;
constexpr uint32_t kValueColour = 0xFFFFFF;
constexpr int32_t kKeyTextHeight = 19;
constexpr int32_t kValueTextHeight = 19;
constexpr int kTextWeight = 700;
constexpr const char* kWaitText = "press a key";
constexpr uint32_t kFooterColour = 0xD8A89A; // 0x00BBGGRR: the hint's quiet blue
constexpr int32_t kFooterTextHeight = 16;
constexpr int kFooterWeight = 400;
// The dark cap for the key on the plain plate that stands in for a missing
// picture.
constexpr uint32_t kCapColour = 0x2A1A0A;

bool IsPadButton(int32_t key)
{
    return key >= kVkPadLeft && key <= kVkPadBack;
}

} // namespace

int32_t StepRepeat(int32_t value, int direction, const int32_t* steps, int count)
{
    if (count <= 0)
        return value;
    value = std::clamp(value, steps[0], steps[count - 1]);
    if (direction > 0) {
        for (int i = 0; i < count; ++i)
            if (steps[i] > value)
                return steps[i];
    } else if (direction < 0) {
        for (int i = count - 1; i >= 0; --i)
            if (steps[i] < value)
                return steps[i];
    }
    return value;
}

void TKeyRow::Paint()
{
    // Without its picture the row is a plain plate: its action's name goes
    // on the left, clear of the key.
    const bool pictured = ShowsPicture();
    const char* caption = Caption;
    Caption = nullptr;
    TIButton::Paint();
    Caption = caption;
    const TRect cap(kControlsKeyCap.X, kControlsKeyCap.Y, kControlsKeyCap.Right(), kControlsKeyCap.Bottom());
    if (!pictured && caption != nullptr) {
        Canvas.GetFont().SetHeight(kKeyTextHeight);
        Canvas.GetFont().SetWeight(kTextWeight);
        Canvas.SetTextColor(PlainCaptionColour());
        Canvas.DrawTextInRect(0, TRect(0, 0, cap.Left, Rect.Height()), caption);
        Canvas.FillRect(cap, kCapColour);
    }
    Canvas.GetFont().SetHeight(kKeyTextHeight);
    Canvas.GetFont().SetWeight(kTextWeight);
    Canvas.SetTextColor(Waiting ? kWaitColour : kKeyColour);
    const std::string& text = Waiting ? std::string(kWaitText) : KeyText;
    Canvas.DrawTextInRect(0, cap, TMemStr(text.data(), static_cast<int>(text.size())));
}

std::string TControlsPage::FooterText(const TControls& controls)
{
    std::string text;
    if (controls.ActionOf(Platform::kVkSpace) == paDrop && controls.Keys[paDrop] != Platform::kVkSpace)
        text = "Space drops too. ";
    return text + "A gamepad's buttons keep their own actions.";
}

std::string TControlsPage::RepeatText(int32_t ms)
{
    return std::to_string(ms) + " ms";
}

bool TControlsPage::HandleEvent(int32_t code, int32_t param)
{
    // A row that waits takes every key before the page's highlight sees it:
    // the key chosen must not also move or press anything.
    if (code == evKeyDown && Active() && WaitingFor != paNone)
        return TakeKey(param);
    if (code == evDeactivated)
        Wait(paNone);
    bool hit = false;
    for (int a = 0; a < kControlsActionCount && !hit; ++a) {
        if (code == Rows[a].ClickCode) {
            Wait(static_cast<TPlayAction>(a));
            hit = true;
        }
    }
    if (!hit && Controls != nullptr) {
        // Any other button ends a wait first.
        for (int i = 0; i < kControlsRepeatCount; ++i) {
            int32_t& value = i == 0 ? Controls->RepeatDelayMs : Controls->RepeatRateMs;
            const int32_t* steps = i == 0 ? kRepeatDelaySteps : kRepeatRateSteps;
            const int count = i == 0 ? kRepeatDelayStepCount : kRepeatRateStepCount;
            if (code == RepeatDown[i].ClickCode || code == RepeatUp[i].ClickCode) {
                Wait(paNone);
                value = StepRepeat(value, code == RepeatUp[i].ClickCode ? 1 : -1, steps, count);
                Changed();
            }
        }
        if (code == Defaults.ClickCode) {
            Wait(paNone);
            Controls->SetDefaults();
            Changed();
        }
    }
    return TScrPage::HandleEvent(code, param);
}

bool TControlsPage::TakeKey(int32_t key)
{
    // The desktop repeating the key that pressed the row (Enter held a
    // little long) is no choice of the player's.
    if (Pages != nullptr && Pages->KeyRepeating())
        return true;
    if (key == kVkEscape || key == kVkPadB || key == kVkPadBack) {
        Wait(paNone);
        return true;
    }
    // The pad's buttons keep their own actions: they are not chosen here.
    if (IsPadButton(key) || Controls == nullptr)
        return true;
    const TPlayAction action = WaitingFor;
    if (Controls->Assign(action, key)) {
        Wait(paNone);
        Changed();
    }
    return true;
}

void TControlsPage::Wait(TPlayAction action)
{
    if (WaitingFor == action)
        return;
    WaitingFor = action;
    for (int a = 0; a < kControlsActionCount; ++a) {
        Rows[a].Waiting = a == action;
        Rows[a].Selected = a == action ? 1 : 0;
    }
    Invalidate(this);
}

void TControlsPage::Changed()
{
    if (Controls != nullptr)
        SaveControls(*Controls);
    Sync();
}

void TControlsPage::Sync()
{
    for (int a = 0; a < kControlsActionCount; ++a)
        Rows[a].KeyText = Controls != nullptr ? VirtualKeyName(Controls->Keys[a]) : std::string();
    Invalidate(this);
}

void TControlsPage::Paint()
{
    TScrPage::Paint();
    if (Controls == nullptr)
        return;
    Canvas.GetFont().SetHeight(kFooterTextHeight);
    Canvas.GetFont().SetWeight(kFooterWeight);
    Canvas.SetTextColor(kFooterColour);
    const std::string footer = FooterText(*Controls);
    Canvas.DrawTextInRect(
        0, TRect(kControlsFooter.X, kControlsFooter.Y, kControlsFooter.Right(), kControlsFooter.Bottom()),
        TMemStr(footer.data(), static_cast<int>(footer.size())));
    Canvas.GetFont().SetHeight(kValueTextHeight);
    Canvas.GetFont().SetWeight(kTextWeight);
    Canvas.SetTextColor(kValueColour);
    for (int i = 0; i < kControlsRepeatCount; ++i) {
        const TBox& box = kControlsRepeatValues[i];
        const std::string text = RepeatText(i == 0 ? Controls->RepeatDelayMs : Controls->RepeatRateMs);
        Canvas.DrawTextInRect(0, TRect(box.X, box.Y, box.Right(), box.Bottom()),
                              TMemStr(text.data(), static_cast<int>(text.size())));
    }
}

void TControlsPage::Build(TScrPages* pages, const TSkinSet& skins)
{
    AttachPage(pages, this, skins.ControlsPlain);
    for (int a = 0; a < kControlsActionCount; ++a) {
        Insert(&Rows[a], this);
        PlaceAt(&Rows[a], kControlsActions[a]);
        GiveButtonImages(skins.ControlsPlain, skins.ControlsHigh, {&Rows[a]});
        Rows[a].Caption = kControlsActionCaptions[a];
        NavOrder.push_back(&Rows[a]);
    }
    for (int i = 0; i < kControlsRepeatCount; ++i) {
        AttachWidgets(this, {&RepeatDown[i], &RepeatUp[i]});
        PlaceAt(&RepeatDown[i], kControlsRepeatDown[i]);
        PlaceAt(&RepeatUp[i], kControlsRepeatUp[i]);
        GiveButtonImages(skins.ControlsPlain, skins.ControlsHigh, {&RepeatDown[i], &RepeatUp[i]});
        RepeatDown[i].Caption = kControlsStepCaptions[0];
        RepeatUp[i].Caption = kControlsStepCaptions[1];
        NavOrder.push_back(&RepeatDown[i]);
        NavOrder.push_back(&RepeatUp[i]);
    }
    AttachWidgets(this, {&Back, &Defaults});
    PlaceAt(&Back, kControlsBack);
    PlaceAt(&Defaults, kControlsDefaults);
    GiveButtonImages(skins.ControlsPlain, skins.ControlsHigh, {&Back, &Defaults});
    Back.Caption = kControlsBackCaption;
    Defaults.Caption = kControlsDefaultsCaption;
    // As on the other pages, the secondary button right of Back comes last.
    NavOrder.push_back(&Back);
    NavOrder.push_back(&Defaults);
    NavBack = &Back;
    Sync();
}

} // namespace WFourfall
