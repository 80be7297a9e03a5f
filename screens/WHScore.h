// TWHScore: the list of one game type's high scores, and the editing of the
// name of the entry the last game has just made (typed characters, Backspace,
// Enter with the question whether to send the result).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "rules/HiScores.h"
#include "rules/Rules.h"
#include "screens/GameServices.h"
#include "wlib/App.h"
#include "wlib/Timer.h"
#include "wlib/graphics/Geometry.h"

namespace WFourfall {

constexpr int32_t kBlinkPeriod = 500;
constexpr int kMaxNameLength = 59;
constexpr const char* kSendQuestion = "Send the result to World's Highscores page?";
constexpr const char* kNoticeSending = "Sending the result to the world high scores...";
constexpr const char* kNoticeSent = "Sent to the world high scores.";
constexpr const char* kNoticeKept = "Could not reach the server: it will try again later.";
constexpr const char* kNoticeNoName = "A result without a name is not sent.";
constexpr const char* kNoticeBadName = "A name with an invisible or control character is not sent.";
// A raced game's seed was known before it started: the server cannot take it
// as proof, so it goes as an ordinary result, without its replay.
constexpr const char* kSendRacedQuestion =
    "Send the result to World's Highscores page? It raced a ghost, whose figures it knew beforehand: it goes "
    "as an ordinary result, not for verifying.";
constexpr const char* kNoticeFetching = "Fetching the world's best replay of this game...";
constexpr const char* kNoticeNoWorldReplay = "The world has no verified replay of this game yet.";
constexpr const char* kNoticeNoWorldList = "This game has no world list to race.";
constexpr const char* kNoticeUnreachable = "Could not fetch the world's best replay from the server.";
constexpr const char* kNoticeOtherWell =
    "That replay was played in a well of another size: it cannot be raced.";
// Under the list when a raced game made an entry, before how it ended.
constexpr const char* kNoticeRace = "Race: ";
// Asked when a fetched replay did not check out (what follows is why).
constexpr const char* kRefusedQuestionStart = "The world's best replay was refused: ";
constexpr const char* kRefusedQuestionEnd = ". Fetch it again?";

// What of a name is shown in a field width pixels wide in the canvas's font:
// the whole name when it fits, else its longest beginning that fits with an
// ellipsis after it.
std::string NameThatFits(WLib::TCanvas& canvas, const std::string& name, int32_t width);
// The longest end of the text that fits width pixels.
std::string TailThatFits(WLib::TCanvas& canvas, const std::string& text, int32_t width);

class TWFourfall;

class TWHScore : public WLib::TApp {
public:
    explicit TWHScore(GFourfall::TRules& rules) : Rules(rules) {}
    bool HandleEvent(int32_t code, int32_t param) override;
    void Paint() override;

    // True while the entry of the last game is open for its name.
    bool Editing() const;

    WLib::TRect RankRect;
    WLib::TPoint RankStep;
    WLib::TRect NameRect;
    WLib::TPoint NameStep;
    WLib::TRect ScoreRect;
    WLib::TPoint ScoreStep;
    uint8_t CursorVisible = 0;
    WLib::TTimer BlinkTimer;
    uint8_t TimerStarted = 0;
    int32_t RowCount = 9;
    const TGameServices* Services = nullptr;
    // The board: its record of the last game is kept with the entry the game
    // made, and it plays the replay of an entry that is picked (a click on
    // the row, or the entry's rank as a digit key).
    TWFourfall* Board = nullptr;
    // The game whose table is shown and whose entry is named.
    GFourfall::TRules& Rules;

    // Plays the replay of the shown list's entry pos; false when it has none.
    // One whose file is there but does not load says so in the notice.
    bool WatchEntry(int32_t pos);
    // Races the replay of the shown list's entry pos (Shift with its rank
    // or a click on its row), as WatchEntry watches it.
    bool RaceEntry(int32_t pos);
    // Races the best entry of the shown list that has a replay (the pad's
    // Start); false when none has.
    bool RaceBest();
    // Fetches the world's best verified replay of the shown game type to
    // race it (W, the pad's Back); false without a world to ask.
    bool RaceWorld();
    // Looks whether the world's replay asked for has come: races it, says
    // why not in the notice, or asks whether to fetch again one that was
    // refused. Done at every event the list gets.
    void FollowWorldRace();
    // The game that just ended made the entry HiScorePos of its list: the
    // table is saved and the game's replay kept under the name shown, and
    // the name is offered selected for typing.
    void KeepNewEntry();
    // Ends the editing of the open entry with its name as it stands (saved,
    // its replay renamed), without asking to send it.
    void CloseEntry();

    // The pre-filled name is selected: the first character typed replaces
    // it; Backspace, Delete and the arrows edit it instead.
    bool NameSelected = false;
    // Where typing goes in the name being edited: a byte index.
    std::size_t Caret = 0;
    // A short line under the list: what became of the last result sent, or
    // of a replay that would not load. Empty: none. Shown by NoticeView.
    std::string Notice;
    void SetNotice(const std::string& text);
    WLib::TApp* NoticeView = nullptr;
    // Looks whether the result last sent has gone out or was kept for
    // later, and says so in the notice. Done at every event the list gets
    // (its blink timer's among them).
    void FollowDelivery();
    // Bit r set when the replay of row r of the shown list loads.
    uint32_t PlayableMarks() const;
    // The row under a point of the list's own canvas; -1 for none.
    int32_t RowAt(int32_t x, int32_t y) const;

private:
    void Confirm();
    // The name of the open entry edited by one key; true when it was an
    // editing key.
    bool EditKey(char* name, int32_t key);
    bool PlayEntry(int32_t pos, bool race);
    // Shift is held: a rank or a click races instead of watching.
    bool RaceHeld() const;
    bool AwaitingDelivery = false;
    bool AwaitingRace = false;
    uint64_t DeliveryRounds = 0;
    // The marks as last worked out, and for which list.
    mutable bool MarksKnown = false;
    mutable uint32_t Marks = 0;
    mutable int32_t MarksType = -1;
    mutable THiScoreEntry MarksList[kScoreEntries] = {};
    // Keeps the replay of the entry just named; returns its text, empty when
    // the entry has none.
    std::string KeepReplay(const THiScoreEntry& confirmed);
};

// The line under the list's frame that shows the list's notice, centred.
class TWNotice : public WLib::TApp {
public:
    void Paint() override;
    const TWHScore* List = nullptr;
};

} // namespace WFourfall
