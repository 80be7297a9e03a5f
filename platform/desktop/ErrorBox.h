// A message the player must see even when the game was started from a
// desktop menu, with no terminal to print to.
#pragma once

#include <string>

namespace Platform {

// Shows an error box with one OK button and waits until it is closed. Also
// writes the text to standard error, so that it is there when no box can be
// shown (no display, no helper program).
void ShowErrorBox(const std::string& title, const std::string& text);

} // namespace Platform
