#include "web/ViewerExports.h"

#include <string>

#include "web/ReplayView.h"

namespace {

WebViewer::TReplayView View;
std::string Why;
std::string State;

} // namespace

int32_t tt_load(const char* text, int32_t length)
{
    Why.clear();
    if (text == nullptr || length < 0) {
        Why = "no replay";
        return -1;
    }
    if (!View.Load(std::string(text, static_cast<std::size_t>(length)), Why))
        return -1;
    return static_cast<int32_t>(View.Steps());
}

const char* tt_why()
{
    return Why.c_str();
}

uint32_t tt_time(int32_t k)
{
    return k < 0 ? 0 : View.TimeOf(static_cast<std::size_t>(k));
}

int32_t tt_game()
{
    return View.GameNum();
}

int32_t tt_columns()
{
    return View.Columns();
}

int32_t tt_rows()
{
    return View.Rows();
}

const char* tt_state(int32_t n)
{
    State = View.StateAt(n < 0 ? 0 : static_cast<std::size_t>(n));
    return State.c_str();
}
