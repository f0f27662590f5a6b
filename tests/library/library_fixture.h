// MainWindow with all its controls, built by the register in a fresh
// working directory; message boxes recorded and answered at once, the
// open-file dialog answered by `dialogAnswer`.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "support/temp_dir.h"

using testsupport::fileExists;
using testsupport::listFolder;
using testsupport::readFile;
using testsupport::writeFile;

// UTF-8 text to the Windows-1251 bytes our files hold.
std::string cp(std::string_view utf8);

class LibraryTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Texts of every row of a list.
    static std::vector<std::string> rows(int list);
    // Texts of the message boxes shown so far.
    static std::vector<std::string> messages();

    testsupport::TempDir folder{testsupport::TempDir::Enter};
    std::string dialogAnswer;
};
