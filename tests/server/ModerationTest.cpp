// Moderation by whoever runs the server: the real "tumbletown-scores
// moderate" command, run as a process of its own on the database a service
// of this process uses (as it is used while servers run), with SQLite and
// with PostgreSQL. A hidden result is gone from every page and answer and
// comes back when shown again; a refused name or address is refused on its
// results, replays and seeds; top shows a known replay's figures; bad
// arguments get a one-line reason and a non-zero exit.
#include "server/Moderation.h"
#include "rules/GameTypes.h"
#include "rules/Replay.h"
#include "server/RefusedList.h"
#include "server/ScoreService.h"
#include "server/ViewerFiles.h"
#include "server/WorldPage.h"
#include "tests/platform/TempFolder.h"
#include "tests/server/ReplayGames.h"
#include "tests/server/RequestTarget.h"
#include "tests/server/ServerFixtures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>

namespace ServerTest {
namespace {

using ScoreServer::TDbStatus;
using ScoreServer::THttpResponse;
using ScoreServer::TRequest;

constexpr std::int64_t kNow = 1733788800; // 2024-12-10

struct TRun {
    int Exit = -1;
    std::string Out, Err;
};

std::string Quoted(const std::string& word)
{
    std::string q = "'";
    for (char c : word)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// "tumbletown-scores moderate ARGS" as a process of its own.
TRun Moderate(const std::vector<std::string>& args)
{
    TestSupport::TempFolder folder{"moderate"};
    std::string command = Quoted(TServerProcess::Executable()) + " moderate";
    for (const std::string& a : args)
        command += " " + Quoted(a);
    const std::string out = folder.Path() + "/out", err = folder.Path() + "/err";
    command += " >" + Quoted(out) + " 2>" + Quoted(err);
    TRun run;
    const int status = std::system(command.c_str());
    run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Out = ReadFile(out);
    run.Err = ReadFile(err);
    return run;
}

std::vector<std::string> Words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class Moderation : public ::testing::TestWithParam<TBackend> {
protected:
    Moderation()
    {
        for (const char* name :
             {"viewer.js", "viewer.css", "rules.js", "rules.wasm", "Balls.png", "Specials.png"})
            ViewerFolder.WriteFile(name, std::string("the bytes of ") + name);
        std::string error;
        EXPECT_TRUE(Viewer.Load(ViewerFolder.Path(), error)) << error;
        Service.UseViewer(&Viewer);
        Service.Checker().PlayStarts = [this] { ++Plays; };
    }

    TRun Run(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--database", Test.Target()});
        return Moderate(args);
    }

    THttpResponse Get(const std::string& target, const std::string& address = "192.0.2.7")
    {
        return Service.Handle(RequestFromTarget(target, "GET", address));
    }

    std::string Token(std::int32_t type, const std::string& address = "192.0.2.7")
    {
        const THttpResponse r = Get("/api/v1/seed?type=" + std::to_string(type), address);
        EXPECT_EQ(r.Status, 200) << r.Body;
        return r.Body.substr(0, r.Body.find('\n'));
    }

    THttpResponse Upload(const GFourfall::TReplay& game, const std::string& address = "192.0.2.7")
    {
        TRequest r = RequestFromTarget(ScoreServer::kApiReplaysPath, "POST", address);
        r.BodyState = ScoreServer::TBodyState::Complete;
        r.Body = GFourfall::ReplayText(game);
        return Service.Handle(r);
    }

    // A game of the type played on a seed the server dealt; the clock is
    // moved on by its played time, as while it is played.
    GFourfall::TReplay Dealt(std::int32_t gameNum, const std::string& name)
    {
        GFourfall::TReplay game = DealtGame(Token(GFourfall::OnlineType(gameNum)), gameNum, name);
        Now += game.Steps.back().TimeMs / 1000 + 1;
        return game;
    }

    // The result of a played game, sent and then verified by its replay; its id.
    std::int64_t Verified(std::int32_t gameNum, const std::string& name)
    {
        const GFourfall::TReplay game = Dealt(gameNum, name);
        const std::int32_t type = GFourfall::OnlineType(gameNum);
        EXPECT_EQ(Get(GameTarget(type, name, game.Score)).Status, 200);
        EXPECT_EQ(Upload(game).Status, 200);
        std::vector<ScoreServer::TScoreRecord> best;
        EXPECT_EQ(Db->BestVerified(type, 100, best), TDbStatus::Ok);
        for (const auto& r : best)
            if (r.Score == game.Score && r.Name == name)
                return r.Id;
        return -1;
    }

    TTestDatabase Test{GetParam()};
    std::unique_ptr<ScoreServer::TScoreDatabase> Db = Test.Open();
    TestSupport::TempFolder ViewerFolder{"viewer"};
    ScoreServer::TViewerFiles Viewer;
    ScoreServer::TRateLimiter Limiter{0};
    std::int64_t Now = kNow;
    std::atomic<int> Plays{0}; // replays played again
    ScoreServer::TScoreService Service{*Db, Limiter, [this] { return Now; }};
};

// What each page and answer shows of a result, by its id and name.
struct TSeen {
    bool AllPage, VerifiedPage, Api, BestVerifiedInApi, Replay, Watch;
    std::string RankOneOnPage;
};

TEST_P(Moderation, AHiddenResultIsGoneFromEveryPageAndAnswerAndUnhideBringsItBack)
{
    const std::int32_t type = GFourfall::OnlineType(GFourfall::kGameFourfall);
    ASSERT_GT(Verified(GFourfall::kGameFourfall, "Alpha"), 0);
    ASSERT_GT(Verified(GFourfall::kGameFourfall, "Bravo"), 0);
    // The dealt seeds decide which game scored more: that one is hidden.
    std::vector<ScoreServer::TScoreRecord> ranked;
    ASSERT_EQ(Db->BestVerified(type, 2, ranked), TDbStatus::Ok);
    ASSERT_EQ(ranked.size(), 2u);
    const std::int64_t best = ranked[0].Id, second = ranked[1].Id;
    const std::string bestName = ranked[0].Name, secondName = ranked[1].Name;

    auto seen = [&]() {
        const std::string all = Get(ScoreServer::WorldPagePath(type)).Body;
        const std::string verified = Get(ScoreServer::WorldPagePath(type, true)).Body;
        const std::string api = Get("/api/v1/scores?type=" + std::to_string(type)).Body;
        const std::string rankOne = "<td class=\"rank\">1</td>";
        const std::size_t rank = all.find(rankOne);
        TSeen s;
        s.AllPage = all.find(bestName) != std::string::npos;
        s.VerifiedPage = verified.find(bestName) != std::string::npos;
        s.Api = api.find(bestName) != std::string::npos;
        s.BestVerifiedInApi =
            api.find("\"bestVerifiedReplay\":\"" + ScoreServer::ReplayPath(best) + "\"") != std::string::npos;
        s.Replay = Get(ScoreServer::ReplayPath(best)).Status == 200;
        s.Watch = Get("/watch/" + std::to_string(best)).Status == 200;
        s.RankOneOnPage = rank == std::string::npos ? "" : all.substr(rank, 200);
        return s;
    };
    TSeen before = seen();
    EXPECT_TRUE(before.AllPage && before.VerifiedPage && before.Api && before.BestVerifiedInApi &&
                before.Replay && before.Watch);
    EXPECT_NE(before.RankOneOnPage.find(bestName), std::string::npos);

    const TRun hide = Run({"hide", std::to_string(best)});
    ASSERT_EQ(hide.Exit, 0) << hide.Err;
    EXPECT_EQ(hide.Out, "hidden: result " + std::to_string(best) + "\n");
    // No waiting: the service keeps no page, each is read afresh.
    const TSeen hidden = seen();
    EXPECT_FALSE(hidden.AllPage);
    EXPECT_FALSE(hidden.VerifiedPage);
    EXPECT_FALSE(hidden.Api);
    EXPECT_FALSE(hidden.BestVerifiedInApi);
    EXPECT_FALSE(hidden.Replay);
    EXPECT_FALSE(hidden.Watch);
    EXPECT_NE(hidden.RankOneOnPage.find(secondName), std::string::npos)
        << "the next result moves up to rank 1";
    EXPECT_NE(Get("/api/v1/scores?type=" + std::to_string(type))
                  .Body.find("\"bestVerifiedReplay\":\"" + ScoreServer::ReplayPath(second) + "\""),
              std::string::npos);
    // top still shows it, marked.
    const TRun top = Run({"top", "--type", std::to_string(type)});
    ASSERT_EQ(top.Exit, 0) << top.Err;
    EXPECT_NE(top.Out.find("verified,hidden"), std::string::npos) << top.Out;

    const TRun unhide = Run({"unhide", std::to_string(best)});
    ASSERT_EQ(unhide.Exit, 0) << unhide.Err;
    const TSeen back = seen();
    EXPECT_TRUE(back.AllPage && back.VerifiedPage && back.Api && back.BestVerifiedInApi && back.Replay &&
                back.Watch);
    EXPECT_NE(back.RankOneOnPage.find(bestName), std::string::npos);
}

// A typed result hidden: gone from the page of all results, where it was rank 1.
TEST_P(Moderation, AHiddenTypedResultLeavesThePageOfAllResults)
{
    ASSERT_EQ(Get(GameTarget(0, "Honest", 500)).Status, 200);
    ASSERT_EQ(Get(GameTarget(0, "Typed", 2147483647)).Status, 200);
    std::vector<ScoreServer::TScoreRecord> best;
    ASSERT_EQ(Db->Best(0, 10, best), TDbStatus::Ok);
    ASSERT_EQ(best.size(), 2u);
    ASSERT_EQ(Run({"hide", std::to_string(best[0].Id)}).Exit, 0);
    const std::string page = Get(ScoreServer::WorldPagePath(0)).Body;
    EXPECT_EQ(page.find("Typed"), std::string::npos);
    EXPECT_EQ(page.find("2147483647"), std::string::npos);
    EXPECT_NE(page.find("Honest"), std::string::npos);
    const std::string api = Get("/api/v1/scores?type=0").Body;
    EXPECT_EQ(api.find("Typed"), std::string::npos);
    EXPECT_NE(api.find("{\"rank\":1,\"name\":\"Honest\""), std::string::npos) << api;
}

TEST_P(Moderation, RefusedNamesAndAddressesAreRefusedOnResultsReplaysAndSeeds)
{
    struct TCase {
        const char* Verb;
        const char* Value;   // as given to moderate
        const char* Name;    // the result's name
        const char* Address; // where it comes from
        bool Refused;
    } cases[] = {
        {"refuse-name", "Bad Guy", "Bad Guy", "192.0.2.7", true},
        {"refuse-name", "Bad Guy", "Bad Guy2", "192.0.2.7", false}, // byte for byte
        {"refuse-address", "198.51.100.9", "Ann", "198.51.100.9", true},
        {"refuse-address", "198.51.100.9", "Ann", "198.51.100.10", false},
        {"refuse-address", "203.0.113.0/24", "Ann", "203.0.113.200", true},
        // An IPv6 address alone stands for its /64, as in the rate limit.
        {"refuse-address", "2001:db8:1:2::5", "Ann", "2001:db8:1:2:ffff::1", true},
        {"refuse-address", "2001:db8:1:2::5", "Ann", "2001:db8:1:3::5", false},
        {"refuse-address", "2001:db8:7::/48", "Ann", "2001:db8:7:9::1", true},
    };
    const std::int32_t gameNum = GFourfall::kGameFourfall;
    const std::int32_t type = GFourfall::OnlineType(gameNum);
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Verb) + " " + c.Value + ": " + c.Name + " from " + c.Address);
        // The game is dealt and played before the refusal: its replay arrives after.
        GFourfall::TReplay game = DealtGame(Token(type, c.Address), gameNum, c.Name);
        Now += game.Steps.back().TimeMs / 1000 + 1;
        ASSERT_EQ(Get(GameTarget(type, c.Name, game.Score), c.Address).Status, 200);

        const TRun refuse = Run({c.Verb, c.Value});
        ASSERT_EQ(refuse.Exit, 0) << refuse.Err;
        Now += ScoreServer::kRefusedListSeconds; // every server has read the list again by now
        const bool addressRefused = c.Refused && std::string(c.Verb) == "refuse-address";
        const std::uint64_t moderated = Service.Counts().Moderated;
        const int plays = Plays;
        const THttpResponse replay = Upload(game, c.Address);
        // A refused address costs no play.
        EXPECT_EQ(Plays - plays, addressRefused ? 0 : 1);
        const THttpResponse result = Get(GameTarget(type, c.Name, 100), c.Address);
        const THttpResponse seed = Get("/api/v1/seed?type=" + std::to_string(type), c.Address);
        if (c.Refused) {
            EXPECT_EQ(replay.Status, 403) << replay.Body;
            EXPECT_EQ(result.Status, 403) << result.Body;
            const std::string why = addressRefused
                                        ? "refused: requests from this address are refused on this server\n"
                                        : "refused: this name is refused on this server\n";
            EXPECT_EQ(replay.Body, why);
            EXPECT_EQ(result.Body, why);
        } else {
            EXPECT_EQ(replay.Status, 200) << replay.Body;
            EXPECT_EQ(result.Status, 200) << result.Body;
        }
        // Seeds carry the type alone: an address is refused them, a name cannot be.
        EXPECT_EQ(seed.Status, addressRefused ? 403 : 200) << seed.Body;
        EXPECT_EQ(Service.Counts().Moderated - moderated, c.Refused ? (addressRefused ? 3u : 2u) : 0u);

        // Allowed again, all is taken again.
        const std::string allow = std::string(c.Verb) == "refuse-name" ? "allow-name" : "allow-address";
        const TRun allowed = Run({allow, c.Value});
        ASSERT_EQ(allowed.Exit, 0) << allowed.Err;
        EXPECT_EQ(allowed.Out.rfind("allowed: ", 0), 0u) << allowed.Out;
        Now += ScoreServer::kRefusedListSeconds;
        EXPECT_EQ(Get(GameTarget(type, c.Name, 100), c.Address).Status, 200);
        EXPECT_EQ(Get("/api/v1/seed?type=" + std::to_string(type), c.Address).Status, 200);
    }
    const TRun refused = Run({"refused"});
    EXPECT_EQ(refused.Exit, 0);
    EXPECT_EQ(refused.Out, "") << "every refusal was allowed again";
}

// A verified replay of known figures: 10 operations over 4.05 s, its token
// issued 1:02:05 before it arrived; a typed result beside it has no replay.
TEST_P(Moderation, TopShowsAKnownReplaysFigures)
{
    GFourfall::TReplay known;
    known.Version = GFourfall::GameVersion();
    known.Seed = 7;
    known.Columns = kDealtColumns;
    known.Rows = kDealtRows;
    known.GameNum = GFourfall::kGameFourfall;
    for (std::uint32_t i = 0; i < 10; ++i)
        known.Steps.push_back({i * 450, i % 2 ? GFourfall::TReplayOp::Left : GFourfall::TReplayOp::Tick});
    known.HasClaim = true;
    known.Name = "Known One";
    known.Score = 700;
    ScoreServer::TScoreRecord record;
    record.Name = "Known One";
    record.Score = 700;
    record.SubmittedAt = kNow;
    record.ClientAddress = "2001:db8::7";
    ASSERT_EQ(Db->Add(record), TDbStatus::Ok);
    record.Name = "Typed";
    record.Score = 900;
    record.ClientAddress = "192.0.2.8";
    ASSERT_EQ(Db->Add(record), TDbStatus::Ok);
    ScoreServer::TReplayClaim claim;
    claim.Name = "Known One";
    claim.Score = 700;
    claim.GameHash = "0123456789abcdef";
    claim.Text = GFourfall::ReplayText(known);
    claim.TokenIssued = kNow + 10;
    claim.VerifiedAt = kNow + 10 + 3725;
    claim.ClientAddress = "2001:db8::7";
    claim.TokenNonce = "nonce";
    ScoreServer::TVerifyResult verified;
    std::int64_t id = 0;
    ASSERT_EQ(Db->Verify(claim, verified, id), TDbStatus::Ok);
    ASSERT_EQ(verified, ScoreServer::TVerifyResult::Verified);
    // A verified result whose replay is no longer kept (its bytes emptied),
    // and one whose bytes are no replay.
    for (const char* name : {"Emptied", "Garbled"}) {
        record.Name = name;
        record.Score = 100;
        ASSERT_EQ(Db->Add(record), TDbStatus::Ok);
        claim.Name = name;
        claim.Score = 100;
        claim.GameHash = std::string("hash of ") + name;
        claim.TokenNonce = std::string("nonce of ") + name;
        claim.Text = *name == 'E' ? "" : "# not a replay\n";
        claim.TokenIssued = kNow + 20;
        claim.VerifiedAt = kNow + 20 + 61;
        std::int64_t other = 0;
        ASSERT_EQ(Db->Verify(claim, verified, other), TDbStatus::Ok);
        ASSERT_EQ(verified, ScoreServer::TVerifyResult::Verified);
    }

    const TRun top = Run({"top", "--type", "0"});
    ASSERT_EQ(top.Exit, 0) << top.Err;
    const std::vector<std::string> lines = Lines(top.Out);
    ASSERT_EQ(lines.size(), 5u) << top.Out;
    EXPECT_EQ(Words(lines[0]), (std::vector<std::string>{"ID", "SCORE", "STATE", "OPS", "PLAYED", "OPS/S",
                                                         "TOKEN-AGE", "ADDRESS", "SUBMITTED", "NAME"}));
    EXPECT_EQ(Words(lines[1]),
              (std::vector<std::string>{std::to_string(id + 1), "900", "unverified", "-", "-", "-", "-",
                                        "192.0.2.8", "2024-12-10T00:00:00Z", "Typed"}));
    EXPECT_EQ(Words(lines[2]),
              (std::vector<std::string>{std::to_string(id), "700", "verified", "10", "0:00:04", "2.5",
                                        "1:02:05", "2001:db8::7", "2024-12-10T00:00:00Z", "Known", "One"}));
    // Aligned: every column starts where its name does; the name is the rest of the line.
    const std::size_t nameAt = lines[0].find("NAME");
    EXPECT_EQ(lines[1].substr(nameAt), "Typed");
    EXPECT_EQ(lines[2].substr(nameAt), "Known One");
    for (const char* column : {"STATE", "ADDRESS", "SUBMITTED"})
        EXPECT_EQ(lines[1][lines[0].find(column) - 1], ' ') << column;
    const std::size_t agesEnd = lines[0].find("TOKEN-AGE") + std::string("TOKEN-AGE").size();
    EXPECT_EQ(lines[2].substr(agesEnd - 7, 7), "1:02:05") << "numbers to the right";

    EXPECT_EQ(Words(lines[3]),
              (std::vector<std::string>{std::to_string(id + 2), "100", "verified", "-", "-", "-", "0:01:01",
                                        "192.0.2.8", "2024-12-10T00:00:00Z", "Emptied"}));
    EXPECT_EQ(Words(lines[4]),
              (std::vector<std::string>{std::to_string(id + 3), "100", "verified", "?", "?", "?", "0:01:01",
                                        "192.0.2.8", "2024-12-10T00:00:00Z", "Garbled"}));

    const TRun fewer = Run({"top", "--type", "0", "--count", "1"});
    EXPECT_EQ(Lines(fewer.Out).size(), 2u) << fewer.Out;
}

// The token's issue time is kept with a replay the service verified, so
// that top can tell how long the game took to arrive.
TEST_P(Moderation, AVerifiedReplayKeepsWhenItsTokenWasIssued)
{
    const std::int64_t dealtAt = Now;
    const std::int64_t id = Verified(GFourfall::kGameFourfall, "Timed");
    ASSERT_GT(id, 0);
    std::vector<ScoreServer::TModeratedResult> top;
    ASSERT_EQ(Db->Top(0, 10, top), TDbStatus::Ok);
    ASSERT_EQ(top.size(), 1u);
    EXPECT_TRUE(top[0].HasReplay);
    EXPECT_EQ(top[0].TokenIssued, dealtAt);
    EXPECT_EQ(top[0].VerifiedAt, Now);
}

// Two real servers on one database, moderated by the command while they
// run: a hide shows on the next page of each, a refused address is refused
// by each within the bound the servers keep their list for.
TEST_P(Moderation, TakesEffectOnEveryRunningServerOfTheDatabase)
{
    TServerProcess first({"--database", Test.Target(), "--rate-limit", "0", "--viewer", "none"});
    TServerProcess second({"--database", Test.Target(), "--rate-limit", "0", "--viewer", "none"});
    ASSERT_TRUE(first.Ok() && second.Ok());
    ASSERT_EQ(SendAsTheGame(first.Port, 0, "Honest", 500).Status, 200);
    ASSERT_EQ(SendAsTheGame(second.Port, 0, "Typed", 999999).Status, 200);
    const TRun top = Run({"top", "--type", "0"});
    ASSERT_EQ(top.Exit, 0) << top.Err;
    const std::vector<std::string> lines = Lines(top.Out);
    ASSERT_EQ(lines.size(), 3u) << top.Out;
    ASSERT_EQ(Words(lines[1]).back(), "Typed");
    ASSERT_EQ(Run({"hide", Words(lines[1])[0]}).Exit, 0);
    for (const TServerProcess* server : {&first, &second}) {
        const TReply page = ServerTest::Get(server->Port, ScoreServer::WorldPagePath(0));
        EXPECT_EQ(page.Status, 200);
        EXPECT_EQ(page.Body.find("Typed"), std::string::npos);
        EXPECT_NE(page.Body.find("Honest"), std::string::npos);
    }

    ASSERT_EQ(Run({"refuse-address", "127.0.0.9"}).Exit, 0);
    const std::string request = "GET " + GameTarget(0, "Ann", 100) + " HTTP/1.0\r\nHost: localhost\r\n\r\n";
    for (const TServerProcess* server : {&first, &second}) {
        // Each refuses it once it has read the list again: within
        // kRefusedListSeconds (a second more for a slow machine).
        const auto start = std::chrono::steady_clock::now();
        int status = 0;
        while ((status = ExchangeFrom(server->Port, "127.0.0.9", request).Status) == 200 &&
               SecondsSince(start) < ScoreServer::kRefusedListSeconds + 1)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(status, 403);
        EXPECT_EQ(ExchangeFrom(server->Port, "127.0.0.10", request).Status, 200);
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, Moderation, ::testing::ValuesIn(kBackends),
                         [](const auto& info) { return std::string(BackendName(info.param)); });

TEST(ModerateCommand, BadArgumentsGetAOneLineReasonAndANonZeroExit)
{
    TTestDatabase test{TBackend::Sqlite};
    test.Open(); // made and migrated
    const std::string db = test.Target();
    struct TCase {
        std::vector<std::string> Args;
        int Exit;
        const char* Says;
    } cases[] = {
        {{"--database", db}, 2, "no command"},
        {{"--database", db, "frob"}, 2, "unknown command 'frob'"},
        {{"--database", db, "top"}, 2, "--type wants a game type"},
        {{"--database", db, "top", "--type", "9"}, 2, "--type wants a game type"},
        {{"--database", db, "top", "--type", "x"}, 2, "--type wants a game type"},
        {{"--database", db, "top", "--type", "0", "--count", "0"},
         2,
         "--count wants a number from 1 to 1000"},
        {{"--database", db, "top", "--type", "0", "--count", "1001"}, 2, "--count wants"},
        {{"--database", db, "top", "--type", "0", "extra"}, 2, "usage: moderate top --type N [--count K]"},
        {{"--database", db, "hide"}, 2, "usage: moderate hide ID"},
        {{"--database", db, "hide", "1", "2"}, 2, "usage: moderate hide ID"},
        {{"--database", db, "hide", "0"}, 2, "a result's id is a whole number"},
        {{"--database", db, "hide", "-1"}, 2, "a result's id is a whole number"},
        {{"--database", db, "unhide", "1x"}, 2, "a result's id is a whole number"},
        {{"--database", db, "hide", "--type", "0", "1"}, 2, "usage: moderate hide ID"},
        {{"--database", db, "hide", "12345"}, 1, "no result 12345"},
        {{"--database", db, "refuse-name", ""}, 2, "an empty name"},
        {{"--database", db, "refuse-address", "example.org"}, 2, "'example.org' is not an address"},
        {{"--database", db, "refuse-address", "10.0.0.1/33"}, 2, "is not an address"},
        {{"--database", db, "allow-address", "2001:db8::/129"}, 2, "is not an address"},
        {{"--database", db, "refused", "--bogus", "1"}, 2, "unknown option --bogus"},
        {{"--database"}, 2, "--database needs a value"},
        {{"--database", db + ".missing", "refused"}, 1, "no database at"},
    };
    for (const TCase& c : cases) {
        std::string shown;
        for (const std::string& a : c.Args)
            shown += " " + a;
        SCOPED_TRACE(shown);
        const TRun run = Moderate(c.Args);
        EXPECT_EQ(run.Exit, c.Exit);
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(Lines(run.Err).size(), 1u) << run.Err;
        EXPECT_NE(run.Err.find(c.Says), std::string::npos) << run.Err;
    }
    const TRun help = Moderate({"--help"});
    EXPECT_EQ(help.Exit, 0);
    for (const char* verb : {"top --type N", "hide ID", "unhide ID", "refuse-name NAME", "allow-name NAME",
                             "refuse-address", "allow-address", "refused"})
        EXPECT_NE(help.Out.find(verb), std::string::npos) << verb;
}

TEST(RefusedAddress, IsKeptAsItsNetworkWithTheAddressCutToThePrefix)
{
    const struct {
        const char* Given;
        const char* Kept; // "" : not an address
    } cases[] = {
        {"192.0.2.7", "192.0.2.7/32"},
        {"192.0.2.7/24", "192.0.2.0/24"},
        {"10.200.3.4/9", "10.128.0.0/9"},
        {"0.0.0.0/0", "0.0.0.0/0"},
        {"2001:db8:1:2:3:4:5:6", "2001:db8:1:2::/64"},
        {"2001:0db8:0001:0002::", "2001:db8:1:2::/64"},
        {"2001:db8::1/128", "2001:db8::1/128"},
        {"2001:db8:ffff::/33", "2001:db8:8000::/33"},
        {"1.2.3", ""},
        {"1.2.3.4/", ""},
        {"1.2.3.4/33", ""},
        {"::1/129", ""},
        {"", ""},
        {"name", ""},
    };
    for (const auto& c : cases) {
        std::string kept;
        EXPECT_EQ(ScoreServer::RefusedAddressText(c.Given, kept), *c.Kept != '\0') << c.Given;
        if (*c.Kept != '\0') {
            EXPECT_EQ(kept, c.Kept) << c.Given;
        }
    }
    ScoreServer::TRefusedList list;
    list.Set(
        {{"address", "2001:db8:1:2::/64"}, {"address", "192.0.2.0/24"}, {"name", "Bad"}, {"other", "x"}});
    EXPECT_TRUE(list.RefusesAddress("2001:db8:1:2:abcd::1"));
    EXPECT_FALSE(list.RefusesAddress("2001:db8:1:3::1"));
    EXPECT_TRUE(list.RefusesAddress("192.0.2.255"));
    EXPECT_FALSE(list.RefusesAddress("192.0.3.1"));
    EXPECT_TRUE(list.RefusesName("Bad"));
    EXPECT_FALSE(list.RefusesName("bad"));
    EXPECT_FALSE(list.RefusesName("x"));
}

} // namespace
} // namespace ServerTest
