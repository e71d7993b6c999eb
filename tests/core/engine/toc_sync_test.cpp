#include "engine/toc_sync.h"

#include <gtest/gtest.h>

#include <map>

#include "engine/page_base.h"
#include "support/novel_sites.h"
#include "support/program_fixture.h"

namespace mozhou::engine {
namespace {

using testing::FixtureSite;
using testing::RecordingPrompter;
using testing::TempProgramDir;

struct Row {
  std::string name, volume, url;
  long long paix;
  long long readstate, shown, words;
  bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Row& r) {
  return os << "{" << r.name << "|" << r.volume << "|" << r.url << "|" << r.paix << "|"
            << r.readstate << r.shown << r.words << "}";
}

std::vector<Row> chapters(store::Database& db, long long bookId) {
  store::Statement st = db.prepare(
      "SELECT zhangjiename,fenjuanname,zhangjieurl,paix,readstate,shifuxianshi,zishutongji "
      "FROM book_zhangjie WHERE bookid=? ORDER BY paix, zhangjieid");
  st.bind(1, bookId);
  std::vector<Row> rows;
  while (st.step())
    rows.push_back({st.text(0), st.text(1), st.text(2), st.integer(3), st.integer(4), st.integer(5),
                    st.integer(6)});
  return rows;
}

// url -> paix of a book's chapters.
std::map<std::string, long long> orderByUrl(store::Database& db, long long bookId) {
  std::map<std::string, long long> out;
  for (const Row& r : chapters(db, bookId)) out[r.url] = r.paix;
  return out;
}

long long addChapter(store::Database& db, long long bookId, const std::string& url, long long paix,
                     int shown = 1, const std::string& name = "旧") {
  EXPECT_TRUE(
      db.exec("INSERT INTO book_zhangjie (bookid,zhangjiename,fenjuanname,zhangjieurl,"
              "paix,shifuxianshi) VALUES (?,?,?,?,?,?)",
              bookId, name, "旧卷", url, paix, shown));
  return db.lastInsertId();
}

long long addBook(store::Database& db, const std::string& muluurl) {
  EXPECT_TRUE(
      db.exec("INSERT INTO book_list (typeid,bookname,authorname,muluurl,paix) "
              "VALUES (1,'书','作者',?,1)",
              muluurl));
  return db.lastInsertId();
}

// A minimal record: entries "<a href="URL">NAME</a>", headings "<h3>VOLUME</h3>".
SiteRecord linkRecord(std::string s5 = "<h3>(.*?)</h3>", std::string s6 = "$1") {
  SiteRecord r(11);
  r[2] = "<a href=\"([^\"]*)\">(.*?)</a>";
  r[3] = "$2";
  r[4] = "$1";
  r[5] = std::move(s5);
  r[6] = std::move(s6);
  return r;
}

std::string link(const std::string& url, const std::string& name) {
  return "<a href=\"" + url + "\">" + name + "</a>";
}

TEST(Getfjn, VolumeOfAnEntry) {
  const std::string a = link("a", "A"), b = link("b", "B");
  struct Case {
    const char* what;
    std::string page, entry, s5, s6, expected;
  };
  const std::vector<Case> cases = {
      {"nearest heading above", "<h3>卷一</h3>" + a + "<h3>卷二</h3>" + b, b, "<h3>(.*?)</h3>",
       "$1", "卷二"},
      {"first entry under the first heading", "<h3>卷一</h3>" + a + "<h3>卷二</h3>" + b, a,
       "<h3>(.*?)</h3>", "$1", "卷一"},
      {"heading after the entry does not apply", a + "<h3>卷一</h3>", a, "<h3>(.*?)</h3>", "$1",
       "正文"},
      {"search stops at an earlier occurrence of the entry", b + "<h3>卷一</h3>" + b, b,
       "<h3>(.*?)</h3>", "$1", "正文"},
      {"template around the groups, trimmed", "<h3> 上部 </h3>" + a, a, "<h3>(.*?)</h3>",
       "  第$1卷  ", "第 上部 卷"},
      {"heading whose name is blank", "<h3>  </h3>" + a, a, "<h3>(.*?)</h3>", "$1", "正文"},
      {"s5 empty, s6 fixed", "<h3>卷一</h3>" + a, a, "", "全一卷", "全一卷"},
      {"s5 empty, s6 blank", a, a, "", "  ", "正文"},
      {"both empty", "<h3>卷一</h3>" + a, a, "", "", "正文"},
      {"s6 empty", "<h3>卷一</h3>" + a, a, "<h3>(.*?)</h3>", "", "正文"},
      {"s5 does not compile", "<h3>卷一</h3>" + a, a, "<h3>((.*?)</h3>", "$1", "正文"},
      {"no heading at all", a + b, b, "<h3>(.*?)</h3>", "$1", "正文"},
  };
  for (const Case& c : cases) EXPECT_EQ(getfjn(c.page, c.entry, c.s5, c.s6), c.expected) << c.what;
}

TEST(ChapterEntries, GbkTableOfContentsReadLikeAnUpdateRun) {
  FixtureSite site;
  testing::serveGbkSite(site);
  const SiteRecord record = testing::gbkRecord();
  const std::string page = fetchTocPage(site.url(testing::kGbkTocPath), record);
  // The page base is the table of contents' directory, so relative links become absolute.
  EXPECT_EQ(pageBase(), site.url("/book/12/"));
  const std::vector<ChapterEntry> entries = chapterEntries(page, record);
  const auto expected = testing::gbkTocEntries();
  ASSERT_EQ(entries.size(), expected.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].name, expected[i].name) << i;
    EXPECT_EQ(entries[i].url, site.url("/book/12/" + expected[i].path)) << i;
    EXPECT_EQ(entries[i].volume, expected[i].volume) << i;
  }
}

TEST(ChapterEntries, Utf8SiteConvertedByItsRules) {
  FixtureSite site;
  testing::serveUtf8Site(site);
  const SiteRecord record = testing::utf8Record(site);
  const std::vector<ChapterEntry> entries =
      chapterEntries(fetchTocPage(site.url(testing::kUtf8TocPath), record), record);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "第1章 启航");
  EXPECT_EQ(entries[1].name, "第2章 “星门”");
  EXPECT_EQ(entries[2].name, "第3章 归来");
  EXPECT_EQ(entries[0].url, site.url("/novel/7/101.html"));
  EXPECT_EQ(entries[2].url, site.url("/novel/7/103.html"));
  for (const ChapterEntry& e : entries) EXPECT_EQ(e.volume, "卷一 星海");
}

TEST(ChapterEntries, NothingFromAnEmptyPageOrABadPattern) {
  SiteRecord bad = linkRecord();
  bad[2] = "(<a";
  EXPECT_TRUE(chapterEntries("", linkRecord()).empty());
  EXPECT_TRUE(chapterEntries(link("a", "A"), bad).empty());
}

TEST(Stozj, FirstPageIntoAnEmptyBook) {
  FixtureSite site;
  testing::serveGbkSite(site);
  TempProgramDir dir;
  auto db = dir.open();
  const long long book = addBook(*db, site.url(testing::kGbkTocPath));
  const SiteRecord record = testing::gbkRecord();
  const std::string page = fetchTocPage(site.url(testing::kGbkTocPath), record);

  EXPECT_EQ(stozj(*db, page, book, record), 4);
  std::vector<Row> expected;
  long long paix = 0;
  for (const auto& e : testing::gbkTocEntries())
    expected.push_back({e.name, e.volume, site.url("/book/12/" + e.path), ++paix, 0, 1, 0});
  EXPECT_EQ(chapters(*db, book), expected);

  // Everything is known now.
  EXPECT_EQ(stozj(*db, page, book, record), 0);
  EXPECT_EQ(chapters(*db, book), expected);
}

TEST(Stozj, KnownHiddenRepeatedAndDeletedChapters) {
  TempProgramDir dir;
  auto db = dir.open();
  const long long book = addBook(*db, "http://x/");
  const long long other = addBook(*db, "http://y/");
  addChapter(*db, book, "known", 5);
  addChapter(*db, book, "hidden", 6, /*shown=*/0);
  addChapter(*db, other, "elsewhere", 1);
  const SiteRecord record = linkRecord();
  const std::string page = "<h3>卷一</h3>" + link("known", "新名") + link("new1", "一") +
                           link("hidden", "隐") + link("known", "新名") + "<h3>卷二</h3>" +
                           link("new2", "it's \"二\"") + link("new1", "一又") +
                           link("elsewhere", "别处");

  EXPECT_EQ(stozj(*db, page, book, record), 3);
  EXPECT_EQ(chapters(*db, book), (std::vector<Row>{{"旧", "旧卷", "known", 5, 0, 1, 0},
                                                   {"旧", "旧卷", "hidden", 6, 0, 0, 0},
                                                   {"一", "卷一", "new1", 7, 0, 1, 0},
                                                   {"it's \"二\"", "卷二", "new2", 8, 0, 1, 0},
                                                   {"别处", "卷二", "elsewhere", 9, 0, 1, 0}}));

  // A chapter the user deleted comes back with the next number; the hidden one does not.
  ASSERT_TRUE(db->exec("DELETE FROM book_zhangjie WHERE bookid=? AND zhangjieurl='new1'", book));
  EXPECT_EQ(stozj(*db, page, book, record), 1);
  EXPECT_EQ(orderByUrl(*db, book),
            (std::map<std::string, long long>{
                {"known", 5}, {"hidden", 6}, {"new2", 8}, {"elsewhere", 9}, {"new1", 10}}));
  EXPECT_EQ(chapters(*db, other).size(), 1u);
}

TEST(Stozj, FailingInsertSkipsOnlyItsEntryAndLeavesAGap) {
  TempProgramDir dir;
  auto db = dir.open();
  const long long book = addBook(*db, "http://x/");
  ASSERT_TRUE(db->execScript(
      "CREATE TRIGGER refuse BEFORE INSERT ON book_zhangjie WHEN NEW.zhangjieurl='bad' "
      "BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
  ASSERT_TRUE(db->execScript(
      "CREATE TRIGGER refuseName BEFORE INSERT ON book_zhangjie WHEN NEW.zhangjiename='坏' "
      "BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
  // A refused first copy of an address leaves the next copy to be added.
  const std::string page =
      link("a", "A") + link("bad", "B") + link("c", "C") + link("d", "坏") + link("d", "好");
  EXPECT_EQ(stozj(*db, page, book, linkRecord()), 3);
  EXPECT_EQ(orderByUrl(*db, book),
            (std::map<std::string, long long>{{"a", 1}, {"c", 3}, {"d", 5}}));
  EXPECT_EQ(chapters(*db, book).back().name, "好");
}

TEST(Stozj, NothingFromAnEmptyPageOrAPatternThatMatchesNothing) {
  TempProgramDir dir;
  auto db = dir.open();
  const long long book = addBook(*db, "http://x/");
  SiteRecord bad = linkRecord();
  bad[2] = "(<a";
  EXPECT_EQ(stozj(*db, "", book, linkRecord()), 0);
  EXPECT_EQ(stozj(*db, "<p>no links</p>", book, linkRecord()), 0);
  EXPECT_EQ(stozj(*db, link("a", "A"), book, bad), 0);
  EXPECT_TRUE(chapters(*db, book).empty());
}

TEST(Stozjpx, RenumbersListedChaptersOnly) {
  TempProgramDir dir;
  auto db = dir.open();
  const long long book = addBook(*db, "http://x/");
  for (int i = 1; i <= 5; ++i) addChapter(*db, book, "u" + std::to_string(i), i);
  // Fewer entries than the book holds; u4 listed twice, u9 unknown.
  const std::string page =
      link("u4", "四") + link("u2", "二") + link("u9", "九") + link("u4", "四") + link("u1", "一");
  EXPECT_EQ(stozjpx(*db, page, book, linkRecord()), 4);
  EXPECT_EQ(orderByUrl(*db, book), (std::map<std::string, long long>{
                                       {"u1", 5}, {"u2", 2}, {"u3", 3}, {"u4", 4}, {"u5", 5}}));
}

TEST(Regetzjfjnm, RepeatedAddressLastEntryWins) {
  TempProgramDir dir;
  auto db = dir.open();
  const long long book = addBook(*db, "http://x/");
  const long long id = addChapter(*db, book, "x", 1);
  addChapter(*db, book, "y", 2);
  const std::string page = "<h3>卷一</h3>" + link("x", " 初名 ") + link("y", "别的") +
                           "<h3>卷二</h3>" + link("x", "it's \"终名\"");
  const auto names = regetzjfjnm(*db, page, book, {id, "x"}, linkRecord());
  ASSERT_TRUE(names);
  EXPECT_EQ(names->name, "it's \"终名\"");
  EXPECT_EQ(names->volume, "卷二");
  EXPECT_EQ(chapters(*db, book), (std::vector<Row>{{"it's \"终名\"", "卷二", "x", 1, 0, 1, 0},
                                                   {"旧", "旧卷", "y", 2, 0, 1, 0}}));

  EXPECT_FALSE(regetzjfjnm(*db, page, book, {id, "not-on-page"}, linkRecord()));
  EXPECT_EQ(chapters(*db, book)[0].name, "it's \"终名\"");
}

// The two chapter-list commands against a served table of contents.
class TocCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::serveGbkSite(site);
    db = dir.open();
    muluurl = site.url(testing::kGbkTocPath);
    book = addBook(*db, muluurl);
    rules.replace(testing::ruleLine(site.key(), testing::gbkRecord()) + "\r\n");
    // Stored in reverse, with stale names.
    for (int i = 4; i >= 1; --i)
      ids[i] = addChapter(*db, book, site.url("/book/12/" + std::to_string(i) + ".html"), 5 - i);
  }
  TocCommandContext context(bool active = false) const { return {book, muluurl, active}; }

  FixtureSite site;
  TempProgramDir dir;
  std::unique_ptr<store::Database> db;
  std::string muluurl;
  long long book = 0;
  std::map<int, long long> ids;
  RuleText rules;
  RecordingPrompter prompter;
};

TEST_F(TocCommands, RefusalsAndSilentEnds) {
  const SelectedChapter row{ids[2], site.url("/book/12/2.html")};
  struct Case {
    const char* what;
    TocCommandContext ctx;
    std::optional<SelectedChapter> row;
    TocCommandResult expected;
    std::vector<std::string> messages;
  };
  const std::vector<Case> cases = {
      {"no current book", {0, muluurl, false}, std::nullopt, TocCommandResult::Nothing, {}},
      {"update active",
       context(true),
       row,
       TocCommandResult::Refused,
       {"当前下载更新进程执行中，不可以执行该操作!"}},
      {"no record for the site",
       {book, "http://127.0.0.2:1/a/", false},
       row,
       TocCommandResult::Nothing,
       {}},
  };
  for (const Case& c : cases) {
    RecordingPrompter p;
    EXPECT_EQ(syncTocOrder(*db, c.ctx, rules, p), c.expected) << c.what;
    EXPECT_EQ(p.messages, c.messages) << c.what;
    RecordingPrompter q;
    EXPECT_EQ(rereadChapterNames(*db, c.ctx, c.row, rules, q).result, c.expected) << c.what;
    EXPECT_EQ(q.messages, c.messages) << c.what;
  }
  // Without a selected row the selection is reported first, even while a run is active.
  for (bool active : {false, true}) {
    RecordingPrompter p;
    const RereadResult r = rereadChapterNames(*db, context(active), std::nullopt, rules, p);
    EXPECT_EQ(r.result, TocCommandResult::Refused);
    EXPECT_EQ(p.messages, std::vector<std::string>{"当前没有选中任何章节!"});
  }
  EXPECT_EQ(site.requestCount(), 0u);
  EXPECT_EQ(chapters(*db, book)[0].name, "旧");
}

TEST_F(TocCommands, SyncOrderRenumbersByThePage) {
  EXPECT_EQ(syncTocOrder(*db, context(), rules, prompter), TocCommandResult::Fetched);
  EXPECT_TRUE(prompter.messages.empty());
  EXPECT_EQ(site.requestCount(), 1u);
  std::vector<std::string> urls;
  for (const Row& r : chapters(*db, book)) urls.push_back(r.url);
  EXPECT_EQ(urls,
            (std::vector<std::string>{site.url("/book/12/1.html"), site.url("/book/12/2.html"),
                                      site.url("/book/12/3.html"), site.url("/book/12/4.html")}));
}

TEST_F(TocCommands, RereadChangesOnlyTheSelectedChapter) {
  const RereadResult r = rereadChapterNames(
      *db, context(), SelectedChapter{ids[2], site.url("/book/12/2.html")}, rules, prompter);
  EXPECT_EQ(r.result, TocCommandResult::Fetched);
  ASSERT_TRUE(r.names);
  EXPECT_EQ(r.names->name, "第二章 \"夜雨\"与'故人'");
  EXPECT_EQ(r.names->volume, "第一卷 初入江湖");
  int changed = 0;
  for (const Row& row : chapters(*db, book)) {
    if (row.name == "旧") continue;
    ++changed;
    EXPECT_EQ(row.url, site.url("/book/12/2.html"));
    EXPECT_EQ(row.volume, "第一卷 初入江湖");
  }
  EXPECT_EQ(changed, 1);
}

}  // namespace
}  // namespace mozhou::engine
