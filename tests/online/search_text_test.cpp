// The query as it goes into the address, and the page text coming back.
#include <gtest/gtest.h>

#include "online/page_text.h"
#include "online/scrape.h"
#include "online/search_query.h"
#include "online/track_file_name.h"

TEST(SearchQuery, SpacesBecomePlusAndCuttingCharactersAreEncoded) {
    EXPECT_EQ(searchAddress("http://s/", encodeQuery("Depeche Mode Remix")),
              "http://s/search.php?p=1&v=0&q=Depeche+Mode+Remix&x=32&y=15");
    EXPECT_EQ(encodeQuery("a  b"), "a++b");
    EXPECT_EQ(encodeQuery("   "), "+++");
    EXPECT_EQ(encodeQuery(" x "), "+x+");
    EXPECT_EQ(encodeQuery("AC&DC #1 100% C++"), "AC%26DC+%231+100%25+C%2B%2B");
    EXPECT_EQ(encodeQuery("a=b?c/d'e"), "a=b%3Fc/d'e");
    EXPECT_EQ(encodeQuery("Who Are You?"), "Who+Are+You%3F");
    EXPECT_EQ(encodeQuery(""), "");
}

TEST(SearchQuery, CyrillicGoesAsWindows1251Bytes) {
    EXPECT_EQ(encodeQuery("Кино"), "%CA%E8%ED%EE");
    EXPECT_EQ(encodeQuery("ё Ё"), "%B8+%A8");
    // A character Windows-1251 lacks sends the whole query as UTF-8.
    EXPECT_EQ(encodeQuery("Björk"), "Bj%C3%B6rk");
    EXPECT_EQ(encodeQuery("Кино é?"), "%D0%9A%D0%B8%D0%BD%D0%BE+%C3%A9%3F");
}

TEST(PageText, CharsetFromHeaderThenMetaThenWindows1251) {
    EXPECT_EQ(declaredCharset("text/html; charset=UTF-8", "<meta charset=koi8-r>"), "utf-8");
    EXPECT_EQ(declaredCharset("text/html; Charset=\"windows-1251\"", ""), "windows-1251");
    EXPECT_EQ(declaredCharset("text/html", "<html><head><META charset=\"utf-8\">"), "utf-8");
    EXPECT_EQ(declaredCharset("", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=KOI8-R\">"),
              "koi8-r");
    EXPECT_EQ(declaredCharset("text/html", "<p>charset=utf-8 is only text</p>"), "windows-1251");
    EXPECT_EQ(declaredCharset("", ""), "windows-1251");
}

TEST(PageText, AUtf8ResultPageKeepsEveryCharacterUpToTheSavedFileName) {
    const std::string page = "1. <a href=\"http://s/f/1/j.mp3\">Björk - Jóga 日本</a> 5:05<BR>\n";
    auto results = scrapeResults(decodePage(page, declaredCharset("text/html; charset=utf-8", page)));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(trackFileName(results[0].title), "Björk - Jóga 日本.mp3");
}

TEST(PageText, DecodesToValidUtf8) {
    EXPECT_EQ(decodePage("\xCF\xF0\xE8\xE2\xE5\xF2", "windows-1251"), "Привет");
    EXPECT_EQ(decodePage("Привет", "utf-8"), "Привет");
    EXPECT_EQ(decodePage("a\xFF"
                         "b\xD0",
                         "utf-8"),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
    EXPECT_EQ(decodePage("\xF0\xD2\xC9\xD7\xC5\xD4", "koi8-r"), "Привет");
    EXPECT_EQ(decodePage("\xCF\xF0", "no-such-charset"), "Пр");
}
