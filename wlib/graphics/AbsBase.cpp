#include "wlib/graphics/AbsBase.h"

namespace WLib {

TAbsBase* TAbsBase::Clone()
{
    return nullptr;
}

TAbsBase::~TAbsBase() = default;

void TAbsBase::Release()
{
    if (RefCount > 0)
        RefCount -= 1;
    else if (Owned)
        delete this;
}

TGraphicBase* TGraphicBase::Clone()
{
    return nullptr;
}

TGraphicBase::~TGraphicBase() = default;

} // namespace WLib
