#include "scanner.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <set>
#include <thread>
#include <utility>

#include "tags.h"

namespace site {
namespace {

struct Kind {
    const char* ext;
    const char* type;
};
constexpr Kind kKinds[] = {
    {"mp3", "audio/mpeg"}, {"ogg", "audio/ogg"},   {"oga", "audio/ogg"},
    {"opus", "audio/ogg"}, {"flac", "audio/flac"}, {"wav", "audio/wav"},
    {"m4a", "audio/mp4"},  {"aac", "audio/aac"},   {"wma", "audio/x-ms-wma"},
};

const Kind* kindOf(std::string_view name) {
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return nullptr;
    std::string ext(name.substr(dot + 1));
    for (char& c : ext) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    for (const Kind& k : kKinds)
        if (ext == k.ext) return &k;
    return nullptr;
}

using Node = std::pair<dev_t, ino_t>;

int64_t nanoseconds(const timespec& t) {
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

using Entering = std::function<void(const std::string&)>;

void walk(const std::string& dir, const std::string& folder, std::set<Node>& seen, const Entering& entering,
          Walk& out) {
    if (entering) entering(dir);
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    out.dirs.push_back(dir);
    std::vector<std::pair<std::string, std::string>> subdirs;
    while (dirent* e = readdir(d)) {
        std::string_view name = e->d_name;
        if (name.empty() || name[0] == '.') continue;
        std::string path = dir + "/" + std::string(name);
        struct stat st;
        if (stat(path.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            if (seen.insert({st.st_dev, st.st_ino}).second)
                subdirs.emplace_back(std::move(path),
                                     folder.empty() ? std::string(name) : folder + "/" + std::string(name));
        } else if (S_ISREG(st.st_mode) && kindOf(name)) {
            if (seen.insert({st.st_dev, st.st_ino}).second)
                out.files.push_back({std::move(path), folder, int64_t(st.st_size), nanoseconds(st.st_mtim),
                                     nanoseconds(st.st_ctim)});
        }
    }
    closedir(d);
    for (auto& [sub, subFolder] : subdirs) walk(sub, subFolder, seen, entering, out);
}

}  // namespace

bool isAudioFileName(std::string_view name) {
    return kindOf(name) != nullptr;
}

const char* contentTypeFor(std::string_view name) {
    const Kind* k = kindOf(name);
    return k ? k->type : "application/octet-stream";
}

Walk walkFolders(const std::vector<std::string>& folders, const Entering& entering) {
    std::set<Node> seen;
    Walk out;
    for (std::string root : folders) {
        while (root.size() > 1 && root.back() == '/') root.pop_back();
        struct stat st;
        if (stat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
        if (seen.insert({st.st_dev, st.st_ino}).second) walk(root, "", seen, entering, out);
    }
    return out;
}

std::vector<Track> readTracks(const std::vector<FoundFile>& files, unsigned threads) {
    std::vector<Track> tracks(files.size());
    std::vector<char> audio(files.size(), 0);
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < files.size();) {
            bool isAudio = false;
            tracks[i] = readTrack(files[i].path, files[i].folder, &isAudio);
            tracks[i].size = files[i].size;
            tracks[i].mtime = files[i].mtime;
            audio[i] = isAudio;
        }
    };
    std::vector<std::thread> pool;
    for (unsigned i = 1; i < std::max(1u, threads); ++i) pool.emplace_back(work);
    work();
    for (auto& t : pool) t.join();
    size_t kept = 0;
    for (size_t i = 0; i < tracks.size(); ++i)
        if (audio[i]) {
            if (kept != i) tracks[kept] = std::move(tracks[i]);
            ++kept;
        }
    tracks.resize(kept);
    return tracks;
}

std::vector<Track> scanFolders(const std::vector<std::string>& folders, unsigned threads) {
    return readTracks(walkFolders(folders).files, threads);
}

}  // namespace site
