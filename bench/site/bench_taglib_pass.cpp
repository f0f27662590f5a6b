// The peer of the site's first index: TagLib alone reading the tags and audio
// properties of every audio file under a folder, in one pass.
//
//   bench_site_taglib_pass FOLDER [THREADS]   -> "files N seconds S"
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [THREADS]\n", argv[0]);
        return 2;
    }
    unsigned threads = argc > 2 ? unsigned(std::atoi(argv[2])) : 1;
    auto started = std::chrono::steady_clock::now();
    std::vector<std::string> files;
    for (auto& e : std::filesystem::recursive_directory_iterator(argv[1]))
        if (e.is_regular_file() && e.path().extension() == ".mp3") files.push_back(e.path().string());
    std::atomic<size_t> next{0}, read{0};
    auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < files.size();) {
            TagLib::FileRef ref(files[i].c_str(), true, TagLib::AudioProperties::Fast);
            if (ref.isNull() || !ref.tag() || !ref.audioProperties()) continue;
            std::string fields = ref.tag()->artist().to8Bit(true) + ref.tag()->title().to8Bit(true) +
                                 ref.tag()->album().to8Bit(true);
            if (!fields.empty() && ref.audioProperties()->bitrate() > 0) ++read;
        }
    };
    std::vector<std::thread> pool;
    for (unsigned i = 1; i < std::max(1u, threads); ++i) pool.emplace_back(work);
    work();
    for (auto& t : pool) t.join();
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("files %zu seconds %.3f\n", read.load(), s);
    return read == files.size() ? 0 : 1;
}
