// The media control command strings of the track-length probe, in the
// manner of the Windows multimedia library: a device is opened on a file
// under an alias, asked for its length, and closed.
//
// Understood (keywords in any letter case):
//   open "path" [type NAME] [alias NAME]   the file must be a readable media file
//                                           (a FIFO, socket or device: ErrorInvalidFile)
//   status ALIAS length                     the length in milliseconds, decimal;
//                                           ErrorNotReady while it is still being read
//   close ALIAS | close all
//
// Threads: any; one mutex guards the open devices. `open` reads the file on
// a thread of its own and waits for it at most 100 ms: a file that takes
// longer (a sleeping disk, a hung network share) is opened, and its length
// comes to a later `status`.
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
    ErrorNotReady = 276,
    ErrorInvalidFile = 304,
};

// Sends one command. The answer text, if any and if `returnBuffer` is given,
// is copied into it and zero-terminated within `returnLength` bytes; on an
// error the buffer is left as it was. Returns Ok or an error number.
uint32_t sendString(const std::string& command, char* returnBuffer, uint32_t returnLength);

}  // namespace mci
