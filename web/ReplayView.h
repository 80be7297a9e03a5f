// One replay made ready for watching: the rules' state after any number of
// its operations, for the browser's replay viewer (built to WebAssembly from
// these sources and the rules') and its tests (built natively).
//
// This is the one place the viewer reaches the rules: it plays the replay in
// the rules' state and reads it back. Nothing else of the viewer knows how
// the rules keep their state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "rules/Replay.h"
#include "rules/Rules.h"

namespace WebViewer {

class TReplayView {
public:
    // Reads a replay as the server keeps it (ParseReplay's rules). False, with
    // why set, on a text ParseReplay refuses; the view then holds no replay.
    bool Load(const std::string& text, std::string& why);

    bool Loaded() const { return IsLoaded; }
    // Operations in the replay (0 before a Load).
    std::size_t Steps() const { return IsLoaded ? Replay.Steps.size() : 0; }
    // Milliseconds of play at which operation k (0-based) came; 0 for k out of range.
    std::uint32_t TimeOf(std::size_t k) const;
    int32_t GameNum() const { return Replay.GameNum; }
    int32_t Columns() const { return Replay.Columns; }
    int32_t Rows() const { return Replay.Rows; }

    // Plays the replay to the state after its first n operations (n held to
    // Steps()) and returns that state as one line of JSON:
    //   {"op":N,"time":MS,"cur":"none|creator|destroyer","next":"none|creator|destroyer",
    //    "rules":<the state as WriteStateJson writes it, without its line feed>}
    // "cur" and "next" say which special figure the falling and the next
    // figure are, since the board holds only colours. Going forward plays only
    // the operations not yet played; going back starts the game again. "" when
    // no replay is loaded.
    std::string StateAt(std::size_t n);

private:
    void Restart();

    GFourfall::TReplay Replay;
    // The view's own game: nothing else in the process shares it.
    std::unique_ptr<GFourfall::TRules> Rules;
    bool IsLoaded = false;
    std::size_t Played = 0; // operations the rules' state has taken since Restart
    bool Started = false;
};

} // namespace WebViewer
