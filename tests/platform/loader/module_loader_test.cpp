// The in-memory module loader on PE32 and PE32+ images built by the tests.
#include "platform/loader/module_loader.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/loader/pe_format.h"
#include "platform/loader/pe_image_fixture.h"
#include "platform/os/library.h"

using namespace pe_test;

namespace {

constexpr uint32_t kText = 0x1000, kDataVa = 0x2000, kConstVa = 0x3000, kRelocVa = 0x4000, kBssVa = 0x5000;

// A PE32+ (or PE32) image with code, data, read-only data, a discardable
// relocation section and a section without raw data.
struct Fixture {
    Image image;
    Section text{kText, kCode, {}};
    Section data{kDataVa, kData, {}};
    Section rdata{kConstVa, kConst, {}};
    Section reloc{kRelocVa, kConst | kDiscardable, {}};
    Section bss{kBssVa, kBss, {}};

    explicit Fixture(bool plus, uint64_t base) {
        image.plus = plus;
        image.machine = plus ? 0x8664 : 0x14C;
        image.imageBase = base;
        image.sizeOfUninitializedData = 0x1000;
        text.put8(0xC3);
        data.put32(0);
    }
    std::vector<uint8_t> build() {
        image.sections = {text, data, rdata, reloc, bss};
        return image.build();
    }
};

uint64_t read64At(const MappedModule* m, uint32_t rva) {
    return pe::read64(m->imageBase + rva);
}
uint32_t read32At(const MappedModule* m, uint32_t rva) {
    return pe::read32(m->imageBase + rva);
}

struct ModuleDeleter {
    void operator()(MappedModule* m) const { unmapModuleImage(m); }
};
using ModulePtr = std::unique_ptr<MappedModule, ModuleDeleter>;

}  // namespace

TEST(ModuleLoader, RefusesWhatIsNotAnImage) {
    std::vector<uint8_t> bytes(0x400, 0);
    EXPECT_EQ(mapModuleImage(bytes.data()), nullptr);  // no "MZ"
    Fixture f(true, freeAddress(0x6000, false));
    auto image = f.build();
    image[0x80 + 1] = 'X';  // "PX\0\0"
    EXPECT_EQ(mapModuleImage(image.data()), nullptr);
    EXPECT_EQ(mapModuleImage(image.data(), 0x100), nullptr);  // truncated
    EXPECT_EQ(lookupModuleExport(nullptr, "x"), nullptr);
    unmapModuleImage(nullptr);
}

TEST(ModuleLoader, AtThePreferredBaseNothingIsRelocated) {
    const uint64_t base = freeAddress(0x6000, false);
    Fixture f(true, base);
    const uint32_t slot = f.data.put64(base + kDataVa + 0x40);
    addRelocations(f.image, f.reloc, {{kDataVa, {static_cast<uint16_t>(0xA000 | (slot - kDataVa))}}});
    auto image = f.build();
    ModulePtr m(mapModuleImage(image.data(), image.size()));
    ASSERT_TRUE(m);
    EXPECT_EQ(reinterpret_cast<uint64_t>(m->imageBase), base);
    EXPECT_EQ(read64At(m.get(), slot), base + kDataVa + 0x40);
}

TEST(ModuleLoader, ElsewhereHighLowAndDir64AreRelocatedAndPaddingIsSkipped) {
    for (bool plus : {false, true}) {
        SCOPED_TRACE(plus ? "PE32+" : "PE32");
        const uint64_t preferred = freeAddress(0x6000, !plus);
        // Occupy the preferred base so that the loader must go elsewhere.
        void* blocker = mmap(reinterpret_cast<void*>(preferred), 0x1000, PROT_NONE,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
        ASSERT_EQ(reinterpret_cast<uint64_t>(blocker), preferred);
        Fixture f(plus, preferred);
        const uint32_t untouched = f.data.put32(0x11111111);  // at page offset 0: what a padding entry names
        const uint32_t a = f.data.put32(static_cast<uint32_t>(preferred) + 0x1234);
        const uint32_t b = f.data.put32(static_cast<uint32_t>(preferred) + 0x10);
        f.data.align(8);
        const uint32_t wide = f.data.put64(preferred + 0x5000);
        std::vector<uint16_t> entries = {static_cast<uint16_t>(0x3000 | (a - kDataVa)),
                                         static_cast<uint16_t>(0x3000 | (b - kDataVa))};
        if (plus) entries.push_back(static_cast<uint16_t>(0xA000 | (wide - kDataVa)));
        entries.push_back(0x0000);  // padding after the type-3 entries
        addRelocations(f.image, f.reloc, {{kDataVa, entries}});
        // Bytes after the directory look like one more block; they are not relocations.
        f.reloc.put32(kDataVa);
        f.reloc.put32(10);
        f.reloc.put16(static_cast<uint16_t>(0x3000 | (untouched - kDataVa)));
        auto image = f.build();
        ModulePtr m(mapModuleImage(image.data(), image.size()));
        ASSERT_TRUE(m);
        const uint64_t actual = reinterpret_cast<uint64_t>(m->imageBase);
        ASSERT_NE(actual, preferred);
        if (!plus) {
            EXPECT_LT(actual + 0x6000, 0x100000000ull);
        }
        EXPECT_EQ(read32At(m.get(), untouched), 0x11111111u);
        EXPECT_EQ(read32At(m.get(), a), static_cast<uint32_t>(actual) + 0x1234);
        EXPECT_EQ(read32At(m.get(), b), static_cast<uint32_t>(actual) + 0x10);
        if (plus) {
            EXPECT_EQ(read64At(m.get(), wide), actual + 0x5000);
        }
        // The mapped headers name the actual base.
        EXPECT_EQ(pe::imageBaseOf(m->ntHeaders), plus ? actual : static_cast<uint32_t>(actual));
        munmap(blocker, 0x1000);
    }
}

TEST(ModuleLoader, ImportsByNameByOrdinalAndWithoutLookupTable) {
    void* libc = dlopen("libc.so.6", RTLD_NOW);
    ASSERT_NE(libc, nullptr);
    const int getpidOrdinal = os::libraryOrdinalOf(libc, "getpid");
    ASSERT_GE(getpidOrdinal, 0);
    for (bool plus : {false, true}) {
        SCOPED_TRACE(plus ? "PE32+" : "PE32");
        Fixture f(plus, freeAddress(0x6000, !plus));
        std::vector<ImportedLibrary> libs = {
            {"libc.so.6", {{"strlen"}, {"", getpidOrdinal}}, true, 0},
            {"libc.so.6", {{"getppid"}}, false, 0},  // names in FirstThunk only
        };
        addImports(f.image, f.data, libs);
        auto image = f.build();
        ModulePtr m(mapModuleImage(image.data(), image.size()));
        ASSERT_TRUE(m);
        EXPECT_EQ(m->libraryCount, 2);
        auto slot = [&](uint32_t rva) -> uint64_t {
            return plus ? read64At(m.get(), rva) : read32At(m.get(), rva);
        };
        const uint32_t width = plus ? 8 : 4;
        if (plus) {
            EXPECT_EQ(slot(libs[0].firstThunk), reinterpret_cast<uint64_t>(dlsym(libc, "strlen")));
            EXPECT_EQ(slot(libs[0].firstThunk + width), reinterpret_cast<uint64_t>(dlsym(libc, "getpid")));
            EXPECT_EQ(slot(libs[1].firstThunk), reinterpret_cast<uint64_t>(dlsym(libc, "getppid")));
        } else {
            // 32-bit slots hold addresses below 4 GiB that reach the functions.
            for (uint32_t rva : {libs[0].firstThunk, libs[0].firstThunk + width, libs[1].firstThunk}) {
                EXPECT_NE(slot(rva), 0u);
                EXPECT_LT(slot(rva), 0x100000000ull);
            }
            auto callInt = [&](uint32_t rva) { return reinterpret_cast<int (*)()>(slot(rva))(); };
            EXPECT_EQ(callInt(libs[0].firstThunk + width), getpid());
            EXPECT_EQ(callInt(libs[1].firstThunk), getppid());
        }
        EXPECT_EQ(slot(libs[0].firstThunk + 2 * width), 0u);  // the terminator stays
    }
    dlclose(libc);
}

TEST(ModuleLoader, AMissingImportFailsAndReleasesEverything) {
    const char* library = KESTREL_TEST_LIBRARY;
    ASSERT_EQ(dlopen(library, RTLD_NOW | RTLD_NOLOAD), nullptr) << "the test needs a library nobody loaded";
    const uint64_t base = freeAddress(0x6000, false);
    Fixture f(true, base);
    std::vector<ImportedLibrary> libs = {{library, {{"no_such_function_here"}}, true, 0}};
    addImports(f.image, f.data, libs);
    auto image = f.build();
    EXPECT_EQ(mapModuleImage(image.data(), image.size()), nullptr);
    EXPECT_EQ(dlopen(library, RTLD_NOW | RTLD_NOLOAD), nullptr);
    EXPECT_TRUE(addressFree(base, 0x6000));

    std::vector<ImportedLibrary> missing = {{"libkestrel-no-such-library.so", {{"x"}}, true, 0}};
    Fixture g(true, base);
    addImports(g.image, g.data, missing);
    image = g.build();
    EXPECT_EQ(mapModuleImage(image.data(), image.size()), nullptr);
    EXPECT_TRUE(addressFree(base, 0x6000));
}

TEST(ModuleLoader, SectionsGetTheirProtectionsAndTheDiscardableOneIsDropped) {
    Fixture f(true, freeAddress(0x6000, false));
    f.rdata.put32(0xABCDEF01);
    f.reloc.put32(0x5555);
    f.bss.characteristics = kBss | 0x20000000;  // executable, readable, writable, no raw data
    auto image = f.build();
    ModulePtr m(mapModuleImage(image.data(), image.size()));
    ASSERT_TRUE(m);
    EXPECT_EQ(pagePermissions(m->imageBase + kText), "r-xp");
    EXPECT_EQ(pagePermissions(m->imageBase + kDataVa), "rw-p");
    EXPECT_EQ(pagePermissions(m->imageBase + kConstVa), "r--p");
    EXPECT_EQ(read32At(m.get(), kConstVa), 0xABCDEF01u);
    EXPECT_EQ(pagePermissions(m->imageBase + kRelocVa), "---p");
    // No raw data: committed, zero, and its characteristics over SizeOfUninitializedData.
    EXPECT_EQ(pagePermissions(m->imageBase + kBssVa), "rwxp");
    EXPECT_EQ(read64At(m.get(), kBssVa), 0u);
    // The section header's +8 field names where the section went.
    const uint8_t* text = pe::sectionHeader(m->ntHeaders, 0);
    if (reinterpret_cast<uint64_t>(m->imageBase) < 0x100000000ull) {
        EXPECT_EQ(pe::read32(text + pe::kSectionMisc), reinterpret_cast<uint64_t>(m->imageBase) + kText);
    }
}

TEST(ModuleLoader, ADiscardableSectionWithoutRawDataStaysCommitted) {
    Fixture f(true, freeAddress(0x6000, false));
    f.bss.characteristics = kBss | kDiscardable;
    auto image = f.build();
    ModulePtr m(mapModuleImage(image.data(), image.size()));
    ASSERT_TRUE(m);
    EXPECT_EQ(pagePermissions(m->imageBase + kBssVa), "rw-p");
}

TEST(ModuleLoader, ExportsAreFoundByExactNameAndTheFirstOfTwoEqualNamesWins) {
    Fixture f(true, freeAddress(0x6000, false));
    addExports(f.image, f.rdata, {{"Play", 0x1100}, {"Twice", 0x1200}, {"Twice", 0x1300}, {"Stop", 0x1400}});
    auto image = f.build();
    ModulePtr m(mapModuleImage(image.data(), image.size()));
    ASSERT_TRUE(m);
    EXPECT_EQ(lookupModuleExport(m.get(), "Play"), m->imageBase + 0x1100);
    EXPECT_EQ(lookupModuleExport(m.get(), "Stop"), m->imageBase + 0x1400);
    EXPECT_EQ(lookupModuleExport(m.get(), "Twice"), m->imageBase + 0x1200);
    EXPECT_EQ(lookupModuleExport(m.get(), "play"), nullptr);
    EXPECT_EQ(lookupModuleExport(m.get(), "Pla"), nullptr);
    EXPECT_EQ(lookupModuleExport(m.get(), "Playing"), nullptr);
}

TEST(ModuleLoader, ExportTablesThatCannotAnswer) {
    Fixture noExports(true, freeAddress(0x6000, false));
    auto image = noExports.build();
    ModulePtr m(mapModuleImage(image.data(), image.size()));
    ASSERT_TRUE(m);
    EXPECT_EQ(lookupModuleExport(m.get(), "Play"), nullptr);

    // A name-ordinal entry pointing past the function table.
    Fixture bad(true, freeAddress(0x6000, false));
    addExports(bad.image, bad.rdata, {{"Play", 0x1100}, {"Next", 0x1200}});
    const uint32_t dir = bad.image.directories[Export].first;
    const uint32_t ordinals = pe::read32(bad.rdata.bytes.data() + (dir - kConstVa) + 0x24);
    bad.rdata.bytes[ordinals - kConstVa + 2] = 7;  // "Next" -> index 7 of 2
    image = bad.build();
    ModulePtr n(mapModuleImage(image.data(), image.size()));
    ASSERT_TRUE(n);
    EXPECT_EQ(lookupModuleExport(n.get(), "Play"), n->imageBase + 0x1100);
    EXPECT_EQ(lookupModuleExport(n.get(), "Next"), nullptr);
}

#if defined(__x86_64__)
TEST(ModuleLoader, TheEntryPointIsCalledForAttachAndDetach) {
    static EntryRecord record;
    record = EntryRecord{};
    Fixture f(true, freeAddress(0x6000, false));
    f.image.entryPoint = addEntryStub(f.text, &record);
    auto image = f.build();
    MappedModule* m = mapModuleImage(image.data(), image.size());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->entryCalled, 1);
    EXPECT_EQ(record.calls, 1u);
    EXPECT_EQ(record.lastReason, 1u);
    EXPECT_EQ(record.module, reinterpret_cast<uint64_t>(m->imageBase));
    unmapModuleImage(m);
    EXPECT_EQ(record.calls, 2u);
    EXPECT_EQ(record.lastReason, 0u);
}

TEST(ModuleLoader, AnEntryPointAnsweringZeroUndoesTheMappingWithoutDetach) {
    static EntryRecord record;
    record = EntryRecord{};
    record.returnValue = 0;
    const char* library = KESTREL_TEST_LIBRARY;
    ASSERT_EQ(dlopen(library, RTLD_NOW | RTLD_NOLOAD), nullptr);
    void* probe = dlopen(library, RTLD_NOW);
    ASSERT_NE(probe, nullptr);
    const int ordinal = os::libraryOrdinalOf(probe, "kestrel_test_answer");
    dlclose(probe);
    ASSERT_GE(ordinal, 0);
    const uint64_t base = freeAddress(0x6000, false);
    Fixture f(true, base);
    f.image.entryPoint = addEntryStub(f.text, &record);
    std::vector<ImportedLibrary> libs = {{library, {{"", ordinal}}, true, 0}};
    addImports(f.image, f.data, libs);
    auto image = f.build();
    EXPECT_EQ(mapModuleImage(image.data(), image.size()), nullptr);
    EXPECT_EQ(record.calls, 1u);
    EXPECT_EQ(record.lastReason, 1u);  // attach, and no detach after it
    EXPECT_EQ(dlopen(library, RTLD_NOW | RTLD_NOLOAD), nullptr);
    EXPECT_TRUE(addressFree(base, 0x6000));
}
#endif

TEST(ModuleLoader, WithoutEntryPointNothingIsCalled) {
    static EntryRecord record;
    record = EntryRecord{};
    Fixture f(true, freeAddress(0x6000, false));
    addEntryStub(f.text, &record);  // present, but not named as the entry point
    auto image = f.build();
    MappedModule* m = mapModuleImage(image.data(), image.size());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->entryCalled, 0);
    unmapModuleImage(m);
    EXPECT_EQ(record.calls, 0u);
}

TEST(ModuleLoader, CodeForAnotherMachineIsNeverCalled) {
    // A PE32 image's entry point is 32-bit code: this host cannot run it.
    const uint64_t base = freeAddress(0x6000, true);
    Fixture f(false, base);
    f.image.entryPoint = kText;
    auto image = f.build();
    EXPECT_EQ(mapModuleImage(image.data(), image.size()), nullptr);
    EXPECT_TRUE(addressFree(base, 0x6000));
}

TEST(ModuleLoader, SectionProtectionTable) {
    EXPECT_EQ(SectionProtection(0), 0x01u);
    EXPECT_EQ(SectionProtection(0x80000000), 0x08u);
    EXPECT_EQ(SectionProtection(0x40000000), 0x02u);
    EXPECT_EQ(SectionProtection(0xC0000000), 0x04u);
    EXPECT_EQ(SectionProtection(0x20000000), 0x10u);
    EXPECT_EQ(SectionProtection(0xA0000000), 0x80u);
    EXPECT_EQ(SectionProtection(0x60000000), 0x20u);
    EXPECT_EQ(SectionProtection(0xE0000000), 0x40u);
}

// Found by fuzzing: section tables that would close the headers' pages or
// the export table's pages must not make the loader fault.
TEST(ModuleLoader, ProtectionsNeverCloseTheHeadersAndClosedTablesAnswerNone) {
    Fixture f(true, freeAddress(0x6000, false));
    addExports(f.image, f.rdata, {{"Play", 0x1100}});
    f.rdata.characteristics = 0x00000040;  // initialised data, no access
    auto image = f.build();
    ModulePtr closedTable(mapModuleImage(image.data(), image.size()));
    ASSERT_TRUE(closedTable);
    EXPECT_EQ(lookupModuleExport(closedTable.get(), "Play"), nullptr);

    Fixture g(true, freeAddress(0x6000, false));
    addExports(g.image, g.data, {{"Play", 0x1100}});
    g.rdata.va = 0;  // over the headers
    g.rdata.characteristics = 0x00000040;
    g.rdata.put32(0x12345678);
    image = g.build();
    ModulePtr m(mapModuleImage(image.data(), image.size()));
    ASSERT_TRUE(m);
    EXPECT_EQ(pagePermissions(m->imageBase), "rw-p");
    EXPECT_EQ(pe::read16(m->imageBase), 0x5A4D);  // the headers were not overwritten
    EXPECT_EQ(lookupModuleExport(m.get(), "Play"), m->imageBase + 0x1100);
}

TEST(ModuleLoader, ARelocationBlockTooShortEndsTheWalk) {
    const uint64_t preferred = freeAddress(0x6000, false);
    void* blocker = mmap(reinterpret_cast<void*>(preferred), 0x1000, PROT_NONE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    ASSERT_EQ(reinterpret_cast<uint64_t>(blocker), preferred);
    Fixture f(true, preferred);
    const uint32_t wide = f.data.put64(preferred + 0x10);
    f.reloc.put32(kDataVa);
    f.reloc.put32(0);  // SizeOfBlock 0 would walk the same block for ever
    f.reloc.put16(static_cast<uint16_t>(0xA000 | (wide - kDataVa)));
    f.reloc.put16(0);
    f.image.directories[Relocation] = {kRelocVa, 12};
    auto image = f.build();
    ModulePtr m(mapModuleImage(image.data(), image.size()));
    ASSERT_TRUE(m);
    EXPECT_EQ(read64At(m.get(), wide), preferred + 0x10);  // left alone
    munmap(blocker, 0x1000);
}
