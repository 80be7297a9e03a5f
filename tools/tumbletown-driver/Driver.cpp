#include "tools/tumbletown-driver/Driver.h"

#include <chrono>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/Cp1252.h"
#include "platform/FolderFiles.h"
#include "platform/KeyCodes.h"
#include "platform/OfflineAudioDriver.h"
#include "platform/SettingsStore.h"
#include "platform/desktop/UrlOpener.h"
#include "platform/desktop/YesNoQuestion.h"
#include "platform/hssDriver.h"
#include "rules/AbsFigure.h"
#include "rules/GameState.h"
#include "rules/HiScores.h"
#include "rules/Options.h"
#include "rules/Replay.h"
#include "rules/StateWriter.h"
#include "screens/GamePages.h"
#include "screens/ProcessState.h"
#include "screens/WFourfall.h"
#include "store/ReplayFolder.h"
#include "store/ScoreSubmit.h"
#include "store/SeedSupply.h"
#include "store/WorldReplay.h"
#include "wlib/TestHost.h"

namespace WFourfall {

using namespace WLib;
using namespace GFourfall;

namespace {

constexpr const char* kTakenReply = "HTTP/1.1 200 OK\r\n\r\nstored\n";

// Questions answered from the script, each printed as it is answered: by an
// answer given beforehand, or else in the game's question box, which the
// script then answers with the mouse or keys like a player.
class TDriverQuestion : public Platform::YesNoQuestion {
public:
    explicit TDriverQuestion(std::ostream& out) : Out(out) {}
    std::deque<bool> Answers;
    std::function<bool(const std::string&, Platform::TPreferredAnswer)> InBox;

protected:
    bool AskPreferring(const std::string& question, Platform::TPreferredAnswer preferred) override
    {
        bool yes = false;
        if (!Answers.empty()) {
            yes = Answers.front();
            Answers.pop_front();
        } else if (InBox) {
            yes = InBox(question, preferred);
        }
        Out << "question " << JsonString(question) << (yes ? " yes" : " no") << '\n';
        return yes;
    }

private:
    std::ostream& Out;
};

class TDriverBrowser : public Platform::UrlOpener {
public:
    explicit TDriverBrowser(std::ostream& out) : Out(out) {}
    void Open(const std::string& url) override { Out << "open " << JsonString(url) << '\n'; }

private:
    std::ostream& Out;
};

const char* PageName(const TGamePages& pages)
{
    const TApp* front = pages.LastChild;
    if (front == &pages.MainMenu)
        return "MainMenu";
    if (front == &pages.GameType)
        return "GameType";
    if (front == &pages.MoreGames)
        return "MoreGames";
    if (front == &pages.HighScore)
        return "HighScore";
    if (front == &pages.OptionsPage)
        return "Options";
    if (front == &pages.ControlsPage)
        return "Controls";
    if (front == &pages.SoundPage)
        return "Sound";
    if (front == &pages.Help)
        return "Help";
    if (front == &pages.Play)
        return "Play";
    return "none";
}

void WriteScreen(std::ostream& out, const TGamePages& pages, const TTestHost& host)
{
    int visiblePages = 0;
    for (const TApp* a = pages.FirstChild; a != nullptr; a = a->Next)
        if (a->Kind == TApp::kindPage && a->Visible())
            ++visiblePages;
    out << "{\"page\":\"" << PageName(pages) << "\",\"visiblePages\":" << visiblePages
        << ",\"shownType\":" << pages.Rules.HiScores.ShownType << ",\"playerName\":"
        << JsonString(std::string(pages.Rules.HiScores.PlayerName,
                                  strnlen(pages.Rules.HiScores.PlayerName, kScoreNameSize)));
    const TText& help = pages.Help.Text;
    out << ",\"help\":{\"offset\":" << help.ScrollY << ",\"lineHeight\":" << help.Layout.LineHeight
        << ",\"total\":" << help.Layout.ExtentY << ",\"visible\":" << help.Rect.Height() << '}';
    out << ",\"description\":" << JsonString(pages.GameType.Description.Layout.Text.Text());
    out << ",\"moreDescription\":" << JsonString(pages.MoreGames.Description.Layout.Text.Text())
        << ",\"demo\":" << pages.MoreGames.Demo.GameNum;
    out << ",\"optionMarks\":[";
    for (int i = 0; i < TOptionsPage::kButtonCount; ++i)
        out << (i ? "," : "") << int(pages.OptionsPage.Buttons[i].Selected);
    out << "],\"shadowMarks\":[";
    for (int i = 0; i < kOptionsShadowButtonCount; ++i)
        out << (i ? "," : "") << int(pages.OptionsPage.ShadowButtons[i].Selected);
    out << "],\"tabs\":[";
    for (int i = 0; i < 4; ++i)
        out << (i ? "," : "") << int(pages.HighScore.Buttons[i].Selected);
    out << "],\"moreTabs\":[";
    for (int i = 0; i < kHighScoreMoreTabCount; ++i)
        out << (i ? "," : "") << int(pages.HighScore.MoreTabs[i].Selected);
    // The entries of the shown list, up to the first empty one.
    out << "],\"list\":[";
    const int32_t shown = pages.Rules.HiScores.ShownType;
    for (int i = 0; shown >= 0 && shown < kScoreTypeSlots && i < kScoreEntries; ++i) {
        const THiScoreEntry& e = pages.Rules.HiScores.Entries[shown][0][i];
        if (e.Score == 0)
            break;
        out << (i ? "," : "")
            << "{\"name\":" << JsonString(std::string(e.Name, strnlen(e.Name, kScoreNameSize)))
            << ",\"score\":" << e.Score << '}';
    }
    const TTimer& fall = pages.Play.Board.FallTimer;
    out << "],\"fallTimer\":"
        << (fall.PlatformTimer != nullptr && host.TimerRunning(fall.PlatformTimer)
                ? host.TimerPeriod(fall.PlatformTimer)
                : 0);
    out << ",\"paused\":" << (pages.Play.Board.IsPaused() ? 1 : 0);
    out << ",\"watching\":" << (pages.Play.Board.IsWatching() ? 1 : 0)
        << ",\"watchSpeed\":" << pages.Play.Board.WatchSpeed();
    // The race: the ghost's game beside the player's.
    const TWFourfall& board = pages.Play.Board;
    out << ",\"racing\":" << (board.Racing() ? 1 : 0);
    if (board.Racing()) {
        const TGameState& g = board.RacedGhost().State().GameState;
        out << ",\"ghost\":{\"score\":" << g.Score << ",\"lines\":" << g.LinesLeft
            << ",\"over\":" << (board.RacedGhost().Over() ? 1 : 0)
            << ",\"final\":" << board.RacedGhost().FinalScore()
            << ",\"steps\":" << board.RacedGhost().StepsDone()
            << ",\"seed\":" << board.RacedGhost().Replay().Seed << '}';
        if (board.Rules.GameState.Status == kStatusGameOver && board.RecordingRaced())
            out << ",\"raceResult\":"
                << JsonString(RaceResultLine(board.Rules.GameState.Score, board.RacedGhost().FinalScore()));
    }
    out << ",\"music\":{\"playing\":" << (pages.Music.IsPlaying() ? 1 : 0)
        << ",\"nextFile\":" << pages.Music.NextFile << '}';
    out << ",\"question\":"
        << JsonString(pages.QuestionBox.IsOpen() ? pages.QuestionBox.Text.Layout.Text.Text() : "");
    out << ",\"notice\":" << JsonString(pages.HighScore.List.Notice);
    // The token of the seed the server dealt for the last game started.
    out << ",\"token\":" << JsonString(pages.Play.Board.DealtToken());
    const TWHScore& list = pages.HighScore.List;
    out << ",\"nameSelected\":" << (list.NameSelected ? 1 : 0) << ",\"caret\":" << list.Caret
        << ",\"marks\":" << list.PlayableMarks();
    // The controls page: each action with its key, the action waiting for
    // a key (-1: none) and the key repeat.
    const TControlsPage& controls = pages.ControlsPage;
    out << ",\"controls\":{\"keys\":[";
    for (int a = 0; a < kControlsActionCount; ++a)
        out << (a ? "," : "") << "{\"action\":" << JsonString(controls.Rows[a].Caption)
            << ",\"key\":" << JsonString(controls.Rows[a].KeyText) << ",\"code\":" << pages.Controls.Keys[a]
            << '}';
    out << "],\"waiting\":" << static_cast<int>(controls.Waiting())
        << ",\"repeatDelay\":" << pages.Controls.RepeatDelayMs
        << ",\"repeatRate\":" << pages.Controls.RepeatRateMs << '}';
    out << ",\"options\":{\"ZPlayMusic\":" << pages.Rules.Options.ZPlayMusic
        << ",\"ZPlaySound\":" << pages.Rules.Options.ZPlaySound
        << ",\"BackRound\":" << pages.Rules.Options.BackRound
        << ",\"ZNextFig\":" << pages.Rules.Options.ZNextFig << ",\"ZShadow\":" << pages.Rules.Options.ZShadow
        << "}}\n";
}

bool ParseInt(const std::string& text, int64_t& value)
{
    if (text.empty())
        return false;
    std::size_t used = 0;
    try {
        value = std::stoll(text, &used, 0);
    } catch (...) {
        return false;
    }
    return used == text.size();
}

bool ParseKey(const std::string& text, int32_t& key)
{
    if (const int32_t named = Platform::VirtualKeyFromName(text)) {
        key = named;
        return true;
    }
    int64_t v = 0;
    if (!ParseInt(text, v) || v < 0 || v > 255)
        return false;
    key = static_cast<int32_t>(v);
    return true;
}

} // namespace

int RunDriver(const TDriverSetup& setup, std::istream& script, std::ostream& out, std::ostream& err)
{
    Platform::TSettingsFileStore store(setup.StoreFolder);
    TProcessScope process(&store, TOfflineAudioDriver::Factory(), setup.Seed, setup.StoreFolder + "/replays");
    TDriverQuestion question(out);
    TDriverBrowser browser(out);

    // The host outlives the page set: every element draws on its surface.
    TTestHost host;
    auto pages = std::make_unique<TGamePages>();
    pages->Services.DataFolder = setup.DataFolder;
    pages->Services.Question = &question;
    pages->Services.Browser = &browser;
    pages->Services.DataProblem = [&err](const std::string& line) { err << "tumbletown: " << line << '\n'; };
    // The real submission, up to the socket (and through it with Send): what
    // it sends is printed. It runs on the delivery's thread: its lines wait
    // for the script's thread, which prints them after each command.
    std::mutex sentLock;
    std::string sentLines;
    SetHttpExchange(
        [&sentLock, &sentLines, &setup](uint16_t port, const std::string& host, const std::string& request) {
            auto print = [&](const std::string& line) {
                std::lock_guard<std::mutex> hold(sentLock);
                sentLines += line;
            };
            // A seed asked for ahead of a game is told apart from a result.
            const bool seed = request.rfind(std::string("GET ") + kSeedRequestPath, 0) == 0;
            print((seed ? "seed " : "request ") + host + ':' + std::to_string(port) + ' ' +
                  JsonString(request) + '\n');
            // Without Send the driver stands for a server that takes every
            // result and deals no seed.
            if (!setup.Send)
                return std::string(seed ? "" : kTakenReply);
            // Room for a replay fetched to race it; every other reply is small.
            TExchangeLimits limits;
            limits.MaxReply = kMaxWorldReplayReply;
            std::string reply = ExchangeHttp(port, host, request.data(), request.size(), limits);
            print((seed ? "seed-reply " : "reply ") + JsonString(reply) + '\n');
            return reply;
        });
    auto printSent = [&] {
        std::lock_guard<std::mutex> hold(sentLock);
        out << sentLines;
        sentLines.clear();
    };
    // Declared after the page set: destroyed first, its thread ended.
    TScoreDelivery delivery;
    pages->Services.Delivery = &delivery;
    TSeedSupply seeds;
    pages->Services.Seeds = &seeds;
    TWorldReplayFetch worldReplays;
    pages->Services.WorldReplays = &worldReplays;
    host.Attach(*pages);
    pages->InitPages();
    host.Start();
    host.PaintPending();

    std::string line;
    int lineNumber = 0;
    int status = kDriverOk;
    int32_t keyInFlight = 0; // the key whose press is being handled
    auto bad = [&](const char* why) {
        err << "tumbletown-driver: line " << lineNumber << ": " << why << ": " << line << '\n';
        return kDriverBadScript;
    };
    // Runs script lines until done() (never, for the script itself), the
    // script's end, a bad line or the game's close.
    std::function<int(const std::function<bool()>&)> runLines;
    runLines = [&](const std::function<bool()>& done) {
        while (!done() && host.CloseRequests() == 0 && std::getline(script, line)) {
            ++lineNumber;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            std::istringstream words(line);
            std::string command;
            if (!(words >> command) || command[0] == '#')
                continue;
            std::string a, b;
            words >> a >> b;
            int64_t x = 0, y = 0;
            const bool point = ParseInt(a, x) && ParseInt(b, y);
            int32_t key = 0;
            if (command == "move" || command == "press" || command == "release" || command == "click") {
                if (!point)
                    return bad("needs X Y");
                const int32_t px = static_cast<int32_t>(x), py = static_cast<int32_t>(y);
                if (command == "move" || command == "click")
                    pages->MouseMove(px, py);
                if (command == "press" || command == "click")
                    pages->MouseDown(px, py, 1);
                if (command == "release" || command == "click")
                    pages->MouseUp(px, py, 1);
            } else if (command == "keydown" || command == "keyup" || command == "key") {
                if (!ParseKey(a, key))
                    return bad("needs a key");
                if (command != "keyup") {
                    keyInFlight = command == "key" ? key : 0;
                    pages->KeyDown(key);
                }
                // A question box that the press opened has had the release.
                const bool released = command == "key" && keyInFlight == 0;
                keyInFlight = 0;
                if (command != "keydown" && !released && host.CloseRequests() == 0)
                    pages->KeyUp(key);
            } else if (command == "type") {
                const std::size_t at = line.find("type") + 4;
                std::string text = at < line.size() ? line.substr(at + 1) : std::string();
                for (char c : Platform::Utf8ToCp1252(text))
                    if (host.CloseRequests() == 0)
                        pages->KeyPress(static_cast<uint8_t>(c));
            } else if (command == "advance") {
                if (!ParseInt(a, x) || x < 0)
                    return bad("needs milliseconds");
                host.Advance(x);
            } else if (command == "answer") {
                if (a != "yes" && a != "no")
                    return bad("needs yes or no");
                question.Answers.push_back(a == "yes");
            } else if (command == "screenshot") {
                if (a.empty())
                    return bad("needs a file name");
                host.Paint();
                if (!host.SavePng(a.c_str()))
                    err << "tumbletown-driver: cannot write " << a << '\n';
            } else if (command == "tree") {
                out << TApp::DumpTree(pages.get(), "", "\n").Text() << '\n';
            } else if (command == "record") {
                if (a.empty())
                    return bad("needs a file name");
                std::ofstream file(a, std::ios::binary);
                file << ReplayText(pages->Play.Board.Recording());
                if (!file.flush())
                    err << "tumbletown-driver: cannot write " << a << '\n';
            } else if (command == "watch") {
                std::string why;
                if (a.empty())
                    return bad("needs a file name");
                if (!pages->WatchFile(a, why))
                    out << "refused " << JsonString(why) << '\n';
            } else if (command == "replays") {
                out << "replays [";
                const std::vector<std::string> names = Platform::FolderEntries(ReplayFolder());
                for (std::size_t i = 0; i < names.size(); ++i)
                    out << (i ? "," : "") << JsonString(names[i]);
                out << "]\n";
            } else if (command == "seeds") {
                seeds.WaitIdle();
            } else if (command == "pace") {
                // The clock is virtual, a server's is not: as long in real
                // time as the last game took in play.
                const TReplay& last = pages->Play.Board.Recording();
                const uint32_t played = last.Steps.empty() ? 0 : last.Steps.back().TimeMs;
                std::this_thread::sleep_for(std::chrono::milliseconds(played));
            } else if (command == "sent") {
                delivery.WaitIdle();
                pages->HighScore.List.FollowDelivery();
            } else if (command == "fetched") {
                worldReplays.Wait();
                pages->HighScore.List.FollowWorldRace();
                // A race it started has brought the play page forward.
                pages->Events.ProcessEvents();
            } else if (command == "state") {
                WriteStateJson(out, pages->Rules.GameState, pages->Rules.HiScores);
            } else if (command == "screen") {
                WriteScreen(out, *pages, host);
            } else {
                return bad("unknown command");
            }
            host.PaintPending();
            printSent();
            // A process feeding the script line by line reads each answer as it comes.
            out.flush();
            if (status != kDriverOk)
                return status;
        }
        return kDriverOk;
    };
    // A question without an answer given beforehand: the box shows, and the
    // next lines of the script answer it (No if the script ends first).
    question.InBox = [&](const std::string& text, Platform::TPreferredAnswer preferred) {
        TQuestionBox& box = pages->QuestionBox;
        if (!box.Open(pages.get(), text, preferred))
            return false;
        if (keyInFlight != 0) {
            pages->KeyUp(keyInFlight);
            keyInFlight = 0;
        }
        pages->Events.ProcessEvents();
        host.PaintPending();
        out.flush();
        const int got = runLines([&box] { return box.Answer() != TQuestionBox::Waiting; });
        if (got != kDriverOk)
            status = got;
        const bool yes = box.Answer() == TQuestionBox::AnsweredYes;
        box.Close();
        pages->Events.ProcessEvents();
        return yes;
    };
    const int result = runLines([] { return false; });
    // What went to the server is printed before the driver ends.
    delivery.WaitIdle();
    printSent();
    if (result != kDriverOk)
        return result;
    if (status != kDriverOk)
        return status;
    if (host.CloseRequests() != 0)
        out << "closed\n";
    return kDriverOk;
}

} // namespace WFourfall
