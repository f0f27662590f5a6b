// Loading an ELF library from bytes: through a memory file, and through an
// unnamed temporary file when memory files are not to be used.
#include "platform/loader/memory_library.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/loader/packed_image.h"
#include "support/process_maps.h"

namespace {

std::vector<uint8_t> fileBytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

TEST(MemoryLibrary, LoadsThroughAMemoryFileAndRunsItsCode) {
    const auto elf = fileBytes(KESTREL_TEST_LIBRARY);
    ASSERT_FALSE(elf.empty());
    loader::MemoryLibrary lib = loader::loadLibraryFromMemory(elf, "kestrel-test");
    ASSERT_NE(lib.handle, nullptr) << lib.error;
    EXPECT_EQ(lib.route, loader::MemoryLibraryRoute::MemoryFile);
    auto answer = reinterpret_cast<int (*)()>(os::libraryFunction(lib.handle, "kestrel_test_answer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_NE(testsupport::mapsLineOf(reinterpret_cast<void*>(answer)).find("/memfd:kestrel-test"),
              std::string::npos);
    EXPECT_EQ(os::libraryFunction(lib.handle, "kestrel_test_missing"), nullptr);
    EXPECT_TRUE(os::freeLibrary(lib.handle));
}

TEST(MemoryLibrary, FallsBackToAnUnnamedTemporaryFile) {
    const auto elf = fileBytes(KESTREL_TEST_LIBRARY);
    loader::MemoryLibrary lib = loader::loadLibraryFromMemory(elf, "kestrel-test", /*allowMemoryFile=*/false);
    ASSERT_NE(lib.handle, nullptr) << lib.error;
    EXPECT_EQ(lib.route, loader::MemoryLibraryRoute::TemporaryFile);
    auto count = reinterpret_cast<int (*)()>(os::libraryFunction(lib.handle, "kestrel_test_count"));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count(), 1);
    // The file has no name: its mapping is marked deleted.
    EXPECT_NE(testsupport::mapsLineOf(reinterpret_cast<void*>(count)).find("(deleted)"), std::string::npos);
    os::freeLibrary(lib.handle);
}

TEST(MemoryLibrary, RefusesWhatIsNotAnElfLibrary) {
    std::vector<uint8_t> junk(4096, 0x90);
    loader::MemoryLibrary lib = loader::loadLibraryFromMemory(junk, "junk");
    EXPECT_EQ(lib.handle, nullptr);
    EXPECT_FALSE(lib.error.empty());
    junk[0] = 0x7F, junk[1] = 'E', junk[2] = 'L', junk[3] = 'F';
    lib = loader::loadLibraryFromMemory(junk, "junk");
    EXPECT_EQ(lib.handle, nullptr);
    EXPECT_EQ(lib.route, loader::MemoryLibraryRoute::None);
}

TEST(PackedImage, RoundTripsAndRefusesDamage) {
    std::vector<uint8_t> image(100000);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>((i * 7) ^ (i >> 5));
    auto packed = loader::packImage(image);
    ASSERT_GT(packed.size(), 12u);
    auto unpacked = loader::unpackImage(packed);
    ASSERT_TRUE(unpacked);
    EXPECT_EQ(*unpacked, image);
    EXPECT_EQ(loader::unpackImage(std::span(packed).first(packed.size() - 10)), std::nullopt);  // truncated
    auto wrongSize = packed;
    wrongSize[4] ^= 1;
    EXPECT_EQ(loader::unpackImage(wrongSize), std::nullopt);
    auto huge = packed;
    huge[11] = 0x10;  // announces far more than 1 GiB
    EXPECT_EQ(loader::unpackImage(huge), std::nullopt);
    EXPECT_EQ(loader::unpackImage({}), std::nullopt);
    EXPECT_EQ(loader::unpackImage(loader::packImage({})), std::vector<uint8_t>{});
}
