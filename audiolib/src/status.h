// The small result type used inside the library: an error code of
// kestrel_audio.h (0 on success) and, for the curious, what failed.
#pragma once

#include <string>

#include "kestrel_audio.h"

namespace kaudio {

struct Status {
    int code = KESTREL_AUDIO_OK;
    std::string what;

    bool ok() const { return code == KESTREL_AUDIO_OK; }
    static Status success() { return {}; }
    static Status fail(int code, std::string what) { return {code, std::move(what)}; }
};

}  // namespace kaudio
