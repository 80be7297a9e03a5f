// Opens the game's speaker on the SDL driver as the game does, prints
// "open" (or the failure) and keeps the stream for the seconds given, so
// that a test can look at it from the sound server's side.
#include "platform/desktop/SdlAudioDriver.h"
#include "sound/hssSpeaker.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    hssSpeaker speaker;
    speaker.SetDriverFactory(TSdlAudioDriver::Factory());
    const int opened = speaker.Open(22050, 8, 8, 2, 1);
    if (opened != 0) {
        std::printf("failed %d\n", opened);
        return 1;
    }
    std::printf("open\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    speaker.Close();
    return 0;
}
