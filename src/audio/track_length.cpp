#include "audio/track_length.h"

#include <cstring>

#include "platform/mci/mci.h"
#include "state/app_state.h"

int32_t parseLengthReply(const char* text) {
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > INT32_MAX) value = INT32_MAX + int64_t{1};  // saturate instead of overflowing
    }
    value = negative ? -value : value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

namespace {

// The alias whose length was still being read when its probe returned.
std::string pendingAlias;

}  // namespace

bool probeTrackLength(int aliasNumber, const std::string& path) {
    const std::string alias = "MP3_" + std::to_string(aliasNumber);
    pendingAlias.clear();
    mci::sendString("close " + alias, nullptr, 0);
    const uint32_t opened =
        mci::sendString("OPEN \"" + path + "\" Type MPEGVIDEO ALIAS " + alias, nullptr, 0);
    char reply[261];
    std::memset(reply, ' ', 260);
    reply[260] = '\0';
    if (mci::sendString("status " + alias + " length", reply, 260) == mci::ErrorNotReady)
        pendingAlias = alias;
    appState.trackLengthSeconds = parseLengthReply(reply) / 1000;
    return opened != mci::ErrorInvalidFile;
}

bool trackLengthPending() {
    return !pendingAlias.empty();
}

bool lateTrackLength() {
    if (pendingAlias.empty()) return false;
    char reply[261];
    std::memset(reply, ' ', 260);
    reply[260] = '\0';
    const uint32_t rc = mci::sendString("status " + pendingAlias + " length", reply, 260);
    if (rc == mci::ErrorNotReady) return false;
    pendingAlias.clear();
    if (rc != mci::Ok) return false;
    appState.trackLengthSeconds = parseLengthReply(reply) / 1000;
    return true;
}
