// Reading a 10 MB key-value file and writing it back, against GLib's
// GKeyFile loading and saving the same file in the same run. The file is
// ASCII with CR LF line ends, which both readers take as it is.
#include <benchmark/benchmark.h>
#include <glib.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "library/key_value_file.h"

namespace {

std::string folder() {
    static const std::string path = [] {
        std::string pattern = "/tmp/kestrel-bench-kv-XXXXXX";
        if (!::mkdtemp(pattern.data())) std::abort();
        return pattern;
    }();
    return path;
}

// 10 MB of groups of stations, shaped like "inet_radio.pls".
const std::string& document() {
    static const std::string text = [] {
        std::string t;
        for (int g = 0; t.size() < 10'000'000; ++g) {
            t += "[Style " + std::to_string(g) + "]\r\n";
            for (int n = 1; n <= 40; ++n) {
                const std::string k = std::to_string(n);
                t += "File" + k + " = http://stream" + std::to_string(g) + ".example.net:8000/live" + k +
                     ".mp3\r\n";
                t += "Title" + k + " = Station number " + k + " of style " + std::to_string(g) + "\r\n";
            }
        }
        return t;
    }();
    return text;
}

std::string sourceFile() {
    static const std::string path = [] {
        const std::string p = folder() + "/source.pls";
        std::ofstream(p, std::ios::binary) << document();
        return p;
    }();
    return path;
}

void BM_KeyValueFile_Read(benchmark::State& state) {
    const std::string path = sourceFile();
    for (auto _ : state) {
        const bool ok = keyValueFile.open(path);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(keyValueFile.lines().size());
        keyValueFile.close();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * document().size()));
}

void BM_GKeyFile_Read(benchmark::State& state) {
    const std::string path = sourceFile();
    for (auto _ : state) {
        GKeyFile* file = g_key_file_new();
        const gboolean ok = g_key_file_load_from_file(file, path.c_str(), G_KEY_FILE_KEEP_COMMENTS, nullptr);
        if (!ok) state.SkipWithError("GKeyFile could not read the file");
        benchmark::DoNotOptimize(ok);
        g_key_file_free(file);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * document().size()));
}

// Writing back: one value changed, then the whole file replaced (with the
// flush to disk that both writers do).
void BM_KeyValueFile_Write(benchmark::State& state) {
    const std::string path = folder() + "/ours.pls";
    for (auto _ : state) {
        state.PauseTiming();
        keyValueFile.parse(document(), path);
        keyValueFile.selectGroup("Style 0");
        keyValueFile.writeValue("File1", "http://changed.example.net/");
        state.ResumeTiming();
        keyValueFile.close();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * document().size()));
}

void BM_GKeyFile_Write(benchmark::State& state) {
    const std::string path = folder() + "/glib.pls";
    GKeyFile* file = g_key_file_new();
    if (!g_key_file_load_from_data(file, document().data(), document().size(), G_KEY_FILE_KEEP_COMMENTS,
                                   nullptr))
        state.SkipWithError("GKeyFile could not read the document");
    for (auto _ : state) {
        state.PauseTiming();
        g_key_file_set_value(file, "Style 0", "File1", "http://changed.example.net/");
        state.ResumeTiming();
        const gboolean ok = g_key_file_save_to_file(file, path.c_str(), nullptr);
        benchmark::DoNotOptimize(ok);
    }
    g_key_file_free(file);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * document().size()));
}

// The layout alone, in memory: what writing costs before the disk.
void BM_KeyValueFile_Layout(benchmark::State& state) {
    KeyValueFile doc;
    doc.parse(document());
    for (auto _ : state) benchmark::DoNotOptimize(doc.serialize());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * document().size()));
}

void BM_GKeyFile_ToData(benchmark::State& state) {
    GKeyFile* file = g_key_file_new();
    g_key_file_load_from_data(file, document().data(), document().size(), G_KEY_FILE_KEEP_COMMENTS, nullptr);
    for (auto _ : state) g_free(g_key_file_to_data(file, nullptr, nullptr));
    g_key_file_free(file);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * document().size()));
}

}  // namespace

BENCHMARK(BM_KeyValueFile_Read)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GKeyFile_Read)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_KeyValueFile_Write)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GKeyFile_Write)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_KeyValueFile_Layout)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GKeyFile_ToData)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const std::string cleanup = "rm -rf '" + folder() + "'";
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
