// A started program in a temporary working directory, message boxes
// recorded and answered at once.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "support/temp_dir.h"

class StartedApp : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Runs loop passes until the event queue is empty (at most `limit`);
    // returns false if a pass asked to shut down.
    bool drain(int limit = 20);
    // Copies the shipped pictures into the working directory before start-up.
    virtual bool withPictures() const { return true; }
    virtual void prepare(const std::filesystem::path&) {}

    std::unique_ptr<testsupport::TempDir> dir_;
    std::unique_ptr<testsupport::ScopedCwd> cwd_;
};
