// The score database, every case against SQLite and against PostgreSQL:
// ranking, types kept apart, names kept byte for byte (whatever SQL they
// look like), schema creation and migration, and many writers at once.

#include "server/CommitQueue.h"
#include "server/ScoreSchema.h"
#include "tests/server/PowerCutVfs.h"
#include "tests/server/ServerFixtures.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <thread>

namespace ServerTest {
namespace {

using ScoreServer::TDbStatus;
using ScoreServer::TScoreRecord;

TScoreRecord Record(std::int32_t type, const std::string& name, std::int32_t score,
                    std::int64_t at = 1700000000)
{
    TScoreRecord r;
    r.OnlineType = type;
    r.Name = name;
    r.Score = score;
    r.SubmittedAt = at;
    r.ClientAddress = "127.0.0.1";
    return r;
}

std::vector<std::string> Names(const std::vector<TScoreRecord>& records)
{
    std::vector<std::string> names;
    for (const TScoreRecord& r : records)
        names.push_back(r.Name);
    return names;
}

class ScoreDatabase : public ::testing::TestWithParam<TBackend> {};

TEST_P(ScoreDatabase, RanksByScoreThenByWhoCameFirst)
{
    TTestDatabase test(GetParam());
    auto db = test.Open();
    ASSERT_TRUE(db);
    for (const TScoreRecord& r :
         {Record(0, "third", 300), Record(0, "first", 500), Record(0, "tie-early", 400),
          Record(0, "tie-late", 400), Record(1, "other type", 900)})
        ASSERT_EQ(db->Add(r), TDbStatus::Ok);
    std::vector<TScoreRecord> best;
    ASSERT_EQ(db->Best(0, 100, best), TDbStatus::Ok);
    EXPECT_EQ(Names(best), (std::vector<std::string>{"first", "tie-early", "tie-late", "third"}));
    ASSERT_EQ(db->Best(0, 2, best), TDbStatus::Ok);
    EXPECT_EQ(Names(best), (std::vector<std::string>{"first", "tie-early"}));
    ASSERT_EQ(db->Best(1, 100, best), TDbStatus::Ok);
    EXPECT_EQ(Names(best), (std::vector<std::string>{"other type"}));
    ASSERT_EQ(db->Best(3, 100, best), TDbStatus::Ok);
    EXPECT_TRUE(best.empty());
    std::int64_t count = -1;
    ASSERT_EQ(db->Count(0, count), TDbStatus::Ok);
    EXPECT_EQ(count, 4);
}

TEST_P(ScoreDatabase, KeepsEveryFieldAndNamesByteForByte)
{
    TTestDatabase test(GetParam());
    auto db = test.Open();
    ASSERT_TRUE(db);
    // Names that would break a statement built from text.
    const std::vector<std::string> names = {"Robert'); DROP TABLE scores;--",
                                            "\"quoted\"",
                                            "back\\slash",
                                            "$1 ?2 %s",
                                            "Zo\xc3\xab \xe2\x82\xac",
                                            "",
                                            "<script>alert(1)</script>"};
    std::int32_t score = 1000;
    for (const std::string& name : names)
        ASSERT_EQ(db->Add(Record(2, name, score--, 1733800000)), TDbStatus::Ok) << name;
    TScoreRecord v6 = Record(2, "six", 1);
    v6.ClientAddress = "2001:db8::7";
    ASSERT_EQ(db->Add(v6), TDbStatus::Ok);
    std::vector<TScoreRecord> best;
    ASSERT_EQ(db->Best(2, 100, best), TDbStatus::Ok);
    ASSERT_EQ(best.size(), names.size() + 1);
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(best[i].Name, names[i]);
        EXPECT_EQ(best[i].Score, 1000 - static_cast<int>(i));
        EXPECT_EQ(best[i].SubmittedAt, 1733800000);
        EXPECT_EQ(best[i].OnlineType, 2);
    }
    EXPECT_EQ(best.back().ClientAddress, "2001:db8::7");
}

TEST_P(ScoreDatabase, ExtremeScoresAndTimesSurvive)
{
    TTestDatabase test(GetParam());
    auto db = test.Open();
    ASSERT_TRUE(db);
    ASSERT_EQ(db->Add(Record(0, "max", 2147483647, 4102444800)), TDbStatus::Ok);
    ASSERT_EQ(db->Add(Record(0, "one", 1, 0)), TDbStatus::Ok);
    std::vector<TScoreRecord> best;
    ASSERT_EQ(db->Best(0, 100, best), TDbStatus::Ok);
    ASSERT_EQ(best.size(), 2u);
    EXPECT_EQ(best[0].Score, 2147483647);
    EXPECT_EQ(best[0].SubmittedAt, 4102444800);
    EXPECT_EQ(best[1].Score, 1);
}

TEST_P(ScoreDatabase, ReopeningKeepsTheResultsAndTheSchemaVersion)
{
    TTestDatabase test(GetParam());
    {
        auto db = test.Open();
        ASSERT_TRUE(db);
        ASSERT_EQ(db->Add(Record(0, "kept", 10)), TDbStatus::Ok);
    }
    auto again = test.Open();
    ASSERT_TRUE(again);
    std::vector<TScoreRecord> best;
    ASSERT_EQ(again->Best(0, 100, best), TDbStatus::Ok);
    EXPECT_EQ(Names(best), (std::vector<std::string>{"kept"}));
}

TEST_P(ScoreDatabase, ManyInOneTransaction)
{
    TTestDatabase test(GetParam());
    auto db = test.Open();
    ASSERT_TRUE(db);
    std::vector<TScoreRecord> many;
    // More than one statement's worth of rows, one of them an odd name.
    for (int i = 1; i <= 2500; ++i)
        many.push_back(Record(3, i == 1234 ? "it's \"$1\"" : "n" + std::to_string(i), i));
    ASSERT_EQ(db->AddMany(many), TDbStatus::Ok);
    std::int64_t count = 0;
    ASSERT_EQ(db->Count(3, count), TDbStatus::Ok);
    EXPECT_EQ(count, 2500);
    std::vector<TScoreRecord> best;
    ASSERT_EQ(db->Best(3, 3, best), TDbStatus::Ok);
    EXPECT_EQ(Names(best), (std::vector<std::string>{"n2500", "n2499", "n2498"}));
    ASSERT_EQ(db->Best(3, 1267, best), TDbStatus::Ok);
    EXPECT_EQ(best.back().Name, "it's \"$1\"");
    EXPECT_EQ(best.back().Score, 1234);
}

TEST_P(ScoreDatabase, ManyWritersAtOnceLoseNothing)
{
    TTestDatabase test(GetParam());
    auto db = test.Open(4);
    ASSERT_TRUE(db);
    constexpr int kThreads = 6, kEach = 40;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                if (db->Add(Record(1, "w" + std::to_string(t), t * 1000 + i)) != TDbStatus::Ok)
                    ++failures;
                std::vector<TScoreRecord> best;
                if (i % 10 == 0 && db->Best(1, 100, best) != TDbStatus::Ok)
                    ++failures;
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures, 0);
    std::int64_t count = 0;
    ASSERT_EQ(db->Count(1, count), TDbStatus::Ok);
    EXPECT_EQ(count, kThreads * kEach);
    EXPECT_EQ(db->Check(), TDbStatus::Ok);
}

ScoreServer::TReplayClaim Claim(std::int32_t type, const std::string& name, std::int32_t score,
                                const std::string& hash)
{
    ScoreServer::TReplayClaim c;
    c.OnlineType = type;
    c.Name = name;
    c.Score = score;
    c.GameHash = hash;
    // Windows-1252 bytes that are no UTF-8, a NUL and a line break: kept as bytes.
    c.Text = "# Tumbletown replay 1\n# name Zo\xe9 \x80\n" + std::string(1, '\0') + hash + "\r\n";
    c.VerifiedAt = 1733800000;
    c.ClientAddress = "127.0.0.1";
    return c;
}

// A replay verifies the newest unverified result of its type, name and
// score, once; the same game never verifies a second one; the replay comes
// back byte for byte; the verified ranking holds the verified alone.
TEST_P(ScoreDatabase, VerifyMarksTheNewestMatchingResultAndKeepsItsReplay)
{
    using ScoreServer::TVerifyResult;
    TTestDatabase test(GetParam());
    auto db = test.Open();
    ASSERT_TRUE(db);
    for (const TScoreRecord& r : {Record(0, "Ann", 500), Record(0, "Ann", 500), Record(0, "Ann", 900),
                                  Record(1, "Ann", 500), Record(0, "ann", 500)})
        ASSERT_EQ(db->Add(r), TDbStatus::Ok);
    std::vector<TScoreRecord> best;
    ASSERT_EQ(db->Best(0, 100, best), TDbStatus::Ok);
    ASSERT_EQ(best.size(), 4u);
    const std::int64_t older = best[1].Id, newer = best[2].Id; // equal scores: who came first
    ASSERT_LT(older, newer);
    for (const TScoreRecord& r : best)
        EXPECT_FALSE(r.Verified);

    TVerifyResult result = TVerifyResult::NoSuchResult;
    std::int64_t id = 0;
    ASSERT_EQ(db->Verify(Claim(0, "Ann", 500, "00000000000000a1"), result, id), TDbStatus::Ok);
    EXPECT_EQ(result, TVerifyResult::Verified);
    EXPECT_EQ(id, newer);
    // The same game again, even claiming the other result: refused.
    ASSERT_EQ(db->Verify(Claim(0, "Ann", 500, "00000000000000a1"), result, id), TDbStatus::Ok);
    EXPECT_EQ(result, TVerifyResult::AlreadyUsed);
    // Another game of the same claim takes the older one, then none is left.
    ASSERT_EQ(db->Verify(Claim(0, "Ann", 500, "00000000000000a2"), result, id), TDbStatus::Ok);
    EXPECT_EQ(result, TVerifyResult::Verified);
    EXPECT_EQ(id, older);
    ASSERT_EQ(db->Verify(Claim(0, "Ann", 500, "00000000000000a3"), result, id), TDbStatus::Ok);
    EXPECT_EQ(result, TVerifyResult::NoSuchResult);
    // Name (case and all), type and score must each match.
    for (const auto& c :
         {Claim(0, "ANN", 900, "b1"), Claim(2, "Ann", 900, "b2"), Claim(0, "Ann", 901, "b3")}) {
        ASSERT_EQ(db->Verify(c, result, id), TDbStatus::Ok);
        EXPECT_EQ(result, TVerifyResult::NoSuchResult) << c.Name << " " << c.OnlineType << " " << c.Score;
    }

    ASSERT_EQ(db->Best(0, 100, best), TDbStatus::Ok);
    EXPECT_FALSE(best[0].Verified);
    EXPECT_TRUE(best[1].Verified);
    EXPECT_TRUE(best[2].Verified);
    EXPECT_FALSE(best[3].Verified);
    ASSERT_EQ(db->BestVerified(0, 100, best), TDbStatus::Ok);
    ASSERT_EQ(best.size(), 2u);
    EXPECT_EQ(best[0].Id, older);
    EXPECT_EQ(best[1].Id, newer);
    EXPECT_TRUE(best[0].Verified);
    ASSERT_EQ(db->BestVerified(0, 1, best), TDbStatus::Ok);
    EXPECT_EQ(best.size(), 1u);
    ASSERT_EQ(db->BestVerified(1, 100, best), TDbStatus::Ok);
    EXPECT_TRUE(best.empty());

    std::string text;
    bool found = false;
    ASSERT_EQ(db->Replay(newer, text, found), TDbStatus::Ok);
    EXPECT_TRUE(found);
    EXPECT_EQ(text, Claim(0, "Ann", 500, "00000000000000a1").Text);
    ASSERT_EQ(db->Replay(best[0].Id + 1000, text, found), TDbStatus::Ok);
    EXPECT_FALSE(found);
}

// The replay viewer's page reads a verified result by its id: every field
// back, the name byte for byte; an unverified result or no result at all is
// not found.
TEST_P(ScoreDatabase, AVerifiedResultIsFoundByItsIdAndNothingElse)
{
    TTestDatabase test(GetParam());
    auto db = test.Open();
    ASSERT_TRUE(db);
    const TScoreRecord ann = Record(5, "Ann \xc3\xa9<&>", 700);
    ASSERT_EQ(db->Add(ann), TDbStatus::Ok);
    ASSERT_EQ(db->Add(Record(5, "Bob", 800)), TDbStatus::Ok);
    ScoreServer::TVerifyResult result = ScoreServer::TVerifyResult::NoSuchResult;
    std::int64_t id = 0;
    ASSERT_EQ(db->Verify(Claim(5, ann.Name, 700, "00000000000000c1"), result, id), TDbStatus::Ok);
    ASSERT_EQ(result, ScoreServer::TVerifyResult::Verified);
    std::vector<TScoreRecord> best;
    ASSERT_EQ(db->Best(5, 10, best), TDbStatus::Ok);
    ASSERT_EQ(best.size(), 2u);
    const std::int64_t bob = best[0].Id;

    TScoreRecord out;
    bool found = false;
    ASSERT_EQ(db->VerifiedResult(id, out, found), TDbStatus::Ok);
    ASSERT_TRUE(found);
    EXPECT_EQ(out.Id, id);
    EXPECT_EQ(out.OnlineType, 5);
    EXPECT_EQ(out.Name, ann.Name);
    EXPECT_EQ(out.Score, 700);
    EXPECT_EQ(out.SubmittedAt, ann.SubmittedAt);
    EXPECT_TRUE(out.Verified);
    for (std::int64_t other : {bob, id + bob + 1000, std::int64_t{0}, std::int64_t{-1}}) {
        found = true;
        ASSERT_EQ(db->VerifiedResult(other, out, found), TDbStatus::Ok);
        EXPECT_FALSE(found) << other;
    }
}

INSTANTIATE_TEST_SUITE_P(Both, ScoreDatabase, ::testing::ValuesIn(kBackends),
                         [](const auto& info) { return std::string(BackendName(info.param)); });

// ------------------------------------------------------------------ SQLite on the disk

// The names of the results of a type kept in the file.
std::set<std::string> KeptNames(const std::string& path, std::int32_t type)
{
    std::string error;
    auto db = ScoreServer::OpenScoreDatabase(path, ScoreServer::TDbOptions{1, false}, error);
    std::vector<TScoreRecord> all;
    if (!db || db->Best(type, 10000000, all) != TDbStatus::Ok)
        ADD_FAILURE() << "cannot read " << path << ": " << error;
    std::set<std::string> names;
    for (const TScoreRecord& r : all)
        names.insert(r.Name);
    return names;
}

// The power goes while results come in from several clients at once
// (through the commit queue, as the server writes them), straight after one
// more was answered: by default every result whose Add returned Ok before
// the cut is in the file afterwards. With fast commits the log reaches the
// disk only at checkpoints, and the results answered since the last one,
// the last one among them, are lost: what --fast-commits says.
TEST(SqliteOnDisk, AnsweredResultsSurviveAPowerCut)
{
    for (const bool fast : {false, true}) {
        TestSupport::TempFolder folder;
        const std::string path = folder.Path() + "/scores.db";
        std::set<std::string> answered;
        {
            TPowerCutVfs disk;
            std::string error;
            auto db = ScoreServer::OpenScoreDatabase(path, ScoreServer::TDbOptions{4, fast}, error);
            ASSERT_TRUE(db) << error;
            ScoreServer::TCommitQueue queue(*db);
            std::mutex mutex;
            std::vector<std::thread> clients;
            for (int t = 0; t < 6; ++t)
                clients.emplace_back([&, t] {
                    for (int i = 0; !disk.IsCut(); ++i) {
                        const std::string name = "p" + std::to_string(t) + "-" + std::to_string(i);
                        // Answered only when the Ok came while the power was on.
                        if (queue.Add(Record(0, name, i + 1)) == TDbStatus::Ok && !disk.IsCut()) {
                            std::lock_guard<std::mutex> hold(mutex);
                            answered.insert(name);
                        }
                    }
                });
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
            const bool lastAnswered = queue.Add(Record(0, "last", 1)) == TDbStatus::Ok;
            disk.Cut();
            for (std::thread& t : clients)
                t.join();
            ASSERT_TRUE(lastAnswered);
            answered.insert("last");
        } // closed without power; SQLite's own disk access again
        ASSERT_GT(answered.size(), 10u) << "the load did not get going";
        const std::set<std::string> kept = KeptNames(path, 0);
        std::size_t lost = 0;
        for (const std::string& name : answered)
            lost += kept.count(name) == 0;
        if (fast) {
            EXPECT_EQ(kept.count("last"), 0u) << "fast commits";
        } else {
            EXPECT_EQ(lost, 0u) << "of " << answered.size() << " answered";
        }
    }
}

// Commits one after another as fast as they come, with a reader beside: the
// write-ahead log stays within a few MiB. Each result adds three pages or so
// to the log (12 KiB); a log that never starts again from its beginning
// would hold 120 MiB after these 10000. Fast commits make the log grow
// fastest.
TEST(SqliteOnDisk, TheLogStaysBoundedUnderSteadyCommits)
{
    TestSupport::TempFolder folder;
    const std::string path = folder.Path() + "/scores.db";
    std::string error;
    auto db = ScoreServer::OpenScoreDatabase(path, ScoreServer::TDbOptions{4, true}, error);
    ASSERT_TRUE(db) << error;
    constexpr int kResults = 10000, kWriters = 3;
    std::atomic<int> next{0}, failures{0};
    std::atomic<bool> done{false};
    std::uintmax_t largest = 0;
    std::thread watch([&] {
        while (!done) {
            std::error_code e;
            largest = std::max(largest, std::filesystem::file_size(path + "-wal", e) * !e);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    std::thread reader([&] {
        std::vector<TScoreRecord> best;
        while (!done)
            if (db->Best(0, 100, best) != TDbStatus::Ok)
                ++failures;
    });
    std::vector<std::thread> writers;
    for (int t = 0; t < kWriters; ++t)
        writers.emplace_back([&] {
            for (int i; (i = next++) < kResults;)
                if (db->Add(Record(0, "w" + std::to_string(i), i)) != TDbStatus::Ok)
                    ++failures;
        });
    for (std::thread& t : writers)
        t.join();
    done = true;
    reader.join();
    watch.join();
    EXPECT_EQ(failures, 0);
    EXPECT_LT(largest, 32u << 20) << "the log's largest size, in bytes";
    std::int64_t count = 0;
    ASSERT_EQ(db->Count(0, count), TDbStatus::Ok);
    EXPECT_EQ(count, kResults);
}

// ------------------------------------------------------------------ PostgreSQL sessions

// Every kind of call after PostgreSQL ended the session of each pooled
// connection (as a restart does): each is tried once more on a new session
// and answers as if nothing had happened.
TEST(PostgresSessions, EveryCallCarriesOnAfterItsSessionEnded)
{
    TTestDatabase test(TBackend::Postgres);
    auto db = test.Open(2);
    ASSERT_TRUE(db);
    ASSERT_EQ(db->Add(Record(0, "Ann", 500)), TDbStatus::Ok);
    ASSERT_EQ(db->Add(Record(0, "Bo", 400)), TDbStatus::Ok);
    const std::string endSessions =
        "SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity"
        " WHERE application_name = 'tumbletown-scores' AND datname = current_database()";
    std::vector<TScoreRecord> best;
    std::string text;
    bool found = false;
    std::int64_t count = 0, id = 0;
    ScoreServer::TVerifyResult result{};
    const std::vector<std::pair<const char*, std::function<TDbStatus()>>> calls = {
        {"Add", [&] { return db->Add(Record(1, "one", 1)); }},
        {"AddMany",
         [&] {
             return db->AddMany({Record(1, "two", 2), Record(1, "three", 3)});
         }},
        {"Best", [&] { return db->Best(0, 10, best); }},
        {"BestVerified", [&] { return db->BestVerified(0, 10, best); }},
        {"Verify", [&] { return db->Verify(Claim(0, "Ann", 500, "d1"), result, id); }},
        {"Replay", [&] { return db->Replay(id, text, found); }},
        {"Count", [&] { return db->Count(1, count); }},
        {"Check", [&] { return db->Check(); }},
    };
    for (const auto& [name, call] : calls) {
        ASSERT_TRUE(RunPostgres(test.Target(), endSessions));
        EXPECT_EQ(call(), TDbStatus::Ok) << name;
    }
    EXPECT_EQ(result, ScoreServer::TVerifyResult::Verified);
    EXPECT_TRUE(found);
    EXPECT_EQ(count, 3);
}

// The session ends during COMMIT (here by a check deferred to the commit
// that ends its own session, once): the transaction did not commit, the
// new session learns so, and the result is written once, on the second try.
TEST(PostgresSessions, ASessionEndingInCommitIsAskedAboutAndTriedAgain)
{
    TTestDatabase test(TBackend::Postgres);
    auto db = test.Open(1);
    ASSERT_TRUE(db);
    for (const char* sql :
         {"CREATE SEQUENCE ended_sessions",
          "CREATE FUNCTION end_session_once() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
          " IF nextval('ended_sessions') = 1 THEN PERFORM pg_terminate_backend(pg_backend_pid()); END IF;"
          " RETURN NULL; END $$",
          "CREATE CONSTRAINT TRIGGER end_session AFTER INSERT ON scores DEFERRABLE INITIALLY DEFERRED"
          " FOR EACH ROW EXECUTE FUNCTION end_session_once()"})
        ASSERT_TRUE(RunPostgres(test.Target(), sql));
    EXPECT_EQ(db->Add(Record(0, "once", 1)), TDbStatus::Ok);
    std::int64_t count = 0;
    ASSERT_EQ(db->Count(0, count), TDbStatus::Ok);
    EXPECT_EQ(count, 1);
}

// A row PostgreSQL refuses (here by a trigger) fails the whole group's
// write, one row or many, and none of its rows is kept; the same
// connection then writes the next group as if nothing had happened (the
// failed transaction is not left open on it).
TEST(PostgresSessions, ARefusedRowFailsItsGroupAndLeavesTheConnectionWorking)
{
    const std::vector<std::pair<const char*, std::vector<TScoreRecord>>> groups = {
        {"one row", {Record(0, "refused", 1)}},
        {"many rows", {Record(0, "kept?", 2), Record(0, "refused", 3), Record(0, "kept?", 4)}},
    };
    for (const auto& [what, group] : groups) {
        TTestDatabase test(TBackend::Postgres);
        auto db = test.Open(1);
        ASSERT_TRUE(db);
        for (const char* sql :
             {"CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
              " IF NEW.name = 'refused' THEN RAISE EXCEPTION 'refused'; END IF; RETURN NEW; END $$",
              "CREATE TRIGGER refuse BEFORE INSERT ON scores FOR EACH ROW EXECUTE FUNCTION refuse()"})
            ASSERT_TRUE(RunPostgres(test.Target(), sql));
        EXPECT_EQ(db->AddMany(group), TDbStatus::Unavailable) << what;
        EXPECT_EQ(db->AddMany({Record(0, "next", 5), Record(0, "and next", 6)}), TDbStatus::Ok) << what;
        EXPECT_EQ(db->Add(Record(0, "last", 7)), TDbStatus::Ok) << what;
        std::vector<TScoreRecord> best;
        ASSERT_EQ(db->Best(0, 10, best), TDbStatus::Ok) << what;
        EXPECT_EQ(Names(best), (std::vector<std::string>{"last", "and next", "next"})) << what;
    }
}

// ------------------------------------------------------------------ schema

// A database written by a later server is left alone, not clobbered.
TEST(ScoreSchema, NewerDatabaseIsRefusedOnBothBackends)
{
    for (TBackend backend : kBackends) {
        TTestDatabase test(backend);
        ASSERT_TRUE(test.Open()) << BackendName(backend);
        const std::string bump =
            "UPDATE schema_version SET version = " + std::to_string(ScoreServer::LatestSchemaVersion() + 1);
        if (backend == TBackend::Postgres) {
            ASSERT_TRUE(RunPostgres(test.Target(), bump));
        } else {
            sqlite3* db = nullptr;
            ASSERT_EQ(sqlite3_open(test.Target().c_str(), &db), SQLITE_OK);
            ASSERT_EQ(sqlite3_exec(db, bump.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
        }
        std::string error;
        EXPECT_FALSE(ScoreServer::OpenScoreDatabase(test.Target(), ScoreServer::TDbOptions{1, false}, error))
            << BackendName(backend);
        EXPECT_NE(error.find("newer"), std::string::npos) << error;
    }
}

// Writes a database as an older server left it: the statements run straight
// on the test's database, before any server opened it.
void MakeOlderDatabase(TTestDatabase& test, TBackend backend, const std::vector<std::string>& statements)
{
    if (backend == TBackend::Postgres) {
        for (const std::string& sql : statements)
            ASSERT_TRUE(RunPostgres(test.Target(), sql)) << sql;
        return;
    }
    const std::string folder = test.Target().substr(0, test.Target().rfind('/'));
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(test.Target().c_str(), &raw), SQLITE_OK);
    for (const std::string& sql : statements)
        ASSERT_EQ(sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(raw);
}

// A database of the first schema, with results in it, is brought up to date
// in place when the server starts: its results stay, unverified, and can be
// verified.
TEST(ScoreSchema, AFirstVersionDatabaseIsMigratedInPlace)
{
    for (TBackend backend : kBackends) {
        TTestDatabase test(backend);
        ASSERT_FALSE(test.Target().empty());
        std::vector<std::string> statements;
        for (const char* const* sql = backend == TBackend::Sqlite ? ScoreServer::kScoreMigrations[0].Sqlite
                                                                  : ScoreServer::kScoreMigrations[0].Postgres;
             *sql != nullptr; ++sql)
            statements.push_back(*sql);
        statements.push_back(ScoreServer::kCreateVersionTable);
        statements.push_back("INSERT INTO schema_version VALUES (1)");
        statements.push_back(
            "INSERT INTO scores (online_type, name, score, submitted_at, client_address)"
            " VALUES (0, 'old', 70, 1600000000, '192.0.2.1'), (0, 'older', 60, 1500000000, '-')");
        ASSERT_NO_FATAL_FAILURE(MakeOlderDatabase(test, backend, statements));
        auto db = test.Open();
        ASSERT_TRUE(db) << BackendName(backend);
        std::vector<TScoreRecord> best;
        ASSERT_EQ(db->Best(0, 100, best), TDbStatus::Ok);
        ASSERT_EQ(Names(best), (std::vector<std::string>{"old", "older"})) << BackendName(backend);
        EXPECT_EQ(best[0].SubmittedAt, 1600000000);
        EXPECT_EQ(best[1].ClientAddress, "-");
        EXPECT_FALSE(best[0].Verified);
        ScoreServer::TReplayClaim claim;
        claim.Name = "older";
        claim.Score = 60;
        claim.GameHash = "c1";
        claim.Text = "x";
        ScoreServer::TVerifyResult result = ScoreServer::TVerifyResult::NoSuchResult;
        std::int64_t id = 0;
        ASSERT_EQ(db->Verify(claim, result, id), TDbStatus::Ok);
        EXPECT_EQ(result, ScoreServer::TVerifyResult::Verified) << BackendName(backend);
        EXPECT_EQ(id, best[1].Id);
        // Opened again: nothing left to migrate, nothing lost.
        db.reset();
        db = test.Open();
        ASSERT_TRUE(db);
        ASSERT_EQ(db->BestVerified(0, 100, best), TDbStatus::Ok);
        EXPECT_EQ(Names(best), (std::vector<std::string>{"older"})) << BackendName(backend);
    }
}

// The SQLite file: made with its folder, in write-ahead-log mode, and at the
// default place when nothing is given.
TEST(ScoreSchema, SqliteFileIsMadeWithItsFolderInWalMode)
{
    TestSupport::TempFolder folder;
    const std::string path = folder.Path() + "/a/b/scores.db";
    std::string error;
    auto db = ScoreServer::OpenScoreDatabase("sqlite:" + path, ScoreServer::TDbOptions{1, false}, error);
    ASSERT_TRUE(db) << error;
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw, "PRAGMA journal_mode", -1, &s, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "wal");
    sqlite3_finalize(s);
    sqlite3_close(raw);

    ::setenv("XDG_DATA_HOME", "/srv/data", 1);
    EXPECT_EQ(ScoreServer::DefaultDatabasePath(), "/srv/data/tumbletown-scores/scores.db");
    ::setenv("XDG_DATA_HOME", "relative", 1);
    ::setenv("HOME", "/home/p", 1);
    EXPECT_EQ(ScoreServer::DefaultDatabasePath(), "/home/p/.local/share/tumbletown-scores/scores.db");
}

TEST(ScoreSchema, TwoServersMigratingOneNewPostgresDatabaseAtOnce)
{
    TTestDatabase test(TBackend::Postgres);
    ASSERT_FALSE(test.Target().empty());
    std::atomic<int> opened{0};
    std::vector<std::thread> starts;
    for (int i = 0; i < 4; ++i)
        starts.emplace_back([&] {
            std::string error;
            if (ScoreServer::OpenScoreDatabase(test.Target(), ScoreServer::TDbOptions{1, false}, error))
                ++opened;
            else
                ADD_FAILURE() << error;
        });
    for (std::thread& t : starts)
        t.join();
    EXPECT_EQ(opened, 4);
}

// ------------------------------------------------------------ replay storage
// A result keeps its replay only while among the best ten verified of its
// name and type, within a bound of bytes per address and in all. A replay
// that goes keeps its row: its result stays verified, its game never
// verifies again, and why it went can be read.

namespace {

using ScoreServer::TReplayStorageLimits;
using ScoreServer::TVerifyResult;

std::unique_ptr<ScoreServer::TScoreDatabase> OpenWith(const TTestDatabase& test,
                                                      const TReplayStorageLimits& limits, int connections = 2)
{
    ScoreServer::TDbOptions options{connections, false};
    options.Storage = limits;
    std::string error;
    auto db = ScoreServer::OpenScoreDatabase(test.Target(), options, error);
    if (!db)
        ADD_FAILURE() << error;
    return db;
}

// A claim whose replay is bytes long, from address.
ScoreServer::TReplayClaim SizedClaim(std::int32_t type, const std::string& name, std::int32_t score,
                                     const std::string& hash, std::size_t bytes,
                                     const std::string& address = "192.0.2.1")
{
    ScoreServer::TReplayClaim c = Claim(type, name, score, hash);
    c.Text = std::string(bytes, 'r');
    c.ClientAddress = address;
    return c;
}

// Adds the result and verifies it with a replay of its own game: the id.
std::int64_t AddAndVerify(ScoreServer::TScoreDatabase& db, const ScoreServer::TReplayClaim& claim)
{
    TScoreRecord r = Record(claim.OnlineType, claim.Name, claim.Score);
    EXPECT_EQ(db.Add(r), TDbStatus::Ok);
    TVerifyResult result = TVerifyResult::NoSuchResult;
    std::int64_t id = 0;
    EXPECT_EQ(db.Verify(claim, result, id), TDbStatus::Ok);
    EXPECT_EQ(result, TVerifyResult::Verified) << claim.Name << " " << claim.Score;
    return id;
}

// "" while the replay of id is kept (and is what was sent), else why it went.
std::string WhyNotKept(ScoreServer::TScoreDatabase& db, std::int64_t id, std::size_t bytes = 0)
{
    std::string text, why;
    bool found = false;
    EXPECT_EQ(db.Replay(id, text, found), TDbStatus::Ok);
    EXPECT_EQ(db.DroppedReplay(id, why), TDbStatus::Ok);
    EXPECT_NE(found, !why.empty()) << id; // kept, or gone with a reason: never both, never neither
    if (found && bytes > 0) {
        EXPECT_EQ(text.size(), bytes);
    }
    return found ? std::string() : why;
}

} // namespace

class ReplayStorage : public ::testing::TestWithParam<TBackend> {};

TEST_P(ReplayStorage, OnlyTheBestTenOfANameAndTypeKeepTheirReplays)
{
    TTestDatabase test(GetParam());
    auto db = OpenWith(test, TReplayStorageLimits());
    ASSERT_TRUE(db);
    // Another name and another type are counted apart.
    const std::int64_t bob = AddAndVerify(*db, SizedClaim(0, "Bob", 50, "b0", 100));
    const std::int64_t annOther = AddAndVerify(*db, SizedClaim(1, "Ann", 50, "a-1", 100));
    std::vector<std::int64_t> ann; // ann[i] scored (i + 2) * 100
    for (int i = 0; i < 10; ++i)
        ann.push_back(AddAndVerify(*db, SizedClaim(0, "Ann", (i + 2) * 100, "a" + std::to_string(i), 100)));
    for (std::int64_t id : ann)
        EXPECT_EQ(WhyNotKept(*db, id, 100), "");

    // An eleventh, lower than the ten: verified, its replay not kept.
    const std::int64_t low = AddAndVerify(*db, SizedClaim(0, "Ann", 100, "a-low", 100));
    EXPECT_NE(WhyNotKept(*db, low).find("not among the best 10"), std::string::npos);
    for (std::int64_t id : ann)
        EXPECT_EQ(WhyNotKept(*db, id, 100), "");
    // A better one replaces the lowest kept.
    const std::int64_t high = AddAndVerify(*db, SizedClaim(0, "Ann", 5000, "a-high", 100));
    EXPECT_EQ(WhyNotKept(*db, high, 100), "");
    EXPECT_NE(WhyNotKept(*db, ann[0]).find("no longer among the best 10"), std::string::npos);
    for (std::size_t i = 1; i < ann.size(); ++i)
        EXPECT_EQ(WhyNotKept(*db, ann[i], 100), "") << i;
    EXPECT_EQ(WhyNotKept(*db, bob, 100), "");
    EXPECT_EQ(WhyNotKept(*db, annOther, 100), "");

    // Every result stays verified.
    std::vector<TScoreRecord> best;
    ASSERT_EQ(db->BestVerified(0, 100, best), TDbStatus::Ok);
    EXPECT_EQ(best.size(), 13u);
    // A game whose replay went never verifies a result again.
    for (const char* hash : {"a-low", "a0"}) {
        ASSERT_EQ(db->Add(Record(0, "Ann", 100)), TDbStatus::Ok);
        TVerifyResult result = TVerifyResult::NoSuchResult;
        std::int64_t id = 0;
        ASSERT_EQ(db->Verify(SizedClaim(0, "Ann", 100, hash, 100), result, id), TDbStatus::Ok);
        EXPECT_EQ(result, TVerifyResult::AlreadyUsed) << hash;
    }
}

TEST_P(ReplayStorage, BytesAreBoundedPerAddressAndInAll)
{
    struct TStep {
        const char* Name;
        const char* Address;
        const char* NotKept; // "" when kept, else a word of why not
    };
    struct TCase {
        const char* What;
        TReplayStorageLimits Limits;
        std::vector<TStep> Steps; // each a verified result with a 1000-byte replay
    };
    auto limits = [](int perName, std::int64_t perAddress, std::int64_t inAll) {
        TReplayStorageLimits l;
        l.KeptPerName = perName;
        l.MaxBytesPerAddress = perAddress;
        l.MaxBytes = inAll;
        return l;
    };
    const TCase cases[] = {
        {"per address",
         limits(10, 2500, 1 << 30),
         {{"a", "192.0.2.1", ""},
          {"b", "192.0.2.1", ""},
          {"c", "192.0.2.1", "its address keeps 2000 bytes"},
          {"d", "192.0.2.2", ""},
          {"e", "2001:db8::1", ""},
          {"f", "192.0.2.1", "its address"}}},
        {"in all",
         limits(10, 1 << 30, 2500),
         {{"a", "192.0.2.1", ""},
          {"b", "192.0.2.2", ""},
          {"c", "192.0.2.3", "the server keeps 2000 bytes"},
          {"d", "192.0.2.1", "the server keeps"}}},
        // A replay pushed out of its name's best frees its bytes.
        {"freed by a better result",
         limits(1, 2500, 2500),
         {{"a", "192.0.2.1", ""},
          {"a", "192.0.2.1", ""},
          {"b", "192.0.2.1", ""},
          {"c", "192.0.2.1", "address"}}},
        // One household or machine owns a /64: its addresses share one bound,
        // as they share one rate limit.
        {"IPv6 by its /64",
         limits(10, 2500, 1 << 30),
         {{"a", "2001:db8:0:1::1", ""},
          {"b", "2001:db8:0:1::2", ""},
          {"c", "2001:db8:0:1:ffff::3", "its address keeps 2000 bytes"},
          {"d", "2001:db8:0:2::1", ""}}},
        {"nothing kept", limits(10, 0, 1 << 30), {{"a", "192.0.2.1", "its address keeps 0 bytes"}}},
    };
    for (const TCase& c : cases) {
        TTestDatabase test(GetParam());
        auto db = OpenWith(test, c.Limits);
        ASSERT_TRUE(db) << c.What;
        int score = 100;
        for (const TStep& step : c.Steps) {
            ++score;
            const std::int64_t id = AddAndVerify(
                *db, SizedClaim(0, step.Name, score, "h" + std::to_string(score), 1000, step.Address));
            const std::string why = WhyNotKept(*db, id, 1000);
            if (*step.NotKept == '\0')
                EXPECT_EQ(why, "") << c.What << ": " << step.Name;
            else
                EXPECT_NE(why.find(step.NotKept), std::string::npos)
                    << c.What << ": " << step.Name << ": " << why;
        }
    }
}

// Verifications from many threads, through two handles of the database (two
// servers on one PostgreSQL): the bound in all still holds exactly.
TEST_P(ReplayStorage, TheBoundHoldsUnderVerificationsAtOnce)
{
    TTestDatabase test(GetParam());
    TReplayStorageLimits l;
    l.MaxBytes = 10 * 1000;
    auto one = OpenWith(test, l, 4);
    auto two = OpenWith(test, l, 4);
    ASSERT_TRUE(one && two);
    constexpr int kThreads = 6, kEach = 5;
    for (int i = 0; i < kThreads * kEach; ++i)
        ASSERT_EQ(one->Add(Record(0, "p" + std::to_string(i), 100)), TDbStatus::Ok);
    std::vector<std::thread> threads;
    std::mutex lock;
    std::vector<std::int64_t> ids;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int k = 0; k < kEach; ++k) {
                const int i = t * kEach + k;
                TVerifyResult result = TVerifyResult::NoSuchResult;
                std::int64_t id = 0;
                const auto status =
                    (t % 2 == 0 ? *one : *two)
                        .Verify(SizedClaim(0, "p" + std::to_string(i), 100, "g" + std::to_string(i), 1000,
                                           "198.51.100." + std::to_string(i)),
                                result, id);
                std::lock_guard<std::mutex> hold(lock);
                if (status == TDbStatus::Ok && result == TVerifyResult::Verified)
                    ids.push_back(id);
            }
        });
    for (std::thread& t : threads)
        t.join();
    ASSERT_EQ(ids.size(), static_cast<std::size_t>(kThreads * kEach));
    int kept = 0;
    for (std::int64_t id : ids)
        kept += WhyNotKept(*one, id, 1000).empty() ? 1 : 0;
    EXPECT_EQ(kept, 10);
}

INSTANTIATE_TEST_SUITE_P(Both, ReplayStorage, ::testing::ValuesIn(kBackends),
                         [](const auto& info) { return std::string(BackendName(info.param)); });

// A version 3 database, with a replay kept: its bytes are counted from the
// start, and its game still verifies nothing more.
TEST(ScoreSchema, AThirdVersionDatabaseCountsTheReplaysItKeeps)
{
    for (TBackend backend : kBackends) {
        TTestDatabase test(backend);
        std::vector<std::string> statements;
        for (std::size_t step = 0; step < 3; ++step) {
            ASSERT_EQ(ScoreServer::kScoreMigrations[step].Version, static_cast<int>(step) + 1);
            for (const char* const* sql = backend == TBackend::Sqlite
                                              ? ScoreServer::kScoreMigrations[step].Sqlite
                                              : ScoreServer::kScoreMigrations[step].Postgres;
                 *sql != nullptr; ++sql)
                statements.push_back(*sql);
        }
        const std::string yes = backend == TBackend::Sqlite ? "1" : "true";
        const std::string blob =
            backend == TBackend::Sqlite ? "zeroblob(1000)" : "decode(repeat('00', 1000), 'hex')";
        statements.push_back(ScoreServer::kCreateVersionTable);
        statements.push_back("INSERT INTO schema_version VALUES (3)");
        statements.push_back(
            "INSERT INTO scores (online_type, name, score, submitted_at, client_address, verified)"
            " VALUES (0, 'old', 70, 1600000000, '192.0.2.9', " +
            yes + ")");
        statements.push_back("INSERT INTO replays (score_id, game_hash, replay, verified_at, client_address)"
                             " SELECT id, 'old-game', " +
                             blob + ", 1600000001, '192.0.2.9' FROM scores");
        ASSERT_NO_FATAL_FAILURE(MakeOlderDatabase(test, backend, statements));
        TReplayStorageLimits l;
        l.MaxBytes = 1500;
        auto db = OpenWith(test, l);
        ASSERT_TRUE(db) << BackendName(backend);
        std::vector<TScoreRecord> best;
        ASSERT_EQ(db->BestVerified(0, 10, best), TDbStatus::Ok);
        ASSERT_EQ(best.size(), 1u) << BackendName(backend);
        EXPECT_EQ(WhyNotKept(*db, best[0].Id, 1000), "") << BackendName(backend);
        // The old replay's 1000 bytes count: another 1000 pass the bound.
        const std::int64_t id = AddAndVerify(*db, SizedClaim(0, "new", 80, "new-game", 1000));
        EXPECT_NE(WhyNotKept(*db, id).find("the server keeps 1000 bytes"), std::string::npos)
            << BackendName(backend);
        ASSERT_EQ(db->Add(Record(0, "old", 70)), TDbStatus::Ok);
        TVerifyResult result = TVerifyResult::NoSuchResult;
        std::int64_t again = 0;
        ASSERT_EQ(db->Verify(SizedClaim(0, "old", 70, "old-game", 10), result, again), TDbStatus::Ok);
        EXPECT_EQ(result, TVerifyResult::AlreadyUsed) << BackendName(backend);
    }
}

} // namespace
} // namespace ServerTest
