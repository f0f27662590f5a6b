#include "platform/mci/mci.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/mci/media_length.h"

namespace mci {
namespace {

// A file's length, learnt on a thread of its own: a file on a hung network
// share may hold its reader for ever, and the caller is the window's thread.
struct Probe {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;  // guarded by mutex
    MediaLength result;     // guarded by mutex, set once finished
};

// How long `open` waits for a probe before it leaves the length to a later `status`.
constexpr std::chrono::milliseconds kProbeWait{100};

std::mutex devicesMutex;
// alias (lower case) -> its probe; guarded by devicesMutex
std::map<std::string, std::shared_ptr<Probe>> devices;

std::shared_ptr<Probe> startProbe(const std::string& path) {
    auto probe = std::make_shared<Probe>();
    std::thread([probe, path] {
        MediaLength result = probeMediaLength(path);
        std::lock_guard lock(probe->mutex);
        probe->result = result;
        probe->finished = true;
        probe->done.notify_all();
    }).detach();
    return probe;
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Words separated by blanks; a double-quoted word keeps its blanks and quotes.
std::vector<std::string> words(const std::string& command) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < command.size()) {
        while (i < command.size() && (command[i] == ' ' || command[i] == '\t')) ++i;
        if (i >= command.size()) break;
        std::string word;
        if (command[i] == '"') {
            // The closing quote is the last one that ends a word, so that a
            // path may itself hold quotes (keywords never do).
            size_t close = std::string::npos;
            for (size_t q = command.find('"', i + 1); q != std::string::npos; q = command.find('"', q + 1))
                if (q + 1 == command.size() || command[q + 1] == ' ' || command[q + 1] == '\t') close = q;
            word = command.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
            i = close == std::string::npos ? command.size() : close + 1;
        } else {
            while (i < command.size() && command[i] != ' ' && command[i] != '\t') word += command[i++];
        }
        out.push_back(word);
    }
    return out;
}

void answer(const std::string& text, char* buffer, uint32_t length) {
    if (!buffer || length == 0) return;
    const size_t n = text.size() < length - 1 ? text.size() : length - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

uint32_t open(const std::vector<std::string>& w) {
    if (w.size() < 2) return ErrorMissingParameter;
    const std::string& path = w[1];
    std::string alias = lower(path);
    for (size_t i = 2; i + 1 < w.size(); i += 2) {
        const std::string key = lower(w[i]);
        if (key == "alias")
            alias = lower(w[i + 1]);
        else if (key != "type")
            return ErrorUnrecognizedCommand;
    }
    {
        std::lock_guard lock(devicesMutex);
        if (devices.count(alias)) return ErrorDuplicateAlias;
    }
    std::shared_ptr<Probe> probe = startProbe(path);
    {
        std::unique_lock lock(probe->mutex);
        if (probe->done.wait_for(lock, kProbeWait, [&] { return probe->finished; })) {
            if (probe->result.notAFile) return ErrorInvalidFile;
            if (!probe->result.ms) return ErrorFileNotFound;
        }
    }
    std::lock_guard lock(devicesMutex);
    if (!devices.emplace(alias, probe).second) return ErrorDuplicateAlias;
    return Ok;
}

}  // namespace

uint32_t sendString(const std::string& command, char* returnBuffer, uint32_t returnLength) {
    const std::vector<std::string> w = words(command);
    if (w.empty()) return ErrorUnrecognizedCommand;
    const std::string verb = lower(w[0]);
    if (verb == "open") return open(w);
    if (verb == "close") {
        if (w.size() < 2) return ErrorMissingParameter;
        std::lock_guard lock(devicesMutex);
        if (lower(w[1]) == "all") {
            devices.clear();
            return Ok;
        }
        return devices.erase(lower(w[1])) ? Ok : ErrorInvalidDeviceName;
    }
    if (verb == "status") {
        if (w.size() < 3) return ErrorMissingParameter;
        std::shared_ptr<Probe> probe;
        {
            std::lock_guard lock(devicesMutex);
            auto it = devices.find(lower(w[1]));
            if (it == devices.end()) return ErrorInvalidDeviceName;
            probe = it->second;
        }
        if (lower(w[2]) != "length") return ErrorUnsupportedFunction;
        std::optional<uint64_t> length;
        {
            std::lock_guard lock(probe->mutex);
            if (!probe->finished) return ErrorNotReady;
            length = probe->result.ms;
        }
        if (!length) {
            // Found to be no media file after `open` had returned: closed, as
            // an `open` that knew it in time would have left it.
            std::lock_guard lock(devicesMutex);
            auto it = devices.find(lower(w[1]));
            if (it != devices.end() && it->second == probe) devices.erase(it);
            return ErrorFileNotFound;
        }
        answer(std::to_string(*length), returnBuffer, returnLength);
        return Ok;
    }
    return ErrorUnrecognizedCommand;
}

}  // namespace mci
