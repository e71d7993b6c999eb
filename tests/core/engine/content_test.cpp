#include "engine/content.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/files.h"
#include "engine/page_base.h"
#include "support/novel_sites.h"
#include "support/program_fixture.h"
#include "text/codec.h"
#include "text/strings.h"

namespace mozhou::engine {
namespace {

namespace fs = std::filesystem;
using testing::FixtureSite;
using testing::TempProgramDir;

constexpr std::string_view kImgPattern = R"re(<img src="([^"]+)">)re";

TEST(Getpt, PictureTypeFromTheFirstTwoBytes) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"BM\x36\x00", ".bmp"},
      {"\xFF\xD8\xFF\xE0", ".jpg"},
      {"GIF89a", ".gif"},
      {"GI", ".gif"},
      {std::string("\x0A\x05\x01", 3), ".pcx"},
      {"\x89PNG", ".png"},
      {"8BPS", ".psd"},
      {"\x59\xA6\x6A\x95", ".ras"},
      {std::string("\x01\xDA\x00", 3), ".sgi"},
      {"II*", ".tif"},
      {"MM\x00*", ".jpg"},  // big-endian TIFF is not in the table
      {"<html>", ".jpg"},
      {"G", ".jpg"},
      {"", ".jpg"},
  };
  for (const auto& [bytes, ext] : cases) EXPECT_EQ(getpt(bytes), ext) << bytes;
}

TEST(Zishutj, WordsOfLegacyBytes) {
  const std::vector<std::pair<std::string, long long>> cases = {
      {"中文字ab", 5},   {"中 ", 1},
      {"", 0},           {" \t\r\n", 0},
      {"a b\r\nc", 3},   {"<img src=\"1/2/0.gif\">", 20},
      {"中\x7F", 1},  // DEL counts half, rounded down
      {"中\x7F\x7F", 2}, {"“引”", 3},
      {"𠀀", 1},  // outside GBK: one character, whatever its four legacy bytes
      {"abc𠀀12", 6},
  };
  for (const auto& [textValue, words] : cases) EXPECT_EQ(zishutj(textValue), words) << textValue;
}

std::string fileBytes(const fs::path& p) { return app::readFileBytes(p).value_or("<missing>"); }

long long wordCount(store::Database& db, long long chapterId) {
  return db.queryInt("SELECT zishutongji FROM book_zhangjie WHERE zhangjieid=?", chapterId)
      .value_or(-1);
}

class ContentPipeline : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::serveGbkSite(site);
    db = dir.open();
    ASSERT_TRUE(db->exec("INSERT INTO book_list (typeid,bookname,muluurl,paix) VALUES (1,'书',?,1)",
                         site.url(testing::kGbkTocPath)));
    book = db->lastInsertId();
    ASSERT_TRUE(
        db->exec("INSERT INTO book_zhangjie (bookid,zhangjiename,zhangjieurl,paix) "
                 "VALUES (?,'第一章',?,1)",
                 book, site.url(testing::kGbkChapterPath)));
    chapter = db->lastInsertId();
    fs::remove_all(dir.path() / "book");  // the book directory is made when needed
  }

  ContentResult download(const SiteRecord& record, std::string_view path,
                         const std::function<bool()>& stop = {}) {
    return downloadChapter(*db, dir.dir(), site.url(path), book, chapter, record, stop);
  }
  fs::path chapterPath() const { return chapterFile(dir.dir(), book, chapter); }
  fs::path pictureDir() const {
    return dir.path() / "book" / std::to_string(book) / std::to_string(chapter);
  }
  std::string tag(int n, const std::string& ext) const {
    return "<img src=\"" + std::to_string(book) + "/" + std::to_string(chapter) + "/" +
           std::to_string(n) + ext + "\">";
  }

  FixtureSite site;
  TempProgramDir dir;
  std::unique_ptr<store::Database> db;
  long long book = 0;
  long long chapter = 0;
};

TEST_F(ContentPipeline, StoresTextPicturesAndWordCount) {
  EXPECT_EQ(download(testing::gbkRecord(), testing::kGbkChapterPath), ContentResult::Stored);

  // Advertisements and scripts cut, references decoded (the hexadecimal one left alone),
  // both copies of the repeated picture pointing at the first download.
  const std::string expected =
      "    他说“走吧”，中国's&#x4e2d;\r\n"
      "    山下" +
      tag(0, ".gif") + "雨停了\r\n" + tag(0, ".gif") + tag(2, ".png");
  EXPECT_EQ(fileBytes(chapterPath()), text::toLegacy(expected + "\r\n"));
  EXPECT_EQ(wordCount(*db, chapter), zishutj(expected));
  EXPECT_GT(wordCount(*db, chapter), 0);

  EXPECT_EQ(fileBytes(pictureDir() / "0.gif"), testing::gifBytes());
  EXPECT_EQ(fileBytes(pictureDir() / "1.gif"), testing::gifBytes());
  EXPECT_EQ(fileBytes(pictureDir() / "2.png"), testing::pngBytes());
  // The chapter page's base is what "[webpath]" stood for.
  EXPECT_EQ(pageBase(), site.url("/book/12/"));
}

TEST_F(ContentPipeline, FileHoldsTheTextAndCrLfAndKeepsInnerLineBreaks) {
  site.put("/a.html", "a");
  site.put("/lines.html", "x|y|z");
  SiteRecord plain(11);
  EXPECT_EQ(download(plain, "/a.html"), ContentResult::Stored);
  EXPECT_EQ(fileBytes(chapterPath()), "a\r\n");
  EXPECT_EQ(wordCount(*db, chapter), 1);

  // Line feeds and lone carriage returns the rules put in are written as they are.
  SiteRecord lines(11);
  lines[10] = "{{2}}|{{t}}#10\r\n{{2}}z{{t}}#13z";
  EXPECT_EQ(download(lines, "/lines.html"), ContentResult::Stored);
  EXPECT_EQ(fileBytes(chapterPath()), "x\ny\n\rz\r\n");
}

TEST_F(ContentPipeline, CharacterReferencesThroughTheRules) {
  SiteRecord record(11);
  record[10] = "{{0}}4{{t}}";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"&#20013;", "中"},
      {"&#039;s", "'s"},
      {"&#00020013;", "&#00020013;"},  // more than five characters: not a reference
      {"&#x4e2d;", "&#x4e2d;"},        // hexadecimal is left alone
      {"&#85549;", "中"},              // 85549 - 65536 = 20013
      {"&ldquo;引&rdquo;", "“引”"},
      {"&LDQUO;", "&LDQUO;"},
      {"&#20013;&#20013;&#22269;", "中中国"},
  };
  for (const auto& [page, expected] : cases) {
    site.put("/refs.html", text::toLegacy(page));
    EXPECT_EQ(download(record, "/refs.html"), ContentResult::Stored) << page;
    EXPECT_EQ(fileBytes(chapterPath()), text::toLegacy(expected + "\r\n")) << page;
  }
}

TEST_F(ContentPipeline, Utf8ChapterPage) {
  FixtureSite utf8;
  testing::serveUtf8Site(utf8);
  EXPECT_EQ(downloadChapter(*db, dir.dir(), utf8.url(testing::kUtf8ChapterPath), book, chapter,
                            testing::utf8Record(utf8), {}),
            ContentResult::Stored);
  EXPECT_EQ(fileBytes(chapterPath()), text::toLegacy("第一行“引号”\r\n第二行…省略\r\n"));
}

TEST_F(ContentPipeline, PictureFailureEndsPictureHandling) {
  site.put("/p/good.gif", testing::gifBytes());
  site.put("/p/other.png", testing::pngBytes());
  site.put("/p/one.gif", "G");
  site.put("/p/empty.jpg", "");
  const std::string page =
      R"(<img src="p/good.gif">BAD<img src="p/good.gif"><img src="p/other.png">)";
  const std::string pattern(kImgPattern);
  for (const std::string bad : {"p/missing.gif", "p/one.gif"}) {
    const std::string badTag = "<img src=\"" + bad + "\">";
    fs::remove_all(pictureDir());
    const std::string out = stoimg(dir.dir(), text::replaceAll(page, "BAD", badTag), book, chapter,
                                   pattern, site.url("/") + "$1");
    // Every copy of the picture before the failure is local; the failing one and those after
    // it keep their markup and are not fetched.
    EXPECT_EQ(out, tag(0, ".gif") + badTag + tag(0, ".gif") + R"(<img src="p/other.png">)") << bad;
    EXPECT_EQ(fileBytes(pictureDir() / "0.gif"), testing::gifBytes()) << bad;
    EXPECT_EQ(std::distance(fs::directory_iterator(pictureDir()), fs::directory_iterator()), 1)
        << bad;
  }
  for (const auto& r : site.requests()) EXPECT_NE(r.path, "/p/other.png");
  // An empty body is a picture too: an empty ".jpg".
  const std::string out = stoimg(dir.dir(), R"(<img src="p/empty.jpg">)", book, chapter,
                                 kImgPattern, site.url("/") + "$1");
  EXPECT_EQ(out, tag(0, ".jpg"));
  EXPECT_EQ(fileBytes(pictureDir() / "0.jpg"), "");
}

TEST_F(ContentPipeline, PicturesNeedBothFields) {
  const std::string text = R"(<img src="p/good.gif">)";
  EXPECT_EQ(stoimg(dir.dir(), text, book, chapter, "", "$1"), text);
  EXPECT_EQ(stoimg(dir.dir(), text, book, chapter, kImgPattern, ""), text);
  EXPECT_EQ(site.requestCount(), 0u);
  EXPECT_FALSE(fs::exists(pictureDir()));
}

TEST_F(ContentPipeline, StopAtEachStepStoresNothing) {
  const std::size_t before = site.requestCount();
  int asked = 0;
  EXPECT_EQ(download(testing::gbkRecord(), testing::kGbkChapterPath,
                     [&] {
                       ++asked;
                       return false;
                     }),
            ContentResult::Stored);
  EXPECT_EQ(asked, 5);
  const std::size_t fullRequests = site.requestCount() - before;  // page + three pictures
  EXPECT_EQ(fullRequests, 4u);

  // Requests made when the stop comes at check k: before the fetch none, after it the page,
  // after the pictures all of them.
  const std::vector<std::size_t> requestsAtStop = {0, 1, 1, 4, 4};
  for (int k = 1; k <= 5; ++k) {
    fs::remove_all(dir.path() / "book");
    ASSERT_TRUE(db->exec("UPDATE book_zhangjie SET zishutongji=0 WHERE zhangjieid=?", chapter));
    const std::size_t start = site.requestCount();
    int calls = 0;
    EXPECT_EQ(
        download(testing::gbkRecord(), testing::kGbkChapterPath, [&] { return ++calls == k; }),
        ContentResult::Stopped)
        << k;
    EXPECT_EQ(calls, k);
    EXPECT_EQ(site.requestCount() - start, requestsAtStop[k - 1]) << k;
    EXPECT_FALSE(fs::exists(chapterPath())) << k;
    EXPECT_EQ(wordCount(*db, chapter), 0) << k;
  }
}

TEST_F(ContentPipeline, NothingLeftStoresNothing) {
  site.put("/blank.html", "<p></p>\r\n<br />");
  SiteRecord stripAll(11);
  stripAll[7] = "{{3}}<[^>]*>{{t}}";
  EXPECT_EQ(download(stripAll, "/blank.html"), ContentResult::Empty);
  EXPECT_EQ(download(testing::gbkRecord(), "/book/12/missing.html"), ContentResult::Empty);
  EXPECT_FALSE(fs::exists(chapterPath()));
  EXPECT_EQ(wordCount(*db, chapter), 0);

  // Text that counts no words is stored, and its count 0 leaves it to be fetched again.
  site.put("/spaces.html", "   ");
  EXPECT_EQ(download(SiteRecord(11), "/spaces.html"), ContentResult::Stored);
  EXPECT_EQ(fileBytes(chapterPath()), "   \r\n");
  EXPECT_EQ(wordCount(*db, chapter), 0);
}

TEST_F(ContentPipeline, UnwritableBookDirectory) {
  fs::create_directories(dir.path() / "book");
  dir.write("book/" + std::to_string(book), "a file where the directory should be");
  EXPECT_EQ(download(SiteRecord(11), testing::kGbkChapterPath), ContentResult::WriteFailed);
  EXPECT_EQ(wordCount(*db, chapter), 0);
}

TEST_F(ContentPipeline, RedownloadReplacesFileAndCount) {
  site.put("/v.html", "first version");
  EXPECT_EQ(download(SiteRecord(11), "/v.html"), ContentResult::Stored);
  EXPECT_EQ(wordCount(*db, chapter), 12);
  site.put("/v.html", text::toLegacy("二"));
  EXPECT_EQ(download(SiteRecord(11), "/v.html"), ContentResult::Stored);
  EXPECT_EQ(fileBytes(chapterPath()), text::toLegacy("二\r\n"));
  EXPECT_EQ(wordCount(*db, chapter), 1);
  // No temporary file is left beside the chapter.
  EXPECT_EQ(
      std::distance(fs::directory_iterator(chapterPath().parent_path()), fs::directory_iterator()),
      1);
}

TEST(ChapterText, PicturesLeftAsOnThePage) {
  FixtureSite site;
  testing::serveGbkSite(site);
  const std::string page = text::fromLegacy(text::toLegacy(testing::gbkChapterPage()));
  std::string joined;
  for (char c : page)
    if (c != '\n' && c != '\r') joined += c;
  setPageBase(site.url("/book/12/"));
  EXPECT_EQ(chapterText(joined, testing::gbkRecord()), testing::gbkChapterTextWithoutPictures());
  EXPECT_EQ(site.requestCount(), 0u);
}

}  // namespace
}  // namespace mozhou::engine
