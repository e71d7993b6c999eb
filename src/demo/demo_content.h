#pragma once
// What the demo site publishes: its novels, their chapters and the pages that show them.
// Everything here is a pure function of the novel and its current chapter count, so a test
// can ask for the text a page stands for and compare it with what rules cut out of the page.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mozhou::demo {

struct Volume {
  std::string name;
  int firstChapter = 1;
};

// The people, places and things a novel's generated sentences speak of.
struct Cast {
  std::string hero;
  std::string companion;
  std::vector<std::string> places;
  std::vector<std::string> things;
};

// One piece of a chapter's body: a paragraph of text, or a picture (its path on the site).
struct ChapterBlock {
  bool picture = false;
  std::string text;
  std::string alt;  // a picture's alternative text
  bool operator==(const ChapterBlock&) const = default;
};

struct Novel {
  std::string id;  // "1021", or "big/N" for a generated long novel
  std::string name;
  std::string author;
  std::string intro;
  bool utf8 = false;            // served in UTF-8 under the site's second name, else in GBK
  std::string path;             // table of contents, e.g. "/book/1021/"
  int pageOffset = 0;           // chapter k lives at path + (pageOffset + k) + ".html"
  bool arabicNumerals = false;  // "第12章" instead of "第十二章" in generated names
  int initialChapters = 0;
  std::vector<Volume> volumes;
  std::vector<std::string> chapterNames;  // the first chapters; later ones are generated
  std::map<int, std::vector<ChapterBlock>> pictures;  // chapter → pictures placed in its body
  Cast cast;
};

// The three novels of the site, in the order the index lists them.
const std::vector<Novel>& demoNovels();
const Novel* findDemoNovel(std::string_view id);
// A generated long novel of `chapters` chapters (1 to kMaxBigChapters) at "/big/N/".
inline constexpr int kMaxBigChapters = 2000;
std::optional<Novel> bigNovel(int chapters);

std::string chineseNumber(int n);

std::string chapterName(const Novel& novel, int k);
// The volume heading the chapter stands under; empty when it stands under none.
std::string volumeOf(const Novel& novel, int k);
std::string chapterFile(const Novel& novel, int k);  // "2301.html"
std::string chapterPath(const Novel& novel, int k);  // "/book/1021/2301.html"
// The chapter a file name of the novel's directory stands for, if any, up to `count`.
std::optional<int> chapterOfFile(const Novel& novel, std::string_view file, int count);
std::vector<ChapterBlock> chapterBody(const Novel& novel, int k);

// Pages as UTF-8 text with CR LF line ends; the site encodes GBK pages on the way out.
// `count` is the number of chapters published so far.
std::string renderToc(const Novel& novel, int count);
std::string renderChapter(const Novel& novel, int k, int count);
// `secondHost` is the address of the site's second name ("localhost:PORT").
std::string renderIndex(const std::vector<std::pair<const Novel*, int>>& novels,
                        std::string_view secondHost);
// Search results of the GBK site (byTitle false: by author) and of the UTF-8 site.
std::string renderSearch(const std::vector<std::pair<const Novel*, int>>& novels,
                         std::string_view keyword, bool byTitle, bool utf8Site);

// Characters the GBK pages write as numeric character references, as real sites do with
// characters their templates mistrust.
inline constexpr std::u32string_view kReferencedCharacters = U"灯夜中";
// Advertising the GBK chapter pages carry inside their text.
inline constexpr std::string_view kInlineAd = "（天才一秒记住本站：墨舟演示书屋）";
inline constexpr std::string_view kClosingAd =
    "墨舟演示书屋提醒您：本书最新章节请到目录页查看，手机阅读更方便。";
inline constexpr std::string_view kUtf8Promo =
    "喜欢这本书？在墨舟演示书屋新版收藏本书，更新第一时间送达。";

}  // namespace mozhou::demo
