// What the screens need from the world outside the element tree: where the
// game's files are, how a yes/no question is put to the player, how a web
// address reaches the browser and how a result goes to the score server. The
// window gives the real ones; tests and the headless driver give recorders.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <set>
#include <string>

#include "platform/desktop/YesNoQuestion.h"
#include "store/ScoreDelivery.h"
#include "store/SeedSupply.h"

namespace Platform {
class UrlOpener;
} // namespace Platform

class TWorldReplayFetch;

namespace WFourfall {

// Told one line about a data file of the game that is missing or damaged.
using TDataProblemSink = std::function<void(const std::string& line)>;

struct TGameServices {
    std::string DataFolder = ".";                // holds Skin/, Sounds/ and Music/
    Platform::YesNoQuestion* Question = nullptr; // null: every question is answered No
    Platform::UrlOpener* Browser = nullptr;      // null: addresses are dropped
    TScoreDelivery* Delivery = nullptr;          // null: results are not sent
    TSeedSupply* Seeds = nullptr;                // null: every game plays its own seed
    TWorldReplayFetch* WorldReplays = nullptr;   // null: no world's best to race
    // Where the lines about missing or damaged data files go: standard
    // error, or the driver's own; empty: nowhere.
    TDataProblemSink DataProblem = WriteDataProblem;

    // The path of a file name of the game ("Skin\Menu.jpg") in the data folder.
    std::string Path(const char* designName) const;
    // Asks the question; false (No) without a question service.
    // Asks the question; false (No) without a question service. Enter gives
    // the preferred answer, whose button is lit.
    bool Ask(const char* question,
             Platform::TPreferredAnswer preferred = Platform::TPreferredAnswer::Yes) const;
    void OpenUrl(const std::string& url) const;
    // Hands a result (and the replay of its game, or empty) to the delivery,
    // which sends it in the background. Returns the delivery's ticket
    // (TScoreDelivery::Deliver); 0 without a delivery.
    uint64_t Send(int32_t onlineType, const std::string& name, int32_t score,
                  const std::string& replayText) const;
    // Asks ahead for seeds dealt by the server for games of these numbers
    // (only when the player named a server); never waits.
    void WantSeeds(std::initializer_list<int32_t> gameNums) const;
    // The seed in hand for the next game of number gameNum, handed out once:
    // true with out set; false when there is none (the game plays its own).
    // The game's next seed is asked for either way. Never waits.
    bool TakeSeed(int32_t gameNum, TDealtSeed& out) const;
    // After loading the file at path: when it did not load, says once per
    // run (a background reloaded says nothing new) that it is missing, or
    // damaged when it is there. The game goes on with its fallback.
    void NoteDataFile(const std::string& path, bool loaded) const;
    static void WriteDataProblem(const std::string& line);

private:
    mutable std::set<std::string> Noted; // paths already said
};

} // namespace WFourfall
