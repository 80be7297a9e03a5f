// Replays sent to the server: a played game's replay verifies the result the
// game sent before it, and the result then shows as verified with its replay
// to download; every replay that does not prove its claim is refused with
// its reason, counted, and changes nothing; and a hostile replay costs no
// more than the bounds.

#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/Rules.h"
#include "server/HttpServer.h"
#include "server/ReplayCheck.h"
#include "server/ScoreService.h"
#include "server/SeedToken.h"
#include "server/WorldPage.h"
#include "store/ScoreSubmit.h"
#include "tests/server/ReplayGames.h"
#include "tests/server/RequestTarget.h"
#include "tests/server/ServerFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <iostream>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

namespace ServerTest {
namespace {

using ScoreServer::TBodyState;
using ScoreServer::TDbStatus;
using ScoreServer::THttpResponse;
using ScoreServer::TReplayBounds;
using ScoreServer::TReplayRefusal;
using ScoreServer::TRequest;
using ScoreServer::TScoreRecord;

constexpr std::int64_t kNow = 1733788800; // 2024-12-10

TRequest Upload(const std::string& text, TBodyState state = TBodyState::Complete)
{
    TRequest r = RequestFromTarget(ScoreServer::kApiReplaysPath, "POST");
    r.BodyState = state;
    if (state == TBodyState::Complete)
        r.Body = text;
    return r;
}

// The replay's claim line changed to another score.
std::string WithScore(const std::string& text, std::int32_t score)
{
    const std::size_t at = text.find("# score ");
    const std::size_t end = text.find('\n', at);
    return text.substr(0, at) + "# score " + std::to_string(score) + text.substr(end);
}

std::string WithName(const std::string& text, const std::string& name)
{
    const std::size_t at = text.find("# name ");
    const std::size_t end = text.find('\n', at);
    return text.substr(0, at) + "# name " + name + text.substr(end);
}

// A game that never ends: the falling figure is pushed left and right and
// never falls.
GFourfall::TReplay EndlessGame(std::size_t operations, std::int32_t claim)
{
    GFourfall::TReplay r = PlayedGame(GFourfall::kGameFourfall, 5, "Endless", 0);
    r.Steps.clear();
    for (std::size_t i = 0; i < operations; ++i)
        r.Steps.push_back({static_cast<std::uint32_t>(i),
                           i % 2 ? GFourfall::TReplayOp::Left : GFourfall::TReplayOp::Right});
    r.Score = claim;
    return r;
}

// The service's bounds in these tests: the played games hold a few hundred
// operations; an endless one may hold 20000.
TReplayBounds TestBounds()
{
    TReplayBounds bounds;
    bounds.MaxOperations = 20000;
    return bounds;
}

class ReplayVerify : public ::testing::Test {
protected:
    ReplayVerify()
        : Service(
              *Db, Limiter, [this] { return Now; }, TestBounds())
    {
    }

    TTestDatabase Test{TBackend::Sqlite};
    std::unique_ptr<ScoreServer::TScoreDatabase> Db = Test.Open();
    ScoreServer::TRateLimiter Limiter{0};
    std::int64_t Now = kNow; // the service's clock
    ScoreServer::TScoreService Service;

    // A seed token for the next game of the type, asked for as the game asks.
    std::string Token(std::int32_t onlineType)
    {
        const THttpResponse r =
            Service.Handle(RequestFromTarget("/api/v1/seed?type=" + std::to_string(onlineType)));
        EXPECT_EQ(r.Status, 200) << r.Body;
        return r.Body.substr(0, r.Body.find('\n'));
    }

    // A game played on a seed the server dealt just now; the clock is then
    // moved on by its played time, as it would while the game is played.
    GFourfall::TReplay Dealt(std::int32_t gameNum, const std::string& name, std::uint32_t playMs = 60000)
    {
        GFourfall::TReplay game = DealtGame(Token(GFourfall::OnlineType(gameNum)), gameNum, name, playMs);
        Now += game.Steps.back().TimeMs / 1000 + 1;
        return game;
    }

    // The designed GET the game sends first.
    void Submit(std::int32_t type, const std::string& name, std::int32_t score)
    {
        ASSERT_EQ(Service.Handle(RequestFromTarget(GameTarget(type, name, score))).Status, 200);
    }

    std::vector<TScoreRecord> Best(std::int32_t type)
    {
        std::vector<TScoreRecord> best;
        EXPECT_EQ(Db->Best(type, 100, best), TDbStatus::Ok);
        return best;
    }

    std::uint64_t Refusals(TReplayRefusal reason) const
    {
        return Service.Counts().ReplaysRefused[static_cast<int>(reason)].load();
    }
};

// The whole path of a played game: the result, then its replay; the result
// is verified, its replay downloads byte for byte as a file the game plays,
// and the pages tell it from a typed result.
TEST_F(ReplayVerify, APlayedGamesReplayVerifiesItsResultAndDownloads)
{
    const GFourfall::TReplay game = Dealt(GFourfall::kGameColorFourfall, "Zo\xe9 \x80");
    ASSERT_GT(game.Score, 0);
    const std::string text = GFourfall::ReplayText(game);
    const std::int32_t type = GFourfall::OnlineType(game.GameNum);
    Submit(type, "Zo\xe9 \x80", game.Score);
    Submit(type, "Zo\xe9 \x80", game.Score + 500); // typed by hand: stays unverified

    const THttpResponse r = Service.Handle(Upload(text));
    EXPECT_EQ(r.Status, 200) << r.Body;
    EXPECT_EQ(r.Body, "verified: " + std::to_string(game.Score) + " points in Color Fourfall\n");
    EXPECT_EQ(Service.Counts().Verified, 1u);
    EXPECT_EQ(Service.Counts().ReplaysRefusedInAll(), 0u);

    const std::vector<TScoreRecord> best = Best(type);
    ASSERT_EQ(best.size(), 2u);
    EXPECT_FALSE(best[0].Verified) << "the typed higher score";
    EXPECT_TRUE(best[1].Verified);
    EXPECT_EQ(best[1].Score, game.Score);

    // The download: the uploaded bytes, as a file.
    const THttpResponse file = Service.Handle(RequestFromTarget(ScoreServer::ReplayPath(best[1].Id)));
    ASSERT_EQ(file.Status, 200);
    EXPECT_EQ(file.Body, text);
    EXPECT_EQ(file.ContentType, "text/plain; charset=windows-1252");
    ASSERT_EQ(file.Headers.size(), 1u);
    EXPECT_EQ(file.Headers[0].second,
              "attachment; filename=\"tumbletown-" + std::to_string(best[1].Id) + ".replay\"");
    GFourfall::TReplay back;
    std::string why;
    ASSERT_TRUE(GFourfall::ParseReplay(file.Body, back, why)) << why;
    GFourfall::TRules rules;
    EXPECT_EQ(GFourfall::PlayReplayToEnd(rules, back).Score, game.Score);
    // No replay for the unverified result, nor for ids that are not ids.
    for (const std::string& path :
         {ScoreServer::ReplayPath(best[0].Id), ScoreServer::ReplayPath(999),
          std::string("/api/v1/replays/0") + std::to_string(best[1].Id), std::string("/api/v1/replays/"),
          std::string("/api/v1/replays/1x"), std::string("/api/v1/replays/-1")})
        EXPECT_EQ(Service.Handle(RequestFromTarget(path)).Status, 404) << path;
    EXPECT_EQ(Service.Handle(RequestFromTarget(ScoreServer::ReplayPath(best[1].Id) + "?x=1")).Status, 400);

    // The page marks the verified result with its download; the switch
    // shows verified results only.
    const std::string page = Service.Handle(RequestFromTarget(ScoreServer::WorldPagePath(type))).Body;
    const std::string link = "<a class=\"verified\" href=\"" + ScoreServer::ReplayPath(best[1].Id) + "\"";
    EXPECT_NE(page.find(link), std::string::npos);
    EXPECT_EQ(page.find("class=\"verified\""), page.rfind("class=\"verified\"")) << "one mark only";
    EXPECT_NE(page.find(std::to_string(game.Score + 500)), std::string::npos);
    EXPECT_NE(
        page.find("href=\"/cgi/version.pl?prg=Tumbltwn&amp;show&amp;type=2&amp;verified\">Verified only"),
        std::string::npos);
    const THttpResponse verified = Service.Handle(RequestFromTarget(ScoreServer::WorldPagePath(type, true)));
    ASSERT_EQ(verified.Status, 200);
    EXPECT_NE(verified.Body.find(link), std::string::npos);
    EXPECT_EQ(verified.Body.find(std::to_string(game.Score + 500)), std::string::npos);
    EXPECT_NE(verified.Body.find("<td class=\"rank\">1</td>"), std::string::npos);
    EXPECT_EQ(verified.Body.find("<td class=\"rank\">2</td>"), std::string::npos);
    // Tabs keep the view; another type has no verified result yet.
    EXPECT_NE(verified.Body.find("type=0&amp;verified\">Fourfall</a>"), std::string::npos);
    EXPECT_NE(Service.Handle(RequestFromTarget(ScoreServer::WorldPagePath(0, true)))
                  .Body.find("No verified results yet."),
              std::string::npos);
    EXPECT_EQ(Service.Handle(RequestFromTarget(ScoreServer::WorldPagePath(type) + "&verified=1")).Status,
              400);

    // The JSON says the same.
    const std::string json = Service.Handle(RequestFromTarget("/api/v1/scores?type=2")).Body;
    EXPECT_NE(json.find("\"verified\":false}"), std::string::npos) << json;
    EXPECT_NE(json.find("\"verified\":true,\"replay\":\"" + ScoreServer::ReplayPath(best[1].Id) + "\"}"),
              std::string::npos)
        << json;
    // The best verified replay is named even where the list it comes with
    // stops above it (the game races it); a type without one names none.
    const std::string top = Service.Handle(RequestFromTarget("/api/v1/scores?type=2&limit=1")).Body;
    EXPECT_EQ(top.find("\"verified\":true"), std::string::npos) << top;
    EXPECT_NE(top.find(",\"bestVerifiedReplay\":\"" + ScoreServer::ReplayPath(best[1].Id) + "\"}"),
              std::string::npos)
        << top;
    EXPECT_NE(
        Service.Handle(RequestFromTarget("/api/v1/scores?type=0")).Body.find("\"bestVerifiedReplay\":null}"),
        std::string::npos);
    // Health reports it.
    EXPECT_NE(Service.Handle(RequestFromTarget("/healthz")).Body.find("1 verified, 0 replays refused"),
              std::string::npos);
}

// Of several unverified results of the same name, type and score the replay
// verifies the newest (the one its game sent just before it); another name's
// or type's results are left alone.
TEST_F(ReplayVerify, TheNewestUnverifiedResultOfTheClaimIsTheOneVerified)
{
    const GFourfall::TReplay game = Dealt(GFourfall::kGameFourfall, "Ann");
    const GFourfall::TReplay second = Dealt(GFourfall::kGameFourfall, "Ann");
    ASSERT_NE(GFourfall::ReplayText(game), GFourfall::ReplayText(second));
    Submit(0, "Ann", game.Score);
    Submit(0, "Bob", game.Score);
    Submit(1, "Ann", game.Score);
    Submit(0, "Ann", game.Score); // the same score again, later
    ASSERT_EQ(Service.Handle(Upload(GFourfall::ReplayText(game))).Status, 200);
    std::vector<TScoreRecord> best = Best(0);
    ASSERT_EQ(best.size(), 3u);
    // Equal scores rank by who came first: Ann, Bob, Ann (newest).
    EXPECT_FALSE(best[0].Verified);
    EXPECT_FALSE(best[1].Verified);
    EXPECT_TRUE(best[2].Verified);
    EXPECT_FALSE(Best(1)[0].Verified);
    if (second.Score == game.Score) {
        // Another game of the same score verifies the older one in its turn.
        ASSERT_EQ(Service.Handle(Upload(GFourfall::ReplayText(second))).Status, 200);
        EXPECT_TRUE(Best(0)[0].Verified);
    }
}

struct THostileCase {
    const char* What;
    std::string Body;
    TBodyState State;
    TReplayRefusal Reason;
    int Status;
    const char* Why;
};

// Every replay that does not prove a result kept on the server: refused with
// its reason in a short line, counted under that reason, and nothing is
// marked or kept.
TEST_F(ReplayVerify, HostileReplaysAreRefusedWithTheirReasonAndChangeNothing)
{
    const GFourfall::TReplay game = Dealt(GFourfall::kGameFourfall, "Ann");
    const std::string text = GFourfall::ReplayText(game);
    const std::int32_t score = game.Score;
    Submit(0, "Ann", score);
    Submit(0, "Ann", score + 1);
    Submit(2, "Ann", score);
    GFourfall::TReplay unclaimed = game;
    unclaimed.HasClaim = false;
    // A Color Fourfall game whose result went out as a Fourfall one.
    const GFourfall::TReplay otherType = Dealt(GFourfall::kGameColorFourfall, "Cara");
    Submit(0, "Cara", otherType.Score);
    GFourfall::TReplay cut = game;
    cut.Steps.resize(game.Steps.size() / 2);

    const THostileCase cases[] = {
        {"huge, by its length", "", TBodyState::TooLarge, TReplayRefusal::TooLarge, 413, "replay too large"},
        {"huge, sent whole", text + std::string(TestBounds().MaxBytes, '#'), TBodyState::Complete,
         TReplayRefusal::TooLarge, 413, "replay too large"},
        {"no length", "", TBodyState::NoLength, TReplayRefusal::NoLength, 411, "length required"},
        {"not a replay", "hello\n", TBodyState::Complete, TReplayRefusal::Malformed, 400,
         "not a replay: not a replay of this format"},
        {"cut short", text.substr(0, text.size() / 2), TBodyState::Complete, TReplayRefusal::Malformed, 400,
         "not a replay: cut short"},
        {"empty", "", TBodyState::Complete, TReplayRefusal::Malformed, 400,
         "not a replay: not a replay of this format"},
        {"no claim", GFourfall::ReplayText(unclaimed), TBodyState::Complete, TReplayRefusal::NoClaim, 400,
         "no name and score in the replay"},
        {"too many operations", GFourfall::ReplayText(EndlessGame(20001, 0)), TBodyState::Complete,
         TReplayRefusal::TooManyOperations, 413, "too many operations"},
        {"endless", GFourfall::ReplayText(EndlessGame(20000, 0)), TBodyState::Complete,
         TReplayRefusal::NotFinished, 422, "game not over at the end of the replay"},
        {"game stopped before its end", GFourfall::ReplayText(cut), TBodyState::Complete,
         TReplayRefusal::NotFinished, 422, "game not over at the end of the replay"},
        {"another score claimed (kept on the server)", WithScore(text, score + 1), TBodyState::Complete,
         TReplayRefusal::ScoreDiffers, 422, "score does not match"},
        {"another type", GFourfall::ReplayText(otherType), TBodyState::Complete, TReplayRefusal::NoSuchResult,
         422, "no unverified result of that name, type and score"},
        {"another name", WithName(text, "Mallory"), TBodyState::Complete, TReplayRefusal::NoSuchResult, 422,
         "no unverified result of that name, type and score"},
        {"a result never submitted", GFourfall::ReplayText(Dealt(GFourfall::kGameFourfall, "Newcomer")),
         TBodyState::Complete, TReplayRefusal::NoSuchResult, 422,
         "no unverified result of that name, type and score"},
    };
    for (const THostileCase& c : cases) {
        const std::uint64_t before = Refusals(c.Reason);
        const THttpResponse r = Service.Handle(Upload(c.Body, c.State));
        EXPECT_EQ(r.Status, c.Status) << c.What << ": " << r.Body;
        EXPECT_EQ(r.Body, std::string("refused: ") + c.Why + "\n") << c.What;
        EXPECT_EQ(Refusals(c.Reason), before + 1) << c.What;
    }
    EXPECT_EQ(Service.Counts().Verified, 0u);
    for (std::int32_t type : {0, 2})
        for (const TScoreRecord& r : Best(type))
            EXPECT_FALSE(r.Verified) << r.Name << " " << r.Score;
    EXPECT_EQ(Service.Counts().ReplaysRefusedInAll(), std::size(cases));
    const std::string health = Service.Handle(RequestFromTarget("/healthz")).Body;
    EXPECT_NE(health.find("score-differs 1, no-such-result 3"), std::string::npos) << health;

    // The replay itself verifies its own result, once: the same game again,
    // even under another name or with other times, is refused.
    ASSERT_EQ(Service.Handle(Upload(text)).Status, 200);
    Submit(0, "Ann", score);
    Submit(0, "Thief", score);
    GFourfall::TReplay retimed = game;
    for (GFourfall::TReplayStep& s : retimed.Steps)
        s.TimeMs += 1;
    for (const std::string& again : {text, WithName(text, "Thief"), GFourfall::ReplayText(retimed)}) {
        const THttpResponse r = Service.Handle(Upload(again));
        EXPECT_EQ(r.Status, 409);
        EXPECT_EQ(r.Body, "refused: replay already used\n");
    }
    EXPECT_EQ(Refusals(TReplayRefusal::AlreadyUsed), 3u);
    EXPECT_EQ(Service.Counts().Verified, 1u);
    int verified = 0;
    for (const TScoreRecord& r : Best(0))
        verified += r.Verified;
    EXPECT_EQ(verified, 1);
}

// The seed request: a token for the type asked for, in the agreed form,
// new each time; no token for a type the server does not keep.
TEST_F(ReplayVerify, TheServerDealsASignedSeedTokenForATypeAndNothingElse)
{
    const THttpResponse r = Service.Handle(RequestFromTarget("/api/v1/seed?type=3"));
    ASSERT_EQ(r.Status, 200) << r.Body;
    EXPECT_EQ(r.ContentType.rfind("text/plain", 0), 0u);
    ASSERT_FALSE(r.Body.empty());
    EXPECT_EQ(r.Body.back(), '\n');
    const std::string token = r.Body.substr(0, r.Body.size() - 1);
    EXPECT_LE(token.size(), GFourfall::kMaxReplayToken);
    ScoreServer::TSeedToken read;
    ASSERT_TRUE(ScoreServer::ParseSeedToken(token, read)) << token;
    EXPECT_EQ(token.rfind("1.3.", 0), 0u) << token;
    EXPECT_EQ(read.OnlineType, 3);
    EXPECT_EQ(read.Issued, kNow);
    EXPECT_EQ(read.Seed, SeedOfToken(token));
    std::string secret;
    ASSERT_EQ(Db->Secret("unused", secret), TDbStatus::Ok);
    EXPECT_NE(secret, "unused") << "the secret made at the first request is kept";
    EXPECT_TRUE(ScoreServer::SeedTokenSigned(secret, token));
    EXPECT_NE(Token(3), token) << "each request a new nonce and seed";
    for (const char* bad : {"/api/v1/seed?type=9", "/api/v1/seed?type=-1", "/api/v1/seed?type=01",
                            "/api/v1/seed", "/api/v1/seed?type=1&x=2", "/api/v1/seed?type=%31"})
        EXPECT_EQ(Service.Handle(RequestFromTarget(bad)).Status, 400) << bad;
}

// The seed request counts against the rate limit like any other.
TEST(SeedRequest, IsRateLimited)
{
    TTestDatabase test{TBackend::Sqlite};
    auto db = test.Open();
    ScoreServer::TRateLimiter limiter{2};
    ScoreServer::TScoreService service(*db, limiter, [] { return kNow; });
    int limited = 0;
    for (int i = 0; i < 10; ++i)
        limited += service.Handle(RequestFromTarget("/api/v1/seed?type=0")).Status == 429;
    EXPECT_GT(limited, 0);
}

// A replay verifies only with a token this database's servers dealt for its
// type and seed, not yet used, not expired, and not sooner after its issue
// than the game's own played time. Otherwise the result stays unverified
// and the answer says why.
TEST_F(ReplayVerify, WithoutAGoodSeedTokenTheResultStaysUnverified)
{
    std::string secret;
    ASSERT_EQ(Db->Secret("unused", secret), TDbStatus::Ok);
    struct TCase {
        const char* What;
        std::function<GFourfall::TReplay()> Make;
        TReplayRefusal Reason;
        int Status;
        const char* Why;
    };
    auto retoken = [](GFourfall::TReplay game, const std::string& token) {
        game.Token = token;
        return game;
    };
    const TCase cases[] = {
        {"a seed of the game's own (no token)",
         [&] { return retoken(Dealt(GFourfall::kGameFourfall, "Ann"), ""); }, TReplayRefusal::NoToken, 422,
         "the game's seed was not dealt by the server (no seed token)"},
        {"a seed the server never dealt, signed by another secret",
         [&] {
             const std::string forged =
                 ScoreServer::IssueSeedToken("another secret", 0, 77, Now, std::string(32, 'a'));
             Now += 100;
             return DealtGame(forged, GFourfall::kGameFourfall, "Ann");
         },
         TReplayRefusal::BadToken, 422, "the seed token was not signed by this server"},
        {"a token with its seed edited",
         [&] {
             GFourfall::TReplay game = Dealt(GFourfall::kGameFourfall, "Ann");
             ScoreServer::TSeedToken t;
             EXPECT_TRUE(ScoreServer::ParseSeedToken(game.Token, t));
             const std::string edited = "1.0." + std::to_string(t.Seed ^ 1) + "." + std::to_string(t.Issued) +
                                        "." + t.Nonce + "." + t.Signature;
             return DealtGame(edited, GFourfall::kGameFourfall, "Ann");
         },
         TReplayRefusal::BadToken, 422, "the seed token was not signed by this server"},
        {"a good token, the game played from another seed",
         [&] {
             GFourfall::TReplay game = Dealt(GFourfall::kGameFourfall, "Ann");
             return retoken(PlayedGame(GFourfall::kGameFourfall, game.Seed + 1, "Ann"), game.Token);
         },
         TReplayRefusal::BadToken, 422, "the game does not start from the dealt seed"},
        {"a token of another type",
         [&] {
             const std::string other = Token(1);
             Now += 100;
             return DealtGame(other, GFourfall::kGameFourfall, "Ann");
         },
         TReplayRefusal::BadToken, 422, "the seed token was dealt for another game type"},
        {"not a token", [&] { return retoken(Dealt(GFourfall::kGameFourfall, "Ann"), "1.0.5"); },
         TReplayRefusal::BadToken, 422, "the seed token is not one this server deals"},
        {"an expired token",
         [&] {
             GFourfall::TReplay game = Dealt(GFourfall::kGameFourfall, "Ann");
             Now += ScoreServer::kSeedTokenLifetime;
             return game;
         },
         TReplayRefusal::TokenExpired, 422, "the seed token has expired"},
        {"sooner than its played time",
         [&] {
             const std::string token = Token(0);
             GFourfall::TReplay game = DealtGame(token, GFourfall::kGameFourfall, "Ann");
             Now += game.Steps.back().TimeMs / 1000 - 2; // two seconds short of its played time
             return game;
         },
         TReplayRefusal::TooSoon, 422,
         "the replay came sooner after its seed than the game's own played time"},
    };
    for (const TCase& c : cases) {
        const GFourfall::TReplay game = c.Make();
        Submit(0, "Ann", game.Score);
        const std::uint64_t before = Refusals(c.Reason);
        const THttpResponse r = Service.Handle(Upload(GFourfall::ReplayText(game)));
        EXPECT_EQ(r.Status, c.Status) << c.What << ": " << r.Body;
        EXPECT_EQ(r.Body, std::string("refused: ") + c.Why + "; the result stays unverified\n") << c.What;
        EXPECT_EQ(Refusals(c.Reason), before + 1) << c.What;
    }
    for (const TScoreRecord& r : Best(0))
        EXPECT_FALSE(r.Verified) << r.Score;
    EXPECT_EQ(Service.Counts().Verified, 0u);

    // A token verifies once: another game from the same dealt seed, with
    // the same token, is refused, though it is a new game.
    const GFourfall::TReplay first = Dealt(GFourfall::kGameFourfall, "Bea");
    GFourfall::TReplay second = DealtGame(first.Token, GFourfall::kGameFourfall, "Bea", 30000);
    ASSERT_NE(ScoreServer::ReplayGameHash(first), ScoreServer::ReplayGameHash(second));
    Submit(0, "Bea", first.Score);
    Submit(0, "Bea", second.Score);
    EXPECT_EQ(Service.Handle(Upload(GFourfall::ReplayText(first))).Status, 200);
    const THttpResponse twice = Service.Handle(Upload(GFourfall::ReplayText(second)));
    EXPECT_EQ(twice.Status, 409) << twice.Body;
    EXPECT_EQ(twice.Body, "refused: its seed token already verified a result; the result stays unverified\n");
    EXPECT_EQ(Refusals(TReplayRefusal::TokenUsed), 1u);
    EXPECT_EQ(Service.Counts().Verified, 1u);
}

// What a cheater makes of a public verified replay, or of a game the game
// never plays online: each refused with its reason, and nothing verified.
TEST_F(ReplayVerify, CopiesOtherRulesAndForeignPacesAreRefused)
{
    const GFourfall::TReplay game = Dealt(GFourfall::kGameFourfall, "Ann");
    Submit(0, "Ann", game.Score);
    ASSERT_EQ(Service.Handle(Upload(GFourfall::ReplayText(game))).Status, 200);
    auto copy = [&](const char* name, auto&& change) {
        GFourfall::TReplay c = game;
        c.Name = name;
        change(c);
        return c;
    };
    struct TCase {
        const char* What;
        GFourfall::TReplay Replay;
        TReplayRefusal Reason;
        int Status;
        const char* Why;
    };
    auto played = [&](std::int32_t gameNum, const char* name, std::int32_t columns, std::int32_t rows,
                      std::int32_t difficulty) {
        const std::string token = Token(GFourfall::OnlineType(gameNum));
        GFourfall::TReplay r = PlayedGame(gameNum, SeedOfToken(token), name, 20000, columns, rows);
        if (difficulty != 1) { // played again with the other difficulty from the start
            GFourfall::TRules rules;
            r.Difficulty = difficulty;
            r.Score = GFourfall::PlayReplayToEnd(rules, r).Score;
        }
        r.Token = token;
        Now += r.Steps.back().TimeMs / 1000 + 1;
        return r;
    };
    GFourfall::TReplay fourColours = played(GFourfall::kGameColorFourfall, "Four", 13, 31, 0);
    GFourfall::TReplay zeroMs = Dealt(GFourfall::kGameFourfall, "Zero");
    for (GFourfall::TReplayStep& step : zeroMs.Steps)
        step.TimeMs = 0;
    GFourfall::TReplay slow = Dealt(GFourfall::kGameFourfall, "Slow");
    for (GFourfall::TReplayStep& step : slow.Steps)
        step.TimeMs *= 2;
    Now += slow.Steps.back().TimeMs / 1000; // and it took that long
    const TCase cases[] = {
        {"renamed, a clamped start level", copy("Bob", [](GFourfall::TReplay& r) { r.StartLevel = 5000; }),
         TReplayRefusal::OtherRules, 422, "start level 5000; online games start at level 1"},
        {"renamed, the ignored difficulty changed",
         copy("Cid", [](GFourfall::TReplay& r) { r.Difficulty = 7; }), TReplayRefusal::AlreadyUsed, 409,
         "replay already used"},
        {"renamed, an operation after the end",
         copy("Dee",
              [](GFourfall::TReplay& r) {
                  r.Steps.push_back({r.Steps.back().TimeMs, GFourfall::TReplayOp::Left});
              }),
         TReplayRefusal::AfterTheEnd, 422, "an operation after the game's end"},
        {"a wider well", played(GFourfall::kGameFourfall, "Wide", 20, 31, 1), TReplayRefusal::OtherRules, 422,
         "a well of 20 x 31 cells; online games are played in 13 x 31"},
        {"a narrower well", played(GFourfall::kGameFourfall, "Narrow", 4, 31, 1), TReplayRefusal::OtherRules,
         422, "a well of 4 x 31 cells; online games are played in 13 x 31"},
        {"a huge well", played(GFourfall::kGameFourfall, "Huge", 62, 62, 1), TReplayRefusal::OtherRules, 422,
         "a well of 62 x 62 cells; online games are played in 13 x 31"},
        {"four colours", fourColours, TReplayRefusal::OtherRules, 422,
         "difficulty 0; online games are played at difficulty 1"},
        {"every operation at 0 ms", zeroMs, TReplayRefusal::NotRealTime, 422,
         "not played in real time: a fall tick came 0 ms after the one before, sooner than its 1000 ms "
         "period"},
        {"ticks twice as slow", slow, TReplayRefusal::NotRealTime, 422, nullptr},
    };
    for (const TCase& c : cases) {
        Submit(GFourfall::OnlineType(c.Replay.GameNum), c.Replay.Name, c.Replay.Score);
        const std::uint64_t before = Refusals(c.Reason);
        const THttpResponse r = Service.Handle(Upload(GFourfall::ReplayText(c.Replay)));
        EXPECT_EQ(r.Status, c.Status) << c.What << ": " << r.Body;
        if (c.Why != nullptr) {
            EXPECT_EQ(r.Body, std::string("refused: ") + c.Why + "\n") << c.What;
        }
        EXPECT_EQ(Refusals(c.Reason), before + 1) << c.What << ": " << r.Body;
    }
    EXPECT_EQ(Service.Counts().Verified, 1u) << "the honest game alone";
    // The slow game's reason names the late ticks.
    const THttpResponse again = Service.Handle(Upload(GFourfall::ReplayText(slow)));
    EXPECT_NE(again.Body.find("fall ticks came late, as after a pause"), std::string::npos) << again.Body;
}

// The World button opens the verified view: a result typed by hand, however
// high, is not on it; its link to all results stays.
TEST_F(ReplayVerify, ATypedResultIsNotOnTheVerifiedView)
{
    const GFourfall::TReplay game = Dealt(GFourfall::kGameFourfall, "Ann");
    Submit(0, "Ann", game.Score);
    Submit(0, "Typist", 2147483647);
    ASSERT_EQ(Service.Handle(Upload(GFourfall::ReplayText(game))).Status, 200);
    const THttpResponse page = Service.Handle(RequestFromTarget(ScoreServer::WorldPagePath(0, true)));
    ASSERT_EQ(page.Status, 200);
    EXPECT_EQ(page.Body.find("2147483647"), std::string::npos);
    EXPECT_EQ(page.Body.find("Typist"), std::string::npos);
    const std::size_t first = page.Body.find("<td class=\"rank\">1</td>");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(page.Body.find(std::to_string(game.Score), first), std::string::npos);
    EXPECT_NE(page.Body.find("href=\"/cgi/version.pl?prg=Tumbltwn&amp;show&amp;type=0\""), std::string::npos)
        << "the link to all results";
}

// A result and a replay take exactly the same names: none that is empty,
// blank, holds a control byte, or an invisible character that makes two
// names look alike. A refused name is refused in both, with the same reason.
TEST_F(ReplayVerify, ResultsAndReplaysTakeTheSameNames)
{
    struct TCase {
        const char* What;
        std::string Name;
        const char* Problem; // nullptr: taken
    } cases[] = {
        {"plain", "Ann", nullptr},
        {"accents and the euro sign", "Zo\xe9 \x80", nullptr},
        {"spaces around a letter",
         " \xa0"
         "A ",
         nullptr},
        {"empty", "", "an empty name"},
        {"spaces only", "   ", "a name of spaces only"},
        {"no-break spaces only", "\xa0 \xa0", "a name of spaces only"},
        {"a soft hyphen", "Ann\xad", "an invisible character in the name"},
        {"DEL", "Ann\x7f", "a control character in the name"},
        {"an undefined byte (a C1 control)", "Ann\x81", "a control character in the name"},
        {"another",
         "A\x9d"
         "B",
         "a control character in the name"},
    };
    for (const TCase& c : cases) {
        const THttpResponse result = Service.Handle(RequestFromTarget(GameTarget(0, c.Name, 500)));
        const GFourfall::TReplay game = Dealt(GFourfall::kGameFourfall, "x");
        const THttpResponse sent = Service.Handle(RequestFromTarget(GameTarget(0, c.Name, game.Score)));
        // The name as sent, byte for byte (the game's writer would drop a DEL).
        const THttpResponse replay = Service.Handle(Upload(WithName(GFourfall::ReplayText(game), c.Name)));
        if (c.Problem == nullptr) {
            EXPECT_EQ(result.Status, 200) << c.What << ": " << result.Body;
            EXPECT_EQ(sent.Status, 200) << c.What;
            EXPECT_EQ(replay.Status, 200) << c.What << ": " << replay.Body;
        } else {
            EXPECT_EQ(result.Status, 400) << c.What;
            EXPECT_EQ(result.Body, std::string("refused: ") + c.Problem + "\n") << c.What;
            EXPECT_EQ(replay.Status, 400) << c.What << ": " << replay.Body;
            // The replay's own reader refuses the control bytes it never writes.
            EXPECT_TRUE(replay.Body == std::string("refused: ") + c.Problem + "\n" ||
                        replay.Body == "refused: not a replay: bad name\n")
                << c.What << ": " << replay.Body;
        }
    }
    EXPECT_EQ(Refusals(TReplayRefusal::BadName) + Refusals(TReplayRefusal::Malformed), 7u);
    EXPECT_GE(Refusals(TReplayRefusal::BadName), 6u);
}

// Two servers sharing one PostgreSQL database share its secret: a token
// dealt by one verifies at the other, and verifies once only, even when two
// games carrying it reach the two servers at the same moment.
TEST(SharedDatabase, ATokenFromOneServerVerifiesOnceAtEither)
{
    TTestDatabase test(TBackend::Postgres);
    auto dbA = test.Open();
    auto dbB = test.Open();
    ASSERT_TRUE(dbA && dbB);
    std::atomic<std::int64_t> now{kNow};
    ScoreServer::TRateLimiter limiterA{0}, limiterB{0};
    ScoreServer::TScoreService a(*dbA, limiterA, [&] { return now.load(); });
    ScoreServer::TScoreService b(*dbB, limiterB, [&] { return now.load(); });
    auto token = [](ScoreServer::TScoreService& s) {
        const THttpResponse r = s.Handle(RequestFromTarget("/api/v1/seed?type=0"));
        EXPECT_EQ(r.Status, 200) << r.Body;
        return r.Body.substr(0, r.Body.find('\n'));
    };
    const GFourfall::TReplay game = DealtGame(token(a), GFourfall::kGameFourfall, "Pat");
    now += game.Steps.back().TimeMs / 1000 + 1;
    ASSERT_EQ(b.Handle(RequestFromTarget(GameTarget(0, "Pat", game.Score))).Status, 200);
    const THttpResponse there = b.Handle(Upload(GFourfall::ReplayText(game)));
    EXPECT_EQ(there.Status, 200) << "a token of A at B: " << there.Body;

    // One token, two new games from its seed, each to one server at once.
    const std::string shared = token(b);
    const GFourfall::TReplay one = DealtGame(shared, GFourfall::kGameFourfall, "Quin", 20000);
    const GFourfall::TReplay two = DealtGame(shared, GFourfall::kGameFourfall, "Quin", 40000);
    ASSERT_NE(ScoreServer::ReplayGameHash(one), ScoreServer::ReplayGameHash(two));
    now += std::max(one.Steps.back().TimeMs, two.Steps.back().TimeMs) / 1000 + 1;
    ASSERT_EQ(a.Handle(RequestFromTarget(GameTarget(0, "Quin", one.Score))).Status, 200);
    ASSERT_EQ(b.Handle(RequestFromTarget(GameTarget(0, "Quin", two.Score))).Status, 200);
    THttpResponse atA, atB;
    std::thread first([&] { atA = a.Handle(Upload(GFourfall::ReplayText(one))); });
    std::thread second([&] { atB = b.Handle(Upload(GFourfall::ReplayText(two))); });
    first.join();
    second.join();
    EXPECT_EQ((atA.Status == 200) + (atB.Status == 200), 1) << atA.Body << atB.Body;
    EXPECT_EQ((atA.Status == 409) + (atB.Status == 409), 1) << atA.Body << atB.Body;
    std::vector<TScoreRecord> best;
    ASSERT_EQ(dbA->BestVerified(0, 10, best), TDbStatus::Ok);
    EXPECT_EQ(best.size(), 2u) << "Pat's and one of Quin's";
}

// A replay is sent with POST; other methods on its address are refused, and
// a POST elsewhere is no replay.
TEST_F(ReplayVerify, OnlyPostTakesAReplay)
{
    EXPECT_EQ(Service.Handle(RequestFromTarget(ScoreServer::kApiReplaysPath)).Status, 405);
    EXPECT_EQ(Service.Handle(RequestFromTarget(ScoreServer::kApiReplaysPath, "PUT")).Status, 405);
    TRequest elsewhere = Upload(PlayedGameText(0, 3, "Ann"));
    elsewhere.Path = ScoreServer::kApiScoresPath;
    EXPECT_EQ(Service.Handle(elsewhere).Status, 405);
    EXPECT_EQ(Service.Counts().ReplaysRefusedInAll(), 0u);
}

// What a hostile replay costs is bounded: an endless game within the
// operations bound is stopped once its CPU time is spent, long before its
// end, and one over the bound of operations is not played at all.
TEST(ReplayBounds, AnEndlessReplayCostsNoMoreThanItsBudget)
{
    TReplayBounds bounds;
    bounds.MaxOperations = 1000000;
    bounds.MaxBytes = 64u << 20;
    bounds.MaxCpuMs = 5;
    ScoreServer::TReplayChecker checker(bounds);
    const GFourfall::TReplay endless = EndlessGame(1000000, 100);
    const ScoreServer::TCheckedReplay stopped = checker.Check(GFourfall::ReplayText(endless));
    EXPECT_EQ(stopped.Refusal, TReplayRefusal::TooMuchCpu);
    EXPECT_EQ(stopped.Why, "replay takes too long to check");
    EXPECT_LT(stopped.Operations, endless.Steps.size()) << "stopped before its end";
    EXPECT_GT(stopped.Operations, 0u);
    // The budget is looked at every 256 operations, microseconds apart: the
    // play stops within a hair of it. The margin is for a loaded machine's
    // clock, not for the play.
    EXPECT_GE(stopped.CpuMicros, 5000);
    EXPECT_LT(stopped.CpuMicros, 5000 + 50000);

    // Within its budget the same kind of game is played to its end, and
    // refused for not ending.
    bounds.MaxCpuMs = 600000;
    bounds.MaxOperations = 20000;
    ScoreServer::TReplayChecker patient(bounds);
    const ScoreServer::TCheckedReplay played = patient.Check(GFourfall::ReplayText(EndlessGame(20000, 100)));
    EXPECT_EQ(played.Refusal, TReplayRefusal::NotFinished);
    EXPECT_EQ(played.Operations, 20000u);
    const ScoreServer::TCheckedReplay over = patient.Check(GFourfall::ReplayText(EndlessGame(20001, 100)));
    EXPECT_EQ(over.Refusal, TReplayRefusal::TooManyOperations);
    EXPECT_EQ(over.Operations, 0u) << "not played at all";
}

// Replays checked at once are all played at once: each check has rules of
// its own, so none waits for another and none is refused for want of them.
TEST(ReplayBounds, ReplaysCheckedAtOnceAreAllPlayedAtOnce)
{
    constexpr int kAtOnce = 4;
    ScoreServer::TReplayChecker checker;
    std::mutex mutex;
    std::condition_variable changed;
    int playing = 0;
    bool allMet = true;
    checker.PlayStarts = [&] {
        std::unique_lock<std::mutex> hold(mutex);
        ++playing;
        changed.notify_all();
        // Each play waits for the others: plays that took turns would never meet.
        if (!changed.wait_for(hold, std::chrono::seconds(5), [&] { return playing == kAtOnce; }))
            allMet = false;
    };
    const std::string text = PlayedGameText(GFourfall::kGameFourfall, 71, "Ann");
    ScoreServer::TCheckedReplay results[kAtOnce];
    std::vector<std::thread> threads;
    for (int i = 0; i < kAtOnce; ++i)
        threads.emplace_back([&, i] { results[i] = checker.Check(text); });
    for (std::thread& t : threads)
        t.join();
    EXPECT_TRUE(allMet);
    for (const ScoreServer::TCheckedReplay& r : results) {
        EXPECT_EQ(r.Refusal, TReplayRefusal::None) << r.Why;
        EXPECT_GT(r.Operations, 0u);
    }
}

// The game's hash leaves out what does not change the play (the claim and
// the times) and holds everything that does.
TEST(ReplayBounds, TheGameHashIsTheGamesAlone)
{
    const GFourfall::TReplay game = PlayedGame(GFourfall::kGameFourfall, 41, "Ann");
    const std::string hash = ScoreServer::ReplayGameHash(game);
    EXPECT_EQ(hash.size(), 16u);
    GFourfall::TReplay same = game;
    same.Name = "Other";
    same.Score = 1;
    same.Version = "x";
    for (GFourfall::TReplayStep& s : same.Steps)
        s.TimeMs *= 2;
    EXPECT_EQ(ScoreServer::ReplayGameHash(same), hash);
    auto changed = [&](auto&& change) {
        GFourfall::TReplay other = game;
        change(other);
        return ScoreServer::ReplayGameHash(other);
    };
    EXPECT_NE(changed([](GFourfall::TReplay& r) { r.Seed ^= 1; }), hash);
    EXPECT_NE(changed([](GFourfall::TReplay& r) { r.Columns += 1; }), hash);
    EXPECT_NE(changed([](GFourfall::TReplay& r) { r.Rows += 1; }), hash);
    EXPECT_NE(changed([](GFourfall::TReplay& r) { r.GameNum += 1; }), hash);
    EXPECT_NE(changed([](GFourfall::TReplay& r) { r.StartLevel += 1; }), hash);
    EXPECT_NE(changed([](GFourfall::TReplay& r) { r.Token = "1.0.1.1.x.y"; }), hash + "x")
        << "a token is no play";
    EXPECT_EQ(changed([](GFourfall::TReplay& r) { r.Token = "1.0.1.1.x.y"; }), hash);
    // Options as the rules take them: the Fourfall game ignores the
    // difficulty; the start level is clamped, so 5000 plays as 1999 does.
    EXPECT_EQ(changed([](GFourfall::TReplay& r) { r.Difficulty += 1; }), hash);
    EXPECT_EQ(changed([](GFourfall::TReplay& r) { r.StartLevel = 5000; }),
              changed([](GFourfall::TReplay& r) { r.StartLevel = GFourfall::kMaxLevel; }));
    EXPECT_EQ(changed([](GFourfall::TReplay& r) { r.StartLevel = -5; }),
              changed([](GFourfall::TReplay& r) { r.StartLevel = 0; }));
    GFourfall::TReplay colour = PlayedGame(GFourfall::kGameColorFourfall, 41, "Ann");
    const std::string colourHash = ScoreServer::ReplayGameHash(colour);
    colour.Difficulty += 1;
    EXPECT_NE(ScoreServer::ReplayGameHash(colour), colourHash) << "the colour game plays its difficulty";
    EXPECT_NE(changed([](GFourfall::TReplay& r) { r.Steps.pop_back(); }), hash);
    EXPECT_NE(changed([](GFourfall::TReplay& r) { r.Steps[3].Op = GFourfall::TReplayOp::Drop; }), hash);
}

// Over real sockets: the game's own upload request, byte for byte, after
// the game's own result request; a body over the bound is answered by its
// length without being read; a body trickled in is cut off at the deadline.
class ReplayUpload : public ::testing::TestWithParam<TBackend> {};

TEST_P(ReplayUpload, TheGamesOwnRequestVerifiesAndBoundsHold)
{
    TTestDatabase test(GetParam());
    auto db = test.Open();
    ASSERT_TRUE(db);
    ScoreServer::THttpLimits limits;
    limits.RequestTimeoutSeconds = 2;
    TInProcessServer server(*db, 0, limits);
    ASSERT_TRUE(server.Started);
    const GFourfall::TReplay game =
        DealtGame(TokenFrom(server.Port(), 8), GFourfall::kGameGrandFivefall, "Gr\xe4nd");
    ASSERT_FALSE(game.Token.empty());
    server.Ahead = game.Steps.back().TimeMs / 1000 + 1; // the game is played meanwhile
    ASSERT_EQ(
        SendAsTheGame(server.Port(), GFourfall::OnlineType(game.GameNum), "Gr\xe4nd", game.Score).Status,
        200);
    const std::string request = BuildReplayRequest(GFourfall::ReplayText(game), "localhost");
    const TReply reply = Exchange(server.Port(), request);
    EXPECT_EQ(reply.Status, 200) << reply.Body;
    std::vector<TScoreRecord> best;
    ASSERT_EQ(db->Best(GFourfall::OnlineType(game.GameNum), 10, best), TDbStatus::Ok);
    ASSERT_EQ(best.size(), 1u);
    EXPECT_TRUE(best[0].Verified);
    const TReply file = Get(server.Port(), ScoreServer::ReplayPath(best[0].Id));
    EXPECT_EQ(file.Status, 200);
    EXPECT_EQ(file.Body, GFourfall::ReplayText(game));
    EXPECT_NE(file.Headers.find("Content-Disposition: attachment"), std::string::npos);

    // A gigabyte announced: refused at once, nothing of it read.
    TRawClient huge(server.Port());
    ASSERT_TRUE(huge.Send("POST /api/v1/replays HTTP/1.0\r\nContent-Length: 1000000000\r\n\r\n# Tumbl"));
    const auto start = std::chrono::steady_clock::now();
    const TReply refused = ParseReply(huge.ReadAll(3000));
    EXPECT_EQ(refused.Status, 413);
    EXPECT_EQ(refused.Body, "refused: replay too large\n");
    EXPECT_LT(SecondsSince(start), 1.5);
    // No length at all.
    EXPECT_EQ(Exchange(server.Port(),
                       "POST /api/v1/replays HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n"
                       "5\r\nhello\r\n0\r\n\r\n")
                  .Status,
              411);
    // A body sent a byte at a time is cut off with the request's deadline.
    TRawClient slow(server.Port());
    ASSERT_TRUE(slow.Send("POST /api/v1/replays HTTP/1.0\r\nContent-Length: 100\r\n\r\n"));
    bool closed = false;
    const auto trickle = std::chrono::steady_clock::now();
    for (int i = 0; i < 8 && !closed; ++i) {
        slow.Send("#");
        closed = slow.ClosedWithin(500);
    }
    EXPECT_TRUE(closed) << "still open after " << SecondsSince(trickle) << " s";
    EXPECT_LT(SecondsSince(trickle), 3.5);
}

INSTANTIATE_TEST_SUITE_P(Both, ReplayUpload, ::testing::ValuesIn(kBackends),
                         [](const auto& info) { return std::string(BackendName(info.param)); });

// ------------------------------------------------ bounds an honest game fits
// The replay bounds are sized from the longest honest game: three hours of
// the classic game played well at a steady eight keys a second, each level's
// ticks at its period. Its replay, with a dealt seed, verifies through the
// service's default bounds; one operation or one byte past them is refused
// with its reason.

constexpr std::uint32_t kLongestHonestGameMs = 3 * 3600 * 1000;

TEST(ReplayBounds, TheLongestHonestGameVerifiesAndOneJustPastTheBoundIsRefused)
{
    TTestDatabase test(TBackend::Sqlite);
    auto db = test.Open();
    ASSERT_TRUE(db);
    ScoreServer::TRateLimiter limiter(0);
    std::int64_t now = kNow;
    ScoreServer::TScoreService service(*db, limiter, [&] { return now; }); // the default bounds
    const TReplayBounds bounds;
    const std::int32_t type = GFourfall::OnlineType(GFourfall::kGameFourfall);
    const THttpResponse seed = service.Handle(RequestFromTarget("/api/v1/seed?type=" + std::to_string(type)));
    ASSERT_EQ(seed.Status, 200);
    const std::string token = seed.Body.substr(0, seed.Body.find('\n'));
    GFourfall::TReplay game =
        LongGame(GFourfall::kGameFourfall, SeedOfToken(token), "Marathon", kLongestHonestGameMs);
    game.Token = token;
    const std::string text = GFourfall::ReplayText(game);
    const std::uint32_t playedMs = game.Steps.back().TimeMs;
    // The player kept the game going for the whole time.
    ASSERT_GE(playedMs, kLongestHonestGameMs);
    EXPECT_LE(game.Steps.size(), bounds.MaxOperations);
    EXPECT_LE(text.size(), bounds.MaxBytes);
    GFourfall::TRules rules;
    const GFourfall::TReplayOutcome outcome = GFourfall::PlayReplayToEnd(rules, game);
    std::cout << "longest honest game: " << playedMs / 1000 << " s to level " << outcome.Level << ", "
              << game.Steps.size() << " operations (" << game.Steps.size() * 1000.0 / playedMs
              << " a second), " << text.size() << " bytes ("
              << static_cast<double>(text.size()) / game.Steps.size() << " an operation), score "
              << game.Score << "\n";

    now += playedMs / 1000 + 1;
    ASSERT_EQ(service.Handle(RequestFromTarget(GameTarget(type, "Marathon", game.Score))).Status, 200);
    TRequest upload = RequestFromTarget(ScoreServer::kApiReplaysPath, "POST");
    upload.BodyState = ScoreServer::TBodyState::Complete;
    upload.Body = text;
    const THttpResponse verified = service.Handle(upload);
    EXPECT_EQ(verified.Status, 200) << verified.Body;
    EXPECT_EQ(verified.Body.rfind("verified: ", 0), 0u) << verified.Body;
    std::cout << "its check: " << verified.Note << "\n";

    // One operation past the bound: refused unplayed, for its operations.
    GFourfall::TReplay longer = game;
    while (longer.Steps.size() <= bounds.MaxOperations)
        longer.Steps.push_back({longer.Steps.back().TimeMs + 1, GFourfall::TReplayOp::Tick});
    const std::string longerText = GFourfall::ReplayText(longer);
    ASSERT_LE(longerText.size(), bounds.MaxBytes) << "the operations bound is reached before the bytes";
    upload.Body = longerText;
    const THttpResponse tooMany = service.Handle(upload);
    EXPECT_EQ(tooMany.Status, 413);
    EXPECT_EQ(tooMany.Body, "refused: too many operations\n");
    // One byte past the bound: refused by its length, unread.
    ScoreServer::TReplayChecker checker;
    EXPECT_EQ(checker.Check(std::string(bounds.MaxBytes + 1, '#')).Refusal, TReplayRefusal::TooLarge);
    EXPECT_EQ(service.MaxBodyBytes(), bounds.MaxBytes);
    upload.BodyState = ScoreServer::TBodyState::TooLarge;
    upload.Body.clear();
    const THttpResponse tooLarge = service.Handle(upload);
    EXPECT_EQ(tooLarge.Status, 413);
    EXPECT_EQ(tooLarge.Body, "refused: replay too large\n");
}

// The HTTP server takes the largest replay: its body bound is the checker's,
// and one client may have at least one of the largest in flight.
TEST(ReplayBounds, TheHttpBodyBoundsHoldTheLargestReplay)
{
    const TReplayBounds bounds;
    const ScoreServer::THttpLimits limits;
    EXPECT_GE(limits.MaxBodyBytes, bounds.MaxBytes);
    EXPECT_GE(limits.MaxBodyMemoryPerAddress, bounds.MaxBytes);
    EXPECT_GE(limits.MaxBodyMemory, limits.MaxBodyMemoryPerAddress);
}

} // namespace
} // namespace ServerTest
