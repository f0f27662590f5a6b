// A fresh temporary folder for one test, removed afterwards (read-only
// entries inside too), and whole-file helpers.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace testsupport {

// Changes the working directory for the lifetime of the object.
class ScopedCwd {
  public:
    explicit ScopedCwd(const std::filesystem::path& dir);
    ~ScopedCwd();

  private:
    std::filesystem::path previous_;
};

class TempDir {
  public:
    // Enter: the folder is also the working directory while the object
    // lives, since the program finds its files relative to it.
    enum Mode { Stay, Enter };
    explicit TempDir(Mode mode = Stay);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
    std::optional<ScopedCwd> cwd_;  // set with Enter
};

void writeFile(const std::filesystem::path& path, const std::string& bytes);
// The file's bytes; "" when it cannot be read.
std::string readFile(const std::filesystem::path& path);
// Whether anything (a link too, even a dangling one) has that name.
bool fileExists(const std::filesystem::path& path);
// The names in a folder other than "." and "..", sorted, joined by spaces.
std::string listFolder(const std::filesystem::path& path);
// Removes `path` and all it holds when the test process ends. The test main
// ends with _Exit, so a static object's destructor would never run.
void removeAtExit(const std::filesystem::path& path);
// Called by the test main just before it ends.
void removePathsMarkedForExit();

// Runs a shell command; returns its exit status.
int run(const std::string& command);

}  // namespace testsupport
