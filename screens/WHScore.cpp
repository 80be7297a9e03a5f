#include "screens/WHScore.h"

#include <cstring>
#include <string>

#include "platform/KeyCodes.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/HiScores.h"
#include "rules/ProcessState.h"
#include "screens/WFourfall.h"
#include "store/ReplayFolder.h"
#include "store/ScoreStorage.h"
#include "wlib/Mouse.h"
#include "wlib/ScrPage.h"

namespace WFourfall {

using namespace WLib;
using namespace GFourfall;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0;
constexpr uint32_t kBlue = 0xFF0000;        // 0x00BBGGRR
constexpr char kEllipsis = '\x85';          // "..." as one character of the game's 8-bit set
constexpr uint32_t kStripColour = 0xD8F2FB; // the skin's light name strip, 0x00BBGGRR

// The list of the shown type; null when the stored shown type is no slot.
THiScoreEntry* ShownList()
{
    const int32_t t = HiScores.ShownType;
    if (t < 0 || t >= kScoreTypeSlots)
        return nullptr;
    return HiScores.Entries[t][0];
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
    return HiScores.ShownType == GameState.GameNum && GameState.HiScorePos >= 0 &&
           GameState.HiScorePos < kScoreEntries && ShownList() != nullptr;
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
    if (code == evShown)
        HiScores.ShownType = GameState.GameNum;
    // While a name is typed, its keys are the entry's: Space is a space and
    // Enter confirms; the page's highlight does not move or press anything.
    bool taken = false;
    if (Editing()) {
        char* name = ShownList()[GameState.HiScorePos].Name;
        const size_t length = strnlen(name, kScoreNameSize);
        if (code == evKeyPress && param >= 32 && param <= 255) {
            if (length < static_cast<size_t>(kMaxNameLength)) {
                name[length] = static_cast<char>(param);
                name[length + 1] = '\0';
            }
            Invalidate(this);
        } else if (code == evKeyDown && param == Platform::kVkBack) {
            if (length > 0)
                name[length - 1] = '\0';
            Invalidate(this);
        } else if (code == evKeyDown && (param == Platform::kVkReturn || param == Platform::kVkPadA)) {
            // A gamepad cannot type: its A takes the name as it stands.
            Confirm();
        }
        taken = code == evKeyDown || code == evKeyPress;
    } else if (code == evKeyDown && param >= '1' && param <= '9' && Visible()) {
        taken = WatchEntry(param - '1');
    } else if (code == evMouseUp && MouseStat != nullptr) {
        const int32_t row = RowAt(MouseStat->X - Rect.Left, MouseStat->Y - Rect.Top);
        if (row >= 0)
            WatchEntry(row);
    }
    return TApp::HandleEvent(code, param) || taken;
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

bool TWHScore::WatchEntry(int32_t pos)
{
    GFourfall::TReplay replay;
    if (Board == nullptr || !FindEntryReplay(HiScores.ShownType, pos, replay))
        return false;
    Board->Watch(replay);
    return true;
}

std::string TWHScore::KeepReplay(const THiScoreEntry& confirmed)
{
    // Only the game that made this very entry: its record is complete and
    // ended with the entry's type and score.
    if (Board == nullptr || !Board->RecordingComplete())
        return {};
    GFourfall::TReplay replay = Board->Recording();
    if (replay.GameNum != HiScores.ShownType || GameState.Score != confirmed.Score)
        return {};
    replay.HasClaim = true;
    replay.Name.assign(confirmed.Name, strnlen(confirmed.Name, kScoreNameSize));
    replay.Score = confirmed.Score;
    SaveEntryReplay(replay);
    return GFourfall::ReplayText(replay);
}

void TWHScore::Confirm()
{
    THiScoreEntry& entry = ShownList()[GameState.HiScorePos];
    entry.Name[kScoreNameSize - 1] = '\0';
    std::memcpy(HiScores.PlayerName, entry.Name, kScoreNameSize);
    // The save merges what other copies of the game saved meanwhile, which
    // may move the entry: what is sent is the entry as confirmed.
    const THiScoreEntry confirmed = entry;
    SaveScores();
    const std::string replay = KeepReplay(confirmed);
    if (Services != nullptr && Services->Ask(kSendQuestion)) {
        int32_t online = OnlineType(HiScores.ShownType);
        // A type the server does not know goes as the classic game, the
        // same number its page address falls back to.
        if (online < 0)
            online = 0;
        Services->Send(online, confirmed.Name, confirmed.Score);
        // The server plays the replay again to tell a played result from a
        // typed one.
        if (!replay.empty())
            Services->Upload(replay);
    }
    GameState.HiScorePos = -1;
    Invalidate(this);
}

void TWHScore::Paint()
{
    const THiScoreEntry* list = ShownList();
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
        if (editing && r == GameState.HiScorePos) {
            // The end of the name, where the typing goes on, stays in view;
            // room for the cursor is kept whether it blinks on or off.
            text = TailThatFits(Canvas, name, rect.Width() - TextWidth(Canvas, "_"));
            if (CursorVisible)
                text += '_';
            Canvas.SetTextColor(kBlue);
        } else {
            // A name too long for its field is cut with an ellipsis; the
            // stored name stays whole.
            text = NameThatFits(Canvas, name, rect.Width());
        }
        Canvas.DrawTextInRect(-1, rect, TMemStr(text.data(), static_cast<int>(text.size())));
        Canvas.SetTextColor(kBlack);
    });
    pass(ScoreRect, ScoreStep, kWhite, [&](int32_t r, const TRect& rect) {
        const std::string text = std::to_string(list[r].Score);
        Canvas.DrawTextInRect(0, rect, text.c_str());
    });
    // A small play mark between the rank and the name of each entry whose
    // game can be watched.
    const uint32_t marks = ReplayMarks(HiScores.ShownType);
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

} // namespace WFourfall
