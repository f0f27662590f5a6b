// Searching the catalogue and the words taken from a query.
#include "catalog.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/text/cp1251.h"
#include "query.h"

using namespace site;

namespace {

Track track(std::string path, std::string artist, std::string title) {
    Track t;
    t.path = std::move(path);
    t.fileName = t.path.substr(t.path.rfind('/') + 1);
    t.artist = std::move(artist);
    t.title = std::move(title);
    return t;
}

std::vector<std::string> titles(const std::vector<const Track*>& hits) {
    std::vector<std::string> out;
    for (auto* t : hits) out.push_back(t->title);
    return out;
}

std::vector<std::string> words(const std::string& utf8) {
    return searchWords(utf8);
}

Catalog sample() {
    return Catalog({
        track("/m/b.mp3", "Кино", "Звезда"),
        track("/m/a.mp3", "Кино", "Группа крови"),
        track("/m/c.mp3", "Aquarium", "Город"),
        track("/m/Ёлка - Прованс.mp3", "", "Прованс"),
    });
}

TEST(Catalog, EveryWordMustMatchSomeFieldAndFieldsDoNotRunTogether) {
    Catalog c = sample();
    EXPECT_EQ(titles(c.search(words("кино"), 99)), (std::vector<std::string>{"Группа крови", "Звезда"}));
    EXPECT_EQ(titles(c.search(words("КИНО звез"), 99)), std::vector<std::string>{"Звезда"});
    EXPECT_TRUE(c.search(words("кино город"), 99).empty());
    // "ноЗв" would only match across the artist/title boundary.
    EXPECT_TRUE(c.search(words("ноЗв"), 99).empty());
    // The file name counts, and "ё" and "е" are one letter.
    EXPECT_EQ(titles(c.search(words("елка"), 99)), std::vector<std::string>{"Прованс"});
    EXPECT_EQ(titles(c.search(words("AQUA"), 99)), std::vector<std::string>{"Город"});
    // Accents fold away on both sides; the album and the folders count.
    Catalog latin({track("/m/h.mp3", "Beyoncé", "Halo"), track("/m/x.mp3", "BJÖRK", "Jóga")});
    EXPECT_EQ(titles(latin.search(words("beyonce"), 99)), std::vector<std::string>{"Halo"});
    EXPECT_EQ(titles(latin.search(words("björk joga"), 99)), std::vector<std::string>{"Jóga"});
    Track wall = track("/m/Pink Floyd/The Wall/01 - Hey You.mp3", "", "Hey You");
    wall.folder = "Pink Floyd/The Wall";
    Track comp = track("/m/c.mp3", "Various", "Song");
    comp.album = "Ночь Ёлок";
    Catalog folders({wall, comp});
    EXPECT_EQ(titles(folders.search(words("pink floyd hey"), 99)), std::vector<std::string>{"Hey You"});
    EXPECT_EQ(titles(folders.search(words("ночь елок"), 99)), std::vector<std::string>{"Song"});
}

// A large catalogue of near-miss titles over a few letters: every track the
// search returns holds the word, and none that holds it is missed, wherever
// in the scan it lies.
TEST(Catalog, ALargeCatalogueFindsExactlyTheTracksHoldingTheWord) {
    const std::vector<std::string> letters = {"а", "б", "в", "a", "b", "é", "E", " "};
    uint32_t seed = 7;
    auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    auto text = [&](size_t n) {
        std::string s;
        for (size_t i = 0; i < n; ++i) s += letters[next() % letters.size()];
        return s;
    };
    std::vector<Track> tracks;
    for (int i = 0; i < 3000; ++i)
        tracks.push_back(track("/m/" + std::to_string(i) + ".mp3", "", text(1 + next() % 30)));
    Catalog c(tracks);
    for (int q = 0; q < 200; ++q) {
        std::string word = text(1 + next() % 6);
        std::vector<std::string> ws = words(word);
        if (ws.size() != 1) continue;
        std::multiset<std::string> expected, found;
        for (const Track& t : tracks)
            if (foldForSearch(t.title).find(ws[0]) != std::string::npos) expected.insert(t.title);
        for (const Track* t : c.search(ws, tracks.size())) found.insert(t->title);
        EXPECT_EQ(found, expected) << "word: " << word;
    }
}

TEST(Catalog, NoWordsListEverythingUpToTheLimit) {
    Catalog c = sample();
    EXPECT_EQ(c.search({}, 99).size(), 4u);
    EXPECT_EQ(c.search({}, 2).size(), 2u);
    EXPECT_EQ(c.search(words("кино"), 1).size(), 1u);
    EXPECT_TRUE(c.search(words("кино"), 0).empty());
}

TEST(Catalog, IdsFollowThePathAndSurviveARebuild) {
    Catalog first = sample();
    Catalog second({track("/m/new.mp3", "Zz", "New"), track("/m/a.mp3", "Кино", "Группа крови")});
    const Track* a1 = first.search(words("группа"), 1).at(0);
    const Track* a2 = second.search(words("группа"), 1).at(0);
    EXPECT_EQ(a1->id, a2->id);
    EXPECT_EQ(second.find(a1->id), a2);
    EXPECT_EQ(first.find(a1->id + 1), nullptr);

    uint64_t id = 0;
    ASSERT_TRUE(parseId(formatId(a1->id), id));
    EXPECT_EQ(id, a1->id);
    EXPECT_FALSE(parseId("0123456789ABCDEF", id));  // ids are written in lowercase
    EXPECT_FALSE(parseId("0123", id));
    EXPECT_FALSE(parseId("../../etc/passwd", id));
}

TEST(Query, ParametersArePercentDecodedWithPlusAsSpace) {
    // Valid UTF-8 with a multi-byte character is UTF-8; anything else is
    // Windows-1251, as older players send it (ASCII reads the same either way).
    EXPECT_EQ(queryText("Bj\xC3\xB6rk"), "Björk");
    EXPECT_EQ(queryText("\xCA\xE8\xED\xEE"), "Кино");
    EXPECT_EQ(queryText("\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE"), "Кино");
    EXPECT_EQ(queryText("Who Are You?"), "Who Are You?");
    std::string_view q = queryPart("/search.php?p=1&v=0&q=%CA%E8%ED%EE+%2B+a%zz%4&x=32&y=15");
    EXPECT_EQ(q, "p=1&v=0&q=%CA%E8%ED%EE+%2B+a%zz%4&x=32&y=15");
    EXPECT_EQ(queryParam(q, "q"), "\xCA\xE8\xED\xEE + a%zz%4");
    EXPECT_EQ(queryParam(q, "x"), "32");
    EXPECT_EQ(queryParam(q, "missing"), "");
    EXPECT_EQ(queryParam("qq=1&q", "q"), "");
    EXPECT_EQ(queryPart("/search.php"), "");
    EXPECT_EQ(queryPart("/s?q=a#frag"), "q=a");
}

TEST(Query, WordsAreSplitAtAnyBlankAndBounded) {
    EXPECT_EQ(searchWords("  Кино\tГРУППА\xC2\xA0крови "),
              (std::vector<std::string>{"кино", "группа", "крови"}));
    std::string many;
    for (int i = 0; i < 40; ++i) many += "w" + std::to_string(i) + " ";
    EXPECT_EQ(searchWords(many).size(), 16u);
    EXPECT_TRUE(searchWords("   ").empty());
}

}  // namespace
