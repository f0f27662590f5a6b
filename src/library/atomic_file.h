// Replacing a file's whole content so that a crash, a full disk or a failed
// write never leaves it truncated or mixed: the bytes go to a temporary file
// in the same folder, are flushed to the disk, and the temporary file is
// renamed over the target. After a power loss the target holds either the
// old or the new content (the folder itself is not flushed, so it may be
// the old one). A symbolic link is followed to its target, which
// is replaced while the link stays. An existing target keeps its mode (and,
// where allowed, its owner); a new one gets 0666 less the umask.
//
// Any thread; blocks for the write and the flush. Paths are UTF-8 bytes.
#pragma once

#include <string>
#include <string_view>

namespace atomic_file {

// The file a path finally names once symbolic links are followed (at most
// 40 of them); the path itself when it is no link. A dangling link gives
// the path the link points to, so that writing creates that file.
std::string resolveLinks(const std::string& path);

// Writes `bytes` as the whole content of `path` (links followed). Returns
// false when anything failed (errno tells why: ENOSPC for a full disk); the
// target is then as it was before and no temporary file is left behind.
bool replaceContent(const std::string& path, std::string_view bytes);

}  // namespace atomic_file
