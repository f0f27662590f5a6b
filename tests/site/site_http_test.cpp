// The site over HTTP, as the player and a browser meet it.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>

#include "platform/text/cp1251.h"
#include "site_fixture.h"

using namespace site_test;

namespace {

class SiteHttp : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        music_ = new TempDir;
        makeTagged(*music_ / "rock/kino1.mp3", "Кино", "Группа крови");
        makeTagged(*music_ / "rock/kino2.mp3", "КИНО", "Звезда по имени Солнце");
        makeTagged(*music_ / "pop/ёлка.mp3", "Ёлка", "Прованс");
        makeTagged(*music_ / "en/quote.mp3", "AC/DC & \"Friends\"", "<Back> in Black");
        makeTagged(*music_ / "en/Depeche Mode - Enjoy the Silence.mp3", "", "");
        std::ofstream(*music_ / "notes.txt") << "not audio";
        site_ = new ServedSite(music_->path());
    }
    static void TearDownTestSuite() {
        delete site_;
        delete music_;
    }

    // Sends a query the way the player does: Windows-1251 bytes (UTF-8 when a
    // character does not fit), "+" for spaces.
    static std::vector<Scraped> search(const std::string& utf8, httplib::Result* keep = nullptr) {
        std::string bytes = text::toCp1251(utf8);
        std::string q = percentEncode(text::fromCp1251(bytes) == utf8 ? bytes : utf8);
        for (size_t i; (i = q.find("%20")) != std::string::npos;) q.replace(i, 3, "+");
        auto res = site_->client().Get("/search.php?p=1&v=0&q=" + q + "&x=32&y=15");
        EXPECT_TRUE(res);
        if (!res) return {};
        EXPECT_EQ(res->status, 200);
        EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=utf-8");
        auto scraped = scrape(res->body);
        if (keep) *keep = std::move(res);
        return scraped;
    }

    static TempDir* music_;
    static ServedSite* site_;
};
TempDir* SiteHttp::music_ = nullptr;
ServedSite* SiteHttp::site_ = nullptr;

TEST_F(SiteHttp, CyrillicQueryMatchesEveryWordIgnoringCaseAndYo) {
    auto hits = search("кино");
    ASSERT_EQ(hits.size(), 2u);
    // Titles come back in Windows-1251 and in catalogue order.
    EXPECT_EQ(hits[0].title, "Кино - Группа крови");
    EXPECT_EQ(hits[1].title, "КИНО - Звезда по имени Солнце");
    EXPECT_EQ(search("кино солнце").size(), 1u);
    EXPECT_EQ(search("кино+солнце").size(), 0u);  // an escaped "+" is a plus sign
    EXPECT_EQ(search("кино луна").size(), 0u);
    EXPECT_EQ(search("ЕЛКА").size(), 1u);
    // A word may match the file name alone.
    EXPECT_EQ(search("kino2").size(), 1u);
}

TEST_F(SiteHttp, RawWindows1251BytesInTheAddressAreAccepted) {
    // The player puts the query's bytes into the address without escaping them.
    auto res = site_->client().Get("/search.php?p=1&v=0&q=" + text::toCp1251("группа") + "&x=32&y=15");
    ASSERT_TRUE(res);
    EXPECT_EQ(scrape(res->body).size(), 1u);
}

TEST_F(SiteHttp, ResultLinesCarryAPlayableAbsoluteAddressAndDetails) {
    httplib::Result res{nullptr, httplib::Error::Unknown};
    auto hits = search("звезда", &res);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_NE(res->body.find("<meta charset=\"utf-8\">"), std::string::npos);
    std::string base = site_->base() + "f/";
    ASSERT_EQ(hits[0].link.rfind(base, 0), 0u) << hits[0].link;
    EXPECT_EQ(hits[0].link.substr(hits[0].link.size() - 10), "/kino2.mp3");
    // "Title</a> 0:02 64 kbit/s": the scraper turns "</a>" into three spaces.
    EXPECT_TRUE(std::regex_match(hits[0].display,
                                 std::regex("КИНО - Звезда по имени Солнце</a> 0:0[12] 6[0-9] kbit/s")))
        << hits[0].display;

    auto file = site_->client().Get(hits[0].link.substr(site_->base().size() - 1));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->status, 200);
    EXPECT_EQ(file->get_header_value("Content-Type"), "audio/mpeg");
    std::ifstream in(*music_ / "rock/kino2.mp3", std::ios::binary);
    std::string disk((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(file->body, disk);
}

TEST_F(SiteHttp, TitlesCannotBreakTheScrapedLine) {
    auto hits = search("black");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].title, "AC/DC & 'Friends' - (Back) in Black");
    // A file without tags is named after its file name.
    hits = search("depeche silence");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].title, "Depeche Mode - Enjoy the Silence");
    EXPECT_NE(hits[0].link.find("/Depeche%20Mode%20-%20Enjoy%20the%20Silence.mp3"), std::string::npos);
}

TEST_F(SiteHttp, AnEmptyOrBlankQueryListsNothingAndOtherFilesAreNotIndexed) {
    EXPECT_EQ(search("").size(), 0u);
    EXPECT_EQ(search("   ").size(), 0u);
    EXPECT_EQ(search("mp3").size(), 5u);
    EXPECT_EQ(search("notes").size(), 0u);
}

TEST_F(SiteHttp, LinksFollowTheHostTheClientUsedButOnlyASaneOne) {
    auto c = site_->client();
    auto res = c.Get("/search.php?q=kino1", {{"Host", "music.local:8000"}});
    ASSERT_TRUE(res);
    auto hits = scrape(res->body);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].link.rfind("http://music.local:8000/f/", 0), 0u);
    res = c.Get("/search.php?q=kino1", {{"Host", "evil\"><script>/x"}});
    ASSERT_TRUE(res);
    hits = scrape(res->body);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].link.rfind(site_->base() + "f/", 0), 0u);
}

TEST_F(SiteHttp, RangesAreServed) {
    auto link = search("группа").at(0).link.substr(site_->base().size() - 1);
    std::ifstream in(*music_ / "rock/kino1.mp3", std::ios::binary);
    std::string disk((std::istreambuf_iterator<char>(in)), {});
    auto c = site_->client();

    auto res = c.Get(link, {{"Range", "bytes=100-199"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 206);
    EXPECT_EQ(res->body, disk.substr(100, 100));
    EXPECT_EQ(res->get_header_value("Content-Range"), "bytes 100-199/" + std::to_string(disk.size()));

    res = c.Get(link, {{"Range", "bytes=-10"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 206);
    EXPECT_EQ(res->body, disk.substr(disk.size() - 10));

    res = c.Get(link, {{"Range", "bytes=1000-"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 206);
    EXPECT_EQ(res->body, disk.substr(1000));

    // An end past the file is cut to its last byte; a start past it is refused.
    res = c.Get(link, {{"Range", "bytes=" + std::to_string(disk.size() - 5) + "-99999999"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 206);
    EXPECT_EQ(res->body, disk.substr(disk.size() - 5));
    EXPECT_EQ(res->get_header_value("Content-Range"), "bytes " + std::to_string(disk.size() - 5) + "-" +
                                                          std::to_string(disk.size() - 1) + "/" +
                                                          std::to_string(disk.size()));
    res = c.Get(link, {{"Range", "bytes=99999999-"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 416);
    EXPECT_EQ(res->get_header_value("Content-Range"), "bytes */" + std::to_string(disk.size()));
    // The connection stays usable after each of these. Several ranges and
    // malformed ones are ignored: the whole file.
    for (const char* ignored : {"bytes=0-1,5-6", "bytes=5-2", "bytes=abc", "pages=1-2"}) {
        res = c.Get(link, {{"Range", ignored}});
        ASSERT_TRUE(res) << ignored;
        EXPECT_EQ(res->status, 200) << ignored;
        EXPECT_TRUE(res->body == disk) << ignored;
    }

    auto head = c.Head(link);
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
    EXPECT_EQ(head->get_header_value("Content-Length"), std::to_string(disk.size()));
    EXPECT_EQ(head->get_header_value("Accept-Ranges"), "bytes");
}

TEST_F(SiteHttp, UnknownIdsAndForeignPathsGive404) {
    auto c = site_->client();
    std::string link = search("группа").at(0).link.substr(site_->base().size() - 1);
    std::string idPart = link.substr(0, link.rfind('/'));  // "/f/<id>"
    for (std::string target : {
             std::string("/f/0000000000000000/kino1.mp3"),
             std::string("/f/zzzz/kino1.mp3"),
             idPart + "/../../../../etc/passwd",
             idPart + "/%2e%2e%2f%2e%2e%2fetc%2fpasswd",
             idPart + "/kino2.mp3",  // another file's name under this id
             std::string("/f/../../etc/passwd"),
             std::string("/../../../etc/passwd"),
             std::string("/%2e%2e/%2e%2e/etc/passwd"),
             std::string("/etc/passwd"),
             std::string("/rock/kino1.mp3"),
             std::string("/js/../../etc/passwd"),
             std::string("/js/db.js/../../../etc/passwd"),
         }) {
        auto res = c.Get(target);
        ASSERT_TRUE(res) << target;
        EXPECT_EQ(res->status, 404) << target;
        EXPECT_EQ(res->body.find("root:"), std::string::npos) << target;
    }
    // A query naming a path is only a query.
    for (std::string q : {"../../etc/passwd", "%2e%2e%2fetc%2fpasswd", "/etc/passwd"}) {
        auto res = c.Get("/search.php?p=1&v=0&q=" + q + "&x=32&y=15");
        ASSERT_TRUE(res);
        EXPECT_EQ(scrape(res->body).size(), 0u) << q;
        EXPECT_EQ(res->body.find("root:"), std::string::npos) << q;
    }
    // The name part may be left out.
    auto res = c.Get(idPart);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
}

TEST_F(SiteHttp, RootPageAndScriptAreServed) {
    auto c = site_->client();
    auto root = c.Get("/");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->status, 200);
    EXPECT_EQ(root->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(root->body.find("action=\"search.php\""), std::string::npos);
    EXPECT_NE(root->body.find("Файлов в библиотеке: 5"), std::string::npos);
    EXPECT_TRUE(scrape(root->body).empty());

    auto js = c.Get("/js/db.js");
    ASSERT_TRUE(js);
    EXPECT_EQ(js->status, 200);
    EXPECT_EQ(js->get_header_value("Content-Type"), "application/javascript; charset=utf-8");
    EXPECT_NE(js->body.find("kestrel-video-links"), std::string::npos);
}

TEST(SiteCap, AtMost99ResultsNumberedInOrder) {
    TempDir music;
    for (int i = 0; i < 120; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "t%03d.mp3", i);
        makeTagged(music / name, "Band", "Song " + std::to_string(i));
    }
    ServedSite served(music.path());
    auto res = served.client().Get("/search.php?p=1&v=0&q=band&x=32&y=15");
    ASSERT_TRUE(res);
    auto hits = scrape(res->body);
    ASSERT_EQ(hits.size(), 99u);
    EXPECT_EQ(res->body.find("100. <a href="), std::string::npos);
    // Every scraped line is a distinct track (the marker of 12 does not catch 2's line).
    std::set<std::string> links;
    for (auto& h : hits) links.insert(h.link);
    EXPECT_EQ(links.size(), 99u);
}

TEST(SiteReindex, PostOnLoopbackRereadsTheFoldersAndKeepsAddresses) {
    TempDir music;
    makeTagged(music / "a.mp3", "Alpha", "One");
    ServedSite served(music.path());
    auto c = served.client();
    auto before = scrape(c.Get("/search.php?q=alpha")->body);
    ASSERT_EQ(before.size(), 1u);

    makeTagged(music / "b.mp3", "Alpha", "Two");
    EXPECT_EQ(scrape(c.Get("/search.php?q=alpha")->body).size(), 1u);
    EXPECT_EQ(c.Get("/reindex")->status, 404);  // changes state: POST only
    auto res = c.Post("/reindex", "", "text/plain");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    auto after = scrape(c.Get("/search.php?q=alpha")->body);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].link, before[0].link);  // an address outlives a re-index

    std::remove((music / "a.mp3").c_str());
    served.site().reindex();
    EXPECT_EQ(c.Get(before[0].link.substr(served.base().size() - 1))->status, 404);
}

}  // namespace
