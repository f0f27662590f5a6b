// Noticing changes under the indexed folders: an inotify watch on every
// folder walked, and a call of `changed` once events have been quiet for a
// moment. Where the system's watch limit is reached, `changed` is also called
// periodically so that what cannot be watched is still found.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace site {

class Watcher {
  public:
    // `changed` rescans; it runs on the watcher's own thread.
    Watcher(std::function<void()> changed, std::function<void(const std::string&)> log);
    ~Watcher();  // stops and joins the thread
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    static constexpr std::chrono::milliseconds kQuiet{200};
    static constexpr std::chrono::seconds kFallbackPeriod{60};

    // Watches these folders (those already watched are only renewed). From
    // any thread; call after each rescan with the folders it walked.
    void watch(const std::vector<std::string>& folders);

  private:
    void run();

    std::function<void()> changed_;
    std::atomic<bool> complete_{true};  // false once the watch limit was met
    std::function<void(const std::string&)> log_;
    std::atomic<bool> stopping_{false};
    int inotify_ = -1;
    int wake_ = -1;  // an eventfd written to stop
    std::thread thread_;
};

}  // namespace site
