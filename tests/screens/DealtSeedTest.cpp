// Seeds dealt by a named score server, on the game's pages: the game type
// page asks ahead, a game of a type plays the seed in hand for that type
// once and carries its token, and a server that never answers holds no game
// back.
#include "tests/screens/GameOnHost.h"
#include "tests/tools/loopback/LoopbackListener.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/KeyCodes.h"
#include "rules/GameState.h"
#include "rules/Replay.h"
#include "store/ScoreSubmit.h"
#include "store/SeedSupply.h"

namespace WFourfall::Test {
namespace {

constexpr int32_t kMenuNewGame[2] = {402, 159};
constexpr int32_t kFourfallButton[2] = {402, 213};

class DealtSeed : public GameOnHost {
protected:
    void SetUp() override
    {
        ::setenv(kScoreServerVariable, "scores.test", 1);
        // After the program's start, which puts the real exchange back.
        GameOnHost::SetUp();
        Pages->Services.Seeds = &Seeds;
        SetHttpExchange([this](std::uint16_t, const std::string&, const std::string& request) {
            std::unique_lock<std::mutex> hold(Lock);
            Gate.wait(hold, [this] { return Open; });
            const int type = std::atoi(request.c_str() + request.find("type=") + 5);
            if (type != DealOnly && DealOnly >= 0)
                return std::string();
            ++Dealt;
            return "HTTP/1.1 200 OK\r\n\r\n1." + std::to_string(type) + "." + std::to_string(1000 + Dealt) +
                   ".1765400000.n" + std::to_string(Dealt) + ".sig\n";
        });
    }
    void TearDown() override
    {
        SetOpen(true);
        GameOnHost::TearDown();
        SetHttpExchange(nullptr);
        ::unsetenv(kScoreServerVariable);
    }
    void Click(const int32_t (&at)[2])
    {
        Pages->MouseDown(at[0], at[1], 1);
        Pages->MouseUp(at[0], at[1], 1);
        Host.PaintPending();
    }
    void SetOpen(bool open)
    {
        {
            std::lock_guard<std::mutex> hold(Lock);
            Open = open;
        }
        Gate.notify_all();
    }
    const TWFourfall& Board() const { return Pages->Play.Board; }

    std::mutex Lock;
    std::condition_variable Gate;
    bool Open = true;
    int DealOnly = -1; // deal for this online type alone; -1: every type
    int Dealt = 0;
    TSeedSupply Seeds;
};

TEST_F(DealtSeed, AGamePlaysTheSeedInHandForItsTypeOnceAndCarriesItsToken)
{
    Click(kMenuNewGame);
    Seeds.WaitIdle(); // the player looks at the page a moment
    // The page asked for its four types in button order: Fourfall first.
    Click(kFourfallButton);
    ASSERT_EQ(Pages->LastChild, &Pages->Play);
    EXPECT_EQ(Board().Recording().Seed, 1001u);
    EXPECT_EQ(Board().DealtToken(), "1.0.1001.1765400000.n1.sig");
    // The replay says so, after the game's version.
    const std::string text = GFourfall::ReplayText(Board().Recording());
    EXPECT_NE(text.find("\n# token 1.0.1001.1765400000.n1.sig\nseed 1001\n"), std::string::npos) << text;

    // The next Fourfall's seed was asked for as this one began.
    Seeds.WaitIdle();
    SetOpen(false); // from now on the server is slow to deal
    StartGame(0);
    EXPECT_EQ(Board().Recording().Seed, 1005u);
    EXPECT_EQ(Board().DealtToken(), "1.0.1005.1765400000.n5.sig");

    // Another at once, before the server dealt the next: single use, so it
    // plays a seed of its own and carries no token.
    StartGame(0);
    EXPECT_EQ(Board().DealtToken(), "");
    EXPECT_NE(Board().Recording().Seed, 1005u);
    EXPECT_EQ(Rules().GameState.Status, GFourfall::kStatusPlaying);
}

TEST_F(DealtSeed, ASeedOfOneTypeIsNoSeedOfAnother)
{
    DealOnly = 0; // Fourfall's alone
    Click(kMenuNewGame);
    Seeds.WaitIdle();
    ASSERT_TRUE(Seeds.Holds(0));
    StartGame(2); // Kids Fourfall, online type 4
    EXPECT_EQ(Board().DealtToken(), "");
    EXPECT_NE(Board().Recording().Seed, 1001u);
    EXPECT_TRUE(Seeds.Holds(0)) << "Fourfall's seed stays for a game of Fourfall";
}

// A loopback server that accepts every connection, reads what comes and
// never replies, until the test ends.
class TMuteServer {
public:
    TMuteServer()
    {
        if (Listener.Port() == 0)
            return;
        Port = Listener.Port();
        Thread = std::thread([this] {
            std::vector<int> held;
            while (!Stop) {
                const int c = Listener.Accept(20);
                if (c >= 0) {
                    held.push_back(c);
                    ++Accepted;
                }
            }
            for (int c : held)
                ::close(c);
        });
    }
    ~TMuteServer()
    {
        Stop = true;
        if (Thread.joinable())
            Thread.join();
    }
    TestSupport::TLoopbackListener Listener;
    int Port = 0;
    std::atomic<int> Accepted{0};
    std::atomic<bool> Stop{false};
    std::thread Thread;
};

// The game's own exchange against a server that accepts and never replies:
// the key that starts the game shows its first frame of play at once (a
// wait for the seed would take the exchange's three-second step at least),
// and the game plays a seed of its own, with no token.
TEST_F(DealtSeed, AServerThatNeverRepliesHoldsNoGameBack)
{
    TMuteServer server;
    ASSERT_GT(server.Port, 0);
    ::setenv(kScoreServerVariable, ("localhost:" + std::to_string(server.Port)).c_str(), 1);
    SetHttpExchange(nullptr);
    Click(kMenuNewGame);
    ASSERT_EQ(Pages->LastChild, &Pages->GameType);
    for (int i = 0; i < 500 && server.Accepted == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_GT(server.Accepted, 0) << "the seed request is under way";
    Pages->KeyDown(Platform::kVkDown); // lights Fourfall
    Pages->KeyUp(Platform::kVkDown);
    Host.PaintPending();
    const auto key = std::chrono::steady_clock::now();
    Pages->KeyDown(Platform::kVkReturn);
    Pages->KeyUp(Platform::kVkReturn);
    Host.PaintPending();
    const auto frame = std::chrono::steady_clock::now();
    ASSERT_EQ(Pages->LastChild, &Pages->Play);
    EXPECT_EQ(Rules().GameState.Status, GFourfall::kStatusPlaying);
    EXPECT_EQ(Rules().GameState.GameNum, 0);
    EXPECT_EQ(Board().DealtToken(), "");
    const double ms = std::chrono::duration<double, std::milli>(frame - key).count();
    std::cout << "key to the first frame of play, seed request unanswered: " << ms << " ms\n";
    RecordProperty("KeyToFirstFrameMs", static_cast<int>(ms));
    EXPECT_LT(ms, 1000.0);
}

} // namespace
} // namespace WFourfall::Test
