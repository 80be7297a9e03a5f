// The special figures' common part.
#include "rules/CommandFig.h"

#include "rules/CreatFig.h"
#include "rules/DestrFig.h"
#include "rules/GameState.h"
#include "rules/Rules.h"

namespace GFourfall {

TCommandFig::~TCommandFig()
{
    // A figure that was never placed (the preview, or one that did not fit at
    // game over) or whose cells a row removal already took away owns no board
    // cell: erasing its box would remove other blocks.
    if (OnBoard) {
        Erase();
    }
    Rules.GameState.Changed = true;
}

bool IsSpecialFigure(const TAbsFigure* figure)
{
    return dynamic_cast<const TCommandFig*>(figure) != nullptr;
}

TSpecialKind SpecialKind(const TAbsFigure* figure)
{
    if (dynamic_cast<const TCreatFig*>(figure) != nullptr)
        return TSpecialKind::Creator;
    if (dynamic_cast<const TDestrFig*>(figure) != nullptr)
        return TSpecialKind::Destroyer;
    return TSpecialKind::None;
}

} // namespace GFourfall
