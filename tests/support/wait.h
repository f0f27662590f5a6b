// Waiting in tests for what another thread or process brings about.
#pragma once

#include <chrono>
#include <functional>

namespace testsupport {

// Polls `done` every few milliseconds until it holds or `limit` has passed;
// whether it held.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

}  // namespace testsupport
