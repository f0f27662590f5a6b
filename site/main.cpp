// kestrel-site: a music search site over the user's own folders.
#include <malloc.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "options.h"
#include "server.h"

int main(int argc, char** argv) {
    // A rescan builds the next catalogue beside the current one, on whichever
    // thread asked for it: large arrays always mapped apart (so that freeing
    // them returns them) and few heaps keep memory flat across rescans.
    mallopt(M_MMAP_THRESHOLD, 256 << 10);
    mallopt(M_ARENA_MAX, 2);
    // A connection waiting for its request costs a descriptor, not a thread:
    // take every descriptor the system allows, so that a thousand local
    // clients at once are queued rather than refused.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < std::min<rlim_t>(files.rlim_max, 1 << 16)) {
        files.rlim_cur = std::min<rlim_t>(files.rlim_max, 1 << 16);
        setrlimit(RLIMIT_NOFILE, &files);
    }
    site::Options options;
    std::string error;
    if (!site::parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "kestrel-site: %s\n%s", error.c_str(), site::kUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(site::kUsage, stdout);
        return 0;
    }
    if (options.folders.empty()) options.folders.push_back(site::defaultMusicFolder());
    for (const auto& folder : options.folders) {
        struct stat st;
        if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            std::fprintf(stderr, "kestrel-site: %s is not a folder; it adds nothing until it is\n",
                         folder.c_str());
    }

    // Signals are taken by one thread with sigwait, so their work (a re-index,
    // a clean stop) runs as ordinary code rather than in a handler.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGHUP);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    const bool loopback =
        options.listen.rfind("127.", 0) == 0 || options.listen == "::1" || options.listen == "localhost";
    if (!loopback)
        std::fprintf(stderr,
                     "kestrel-site: warning: listening on %s lets other machines search and download "
                     "the music in these folders\n",
                     options.listen.c_str());

    site::Site site(options.folders, {}, options.db.empty() ? site::defaultDbPath() : options.db);
    errno = 0;
    int port = site.bind(options.listen, options.port);
    if (port < 0) {
        std::fprintf(stderr, "kestrel-site: cannot listen on %s port %d%s\n", options.listen.c_str(),
                     options.port, errno == EADDRINUSE ? ": the port is taken by another program" : "");
        return 1;
    }

    std::atomic<bool> stopRequested{false};
    std::mutex doneMutex;
    std::condition_variable doneChanged;
    bool done = false;  // guarded by doneMutex

    // Re-indexes run on a thread of their own, so that a SIGTERM during a long
    // scan is still answered; hang-ups during a scan make one more scan.
    std::atomic<bool> reindexWanted{false}, reindexRunning{false};
    auto requestReindex = [&] {
        reindexWanted = true;
        if (reindexRunning.exchange(true)) return;
        std::thread([&] {
            for (;;) {
                while (reindexWanted.exchange(false)) site.reindex();
                reindexRunning = false;
                // A hang-up that came after the last check but before the flag
                // was cleared found the flag still set: take it up here.
                if (!reindexWanted || reindexRunning.exchange(true)) return;
            }
        }).detach();
    };

    std::thread signalThread([&] {
        for (;;) {
            int sig = 0;
            if (sigwait(&signals, &sig) != 0) continue;
            if (sig == SIGHUP) {
                requestReindex();
                continue;
            }
            stopRequested = true;
            site.stop();
            // A client that has stopped reading (a paused player) keeps its
            // request thread in a blocked write, and a scan may be under way:
            // do not wait for them for long.
            std::unique_lock<std::mutex> lock(doneMutex);
            if (!doneChanged.wait_for(lock, std::chrono::seconds(3), [&] { return done; })) {
                std::fprintf(stderr, "kestrel-site: stopped with work still under way\n");
                std::fflush(nullptr);
                std::_Exit(0);
            }
            return;
        }
    });

    // A stored index is served at once and brought up to date behind; a
    // first start reads the folders before it says where it listens. Either
    // scan watches each folder before it lists it.
    const bool stored = site.open() > 0;
    site.startWatching();
    if (!stored) site.reindex();
    std::printf("%s\n", site.baseUrl().c_str());
    std::fflush(stdout);
    if (stored) requestReindex();
    bool served = site.run();
    {
        std::lock_guard<std::mutex> lock(doneMutex);
        done = true;
    }
    doneChanged.notify_all();
    // run() also returns when serving fails; the signal thread may still be
    // waiting then. It has not been joined, so its handle is valid either way.
    const bool asked = stopRequested;
    if (!asked) pthread_kill(signalThread.native_handle(), SIGTERM);
    signalThread.join();
    // A detached re-index may still hold the site: end without destroying it.
    std::fflush(nullptr);
    std::_Exit(served || asked ? 0 : 1);
}
