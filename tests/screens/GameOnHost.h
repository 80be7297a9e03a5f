// The whole game's page set on the test host, for the tests of the screens.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "platform/OfflineAudioDriver.h"
#include "platform/SettingsStore.h"
#include "screens/GamePages.h"
#include "screens/ProcessState.h"
#include "tests/screens/Fixtures.h"
#include "wlib/TestHost.h"
#include "wlib/sound/Speaker.h"

namespace WFourfall::Test {

// The game on the test host with the fixture data, an in-memory store and
// the offline audio driver.
class GameOnHost : public ::testing::Test {
protected:
    void SetUp() override { Launch(); }
    void TearDown() override { Quit(); }
    // The program ends and starts again on the same settings store.
    void Restart()
    {
        Quit();
        Launch();
        Host.PaintPending();
    }
    void StartGame(int k)
    {
        Pages->PostAndProcess(Pages->Play.Board.StartIds[k], 0);
        Host.PaintPending();
    }
    // The program's start and end around the page set (not a game of it).
    void Launch()
    {
        Process.emplace(&Store, TOfflineAudioDriver::Factory(), 11);
        Pages = std::make_unique<TGamePages>();
        Pages->Services.DataFolder = Data.Path();
        Pages->Services.DataProblem = {}; // the fixture has no music and no pointer, on purpose
        Host.Attach(*Pages);
        Pages->InitPages();
        Host.Start();
    }
    void Quit()
    {
        Pages.reset();
        Process.reset();
    }
    // The rules of the game on the host.
    GFourfall::TRules& Rules() { return Pages->Rules; }
    // Any event reaching the board (an otherwise unused code).
    void Nudge() { Pages->PostAndProcess(WLib::NewId(), 0); }
    int PlayingSoundChannels() const
    {
        int n = 0;
        for (uint32_t i = 0; WLib::Speaker != nullptr && i < WLib::Speaker->SoundCount; ++i)
            n += WLib::Speaker->SoundChannels[i].IsPlaying() ? 1 : 0;
        return n;
    }

    TFixtureData Data;
    Platform::TMemorySettingsStore Store;
    std::optional<TProcessScope> Process; // set up after the store, ended before it
    WLib::TTestHost Host;                 // outlives the pages
    std::unique_ptr<TGamePages> Pages;
};

} // namespace WFourfall::Test
