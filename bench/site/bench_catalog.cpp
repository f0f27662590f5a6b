// Indexing a folder of 10 000 tagged MP3s, and searching 100 000 entries.
//
//   bench_site_catalog [--benchmark_repetitions=5 --benchmark_report_aggregates_only=true]
//
// The files are written once into a temporary folder (a tiny MP3 made with
// sox and lame, each copy with an ID3v2 tag of its own); the page cache is warm.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include "catalog.h"
#include "pages.h"
#include "platform/text/cp1251.h"
#include "query.h"
#include "scanner.h"

namespace fs = std::filesystem;

namespace {

// An ID3v2.4 frame with UTF-8 text.
std::string frame(const char* id, const std::string& utf8) {
    std::string body = "\x03" + utf8;
    std::string f(id, 4);
    size_t n = body.size();
    for (int shift : {21, 14, 7, 0}) f += char((n >> shift) & 0x7F);  // synchsafe
    f += std::string(2, '\0');
    return f + body;
}

std::string id3(const std::string& artist, const std::string& title) {
    std::string frames = frame("TPE1", artist) + frame("TIT2", title);
    std::string h = "ID3\x04";
    h += std::string(2, '\0');
    size_t n = frames.size();
    for (int shift : {21, 14, 7, 0}) h += char((n >> shift) & 0x7F);
    return h + frames;
}

const std::vector<std::string> kArtists = {
    "Кино",      "Аквариум", "ДДТ",      "Depeche Mode", "Ёлка",   "Сплин",     "Nautilus Pompilius",
    "Queen",     "Земфира",  "The Cure", "Алиса",        "Пикник", "Kraftwerk", "Мумий Тролль",
    "Portishead"};
const std::vector<std::string> kWords = {"звезда", "солнце", "ночь",  "город", "любовь",  "дорога", "песня",
                                         "river",  "light",  "dance", "moon",  "silence", "heart",  "время",
                                         "небо",   "ветер",  "огонь", "дождь", "summer",  "dream"};

std::string title(std::mt19937& rng) {
    std::string t;
    int n = 1 + int(rng() % 4);
    for (int i = 0; i < n; ++i) t += (i ? " " : "") + kWords[rng() % kWords.size()];
    return t;
}

const std::string& folderOf10k() {
    static const std::string dir = [] {
        std::string d = (fs::temp_directory_path() / "kestrel-bench-site-XXXXXX").string();
        if (!mkdtemp(d.data())) throw std::runtime_error("mkdtemp");
        std::string cmd = "sox -n -r 8000 -c 1 '" + d + "/t.wav' synth 0.3 sine 440 && lame --quiet -b 32 '" +
                          d + "/t.wav' '" + d + "/t.raw' && rm '" + d + "/t.wav'";
        if (std::system(cmd.c_str()) != 0) throw std::runtime_error("sox or lame failed");
        std::ifstream in(d + "/t.raw", std::ios::binary);
        std::string mp3((std::istreambuf_iterator<char>(in)), {});
        fs::remove(d + "/t.raw");
        std::mt19937 rng(1);
        for (int i = 0; i < 10000; ++i) {
            std::string sub = d + "/" + std::to_string(i / 500);
            if (i % 500 == 0) fs::create_directories(sub);
            std::ofstream(sub + "/" + std::to_string(i) + ".mp3", std::ios::binary)
                << id3(kArtists[rng() % kArtists.size()], title(rng)) << mp3;
        }
        std::atexit([] { fs::remove_all(dir); });
        return d;
    }();
    return dir;
}

void BM_Index10000Files(benchmark::State& state) {
    const std::string& dir = folderOf10k();
    size_t n = 0;
    for (auto _ : state) {
        site::Catalog c(site::scanFolders({dir}, unsigned(state.range(0))));
        n = c.size();
        benchmark::DoNotOptimize(n);
    }
    if (n != 10000) state.SkipWithError("not every file was indexed");
    state.counters["files"] = double(n);
}
BENCHMARK(BM_Index10000Files)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

const site::Catalog& catalogOf100k() {
    static const site::Catalog c = [] {
        std::mt19937 rng(2);
        std::vector<site::Track> tracks;
        for (int i = 0; i < 100000; ++i) {
            site::Track t;
            // Artist/Album/NN - name.mp3, as a tagged library is laid out.
            t.artist = kArtists[rng() % kArtists.size()] + " " + std::to_string(i / 50);
            t.title = title(rng);
            t.album = kWords[rng() % kWords.size()] + " " + std::to_string(i / 10 % 5);
            t.folder = "artist" + std::to_string(i / 50) + "/album" + std::to_string(i / 10 % 5);
            t.fileName = std::to_string(i % 10) + " - track" + std::to_string(i) + ".mp3";
            t.path = "/music/" + t.folder + "/" + t.fileName;
            t.seconds = 100 + int(rng() % 300);
            t.kbps = 192;
            tracks.push_back(std::move(t));
        }
        return site::Catalog(std::move(tracks));
    }();
    return c;
}

// What the server does for one search.php request: words, search, page.
void searchPage(benchmark::State& state, const std::string& queryUtf8) {
    const site::Catalog& c = catalogOf100k();
    std::string query = text::toCp1251(queryUtf8);  // as the player sends it
    size_t hits = 0;
    for (auto _ : state) {
        auto found = c.search(site::searchWords(site::queryText(query)), 99);
        std::string page = site::resultsPage("http://127.0.0.1:8351/", queryUtf8, found);
        hits = found.size();
        benchmark::DoNotOptimize(page);
    }
    state.counters["hits"] = double(hits);
}

BENCHMARK_CAPTURE(searchPage, common_word, std::string("звезда"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(searchPage, artist_and_word, std::string("КИНО солнце"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(searchPage, rare_three_words, std::string("kraftwerk dream river"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(searchPage, no_match, std::string("nothingmatchesthis"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(searchPage, file_name_number, std::string("99999"))->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
