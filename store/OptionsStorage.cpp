// The options record in the settings store.

#include "store/OptionsStorage.h"

#include "rules/GameState.h"
#include "rules/Options.h"
#include "rules/ProcessState.h"
#include "store/Registry.h"

void LoadOptions()
{
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
    GFourfall::SelectGame(GFourfall::ProcessRules(), reg.ReadIntOr("GameNum", GFourfall::GameState.GameNum));
    reg.CloseKey();
}

void SaveOptions()
{
    CRegistry reg;
    if (!reg.OpenKey(HKEY_CURRENT_USER, kOptionsKey, 1))
        return;
    reg.WriteInt("ZPlaySound", Options.ZPlaySound);
    reg.WriteInt("ZPlayMusic", Options.ZPlayMusic);
    reg.WriteInt("ZNextFig", Options.ZNextFig);
    reg.WriteInt("UseEffects", Options.UseEffects);
    reg.WriteInt("MouseType", Options.MouseType);
    reg.WriteInt("StartLevel", Options.StartLevel);
    reg.WriteInt("GameNum", GFourfall::GameState.GameNum);
    reg.WriteInt("BackRound", Options.BackRound);
    reg.WriteInt("NumBlocks", Options.NumBlocks);
    reg.WriteInt("Difficulty", Options.Difficulty);
    reg.WriteInt("ZShadow", Options.ZShadow);
    reg.CloseKey();
}
