#include "output.h"

#include <cstdlib>
#include <cstring>

namespace kaudio {

Status openOutput(Mixer& mixer, std::unique_ptr<Output>* out) {
    if (const char* wav = std::getenv("KESTREL_AUDIO_WAV"); wav && *wav)
        return openPacedOutput(mixer, wav, out);
    const char* choice = std::getenv("KESTREL_AUDIO_OUTPUT");
    if (!(choice && std::strcmp(choice, "null") == 0) && openSdlOutput(mixer, out).ok())
        return Status::success();
    return openPacedOutput(mixer, "", out);
}

}  // namespace kaudio
