// tumbletown-driver DATA_FOLDER STORE_FOLDER [SCRIPT] [--seed N] [--send]
// Runs the game headless; see Driver.h for the script. Without a script file
// the script is read from standard input. With --send, results really go to
// the score server (TUMBLETOWN_SCORE_SERVER), as the game sends them.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>

#include "tools/tumbletown-driver/Driver.h"

int main(int argc, char** argv)
{
    WFourfall::TDriverSetup setup;
    const char* scriptFile = nullptr;
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
            setup.Seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 0));
        } else if (std::strcmp(argv[i], "--send") == 0) {
            setup.Send = true;
        } else if (positional == 0) {
            setup.DataFolder = argv[i];
            ++positional;
        } else if (positional == 1) {
            setup.StoreFolder = argv[i];
            ++positional;
        } else if (positional == 2) {
            scriptFile = argv[i];
            ++positional;
        } else {
            positional = -1;
            break;
        }
    }
    if (positional < 2) {
        std::cerr << "usage: tumbletown-driver DATA_FOLDER STORE_FOLDER [SCRIPT] [--seed N] [--send]\n";
        return WFourfall::kDriverBadScript;
    }
    if (scriptFile == nullptr)
        return WFourfall::RunDriver(setup, std::cin, std::cout, std::cerr);
    std::ifstream script(scriptFile);
    if (!script) {
        std::cerr << "tumbletown-driver: cannot read " << scriptFile << '\n';
        return WFourfall::kDriverBadScript;
    }
    return WFourfall::RunDriver(setup, script, std::cout, std::cerr);
}
