// The replay viewer as the service serves it: /watch/ID for a verified
// result only, under its own strict policy, the viewer's files with their
// types, every answer with an ETag that a browser sends back for a 304; the
// world page's Watch links exactly where there is something to watch.
#include "server/WatchPage.h"
#include "server/ScoreService.h"
#include "server/ViewerFiles.h"
#include "server/WorldPage.h"
#include "tests/platform/TempFolder.h"
#include "tests/server/ReplayGames.h"
#include "tests/server/RequestTarget.h"
#include "tests/server/ServerFixtures.h"

#include "rules/GameTypes.h"

#include <gtest/gtest.h>

namespace ServerTest {
namespace {

using ScoreServer::THttpResponse;
using ScoreServer::TRequest;
using ScoreServer::TViewerFiles;

constexpr std::int64_t kNow = 1733788800; // 2024-12-10

const char* const kViewerNames[] = {"viewer.js",  "viewer.css", "rules.js",
                                    "rules.wasm", "Balls.png",  "Specials.png"};

std::string Header(const THttpResponse& r, const std::string& name)
{
    for (const auto& [key, value] : r.Headers)
        if (key == name)
            return value;
    return "(none)";
}

class WatchPageTest : public ::testing::Test {
protected:
    WatchPageTest()
    {
        for (const char* name : kViewerNames)
            Folder.WriteFile(name, std::string("the bytes of ") + name);
    }

    // A verified result of a Grand Fourfall game by name, and its id.
    std::int64_t Verified(const std::string& name) { return Verified(name, Service, *Db); }
    // The same through another service and database; answer: the upload's.
    std::int64_t Verified(const std::string& name, ScoreServer::TScoreService& service,
                          ScoreServer::TScoreDatabase& db, std::string* answer = nullptr)
    {
        const std::int32_t type = GFourfall::OnlineType(GFourfall::kGameGrandFourfall);
        const ScoreServer::THttpResponse seed =
            service.Handle(RequestFromTarget("/api/v1/seed?type=" + std::to_string(type)));
        const GFourfall::TReplay game =
            DealtGame(seed.Body.substr(0, seed.Body.find('\n')), GFourfall::kGameGrandFourfall, name);
        Now += game.Steps.back().TimeMs / 1000 + 1; // the game is played meanwhile
        EXPECT_EQ(service.Handle(RequestFromTarget(GameTarget(type, name, game.Score))).Status, 200);
        TRequest upload = RequestFromTarget(ScoreServer::kApiReplaysPath, "POST");
        upload.BodyState = ScoreServer::TBodyState::Complete;
        upload.Body = GFourfall::ReplayText(game);
        const THttpResponse uploaded = service.Handle(upload);
        EXPECT_EQ(uploaded.Status, 200);
        if (answer != nullptr)
            *answer = uploaded.Body;
        std::vector<ScoreServer::TScoreRecord> best;
        EXPECT_EQ(db.BestVerified(type, 1, best), ScoreServer::TDbStatus::Ok);
        return best.empty() ? -1 : best[0].Id;
    }

    TestSupport::TempFolder Folder{"viewer"};
    TTestDatabase Test{TBackend::Sqlite};
    std::unique_ptr<ScoreServer::TScoreDatabase> Db = Test.Open();
    ScoreServer::TRateLimiter Limiter{0};
    std::int64_t Now = kNow;
    ScoreServer::TScoreService Service{*Db, Limiter, [this] { return Now; }};
};

TEST_F(WatchPageTest, AVerifiedResultHasItsPageWithNameTypeDateAndMark)
{
    TViewerFiles files;
    std::string error;
    ASSERT_TRUE(files.Load(Folder.Path(), error)) << error;
    Service.UseViewer(&files);
    const std::int64_t id = Verified("<i>Zo\xe9</i>");
    ASSERT_GT(id, 0);

    const THttpResponse page = Service.Handle(RequestFromTarget(ScoreServer::WatchPath(id)));
    ASSERT_EQ(page.Status, 200) << page.Body;
    EXPECT_EQ(page.ContentType, "text/html; charset=utf-8");
    EXPECT_EQ(Header(page, "Content-Security-Policy"), ScoreServer::kWatchPolicy);
    EXPECT_EQ(Header(page, "Cache-Control"), "no-cache");
    EXPECT_EQ(Header(page, "ETag"), ScoreServer::ETagOf(page.Body));
    const std::string& body = page.Body;
    EXPECT_NE(body.find("<span class=\"name\">&lt;i&gt;Zo\xc3\xa9&lt;/i&gt;</span>"), std::string::npos)
        << "the name as text, in UTF-8";
    EXPECT_EQ(body.find("<i>"), std::string::npos);
    EXPECT_NE(body.find("<span class=\"type\">Grand Fourfall</span>"), std::string::npos);
    EXPECT_NE(body.find("<time datetime=\"2024-12-10\">2024-12-10</time>"), std::string::npos);
    EXPECT_NE(body.find("&#x2713; verified"), std::string::npos);
    EXPECT_NE(body.find("data-replay=\"" + ScoreServer::ReplayPath(id) + "\""), std::string::npos);
    EXPECT_NE(body.find("<script src=\"/viewer/rules.js\" defer></script>"), std::string::npos);
    // Nothing inline: the policy would refuse it.
    EXPECT_EQ(body.find("<script>"), std::string::npos);
    EXPECT_EQ(body.find("<style"), std::string::npos);
    EXPECT_EQ(body.find(" style="), std::string::npos);

    // The same page again for a browser that has it: 304, no body.
    TRequest again = RequestFromTarget(ScoreServer::WatchPath(id));
    again.IfNoneMatch = "W/\"0000000000000000\", " + Header(page, "ETag");
    const THttpResponse cached = Service.Handle(again);
    EXPECT_EQ(cached.Status, 304);
    EXPECT_TRUE(cached.Body.empty());
    EXPECT_EQ(Header(cached, "ETag"), Header(page, "ETag"));

    // The world page links the row to it.
    const std::string world = Service.Handle(RequestFromTarget(ScoreServer::WorldPagePath(7))).Body;
    EXPECT_NE(world.find("<a class=\"watch\" href=\"/watch/" + std::to_string(id) + "\""), std::string::npos);
}

// A verified result whose replay's bytes were not kept (here: an address
// may keep none) stays verified; its upload was told so, and its replay and
// its page answer 410 Gone with the reason, not a page that cannot play.
TEST_F(WatchPageTest, AReplayNotKeptIsGoneWithItsReasonAndItsResultStaysVerified)
{
    TViewerFiles files;
    std::string error;
    ASSERT_TRUE(files.Load(Folder.Path(), error)) << error;
    TTestDatabase test(TBackend::Sqlite);
    ScoreServer::TDbOptions options{2, false};
    options.Storage.MaxBytesPerAddress = 0;
    auto db = ScoreServer::OpenScoreDatabase(test.Target(), options, error);
    ASSERT_TRUE(db) << error;
    ScoreServer::TScoreService service{*db, Limiter, [this] { return Now; }};
    service.UseViewer(&files);
    std::string answer;
    const std::int64_t id = Verified("Kim", service, *db, &answer);
    ASSERT_GT(id, 0);
    EXPECT_EQ(answer.rfind("verified: ", 0), 0u) << answer;
    EXPECT_NE(answer.find("its replay is not kept: its address keeps 0 bytes"), std::string::npos) << answer;
    for (const std::string& path : {ScoreServer::ReplayPath(id), ScoreServer::WatchPath(id)}) {
        const THttpResponse gone = service.Handle(RequestFromTarget(path));
        EXPECT_EQ(gone.Status, 410) << path;
        EXPECT_NE(gone.Body.find("no longer kept: its address keeps 0 bytes"), std::string::npos)
            << gone.Body;
    }
    // Still verified; an id never verified is still not found.
    const std::string verifiedPage =
        service.Handle(RequestFromTarget(ScoreServer::WorldPagePath(7, true))).Body;
    EXPECT_NE(verifiedPage.find("Kim"), std::string::npos);
    // Its row is marked verified but links to nothing that would answer 410,
    // and the game is not sent to race a replay that is gone.
    EXPECT_NE(verifiedPage.find("<span class=\"verified\""), std::string::npos);
    for (const std::string& page :
         {verifiedPage, service.Handle(RequestFromTarget(ScoreServer::WorldPagePath(7))).Body}) {
        EXPECT_EQ(page.find(ScoreServer::ReplayPath(id)), std::string::npos);
        EXPECT_EQ(page.find(ScoreServer::WatchPath(id)), std::string::npos);
    }
    const std::string api = service.Handle(RequestFromTarget("/api/v1/scores?type=7")).Body;
    EXPECT_NE(api.find("\"name\":\"Kim\""), std::string::npos) << api;
    EXPECT_NE(api.find("\"verified\":true"), std::string::npos) << api;
    EXPECT_EQ(api.find("\"replay\":"), std::string::npos) << api;
    EXPECT_NE(api.find("\"bestVerifiedReplay\":null"), std::string::npos) << api;
    EXPECT_EQ(service.Handle(RequestFromTarget(ScoreServer::ReplayPath(id + 100))).Status, 404);
    EXPECT_EQ(service.Handle(RequestFromTarget(ScoreServer::WatchPath(id + 100))).Status, 404);
    // A database with room keeps and serves the replay as before.
    const std::int64_t kept = Verified("Lou");
    EXPECT_EQ(Service.Handle(RequestFromTarget(ScoreServer::ReplayPath(kept))).Status, 200);
}

TEST_F(WatchPageTest, OnlyAVerifiedResultsIdHasAPage)
{
    TViewerFiles files;
    std::string error;
    ASSERT_TRUE(files.Load(Folder.Path(), error)) << error;
    Service.UseViewer(&files);
    const std::int64_t id = Verified("Pat");
    // A typed result, never verified.
    ASSERT_EQ(Service.Handle(RequestFromTarget(GameTarget(0, "Typed", 999))).Status, 200);
    std::vector<ScoreServer::TScoreRecord> typed;
    ASSERT_EQ(Db->Best(0, 1, typed), ScoreServer::TDbStatus::Ok);
    ASSERT_EQ(typed.size(), 1u);
    for (const std::string& path :
         {ScoreServer::WatchPath(typed[0].Id), ScoreServer::WatchPath(id + 100), std::string("/watch/"),
          "/watch/0" + std::to_string(id), std::string("/watch/-1"), std::string("/watch/1x"),
          std::string("/watch/99999999999999999999")})
        EXPECT_EQ(Service.Handle(RequestFromTarget(path)).Status, 404) << path;
    EXPECT_EQ(Service.Handle(RequestFromTarget(ScoreServer::WatchPath(id) + "?x")).Status, 400);
    EXPECT_EQ(Service.Handle(RequestFromTarget(ScoreServer::WatchPath(id), "POST")).Status, 405);
    EXPECT_EQ(Service.Handle(RequestFromTarget(ScoreServer::WatchPath(id), "HEAD")).Status, 200);
    // The typed row has nothing to watch.
    const std::string world = Service.Handle(RequestFromTarget(ScoreServer::WorldPagePath(0))).Body;
    EXPECT_EQ(world.find("class=\"watch\""), std::string::npos);
}

TEST_F(WatchPageTest, WithoutAViewerThereIsNoPageAndNoLink)
{
    const std::int64_t id = Verified("Pat");
    ASSERT_GT(id, 0);
    EXPECT_EQ(Service.Handle(RequestFromTarget(ScoreServer::WatchPath(id))).Status, 404);
    EXPECT_EQ(Service.Handle(RequestFromTarget("/viewer/viewer.js")).Status, 404);
    const std::string world = Service.Handle(RequestFromTarget(ScoreServer::WorldPagePath(7))).Body;
    EXPECT_NE(world.find("class=\"verified\""), std::string::npos);
    EXPECT_EQ(world.find("class=\"watch\""), std::string::npos);
    // An empty set (a load that failed) is no viewer either.
    TViewerFiles empty;
    Service.UseViewer(&empty);
    EXPECT_EQ(Service.Handle(RequestFromTarget(ScoreServer::WatchPath(id))).Status, 404);
}

TEST_F(WatchPageTest, TheViewersFilesComeWithTheirTypesAndETags)
{
    TViewerFiles files;
    std::string error;
    ASSERT_TRUE(files.Load(Folder.Path(), error)) << error;
    Service.UseViewer(&files);
    const std::pair<const char*, const char*> types[] = {
        {"viewer.js", "text/javascript; charset=utf-8"},
        {"rules.js", "text/javascript; charset=utf-8"},
        {"viewer.css", "text/css; charset=utf-8"},
        {"rules.wasm", "application/wasm"},
        {"Balls.png", "image/png"},
        {"Specials.png", "image/png"},
    };
    for (const auto& [name, type] : types) {
        SCOPED_TRACE(name);
        const THttpResponse r = Service.Handle(RequestFromTarget(std::string("/viewer/") + name));
        ASSERT_EQ(r.Status, 200);
        EXPECT_EQ(r.ContentType, type);
        EXPECT_EQ(r.Body, std::string("the bytes of ") + name);
        EXPECT_EQ(Header(r, "ETag"), ScoreServer::ETagOf(r.Body));
        TRequest again = RequestFromTarget(std::string("/viewer/") + name);
        again.IfNoneMatch = Header(r, "ETag");
        EXPECT_EQ(Service.Handle(again).Status, 304);
        again.IfNoneMatch = "\"other\"";
        EXPECT_EQ(Service.Handle(again).Status, 200);
    }
    for (const char* path :
         {"/viewer/", "/viewer/../server.log", "/viewer/index.html", "/viewer/rules.wasm?x"})
        EXPECT_EQ(Service.Handle(RequestFromTarget(path)).Status, 404) << path;
    EXPECT_EQ(Service.Handle(RequestFromTarget("/viewer/viewer.js", "POST")).Status, 405);
}

// A page load asks for six files: they must not use up an address's limit,
// while the page itself (a database read) still counts.
TEST(WatchPageLimit, TheViewersFilesAreNotRateLimited)
{
    TestSupport::TempFolder folder{"viewer"};
    for (const char* name : kViewerNames)
        folder.WriteFile(name, name);
    TViewerFiles files;
    std::string error;
    ASSERT_TRUE(files.Load(folder.Path(), error)) << error;
    TTestDatabase test{TBackend::Sqlite};
    std::unique_ptr<ScoreServer::TScoreDatabase> db = test.Open();
    ScoreServer::TRateLimiter limiter{2};
    ScoreServer::TScoreService service{*db, limiter};
    service.UseViewer(&files);
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(service.Handle(RequestFromTarget("/viewer/rules.wasm")).Status, 200) << i;
    EXPECT_EQ(service.Handle(RequestFromTarget("/watch/1")).Status, 404);
    EXPECT_EQ(service.Handle(RequestFromTarget("/watch/1")).Status, 404);
    EXPECT_EQ(service.Handle(RequestFromTarget("/watch/1")).Status, 429);
}

TEST(ViewerFiles, AMissingFileIsNamedAndLeavesNoViewer)
{
    TestSupport::TempFolder folder{"viewer"};
    for (const char* name : kViewerNames)
        if (std::string(name) != "rules.wasm")
            folder.WriteFile(name, name);
    TViewerFiles files;
    std::string error;
    EXPECT_FALSE(files.Load(folder.Path(), error));
    EXPECT_NE(error.find("rules.wasm"), std::string::npos) << error;
    EXPECT_TRUE(files.Empty());
    EXPECT_EQ(files.Find("viewer.js"), nullptr);
}

TEST(ViewerFiles, IfNoneMatchNamesTheTagAmongOthers)
{
    const std::string tag = "\"0123456789abcdef\"";
    const std::pair<const char*, bool> cases[] = {
        {"\"0123456789abcdef\"", true},
        {"W/\"0123456789abcdef\"", true},
        {"\"x\", \"0123456789abcdef\"", true},
        {"\"x\",\"0123456789abcdef\" ", true},
        {"*", true},
        {"", false},
        {"\"0123456789abcde\"", false},
        {"0123456789abcdef", false},
        {"\"x\", W/\"y\"", false},
        {",,", false},
    };
    for (const auto& [header, match] : cases)
        EXPECT_EQ(ScoreServer::ETagMatches(header, tag), match) << "If-None-Match: " << header;
}

} // namespace
} // namespace ServerTest
