// kestrel-player: the skinned desktop media player.
#include <cstdio>
#include <cstdlib>

#include "app/command_line.h"
#include "app/program.h"

int main(int argc, char** argv) {
    if (int status = 0; printedInformation(argc, argv, status)) return status;
    if (startUp(argc, argv)) runEventLoop();
    shutDown();
    // A download worker may still run: it is not waited for.
    std::fflush(nullptr);
    std::_Exit(0);
}
