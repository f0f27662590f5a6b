// MainWindow with all its controls, built by the register in a fresh
// working directory; message boxes recorded and answered at once, the
// open-file dialog answered by `dialogAnswer`.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "temp_folder_fixture.h"

class LibraryTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Texts of every row of a list.
    static std::vector<std::string> rows(int list);
    // Texts of the message boxes shown so far.
    static std::vector<std::string> messages();

    TempFolder folder;
    std::string dialogAnswer;
};
