// Scraping result pages: the fields of a line, lines that lack a closing
// mark, markers that end in other markers, and the number of results.
#include "online/scrape.h"

#include <gtest/gtest.h>

#include "online/search.h"
#include "test_site_fixture.h"

namespace {

std::string line(int n, const std::string& rest) {
    return std::to_string(n) + ". <a href=\"" + rest + "\r\n";
}

}  // namespace

TEST(Scrape, TakesLinkTitleAndDisplayOfALine) {
    std::string page = line(1, "/f/x.mp3\">X</a><BR>") + line(2, "/f/y.mp3\">Y</a><BR>") +
                       line(3, "/f/a.mp3\">Artist - Song</a> 3:20 &#39;live&#39;<BR>");
    auto results = scrapeResults(page);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[2].link, "/f/a.mp3");
    EXPECT_EQ(results[2].title, "Artist - Song");
    EXPECT_EQ(results[2].display, "Artist - Song    3:20  live ");
    EXPECT_EQ(resultLabel(2, results[2].display), "2.   Artist - Song    3:20  live ");
    EXPECT_EQ(resultLabel(42, "x"), "42.   x");
}

TEST(Scrape, TitleKeepsEntitiesAndOtherTagsStayInTheDisplay) {
    auto results = scrapeResults(line(1, "/a.mp3\">Don&#39;t <b>Stop</b></a> 1:00 &amp;<BR>"));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].title, "Don&#39;t <b>Stop</b>");
    EXPECT_EQ(results[0].display, "Don t <b>Stop</b>    1:00 &amp;");
}

TEST(Scrape, LinesWithoutClosingMarks) {
    // No "<BR>" anywhere after it: empty display.
    auto noBreak = scrapeResults(line(1, "/a.mp3\">T</a> 3:20"));
    ASSERT_EQ(noBreak.size(), 1u);
    EXPECT_EQ(noBreak[0].display, "");
    EXPECT_EQ(noBreak[0].title, "T");

    // No "</a>": empty title, the display keeps the anchor text.
    auto noClose = scrapeResults(line(1, "/a.mp3\">T 3:20<BR>"));
    ASSERT_EQ(noClose.size(), 1u);
    EXPECT_EQ(noClose[0].title, "");
    EXPECT_EQ(noClose[0].display, "T 3:20");

    // No href end mark: empty link; "after" is the rest less its first character.
    auto noHrefEnd = scrapeResults("1. <a href=\"/a.mp3'>T</a> x<BR>");
    ASSERT_EQ(noHrefEnd.size(), 1u);
    EXPECT_EQ(noHrefEnd[0].link, "");
    EXPECT_EQ(noHrefEnd[0].title, "a.mp3'>T");
    EXPECT_EQ(noHrefEnd[0].display, "a.mp3'>T    x");

    // The marker at the very end of the page.
    auto bare = scrapeResults("1. <a href=\"");
    ASSERT_EQ(bare.size(), 1u);
    EXPECT_EQ(bare[0].link, "");
    EXPECT_EQ(bare[0].title, "");
}

TEST(Scrape, EachMarkerIsLookedUpFromTheStartOfThePage) {
    // "12. <a href=" ends in the marker of 2; in page order result 2 comes first.
    std::string page;
    for (int n = 1; n <= 12; ++n)
        page += line(n, "/f/" + std::to_string(n) + ".mp3\">S" + std::to_string(n) + "</a><BR>");
    auto results = scrapeResults(page);
    ASSERT_EQ(results.size(), 12u);
    for (int n = 1; n <= 12; ++n) EXPECT_EQ(results[n - 1].title, "S" + std::to_string(n));

    // Out of order, 12 before 2: the search for 2 meets the tail of 12 first.
    auto swapped =
        scrapeResults(line(1, "a\">A</a><BR>") + line(12, "l\">L</a><BR>") + line(2, "b\">B</a><BR>"));
    ASSERT_EQ(swapped.size(), 2u);
    EXPECT_EQ(swapped[1].title, "L");
    // A marker repeated later on the page does not count again.
    auto twice = scrapeResults(line(1, "a\">A</a><BR>") + line(1, "b\">B</a><BR>"));
    ASSERT_EQ(twice.size(), 1u);
    EXPECT_EQ(twice[0].title, "A");
}

TEST(Scrape, NinetyNineResultsAtMostAndStopsAtTheFirstGap) {
    auto all = scrapeResults(onlinetest::resultPage(120));
    ASSERT_EQ(all.size(), 99u);
    EXPECT_EQ(all[98].link, "/f/99.mp3");
    EXPECT_EQ(all[98].title, "Artist 99 - Song 99");
    EXPECT_EQ(all[98].display, "Artist 99 - Song 99    3:20 128 kbit/s");

    EXPECT_EQ(scrapeResults(onlinetest::resultPage(5)).size(), 5u);
    EXPECT_TRUE(scrapeResults("<html>nothing found</html>").empty());
    EXPECT_TRUE(scrapeResults("").empty());
    auto gap = scrapeResults(line(1, "a\">A</a><BR>") + line(3, "c\">C</a><BR>"));
    EXPECT_EQ(gap.size(), 1u);
    // "0." and "10" without a tail are no markers.
    EXPECT_TRUE(scrapeResults(line(0, "a\">A</a><BR>")).empty());
}
