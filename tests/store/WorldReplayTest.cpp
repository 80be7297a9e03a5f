// The world's best replay fetched for racing: reading the server's replies,
// the replay's address in the scores list, the checks a fetched replay must
// pass, and the fetch on its own thread through the exchange.
#include "store/WorldReplay.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/Replay.h"
#include "rules/Rules.h"

namespace {

using GFourfall::TReplay;
using GFourfall::TReplayOp;

// A classic game dropped to its end on the game's well, claiming the score
// it plays to (plus extra).
TReplay EndedGame(int32_t gameNum, uint32_t seed, int32_t extra = 0)
{
    TReplay r;
    r.Version = "0.1.0";
    r.Seed = seed;
    r.Columns = 13;
    r.Rows = 31;
    r.GameNum = gameNum;
    r.StartLevel = 1;
    r.Difficulty = 1;
    GFourfall::TRules rules;
    for (uint32_t t = 0;; t += 100) {
        r.Steps.push_back({t, t % 300 == 0 ? TReplayOp::Left : TReplayOp::Drop});
        r.Steps.push_back({t, TReplayOp::Tick});
        if (r.Steps.size() % 64 == 0 &&
            GFourfall::PlayReplayToEnd(rules, r).Status == GFourfall::kStatusGameOver)
            break;
    }
    r.HasClaim = true;
    r.Name = "Wanda";
    r.Score = GFourfall::PlayReplayToEnd(rules, r).Score + extra;
    return r;
}

TEST(WorldReplay, HttpRepliesSplitIntoStatusAndBody)
{
    struct TCase {
        const char* Reply;
        bool Ok;
        int Status;
        const char* Body;
    };
    const TCase cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Type: x\r\n\r\nbody", true, 200, "body"},
        {"HTTP/1.0 404 Not Found\r\n\r\n", true, 404, ""},
        {"HTTP/1.1 200 OK\r\n\r\n\r\nkeeps\r\n\r\nblank lines", true, 200, "\r\nkeeps\r\n\r\nblank lines"},
        {"HTTP/1.1 200 OK\r\nno end of the head", false, 0, ""},
        {"HTTP/2 200 OK\r\n\r\n", false, 0, ""},
        {"HTTP/1.1 2x0 OK\r\n\r\n", false, 0, ""},
        {"HTTP/1.1 20", false, 0, ""},
        {"", false, 0, ""},
        {"stored\n", false, 0, ""},
    };
    for (const TCase& c : cases) {
        int status = 0;
        std::string body;
        EXPECT_EQ(SplitHttpReply(c.Reply, status, body), c.Ok) << c.Reply;
        if (c.Ok) {
            EXPECT_EQ(status, c.Status) << c.Reply;
            EXPECT_EQ(body, c.Body) << c.Reply;
        }
    }
}

TEST(WorldReplay, TheBestReplaysAddressIsTakenOnlyAsAReplaysAddress)
{
    struct TCase {
        const char* Json;
        TBestReplayName Named;
        const char* Path;
    };
    const TCase cases[] = {
        {"{\"scores\":[],\"bestVerifiedReplay\":\"/api/v1/replays/42\"}", TBestReplayName::Named,
         "/api/v1/replays/42"},
        {"{\"scores\":[],\"bestVerifiedReplay\":null}", TBestReplayName::None, ""},
        {"{\"scores\":[]}", TBestReplayName::Bad, ""},
        {"{\"bestVerifiedReplay\":\"/api/v1/replays/\"}", TBestReplayName::Bad, ""},
        {"{\"bestVerifiedReplay\":\"/api/v1/replays/4x\"}", TBestReplayName::Bad, ""},
        {"{\"bestVerifiedReplay\":\"/api/v1/replays/4 HTTP/1.0\\r\\nX: y\"}", TBestReplayName::Bad, ""},
        {"{\"bestVerifiedReplay\":\"/api/v1/replays/1234567890123456789\"}", TBestReplayName::Bad, ""},
        {"{\"bestVerifiedReplay\":\"/etc/passwd\"}", TBestReplayName::Bad, ""},
        {"{\"bestVerifiedReplay\":\"http://elsewhere/api/v1/replays/1\"}", TBestReplayName::Bad, ""},
        {"{\"bestVerifiedReplay\":\"/api/v1/replays/7", TBestReplayName::Bad, ""},
        {"{\"bestVerifiedReplay\":", TBestReplayName::Bad, ""},
    };
    for (const TCase& c : cases) {
        std::string path;
        EXPECT_EQ(BestVerifiedReplayPath(c.Json, path), c.Named) << c.Json;
        if (c.Named == TBestReplayName::Named) {
            EXPECT_EQ(path, c.Path) << c.Json;
        }
    }
}

TEST(WorldReplay, OnlyAReplayThatPlaysToItsClaimIsTaken)
{
    const TReplay good = EndedGame(GFourfall::kGameFourfall, 77);
    ASSERT_GT(good.Score, 0);
    const std::string text = GFourfall::ReplayText(good);
    TReplay out;
    std::string why;
    ASSERT_TRUE(CheckFetchedReplay(text, GFourfall::kGameFourfall, out, why)) << why;
    EXPECT_EQ(out.Score, good.Score);
    EXPECT_EQ(out.Steps.size(), good.Steps.size());

    // Damaged: cut anywhere, or a byte changed into nonsense.
    for (std::size_t cut = 0; cut < text.size(); cut += 97) {
        EXPECT_FALSE(CheckFetchedReplay(text.substr(0, cut), GFourfall::kGameFourfall, out, why)) << cut;
        EXPECT_EQ(why.rfind("it is damaged", 0), 0u) << why;
    }
    std::string garbled = text;
    garbled[garbled.find("start")] = 'X';
    EXPECT_FALSE(CheckFetchedReplay(garbled, GFourfall::kGameFourfall, out, why));

    struct TCase {
        TReplay Replay;
        int32_t Asked;
        const char* Why;
    };
    TReplay noClaim = good;
    noClaim.HasClaim = false;
    TReplay unfinished = good;
    unfinished.Steps.resize(unfinished.Steps.size() / 2);
    unfinished.Score = 0;
    const TCase cases[] = {
        {EndedGame(GFourfall::kGameFourfall, 77, 10), GFourfall::kGameFourfall, "not the"}, // forged
        {EndedGame(GFourfall::kGameFourfall, 77, -1), GFourfall::kGameFourfall, "not the"},
        {good, GFourfall::kGameFivefall, "another game type"},
        {noClaim, GFourfall::kGameFourfall, "claims no score"},
        {unfinished, GFourfall::kGameFourfall, "does not end"},
    };
    for (const TCase& c : cases) {
        EXPECT_FALSE(CheckFetchedReplay(GFourfall::ReplayText(c.Replay), c.Asked, out, why)) << c.Why;
        EXPECT_NE(why.find(c.Why), std::string::npos) << why;
    }
}

// The fetch through the exchange results go through: the scores list of
// the type, then the replay it names, on a thread of its own.
class WorldReplayFetch : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv(kScoreServerVariable, "scores.example.org:8080", 1);
        SetHttpExchange([this](uint16_t port, const std::string& host, const std::string& request) {
            std::lock_guard<std::mutex> hold(Lock);
            Requests.push_back(host + ':' + std::to_string(port) + ' ' + request);
            const std::size_t end = request.find(' ', 4);
            const auto it = Replies.find(request.substr(4, end - 4));
            return it != Replies.end() ? it->second : std::string();
        });
    }
    void TearDown() override
    {
        SetHttpExchange({});
        unsetenv(kScoreServerVariable);
    }
    static std::string Ok(const std::string& body) { return "HTTP/1.1 200 OK\r\n\r\n" + body; }

    std::mutex Lock;
    std::map<std::string, std::string> Replies;
    std::vector<std::string> Requests;
};

TEST_F(WorldReplayFetch, FetchesTheNamedReplayAndRefusesOneThatDoesNotCheckOut)
{
    const TReplay good = EndedGame(GFourfall::kGameColorFourfall, 5);
    const TReplay forged = EndedGame(GFourfall::kGameColorFourfall, 5, 1000);
    Replies["/api/v1/scores?type=2&limit=1"] = Ok("{\"bestVerifiedReplay\":\"/api/v1/replays/7\"}");
    Replies["/api/v1/replays/7"] = Ok(GFourfall::ReplayText(good));
    TWorldReplayFetch fetch;
    EXPECT_EQ(fetch.State(), TWorldReplayFetch::TState::Idle);
    ASSERT_TRUE(fetch.Start(GFourfall::kGameColorFourfall));
    fetch.Wait();
    ASSERT_EQ(fetch.State(), TWorldReplayFetch::TState::Got) << fetch.Why();
    EXPECT_EQ(GFourfall::ReplayText(fetch.Replay()), GFourfall::ReplayText(good));
    EXPECT_EQ(fetch.GameNum(), GFourfall::kGameColorFourfall);
    ASSERT_EQ(Requests.size(), 2u);
    EXPECT_EQ(Requests[0], "scores.example.org:8080 GET /api/v1/scores?type=2&limit=1 HTTP/1.0\r\n"
                           "Host: scores.example.org\r\n\r\n");
    EXPECT_EQ(Requests[1].rfind("scores.example.org:8080 GET /api/v1/replays/7 HTTP/1.0\r\n", 0), 0u);

    Replies["/api/v1/replays/7"] = Ok(GFourfall::ReplayText(forged));
    ASSERT_TRUE(fetch.Start(GFourfall::kGameColorFourfall));
    fetch.Wait();
    EXPECT_EQ(fetch.State(), TWorldReplayFetch::TState::Refused);
    EXPECT_NE(fetch.Why().find("not the"), std::string::npos) << fetch.Why();
    EXPECT_EQ(fetch.Replay().Steps.size(), 0u) << "nothing of a refused replay is kept";
}

TEST_F(WorldReplayFetch, NoReplayNoServerAndAnswersThatAreNoList)
{
    struct TCase {
        const char* List;
        const char* Replay;
        TWorldReplayFetch::TState State;
    };
    const TCase cases[] = {
        {"HTTP/1.1 200 OK\r\n\r\n{\"bestVerifiedReplay\":null}", "", TWorldReplayFetch::TState::NoReplay},
        {"", "", TWorldReplayFetch::TState::Unreachable},
        {"HTTP/1.1 503 Busy\r\n\r\n", "", TWorldReplayFetch::TState::Unreachable},
        {"HTTP/1.1 200 OK\r\n\r\nnot json", "", TWorldReplayFetch::TState::Unreachable},
        {"HTTP/1.1 200 OK\r\n\r\n{\"bestVerifiedReplay\":\"/api/v1/replays/3\"}", "HTTP/1.1 404 No\r\n\r\n",
         TWorldReplayFetch::TState::Unreachable},
        {"HTTP/1.1 200 OK\r\n\r\n{\"bestVerifiedReplay\":\"/api/v1/replays/3\"}", "HTTP/1.1 200 OK\r\n\r\nx",
         TWorldReplayFetch::TState::Refused},
    };
    for (const TCase& c : cases) {
        Replies["/api/v1/scores?type=0&limit=1"] = c.List;
        Replies["/api/v1/replays/3"] = c.Replay;
        TWorldReplayFetch fetch;
        ASSERT_TRUE(fetch.Start(GFourfall::kGameFourfall));
        fetch.Wait();
        EXPECT_EQ(fetch.State(), c.State) << c.List << " / " << c.Replay;
    }
    // A type without a world list asks nothing.
    Requests.clear();
    TWorldReplayFetch fetch;
    EXPECT_FALSE(fetch.Start(99));
    EXPECT_TRUE(Requests.empty());
}

} // namespace
