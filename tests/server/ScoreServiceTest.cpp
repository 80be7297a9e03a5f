// The server's own request handling without sockets: routes, the checks a
// submission passes before anything is kept, the world page and the JSON,
// health, and the rate limit.

#include "server/ScoreService.h"
#include "rules/AbsGame.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/Rules.h"
#include "server/OnlineTypes.h"
#include "server/WorldPage.h"
#include "store/ScoreSubmit.h"
#include "tests/server/RequestTarget.h"
#include "tests/server/ServerFixtures.h"

#include <gtest/gtest.h>

#include <iterator>

namespace ServerTest {
namespace {

using ScoreServer::TQueryArg;
using ScoreServer::TRequest;

TRequest FromTarget(const std::string& target, const std::string& method = "GET")
{
    return RequestFromTarget(target, method);
}

class ScoreServiceTest : public ::testing::Test {
protected:
    TTestDatabase Test{TBackend::Sqlite};
    std::unique_ptr<ScoreServer::TScoreDatabase> Db = Test.Open();
    ScoreServer::TRateLimiter Limiter{0};
    ScoreServer::TScoreService Service{*Db, Limiter, [] { return std::int64_t{1733788800}; }}; // 2024-12-10

    std::int64_t Stored(std::int32_t type)
    {
        std::int64_t n = -1;
        EXPECT_EQ(Db->Count(type, n), ScoreServer::TDbStatus::Ok);
        return n;
    }
};

TEST_F(ScoreServiceTest, TheGamesSubmissionIsStoredWithNameTimeAndAddress)
{
    auto r = Service.Handle(FromTarget(GameTarget(2, "Zo\xe9 \x80", 4321)));
    EXPECT_EQ(r.Status, 200);
    EXPECT_EQ(r.Body, "stored: 4321 points in Color Fourfall\n");
    std::vector<ScoreServer::TScoreRecord> best;
    ASSERT_EQ(Db->Best(2, 10, best), ScoreServer::TDbStatus::Ok);
    ASSERT_EQ(best.size(), 1u);
    EXPECT_EQ(best[0].Name, "Zo\xc3\xa9 \xe2\x82\xac") << "kept as UTF-8";
    EXPECT_EQ(best[0].Score, 4321);
    EXPECT_EQ(best[0].SubmittedAt, 1733788800);
    EXPECT_EQ(best[0].ClientAddress, "192.0.2.7");
    EXPECT_EQ(Service.Counts().Stored, 1u);
}

// Every near miss is refused with a 4xx, counted, and nothing of it is kept.
TEST_F(ScoreServiceTest, AnythingThatIsNotExactlyASubmissionIsRefusedAndNotKept)
{
    const std::string good = GameTarget(0, "Ann", 100);
    const std::string inf = good.substr(good.find("inf=") + 4);
    struct TCase {
        std::string Target;
        int Status;
    } cases[] = {
        {"/cgi/version.pl?hs&prg=Tumbltwn&inf=" + inf.substr(0, inf.size() - 1), 400}, // a symbol short
        {"/cgi/version.pl?hs&prg=Tumbltwn&inf=" + inf + "AAAAAAAA", 400},              // a group too many
        {"/cgi/version.pl?hs&prg=Tumbltwn&inf=" + std::string(inf.size(), 'I'), 400},  // not a symbol
        {"/cgi/version.pl?hs&prg=Tumbltwn&inf=", 400},
        {"/cgi/version.pl?hs&prg=Tumbltwn", 400},
        {"/cgi/version.pl?hs&prg=Other&inf=" + inf, 400},
        {"/cgi/version.pl?hs&prg=Tumbltwn&inf=" + inf + "&inf=" + inf, 400},
        {"/cgi/version.pl?hs&prg=Tumbltwn&inf=" + inf + "&x=1", 400},
        {"/cgi/version.pl?hs=1&prg=Tumbltwn&inf=" + inf, 400},
        {GameTarget(9, "Ann", 100), 400}, // no such online type
        {GameTarget(-1, "Ann", 100), 400},
        {GameTarget(0, "Ann", 0), 400}, // never sent by the game
        {GameTarget(0, "A\x01", 100), 400},
        {GameTarget(0, std::string(60, 'x'), 100), 400},
        {"/cgi/version.pl?prg=Tumbltwn&inf=" + inf, 400},
        {"/cgi/other.pl?hs&prg=Tumbltwn&inf=" + inf, 404},
    };
    std::uint64_t refused = 0;
    for (const TCase& c : cases) {
        auto r = Service.Handle(FromTarget(c.Target));
        EXPECT_EQ(r.Status, c.Status) << c.Target;
        EXPECT_EQ(r.Body.find('\n'), r.Body.size() - 1) << "one line: " << r.Body;
        if (c.Status == 400 && c.Target.find("hs") != std::string::npos)
            ++refused;
    }
    std::int64_t stored = 0;
    for (const auto& type : ScoreServer::kOnlineTypes)
        stored += Stored(type.Number);
    EXPECT_EQ(stored, 0);
    EXPECT_EQ(Service.Counts().Refused, refused);
    EXPECT_EQ(Service.Counts().Stored, 0u);
}

TEST_F(ScoreServiceTest, RefusalsSayWhy)
{
    EXPECT_EQ(Service.Handle(FromTarget(GameTarget(0, "Ann", 0))).Body, "refused: score is not above 0\n");
    EXPECT_EQ(Service.Handle(FromTarget(GameTarget(9, "Ann", 5))).Body, "refused: no game type 9\n");
    EXPECT_EQ(Service.Handle(FromTarget("/cgi/version.pl?hs&prg=Tumbltwn&inf=AB")).Body,
              "refused: inf is not whole groups of 8 symbols\n");
}

TEST_F(ScoreServiceTest, WorldPageShowsTheBestOfItsTypeWithTabsAndEscapedNames)
{
    const std::vector<std::string> names = {"<script>alert(1)</script>", "\"><img src=x onerror=alert(1)>",
                                            "Tom & Jerry's", "Zo\xe9"};
    std::int32_t score = 900;
    for (const std::string& n : names)
        ASSERT_EQ(Service.Handle(FromTarget(GameTarget(3, n, score--))).Status, 200);
    ASSERT_EQ(Service.Handle(FromTarget(GameTarget(0, "elsewhere", 5000))).Status, 200);

    auto r = Service.Handle(FromTarget("/cgi/version.pl?prg=Tumbltwn&show&type=3"));
    ASSERT_EQ(r.Status, 200);
    EXPECT_EQ(r.ContentType, "text/html; charset=utf-8");
    const std::string& page = r.Body;
    EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(page.find("&quot;&gt;&lt;img src=x onerror=alert(1)&gt;"), std::string::npos);
    EXPECT_NE(page.find("Tom &amp; Jerry&#39;s"), std::string::npos);
    EXPECT_NE(page.find("Zo\xc3\xa9"), std::string::npos);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_EQ(page.find("elsewhere"), std::string::npos) << "another type's result";
    EXPECT_NE(page.find("2024-12-10"), std::string::npos);
    // Best first, ranks 1 to 4.
    EXPECT_LT(page.find("&lt;script"), page.find("Tom &amp;"));
    EXPECT_NE(page.find("<td class=\"rank\">4</td>"), std::string::npos);
    // A tab per type, the shown one selected.
    for (const auto& type : ScoreServer::kOnlineTypes)
        EXPECT_NE(page.find(">" + std::string(type.Name) + "</a>"), std::string::npos) << type.Name;
    EXPECT_NE(page.find("type=3\" class=\"selected\""), std::string::npos);

    EXPECT_EQ(Service.Handle(FromTarget("/cgi/version.pl?prg=Tumbltwn&show&type=9")).Status, 404);
    EXPECT_EQ(Service.Handle(FromTarget("/cgi/version.pl?prg=Tumbltwn&show&type=x")).Status, 404);
    EXPECT_EQ(Service.Handle(FromTarget("/cgi/version.pl?prg=Tumbltwn&show")).Status, 400);
}

// The game sends each of its nine types under the number rules/GameTypes.h
// gives it; the server keeps exactly those, each under the game's own name.
TEST(OnlineTypes, TheServerKnowsEveryGameTypeByItsNumberAndName)
{
    GFourfall::TRules rules;
    GFourfall::RulesInit(rules, 1);
    GFourfall::RegisterGameTypes(rules);
    EXPECT_EQ(std::size(ScoreServer::kOnlineTypes), static_cast<std::size_t>(GFourfall::kGameTypeCount));
    for (std::int32_t game = 0; game < GFourfall::kGameTypeCount; ++game) {
        const ScoreServer::TOnlineType* type = ScoreServer::FindOnlineType(GFourfall::OnlineType(game));
        ASSERT_NE(type, nullptr) << "game " << game;
        EXPECT_STREQ(type->Name, rules.GameState.Games[game]->Name()) << "game " << game;
    }
}

// The five types opened later: stored under their own number, each on its
// own world page, and not on another's.
TEST_F(ScoreServiceTest, TheFiveFurtherTypesAreStoredAndShownEachUnderItsOwnTab)
{
    const char* const names[] = {"Kid", "Kay", "Cray", "Grant", "Grace"};
    for (std::int32_t type = 4; type <= 8; ++type) {
        auto r = Service.Handle(FromTarget(GameTarget(type, names[type - 4], 1000 + type)));
        ASSERT_EQ(r.Status, 200) << r.Body;
        EXPECT_EQ(r.Body, "stored: " + std::to_string(1000 + type) + " points in " +
                              ScoreServer::FindOnlineType(type)->Name + "\n");
    }
    for (std::int32_t type = 4; type <= 8; ++type) {
        EXPECT_EQ(Stored(type), 1) << type;
        auto page =
            Service.Handle(FromTarget("/cgi/version.pl?prg=Tumbltwn&show&type=" + std::to_string(type)));
        ASSERT_EQ(page.Status, 200) << type;
        for (std::int32_t other = 4; other <= 8; ++other)
            EXPECT_EQ(page.Body.find("<span>" + std::string(names[other - 4]) + "</span>") !=
                          std::string::npos,
                      other == type)
                << "page " << type << ", name of " << other;
        EXPECT_NE(page.Body.find("type=" + std::to_string(type) + "\" class=\"selected\""),
                  std::string::npos);
    }
}

TEST_F(ScoreServiceTest, WorldPageHoldsTheBestHundred)
{
    std::vector<ScoreServer::TScoreRecord> many;
    for (int i = 1; i <= 150; ++i) {
        ScoreServer::TScoreRecord rec;
        rec.OnlineType = 1;
        rec.Name = "p" + std::to_string(i);
        rec.Score = i;
        rec.ClientAddress = "x";
        many.push_back(rec);
    }
    ASSERT_EQ(Db->AddMany(many), ScoreServer::TDbStatus::Ok);
    const std::string page = Service.Handle(FromTarget(ScoreServer::WorldPagePath(1))).Body;
    EXPECT_NE(page.find("<td class=\"rank\">100</td>"), std::string::npos);
    EXPECT_EQ(page.find("<td class=\"rank\">101</td>"), std::string::npos);
    EXPECT_NE(page.find(">p51<"), std::string::npos);
    EXPECT_EQ(page.find(">p50<"), std::string::npos);
    EXPECT_NE(Service.Handle(FromTarget(ScoreServer::WorldPagePath(2))).Body.find("No results yet."),
              std::string::npos);
}

TEST_F(ScoreServiceTest, JsonApiGivesTheSameListAsTheGameSees)
{
    ASSERT_EQ(Service.Handle(FromTarget(GameTarget(1, "a\"b<c>", 50))).Status, 200);
    ASSERT_EQ(Service.Handle(FromTarget(GameTarget(1, "second", 40))).Status, 200);
    auto r = Service.Handle(FromTarget("/api/v1/scores?type=1&limit=1"));
    ASSERT_EQ(r.Status, 200);
    EXPECT_EQ(r.ContentType, "application/json");
    EXPECT_EQ(r.Body,
              "{\"type\":1,\"name\":\"Fivefall\",\"scores\":[{\"rank\":1,\"name\":\"a\\\"b\\u003cc\\u003e\","
              "\"score\":50,\"date\":\"2024-12-10\",\"time\":1733788800,\"verified\":false}],"
              "\"bestVerifiedReplay\":null}\n");
    EXPECT_NE(Service.Handle(FromTarget("/api/v1/scores?type=1")).Body.find("second"), std::string::npos);
    for (const char* bad : {"/api/v1/scores?type=1&limit=0", "/api/v1/scores?type=1&limit=101",
                            "/api/v1/scores?type=1&limit=-1", "/api/v1/scores", "/api/v1/scores?type=1&x=2"})
        EXPECT_EQ(Service.Handle(FromTarget(bad)).Status, 400) << bad;
    EXPECT_EQ(Service.Handle(FromTarget("/api/v1/scores?type=9")).Status, 404);
}

TEST_F(ScoreServiceTest, OtherMethodsPathsAndTheRoot)
{
    auto post = Service.Handle(FromTarget(GameTarget(0, "Ann", 5), "POST"));
    EXPECT_EQ(post.Status, 405);
    EXPECT_EQ(Stored(0), 0);
    EXPECT_EQ(Service.Handle(FromTarget(GameTarget(0, "Ann", 5), "HEAD")).Status, 405);
    EXPECT_EQ(Stored(0), 0);
    EXPECT_EQ(Service.Handle(FromTarget(ScoreServer::WorldPagePath(0), "HEAD")).Status, 200);
    EXPECT_EQ(Service.Handle(FromTarget("/etc/passwd")).Status, 404);
    auto root = Service.Handle(FromTarget("/"));
    EXPECT_EQ(root.Status, 302);
    ASSERT_FALSE(root.Headers.empty());
    EXPECT_EQ(root.Headers[0].second, "/cgi/version.pl?prg=Tumbltwn&show&type=0");
    auto health = Service.Handle(FromTarget("/healthz"));
    EXPECT_EQ(health.Status, 200);
    EXPECT_EQ(health.Body.rfind("ok: 0 stored", 0), 0u) << health.Body;
}

// The limit counts every request of an address, answers 429 with the wait,
// leaves other addresses and health checks alone, and lets the address back
// in as the minute goes by.
TEST(ScoreServiceLimit, TooManyRequestsFromOneAddressGet429)
{
    TTestDatabase test(TBackend::Sqlite);
    auto db = test.Open();
    ASSERT_TRUE(db);
    double now = 1000.0;
    ScoreServer::TRateLimiter limiter(6, [&] { return now; });
    ScoreServer::TScoreService service(*db, limiter);
    TRequest page = FromTarget(ScoreServer::WorldPagePath(0));
    for (int i = 0; i < 6; ++i)
        ASSERT_EQ(service.Handle(page).Status, 200) << i;
    auto refused = service.Handle(page);
    EXPECT_EQ(refused.Status, 429);
    ASSERT_FALSE(refused.Headers.empty());
    EXPECT_EQ(refused.Headers[0], (std::pair<std::string, std::string>("Retry-After", "10")));
    // A submission from the address is refused too, and not kept.
    EXPECT_EQ(service.Handle(FromTarget(GameTarget(0, "Ann", 5))).Status, 429);
    std::int64_t n = -1;
    ASSERT_EQ(db->Count(0, n), ScoreServer::TDbStatus::Ok);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(service.Handle(FromTarget("/healthz")).Status, 200);
    TRequest other = page;
    other.ClientAddress = "198.51.100.1";
    EXPECT_EQ(service.Handle(other).Status, 200);
    now += 10.0; // one request's worth of the minute
    EXPECT_EQ(service.Handle(page).Status, 200);
    EXPECT_EQ(service.Handle(page).Status, 429);
    EXPECT_EQ(service.Counts().RateLimited, 3u);
}

} // namespace
} // namespace ServerTest
