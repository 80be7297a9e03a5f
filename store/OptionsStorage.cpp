// The options record in the settings store.

#include "store/OptionsStorage.h"

#include "rules/GameState.h"
#include "rules/Options.h"
#include "store/Registry.h"

namespace {

// A volume missing, not a number or outside 0 to 100 is full volume: the
// sound as it was before there were volumes.
int32_t ReadVolume(CRegistry& reg, const char* name)
{
    int32_t v = 0;
    if (!reg.ReadInt(name, &v) || v < kMinVolume || v > kMaxVolume)
        return kMaxVolume;
    return v;
}

} // namespace

void LoadOptions(GFourfall::TRules& rules)
{
    TOptions& Options = rules.Options;
    CRegistry reg;
    if (!reg.OpenKey(HKEY_CURRENT_USER, kOptionsKey, 1))
        return;
    Options.ZPlaySound = reg.ReadIntOr("ZPlaySound", Options.ZPlaySound);
    Options.ZPlayMusic = reg.ReadIntOr("ZPlayMusic", Options.ZPlayMusic);
    Options.ZNextFig = reg.ReadIntOr("ZNextFig", Options.ZNextFig);
    Options.UseEffects = reg.ReadIntOr("UseEffects", Options.UseEffects);
    Options.MouseType = reg.ReadIntOr("MouseType", Options.MouseType);
    Options.BackRound = reg.ReadIntOr("BackRound", Options.BackRound);
    Options.NumBlocks = reg.ReadIntOr("NumBlocks", Options.NumBlocks);
    Options.StartLevel = reg.ReadIntOr("StartLevel", Options.StartLevel);
    Options.Difficulty = reg.ReadIntOr("Difficulty", Options.Difficulty);
    Options.ZShadow = reg.ReadIntOr("ZShadow", Options.ZShadow);
    Options.MusicVolume = ReadVolume(reg, "MusicVolume");
    Options.SoundVolume = ReadVolume(reg, "SoundVolume");
    Options.SmoothSound = reg.ReadIntOr("SmoothSound", Options.SmoothSound);
    GFourfall::SelectGame(rules, reg.ReadIntOr("GameNum", rules.GameState.GameNum));
    reg.CloseKey();
}

void SaveOptions(const GFourfall::TRules& rules)
{
    const TOptions& Options = rules.Options;
    CRegistry reg;
    if (!reg.OpenKey(HKEY_CURRENT_USER, kOptionsKey, 1))
        return;
    reg.WriteInt("ZPlaySound", Options.ZPlaySound);
    reg.WriteInt("ZPlayMusic", Options.ZPlayMusic);
    reg.WriteInt("ZNextFig", Options.ZNextFig);
    reg.WriteInt("UseEffects", Options.UseEffects);
    reg.WriteInt("MouseType", Options.MouseType);
    reg.WriteInt("StartLevel", Options.StartLevel);
    reg.WriteInt("GameNum", rules.GameState.GameNum);
    reg.WriteInt("BackRound", Options.BackRound);
    reg.WriteInt("NumBlocks", Options.NumBlocks);
    reg.WriteInt("Difficulty", Options.Difficulty);
    reg.WriteInt("ZShadow", Options.ZShadow);
    reg.WriteInt("MusicVolume", Options.MusicVolume);
    reg.WriteInt("SoundVolume", Options.SoundVolume);
    reg.WriteInt("SmoothSound", Options.SmoothSound);
    reg.CloseKey();
}
