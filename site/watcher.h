// Noticing changes under the indexed folders: an inotify watch on every
// folder, added by each walk just before it lists the folder (so that a file
// made once the listing has begun raises an event, and one made before is
// listed), and a call of `changed` once events have been quiet for a moment,
// or a second after the first of a stream of events that does not pause.
// Where the system's watch limit is reached, `changed` is also called
// periodically so that what cannot be watched is still found.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace site {

class Watcher {
  public:
    // `changed` rescans; it runs on the watcher's own thread.
    Watcher(std::function<void()> changed, std::function<void(const std::string&)> log);
    ~Watcher();  // stops and joins the thread
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    static constexpr std::chrono::milliseconds kQuiet{200};
    static constexpr std::chrono::milliseconds kLongest{1000};
    static constexpr std::chrono::seconds kFallbackPeriod{60};

    // Watches `folder` (a watch it has is only renewed). False when the
    // system's watch limit is reached. From any thread.
    bool add(const std::string& folder);

    // After a walk has added its folders: whether every one is watched.
    void walked(bool all);

    // Calls `changed` soon, as after an event: what was made before the
    // folders were watched is found.
    void changeSoon();

  private:
    void run();

    std::function<void()> changed_;
    std::atomic<bool> complete_{true};  // false once the watch limit was met
    std::atomic<bool> soon_{false};
    std::function<void(const std::string&)> log_;
    std::atomic<bool> stopping_{false};
    int inotify_ = -1;
    int wake_ = -1;  // an eventfd written to stop, or to look at the flags again
    std::thread thread_;
};

}  // namespace site
