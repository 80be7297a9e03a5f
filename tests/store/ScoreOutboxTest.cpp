// The outbox of results for the world server and the delivery that empties
// it: the item file and its damaged forms, the folder's bounds, what a reply
// says, and rounds of delivery against a scripted exchange (server up, down,
// taking the result and not its replay) and a silent one.

#include "store/ScoreOutbox.h"
#include "store/ScoreDelivery.h"

#include "platform/FolderFiles.h"
#include "store/ReplayFolder.h"
#include "store/ScoreSubmit.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <deque>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

TOutboxItem Item(int64_t queued, const std::string& name, int32_t score, const std::string& replay = "")
{
    TOutboxItem item;
    item.QueuedAt = queued;
    item.OnlineType = 2;
    item.Name = name;
    item.Score = score;
    item.Replay = replay;
    return item;
}

std::string AllNameBytes()
{
    std::string name;
    for (int c = 32; c < 32 + 59; ++c)
        name += static_cast<char>(c * 3 % 224 + 32);
    return name;
}

TEST(OutboxItem, TextReadsBackAsTheSameItem)
{
    for (bool sent : {false, true}) {
        TOutboxItem item = Item(1765400000, AllNameBytes(), 2147483647, "# replay\nline two\r\n\n");
        item.ScoreSent = sent;
        TOutboxItem back;
        ASSERT_TRUE(ParseOutboxItem(OutboxItemText(item), back));
        EXPECT_EQ(back.QueuedAt, item.QueuedAt);
        EXPECT_EQ(back.OnlineType, 2);
        EXPECT_EQ(back.Name, item.Name);
        EXPECT_EQ(back.Score, item.Score);
        EXPECT_EQ(back.Replay, item.Replay);
        EXPECT_EQ(back.ScoreSent, sent);
    }
    // Without a replay too.
    TOutboxItem back;
    ASSERT_TRUE(ParseOutboxItem(OutboxItemText(Item(5, "A", 1)), back));
    EXPECT_EQ(back.Replay, "");
}

TEST(OutboxItem, EveryCutOfAGoodTextIsRefused)
{
    const std::string text = OutboxItemText(Item(1765400000, "Ann", 420, "# replay\n"));
    for (std::size_t n = 0; n < text.size(); ++n) {
        TOutboxItem out;
        EXPECT_FALSE(ParseOutboxItem(text.substr(0, n), out)) << n;
    }
}

struct TDamage {
    const char* Name;
    std::string From, To;
};

TEST(OutboxItem, DamagedTextsAreRefused)
{
    const std::string good = OutboxItemText(Item(1765400000, "Ann", 420, "abc"));
    const TDamage cases[] = {
        {"magic", "outbox 1", "outbox 2"},
        {"score zero", "score 420", "score 0"},
        {"score negative", "score 420", "score -420"},
        {"score too large", "score 420", "score 2147483648"},
        {"leading zero", "score 420", "score 0420"},
        {"type beyond", "type 2", "type 16"},
        {"type sign", "type 2", "type +2"},
        {"empty name", "name Ann", "name "},
        {"control in name", "name Ann", std::string("name A\x1fn")},
        {"name too long", "name Ann", "name " + std::string(60, 'n')},
        {"sent flag", "score-sent 0", "score-sent 2"},
        {"replay longer", "replay 3", "replay 4"},
        {"replay shorter", "replay 3", "replay 2"},
        {"field order", "type 2\nscore 420", "score 420\ntype 2"},
        {"queued", "queued 1765400000", "queued x"},
    };
    for (const TDamage& c : cases) {
        std::string text = good;
        const std::size_t at = text.find(c.From);
        ASSERT_NE(at, std::string::npos) << c.Name;
        text.replace(at, c.From.size(), c.To);
        TOutboxItem out;
        EXPECT_FALSE(ParseOutboxItem(text, out)) << c.Name;
    }
}

struct TReplyCase {
    std::string Reply;
    TServerAnswer Answer;
};

TEST(OutboxReply, OnlyPassingTroubleKeepsAResult)
{
    const TReplyCase cases[] = {
        {"", TServerAnswer::TryLater},
        {"garbage", TServerAnswer::TryLater},
        {"HTTP/1.1 2", TServerAnswer::TryLater},
        {"HTTP/1.1 200 OK\r\n\r\nstored: 5 points", TServerAnswer::Taken},
        {"HTTP/1.0 204 No Content\r\n\r\n", TServerAnswer::Taken},
        {"HTTP/1.1 400 Bad Request\r\n\r\nrefused", TServerAnswer::Taken},
        {"HTTP/1.1 409 Conflict\r\n\r\nreplay already used", TServerAnswer::Taken},
        {"HTTP/1.1 422 Unprocessable\r\n\r\n", TServerAnswer::Taken},
        {"HTTP/1.1 429 Too Many Requests\r\n\r\n", TServerAnswer::TryLater},
        {"HTTP/1.1 500 Internal Server Error\r\n\r\n", TServerAnswer::TryLater},
        {"HTTP/1.1 503 Service Unavailable\r\n\r\n", TServerAnswer::TryLater},
        {"HTTP/1.1 301 Moved\r\n\r\n", TServerAnswer::TryLater},
        {"HTTP/1.1 2x0 OK\r\n\r\n", TServerAnswer::TryLater},
    };
    for (const TReplyCase& c : cases)
        EXPECT_EQ(ClassifyReply(c.Reply), c.Answer) << c.Reply;
}

constexpr int64_t kNow = 1765400000;
constexpr const char* kTaken = "HTTP/1.1 200 OK\r\n\r\nok";

// The outbox in a folder of the test's own, the exchange scripted: each
// request is recorded and answered with the next reply (taken once they run
// out).
class Outbox : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetReplayFolder(Folder.File("replays"));
        setenv(kScoreServerVariable, "scores.test:8080", 1);
        SetHttpExchange([this](std::uint16_t port, const std::string& host, const std::string& request) {
            std::lock_guard<std::mutex> hold(Lock);
            Requests.push_back(host + ":" + std::to_string(port) + " " + request);
            if (Replies.empty())
                return std::string(kTaken);
            std::string reply = Replies.front();
            Replies.pop_front();
            return reply;
        });
    }
    void TearDown() override
    {
        SetHttpExchange(nullptr);
        SetReplayFolder(std::nullopt);
        unsetenv(kScoreServerVariable);
    }
    std::vector<std::string> Files() const { return Platform::FolderEntries(Folder.File("outbox")); }
    void Answer(std::initializer_list<const char*> replies)
    {
        std::lock_guard<std::mutex> hold(Lock);
        for (const char* r : replies)
            Replies.push_back(r);
    }
    std::vector<std::string> Sent()
    {
        std::lock_guard<std::mutex> hold(Lock);
        return Requests;
    }
    static std::string ScoreRequest(const char* name, int32_t score)
    {
        return "scores.test:8080 " + BuildScoreRequest(1, name, score, "scores.test");
    }
    static std::string ReplayRequest(const std::string& text)
    {
        return "scores.test:8080 " + BuildReplayRequest(text, "scores.test");
    }

    TestSupport::TempFolder Folder{"outbox"};
    std::mutex Lock;
    std::deque<std::string> Replies;
    std::vector<std::string> Requests;
};

TEST_F(Outbox, KeptItemsLoadOldestFirstWithinTheirBounds)
{
    for (int i = 0; i < kMaxOutboxItems + 5; ++i) {
        TOutboxItem item = Item(kNow - 1000 + i, "P" + std::to_string(i), 10 + i);
        ASSERT_TRUE(KeepOutboxItem(item));
    }
    TOutboxItem old = Item(kNow - kMaxOutboxAgeSeconds - 1, "Old", 99);
    ASSERT_TRUE(KeepOutboxItem(old));
    Folder.WriteFile("outbox/000000000001-000.result", "damaged");
    Folder.WriteFile("outbox/000000000002-000.result.tmp.abcdef", "left by a killed save");
    Folder.WriteFile("outbox/notes.txt", "not ours");
    const std::vector<TOutboxItem> items = LoadOutbox(kNow);
    ASSERT_EQ(items.size(), static_cast<std::size_t>(kMaxOutboxItems));
    EXPECT_EQ(items.front().Name, "P5");
    EXPECT_EQ(items.back().Name, "P24");
    // What was dropped is gone from the folder; what is not ours stays.
    const std::vector<std::string> files = Files();
    EXPECT_EQ(files.size(), static_cast<std::size_t>(kMaxOutboxItems) + 1);
    EXPECT_NE(std::find(files.begin(), files.end(), "notes.txt"), files.end());
}

TEST_F(Outbox, TwoResultsOfOneSecondAreTwoFiles)
{
    TOutboxItem a = Item(kNow, "A", 1), b = Item(kNow, "B", 2);
    ASSERT_TRUE(KeepOutboxItem(a));
    ASSERT_TRUE(KeepOutboxItem(b));
    EXPECT_NE(a.File, b.File);
    EXPECT_EQ(LoadOutbox(kNow).size(), 2u);
}

TEST_F(Outbox, ARoundSendsEachResultThenItsReplayOldestFirst)
{
    {
        TScoreDelivery delivery([] { return kNow; });
        delivery.Deliver(1, "Ann", 300, "# ann's game\n");
        delivery.WaitIdle();
        delivery.Deliver(1, "Bob", 200, "");
        delivery.WaitIdle();
        EXPECT_EQ(delivery.State(), TScoreDelivery::TState::Sent);
    }
    const std::vector<std::string> expected = {ScoreRequest("Ann", 300), ReplayRequest("# ann's game\n"),
                                               ScoreRequest("Bob", 200)};
    EXPECT_EQ(Sent(), expected);
    EXPECT_TRUE(Files().empty());
}

TEST_F(Outbox, AResultTheServerCouldNotTakeGoesOutInALaterRoundOnce)
{
    {
        TScoreDelivery down([] { return kNow; });
        Answer({""}); // no answer: the server is down
        down.Deliver(1, "Ann", 300, "# game\n");
        down.WaitIdle();
        EXPECT_EQ(down.State(), TScoreDelivery::TState::Kept);
    }
    EXPECT_EQ(Sent(), std::vector<std::string>{ScoreRequest("Ann", 300)})
        << "the replay waits behind its result";
    ASSERT_EQ(Files().size(), 1u);
    {
        // The next start: it goes out, and only once.
        TScoreDelivery up([] { return kNow + 60; });
        up.Retry();
        up.WaitIdle();
        up.Retry();
        up.WaitIdle();
        EXPECT_EQ(up.State(), TScoreDelivery::TState::Sent);
    }
    const std::vector<std::string> expected = {ScoreRequest("Ann", 300), ScoreRequest("Ann", 300),
                                               ReplayRequest("# game\n")};
    EXPECT_EQ(Sent(), expected);
    EXPECT_TRUE(Files().empty());
}

TEST_F(Outbox, AResultTakenWhoseReplayWasNotIsNotSentAgain)
{
    TScoreDelivery delivery([] { return kNow; });
    Answer({kTaken, "HTTP/1.1 503 Service Unavailable\r\n\r\n", "HTTP/1.1 429 Too Many Requests\r\n\r\n"});
    delivery.Deliver(1, "Ann", 300, "# game\n");
    delivery.WaitIdle();
    EXPECT_EQ(delivery.State(), TScoreDelivery::TState::Kept);
    delivery.Retry(); // 429
    delivery.WaitIdle();
    EXPECT_EQ(delivery.State(), TScoreDelivery::TState::Kept);
    delivery.Retry();
    delivery.WaitIdle();
    EXPECT_EQ(delivery.State(), TScoreDelivery::TState::Sent);
    const std::vector<std::string> expected = {ScoreRequest("Ann", 300), ReplayRequest("# game\n"),
                                               ReplayRequest("# game\n"), ReplayRequest("# game\n")};
    EXPECT_EQ(Sent(), expected);
    EXPECT_TRUE(Files().empty());
}

TEST_F(Outbox, ARoundStopsAtTheFirstResultNotTakenAndKeepsTheRest)
{
    TScoreDelivery delivery([] { return kNow; });
    Answer({""});
    delivery.Deliver(1, "Ann", 300, "");
    delivery.WaitIdle();
    TOutboxItem bob = Item(kNow + 1, "Bob", 200), cy = Item(kNow + 2, "Cy", 100);
    ASSERT_TRUE(KeepOutboxItem(bob));
    ASSERT_TRUE(KeepOutboxItem(cy));
    Answer({kTaken, ""}); // Ann goes, then the server is gone again
    delivery.Retry();
    delivery.WaitIdle();
    EXPECT_EQ(delivery.State(), TScoreDelivery::TState::Kept);
    const std::vector<std::string> expected = {ScoreRequest("Ann", 300), ScoreRequest("Ann", 300),
                                               "scores.test:8080 " +
                                                   BuildScoreRequest(2, "Bob", 200, "scores.test")};
    EXPECT_EQ(Sent(), expected);
    const std::vector<TOutboxItem> left = LoadOutbox(kNow);
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].Name, "Bob");
    EXPECT_EQ(left[1].Name, "Cy");
}

TEST_F(Outbox, TheOutboxStaysWithinItsCountWhileTheServerIsDown)
{
    TScoreDelivery delivery([] { return kNow; });
    for (int i = 0; i < kMaxOutboxItems + 10; ++i) {
        Answer({""});
        delivery.Deliver(0, "P" + std::to_string(i), 10 + i, "");
        delivery.WaitIdle();
    }
    const std::vector<TOutboxItem> left = LoadOutbox(kNow);
    ASSERT_EQ(left.size(), static_cast<std::size_t>(kMaxOutboxItems));
    EXPECT_EQ(left.back().Name, "P" + std::to_string(kMaxOutboxItems + 9)) << "the newest are kept";
}

TEST_F(Outbox, WithoutAFolderAResultWaitsInMemoryForTheNextRound)
{
    SetReplayFolder(std::string());
    TScoreDelivery delivery([] { return kNow; });
    Answer({""});
    delivery.Deliver(1, "Ann", 300, "");
    delivery.WaitIdle();
    EXPECT_EQ(delivery.State(), TScoreDelivery::TState::Kept);
    delivery.Retry();
    delivery.WaitIdle();
    EXPECT_EQ(delivery.State(), TScoreDelivery::TState::Sent);
    EXPECT_EQ(Sent().size(), 2u);
    delivery.Retry();
    delivery.WaitIdle();
    EXPECT_EQ(Sent().size(), 2u);
}

// A server that takes the connection and the request and never answers: the
// delivery's end does not wait for it (without the cancel this test would
// hang for the exchange's limits, ten minutes here).
TEST_F(Outbox, EndingTheDeliveryEndsASilentExchangeAndKeepsTheResult)
{
    SetHttpExchange(nullptr);
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(listener, 4), 0); // never accepted: the kernel takes the bytes
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &length), 0);
    setenv(kScoreServerVariable, ("localhost:" + std::to_string(ntohs(a.sin_port))).c_str(), 1);
    TExchangeLimits patient;
    patient.StepMs = patient.TotalMs = 600000;
    {
        TScoreDelivery delivery([] { return kNow; }, patient);
        delivery.Deliver(1, "Ann", 300, "");
        while (delivery.State() != TScoreDelivery::TState::Sending)
            usleep(1000);
    }
    ::close(listener);
    const std::vector<TOutboxItem> left = LoadOutbox(kNow);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_FALSE(left[0].ScoreSent);
}

} // namespace
