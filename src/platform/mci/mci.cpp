#include "platform/mci/mci.h"

#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/mci/media_length.h"

namespace mci {
namespace {

std::mutex devicesMutex;
std::map<std::string, uint64_t> devices;  // alias (lower case) -> length in ms; guarded by devicesMutex

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
    std::optional<uint64_t> length = mediaLengthMs(path);  // outside the lock: it reads the file
    if (!length) return ErrorFileNotFound;
    std::lock_guard lock(devicesMutex);
    if (!devices.emplace(alias, *length).second) return ErrorDuplicateAlias;
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
        uint64_t length;
        {
            std::lock_guard lock(devicesMutex);
            auto it = devices.find(lower(w[1]));
            if (it == devices.end()) return ErrorInvalidDeviceName;
            length = it->second;
        }
        if (lower(w[2]) != "length") return ErrorUnsupportedFunction;
        answer(std::to_string(length), returnBuffer, returnLength);
        return Ok;
    }
    return ErrorUnrecognizedCommand;
}

}  // namespace mci
