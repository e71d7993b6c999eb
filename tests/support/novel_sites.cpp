#include "support/novel_sites.h"

#include "engine/site_rules.h"
#include "support/rule_file.h"
#include "text/codec.h"
#include "text/strings.h"

namespace mozhou::testing {

FixtureSite::FixtureSite() {
  server_.get(".*", [this](const httplib::Request& req, httplib::Response& res) {
    std::lock_guard lock(mutex_);
    auto it = pages_.find(req.path);
    if (it == pages_.end()) {
      res.status = 404;
      res.set_content("not found", "text/plain");
      return;
    }
    res.status = it->second.status;
    res.set_content(it->second.body, it->second.contentType);
  });
  server_.start();
}

void FixtureSite::put(const std::string& path, std::string body, int status,
                      std::string contentType) {
  std::lock_guard lock(mutex_);
  pages_[path] = {std::move(body), status, std::move(contentType)};
}

std::string FixtureSite::key() const { return engine::geturlkey(url("/")); }

std::string gifBytes() { return std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13); }
std::string pngBytes() { return std::string("\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR", 16); }

std::string gbkTocPage() {
  return R"(<html><head><meta charset="gbk"><title>江湖夜雨 最新章节</title></head><body>
<div class="latest"><h2>最新章节</h2><dl>
<dd><a href="4.html">第四章 启程</a></dd>
<dd><a href="3.html">第三章&nbsp;重逢</a></dd>
</dl></div>
<div class="list"><dl>
<dt>第一卷&nbsp;&nbsp;初入江湖</dt>
<dd><a href="1.html">第一章&nbsp;&nbsp;&nbsp;出山</a></dd>
<dd><a href="2.html"> 第二章 "夜雨"与'故人' </a></dd>
<dt>第二卷&nbsp;风云再起</dt>
<dd><a href="3.html">第三章&nbsp;重逢</a></dd>
<dd><a href="4.html">第四章 启程</a></dd>
</dl></div>
<div class="footer">Copyright</div>
</body></html>
)";
}

std::vector<ExpectedEntry> gbkTocEntries() {
  return {{"第一章 出山", "1.html", "第一卷 初入江湖"},
          {"第二章 \"夜雨\"与'故人'", "2.html", "第一卷 初入江湖"},
          {"第三章 重逢", "3.html", "第二卷 风云再起"},
          {"第四章 启程", "4.html", "第二卷 风云再起"}};
}

std::string gbkChapterPage() {
  return R"(<html><head><title>第一章 出山</title></head><body>
<div class="ad">本站最新网址：请收藏</div>
<div id="content">&nbsp;&nbsp;&nbsp;&nbsp;他说&ldquo;走吧&rdquo;&#65292;&#20013;&#22269;&#039;s&#x4e2d;<br />
<script>showad();</script>&nbsp;&nbsp;&nbsp;&nbsp;山下<img src="pic/a.gif">雨停了<br />
<img src="pic/a.gif"><img src="pic/b.png"></div>
<div class="ad">广告：充值送书券</div>
</body></html>
)";
}

std::string gbkChapterTextWithoutPictures() {
  return "    他说“走吧”，中国's&#x4e2d;\r\n"
         "    山下<img src=\"pic/a.gif\">雨停了\r\n"
         "<img src=\"pic/a.gif\"><img src=\"pic/b.png\">";
}

std::vector<std::string> gbkRecord() {
  return {
      "江湖书库",
      "{{1}}<div class=\"list\">{{t}}</div>\r\n{{3}}(&nbsp;)+{{t}} ",
      "<dd><a href=\"([^\"]*)\">(.*?)</a></dd>",
      "$2",
      "[webpath]$1",
      "<dt>(.*?)</dt>",
      "$1",
      "{{1}}<div id=\"content\">{{t}}</div>\r\n"
      "{{2}}<div id=\"content\">{{t}}\r\n"
      "{{2}}</div>{{t}}\r\n"
      "{{3}}<script>.*?</script>{{t}}\r\n"
      "{{2}}<br />{{t}}#13#10",
      "<img src=\"([^\"]+)\">",
      "[webpath]$1",
      "{{0}}4{{t}}\r\n{{2}}&nbsp;{{t}} ",
  };
}

void serveGbkSite(FixtureSite& site) {
  site.put(std::string(kGbkTocPath), text::toLegacy(gbkTocPage()), 200, "text/html; charset=gbk");
  site.put(std::string(kGbkChapterPath), text::toLegacy(gbkChapterPage()), 200,
           "text/html; charset=gbk");
  site.put("/book/12/pic/a.gif", gifBytes(), 200, "image/gif");
  site.put("/book/12/pic/b.png", pngBytes(), 200, "image/png");
}

std::string utf8TocPage() {
  return R"(<!DOCTYPE html><html><head><meta charset="utf-8"><title>星海</title></head><body>
<div class="new"><a href="/novel/7/103.html">第3章 归来</a></div>
<ul class="chapters">
<li><a href="/novel/7/101.html">第1章 启航</a></li>
<li><a href="/novel/7/102.html">第2章 “星门”</a></li>
<li><a href="/novel/7/103.html">第3章 归来</a></li>
</ul></body></html>
)";
}

std::string utf8ChapterPage() {
  return R"(<!DOCTYPE html><html><head><meta charset="utf-8"></head><body>
<div class="box"><p>第一行&#8220;引号&#8221;</p><p>第二行&#8230;省略</p></div>
<div class="ad">广告</div></body></html>
)";
}

std::vector<std::string> utf8Record(const FixtureSite& site) {
  std::string root = site.url("");
  return {
      "星海文学",
      "{{0}}1{{t}}\r\n{{1}}<ul class=\"chapters\">{{t}}</ul>",
      "<li><a href=\"([^\"]+)\">([^<]+)</a></li>",
      "$2",
      root + "$1",
      "",
      "卷一 星海",
      "{{0}}1{{t}}\r\n"
      "{{1}}<div class=\"box\">{{t}}</div>\r\n"
      "{{3}}</?div[^>]*>{{t}}\r\n"
      "{{2}}</p><p>{{t}}#13#10\r\n"
      "{{3}}</?p>{{t}}",
      "",
      "",
      "{{0}}4{{t}}",
  };
}

void serveUtf8Site(FixtureSite& site) {
  site.put(std::string(kUtf8TocPath), utf8TocPage(), 200, "text/html; charset=utf-8");
  site.put(std::string(kUtf8ChapterPath), utf8ChapterPage(), 200, "text/html; charset=utf-8");
}

std::string ruleLine(std::string_view key, const std::vector<std::string>& fields) {
  std::vector<std::string> escaped;
  for (const std::string& f : fields) escaped.push_back(text::replaceAll(f, "\r\n", "{{br}}"));
  return siteRecordLine(key, escaped);
}

}  // namespace mozhou::testing
