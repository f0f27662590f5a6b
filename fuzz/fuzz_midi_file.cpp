// The Standard MIDI File reader on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "platform/mci/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mci::MidiReadResult result = mci::readMidiFile({data, size});
    if (!result.summary && result.error.offset > size)
        __builtin_trap();  // a fault is reported inside the input
    return 0;
}
