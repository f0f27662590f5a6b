// A file system of a few megabytes, to meet a full disk for real: a tmpfs
// mounted over a fresh temporary folder (needs the right to mount, as root
// has), unmounted and removed afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

class SmallDisk {
  public:
    explicit SmallDisk(int megabytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    // False when the file system could not be mounted; the test then skips.
    bool mounted() const { return mounted_; }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
    bool mounted_ = false;
};

}  // namespace testsupport
