// The viewer's glue against the replay tool: the state it gives after N
// operations is the very line fourfall-replay prints for the replay cut
// after its Nth operation, for every game type, going forward and back.
#include "web/ReplayView.h"
#include "web/ViewerExports.h"

#include "rules/GameTypes.h"

#include "tests/server/ReplayGames.h"
#include "tools/fourfall-replay/Replay.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using WebViewer::TReplayView;

// The replay's text up to and with its nth operation, then "print".
std::string CutAfter(const std::string& text, std::size_t n)
{
    std::istringstream in(text);
    std::string line;
    std::string out;
    std::size_t ops = 0;
    while (std::getline(in, line)) {
        if (line == "print")
            break;
        if (line.compare(0, 3, "at ") == 0 && ops++ >= n)
            break;
        out += line + "\n";
    }
    return out + "print\n";
}

std::string ToolState(const std::string& text, std::size_t n)
{
    std::istringstream in(CutAfter(text, n));
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(GFourfall::RunReplay(in, out, err), GFourfall::kReplayOk) << err.str();
    std::string line = out.str();
    if (!line.empty() && line.back() == '\n')
        line.pop_back();
    return line;
}

// The "rules" member of the view's state: everything after it but the closing brace.
std::string RulesPart(const std::string& state)
{
    const std::string key = ",\"rules\":";
    const std::size_t at = state.find(key);
    if (at == std::string::npos || state.empty() || state.back() != '}')
        return "(no rules in " + state + ")";
    return state.substr(at + key.size(), state.size() - at - key.size() - 1);
}

TEST(TReplayView, EveryGameTypeMatchesTheReplayToolForwardAndBack)
{
    for (int game = 0; game < 9; ++game) {
        SCOPED_TRACE("game " + std::to_string(game));
        const std::string text = ServerTest::PlayedGameText(game, 1000 + game, "Viewer", 20000);
        TReplayView view;
        std::string why;
        ASSERT_TRUE(view.Load(text, why)) << why;
        const std::size_t steps = view.Steps();
        ASSERT_GT(steps, 10u);
        // Forward in jumps, then back (a fresh start), then one by one.
        const std::vector<std::size_t> points = {0,         1, 2, steps / 3, steps / 2, steps - 1, steps,
                                                 steps / 4, 0, 5, 6,         7,         steps};
        // The tool plays in the rules' one state too: all its answers first,
        // so that it does not play under the view's feet.
        std::vector<std::string> want;
        for (std::size_t n : points)
            want.push_back(ToolState(text, n));
        ASSERT_TRUE(view.Load(text, why)) << why;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const std::size_t n = points[i];
            const std::string state = view.StateAt(n);
            EXPECT_EQ(RulesPart(state), want[i]) << "after " << n << " operations";
            EXPECT_EQ(state.rfind("{\"op\":" + std::to_string(n) +
                                      ",\"time\":" + std::to_string(n == 0 ? 0 : view.TimeOf(n - 1)) + ",",
                                  0),
                      0u)
                << state;
        }
        // The end is the game's end.
        EXPECT_NE(view.StateAt(steps).find("\"status\":2,"), std::string::npos);
    }
}

TEST(TReplayView, PastTheEndIsTheEnd)
{
    const std::string text = ServerTest::PlayedGameText(0, 7, "Viewer", 5000);
    TReplayView view;
    std::string why;
    ASSERT_TRUE(view.Load(text, why)) << why;
    const std::string end = view.StateAt(view.Steps());
    EXPECT_EQ(view.StateAt(view.Steps() + 1000), end);
    EXPECT_EQ(view.TimeOf(view.Steps()), 0u);
}

TEST(TReplayView, SpecialFiguresAreNamed)
{
    // Grand games, as many as it takes to see both special figures fall and
    // wait as the next figure.
    bool creator = false;
    bool destroyer = false;
    bool nextSpecial = false;
    for (std::uint32_t seed = 11; seed < 61 && !(creator && destroyer && nextSpecial); ++seed) {
        const std::string text =
            ServerTest::PlayedGameText(GFourfall::kGameGrandFourfall, seed, "Viewer", 60000);
        TReplayView view;
        std::string why;
        ASSERT_TRUE(view.Load(text, why)) << why;
        for (std::size_t n = 0; n <= view.Steps(); ++n) {
            const std::string state = view.StateAt(n);
            creator = creator || state.find("\"cur\":\"creator\"") != std::string::npos;
            destroyer = destroyer || state.find("\"cur\":\"destroyer\"") != std::string::npos;
            nextSpecial = nextSpecial || state.find("\"next\":\"none\"") == std::string::npos;
        }
    }
    EXPECT_TRUE(creator);
    EXPECT_TRUE(destroyer);
    EXPECT_TRUE(nextSpecial);
}

// What the page's script sees: a replay refused whole, with the reason, and
// nothing to show; a good one after it loads as if alone.
TEST(ViewerExports, RefusedTextLeavesNoReplay)
{
    const std::string good = ServerTest::PlayedGameText(2, 5, "Viewer", 5000);
    struct TCase {
        const char* What;
        std::string Text;
        const char* Why;
    };
    const TCase cases[] = {
        {"empty", "", "not a replay of this format"},
        {"cut short", good.substr(0, good.size() / 2), "cut short"},
        {"not a replay", "GET / HTTP/1.1\r\n\r\n", "not a replay of this format"},
        {"a byte after the end", good + "x", "text after the end"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(tt_load(c.Text.data(), static_cast<int32_t>(c.Text.size())), -1);
        EXPECT_STREQ(tt_why(), c.Why);
        EXPECT_STREQ(tt_state(5), "");
        EXPECT_EQ(tt_time(0), 0u);
    }
    EXPECT_EQ(tt_load(nullptr, 10), -1);
    EXPECT_EQ(tt_load(good.data(), -1), -1);
    const int32_t steps = tt_load(good.data(), static_cast<int32_t>(good.size()));
    ASSERT_GT(steps, 0);
    EXPECT_STREQ(tt_why(), "");
    EXPECT_EQ(tt_game(), 2);
    EXPECT_EQ(tt_columns(), ServerTest::kDealtColumns);
    EXPECT_EQ(tt_rows(), ServerTest::kDealtRows);
    const std::string end = ToolState(good, static_cast<std::size_t>(steps));
    const std::string start = ToolState(good, 0);
    ASSERT_EQ(tt_load(good.data(), static_cast<int32_t>(good.size())), steps);
    EXPECT_EQ(RulesPart(tt_state(steps)), end);
    EXPECT_EQ(RulesPart(tt_state(-5)), start);
}

} // namespace
