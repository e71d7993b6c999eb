#pragma once
// Small novel websites on 127.0.0.1 for the table-of-contents and chapter tests, with the
// pages real sites serve: a GBK site (volume headings, a "latest chapters" block above the
// full list, links relative to the page, "&nbsp;" runs, chapter pages with advertisements,
// character references and pictures) and a UTF-8 site (links relative to the site's root),
// each with the rule record that reads it.
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "support/http_server.h"

namespace mozhou::testing {

// A site whose pages can be set at any time; unknown paths answer 404.
class FixtureSite {
 public:
  FixtureSite();
  // body is sent byte for byte.
  void put(const std::string& path, std::string body, int status = 200,
           std::string contentType = "text/html");
  std::string url(std::string_view path) const { return server_.url(path); }
  // The site key of the site's addresses.
  std::string key() const;
  std::size_t requestCount() const { return server_.requestCount(); }
  std::vector<RecordedRequest> requests() const { return server_.requests(); }

 private:
  struct Page {
    std::string body;
    int status;
    std::string contentType;
  };
  HttpServer server_;
  mutable std::mutex mutex_;
  std::map<std::string, Page> pages_;
};

// --- The GBK site: book at /book/12/ ----------------------------------------------------
inline constexpr std::string_view kGbkTocPath = "/book/12/index.html";
inline constexpr std::string_view kGbkChapterPath = "/book/12/1.html";

// Pages as UTF-8 text (the site serves their legacy bytes).
std::string gbkTocPage();
std::string gbkChapterPage();
// The text the GBK record's content rules make of gbkChapterPage() with pictures left as
// they are on the page.
std::string gbkChapterTextWithoutPictures();
// Fields s0..s10 of the GBK site's rules (they use "[webpath]", so no address is in them).
std::vector<std::string> gbkRecord();
// Serves the table of contents, chapter 1 and its two pictures (pic/a.gif, pic/b.png).
void serveGbkSite(FixtureSite& site);
std::string gifBytes();
std::string pngBytes();

// The entries of the GBK table of contents, in page order, as (name, address relative to
// the book directory, volume).
struct ExpectedEntry {
  std::string name;
  std::string path;
  std::string volume;
};
std::vector<ExpectedEntry> gbkTocEntries();

// --- The UTF-8 site: book at /novel/7/ ----------------------------------------------------
inline constexpr std::string_view kUtf8TocPath = "/novel/7/";
inline constexpr std::string_view kUtf8ChapterPath = "/novel/7/101.html";
std::string utf8TocPage();      // UTF-8 text, served as its UTF-8 bytes
std::string utf8ChapterPage();  // likewise
// The record names the site's root address, so it is made for one running site.
std::vector<std::string> utf8Record(const FixtureSite& site);
void serveUtf8Site(FixtureSite& site);

// A rule-file line for a record (fields with line breaks written "{{br}}").
std::string ruleLine(std::string_view key, const std::vector<std::string>& fields);

}  // namespace mozhou::testing
