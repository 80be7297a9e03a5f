// Replays checked on four threads at once give what each gives checked
// alone: every game of every type, every refusal and every hash the same.
// Run under ThreadSanitizer in CI, so that any state two checks share shows.

#include "rules/GameTypes.h"
#include "server/ReplayCheck.h"
#include "tests/server/ReplayGames.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace ServerTest {
namespace {

using ScoreServer::TCheckedReplay;
using ScoreServer::TReplayRefusal;

// The claim line changed to another score: a replay refused after its play.
std::string WithScore(const std::string& text, std::int32_t score)
{
    const std::size_t at = text.find("# score ");
    const std::size_t end = text.find('\n', at);
    return text.substr(0, at) + "# score " + std::to_string(score) + text.substr(end);
}

TEST(ReplayThreads, FourThreadsCheckingAtOnceGetWhatEachGetsAlone)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 3;
    std::vector<std::string> texts;
    for (std::int32_t game = 0; game < GFourfall::kGameTypeCount; ++game) {
        const std::string text = PlayedGameText(game, 500u + static_cast<std::uint32_t>(game), "Ann", 20000);
        texts.push_back(text);
        texts.push_back(WithScore(text, 1));
    }
    const ScoreServer::TReplayChecker checker;
    std::vector<TCheckedReplay> alone;
    for (const std::string& text : texts)
        alone.push_back(checker.Check(text));

    // Each thread starts at another replay, so different games run side by side.
    std::vector<std::vector<TCheckedReplay>> got(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round)
                for (std::size_t i = 0; i < texts.size(); ++i)
                    got[t].push_back(
                        checker.Check(texts[(i + static_cast<std::size_t>(t) * 5) % texts.size()]));
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(got[t].size(), texts.size() * kRounds);
        for (std::size_t k = 0; k < got[t].size(); ++k) {
            const TCheckedReplay& a =
                alone[(k % texts.size() + static_cast<std::size_t>(t) * 5) % texts.size()];
            const TCheckedReplay& b = got[t][k];
            EXPECT_EQ(b.Refusal, a.Refusal) << "thread " << t << " check " << k << ": " << b.Why;
            EXPECT_EQ(b.Score, a.Score);
            EXPECT_EQ(b.Operations, a.Operations);
            EXPECT_EQ(b.GameHash, a.GameHash);
            EXPECT_EQ(b.OnlineType, a.OnlineType);
        }
    }
    // The table holds real games: half prove their claim, half do not.
    int verified = 0, differs = 0;
    for (const TCheckedReplay& a : alone) {
        verified += a.Refusal == TReplayRefusal::None;
        differs += a.Refusal == TReplayRefusal::ScoreDiffers;
    }
    EXPECT_EQ(verified, GFourfall::kGameTypeCount);
    EXPECT_EQ(differs, GFourfall::kGameTypeCount);
}

} // namespace
} // namespace ServerTest
