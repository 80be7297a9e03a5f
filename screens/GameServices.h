// What the screens need from the world outside the element tree: where the
// game's files are, how a yes/no question is put to the player, how a web
// address reaches the browser and how a result goes to the score server. The
// window gives the real ones; tests and the headless driver give recorders.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "store/ScoreDelivery.h"

namespace Platform {
class UrlOpener;
class YesNoQuestion;
} // namespace Platform

namespace WFourfall {

struct TGameServices {
    std::string DataFolder = ".";                // holds Skin/, Sounds/ and Music/
    Platform::YesNoQuestion* Question = nullptr; // null: every question is answered No
    Platform::UrlOpener* Browser = nullptr;      // null: addresses are dropped
    TScoreDelivery* Delivery = nullptr;          // null: results are not sent

    // The path of a file name of the game ("Skin\Menu.jpg") in the data folder.
    std::string Path(const char* designName) const;
    // Asks the question; false (No) without a question service.
    bool Ask(const char* question) const;
    // Asks a question whose default answer (Enter) is No.
    bool AskNoByDefault(const char* question) const;
    void OpenUrl(const std::string& url) const;
    // Hands a result (and the replay of its game, or empty) to the delivery,
    // which sends it in the background. Returns the delivery's ticket
    // (TScoreDelivery::Deliver); 0 without a delivery.
    uint64_t Send(int32_t onlineType, const std::string& name, int32_t score,
                  const std::string& replayText) const;
};

} // namespace WFourfall
