// What the settings store costs: parsing and writing a full score file, and
// the whole SaveScores / LoadScores into a real file (with its flushes).

#include "platform/SettingsFile.h"
#include "platform/SettingsStore.h"
#include "rules/HiScores.h"
#include "rules/Rules.h"
#include "store/ScoreStorage.h"
#include "store/ScoreSubmit.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

void FillTable(THiScoreTable& table)
{
    int n = 0;
    for (auto& slot : table.Entries)
        for (auto& sub : slot)
            for (THiScoreEntry& e : sub) {
                ++n;
                std::snprintf(e.Name, sizeof e.Name, "Player \xe9 number %d", n);
                e.Score = n * 100;
            }
}

std::string FullScoreFile()
{
    Platform::TMemorySettingsStore store;
    Platform::SetUserSettings(&store);
    GFourfall::TRules rules;
    FillTable(rules.HiScores);
    SaveScores(rules);
    Platform::SetUserSettings(nullptr);
    return store.Content.Format();
}

void ParseFullScoreFile(benchmark::State& state)
{
    std::string text = FullScoreFile();
    for (auto _ : state) {
        Platform::TSettingsFile file = Platform::TSettingsFile::Parse(text);
        benchmark::DoNotOptimize(file);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(ParseFullScoreFile);

void FormatFullScoreFile(benchmark::State& state)
{
    Platform::TSettingsFile file = Platform::TSettingsFile::Parse(FullScoreFile());
    for (auto _ : state)
        benchmark::DoNotOptimize(file.Format());
}
BENCHMARK(FormatFullScoreFile);

// The real thing: a locked, flushed save of the whole table, then a load.
void SaveAndLoadScoresOnDisk(benchmark::State& state)
{
    char pattern[] = "/tmp/tt-bench-store-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    Platform::TSettingsFileStore store(std::string(pattern) + "/tumbletown");
    Platform::SetUserSettings(&store);
    GFourfall::TRules rules;
    FillTable(rules.HiScores);
    for (auto _ : state) {
        SaveScores(rules);
        LoadScores(rules.HiScores);
    }
    Platform::SetUserSettings(nullptr);
    std::filesystem::remove_all(pattern);
}
BENCHMARK(SaveAndLoadScoresOnDisk)->Unit(benchmark::kMillisecond);

void EncodeScorePayloadOfAFullName(benchmark::State& state)
{
    std::string payload = BuildScorePayload(3, std::string(59, 'N').c_str(), 123456789);
    for (auto _ : state)
        benchmark::DoNotOptimize(EncodeScorePayload(payload));
}
BENCHMARK(EncodeScorePayloadOfAFullName);

} // namespace
