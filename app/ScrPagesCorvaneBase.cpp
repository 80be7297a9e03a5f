#include "app/ScrPagesCorvaneBase.h"

#include "app/GameForm.h"

namespace TumbletownApp {

void TScrPagesCorvaneBase::Repaint()
{
    if (Window != nullptr)
        Window->Invalidate();
}

void TScrPagesCorvaneBase::Close()
{
    if (Window != nullptr)
        Window->Close();
}

} // namespace TumbletownApp
