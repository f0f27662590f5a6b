// Reading a Range header against a file's size.
#include "byte_range.h"

#include <gtest/gtest.h>

using namespace site;

namespace {

struct Case {
    const char* header;
    uint64_t size;
    RangeAnswer answer;
    uint64_t first, length;
};

TEST(ByteRange, AnswersFollowTheHeaderAndTheFileSize) {
    const Case cases[] = {
        {"", 1000, RangeAnswer::Whole, 0, 0},
        {"bytes=0-99", 1000, RangeAnswer::Partial, 0, 100},
        {"bytes=990-", 1000, RangeAnswer::Partial, 990, 10},
        {"bytes=990-5000", 1000, RangeAnswer::Partial, 990, 10},
        {"bytes=990-99999999999999999999999", 1000, RangeAnswer::Partial, 990, 10},
        {"bytes=-10", 1000, RangeAnswer::Partial, 990, 10},
        {"bytes=-5000", 1000, RangeAnswer::Partial, 0, 1000},
        {" Bytes=5-5 ", 1000, RangeAnswer::Partial, 5, 1},
        {"bytes=1000-", 1000, RangeAnswer::Unsatisfiable, 0, 0},
        {"bytes=99999999999999999999999-", 1000, RangeAnswer::Unsatisfiable, 0, 0},
        {"bytes=-0", 1000, RangeAnswer::Unsatisfiable, 0, 0},
        {"bytes=0-", 0, RangeAnswer::Unsatisfiable, 0, 0},
        {"bytes=0-1,4-5", 1000, RangeAnswer::Whole, 0, 0},
        {"bytes=5-1", 1000, RangeAnswer::Whole, 0, 0},
        {"bytes=a-1", 1000, RangeAnswer::Whole, 0, 0},
        {"bytes=-", 1000, RangeAnswer::Whole, 0, 0},
        {"items=0-1", 1000, RangeAnswer::Whole, 0, 0},
        {"bytes=0+1", 1000, RangeAnswer::Whole, 0, 0},
    };
    for (const Case& c : cases) {
        ByteRange r{0, 0};
        EXPECT_EQ(parseRange(c.header, c.size, r), c.answer) << c.header;
        if (c.answer == RangeAnswer::Partial) {
            EXPECT_EQ(r.first, c.first) << c.header;
            EXPECT_EQ(r.length, c.length) << c.header;
        }
    }
}

}  // namespace
