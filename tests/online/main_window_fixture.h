// The controls of MainWindow that the search and the download use, built
// bare (no skin), a fresh AppState, and message boxes answered by the test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/gui/gui_testing.h"

namespace onlinetest {

class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the toolkit's event wait until `done` holds or `limit` passes.
    static bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
    static std::vector<std::string> rowTexts(int list);
    static std::vector<gui::MessageBoxInfo> boxes() { return gui::shownMessageBoxes(); }
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();

  private:
    std::string name_;
    std::string previous_;
    bool had_ = false;
};

}  // namespace onlinetest
