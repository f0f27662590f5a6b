// Reserving, committing, protecting and releasing address space; the
// readable-range test; libraries by name and ordinal; low jump stubs.
#include "platform/os/address_space.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

#include "platform/os/library.h"

TEST(AddressSpace, ReserveCommitDecommitRelease) {
    const size_t size = 4 * 4096;
    auto* base = static_cast<uint8_t*>(os::reserveAddressSpace(0, size, false));
    ASSERT_NE(base, nullptr);
    EXPECT_FALSE(os::isReadableRange(base, 1));  // reserved, not committed
    ASSERT_TRUE(os::commitPages(base + 4096, 100));
    EXPECT_TRUE(os::isReadableRange(base + 4096, 4096));
    EXPECT_FALSE(os::isReadableRange(base + 4096, 4097));
    base[4096] = 7;
    ASSERT_TRUE(os::commitPages(base + 4096, 4096));  // committing again keeps the bytes
    EXPECT_EQ(base[4096], 7);
    EXPECT_TRUE(os::protectPages(base + 4096, 1, os::PageReadOnly));
    EXPECT_TRUE(os::isReadableRange(base + 4096, 4096));
    EXPECT_TRUE(os::decommitPages(base + 4096, 4096));
    EXPECT_FALSE(os::isReadableRange(base + 4096, 1));
    ASSERT_TRUE(os::commitPages(base + 4096, 4096));
    EXPECT_EQ(base[4096], 0);  // decommitted pages come back as zero
    EXPECT_FALSE(os::decommitPages(base, 0));
    // Nothing outside a reservation of ours, nor past its end.
    EXPECT_FALSE(os::commitPages(base + size, 1));
    EXPECT_FALSE(os::protectPages(base + size - 1, 2, os::PageReadWrite));
    EXPECT_FALSE(os::releaseAddressSpace(base + 4096));
    EXPECT_TRUE(os::releaseAddressSpace(base));
    EXPECT_FALSE(os::releaseAddressSpace(base));
}

TEST(AddressSpace, PreferredAddressIsExactOrRefused) {
    void* probe = mmap(nullptr, 0x20000, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(probe, MAP_FAILED);
    const auto want = reinterpret_cast<uintptr_t>(probe);
    void* p = os::reserveAddressSpace(want, 0x10000, false);
    EXPECT_EQ(p, nullptr);  // taken
    munmap(probe, 0x20000);
    p = os::reserveAddressSpace(want, 0x10000, false);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p), want);
    os::releaseAddressSpace(p);
    EXPECT_EQ(os::reserveAddressSpace(want + 1, 0x1000, false), nullptr);  // not page-aligned
}

TEST(AddressSpace, BelowFourGiBWhenAsked) {
    void* p = os::reserveAddressSpace(0, 0x100000, true);
    ASSERT_NE(p, nullptr);
    EXPECT_LE(reinterpret_cast<uint64_t>(p) + 0x100000, 0x100000000ull);
    os::releaseAddressSpace(p);
    EXPECT_EQ(os::reserveAddressSpace(0xFFFFF000ull, 0x2000, true), nullptr);  // would cross 4 GiB
}

TEST(AddressSpace, ReadableRangeNeverFaults) {
    int local = 5;
    EXPECT_TRUE(os::isReadableRange(&local, sizeof local));
    EXPECT_TRUE(os::isReadableRange(nullptr, 0));
    EXPECT_FALSE(os::isReadableRange(nullptr, 1));
    void* guard = mmap(nullptr, 8192, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    mprotect(static_cast<char*>(guard) + 4096, 4096, PROT_NONE);
    EXPECT_TRUE(os::isReadableRange(guard, 4096));
    EXPECT_FALSE(os::isReadableRange(static_cast<char*>(guard) + 4000, 200));  // runs into the guard page
    munmap(guard, 8192);
}

TEST(Library, ByNameByOrdinalAndFreed) {
    os::LibraryHandle libc = os::loadLibrary("libc.so.6");
    ASSERT_NE(libc, nullptr);
    void* byName = os::libraryFunction(libc, "getpid");
    EXPECT_EQ(byName, dlsym(RTLD_DEFAULT, "getpid"));
    const int ordinal = os::libraryOrdinalOf(libc, "getpid");
    ASSERT_GT(ordinal, 0);
    EXPECT_EQ(os::libraryFunctionByOrdinal(libc, static_cast<uint16_t>(ordinal)), byName);
    EXPECT_EQ(os::libraryFunctionByOrdinal(libc, 0), nullptr);  // entry 0 is always the null symbol
    EXPECT_EQ(os::libraryFunctionByOrdinal(libc, 0xFFFF), nullptr);
    EXPECT_EQ(os::libraryOrdinalOf(libc, "no_such_symbol_anywhere"), -1);
    EXPECT_EQ(os::libraryFunction(libc, "no_such_symbol_anywhere"), nullptr);
    EXPECT_TRUE(os::freeLibrary(libc));
    EXPECT_EQ(os::loadLibrary("libkestrel-no-such-library.so"), nullptr);
    EXPECT_EQ(os::loadLibrary(""), nullptr);
    EXPECT_FALSE(os::freeLibrary(nullptr));
}

TEST(Library, LowStubsReachHighFunctions) {
    auto high = reinterpret_cast<void*>(&getpid);
    void* low = os::lowAddressFor(high);
    ASSERT_NE(low, nullptr);
    EXPECT_LT(reinterpret_cast<uint64_t>(low), 0x100000000ull);
    EXPECT_EQ(reinterpret_cast<pid_t (*)()>(low)(), getpid());
    EXPECT_EQ(os::lowAddressFor(high), low);  // one stub per target
    auto strlenLow =
        reinterpret_cast<size_t (*)(const char*)>(os::lowAddressFor(reinterpret_cast<void*>(&strlen)));
    ASSERT_NE(strlenLow, nullptr);
    EXPECT_EQ(strlenLow("kestrel"), 7u);
    EXPECT_EQ(reinterpret_cast<pid_t (*)()>(low)(), getpid());  // earlier stubs still run
    auto alreadyLow = reinterpret_cast<void*>(0x12345678);
    EXPECT_EQ(os::lowAddressFor(alreadyLow), alreadyLow);
}
