// The loader's one door: packed bytes unpacked and mapped by their kind,
// and bytes that are not a whole packed image refused.
#include "platform/loader/loader.h"

#include <gtest/gtest.h>

#include "platform/loader/packed_image.h"
#include "platform/loader/pe_image_fixture.h"

TEST(MapModule, APackedPeImageIsMappedByTheModuleLoader) {
    pe_test::Image image;
    pe_test::Section text{0x1000, pe_test::kCode, {}};
    text.put8(0xC3);
    pe_test::Section exports{0x2000, pe_test::kConst, {}};
    pe_test::addExports(image, exports, {{"FMOD_System_Create", 0x1000}});
    image.sections = {text, exports};
    image.sizeOfImage = 0x3000;
    image.imageBase = pe_test::freeAddress(0x3000, false);
    MappedModule* module = mapModule(loader::packImage(image.build()));
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->sharedObject, nullptr);
    EXPECT_EQ(lookupModuleExport(module, "FMOD_System_Create"), module->imageBase + 0x1000);
    unmapModuleImage(module);
}

TEST(MapModule, DamagedOrForeignImagesAreRefused) {
    EXPECT_EQ(mapModule({}), nullptr);
    std::vector<uint8_t> junk(5000, 0x41);
    EXPECT_EQ(mapModule(loader::packImage(junk)), nullptr);
    EXPECT_EQ(mapModule(junk), nullptr);  // not packed at all
}
