// The media control command strings of the track-length probe, in the
// manner of the Windows multimedia library: a device is opened on a file
// under an alias, asked for its length, and closed.
//
// Understood (keywords in any letter case):
//   open "path" [type NAME] [alias NAME]   the file must be a readable media file
//   status ALIAS length                     the length in milliseconds, decimal
//   close ALIAS | close all
//
// Threads: any; one mutex guards the open devices. `open` blocks while the
// file is read to learn its length.
#pragma once

#include <cstdint>
#include <string>

namespace mci {

enum : uint32_t {
    Ok = 0,
    ErrorUnrecognizedCommand = 261,
    ErrorInvalidDeviceName = 263,
    ErrorFileNotFound = 275,
    ErrorDuplicateAlias = 289,
    ErrorMissingParameter = 273,
    ErrorUnsupportedFunction = 274,
};

// Sends one command. The answer text, if any and if `returnBuffer` is given,
// is copied into it and zero-terminated within `returnLength` bytes; on an
// error the buffer is left as it was. Returns Ok or an error number.
uint32_t sendString(const std::string& command, char* returnBuffer, uint32_t returnLength);

}  // namespace mci
