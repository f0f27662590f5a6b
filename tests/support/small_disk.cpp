#include "support/small_disk.h"

#include <sys/mount.h>

#include <cstdlib>

namespace testsupport {

SmallDisk::SmallDisk(int megabytes) {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrel-disk-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) return;
    path_ = pattern;
    const std::string options = "size=" + std::to_string(megabytes) + "m,mode=0755";
    mounted_ = ::mount("tmpfs", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
}

SmallDisk::~SmallDisk() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

}  // namespace testsupport
