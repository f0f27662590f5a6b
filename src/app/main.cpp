// kestrel-player: the skinned desktop media player.
#include <cstdio>
#include <cstdlib>

#include "app/command_line.h"
#include "app/program.h"
#include "app/single_instance.h"

int main(int argc, char** argv) {
    if (int status = 0; printedInformation(argc, argv, status)) return status;
    const bool started = startUp(argc, argv);
    if (started) runEventLoop();
    shutDown();
    // A download worker may still run: it is not waited for.
    std::fflush(nullptr);
    // A program that could not start says so in its status; one that handed
    // its files to the player that runs did its job.
    std::_Exit(started ? 0 : notStartedStatus());
}
