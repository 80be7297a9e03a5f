// tumbletown-driver: the game's real page set on the test host, driven by a
// script, one command a line ('#' starts a comment):
//
//   move X Y | press X Y | release X Y   the pointer; press and release move it too
//   click X Y             move, press and release at one point
//   keydown K | keyup K | key K
//                         a key by virtual-key code (decimal or 0x..) or name:
//                         Left Right Up Down Ctrl Enter Backspace Escape Space,
//                         F1 ... Home PageUp Num0 ... (see platform/KeyCodes.h),
//                         a letter or a digit
//   type TEXT             the rest of the line as typed characters (UTF-8 in,
//                         Windows-1252 to the game; other characters dropped)
//   advance MS            moves the virtual clock, firing the timers due
//   answer yes|no         the answer to the next question (later ones: No)
//   screenshot FILE       paints the whole window and saves it as PNG
//   tree                  prints the element tree
//   state                 prints the rules state as one line of JSON
//   screen                prints the screens' state as one line of JSON, the
//                         entries of the shown high-score list among it, and
//                         the controls page's actions with their keys, the
//                         action waiting for a key and the key repeat
//   record FILE           writes the record of the last game started as a
//                         replay file
//   watch FILE            plays a replay file on the play page, as
//                         "tumbletown --replay FILE" does ("refused" and
//                         the reason when it is no replay)
//   replays               the names in the replay folder, as a JSON list
//   seeds                 waits until the seeds asked for ahead of the games
//                         (when a score server is named) were dealt or refused
//   pace                  waits in real time as long as the last game started
//                         was played (its last operation's time): a replay
//                         sent after it reaches a server no sooner after the
//                         game's seed was dealt than the game's played time
//   sent                  waits until the results handed to the world server
//                         went out or were kept in the outbox (they go on a
//                         thread of their own; the script goes on meanwhile)
//   fetched               waits until the world's best replay asked for (W on
//                         the high-score page) has come or failed, and lets
//                         the page take it (race it, or say why not)
//
// After every command the window is repainted when a repaint was asked for,
// as the real window does. Instead of touching the network, a browser or a
// message box, the driver prints what the game did, as it happens:
//   question "TEXT" yes|no
//   open "URL"
//   request HOST:PORT "TEXT"
//                         the exact bytes the score server would get (without
//                         --send the driver answers for it: taken); with
//                         --send they really go to it, and its reply follows:
//   reply "TEXT"          what the score server answered (empty when none)
//   seed HOST:PORT "TEXT" a seed asked for ahead of a game (without --send no
//                         seed is dealt); with --send its answer follows:
//   seed-reply "TEXT"
//   closed                the game closed its window; the script ends here
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

namespace WFourfall {

constexpr int kDriverOk = 0;
constexpr int kDriverBadScript = 2;

struct TDriverSetup {
    std::string DataFolder;  // holds Skin/, Sounds/ and Music/
    std::string StoreFolder; // where the settings file is read and written;
                             // the replays go into its "replays" folder
    uint32_t Seed = 1;       // the rules' random seed
    bool Send = false;       // results really go to the score server, not only to the output
};

// Runs the script to its end or until the game closes. Returns kDriverOk, or
// kDriverBadScript at the first line it does not understand (after a message
// on err naming the line).
int RunDriver(const TDriverSetup& setup, std::istream& script, std::ostream& out, std::ostream& err);

} // namespace WFourfall
