// The game end to end through the headless driver: start-up, navigation,
// games of every offered type, high-score entry and submission, options,
// help, pausing and quitting.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/desktop/PngFile.h"
#include "rules/StateWriter.h"
#include "screens/WHScore.h"
#include "screens/layout/PageLayout.h"
#include "store/ScoreSubmit.h"
#include "tests/platform/PictureFolder.h"
#include "tests/screens/Fixtures.h"
#include "tests/tools/loopback/LoopbackListener.h"
#include "tools/loopback/LoopbackPort.h"
#include "tools/tumbletown-driver/Driver.h"

namespace WFourfall {
namespace {

using namespace Test;

// A band 40 pixels high across the middle of the board, where "GAME OVER" and
// "PAUSE" are written.
TBox MiddleOfTheBoard()
{
    return {kPlayBoard.X, kPlayBoard.Y + kPlayBoard.H / 2 - 20, kPlayBoard.W, 40};
}

constexpr const char* kServer = "scores.example.test";

struct TRun {
    int Status = -1;
    std::vector<std::string> Lines;
    std::string Errors;
    std::string Store;

    // The lines starting with prefix.
    std::vector<std::string> Starting(const std::string& prefix) const
    {
        std::vector<std::string> found;
        for (const std::string& l : Lines)
            if (l.rfind(prefix, 0) == 0)
                found.push_back(l);
        return found;
    }
    std::string StoreFile() const
    {
        std::ifstream in(Store + "/settings.reg", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("TUMBLETOWN_SCORE_SERVER", kServer, 1); }

    // Runs the script on the fixture data with a fresh store (or the given one).
    TRun Run(const std::string& script, std::string store = {}, std::string data = {}, bool send = false)
    {
        TRun run;
        run.Store = store.empty() ? FreshFolder("store") : store;
        TDriverSetup setup;
        setup.DataFolder = data.empty() ? Data.Path() : data;
        setup.StoreFolder = run.Store;
        setup.Seed = 7;
        setup.Send = send;
        std::istringstream in(script);
        std::ostringstream out, err;
        run.Status = RunDriver(setup, in, out, err);
        std::istringstream lines(out.str());
        for (std::string l; std::getline(lines, l);)
            run.Lines.push_back(l);
        run.Errors = err.str();
        return run;
    }
    // A new empty folder, removed with the fixture.
    std::string FreshFolder(const char* tag)
    {
        Folders.push_back(std::make_unique<TestSupport::TempFolder>(tag));
        return Folders.back()->Path();
    }

    TFixtureData Data;
    std::vector<std::unique_ptr<TestSupport::TempFolder>> Folders;
    // Screenshots the test looks at; kept in the build folder when it fails.
    TestSupport::PictureFolder Shots;
};

// The value of "name": in a JSON line (up to the next comma or brace).
std::string Field(const std::string& line, const std::string& name)
{
    const std::string key = "\"" + name + "\":";
    const std::size_t at = line.find(key);
    if (at == std::string::npos)
        return "<missing " + name + ">";
    std::size_t begin = at + key.size();
    std::size_t end = begin;
    if (line[begin] == '"') {
        end = line.find('"', begin + 1);
        return line.substr(begin + 1, end - begin - 1);
    }
    if (line[begin] == '[')
        return line.substr(begin, line.find(']', begin) - begin + 1);
    while (end < line.size() && line[end] != ',' && line[end] != '}')
        ++end;
    return line.substr(begin, end - begin);
}

int IntField(const std::string& line, const std::string& name)
{
    return std::atoi(Field(line, name).c_str());
}

// Centres of the buttons, in window pixels.
struct TPoint {
    int X, Y;
};
std::string Click(TPoint p)
{
    return "click " + std::to_string(p.X) + " " + std::to_string(p.Y) + "\n";
}
constexpr TPoint kMenuPlay{402, 159}, kMenuOptions{402, 229}, kMenuScores{402, 300}, kMenuHelp{402, 370},
    kMenuExit{402, 440};
constexpr TPoint kGameButtons[4] = {{402, 213}, {402, 280}, {402, 347}, {402, 414}};
constexpr TPoint kGameTypeBack{400, 508}, kOptionsBack{400, 508}, kScoresBack{691, 509}, kHelpBack{635, 510},
    kPlayBack{133, 564};
constexpr TPoint kHelpUp{147, 505}, kHelpDown{273, 505};
constexpr TPoint kScoresClear{140, 509}, kScoresWorld{429, 509};
constexpr TPoint Centre(TBox b, TBox within = {})
{
    return {within.X + b.X + b.W / 2, within.Y + b.Y + b.H / 2};
}
constexpr TPoint kTabs[4] = {Centre(kHighScoreButtons[0]), Centre(kHighScoreButtons[1]),
                             Centre(kHighScoreButtons[2]), Centre(kHighScoreButtons[3])};

// Drops figures until the game is over (a drop lays the figure on the
// stack, the next tick lands it).
std::string PlayToTheEnd()
{
    std::string s;
    for (int i = 0; i < 120; ++i)
        s += "key Down\nadvance 1000\n";
    return s;
}

// Fills the store folder: the lists of the four offered types full of high
// results, so that a game ends on the play screen.
std::string StoreWithFullTables(const std::string& store)
{
    std::ofstream out(store + "/settings.reg", std::ios::binary);
    out << "[HKEY_CURRENT_USER\\Software\\Kestrovan\\Grand Fourfall\\Score]\n";
    for (int type : {0, 1, 4, 8})
        for (int p = 0; p < 9; ++p)
            out << "\"" << type << "_0_" << p << "_Name\"=\"Best\"\n"
                << "\"" << type << "_0_" << p << "_Score\"=dword:000f4240\n";
    return store;
}

struct TPicture {
    Platform::Bitmap* Bitmap = nullptr;
    explicit TPicture(const std::string& path) : Bitmap(Platform::LoadPngFile(path.c_str())) {}
    ~TPicture() { Platform::DeleteBitmap(Bitmap); }
    uint16_t At(int x, int y) const { return Bitmap->Pixel(x, y); }
    // Pixels near colour inside the rectangle.
    int Count(int left, int top, int right, int bottom, TRgb colour) const
    {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                n += Near565(At(x, y), colour) ? 1 : 0;
        return n;
    }
};

constexpr TRgb kTextColour{238, 253, 220}; // "GAME OVER", "PAUSE" and the score panel

TEST_F(DriverTest, StartUpShowsTheMainMenuAlone)
{
    const std::string shot = Shots.File("menu.png");
    TRun run = Run("screen\nscreenshot " + shot + "\n");
    ASSERT_EQ(run.Status, kDriverOk) << run.Errors;
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(Field(screens[0], "page"), "MainMenu");
    EXPECT_EQ(IntField(screens[0], "visiblePages"), 1);
    TPicture picture(shot);
    ASSERT_NE(picture.Bitmap, nullptr);
    EXPECT_EQ(picture.At(20, 20), Data.SkinPixel("Menu", 20, 20));
    // The building of the options page saves the options once.
    EXPECT_NE(run.StoreFile().find("\"ZPlaySound\"=dword:00000001"), std::string::npos);
}

struct TRoute {
    const char* Name;
    TPoint MenuButton;
    const char* Page;
    TPoint Back;
};
void PrintTo(const TRoute& r, std::ostream* os)
{
    *os << r.Name;
}

class MenuRoutes : public DriverTest, public ::testing::WithParamInterface<TRoute> {};

TEST_P(MenuRoutes, ButtonLeadsToItsPageAndBack)
{
    const TRoute& r = GetParam();
    TRun run = Run(Click(r.MenuButton) + "screen\n" + Click(r.Back) + "screen\n");
    ASSERT_EQ(run.Status, kDriverOk) << run.Errors;
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(Field(screens[0], "page"), r.Page);
    EXPECT_EQ(IntField(screens[0], "visiblePages"), 1);
    EXPECT_EQ(Field(screens[1], "page"), "MainMenu");
    EXPECT_EQ(IntField(screens[1], "visiblePages"), 1);
}

INSTANTIATE_TEST_SUITE_P(Wiring, MenuRoutes,
                         ::testing::Values(TRoute{"game", kMenuPlay, "GameType", kGameTypeBack},
                                           TRoute{"options", kMenuOptions, "Options", kOptionsBack},
                                           TRoute{"scores", kMenuScores, "HighScore", kScoresBack},
                                           TRoute{"help", kMenuHelp, "Help", kHelpBack}),
                         [](const auto& info) { return std::string(info.param.Name); });

// No mouse at all: the keys light and press the buttons of every page, go
// back with Escape, and end the game through the exit button.
TEST_F(DriverTest, KeysAloneVisitEveryPageAndQuit)
{
    const std::string script = "key Down\nkey Enter\nscreen\n"             // New Game
                               "key Escape\nscreen\n"                      // back, New Game still lit
                               "key Down\nkey Enter\nscreen\n"             // Options
                               "key Up\nkey Up\nkey Enter\nscreen\n"       // round to Controls
                               "key Down\nkey Enter\nscreen\n"             // Move Left waits
                               "key Escape\nscreen\n"                      // the wait ends, the page stays
                               "key Enter\nkey A\nscreen\n"                // A moves left
                               "key Escape\nscreen\n"                      // back to Options
                               "key Escape\nkey Down\nkey Enter\nscreen\n" // High Scores
                               "key Escape\nkey Down\nkey Space\nscreen\n" // Help
                               "key Escape\nkey Up\nkey Up\nkey Up\nkey Enter\nscreen\n"
                               "key Up\nkey Up\nkey Enter\nscreen\n" // round to More Games
                               "key Escape\nscreen\n"
                               "key PadDown\nkey PadA\nscreen\n"            // the first game type, by pad
                               "answer yes\nkey Left\nkey Escape\nscreen\n" // leave the game
                               "key Up\nkey Enter\nscreen\n";               // from New Game round to Exit
    TRun run = Run(script);
    ASSERT_EQ(run.Status, kDriverOk) << run.Errors;
    std::vector<std::string> pages;
    for (const std::string& line : run.Starting("{\"page\""))
        pages.push_back(Field(line, "page"));
    EXPECT_EQ(pages, (std::vector<std::string>{"GameType", "MainMenu", "Options", "Controls", "Controls",
                                               "Controls", "Controls", "Options", "HighScore", "Help",
                                               "GameType", "MoreGames", "GameType", "Play", "MainMenu"}));
    EXPECT_EQ(run.Starting("closed").size(), 1u);
    const std::vector<std::string> screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), pages.size());
    EXPECT_EQ(IntField(screens[3], "waiting"), -1);
    EXPECT_EQ(IntField(screens[4], "waiting"), 0) << "Move Left waits for its key";
    EXPECT_EQ(IntField(screens[5], "waiting"), -1);
    const std::string leftWasLeft = "{\"action\":\"Move Left\",\"key\":\"Left\",\"code\":37}";
    EXPECT_NE(screens[5].find(leftWasLeft), std::string::npos) << "Escape chose nothing";
    EXPECT_NE(screens[6].find("{\"action\":\"Move Left\",\"key\":\"A\",\"code\":65}"), std::string::npos)
        << screens[6];
    EXPECT_NE(run.StoreFile().find("\"KeyLeft\"=dword:00000041"), std::string::npos);
}

// The controls page by the mouse: the screen tells which action waits; the
// key chosen is in the settings file and the next start shows it, with the
// repeat changed alike.
TEST_F(DriverTest, ControlsPageChoosesKeysKeptInTheSettingsFile)
{
    const std::string open = Click(kMenuOptions) + Click(Centre(kOptionsControls));
    TRun run = Run(open + "screen\n" + Click(Centre(kControlsActions[1])) + "screen\nkey D\n" +
                   Click(Centre(kControlsRepeatUp[0])) + "screen\n");
    ASSERT_EQ(run.Status, kDriverOk) << run.Errors;
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 3u);
    EXPECT_EQ(Field(screens[0], "page"), "Controls");
    EXPECT_EQ(IntField(screens[0], "repeatDelay"), 170);
    EXPECT_EQ(IntField(screens[0], "repeatRate"), 50);
    EXPECT_EQ(IntField(screens[1], "waiting"), 1);
    EXPECT_EQ(IntField(screens[2], "waiting"), -1);
    EXPECT_NE(screens[2].find("{\"action\":\"Move Right\",\"key\":\"D\",\"code\":68}"), std::string::npos);
    EXPECT_EQ(IntField(screens[2], "repeatDelay"), 200);
    const std::string file = run.StoreFile();
    EXPECT_NE(file.find("\"KeyRight\"=dword:00000044"), std::string::npos) << file;
    EXPECT_NE(file.find("\"RepeatDelay\"=dword:000000c8"), std::string::npos) << file;

    TRun again = Run(open + "screen\n", run.Store);
    auto later = again.Starting("{\"page\"");
    ASSERT_EQ(later.size(), 1u);
    EXPECT_NE(later[0].find("{\"action\":\"Move Right\",\"key\":\"D\",\"code\":68}"), std::string::npos)
        << later[0];
    EXPECT_EQ(IntField(later[0], "repeatDelay"), 200);
}

TEST_F(DriverTest, ExitButtonClosesAndEndsTheScript)
{
    TRun run = Run(Click(kMenuExit) + "screen\n");
    ASSERT_EQ(run.Status, kDriverOk);
    ASSERT_EQ(run.Lines.size(), 1u);
    EXPECT_EQ(run.Lines[0], "closed");
}

TEST_F(DriverTest, PressingAGameButtonAndReleasingOutsideStartsNothing)
{
    TRun run = Run(Click(kMenuPlay) + "move 402 213\npress 402 213\nmove 100 100\nrelease 100 100\nscreen\n");
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(Field(screens[0], "page"), "GameType");
}

TEST_F(DriverTest, PointerOverAGameButtonShowsItsDescriptionAndLeavingKeepsIt)
{
    TRun run = Run(Click(kMenuPlay) + "move 402 280\nmove 400 508\nscreen\n");
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(
        Field(screens[0], "description").rfind("                   Fivefall\\u000a\\u000a    Fivefall is", 0),
        0u)
        << screens[0];
}

struct TGameCase {
    int Button;
    int GameNum;
};
void PrintTo(const TGameCase& c, std::ostream* os)
{
    *os << "button " << c.Button + 1 << " game " << c.GameNum;
}

class OfferedGames : public DriverTest, public ::testing::WithParamInterface<TGameCase> {};

TEST_P(OfferedGames, StartsRunsUnderKeysAndClockAndEndsInGameOver)
{
    const TGameCase& c = GetParam();
    const std::string dir = Shots.Path();
    TRun run =
        Run(Click(kMenuPlay) + Click(kGameButtons[c.Button]) + "screen\nstate\nadvance 1000\nstate\n" +
                "key Left\nstate\nscreenshot " + dir + "/playing.png\n" + PlayToTheEnd() + "screen\nstate\n" +
                "screenshot " + dir + "/over.png\n" + Click(kPlayBack) + "screen\n",
            StoreWithFullTables(FreshFolder("store")));
    ASSERT_EQ(run.Status, kDriverOk) << run.Errors;
    auto screens = run.Starting("{\"page\"");
    auto states = run.Starting("{\"status\"");
    ASSERT_EQ(screens.size(), 3u);
    ASSERT_EQ(states.size(), 4u);
    EXPECT_EQ(Field(screens[0], "page"), "Play");
    EXPECT_EQ(IntField(screens[0], "fallTimer"), 1000);
    EXPECT_EQ(IntField(states[0], "status"), 1);
    EXPECT_EQ(IntField(states[0], "gameNum"), c.GameNum);
    // The clock moves the figure down one row a second; Left moves it left.
    const std::string cur0 = states[0].substr(states[0].find("\"cur\""));
    const std::string cur1 = states[1].substr(states[1].find("\"cur\""));
    const std::string cur2 = states[2].substr(states[2].find("\"cur\""));
    EXPECT_EQ(IntField(cur1, "y"), IntField(cur0, "y") + 1);
    EXPECT_EQ(IntField(cur2, "x"), IntField(cur1, "x") - 1);
    // Over, on the play screen, with the text over the board.
    EXPECT_EQ(IntField(states[3], "status"), 2);
    EXPECT_EQ(Field(screens[1], "page"), "Play");
    TPicture playing(dir + "/playing.png"), over(dir + "/over.png");
    ASSERT_NE(over.Bitmap, nullptr);
    const TBox band = MiddleOfTheBoard();
    EXPECT_EQ(playing.Count(band.X, band.Y, band.Right(), band.Bottom(), kTextColour), 0);
    EXPECT_GT(over.Count(band.X, band.Y, band.Right(), band.Bottom(), kTextColour), 100);
    // The play screen's button leads back to the menu and stops the timer.
    EXPECT_EQ(Field(screens[2], "page"), "MainMenu");
    EXPECT_EQ(IntField(screens[2], "fallTimer"), 0);
}

INSTANTIATE_TEST_SUITE_P(FourTypes, OfferedGames,
                         ::testing::Values(TGameCase{0, 0}, TGameCase{1, 1}, TGameCase{2, 8},
                                           TGameCase{3, 4}));

TEST_F(DriverTest, AResultThatEntersTheTableIsNamedSavedAndSentAfterYes)
{
    std::string script = Click(kMenuPlay) + Click(kGameButtons[0]) + PlayToTheEnd() + "screen\nstate\n";
    for (int i = 0; i < 9; ++i)
        script += "key Backspace\n"; // "Anonymous" is offered as the name
    script += "type Zed\nkey Backspace\ntype x\nanswer yes\nkey Enter\nscreen\nstate\n";
    TRun run = Run(script);
    ASSERT_EQ(run.Status, kDriverOk) << run.Errors;
    auto screens = run.Starting("{\"page\"");
    auto states = run.Starting("{\"status\"");
    ASSERT_EQ(screens.size(), 2u);
    ASSERT_EQ(states.size(), 2u);
    EXPECT_EQ(Field(screens[0], "page"), "HighScore");
    EXPECT_EQ(IntField(screens[0], "shownType"), 0);
    EXPECT_EQ(Field(screens[0], "tabs"), "[1,0,0,0]");
    EXPECT_EQ(IntField(states[0], "status"), 2);
    EXPECT_EQ(IntField(states[0], "hiScorePos"), 0);
    const int score = IntField(states[0], "score");
    ASSERT_GT(score, 0);

    auto questions = run.Starting("question ");
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], "question \"Send the result to World's Highscores page?\" yes");
    // The result, then the replay of its game to the same server.
    auto requests = run.Starting("request ");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], std::string("request ") + kServer + ":80 " +
                               GFourfall::JsonString(BuildScoreRequest(0, "Zex", score, kServer)));
    // JSON text without its closing quote.
    const auto open = [](const std::string& text) {
        const std::string json = GFourfall::JsonString(text);
        return json.substr(0, json.size() - 1);
    };
    const std::string upload =
        std::string("request ") + kServer + ":80 " + open("POST /api/v1/replays HTTP/1.0\r\n");
    EXPECT_EQ(requests[1].compare(0, upload.size(), upload), 0) << requests[1];
    const std::string claim = open("\n# name Zex\n# score " + std::to_string(score) + "\nseed ").substr(1);
    EXPECT_NE(requests[1].find(claim), std::string::npos) << requests[1];
    EXPECT_EQ(IntField(states[1], "hiScorePos"), -1);
    EXPECT_EQ(Field(screens[1], "playerName"), "Zex");
    const std::string stored = run.StoreFile();
    EXPECT_NE(stored.find("\"LastUserName\"=\"Zex\""), std::string::npos) << stored;
    EXPECT_NE(stored.find("\"0_0_0_Name\"=\"Zex\""), std::string::npos);
}

TEST_F(DriverTest, AnsweringNoKeepsTheNameAndSendsNothing)
{
    std::string script = Click(kMenuPlay) + Click(kGameButtons[0]) + PlayToTheEnd() +
                         "key End\ntype !\nanswer no\nkey Enter\n" + "key Enter\nscreen\n";
    TRun run = Run(script);
    EXPECT_EQ(run.Starting("question ").size(), 1u); // the second Enter edits nothing
    EXPECT_TRUE(run.Starting("request ").empty());
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(Field(screens[0], "playerName"), "Anonymous!");
    EXPECT_NE(run.StoreFile().find("\"0_0_0_Name\"=\"Anonymous!\""), std::string::npos);
}

TEST_F(DriverTest, NameStopsGrowingAt59Characters)
{
    std::string script = Click(kMenuPlay) + Click(kGameButtons[0]) + PlayToTheEnd() + "type " +
                         std::string(60, 'y') + "\nkey Enter\nscreen\n";
    TRun run = Run(script);
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 1u);
    // The first one replaced the offered name.
    EXPECT_EQ(Field(screens[0], "playerName"), std::string(59, 'y'));
}

TEST_F(DriverTest, AnOpenEntryTakesTypingFromAnyPageAndOnlyOnItsOwnTab)
{
    std::string script = Click(kMenuPlay) + Click(kGameButtons[0]) + PlayToTheEnd() + Click(kTabs[1]) +
                         "type 1\nkey Enter\n" + Click(kTabs[0]) + "type 2\n" + Click(kScoresBack) +
                         "type 3\nanswer no\nkey Enter\nscreen\n";
    TRun run = Run(script);
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(Field(screens[0], "page"), "MainMenu");
    // The five-cell tab neither took "1" nor Enter; "2" replaced the offered
    // name, the main menu took "3" and the Enter that asked.
    EXPECT_EQ(Field(screens[0], "playerName"), "23");
    EXPECT_EQ(run.Starting("question ").size(), 1u);
}

TEST_F(DriverTest, TabsSwitchTheListAndTheWorldPageFollowsTheTab)
{
    TRun run = Run(Click(kMenuScores) + Click(kTabs[2]) + "screen\n" + Click(kScoresWorld) + Click(kTabs[3]) +
                   Click(kScoresWorld) + Click(kTabs[0]) + Click(kScoresWorld));
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(IntField(screens[0], "shownType"), 8);
    EXPECT_EQ(Field(screens[0], "tabs"), "[0,0,1,0]");
    auto opened = run.Starting("open ");
    const std::string base =
        std::string("open \"http://") + kServer + "/cgi/version.pl?prg=Tumbltwn&show&type=";
    // A server the player named: its verified view.
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0], base + "2&verified\"");
    EXPECT_EQ(opened[1], base + "3&verified\"");
    EXPECT_EQ(opened[2], base + "0&verified\"");
}

TEST_F(DriverTest, ClearAsksAndEmptiesTheTableOnlyOnYes)
{
    const std::string store = StoreWithFullTables(FreshFolder("store"));
    TRun no = Run(Click(kMenuScores) + "answer no\n" + Click(kScoresClear), store);
    ASSERT_EQ(no.Starting("question ").size(), 1u);
    EXPECT_EQ(no.Starting("question ")[0], "question \"Clear all nine lists and their replays?\" no");
    EXPECT_NE(no.StoreFile().find("\"8_0_8_Score\"=dword:000f4240"), std::string::npos);
    TRun yes = Run(Click(kMenuScores) + "answer yes\n" + Click(kScoresClear), store);
    EXPECT_EQ(yes.Starting("question ")[0], "question \"Clear all nine lists and their replays?\" yes");
    const std::string stored = yes.StoreFile();
    EXPECT_EQ(stored.find("dword:000f4240"), std::string::npos);
    EXPECT_NE(stored.find("\"8_0_8_Score\"=dword:00000000"), std::string::npos);
}

struct TOptionCase {
    const char* Name;
    TPoint Button;
    const char* Option;
    int Value;
    const char* Stored;
};
void PrintTo(const TOptionCase& c, std::ostream* os)
{
    *os << c.Name;
}

class OptionSwitches : public DriverTest, public ::testing::WithParamInterface<TOptionCase> {};

TEST_P(OptionSwitches, ClickSwitchesShowsAndSaves)
{
    const TOptionCase& c = GetParam();
    TRun run = Run(Click(kMenuOptions) + Click(c.Button) + "screen\n");
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 1u);
    const std::string options = screens[0].substr(screens[0].rfind("\"options\":{"));
    EXPECT_EQ(IntField(options, c.Option), c.Value) << screens[0];
    EXPECT_NE(run.StoreFile().find(c.Stored), std::string::npos) << run.StoreFile();
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, OptionSwitches,
    ::testing::Values(
        TOptionCase{"music_label", {365, 212}, "ZPlayMusic", 0, "\"ZPlayMusic\"=dword:00000000"},
        TOptionCase{"music_off", {573, 216}, "ZPlayMusic", 0, "\"ZPlayMusic\"=dword:00000000"},
        TOptionCase{"sound_label", {365, 261}, "ZPlaySound", 0, "\"ZPlaySound\"=dword:00000000"},
        TOptionCase{"sound_off", {573, 265}, "ZPlaySound", 0, "\"ZPlaySound\"=dword:00000000"},
        TOptionCase{"background_label", {365, 300}, "BackRound", 1, "\"BackRound\"=dword:00000001"},
        TOptionCase{"background_kids", {537, 365}, "BackRound", 2, "\"BackRound\"=dword:00000002"},
        TOptionCase{"next_label", {365, 407}, "ZNextFig", 0, "\"ZNextFig\"=dword:00000000"},
        TOptionCase{"next_off", {573, 405}, "ZNextFig", 0, "\"ZNextFig\"=dword:00000000"}),
    [](const auto& info) { return std::string(info.param.Name); });

// Fills the store folder with these option values.
std::string StoreWithOptions(const std::string& store, const std::string& lines)
{
    std::ofstream out(store + "/settings.reg", std::ios::binary);
    out << "[HKEY_CURRENT_USER\\Software\\Kestrovan\\Grand Fourfall\\Options]\n" << lines;
    return store;
}

TEST_F(DriverTest, StoredBackgroundBeyondTheThreeIsReducedAtStart)
{
    const std::string shot = Shots.File("play.png");
    TRun run = Run("screen\n" + Click(kMenuPlay) + Click(kGameButtons[0]) + "screenshot " + shot + "\n",
                   StoreWithOptions(FreshFolder("store"), "\"BackRound\"=dword:00000004\n"));
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(IntField(screens[0].substr(screens[0].rfind("\"options\":{")), "BackRound"), 1);
    EXPECT_NE(run.StoreFile().find("\"BackRound\"=dword:00000001"), std::string::npos);
    TPicture picture(shot);
    ASSERT_NE(picture.Bitmap, nullptr);
    EXPECT_EQ(picture.At(600, 400), Data.SkinPixel("bg_Nature", 600, 400));
}

TEST_F(DriverTest, MusicOffAtStartPlaysNothingUntilSwitchedOn)
{
    TRun run = Run("screen\n" + Click(kMenuOptions) + Click({505, 216}) + "screen\n",
                   StoreWithOptions(FreshFolder("store"), "\"ZPlayMusic\"=dword:00000000\n"));
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 2u);
    auto next = [](const std::string& s) { return IntField(s.substr(s.find("\"music\"")), "nextFile"); };
    EXPECT_EQ(next(screens[0]), 0);
    EXPECT_EQ(next(screens[1]), 1); // the first file of the list
}

TEST_F(DriverTest, ChoiceMarksFollowTheOptions)
{
    TRun run = Run(Click(kMenuOptions) + "screen\n" + Click({573, 216}) + Click({537, 335}) +
                   Click({573, 405}) + "screen\n" + Click({505, 216}) + "screen\n");
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 3u);
    EXPECT_EQ(Field(screens[0], "optionMarks"), "[0,1,0,0,1,0,0,1,0,0,0,1,0,0]");
    EXPECT_EQ(Field(screens[1], "optionMarks"), "[0,0,1,0,1,0,0,0,1,0,0,0,1,0]");
    EXPECT_EQ(Field(screens[2], "optionMarks"), "[0,1,0,0,1,0,0,0,1,0,0,0,1,0]");
}

TEST_F(DriverTest, MusicSwitchStopsAndPlaysTheNextFile)
{
    TRun run = Run(Click(kMenuOptions) + "screen\n" + Click({573, 216}) + "screen\n" + Click({505, 216}) +
                   "screen\n" + Click({505, 216}) + "screen\n");
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 4u);
    auto next = [](const std::string& s) { return IntField(s.substr(s.find("\"music\"")), "nextFile"); };
    EXPECT_EQ(next(screens[0]), 1); // the first file started at start-up
    EXPECT_EQ(next(screens[1]), 1); // off: nothing new starts
    EXPECT_EQ(next(screens[2]), 2); // on again: the file after it
    EXPECT_EQ(next(screens[3]), 3); // "on" while on still moves on
}

struct TBackgroundCase {
    const char* Name;
    TPoint Button;
    const char* Skin;
};
void PrintTo(const TBackgroundCase& c, std::ostream* os)
{
    *os << c.Name;
}

class Backgrounds : public DriverTest, public ::testing::WithParamInterface<TBackgroundCase> {};

TEST_P(Backgrounds, PlayScreenShowsTheChosenBackground)
{
    const TBackgroundCase& c = GetParam();
    const std::string shot = Shots.File("play.png");
    // From the kids background, so that each choice is a change.
    TRun run = Run(Click(kMenuOptions) + Click({537, 365}) + Click(c.Button) + Click(kOptionsBack) +
                   Click(kMenuPlay) + Click(kGameButtons[0]) + "screenshot " + shot + "\n");
    TPicture picture(shot);
    ASSERT_NE(picture.Bitmap, nullptr);
    EXPECT_EQ(picture.At(600, 400), Data.SkinPixel(c.Skin, 600, 400));
    // The button back to the menu shows the same background's own region.
    EXPECT_EQ(picture.At(20, 545), Data.SkinPixel(c.Skin, 20, 545));
}

INSTANTIATE_TEST_SUITE_P(Choices, Backgrounds,
                         ::testing::Values(TBackgroundCase{"techno", {537, 305}, "bg_techno"},
                                           TBackgroundCase{"nature", {537, 335}, "bg_Nature"},
                                           TBackgroundCase{"label_wraps_to_techno", {365, 300}, "bg_techno"}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DriverTest, HelpScrollsByWholeLinesAndStopsAtTheEnd)
{
    std::string script = Click(kMenuHelp) + "screen\n";
    for (int i = 0; i < 12; ++i)
        script += Click(kHelpDown) + "screen\n";
    for (int i = 0; i < 12; ++i)
        script += Click(kHelpUp) + "screen\n";
    TRun run = Run(script);
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 25u);
    auto help = [](const std::string& s) { return s.substr(s.find("\"help\"")); };
    const int line = IntField(help(screens[0]), "lineHeight");
    const int total = IntField(help(screens[0]), "total");
    const int visible = IntField(help(screens[0]), "visible");
    ASSERT_GT(line, 0);
    ASSERT_EQ(total, kHelpLines * line);
    ASSERT_GT(total, visible);
    int previous = 0;
    for (int i = 1; i <= 12; ++i) {
        const int offset = IntField(help(screens[i]), "offset");
        const bool atEnd = offset == total - visible;
        EXPECT_TRUE(offset % line == 0 || atEnd) << "step " << i << " offset " << offset;
        EXPECT_LE(offset - previous, 3 * visible / 4);
        EXPECT_GE(offset, previous);
        previous = offset;
    }
    EXPECT_EQ(previous, total - visible); // the last line at the bottom
    EXPECT_EQ(IntField(help(screens[1]), "offset"), (3 * visible / 4) / line * line);
    EXPECT_EQ(IntField(help(screens[24]), "offset"), 0);
}

TEST_F(DriverTest, PauseStopsTheFallAndShowsPause)
{
    const std::string dir = Shots.Path();
    TRun run =
        Run(Click(kMenuPlay) + Click(kGameButtons[0]) + "advance 1500\nkey P\nscreen\nstate\nkey Left\n" +
            "key Down\nadvance 5000\nstate\nscreenshot " + dir + "/pause.png\nkey P\nscreen\nadvance 1000\n" +
            "state\n");
    auto screens = run.Starting("{\"page\"");
    auto states = run.Starting("{\"status\"");
    ASSERT_EQ(screens.size(), 2u);
    ASSERT_EQ(states.size(), 3u);
    EXPECT_EQ(IntField(screens[0], "fallTimer"), 0);
    EXPECT_EQ(IntField(screens[0], "paused"), 1);
    // The pause is the screen's: the rules still play.
    EXPECT_EQ(IntField(states[0], "status"), 1);
    // Neither the clock nor the keys move a paused figure.
    EXPECT_EQ(states[0].substr(states[0].find("\"board\"")), states[1].substr(states[1].find("\"board\"")));
    TPicture picture(dir + "/pause.png");
    const TBox band = MiddleOfTheBoard();
    EXPECT_GT(picture.Count(band.X, band.Y, band.Right(), band.Bottom(), kTextColour), 50);
    EXPECT_EQ(IntField(screens[1], "fallTimer"), 1000);
    EXPECT_EQ(IntField(screens[1], "paused"), 0);
    EXPECT_EQ(IntField(states[2], "status"), 1);
    const std::string cur1 = states[1].substr(states[1].find("\"cur\""));
    const std::string cur2 = states[2].substr(states[2].find("\"cur\""));
    EXPECT_EQ(IntField(cur2, "y"), IntField(cur1, "y") + 1);
}

TEST_F(DriverTest, KeysOnOtherPagesLeaveAGameAlone)
{
    TRun run = Run(Click(kMenuPlay) + Click(kGameButtons[0]) + "state\n" + "answer yes\n" + Click(kPlayBack) +
                   "key Left\nkey Down\nkey Up\nkey P\nadvance 3000\nstate\n");
    auto states = run.Starting("{\"status\"");
    ASSERT_EQ(states.size(), 2u);
    // Left, the game is over for good; its board is as it was left.
    const std::string running = "{\"status\":1,", left = "{\"status\":0,";
    ASSERT_EQ(states[1].compare(0, left.size(), left), 0) << states[1];
    EXPECT_EQ(states[0], running + states[1].substr(left.size()));
}

TEST_F(DriverTest, ElementTreeShowsOnlyTheFrontPage)
{
    TRun run = Run("tree\n");
    ASSERT_FALSE(run.Lines.empty());
    EXPECT_EQ(run.Lines[0], "::TPages(Show Act )");
    int shownPages = 0;
    for (const std::string& l : run.Lines)
        shownPages += l.find("::TPage(Show Act )") != std::string::npos ? 1 : 0;
    EXPECT_EQ(shownPages, 1);
}

TEST_F(DriverTest, BadScriptLineStopsWithStatus2)
{
    for (const char* script :
         {"jump 1 2\n", "click 1\n", "key NoSuchKey\n", "advance -5\n", "answer maybe\n"}) {
        TRun run = Run(script);
        EXPECT_EQ(run.Status, kDriverBadScript) << script;
        EXPECT_NE(run.Errors.find("line 1"), std::string::npos) << script;
    }
}

TEST_F(DriverTest, MissingDataFolderStillReachesTheMenuAndPlays)
{
    TRun run = Run(Click(kMenuPlay) + Click(kGameButtons[0]) + "advance 2000\nscreen\nstate\n", {},
                   FreshFolder("empty"));
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(Field(screens[0], "page"), "Play");
    EXPECT_EQ(IntField(run.Starting("{\"status\"")[0], "status"), 1);
}

// After a page switch the highlight is where the pointer is: the button that
// was lit when its page went away is dark when the page comes back, and the
// button now under the pointer is lit at once.
TEST_F(DriverTest, AfterAPageSwitchTheHighlightFollowsThePointer)
{
    const std::string dir = Shots.Path();
    // Options, then away from every button, then Back (the pointer stays
    // there, over no menu button).
    TRun run = Run(Click(kMenuOptions) + "screenshot " + dir + "/options.png\nmove 780 20\n" +
                   Click(kOptionsBack) + "screenshot " + dir + "/menu.png\n");
    TPicture options(dir + "/options.png"), menu(dir + "/menu.png");
    ASSERT_NE(options.Bitmap, nullptr);
    ASSERT_NE(menu.Bitmap, nullptr);
    // The pointer came to the options page over "Music".
    EXPECT_EQ(options.At(300, 212), Data.SkinPixel("Options_", 300, 212));
    EXPECT_EQ(menu.At(300, 229), Data.SkinPixel("Menu", 300, 229)) << "Options is not lit any more";

    // Back on the high-score page, clicked before a game that enters the list.
    TRun after = Run(Click(kMenuScores) + Click(kScoresBack) + Click(kMenuPlay) + Click(kGameButtons[0]) +
                     PlayToTheEnd() + "screen\nscreenshot " + dir + "/scores.png\n");
    ASSERT_EQ(Field(after.Starting("{\"page\"")[0], "page"), "HighScore");
    TPicture scores(dir + "/scores.png");
    EXPECT_EQ(scores.At(620, 495), Data.SkinPixel("HighScore", 620, 495)) << "Back is not lit any more";
}

// Hand-edited option values and missing or damaged pictures: the play page
// still shows a whole background, its button, its tiles and its digits.
struct TDamageCase {
    const char* Name;
    const char* Value;  // "Name=dword:..." in the options key, or empty
    const char* File;   // a picture of the data folder, or empty
    const char* Damage; // "missing", "garbage", "truncated" or "tiny"
};
void PrintTo(const TDamageCase& c, std::ostream* os)
{
    *os << c.Name;
}

class DamagedData : public DriverTest, public ::testing::WithParamInterface<TDamageCase> {};

TEST_P(DamagedData, PlayPageStaysWholePlayableAndReadable)
{
    const TDamageCase& c = GetParam();
    TestSupport::TempFolder folder;
    const std::string data = folder.Path() + "/data";
    std::filesystem::copy(Data.Path(), data, std::filesystem::copy_options::recursive);
    const std::string store = folder.Path() + "/store";
    std::filesystem::create_directories(store);
    if (*c.Value != '\0') {
        std::ofstream(store + "/settings.reg")
            << "[HKEY_CURRENT_USER\\Software\\Kestrovan\\Grand Fourfall\\Options]\n\"" << c.Value << "\n";
    }
    if (*c.File != '\0') {
        const std::string path = data + "/Skin/" + c.File;
        const std::string damage = c.Damage;
        if (damage == "missing") {
            std::filesystem::remove(path);
        } else if (damage == "garbage") {
            std::ofstream(path, std::ios::binary) << std::string(3000, '\x5a');
        } else if (damage == "truncated") {
            std::filesystem::resize_file(path, std::filesystem::file_size(path) / 3);
        } else if (damage == "tiny") {
            WriteSolidJpeg(path, 10, 10, {255, 255, 255});
        }
    }
    const std::string shot = folder.Path() + "/play.png";
    // Through the game type page (cyan), so that a page drawn nowhere shows.
    TRun run = Run(Click(kMenuPlay) + Click(kGameButtons[0]) + "advance 4000\nkey Down\nadvance 1000\n" +
                       "key Down\nadvance 1000\nkey Left\nadvance 3000\nscreenshot " + shot + "\nstate\n",
                   store, data);
    ASSERT_EQ(run.Status, kDriverOk) << run.Errors;
    TPicture picture(shot);
    ASSERT_NE(picture.Bitmap, nullptr);
    const TRgb gameType = SkinColour("GameType");
    int leftOver = 0;
    for (int y = 0; y < kPageHeight; y += 4)
        for (int x = 0; x < kPageWidth; x += 4)
            leftOver += Near565(picture.At(x, y), gameType) ? 1 : 0;
    EXPECT_EQ(leftOver, 0) << "the game type page shows through";
    // Tiles: the landed figures and the falling one differ from the ground.
    const TBox board = kPlayBoard, panel = kPlayScorePanel;
    const uint16_t ground = picture.At(board.X + 8, board.Y + 8);
    int tiles = 0;
    for (int y = board.Y; y < board.Bottom(); ++y)
        for (int x = board.X; x < board.Right(); ++x)
            tiles += picture.At(x, y) != ground ? 1 : 0;
    EXPECT_GT(tiles, 3 * 16 * 16) << "blocks are visible";
    EXPECT_GT(picture.Count(panel.X, panel.Y, panel.Right(), panel.Bottom(), kTextColour), 20)
        << "the score panel's digits are readable";
    // The game runs (or, started at the highest level, has already run to
    // its end), at a level inside the rules' range.
    const std::string state = run.Starting("{\"status\"")[0];
    EXPECT_TRUE(IntField(state, "status") == 1 || IntField(state, "status") == 2) << state;
    EXPECT_GE(IntField(state, "level"), 0);
    EXPECT_LE(IntField(state, "level"), 1999);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedData,
    ::testing::Values(TDamageCase{"BackRoundAllOnes", "BackRound\"=dword:ffffffff", "", ""},
                      TDamageCase{"BackRoundMostNegative", "BackRound\"=dword:80000000", "", ""},
                      TDamageCase{"BackRoundLargest", "BackRound\"=dword:7fffffff", "", ""},
                      TDamageCase{"NumBlocks99", "NumBlocks\"=dword:00000063", "", ""},
                      TDamageCase{"NumBlocksNegative", "NumBlocks\"=dword:ffffffff", "", ""},
                      TDamageCase{"NumBlocksLargest", "NumBlocks\"=dword:7fffffff", "", ""},
                      TDamageCase{"StartLevelNegative", "StartLevel\"=dword:fffffffb", "", ""},
                      TDamageCase{"StartLevelHuge", "StartLevel\"=dword:7fffffff", "", ""},
                      TDamageCase{"DifficultyNegative", "Difficulty\"=dword:ffffffff", "", ""},
                      TDamageCase{"DifficultyHuge", "Difficulty\"=dword:7fffffff", "", ""},
                      TDamageCase{"GameNumNegative", "GameNum\"=dword:ffffffff", "", ""},
                      TDamageCase{"GameNumBeyond", "GameNum\"=dword:00000063", "", ""},
                      TDamageCase{"BackgroundMissing", "", "bg_techno.jpg", "missing"},
                      TDamageCase{"BackgroundGarbage", "", "bg_techno.jpg", "garbage"},
                      TDamageCase{"BackgroundTruncated", "", "bg_techno.jpg", "truncated"},
                      TDamageCase{"BackgroundTiny", "", "bg_techno.jpg", "tiny"},
                      TDamageCase{"LitBackgroundMissing", "", "bg_techno_.jpg", "missing"},
                      TDamageCase{"TilesMissing", "", "Balls.jpg", "missing"},
                      TDamageCase{"TilesGarbage", "", "Balls.jpg", "garbage"},
                      TDamageCase{"TilesTruncated", "", "Balls.jpg", "truncated"},
                      TDamageCase{"TilesTiny", "", "Balls.jpg", "tiny"},
                      TDamageCase{"CursorMissing", "", "Mouse.jpg", "missing"},
                      TDamageCase{"CursorMaskGarbage", "", "Mouse.bmp", "garbage"}),
    [](const auto& info) { return std::string(info.param.Name); });

// A data file that is missing or damaged is named once on standard error,
// however often it is loaded (the play background again with every change
// of background); the game goes on with its fallback. Files that load say
// nothing.
TEST_F(DriverTest, MissingOrDamagedDataFilesAreNamedOnceOnStandardError)
{
    TestSupport::TempFolder folder;
    const std::string data = folder.Path() + "/data";
    std::filesystem::copy(Data.Path(), data, std::filesystem::copy_options::recursive);
    std::filesystem::remove(data + "/Skin/help.txt");
    std::filesystem::remove(data + "/Skin/Menu.jpg");
    std::ofstream(data + "/Skin/bg_Nature.jpg", std::ios::binary) << "not a picture";
    std::ofstream(data + "/Sounds/Drop.wav", std::ios::binary) << "RIFF";
    // Every background in turn, twice, and the help page.
    std::string script;
    for (int i = 0; i < 6; ++i)
        script += Click(kMenuOptions) + Click(Centre(kOptionsButtons[6])) + Click(kOptionsBack);
    TRun run = Run(script + Click(kMenuHelp), {}, data);
    ASSERT_EQ(run.Status, kDriverOk) << run.Errors;
    auto count = [&](const std::string& text) {
        int n = 0;
        for (std::size_t at = run.Errors.find(text); at != std::string::npos;
             at = run.Errors.find(text, at + 1))
            ++n;
        return n;
    };
    struct TNamed {
        const char* File;
        const char* Says;
    };
    for (const TNamed& n :
         {TNamed{"/Skin/help.txt", "missing"}, TNamed{"/Skin/Menu.jpg", "missing"},
          TNamed{"/Skin/bg_Nature.jpg", "damaged"}, TNamed{"/Sounds/Drop.wav", "damaged"}}) {
        EXPECT_EQ(count(data + n.File), 1) << n.File << "\n" << run.Errors;
        EXPECT_EQ(count(std::string(n.Says) + " data file: " + data + n.File), 1) << run.Errors;
    }
    for (const char* fine : {"Menu_.jpg", "bg_techno", "bg_Kids", "Rotate.wav"})
        EXPECT_EQ(count(fine), 0) << fine << "\n" << run.Errors;
}

// Each page's own picture missing or damaged: the page is drawn in its colour,
// its buttons as plain plates with their captions, and it still works.
struct TPageDamageCase {
    const char* Skin;
    const char* Damage;
    std::string Script; // from the main menu to the page
    TPoint Button;      // a button of the page
};
void PrintTo(const TPageDamageCase& c, std::ostream* os)
{
    *os << c.Skin << " " << c.Damage;
}

class DamagedPages : public DriverTest, public ::testing::WithParamInterface<TPageDamageCase> {};

TEST_P(DamagedPages, ButtonsStayVisibleWithTheirCaptions)
{
    const TPageDamageCase& c = GetParam();
    TestSupport::TempFolder folder;
    const std::string data = folder.Path() + "/data";
    std::filesystem::copy(Data.Path(), data, std::filesystem::copy_options::recursive);
    for (const std::string& name : {std::string(c.Skin) + ".jpg", std::string(c.Skin) + "_.jpg"}) {
        if (std::string(c.Damage) == "missing")
            std::filesystem::remove(data + "/Skin/" + name);
        else
            std::ofstream(data + "/Skin/" + name, std::ios::binary) << "not a picture";
    }
    const std::string shot = folder.Path() + "/page.png";
    TRun run = Run(c.Script + "move 1 1\nscreenshot " + shot + "\n", {}, data);
    TPicture picture(shot);
    ASSERT_NE(picture.Bitmap, nullptr);
    // The plate's rim and its white caption inside the button.
    const TPoint b = c.Button;
    EXPECT_GT(picture.Count(b.X - 25, b.Y - 12, b.X + 25, b.Y + 12, {255, 255, 255}), 10) << "a caption";
    EXPECT_NE(picture.At(b.X, b.Y), picture.At(5, 300)) << "a plate, not the page's ground";
}

INSTANTIATE_TEST_SUITE_P(
    Pages, DamagedPages,
    ::testing::Values(
        TPageDamageCase{"Menu", "missing", "", kMenuOptions},
        TPageDamageCase{"Menu", "garbage", "", kMenuExit},
        TPageDamageCase{"GameType", "missing", Click(kMenuPlay), kGameButtons[2]},
        TPageDamageCase{"Options", "missing", Click(kMenuOptions), kOptionsBack},
        TPageDamageCase{"Options", "garbage", Click(kMenuOptions), Centre(kOptionsControls)},
        TPageDamageCase{"Controls", "missing", Click(kMenuOptions) + Click(Centre(kOptionsControls)),
                        Centre(kControlsDefaults)},
        // An action row's name, left of its key.
        TPageDamageCase{"Controls",
                        "garbage",
                        Click(kMenuOptions) + Click(Centre(kOptionsControls)),
                        {kControlsActions[1].X + kControlsKeyCap.X / 2,
                         kControlsActions[1].Y + kControlsActions[1].H / 2}},
        TPageDamageCase{"Help", "garbage", Click(kMenuHelp), kHelpBack},
        TPageDamageCase{"HighScore", "missing", Click(kMenuScores), kScoresWorld},
        TPageDamageCase{"bg_techno", "missing", Click(kMenuPlay) + Click(kGameButtons[0]), kPlayBack}),
    [](const auto& info) { return std::string(info.param.Skin) + "_" + info.param.Damage; });

// The question box: answered by mouse and keys, modal, and deaf to a key
// held from before it opened.
struct TAnswerCase {
    const char* Name;
    std::string Answer; // script lines while the box is open
    bool Yes;
};
void PrintTo(const TAnswerCase& c, std::ostream* os)
{
    *os << c.Name;
}

class QuestionAnswers : public DriverTest, public ::testing::WithParamInterface<TAnswerCase> {};

constexpr TPoint kYes = Centre(kQuestionYes, kQuestionBox), kNo = Centre(kQuestionNo, kQuestionBox);

TEST_P(QuestionAnswers, TheBoxGivesTheSameAnswerAsBefore)
{
    const TAnswerCase& c = GetParam();
    TRun run = Run(Click(kMenuPlay) + Click(kGameButtons[0]) + PlayToTheEnd() + "key Enter\nscreen\n" +
                   c.Answer + "screen\n");
    ASSERT_EQ(run.Status, kDriverOk) << run.Errors;
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(Field(screens[0], "question"), "Send the result to World's Highscores page?");
    EXPECT_EQ(Field(screens[1], "question"), "");
    auto questions = run.Starting("question ");
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], std::string("question \"Send the result to World's Highscores page?\" ") +
                                (c.Yes ? "yes" : "no"));
    EXPECT_EQ(run.Starting("request ").size(), c.Yes ? 2u : 0u); // the result and its replay
    // Nothing typed while the box was open reached the name behind it.
    EXPECT_EQ(Field(screens[1], "playerName"), "Anonymous");
}

INSTANTIATE_TEST_SUITE_P(
    Ways, QuestionAnswers,
    ::testing::Values(TAnswerCase{"ClickYes", Click(kYes), true}, TAnswerCase{"ClickNo", Click(kNo), false},
                      TAnswerCase{"KeyY", "type y\nkey Y\n", true},
                      TAnswerCase{"KeyN", "type n\nkey N\n", false},
                      TAnswerCase{"Enter", "key Enter\n", true}, TAnswerCase{"Escape", "key Escape\n", false},
                      TAnswerCase{"PressOnYesReleasedOutside",
                                  "press " + std::to_string(kYes.X) + " " + std::to_string(kYes.Y) +
                                      "\nrelease 100 100\nkey N\n",
                                  false},
                      TAnswerCase{"ClickOutsideThenNo", Click({60, 60}) + Click({402, 229}) + "key N\n",
                                  false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DriverTest, AScriptEndingWhileTheBoxAsksAnswersNo)
{
    TRun run = Run(Click(kMenuPlay) + Click(kGameButtons[0]) + PlayToTheEnd() + "key Enter\n");
    ASSERT_EQ(run.Status, kDriverOk) << run.Errors;
    EXPECT_EQ(run.Starting("question ")[0], "question \"Send the result to World's Highscores page?\" no");
    EXPECT_TRUE(run.Starting("request ").empty());
}

TEST_F(DriverTest, AnEnterHeldFromBeforeTheBoxAnswersNothingUntilLetGo)
{
    // The Enter that confirms the name stays down and repeats.
    TRun run = Run(Click(kMenuPlay) + Click(kGameButtons[0]) + PlayToTheEnd() +
                   "keydown Enter\nkeydown Enter\nkeydown Enter\nscreen\nkeyup Enter\nkey Enter\nscreen\n");
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_NE(Field(screens[0], "question"), "") << "still asking";
    EXPECT_EQ(run.Starting("question ")[0], "question \"Send the result to World's Highscores page?\" yes");
}

TEST_F(DriverTest, ClearAskedInTheBoxClearsOnlyOnYes)
{
    const std::string store = StoreWithFullTables(FreshFolder("store"));
    // It says what goes, from any tab; Enter and Escape answer No, the
    // default; Yes takes its key or a click.
    const std::string dir = Shots.Path();
    for (const char* answer : {"key Escape\n", "key Enter\n"}) {
        TRun no = Run(Click(kMenuScores) + Click(kTabs[2]) + Click(kScoresClear) + "screen\nscreenshot " +
                          dir + "/clear.png\n" + answer,
                      store);
        EXPECT_EQ(Field(no.Starting("{\"page\"")[0], "question"), "Clear all nine lists and their replays?");
        EXPECT_EQ(no.Starting("question ")[0], "question \"Clear all nine lists and their replays?\" no")
            << answer;
        EXPECT_NE(no.StoreFile().find("\"8_0_8_Score\"=dword:000f4240"), std::string::npos);
    }
    // The default's button is lit: No shows the lit picture, Yes the plain one.
    TPicture box(dir + "/clear.png");
    ASSERT_NE(box.Bitmap, nullptr);
    EXPECT_EQ(box.At(kNo.X, kNo.Y + 15), Data.SkinPixel("Question_", 0, 0));
    EXPECT_EQ(box.At(kYes.X, kYes.Y + 15), Data.SkinPixel("Question", 0, 0));
    for (const std::string& answer : {Click(kYes), std::string("key Y\n")}) {
        const std::string again = StoreWithFullTables(FreshFolder("store"));
        TRun yes = Run(Click(kMenuScores) + Click(kScoresClear) + answer, again);
        EXPECT_EQ(yes.Starting("question ")[0], "question \"Clear all nine lists and their replays?\" yes");
        EXPECT_EQ(yes.StoreFile().find("dword:000f4240"), std::string::npos);
    }
}

// A name of 59 characters stays inside its field: cut with an ellipsis in
// the list, its end in view while it is typed; the stored name is whole.
TEST_F(DriverTest, ALongNameStaysInItsField)
{
    const std::string dir = Shots.Path();
    const std::string name(50, 'W');
    TRun run = Run(Click(kMenuPlay) + Click(kGameButtons[0]) + PlayToTheEnd() + "key End\ntype " + name +
                   "\nadvance 500\n" + "screenshot " + dir +
                   "/typing.png\nanswer no\nkey Enter\nscreenshot " + dir + "/list.png\n" + "screen\n");
    EXPECT_EQ(Field(run.Starting("{\"page\"")[0], "playerName"), "Anonymous" + name);
    // Between the name field (ending at x 473) and the score column: no text.
    TPicture typing(dir + "/typing.png"), list(dir + "/list.png");
    const TRgb ground = SkinColour("HighScore");
    for (const TPicture* p : {&typing, &list}) {
        int outside = 0, inside = 0;
        for (int y = 213; y < 233; ++y) {
            for (int x = 474; x < 500; ++x)
                outside += Near565(p->At(x, y), ground) ? 0 : 1;
            for (int x = 260; x < 473; ++x)
                inside += Near565(p->At(x, y), ground) ? 0 : 1;
        }
        EXPECT_EQ(outside, 0) << (p == &typing ? "typing" : "list");
        EXPECT_GT(inside, 200) << (p == &typing ? "typing" : "list");
    }
}

TEST_F(DriverTest, EnterOrSpaceAfterGameOverStartsTheSameGameAgain)
{
    const std::string store = StoreWithFullTables(FreshFolder("store"));
    for (const char* key : {"Enter", "Space"}) {
        TRun run = Run(Click(kMenuPlay) + Click(kGameButtons[1]) + PlayToTheEnd() + "state\nkey " + key +
                           "\nstate\nscreen\n",
                       store);
        auto states = run.Starting("{\"status\"");
        ASSERT_EQ(states.size(), 2u) << key;
        EXPECT_EQ(IntField(states[0], "status"), 2) << key;
        EXPECT_EQ(IntField(states[1], "status"), 1) << key;
        EXPECT_EQ(IntField(states[1], "gameNum"), 1) << key;
        EXPECT_EQ(IntField(states[1], "score"), 0) << key;
        EXPECT_EQ(Field(run.Starting("{\"page\"")[0], "page"), "Play") << key;
    }
}

// --- the five further game types, the landing shadow ---

constexpr TPoint kGameTypeMoreButton = Centre(kGameTypeMore);
constexpr TPoint kMoreGameButtons[5] = {Centre(kMoreGamesButtons[0]), Centre(kMoreGamesButtons[1]),
                                        Centre(kMoreGamesButtons[2]), Centre(kMoreGamesButtons[3]),
                                        Centre(kMoreGamesButtons[4])};
constexpr TPoint kMoreGamesBack = Centre(kMoreGamesButtons[5]);
constexpr TPoint kMoreTabs[5] = {Centre(kHighScoreMoreTabs[0]), Centre(kHighScoreMoreTabs[1]),
                                 Centre(kHighScoreMoreTabs[2]), Centre(kHighScoreMoreTabs[3]),
                                 Centre(kHighScoreMoreTabs[4])};
constexpr TPoint kShadowOn = Centre(kOptionsShadowButtons[1]), kShadowOff = Centre(kOptionsShadowButtons[2]);

TEST_F(DriverTest, MoreGamesIsReachedFromTheGameTypePageAndLeadsBackThere)
{
    TRun run = Run(Click(kMenuPlay) + Click(kGameTypeMoreButton) + "screen\n" + Click(kMoreGamesBack) +
                   "screen\n" + Click(kGameTypeBack) + "screen\n");
    ASSERT_EQ(run.Status, kDriverOk) << run.Errors;
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 3u);
    EXPECT_EQ(Field(screens[0], "page"), "MoreGames");
    EXPECT_EQ(IntField(screens[0], "visiblePages"), 1);
    EXPECT_EQ(Field(screens[0], "moreDescription"), "") << "empty until the pointer enters a game button";
    EXPECT_EQ(IntField(screens[0], "demo"), 2) << "Kids Fourfall's game meanwhile";
    EXPECT_EQ(Field(screens[1], "page"), "GameType");
    EXPECT_EQ(Field(screens[2], "page"), "MainMenu");
}

struct TMoreCase {
    const char* Name;
    int Button;
    int GameNum;
    int Online;
    const char* Title; // the first words of its description, after the centring blanks
};
void PrintTo(const TMoreCase& c, std::ostream* os)
{
    *os << c.Name;
}

class MoreGamesPlayed : public DriverTest, public ::testing::WithParamInterface<TMoreCase> {};

TEST_P(MoreGamesPlayed, HoverTextAndPictureFollowThePointerAndLeavingKeepsThem)
{
    const TMoreCase& c = GetParam();
    const int other = (c.Button + 1) % 5;
    const std::string dir = Shots.Path();
    TRun run =
        Run(Click(kMenuPlay) + Click(kGameTypeMoreButton) + "move " +
            std::to_string(kMoreGameButtons[other].X) + " " + std::to_string(kMoreGameButtons[other].Y) +
            "\nmove " + std::to_string(kMoreGameButtons[c.Button].X) + " " +
            std::to_string(kMoreGameButtons[c.Button].Y) + "\nscreenshot " + dir + "/hover.png\n" + "move " +
            std::to_string(kMoreGamesBack.X) + " " + std::to_string(kMoreGamesBack.Y) + "\nscreen\n");
    ASSERT_EQ(run.Status, kDriverOk) << run.Errors;
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 1u);
    const std::string text = Field(screens[0], "moreDescription");
    const std::size_t start = text.find_first_not_of(' ');
    EXPECT_EQ(text.compare(start, std::string(c.Title).size(), c.Title), 0) << text;
    EXPECT_EQ(IntField(screens[0], "demo"), c.GameNum);
    // The little well shows the game's tiles on its dark ground; the fixture's
    // tiles are none of the page's colour.
    TPicture hover(dir + "/hover.png");
    ASSERT_NE(hover.Bitmap, nullptr);
    const TBox well = kMoreGamesDemo;
    const int ground = hover.Count(well.X, well.Y, well.Right(), well.Bottom(), SkinColour("MoreGames"));
    EXPECT_LT(ground, well.W * well.H - 20 * 256) << "at least twenty cells drawn";
}

TEST_P(MoreGamesPlayed, FromThePageToGameOverNameListAndStoreAfterARestart)
{
    const TMoreCase& c = GetParam();
    std::string script =
        Click(kMenuPlay) + Click(kGameTypeMoreButton) + Click(kMoreGameButtons[c.Button]) + "screen\nstate\n";
    // Special figures ignore Down and take thirty ticks to fall: room for them.
    for (int i = 0; i < 300; ++i)
        script += "key Down\nadvance 1000\n";
    script += "screen\nstate\n";
    for (int i = 0; i < 9; ++i)
        script += "key Backspace\n";
    script += "type Kit\nanswer yes\nkey Enter\nscreen\n";
    TRun first = Run(script);
    ASSERT_EQ(first.Status, kDriverOk) << first.Errors;
    auto screens = first.Starting("{\"page\"");
    auto states = first.Starting("{\"status\"");
    ASSERT_EQ(screens.size(), 3u);
    ASSERT_EQ(states.size(), 2u);
    EXPECT_EQ(Field(screens[0], "page"), "Play");
    EXPECT_EQ(IntField(states[0], "gameNum"), c.GameNum);
    EXPECT_EQ(IntField(states[1], "status"), 2);
    EXPECT_EQ(IntField(states[1], "gameNum"), c.GameNum);
    EXPECT_EQ(IntField(states[1], "hiScorePos"), 0);
    const int score = IntField(states[1], "score");
    ASSERT_GT(score, 0);
    // The page opened on the type's own list, its tab in the second row lit.
    EXPECT_EQ(Field(screens[1], "page"), "HighScore");
    EXPECT_EQ(IntField(screens[1], "shownType"), c.GameNum);
    std::string tabs = "[0,0,0,0,0]";
    tabs[1 + 2 * c.Button] = '1';
    EXPECT_EQ(Field(screens[1], "moreTabs"), tabs);
    EXPECT_EQ(Field(screens[1], "tabs"), "[0,0,0,0]");
    // Sent under its own online type, then the replay of its game type.
    auto requests = first.Starting("request ");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], std::string("request ") + kServer + ":80 " +
                               GFourfall::JsonString(BuildScoreRequest(c.Online, "Kit", score, kServer)));
    EXPECT_NE(requests[1].find("POST /api/v1/replays"), std::string::npos) << requests[1];
    EXPECT_NE(requests[1].find("select " + std::to_string(c.GameNum)), std::string::npos) << requests[1];
    const std::string slot = "\"" + std::to_string(c.GameNum) + "_0_0_";
    std::ostringstream stored;
    stored << slot << "Name\"=\"Kit\"";
    EXPECT_NE(first.StoreFile().find(stored.str()), std::string::npos) << first.StoreFile();
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(score));
    EXPECT_NE(first.StoreFile().find(slot + "Score\"=dword:" + hex), std::string::npos);

    // A new start on the same settings: the list is there, under its tab,
    // and its world page is the type's.
    TRun again =
        Run(Click(kMenuScores) + Click(kMoreTabs[c.Button]) + "screen\n" + Click(kScoresWorld), first.Store);
    ASSERT_EQ(again.Status, kDriverOk) << again.Errors;
    auto screens2 = again.Starting("{\"page\"");
    ASSERT_EQ(screens2.size(), 1u);
    EXPECT_EQ(IntField(screens2[0], "shownType"), c.GameNum);
    EXPECT_EQ(Field(screens2[0], "moreTabs"), tabs);
    EXPECT_EQ(Field(screens2[0], "list"), "[{\"name\":\"Kit\",\"score\":" + std::to_string(score) + "}]");
    auto opened = again.Starting("open ");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], std::string("open \"http://") + kServer + "/cgi/version.pl?prg=Tumbltwn&show&type=" +
                             std::to_string(c.Online) + "&verified\"");
}

INSTANTIATE_TEST_SUITE_P(FiveTypes, MoreGamesPlayed,
                         ::testing::Values(TMoreCase{"KidsFourfall", 0, 2, 4, "Kids Fourfall\\u000a"},
                                           TMoreCase{"KidsFivefall", 1, 3, 5, "Kids Fivefall\\u000a"},
                                           TMoreCase{"CrazyFivefall", 2, 5, 6, "Crazy Fivefall\\u000a"},
                                           TMoreCase{"GrandFourfall", 3, 6, 7, "Grand Fourfall\\u000a"},
                                           TMoreCase{"GrandFivefall", 4, 7, 8, "Grand Fivefall\\u000a"}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DriverTest, TheFourFirstTabsKeepTheirListsAndWorldNumbers)
{
    // Every tab, both rows, selects its own list alone and opens its own world page.
    std::string script = Click(kMenuScores);
    for (TPoint tab : {kTabs[0], kTabs[1], kTabs[2], kTabs[3], kMoreTabs[0], kMoreTabs[1], kMoreTabs[2],
                       kMoreTabs[3], kMoreTabs[4]})
        script += Click(tab) + "screen\n" + Click(kScoresWorld);
    TRun run = Run(script);
    auto screens = run.Starting("{\"page\"");
    auto opened = run.Starting("open ");
    ASSERT_EQ(screens.size(), 9u);
    ASSERT_EQ(opened.size(), 9u);
    const int shown[9] = {0, 1, 8, 4, 2, 3, 5, 6, 7};
    const int online[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(IntField(screens[i], "shownType"), shown[i]) << i;
        std::string all = Field(screens[i], "tabs") + Field(screens[i], "moreTabs");
        EXPECT_EQ(std::count(all.begin(), all.end(), '1'), 1) << i << ": " << all;
        EXPECT_EQ(opened[i], std::string("open \"http://") + kServer +
                                 "/cgi/version.pl?prg=Tumbltwn&show&type=" + std::to_string(online[i]) +
                                 "&verified\"");
    }
}

TEST_F(DriverTest, LandingShadowIsOffAtFirstSwitchesAndIsKeptAcrossARestart)
{
    const std::string dir = Shots.Path();
    auto playShot = [&](const std::string& file) {
        return Click(kMenuPlay) + Click(kGameButtons[0]) + "advance 3000\nscreenshot " + dir + "/" + file +
               "\n";
    };
    TRun plain = Run("screen\n" + playShot("off.png"));
    ASSERT_EQ(plain.Status, kDriverOk) << plain.Errors;
    EXPECT_EQ(Field(plain.Starting("{\"page\"")[0], "shadowMarks"), "[0,0,1]");
    EXPECT_NE(plain.StoreFile().find("\"ZShadow\"=dword:00000000"), std::string::npos);
    // The options page draws no random numbers: the same seed plays the same game.
    TRun first =
        Run(Click(kMenuOptions) + Click(kShadowOn) + "screen\n" + Click(kOptionsBack) + playShot("on.png"));
    ASSERT_EQ(first.Status, kDriverOk) << first.Errors;
    auto screens = first.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(Field(screens[0], "shadowMarks"), "[0,1,0]");
    EXPECT_NE(first.StoreFile().find("\"ZShadow\"=dword:00000001"), std::string::npos);
    // The same moment of the same game: the shadow's dots are the only
    // difference, and they lie in the board.
    TPicture off(dir + "/off.png"), on(dir + "/on.png");
    ASSERT_NE(off.Bitmap, nullptr);
    ASSERT_NE(on.Bitmap, nullptr);
    int inBoard = 0, outside = 0;
    for (int y = 0; y < kPageHeight; ++y)
        for (int x = 0; x < kPageWidth; ++x)
            if (off.At(x, y) != on.At(x, y)) {
                const bool board = x >= kPlayBoard.X && x < kPlayBoard.Right() && y >= kPlayBoard.Y &&
                                   y < kPlayBoard.Bottom();
                (board ? inBoard : outside) += 1;
            }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(inBoard, 3 * 16 * 2) << "an outline round at least a few cells";

    TRun again = Run("screen\n" + Click(kMenuOptions) + Click(kShadowOff) + "screen\n", first.Store);
    auto screens2 = again.Starting("{\"page\"");
    ASSERT_EQ(screens2.size(), 2u);
    EXPECT_EQ(IntField(screens2[0], "ZShadow"), 1) << "kept across the restart";
    EXPECT_EQ(Field(screens2[1], "shadowMarks"), "[0,0,1]");
    EXPECT_NE(again.StoreFile().find("\"ZShadow\"=dword:00000000"), std::string::npos);
}

// What a finished game earned is kept when it ends, under the name shown:
// whatever comes next (Back, Escape, Exit, the window closing before any
// key), a new start finds the entry in its list and its replay plays.
struct TLeaveCase {
    const char* Name;
    std::string Leave;
};
void PrintTo(const TLeaveCase& c, std::ostream* os)
{
    *os << c.Name;
}
class ResultKept : public DriverTest, public ::testing::WithParamInterface<TLeaveCase> {};

TEST_P(ResultKept, AtTheGamesEndWhateverComesNext)
{
    TRun first =
        Run(Click(kMenuPlay) + Click(kGameButtons[0]) + PlayToTheEnd() + "state\n" + GetParam().Leave);
    ASSERT_EQ(first.Status, kDriverOk) << first.Errors;
    auto states = first.Starting("{\"status\"");
    ASSERT_EQ(states.size(), 1u);
    ASSERT_EQ(IntField(states[0], "hiScorePos"), 0);
    const int score = IntField(states[0], "score");
    ASSERT_GT(score, 0);
    EXPECT_TRUE(first.Starting("question ").empty());

    TRun again = Run(Click(kMenuScores) + "screen\nreplays\nkey 1\nscreen\n", first.Store);
    auto screens = again.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(Field(screens[0], "list"),
              "[{\"name\":\"Anonymous\",\"score\":" + std::to_string(score) + "}]");
    EXPECT_EQ(IntField(screens[0], "marks"), 1);
    auto replays = again.Starting("replays ");
    ASSERT_EQ(replays.size(), 1u);
    EXPECT_EQ(replays[0].rfind("replays [\"0-" + std::to_string(score) + "-", 0), 0u) << replays[0];
    EXPECT_EQ(IntField(screens[1], "watching"), 1) << "its replay plays";
    const std::string stored = again.StoreFile();
    EXPECT_NE(stored.find("\"0_0_0_Name\"=\"Anonymous\""), std::string::npos) << stored;
}

INSTANTIATE_TEST_SUITE_P(Ways, ResultKept,
                         ::testing::Values(TLeaveCase{"Back", Click(kScoresBack)},
                                           TLeaveCase{"Escape", "key Escape\n"},
                                           TLeaveCase{"Exit", Click(kScoresBack) + Click(kMenuExit)},
                                           TLeaveCase{"WindowClosed", ""}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DriverTest, EnterOnlyRenamesTheKeptEntryAndItsReplay)
{
    TRun run = Run(Click(kMenuPlay) + Click(kGameButtons[0]) + PlayToTheEnd() + "replays\ntype Ida\n" +
                   "answer no\nkey Enter\nreplays\nscreen\n");
    auto replays = run.Starting("replays ");
    ASSERT_EQ(replays.size(), 2u);
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(Field(screens[0], "playerName"), "Ida");
    EXPECT_EQ(IntField(screens[0], "marks"), 1) << "the replay now claims the new name";
    EXPECT_NE(run.StoreFile().find("\"0_0_0_Name\"=\"Ida\""), std::string::npos);
    // One file before and after: the renamed replay took the old one's place.
    EXPECT_EQ(std::count(replays[1].begin(), replays[1].end(), ','), 0) << replays[1];
}

// A new game started while the last entry still waits for its name: the
// name stands as typed, and its replay stays with it.
TEST_F(DriverTest, ANewGameLeavesTheOpenEntryAsTyped)
{
    TRun run = Run(Click(kMenuPlay) + Click(kGameButtons[0]) + PlayToTheEnd() + "type Kay\n" +
                   Click(kScoresBack) + Click(kMenuPlay) + Click(kGameButtons[0]) + "state\n" +
                   Click(kPlayBack) + Click(kMenuScores) + "screen\n");
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(IntField(run.Starting("{\"status\"")[0], "hiScorePos"), -1);
    EXPECT_NE(Field(screens[0], "list").find("{\"name\":\"Kay\""), std::string::npos) << screens[0];
    EXPECT_EQ(IntField(screens[0], "marks"), 1);
    EXPECT_NE(run.StoreFile().find("\"0_0_0_Name\"=\"Kay\""), std::string::npos);
}

// The offered name is selected, with a caret from the start: the first
// letter replaces it; Backspace, Delete and the arrows edit it instead.
struct TNameCase {
    const char* Name;
    std::string Keys;
    const char* Result;
};
void PrintTo(const TNameCase& c, std::ostream* os)
{
    *os << c.Name;
}
class NameEditing : public DriverTest, public ::testing::WithParamInterface<TNameCase> {};

TEST_P(NameEditing, TheOfferedNameIsSelectedAndEdited)
{
    const TNameCase& c = GetParam();
    TRun run = Run(Click(kMenuPlay) + Click(kGameButtons[0]) + PlayToTheEnd() + "screen\n" + c.Keys +
                   "screen\nanswer no\nkey Enter\nscreen\n");
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 3u);
    EXPECT_EQ(IntField(screens[0], "nameSelected"), 1);
    EXPECT_EQ(IntField(screens[0], "caret"), 9);
    EXPECT_EQ(IntField(screens[1], "nameSelected"), 0);
    EXPECT_EQ(Field(screens[2], "playerName"), c.Result);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, NameEditing,
    ::testing::Values(TNameCase{"FirstLetterReplaces", "type Quinn\n", "Quinn"},
                      TNameCase{"BackspaceEdits", "key Backspace\nkey Backspace\ntype e\n", "Anonymoe"},
                      TNameCase{"ArrowsMoveTheCaret", "key Left\nkey Left\ntype X\n", "AnonymoXus"},
                      TNameCase{"HomeDeleteEnd", "key Home\nkey Delete\ntype a\nkey End\ntype !\n",
                                "anonymous!"},
                      TNameCase{"RightAtTheEndStays", "key Right\ntype 2\n", "Anonymous2"}),
    [](const auto& info) { return std::string(info.param.Name); });

// How the entry looks at once: the name on a blue selection, the caret drawn.
TEST_F(DriverTest, TheSelectedNameAndItsCaretShowFromTheStart)
{
    const std::string dir = Shots.Path();
    TRun run = Run(Click(kMenuPlay) + Click(kGameButtons[0]) + PlayToTheEnd() + "screenshot " + dir +
                   "/offered.png\ntype Q\nscreenshot " + dir + "/typed.png\n");
    TPicture offered(dir + "/offered.png"), typed(dir + "/typed.png");
    ASSERT_NE(offered.Bitmap, nullptr);
    ASSERT_NE(typed.Bitmap, nullptr);
    constexpr TRgb kSelection{0, 0, 255};
    // The name field of the first row.
    const int selected = offered.Count(260, 213, 473, 233, kSelection);
    EXPECT_GT(selected, 300) << "a blue selection behind the name";
    EXPECT_GT(offered.Count(260, 213, 473, 233, TRgb{255, 255, 255}), 20) << "the name in white on it";
    // Typed: one blue letter and the caret after it, no selection.
    const int after = typed.Count(260, 213, 473, 233, kSelection);
    EXPECT_GT(after, 10);
    EXPECT_LT(after, selected / 3);
}

// Only replays that load are marked; one that fails when chosen says so.
TEST_F(DriverTest, OnlyReplaysThatLoadAreMarkedAndADamagedOneSaysSo)
{
    TRun first = Run(Click(kMenuPlay) + Click(kGameButtons[0]) + PlayToTheEnd() + "answer no\nkey Enter\n");
    ASSERT_EQ(first.Status, kDriverOk) << first.Errors;
    TRun intact = Run(Click(kMenuScores) + "screen\n", first.Store);
    EXPECT_EQ(IntField(intact.Starting("{\"page\"")[0], "marks"), 1);
    // The file is still there under its name, but it is no replay any more.
    std::vector<std::string> files;
    for (const auto& f : std::filesystem::directory_iterator(first.Store + "/replays"))
        files.push_back(f.path().string());
    ASSERT_EQ(files.size(), 1u);
    std::ofstream(files[0], std::ios::binary | std::ios::trunc) << "# Tumbletown replay\ngarbage\n";
    const std::string dir = Shots.Path();
    TRun damaged = Run(Click(kMenuScores) + "screen\nscreenshot " + dir + "/unmarked.png\nkey 1\nscreen\n" +
                           "screenshot " + dir + "/notice.png\n",
                       first.Store);
    auto screens = damaged.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(IntField(screens[0], "marks"), 0);
    EXPECT_EQ(Field(screens[1], "page"), "HighScore");
    EXPECT_EQ(IntField(screens[1], "watching"), 0);
    EXPECT_EQ(Field(screens[1], "notice"), "The replay of entry 1 is damaged and cannot be played.");
    // Where the play mark of the first row would be, and the notice line.
    TPicture unmarked(dir + "/unmarked.png"), notice(dir + "/notice.png");
    ASSERT_NE(unmarked.Bitmap, nullptr);
    ASSERT_NE(notice.Bitmap, nullptr);
    EXPECT_EQ(unmarked.Count(224, 213, 232, 233, TRgb{255, 255, 255}), 0);
    const TBox line = kHighScoreNotice;
    EXPECT_EQ(unmarked.Count(line.X, line.Y, line.Right(), line.Bottom(), TRgb{255, 255, 255}), 0);
    EXPECT_GT(notice.Count(line.X, line.Y, line.Right(), line.Bottom(), TRgb{255, 255, 255}), 50);
}

// A loopback server that takes one connection, reads the request to its end
// and then says nothing until the test lets it go. Seed requests ahead of
// the games are read and closed unanswered (no seed dealt): the connection
// held is a result's.
class TSilentServer {
public:
    TSilentServer() : Listener(4)
    {
        if (Listener.Port() == 0)
            return;
        Port = Listener.Port();
        Thread = std::thread([this] {
            int c = -1;
            do {
                if (c >= 0)
                    ::close(c);
                Received.clear();
                c = Listener.Accept(30000);
                if (c < 0)
                    return;
                char buffer[4096];
                long n = 0;
                while ((n = ::read(c, buffer, sizeof buffer)) > 0)
                    Received.append(buffer, static_cast<std::size_t>(n));
            } while (Received.rfind(std::string("GET ") + kSeedRequestPath, 0) == 0);
            GotAll = true;
            while (!Release)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ::close(c);
        });
    }
    ~TSilentServer()
    {
        Release = true;
        if (Thread.joinable())
            Thread.join();
    }
    TestSupport::TLoopbackListener Listener;
    int Port = 0;
    std::string Received;
    std::atomic<bool> GotAll{false};
    std::atomic<bool> Release{false};
    std::thread Thread;
};

// A port where nothing listens: the server is down.
int ClosedPort()
{
    return Loopback::FreePort();
}

// A server that takes the request and never answers: the game goes on (keys,
// pages, paint) while the result is under way, and says what became of it.
TEST_F(DriverTest, SendingGoesOnInTheBackgroundWhileTheServerIsSilent)
{
    TSilentServer server;
    ASSERT_GT(server.Port, 0);
    setenv("TUMBLETOWN_SCORE_SERVER", ("localhost:" + std::to_string(server.Port)).c_str(), 1);
    const std::string dir = Shots.Path();
    TRun run =
        Run(Click(kMenuPlay) + Click(kGameButtons[0]) + PlayToTheEnd() + "state\ntype Sil\nanswer yes\n" +
                "key Enter\nscreen\n" + Click(kTabs[1]) + "screen\nscreenshot " + dir + "/sending.png\n" +
                Click(kTabs[0]) + "sent\nscreen\nscreenshot " + dir + "/kept.png\n",
            {}, {}, true);
    ASSERT_EQ(run.Status, kDriverOk) << run.Errors;
    const int score = IntField(run.Starting("{\"status\"")[0], "score");
    // Every line in the order printed: the pages answered while the server
    // had the request and had said nothing.
    std::vector<std::string> order;
    for (const std::string& l : run.Lines)
        if (l.rfind("{\"page\"", 0) == 0 || l.rfind("reply ", 0) == 0)
            order.push_back(l.rfind("reply ", 0) == 0 ? "reply"
                                                      : Field(l, "notice") + "|" + Field(l, "shownType"));
    const std::vector<std::string> expected = {"Sending the result to the world high scores...|0",
                                               "Sending the result to the world high scores...|1", "reply",
                                               "Could not reach the server: it will try again later.|0"};
    EXPECT_EQ(order, expected);
    EXPECT_TRUE(server.GotAll);
    // The design's bytes, exactly.
    EXPECT_EQ(server.Received, BuildScoreRequest(0, "Sil", score, "localhost"));
    // The result waits in the outbox with its replay.
    std::vector<std::string> kept;
    for (const auto& f : std::filesystem::directory_iterator(run.Store + "/outbox"))
        kept.push_back(f.path().filename().string());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_NE(kept[0].find(".result"), std::string::npos);
}

TEST_F(DriverTest, WithNoServerTheResultIsKeptAndAnEmptyNameIsNotSent)
{
    setenv("TUMBLETOWN_SCORE_SERVER", ("localhost:" + std::to_string(ClosedPort())).c_str(), 1);
    TRun down = Run(Click(kMenuPlay) + Click(kGameButtons[0]) + PlayToTheEnd() +
                        "answer yes\nkey Enter\nsent\nscreen\n",
                    {}, {}, true);
    ASSERT_EQ(down.Status, kDriverOk) << down.Errors;
    EXPECT_EQ(Field(down.Starting("{\"page\"")[0], "notice"),
              "Could not reach the server: it will try again later.");
    EXPECT_EQ(down.Starting("reply ").size(), 1u) << "the replay waits behind its result";

    std::string wipe;
    for (int i = 0; i < 9; ++i)
        wipe += "key Backspace\n";
    TRun nameless = Run(Click(kMenuPlay) + Click(kGameButtons[0]) + PlayToTheEnd() + wipe +
                        "type    \nkey Enter\nsent\nscreen\n");
    EXPECT_TRUE(nameless.Starting("question ").empty());
    EXPECT_TRUE(nameless.Starting("request ").empty());
    EXPECT_EQ(Field(nameless.Starting("{\"page\"")[0], "notice"), "A result without a name is not sent.");
    // Sent and taken (the driver stands for a server that takes all).
    TRun sent = Run(Click(kMenuPlay) + Click(kGameButtons[0]) + PlayToTheEnd() +
                    "answer yes\nkey Enter\nsent\nscreen\n");
    EXPECT_EQ(Field(sent.Starting("{\"page\"")[0], "notice"), "Sent to the world high scores.");
    EXPECT_EQ(sent.Starting("request ").size(), 2u);
}

// The designed default host alone is no server the player named: the World
// button opens the designed address and no seed is asked for, whatever page
// shows and whatever game is played.
TEST_F(DriverTest, WithNoServerNamedTheDesignStands)
{
    unsetenv("TUMBLETOWN_SCORE_SERVER");
    TRun run = Run(Click(kMenuPlay) + Click(kGameTypeMoreButton) + Click(kMoreGamesBack) +
                   Click(kGameButtons[1]) + "advance 3000\nseeds\nanswer yes\nkey Escape\n" +
                   Click(kMenuScores) + Click(kTabs[2]) + Click(kScoresWorld));
    ASSERT_EQ(run.Status, kDriverOk) << run.Errors;
    EXPECT_TRUE(run.Starting("seed").empty()) << run.Starting("seed")[0];
    auto opened = run.Starting("open ");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "open \"http://localhost/cgi/version.pl?prg=Tumbltwn&show&type=2\"");
}

// A server named: each game type page asks ahead for the seeds of its own
// games, once each, with the type alone; a game started asks for its type's
// next one.
TEST_F(DriverTest, TheGameTypePagesAskAheadForTheSeedsOfTheirGames)
{
    TRun run = Run(Click(kMenuPlay) + "seeds\n" + Click(kGameTypeMoreButton) + "seeds\n" +
                   Click(kMoreGamesBack) + "seeds\n" + Click(kGameButtons[0]) + "seeds\nscreen\n");
    ASSERT_EQ(run.Status, kDriverOk) << run.Errors;
    auto asked = run.Starting("seed ");
    // The game type page's four, the More Games page's five, the game type
    // page's four again (none was dealt), and Fourfall's next.
    const int online[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1, 2, 3, 0};
    ASSERT_EQ(asked.size(), std::size(online)) << ::testing::PrintToString(asked);
    for (std::size_t i = 0; i < asked.size(); ++i)
        EXPECT_EQ(asked[i], std::string("seed ") + kServer + ":80 " +
                                GFourfall::JsonString(BuildSeedRequest(online[i], kServer)))
            << i;
    // None dealt (the driver deals none without --send): the game plays a
    // seed of its own and carries no token.
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(Field(screens[0], "page"), "Play");
    EXPECT_EQ(Field(screens[0], "token"), "");
}

// The names the world list takes: typing leaves out what it would refuse
// (so the result and its replay carry the same bytes), and a name it would
// refuse anyway (blank, or a stored one with an invisible character) is not
// sent, and the page says why.
struct TWorldNameCase {
    const char* What;
    const char* Stored; // the name offered from the settings; null: the default
    const char* Typed;  // UTF-8, after End; null: nothing typed
    const char* Sent;   // the name sent; null: nothing sent
    const char* Notice;
};

std::ostream& operator<<(std::ostream& out, const TWorldNameCase& c)
{
    return out << c.What;
}

class WorldNames : public DriverTest, public ::testing::WithParamInterface<TWorldNameCase> {};

TEST_P(WorldNames, ANameTheWorldListRefusesIsNeitherTypedNorSent)
{
    const TWorldNameCase& c = GetParam();
    const std::string store = FreshFolder("store");
    if (c.Stored != nullptr) {
        std::ofstream out(store + "/settings.reg", std::ios::binary);
        out << "[HKEY_CURRENT_USER\\Software\\Kestrovan\\Grand Fourfall\\Score]\n"
            << "\"LastUserName\"=\"" << c.Stored << "\"\n";
    }
    std::string script = Click(kMenuPlay) + Click(kGameButtons[0]) + PlayToTheEnd() + "state\n";
    // A typed name replaces the offered one, which is selected.
    if (c.Typed != nullptr)
        script += std::string("type ") + c.Typed + "\n";
    script += "answer yes\nkey Enter\nsent\nscreen\n";
    TRun run = Run(script, store);
    ASSERT_EQ(run.Status, kDriverOk) << run.Errors;
    const int score = IntField(run.Starting("{\"status\"")[0], "score");
    auto requests = run.Starting("request ");
    auto screens = run.Starting("{\"page\"");
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(Field(screens[0], "notice"), c.Notice);
    if (c.Sent == nullptr) {
        EXPECT_TRUE(requests.empty()) << requests[0];
        EXPECT_TRUE(run.Starting("question ").empty());
        return;
    }
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], std::string("request ") + kServer + ":80 " +
                               GFourfall::JsonString(BuildScoreRequest(0, c.Sent, score, kServer)));
    const std::string claim = GFourfall::JsonString("\n# name " + std::string(c.Sent) + "\n# score ");
    EXPECT_NE(requests[1].find(claim.substr(1, claim.size() - 2)), std::string::npos) << requests[1];
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WorldNames,
    ::testing::Values(TWorldNameCase{"SoftHyphenAndDeleteTyped", nullptr,
                                     "A\u00ADn\x7F"
                                     "n",
                                     "Ann", kNoticeSent},
                      TWorldNameCase{"NoBreakSpacesTyped", nullptr, "\u00A0 \u00A0", nullptr, kNoticeNoName},
                      TWorldNameCase{"SoftHyphenStored",
                                     "Ann\xAD"
                                     "e",
                                     nullptr, nullptr, kNoticeBadName},
                      TWorldNameCase{"DeleteStored", "Ann\x7F", nullptr, nullptr, kNoticeBadName},
                      TWorldNameCase{"PlainStored", "Ann\xE9", nullptr, "Ann\xE9", kNoticeSent}),
    [](const auto& info) { return std::string(info.param.What); });

} // namespace
} // namespace WFourfall
