// Temporary files that a killed run of the program left behind.
//
// Two kinds of file are written through a temporary name beside the target:
// key-value files (".<name>.tmp-<pid>-<serial>-<hex>", atomic_file) and
// downloads (".kestrel-download-<pid>-<hex>.part", net::downloadToFile).
// A name of either form whose process no longer runs is stale: the file was
// never renamed to its target and nobody will finish it.
#pragma once

#include <string>
#include <string_view>

// The pid a temporary name of ours carries; 0 when `name` is not one of ours.
int temporaryOwner(std::string_view name);

// Removes the stale temporary files of ours directly inside `folder` (no
// sub-folders, no links, nothing of another name). Returns how many went.
int removeStaleTemporaries(const std::string& folder);

// The same in the folder where a new content of `file` is written: the
// folder of the file a symbolic link names, or of `file` itself.
int removeStaleTemporariesBeside(const std::string& file);
