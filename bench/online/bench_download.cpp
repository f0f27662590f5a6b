// A 50 MB download on loopback through the download layer (temporary file,
// rename) against `curl -o` fetching the same file from the same server in
// the same run. Compare the two medians.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/net/net.h"
#include "test_site_fixture.h"

namespace {

constexpr size_t fileSize = 50u * 1024 * 1024;

onlinetest::TestSite& site() {
    static const std::string bytes = onlinetest::mp3Bytes(fileSize);
    static onlinetest::TestSite s([](httplib::Server& server) {
        server.Get("/big.mp3", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(
                fileSize, "audio/mpeg", [](size_t offset, size_t length, httplib::DataSink& sink) {
                    return sink.write(bytes.data() + offset, std::min<size_t>(length, 1 << 20));
                });
        });
    });
    return s;
}

std::string scratch(const char* name) {
    static const std::string dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "kestrel-bench-XXXXXX").string();
        return std::string(mkdtemp(pattern.data()));
    }();
    return dir + "/" + name;
}

void BM_DownloadToFile(benchmark::State& state) {
    const std::string address = site().base() + "big.mp3", target = scratch("ours.mp3");
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(target);  // a download never replaces a file
        state.ResumeTiming();
        auto result = net::downloadToFile(address, target);
        if (!result.ok() || result.bytes != fileSize) state.SkipWithError("download failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(fileSize));
    std::filesystem::remove(target);
}
BENCHMARK(BM_DownloadToFile)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

void BM_CurlCommandPeer(benchmark::State& state) {
    const std::string command = "curl -s -o " + scratch("peer.mp3") + " " + site().base() + "big.mp3";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) state.SkipWithError("curl failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(fileSize));
    std::filesystem::remove(scratch("peer.mp3"));
}
BENCHMARK(BM_CurlCommandPeer)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
