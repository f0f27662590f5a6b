// A fresh temporary working directory for one test, removed afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

// Changes the working directory for the lifetime of the object.
class ScopedCwd {
  public:
    explicit ScopedCwd(const std::filesystem::path& dir);
    ~ScopedCwd();

  private:
    std::filesystem::path previous_;
};

void writeFile(const std::filesystem::path& path, const std::string& bytes);
std::string readFile(const std::filesystem::path& path);
// Removes `path` and all it holds when the test process ends. The test main
// ends with _Exit, so a static object's destructor would never run.
void removeAtExit(const std::filesystem::path& path);
// Called by the test main just before it ends.
void removePathsMarkedForExit();

// Runs a shell command; returns its exit status.
int run(const std::string& command);

}  // namespace testsupport
