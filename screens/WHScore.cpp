#include "screens/WHScore.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/KeyCodes.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/HiScores.h"
#include "screens/WFourfall.h"
#include "screens/WGhost.h"
#include "store/ReplayFolder.h"
#include "store/ScoreName.h"
#include "store/ScoreStorage.h"
#include "store/WorldReplay.h"
#include "wlib/Mouse.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"

namespace WFourfall {

using namespace WLib;
using namespace GFourfall;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0;
constexpr uint32_t kBlue = 0xFF0000;        // 0x00BBGGRR
constexpr char kEllipsis = '\x85';          // "..." as one character of the game's 8-bit set
constexpr uint32_t kStripColour = 0xD8F2FB; // the skin's light name strip, 0x00BBGGRR
constexpr int32_t kCaretWidth = 2;
constexpr int32_t kNoticeHeight = 16;

// The list of the shown type; null when the stored shown type is no slot.
THiScoreEntry* ShownList(THiScoreTable& table)
{
    const int32_t t = table.ShownType;
    if (t < 0 || t >= kScoreTypeSlots)
        return nullptr;
    return table.Entries[t][0];
}

int32_t TextWidth(TCanvas& canvas, const std::string& text)
{
    return canvas.TextExtent(TMemStr(text.data(), static_cast<int>(text.size()))).Width;
}

} // namespace

std::string NameThatFits(TCanvas& canvas, const std::string& name, int32_t width)
{
    if (TextWidth(canvas, name) <= width)
        return name;
    for (std::size_t keep = name.size(); keep-- > 0;) {
        std::string cut = name.substr(0, keep) + kEllipsis;
        if (TextWidth(canvas, cut) <= width)
            return cut;
    }
    return std::string();
}

std::string TailThatFits(TCanvas& canvas, const std::string& text, int32_t width)
{
    std::size_t from = 0;
    while (from < text.size() && TextWidth(canvas, text.substr(from)) > width)
        ++from;
    return text.substr(from);
}

bool TWHScore::Editing() const
{
    return Rules.HiScores.ShownType == Rules.GameState.GameNum && Rules.GameState.HiScorePos >= 0 &&
           Rules.GameState.HiScorePos < kScoreEntries && ShownList(Rules.HiScores) != nullptr;
}

bool TWHScore::HandleEvent(int32_t code, int32_t param)
{
    if (TimerStarted == 0 && Pages != nullptr) {
        TimerStarted = 1;
        Insert(&BlinkTimer, this);
        BlinkTimer.Start(kBlinkPeriod);
    }
    if (code == BlinkTimer.TickId) {
        CursorVisible = CursorVisible ? 0 : 1;
        // The timer never stops; an unseen list needs no repaint (an idle
        // game on another page would otherwise repaint twice a second).
        if (Visible())
            Invalidate(this);
    }
    FollowDelivery();
    FollowWorldRace();
    if (code == evShown) {
        Rules.HiScores.ShownType = Rules.GameState.GameNum;
        MarksKnown = false; // files may have changed while the page was away
    }
    // While a name is typed, its keys are the entry's: Space is a space and
    // Enter confirms; the page's highlight does not move or press anything.
    bool taken = false;
    if (Editing()) {
        char* name = ShownList(Rules.HiScores)[Rules.GameState.HiScorePos].Name;
        if (code == evKeyDown && (param == Platform::kVkReturn || param == Platform::kVkPadA)) {
            // A gamepad cannot type: its A takes the name as it stands.
            Confirm();
        } else if ((code == evKeyPress || code == evKeyDown) &&
                   EditKey(name, code == evKeyPress ? -param : param)) {
            // The caret shows at once after a key, then blinks on.
            CursorVisible = 1;
            if (TimerStarted)
                BlinkTimer.Start(kBlinkPeriod);
            Invalidate(this);
        }
        taken = code == evKeyDown || code == evKeyPress;
    } else if (code == evKeyDown && param >= '1' && param <= '9' && Visible()) {
        taken = PlayEntry(param - '1', RaceHeld());
    } else if (code == evKeyDown && (param == 'W' || param == Platform::kVkPadBack) && Visible()) {
        taken = RaceWorld();
    } else if (code == evKeyDown && param == Platform::kVkPadStart && Visible()) {
        taken = RaceBest();
    } else if (code == evMouseUp && MouseStat != nullptr) {
        const int32_t row = RowAt(MouseStat->X - Rect.Left, MouseStat->Y - Rect.Top);
        if (row >= 0)
            PlayEntry(row, RaceHeld());
    }
    return TApp::HandleEvent(code, param) || taken;
}

bool TWHScore::EditKey(char* name, int32_t key)
{
    // key: a typed character as its negative code, a key down as its code.
    constexpr int32_t kVkEnd = 0x23, kVkHome = 0x24;
    std::size_t length = strnlen(name, kScoreNameSize - 1);
    if (Caret > length)
        Caret = length;
    if (key < 0) {
        const int32_t c = -key;
        // No control byte or invisible character: the world list would
        // refuse the name.
        if (c < 32 || c > 255 || !IsWorldNameByte(static_cast<unsigned char>(c)))
            return false;
        if (NameSelected) {
            // The offered name goes at the first letter.
            name[0] = '\0';
            length = 0;
            Caret = 0;
            NameSelected = false;
        }
        if (length < static_cast<std::size_t>(kMaxNameLength)) {
            std::memmove(name + Caret + 1, name + Caret, length - Caret + 1);
            name[Caret++] = static_cast<char>(c);
        }
        return true;
    }
    switch (key) {
    case Platform::kVkBack:
        if (Caret > 0) {
            std::memmove(name + Caret - 1, name + Caret, length - Caret + 1);
            --Caret;
        }
        break;
    case Platform::kVkDelete:
        if (Caret < length)
            std::memmove(name + Caret, name + Caret + 1, length - Caret);
        break;
    case Platform::kVkLeft:
        Caret = Caret > 0 ? Caret - 1 : 0;
        break;
    case Platform::kVkRight:
        Caret = Caret < length ? Caret + 1 : length;
        break;
    case kVkHome:
        Caret = 0;
        break;
    case kVkEnd:
        Caret = length;
        break;
    default:
        return false;
    }
    NameSelected = false;
    return true;
}

void TWHScore::FollowDelivery()
{
    if (!AwaitingDelivery || Services == nullptr || Services->Delivery == nullptr)
        return;
    // The round that had the result has ended.
    if (Services->Delivery->Rounds() < DeliveryRounds)
        return;
    const TScoreDelivery::TState state = Services->Delivery->State();
    if (state == TScoreDelivery::TState::Sending)
        return; // a later round is under way: its end will tell
    AwaitingDelivery = false;
    SetNotice(state == TScoreDelivery::TState::Sent ? kNoticeSent : kNoticeKept);
    Invalidate(this);
}

int32_t TWHScore::RowAt(int32_t x, int32_t y) const
{
    for (int32_t r = 0; r < RowCount && r < kScoreEntries; ++r) {
        const TRect row(RankRect.Left, NameRect.Top + NameStep.Y * r, ScoreRect.Right,
                        NameRect.Bottom + NameStep.Y * r);
        if (row.Contains(TPoint(x, y)))
            return r;
    }
    return -1;
}

bool TWHScore::RaceHeld() const
{
    return Pages != nullptr && Pages->KeyHeld(Platform::kVkShift);
}

bool TWHScore::WatchEntry(int32_t pos)
{
    return PlayEntry(pos, false);
}

bool TWHScore::RaceEntry(int32_t pos)
{
    return PlayEntry(pos, true);
}

bool TWHScore::RaceBest()
{
    const uint32_t marks = PlayableMarks();
    for (int32_t r = 0; r < kScoreEntries; ++r)
        if ((marks & (1u << r)) != 0)
            return RaceEntry(r);
    return false;
}

bool TWHScore::RaceWorld()
{
    if (Board == nullptr || Services == nullptr || Services->WorldReplays == nullptr)
        return false;
    // One fetch at a time: a second press waits for the first.
    if (AwaitingRace)
        return true;
    if (OnlineType(Rules.HiScores.ShownType) < 0) {
        SetNotice(kNoticeNoWorldList);
        return true;
    }
    if (Services->WorldReplays->Start(Rules.HiScores.ShownType)) {
        AwaitingRace = true;
        SetNotice(kNoticeFetching);
    }
    return true;
}

void TWHScore::FollowWorldRace()
{
    if (!AwaitingRace || Services == nullptr || Services->WorldReplays == nullptr)
        return;
    TWorldReplayFetch& fetch = *Services->WorldReplays;
    const TWorldReplayFetch::TState state = fetch.State();
    if (state == TWorldReplayFetch::TState::Fetching)
        return;
    AwaitingRace = false;
    switch (state) {
    case TWorldReplayFetch::TState::Got:
        SetNotice(std::string());
        // Only from the list it was asked on: a player who went on to
        // something else is not pulled into a race.
        if (Visible() && Rules.HiScores.ShownType == fetch.GameNum() && Board != nullptr &&
            !Board->Race(fetch.Replay()))
            SetNotice(kNoticeOtherWell);
        break;
    case TWorldReplayFetch::TState::NoReplay:
        SetNotice(kNoticeNoWorldReplay);
        break;
    case TWorldReplayFetch::TState::Refused: {
        SetNotice(std::string());
        const std::string question = kRefusedQuestionStart + fetch.Why() + kRefusedQuestionEnd;
        if (Services->Ask(question.c_str(), Platform::TPreferredAnswer::No))
            RaceWorld();
        break;
    }
    default:
        SetNotice(kNoticeUnreachable);
        break;
    }
}

bool TWHScore::PlayEntry(int32_t pos, bool race)
{
    GFourfall::TReplay replay;
    if (Board == nullptr)
        return false;
    if (!FindEntryReplay(Rules.HiScores, Rules.HiScores.ShownType, pos, replay)) {
        // A file of the entry's game and score is there and would not load:
        // the player is told why nothing plays, and its mark goes.
        if ((ReplayMarks(Rules.HiScores, Rules.HiScores.ShownType) & (1u << pos)) == 0)
            return false;
        SetNotice("The replay of entry " + std::to_string(pos + 1) + " is damaged and cannot be played.");
        MarksKnown = false;
        Invalidate(this);
        return true;
    }
    if (!race)
        Board->Watch(replay);
    else if (!Board->Race(replay))
        SetNotice(kNoticeOtherWell);
    return true;
}

uint32_t TWHScore::PlayableMarks() const
{
    const THiScoreEntry* list = ShownList(Rules.HiScores);
    if (list == nullptr)
        return 0;
    // Reading and checking the files is kept for when the list or the page
    // changed, not done at every blink.
    if (MarksKnown && MarksType == Rules.HiScores.ShownType &&
        std::memcmp(MarksList, list, sizeof MarksList) == 0)
        return Marks;
    MarksKnown = true;
    MarksType = Rules.HiScores.ShownType;
    std::memcpy(MarksList, list, sizeof MarksList);
    Marks = 0;
    const uint32_t named = ReplayMarks(Rules.HiScores, MarksType);
    for (int32_t r = 0; r < kScoreEntries; ++r) {
        GFourfall::TReplay replay;
        if ((named & (1u << r)) != 0 && FindEntryReplay(Rules.HiScores, MarksType, r, replay))
            Marks |= 1u << r;
    }
    return Marks;
}

void TWHScore::KeepNewEntry()
{
    const int32_t game = Rules.GameState.GameNum;
    const int32_t pos = Rules.GameState.HiScorePos;
    if (game < 0 || game >= kScoreTypeSlots || pos < 0 || pos >= kScoreEntries)
        return;
    const THiScoreEntry made = Rules.HiScores.Entries[game][0][pos];
    SaveScores(Rules);
    KeepReplay(made);
    // A race's outcome, which the play page had no time to show.
    if (Board != nullptr && Board->RecordingRaced() && Board->Racing())
        SetNotice(kNoticeRace + RaceResultLine(Rules.GameState.Score, Board->RacedGhost().FinalScore()));
    else if (Notice.rfind(kNoticeRace, 0) == 0)
        SetNotice(std::string()); // an older race's
    NameSelected = true;
    Caret = strnlen(made.Name, kScoreNameSize - 1);
    CursorVisible = 1;
    if (TimerStarted)
        BlinkTimer.Start(kBlinkPeriod);
    MarksKnown = false;
}

void TWHScore::CloseEntry()
{
    const int32_t game = Rules.GameState.GameNum;
    const int32_t pos = Rules.GameState.HiScorePos;
    if (game < 0 || game >= kScoreTypeSlots || pos < 0 || pos >= kScoreEntries)
        return;
    THiScoreEntry& entry = Rules.HiScores.Entries[game][0][pos];
    entry.Name[kScoreNameSize - 1] = '\0';
    std::memcpy(Rules.HiScores.PlayerName, entry.Name, kScoreNameSize);
    const THiScoreEntry named = entry;
    SaveScores(Rules);
    KeepReplay(named);
    Rules.GameState.HiScorePos = -1;
    NameSelected = false;
    MarksKnown = false;
    Invalidate(this);
}

std::string TWHScore::KeepReplay(const THiScoreEntry& confirmed)
{
    // Only the game that made this very entry: its record is complete and
    // ended with the entry's type and score.
    if (Board == nullptr || !Board->RecordingComplete())
        return {};
    GFourfall::TReplay replay = Board->Recording();
    if (replay.GameNum != Rules.GameState.GameNum || Rules.GameState.Score != confirmed.Score)
        return {};
    replay.HasClaim = true;
    replay.Name.assign(confirmed.Name, strnlen(confirmed.Name, kScoreNameSize));
    replay.Score = confirmed.Score;
    SaveEntryReplay(Rules.HiScores, replay);
    return GFourfall::ReplayText(replay);
}

void TWHScore::Confirm()
{
    THiScoreEntry& entry = ShownList(Rules.HiScores)[Rules.GameState.HiScorePos];
    entry.Name[kScoreNameSize - 1] = '\0';
    std::memcpy(Rules.HiScores.PlayerName, entry.Name, kScoreNameSize);
    // The save merges what other copies of the game saved meanwhile, which
    // may move the entry: what is sent is the entry as confirmed.
    const THiScoreEntry confirmed = entry;
    SaveScores(Rules);
    const std::string replay = KeepReplay(confirmed);
    NameSelected = false;
    MarksKnown = false;
    const std::string name(confirmed.Name, strnlen(confirmed.Name, kScoreNameSize));
    const TWorldNameFault fault = WorldNameFault(name);
    if (fault == TWorldNameFault::Blank) {
        // Nobody to put on the world list: the result stays local.
        SetNotice(kNoticeNoName);
    } else if (fault != TWorldNameFault::None) {
        // The server would refuse it (a stored name can hold what typing
        // cannot): the player is told rather than asked.
        SetNotice(kNoticeBadName);
    } else if (Services != nullptr &&
               Services->Ask(Board != nullptr && Board->RecordingRaced() ? kSendRacedQuestion
                                                                         : kSendQuestion)) {
        int32_t online = OnlineType(Rules.HiScores.ShownType);
        // A type the server does not know goes as the classic game, the
        // same number its page address falls back to.
        if (online < 0)
            online = 0;
        // The result goes out in the background (its replay after it): the
        // page stays live and says what became of it.
        // A raced game proves nothing: its replay is not offered for verifying.
        const bool raced = Board != nullptr && Board->RecordingRaced();
        DeliveryRounds = Services->Send(online, name, confirmed.Score, raced ? std::string() : replay);
        AwaitingDelivery = DeliveryRounds != 0;
        if (AwaitingDelivery)
            SetNotice(kNoticeSending);
    }
    Rules.GameState.HiScorePos = -1;
    Invalidate(this);
}

void TWHScore::Paint()
{
    const THiScoreEntry* list = ShownList(Rules.HiScores);
    if (list == nullptr)
        return;
    const bool editing = Editing();
    auto pass = [&](TRect rect, TPoint step, uint32_t colour, auto&& draw) {
        Canvas.GetFont().SetHeight(rect.Height());
        Canvas.SetTextColor(colour);
        for (int32_t r = 0; r < RowCount && r < kScoreEntries && list[r].Score != 0; ++r) {
            draw(r, rect);
            rect = rect.Offset(step);
        }
    };
    pass(RankRect, RankStep, kWhite, [&](int32_t r, const TRect& rect) {
        const std::string text = std::to_string(r + 1);
        Canvas.DrawTextInRect(1, rect, text.c_str());
    });
    // Without the page's picture the names would be black on the dark
    // ground that stands in for it: they get light strips of their own.
    const bool strips = Page != nullptr && !Page->BackgroundCovers(Page->Rect);
    pass(NameRect, NameStep, kBlack, [&](int32_t r, const TRect& rect) {
        if (strips)
            Canvas.FillRect(rect, kStripColour);
        const std::string name(list[r].Name, strnlen(list[r].Name, kScoreNameSize));
        std::string text;
        if (editing && r == Rules.GameState.HiScorePos) {
            // The end of the name, where the typing goes on, stays in view;
            // room for the caret is kept whether it blinks on or off.
            text = TailThatFits(Canvas, name, rect.Width() - kCaretWidth - 1);
            const std::size_t hidden = name.size() - text.size();
            const std::size_t caret = std::min(Caret, name.size());
            const int32_t caretX =
                rect.Left + (caret > hidden ? TextWidth(Canvas, text.substr(0, caret - hidden)) : 0);
            if (NameSelected && !text.empty()) {
                // The offered name, selected: the first letter replaces it.
                Canvas.FillRect(TRect(rect.Left, rect.Top, rect.Left + TextWidth(Canvas, text), rect.Bottom),
                                kBlue);
                Canvas.SetTextColor(kWhite);
            } else {
                Canvas.SetTextColor(kBlue);
            }
            Canvas.DrawTextInRect(-1, rect, TMemStr(text.data(), static_cast<int>(text.size())));
            if (CursorVisible)
                Canvas.FillRect(TRect(caretX, rect.Top + 1, caretX + kCaretWidth, rect.Bottom - 1), kBlue);
            Canvas.SetTextColor(kBlack);
            return;
        }
        // A name too long for its field is cut with an ellipsis; the
        // stored name stays whole.
        text = NameThatFits(Canvas, name, rect.Width());
        Canvas.DrawTextInRect(-1, rect, TMemStr(text.data(), static_cast<int>(text.size())));
        Canvas.SetTextColor(kBlack);
    });
    pass(ScoreRect, ScoreStep, kWhite, [&](int32_t r, const TRect& rect) {
        const std::string text = std::to_string(list[r].Score);
        Canvas.DrawTextInRect(0, rect, text.c_str());
    });
    // A small play mark between the rank and the name of each entry whose
    // game can be watched.
    const uint32_t marks = PlayableMarks();
    for (int32_t r = 0; r < RowCount && r < kScoreEntries && list[r].Score != 0; ++r) {
        if ((marks & (1u << r)) == 0)
            continue;
        const TRect rank = RankRect.Offset(TPoint(RankStep.X * r, RankStep.Y * r));
        const int32_t x = rank.Right + 20;
        const int32_t mid = (rank.Top + rank.Bottom) / 2;
        for (int32_t i = 0; i < 6; ++i)
            Canvas.FillRect(TRect(x + i, mid - 6 + i, x + i + 1, mid + 6 - i), kWhite);
    }
}

void TWHScore::SetNotice(const std::string& text)
{
    Notice = text;
    Invalidate(NoticeView != nullptr ? NoticeView : static_cast<TApp*>(this));
}

void TWNotice::Paint()
{
    if (List == nullptr || List->Notice.empty())
        return;
    Canvas.GetFont().SetHeight(kNoticeHeight);
    Canvas.SetTextColor(kWhite);
    const TRect whole(0, 0, Rect.Width(), Rect.Height());
    Canvas.DrawTextInRect(0, whole, TMemStr(List->Notice.data(), static_cast<int>(List->Notice.size())));
}

} // namespace WFourfall
