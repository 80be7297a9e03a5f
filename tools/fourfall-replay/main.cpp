// fourfall-replay: commands on standard input, JSON states on standard output.
#include "tools/fourfall-replay/Replay.h"

#include <iostream>

int main()
{
    std::ios::sync_with_stdio(false);
    const int status = GFourfall::RunReplay(std::cin, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
