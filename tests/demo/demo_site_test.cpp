#include "demo/demo_site.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "demo/demo_content.h"
#include "text/codec.h"
#include "text/utf8.h"

namespace mozhou::demo {
namespace {

struct Fetched {
  int status = 0;
  std::string contentType;
  std::string body;
};

Fetched get(const std::string& host, int port, const std::string& path) {
  httplib::Client client(host, port);
  client.set_read_timeout(120, 0);
  auto res = client.Get(path.c_str());
  if (!res) return {};
  return {res->status, res->get_header_value("Content-Type"), res->body};
}

std::size_t count(std::string_view text, std::string_view needle) {
  std::size_t n = 0;
  for (std::size_t at = text.find(needle); at != std::string_view::npos;
       at = text.find(needle, at + needle.size()))
    ++n;
  return n;
}

class DemoSiteTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(site.start(0)); }
  Fetched fetch(const std::string& path) { return get("127.0.0.1", site.port(), path); }
  // A GBK page decoded to UTF-8.
  std::string gbkPage(const std::string& path) {
    const Fetched f = fetch(path);
    EXPECT_EQ(f.status, 200) << path;
    EXPECT_EQ(f.contentType, "text/html; charset=gbk") << path;
    return text::fromLegacy(f.body);
  }
  DemoSite site;
};

TEST_F(DemoSiteTest, ChapterPagesAreRealGbk) {
  const Fetched f = fetch("/book/1021/2301.html");
  ASSERT_EQ(f.status, 200);
  EXPECT_EQ(f.contentType, "text/html; charset=gbk");
  EXPECT_FALSE(text::isValidUtf8(f.body));  // Chinese text in GBK is no UTF-8
  EXPECT_EQ(text::toLegacy(text::fromLegacy(f.body)), f.body);
  const std::string page = text::fromLegacy(f.body);
  EXPECT_NE(page.find("<h1>第一章 雨夜来客</h1>"), std::string::npos);
  EXPECT_NE(page.find("&nbsp;&nbsp;&nbsp;&nbsp;"), std::string::npos);
  EXPECT_NE(page.find(kInlineAd), std::string::npos);
  EXPECT_NE(page.find(kClosingAd), std::string::npos);
  EXPECT_NE(page.find("\r\n"), std::string::npos);
}

TEST_F(DemoSiteTest, ChapterTextIsWrittenWithReferencesAndEntities) {
  // Over a novel's chapters every referenced character and both quotes occur; the page never
  // carries them as plain characters inside the text.
  std::string pages;
  std::string bodies;
  for (const ChapterListing& c : site.chapters("1021")) {
    pages += gbkPage("/book/1021/" + std::to_string(2300 + c.number) + ".html");
    for (const ChapterBlock& b : site.chapterBody("1021", c.number))
      if (!b.picture) bodies += b.text;
  }
  EXPECT_NE(bodies.find("灯"), std::string::npos);
  EXPECT_NE(bodies.find("“"), std::string::npos);
  EXPECT_NE(pages.find("&#28783;"), std::string::npos);  // 灯
  EXPECT_NE(pages.find("&#22812;"), std::string::npos);  // 夜
  EXPECT_NE(pages.find("&#20013;"), std::string::npos);  // 中
  EXPECT_NE(pages.find("&ldquo;"), std::string::npos);
  EXPECT_NE(pages.find("&rdquo;"), std::string::npos);
  EXPECT_EQ(pages.find("“"), std::string::npos);
}

TEST_F(DemoSiteTest, TableOfContentsHasLatestBlockAboveFullList) {
  const std::string toc = gbkPage("/book/1021/");
  const std::size_t latest = toc.find("id=\"zuixin\"");
  const std::size_t full = toc.find("id=\"at\"");
  ASSERT_NE(latest, std::string::npos);
  ASSERT_NE(full, std::string::npos);
  EXPECT_LT(latest, full);
  // The newest chapter appears in both blocks, the first one only in the full list.
  EXPECT_EQ(count(toc, "<a href=\"2309.html\">第九章 归舟</a>"), 3u);  // with "最新章节："
  EXPECT_EQ(count(toc, "<a href=\"2301.html\">"), 1u);
  EXPECT_GT(toc.find("<a href=\"2301.html\">"), full);
  // Volume headings stand in the full list before their first chapter.
  const std::size_t second = toc.find("第二卷　灯火长街");
  ASSERT_NE(second, std::string::npos);
  EXPECT_GT(second, full);
  EXPECT_LT(second, toc.find("<a href=\"2305.html\">", full));
  EXPECT_GT(second, toc.find("<a href=\"2304.html\">", full));
  EXPECT_NE(toc.find("<td class=\"ccss\">&nbsp;</td>"), std::string::npos);
  EXPECT_NE(toc.find("作&nbsp;&nbsp;&nbsp;&nbsp;者：林未央"), std::string::npos);

  const auto chapters = site.chapters("1021");
  ASSERT_EQ(chapters.size(), 9u);
  EXPECT_EQ(chapters[3].volume, "第一卷　山门初开");
  EXPECT_EQ(chapters[4].volume, "第二卷　灯火长街");
  EXPECT_EQ(chapters[5].name, "第六章 阿婆说'明天见'");
  EXPECT_EQ(chapters[0].address, "http://" + site.hostPort() + "/book/1021/2301.html");
  EXPECT_EQ(site.chapters("1022")[0].volume, "");  // a novel without volume headings
}

TEST_F(DemoSiteTest, Utf8NovelLivesUnderTheSecondName) {
  const auto novel = site.novel("2001");
  ASSERT_TRUE(novel);
  EXPECT_EQ(novel->tocAddress,
            "http://localhost:" + std::to_string(site.port()) + "/utf8/book/2001/");
  for (const std::string path : {"/utf8/book/2001/", "/utf8/book/2001/3.html"}) {
    const Fetched f = get("localhost", site.port(), path);
    ASSERT_EQ(f.status, 200) << path;
    EXPECT_EQ(f.contentType, "text/html; charset=utf-8");
    EXPECT_TRUE(text::isValidUtf8(f.body));
    EXPECT_NE(f.body.find(path == "/utf8/book/2001/" ? "星河邮差" : "第3章 月面驿站"),
              std::string::npos);
  }
}

TEST_F(DemoSiteTest, PicturesAreRealPngAndGif) {
  const Fetched png = fetch("/pic/1021/lamp.png");
  ASSERT_EQ(png.status, 200);
  EXPECT_EQ(png.contentType, "image/png");
  EXPECT_EQ(png.body.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(png.body.substr(png.body.size() - 8, 4), "IEND");
  const Fetched gif = fetch("/pic/1021/map.gif");
  ASSERT_EQ(gif.status, 200);
  EXPECT_EQ(gif.contentType, "image/gif");
  EXPECT_EQ(gif.body.substr(0, 6), "GIF89a");
  EXPECT_EQ(gif.body.back(), ';');
  EXPECT_EQ(fetch("/pic/1021/none.png").status, 404);

  // Chapter four shows the lamp twice and the map once.
  const std::string page = gbkPage("/book/1021/2304.html");
  EXPECT_EQ(count(page, "<img src=\"/pic/1021/lamp.png\""), 2u);
  EXPECT_EQ(count(page, "<img src=\"/pic/1021/map.gif\""), 1u);
}

TEST_F(DemoSiteTest, PublishAddsAChapterToTheTableOfContents) {
  const std::size_t before = count(gbkPage("/book/1022/"), "<td class=\"ccss\"><a href=");
  EXPECT_EQ(site.publishChapter("1022"), 8);
  const Fetched viaHttp = fetch("/_demo/publish?book=1022");
  EXPECT_EQ(viaHttp.status, 200);
  EXPECT_EQ(viaHttp.body, "1022 9\n");
  EXPECT_EQ(fetch("/_demo/publish?book=9999").status, 404);
  EXPECT_EQ(site.publishChapter("big/10"), 0);

  const std::string toc = gbkPage("/book/1022/");
  const auto chapters = site.chapters("1022");
  ASSERT_EQ(chapters.size(), 9u);
  // The full list grows; the latest block keeps its six newest.
  EXPECT_EQ(count(toc, "<td class=\"ccss\"><a href="), before + 2);
  EXPECT_NE(toc.find("<a href=\"4409.html\">" + chapters[8].name + "</a>"), std::string::npos);
  EXPECT_EQ(chapters[7].name.rfind("第八章 ", 0), 0u);
  EXPECT_EQ(fetch("/book/1022/4409.html").status, 200);
  EXPECT_EQ(fetch("/book/1022/4410.html").status, 404);

  site.reset();
  EXPECT_EQ(site.chapters("1022").size(), 7u);
  EXPECT_EQ(fetch("/book/1022/4409.html").status, 404);
}

TEST_F(DemoSiteTest, FailingPagesAnswer500UntilReleased) {
  EXPECT_TRUE(site.setChapterFailing("1021", 3, true));
  EXPECT_EQ(fetch("/book/1021/2303.html").status, 500);
  EXPECT_EQ(fetch("/book/1021/2302.html").status, 200);
  site.setChapterFailing("1021", 3, false);
  EXPECT_EQ(fetch("/book/1021/2303.html").status, 200);

  EXPECT_EQ(fetch("/_demo/fail?path=/book/1021/&on=1").status, 200);
  EXPECT_EQ(fetch("/book/1021/").status, 500);
  EXPECT_EQ(fetch("/_demo/fail?path=/book/1021/&on=0").status, 200);
  EXPECT_EQ(fetch("/book/1021/").status, 200);
  EXPECT_EQ(fetch("/_demo/fail?book=1021&chapter=4").status, 200);
  EXPECT_EQ(fetch("/book/1021/2304.html").status, 500);
  EXPECT_EQ(fetch("/_demo/fail?book=1021").status, 400);
}

TEST_F(DemoSiteTest, DelayHoldsChapterPagesUntilLowered) {
  site.setChapterDelay(std::chrono::minutes(10));
  auto held = std::async(std::launch::async, [&] { return fetch("/book/1021/2301.html"); });
  while (site.requests(RequestKind::Chapter) == 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  // Other pages are not held.
  EXPECT_EQ(fetch("/book/1021/").status, 200);
  EXPECT_NE(held.wait_for(std::chrono::milliseconds(200)), std::future_status::ready);
  EXPECT_EQ(fetch("/_demo/delay?ms=0").status, 200);
  EXPECT_EQ(held.get().status, 200);
}

TEST_F(DemoSiteTest, StopReleasesHeldRequests) {
  site.setChapterDelay(std::chrono::minutes(10));
  auto held = std::async(std::launch::async, [&] { return fetch("/book/1021/2301.html"); });
  while (site.requests(RequestKind::Chapter) == 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  site.stop();  // would wait out the ten minutes if the held request were not woken
  EXPECT_FALSE(site.running());
  held.get();
}

TEST_F(DemoSiteTest, CountsRequestsByKind) {
  fetch("/book/1021/");
  fetch("/book/1021/2301.html");
  fetch("/book/1021/2302.html");
  fetch("/book/1021/2399.html");  // a chapter page that does not exist still counts
  fetch("/pic/1021/map.gif");
  fetch("/search?kw=x");
  fetch("/nothing");
  EXPECT_EQ(site.requests(RequestKind::TableOfContents), 1u);
  EXPECT_EQ(site.requests(RequestKind::Chapter), 3u);
  EXPECT_EQ(site.requests(RequestKind::Picture), 1u);
  EXPECT_EQ(site.requests(RequestKind::Search), 1u);
  EXPECT_EQ(site.requests(RequestKind::Other), 1u);
  const Fetched counters = fetch("/_demo/counters");
  EXPECT_EQ(counters.body, "toc 1\nchapter 3\npicture 1\nsearch 1\ncontrol 1\nother 1\n");
  fetch("/_demo/reset");
  EXPECT_EQ(site.requests(RequestKind::Chapter), 0u);
}

TEST_F(DemoSiteTest, BigNovelHasTheAskedNumberOfChapters) {
  const std::string toc = gbkPage("/big/1000/");
  const std::size_t full = toc.find("id=\"at\"");
  ASSERT_NE(full, std::string::npos);
  EXPECT_EQ(count(std::string_view(toc).substr(full), "<td class=\"ccss\"><a href="), 1000u);
  EXPECT_EQ(count(toc, "<td class=\"vcss\""), 10u);
  const auto chapters = site.chapters("big/1000");
  ASSERT_EQ(chapters.size(), 1000u);
  EXPECT_EQ(chapters[999].address, "http://" + site.hostPort() + "/big/1000/1000.html");
  EXPECT_EQ(chapters[100].volume.rfind("第二卷　", 0), 0u);
  EXPECT_NE(gbkPage("/big/1000/1000.html").find("<h1>" + chapters[999].name + "</h1>"),
            std::string::npos);
  EXPECT_EQ(fetch("/big/2000/").status, 200);
  EXPECT_EQ(fetch("/big/2001/").status, 404);
  EXPECT_EQ(fetch("/big/0/").status, 404);
  EXPECT_EQ(fetch("/big/1000/1001.html").status, 404);
}

TEST_F(DemoSiteTest, SearchTakesUtf8OrGbkKeywords) {
  // 潮 percent-encoded in UTF-8, and as its GBK bytes.
  for (const std::string query : {"/search?kw=%E6%BD%AE&t=1", "/search?kw=%B3%B1&t=1"}) {
    const std::string page = gbkPage(query);
    EXPECT_NE(page.find("<a href=\"/book/1022/\">潮汐之城</a>"), std::string::npos) << query;
    EXPECT_EQ(page.find("云岭拾灯记"), std::string::npos) << query;
  }
  EXPECT_NE(gbkPage("/search?kw=%E6%9E%97&t=2").find("林未央"), std::string::npos);
  EXPECT_EQ(gbkPage("/search?kw=%E6%9E%97&t=1").find("林未央"), std::string::npos);
  const Fetched utf8 = get("localhost", site.port(), "/utf8/search?q=%E9%82%AE&by=title");
  EXPECT_EQ(utf8.contentType, "text/html; charset=utf-8");
  EXPECT_NE(utf8.body.find("<a class=\"title\" href=\"/utf8/book/2001/\">星河邮差</a>"),
            std::string::npos);
}

TEST(DemoSite, SecondSiteCannotTakeABusyPort) {
  DemoSite first;
  ASSERT_TRUE(first.start(0));
  DemoSite second;
  EXPECT_FALSE(second.start(first.port()));
  EXPECT_FALSE(first.start(0));  // already running
  first.stop();
  EXPECT_FALSE(first.running());
  first.stop();  // stopping twice is harmless
}

TEST(DemoContent, ChineseNumbers) {
  const std::pair<int, const char*> cases[] = {
      {1, "一"},         {10, "十"},        {11, "十一"},       {20, "二十"},
      {101, "一百零一"}, {110, "一百一十"}, {1005, "一千零五"}, {2030, "二千零三十"},
  };
  for (const auto& [n, text] : cases) EXPECT_EQ(chineseNumber(n), text) << n;
}

}  // namespace
}  // namespace mozhou::demo
