// The game type base: how figures are made and what a landing removes.
#pragma once

#include <cstdint>

namespace GFourfall {

class TAbsFigure;
struct TRules;

class TAbsGame {
public:
    TAbsGame(TRules& rules, int32_t typeId) : TypeId(typeId), Rules(rules) {}
    virtual ~TAbsGame();

    TAbsGame(const TAbsGame&) = delete;
    TAbsGame& operator=(const TAbsGame&) = delete;

    // a = CreateFigure, b = CreateFigure; the old CurFig and NextFig are
    // deleted; CurFig = b, NextFig = a.
    virtual void InitFigures();
    // n = CreateFigure; the old CurFig is deleted; CurFig = NextFig; NextFig = n.
    virtual void NextFigure();
    // A new figure of this type, owned by the caller. The base makes an empty one.
    virtual TAbsFigure* CreateFigure();
    // Removes what a landing completed. The base does nothing.
    virtual void Settle();
    // The display name; the base answers the empty string.
    virtual const char* Name() const;

    int32_t TypeId; // the number given at registration; its meaning depends on the class
    TRules& Rules;  // the game the type makes figures for and settles
};

} // namespace GFourfall
