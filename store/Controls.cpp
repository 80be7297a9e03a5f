#include "store/Controls.h"

#include "platform/KeyCodes.h"
#include "store/OptionsStorage.h"
#include "store/Registry.h"

using namespace Platform;

const char* const kControlValueNames[paCount] = {"KeyLeft", "KeyRight", "KeyTurn",
                                                 "KeyDrop", "KeyDown",  "KeyPause"};

namespace {

constexpr int32_t kDefaultKeys[paCount] = {kVkLeft, kVkRight, kVkUp, kVkDown, kVkControl, kVkP};
constexpr int32_t kDefaultRepeatDelayMs = 170;
constexpr int32_t kDefaultRepeatRateMs = 50;

bool KeyInRange(int32_t key)
{
    return key >= 1 && key <= 255;
}

bool RepeatValid(int32_t delayMs, int32_t rateMs)
{
    return delayMs >= kMinRepeatDelayMs && delayMs <= kMaxRepeatDelayMs && rateMs >= kMinRepeatRateMs &&
           rateMs <= kMaxRepeatRateMs;
}

bool KeysValid(const int32_t* keys)
{
    for (int a = 0; a < paCount; ++a) {
        if (!KeyInRange(keys[a]))
            return false;
        for (int b = 0; b < a; ++b)
            if (keys[a] == keys[b])
                return false;
    }
    return true;
}

} // namespace

TControls::TControls()
{
    SetDefaults();
}

void TControls::SetDefaults()
{
    for (int a = 0; a < paCount; ++a)
        Keys[a] = kDefaultKeys[a];
    RepeatDelayMs = kDefaultRepeatDelayMs;
    RepeatRateMs = kDefaultRepeatRateMs;
}

TPlayAction TControls::ActionOf(int32_t key) const
{
    for (int a = 0; a < paCount; ++a)
        if (Keys[a] == key)
            return static_cast<TPlayAction>(a);
    // Players reach for Space to drop; a chosen key still wins over it.
    if (key == kVkSpace)
        return paDrop;
    return PadAction(key);
}

bool TControls::Assign(TPlayAction action, int32_t key)
{
    if (action < 0 || action >= paCount || !KeyInRange(key))
        return false;
    for (int a = 0; a < paCount; ++a)
        if (a != action && Keys[a] == key)
            Keys[a] = Keys[action];
    Keys[action] = key;
    return true;
}

bool TControls::Valid() const
{
    return KeysValid(Keys) && RepeatValid(RepeatDelayMs, RepeatRateMs);
}

TPlayAction PadAction(int32_t key)
{
    switch (key) {
    case kVkPadLeft:
        return paLeft;
    case kVkPadRight:
        return paRight;
    case kVkPadDown:
        return paDown;
    case kVkPadUp:
    case kVkPadB:
        return paDrop;
    case kVkPadA:
        return paTurn;
    case kVkPadStart:
        return paPause;
    default:
        return paNone;
    }
}

void LoadControls(TControls& controls)
{
    controls.SetDefaults();
    CRegistry reg;
    if (!reg.OpenKey(HKEY_CURRENT_USER, kOptionsKey, 0))
        return;
    int32_t keys[paCount];
    bool found = true;
    for (int a = 0; a < paCount && found; ++a)
        found = reg.ReadInt(kControlValueNames[a], &keys[a]);
    if (found && KeysValid(keys))
        for (int a = 0; a < paCount; ++a)
            controls.Keys[a] = keys[a];
    int32_t delay = 0;
    int32_t rate = 0;
    if (reg.ReadInt(kRepeatDelayValue, &delay) && reg.ReadInt(kRepeatRateValue, &rate) &&
        RepeatValid(delay, rate)) {
        controls.RepeatDelayMs = delay;
        controls.RepeatRateMs = rate;
    }
    reg.CloseKey();
}

void SaveControls(const TControls& controls)
{
    // A merge with what another copy of the game saved meanwhile: only these
    // values change.
    CRegistry::ChangeKey(HKEY_CURRENT_USER, kOptionsKey, 1, [&controls](CRegistry& reg) {
        for (int a = 0; a < paCount; ++a)
            reg.WriteInt(kControlValueNames[a], controls.Keys[a]);
        reg.WriteInt(kRepeatDelayValue, controls.RepeatDelayMs);
        reg.WriteInt(kRepeatRateValue, controls.RepeatRateMs);
    });
}
