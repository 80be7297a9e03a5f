#include "store/WindowState.h"

#include "store/OptionsStorage.h"
#include "store/Registry.h"

namespace {

bool SideValid(int32_t v)
{
    return v >= kMinWindowSide && v <= kMaxWindowSide;
}

bool PositionValid(int32_t v)
{
    return v >= -kMaxWindowSide && v <= kMaxWindowSide;
}

} // namespace

TWindowState LoadWindowState()
{
    TWindowState state;
    CRegistry reg;
    if (!reg.OpenKey(HKEY_CURRENT_USER, kOptionsKey, 0))
        return state;
    int32_t full = -1;
    int32_t maximized = 0;
    const bool read = reg.ReadInt("WindowX", &state.X) && reg.ReadInt("WindowY", &state.Y) &&
                      reg.ReadInt("WindowWidth", &state.Width) &&
                      reg.ReadInt("WindowHeight", &state.Height) && reg.ReadInt("FullScreen", &full);
    if (!reg.ReadInt("Maximized", &maximized))
        maximized = 0;
    reg.CloseKey();
    if (read && PositionValid(state.X) && PositionValid(state.Y) && SideValid(state.Width) &&
        SideValid(state.Height) && (full == 0 || full == 1)) {
        state.Known = true;
        state.FullScreen = full == 1;
        state.Maximized = maximized == 1;
        return state;
    }
    return TWindowState{};
}

void SaveWindowState(const TWindowState& state)
{
    CRegistry::ChangeKey(HKEY_CURRENT_USER, kOptionsKey, 1, [&state](CRegistry& reg) {
        reg.WriteInt("WindowX", state.X);
        reg.WriteInt("WindowY", state.Y);
        reg.WriteInt("WindowWidth", state.Width);
        reg.WriteInt("WindowHeight", state.Height);
        reg.WriteInt("FullScreen", state.FullScreen ? 1 : 0);
        reg.WriteInt("Maximized", state.Maximized ? 1 : 0);
    });
}
