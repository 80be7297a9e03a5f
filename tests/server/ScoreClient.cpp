// score-client: requests to a score server on 127.0.0.1 for the end-to-end
// scripts, each built and sent by the game's own code (the request builders
// and the exchange), so that a "hand-made" request is the game's bytes with
// values of the script's choosing:
//   score-client PORT result TYPE NAME SCORE   a result, the name in UTF-8
//   score-client PORT replay FILE              the replay upload of a file
//   score-client PORT get PATH                 a GET; the body to stdout
// Prints "STATUS BODY-LINE" (result, replay) or the body (get); exits 0 on a
// 200, 1 on any other answer, 2 on a wrong command line.
#include "platform/Cp1252.h"
#include "store/ScoreSubmit.h"
#include "tests/server/ServerFixtures.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::cerr << "usage: score-client PORT result TYPE NAME SCORE | replay FILE | get PATH\n";
        return 2;
    }
    const auto port = static_cast<std::uint16_t>(std::atoi(argv[1]));
    const std::string verb = argv[2];
    ServerTest::TReply reply;
    if (verb == "result" && argc == 6) {
        const std::string name = Platform::Utf8ToCp1252(argv[4]);
        reply = ServerTest::Exchange(
            port, BuildScoreRequest(std::atoi(argv[3]), name.c_str(), std::atoi(argv[5]), "localhost"));
    } else if (verb == "replay" && argc == 4) {
        std::ifstream in(argv[3], std::ios::binary);
        if (!in) {
            std::cerr << "score-client: cannot read " << argv[3] << "\n";
            return 2;
        }
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        reply = ServerTest::Exchange(port, BuildReplayRequest(text, "localhost"));
    } else if (verb == "get" && argc == 4) {
        reply = ServerTest::Get(port, argv[3]);
        std::cout << reply.Body;
        return reply.Status == 200 ? 0 : 1;
    } else {
        std::cerr << "score-client: wrong arguments\n";
        return 2;
    }
    std::cout << reply.Status << " " << reply.Body;
    return reply.Status == 200 ? 0 : 1;
}
