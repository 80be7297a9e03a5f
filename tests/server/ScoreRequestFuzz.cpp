// The server's own request handling, fed anything: a request made of the
// input (method, path, query split as the HTTP library splits it) never
// crashes it, always gets a status it may give, and a name of any bytes that
// goes in through a submission never comes out of the page as markup.
#include "server/ScoreService.h"
#include "server/ViewerFiles.h"
#include "server/WorldPage.h"
#include "tests/server/RequestTarget.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace ScoreServer;

TScoreService& Service(TScoreDatabase*& database)
{
    static std::string error;
    static std::unique_ptr<TScoreDatabase> db = OpenScoreDatabase(":memory:", TDbOptions{1, false}, error);
    static TRateLimiter limiter(0);
    static TScoreService service(*db, limiter, [] { return std::int64_t{1733788800}; });
    if (!db)
        std::abort();
    database = db.get();
    return service;
}

bool Allowed(int status)
{
    for (int s : {200, 302, 400, 404, 405, 411, 429, 503})
        if (status == s)
            return true;
    return false;
}

std::size_t CountOf(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    TScoreDatabase* db = nullptr;
    TScoreService& service = Service(db);
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    static const char* const kMethods[] = {"GET", "HEAD", "POST", "OPTIONS"};
    if (data[0] == 'N') {
        // A name of any bytes, sent as the game sends it, then the page.
        const std::string name = rest.substr(0, 59);
        const int type = static_cast<int>(name.size() % 4);
        const THttpResponse stored =
            service.Handle(ServerTest::RequestFromTarget(ServerTest::GameTarget(type, name, 1000)));
        if (!Allowed(stored.Status))
            std::abort();
        const THttpResponse page = service.Handle(ServerTest::RequestFromTarget(WorldPagePath(type)));
        if (page.Status != 200 || page.Body.find("<script") != std::string::npos ||
            page.Body.find("<img") != std::string::npos)
            std::abort();
        // Each row is exactly five cells, whatever the names hold.
        if (CountOf(page.Body, "<td") != 5 * CountOf(page.Body, "<tr><td"))
            std::abort();
        return 0;
    }
    if (data[0] == 'E') {
        // An If-None-Match header of any bytes for a viewer's file: read to
        // its end without a fault, and the tag named last is always found.
        const std::string tag = ETagOf("file");
        ETagMatches(rest, tag);
        if (!ETagMatches(rest + ", " + tag, tag))
            std::abort();
        return 0;
    }
    const THttpResponse r = service.Handle(ServerTest::RequestFromTarget(rest, kMethods[data[0] % 4]));
    if (!Allowed(r.Status) || r.Body.empty())
        std::abort();
    return 0;
}
