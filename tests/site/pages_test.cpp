// The result lines as the player's scraper reads them, and the pages around them.
#include "pages.h"

#include <gtest/gtest.h>

#include "catalog.h"
#include "platform/text/cp1251.h"
#include "site_fixture.h"

using namespace site;

namespace {

Track make(std::string artist, std::string title, std::string file = "x.mp3") {
    Track t;
    t.artist = std::move(artist);
    t.title = std::move(title);
    t.fileName = std::move(file);
    t.path = "/music/" + t.fileName;
    return t;
}

TEST(Pages, AnchorTextKeepsWhatThePlayerShowsAndSavesUnder) {
    EXPECT_EQ(anchorText(make("Artist", "Song")), "Artist - Song");
    EXPECT_EQ(anchorText(make("", "Song")), "Song");
    EXPECT_EQ(anchorText(make("A\"B\"", "<x></a><BR>")), "A'B' - (x)(/a)(BR)");
    // Apostrophes and lone ampersands stay: the player would show entities raw.
    EXPECT_EQ(anchorText(make("Guns N' Roses", "Rock & Roll")), "Guns N' Roses - Rock & Roll");
    EXPECT_EQ(anchorText(make("R&B", "A&amp;B &#39; &copy")), "R&B - A&amp;amp;B &amp;#39; &amp;copy");
    EXPECT_EQ(anchorText(make("a\nb", "c\td")), "a b - c d");
}

TEST(Pages, ResultLinesScrapeIntoTheirRecords) {
    Catalog cat({make("Кино", "Группа крови", "k 1.mp3"), make("Ölund", "日本", "j.mp3")});
    auto hits = cat.search({}, 99);
    std::string page = resultsPage("http://127.0.0.1:9/", "кино \"<x>\"", hits);
    auto lines = site_test::scrape(page);
    ASSERT_EQ(lines.size(), 2u);
    // Every character survives (the page is UTF-8); the query is echoed escaped.
    ASSERT_EQ(hits[1]->fileName, "k 1.mp3");  // catalogue order is byte order of the folded names
    EXPECT_EQ(lines[0].title, "Ölund - 日本");
    EXPECT_EQ(lines[1].title, "Кино - Группа крови");
    EXPECT_EQ(lines[1].link, "http://127.0.0.1:9/f/" + formatId(hits[1]->id) + "/k%201.mp3");
    EXPECT_NE(page.find("value=\"кино &quot;&lt;x&gt;&quot;\""), std::string::npos);
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_EQ(page.find("3. <a href=\""), std::string::npos);
}

TEST(Pages, DetailsShowKnownLengthAndRate) {
    Track t = make("a", "b");
    EXPECT_EQ(trackDetails(t), "");
    t.seconds = 200;
    EXPECT_EQ(trackDetails(t), "3:20");
    t.kbps = 128;
    EXPECT_EQ(trackDetails(t), "3:20 128 kbit/s");
    t.seconds = 3605;
    EXPECT_EQ(trackDetails(t), "60:05 128 kbit/s");
    t.seconds = 0;
    EXPECT_EQ(trackDetails(t), "128 kbit/s");
}

TEST(Pages, UrlEncodingLeavesOnlyUnreservedCharacters) {
    EXPECT_EQ(urlEncode("a b+c/../%.mp3"), "a%20b%2Bc%2F..%2F%25.mp3");
    EXPECT_EQ(urlEncode("\xD0\x9A~_-"), "%D0%9A~_-");
}

}  // namespace
