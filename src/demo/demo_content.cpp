#include "demo/demo_content.h"

#include <algorithm>
#include <cstdint>

#include "text/strings.h"
#include "text/utf8.h"

namespace mozhou::demo {
namespace {

// Sentences the chapter texts are made of. {a} is the hero, {b} the companion, {p} a place
// and {o} a thing of the novel's cast.
constexpr std::string_view kSentences[] = {
    "{a}推开{p}的木门，屋里还留着一盏没熄的灯。",
    "风从{p}那头吹过来，带着潮湿的泥土味。",
    "“你又来晚了。”{b}头也不抬地说。",
    "{a}把{o}放在桌上，轻轻叹了一口气。",
    "远处传来几声犬吠，夜色一点点沉了下去。",
    "{b}笑了笑，说这世上没有白走的路。",
    "{a}想起很多年前的一个傍晚，也是这样安静。",
    "“明天还要赶路，早些歇着吧。”{b}说。",
    "雨点敲在瓦上，像有人在屋顶上来回踱步。",
    "{a}没有回答，只是把{o}又握紧了一些。",
    "{p}的街口站着一个卖糖人的老人，摊子前围满了孩子。",
    "{b}从怀里摸出一张泛黄的纸，上面画着弯弯曲曲的线。",
    "天边亮起一道细细的光，照在{a}的肩上。",
    "没有人知道{o}是从哪里来的，连{b}也说不清。",
    "{a}在心里默默数着步子，一共是九十九级台阶。",
    "“这条路我走过很多次，”{b}说，“可每一次看到的都不一样。”",
    "炉子上的水开了，白气一团一团地往上冒。",
    "{a}忽然停下脚步，侧耳听着风里细碎的声音。",
    "{p}比想象中还要冷清，只有檐下的铃铛偶尔响一声。",
    "{b}把灯芯挑亮，火苗跳了两下，又稳了下来。",
    "他们沿着河岸往前走，谁也没有先开口。",
    "{a}低声说了句谢谢，声音小得几乎听不见。",
    "墙上挂着一幅旧画，画里的人似乎正看着门口。",
    "夜里起了雾，{p}的轮廓渐渐模糊起来。",
    "“别怕，”{a}说，“天总会亮的。”",
    "{o}在月光下泛着淡淡的青色。",
    "{b}数了数剩下的铜钱，正好够买两碗热汤。",
    "一只灰雀落在窗台上，歪着头打量屋里的人。",
    "{a}站在雨中，看着{p}的灯一盏一盏亮起来。",
    "{b}说起{p}的旧事，说到一半又停住了。",
};

// Halves of the names of generated chapters.
constexpr std::string_view kTitleHeads[] = {"夜", "雨", "灯", "山", "河",
                                            "雾", "雪", "风", "月", "潮"};
constexpr std::string_view kTitleTails[] = {"中来信", "下长谈", "边小驻", "前旧事", "后初晴",
                                            "里寻人", "上归途", "外孤帆", "间夜话", "畔重逢"};

struct Rng {
  std::uint64_t state;
  std::uint32_t next() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state >> 33);
  }
  std::size_t below(std::size_t n) { return next() % n; }
};

std::uint64_t seedOf(std::string_view id, int k, std::uint64_t salt) {
  std::uint64_t h = 1469598103934665603ULL;
  for (unsigned char c : id) h = (h ^ c) * 1099511628211ULL;
  h ^= static_cast<std::uint64_t>(k) * 0x9E3779B97F4A7C15ULL;
  h ^= salt;
  Rng r{h};
  r.next();
  return r.state;
}

std::vector<Novel> makeNovels() {
  std::vector<Novel> novels;

  Novel lamp;
  lamp.id = "1021";
  lamp.name = "云岭拾灯记";
  lamp.author = "林未央";
  lamp.intro =
      "云岭镇有一间只在雨夜开门的旧灯铺。少年沈砚接过一本残缺的灯谱，从此走上一条寻灯的长路。";
  lamp.path = "/book/1021/";
  lamp.pageOffset = 2300;
  lamp.volumes = {{"第一卷　山门初开", 1}, {"第二卷　灯火长街", 5}, {"第三卷　雪夜归舟", 8}};
  lamp.chapterNames = {"第一章 雨夜来客",   "第二章 旧灯铺",   "第三章 山门石阶",
                       "第四章 灯谱与地图", "第五章 长街夜市", "第六章 阿婆说'明天见'",
                       "第七章 灯火不眠",   "第八章 雪落江心", "第九章 归舟"};
  lamp.initialChapters = 9;
  lamp.pictures[4] = {{true, "/pic/1021/lamp.png", "灯谱"},
                      {true, "/pic/1021/map.gif", "云岭地图"},
                      {true, "/pic/1021/lamp.png", "灯谱"}};
  lamp.cast = {"沈砚", "小满", {"云岭镇", "旧灯铺", "山门", "长街"}, {"铜灯", "灯谱", "油纸伞"}};
  novels.push_back(std::move(lamp));

  Novel tide;
  tide.id = "1022";
  tide.name = "潮汐之城";
  tide.author = "苏晚舟";
  tide.intro =
      "一座每天被海水淹没两次的城。守灯塔的少年阿潮，在退潮后的淤泥里捡到一张写给未来的船票。";
  tide.path = "/book/1022/";
  tide.pageOffset = 4400;
  tide.chapterNames = {"第一章 退潮之后",     "第二章 灯塔守夜人", "第三章 盐田上的风",
                       "第四章 \"海雾\"来了", "第五章 旧码头",     "第六章 涨潮时分",
                       "第七章 城中的钟声"};
  tide.initialChapters = 7;
  tide.cast = {"阿潮", "许伯", {"潮汐城", "旧码头", "灯塔", "盐田"}, {"船票", "罗盘", "贝壳"}};
  novels.push_back(std::move(tide));

  Novel post;
  post.id = "2001";
  post.name = "星河邮差";
  post.author = "顾行远";
  post.intro = "最后一艘邮船在星港之间往返，邮差陆川要把一封没有地址的信，送到它该去的地方。";
  post.utf8 = true;
  post.path = "/utf8/book/2001/";
  post.arabicNumerals = true;
  post.volumes = {{"卷一 · 启程", 1}, {"卷二 · 远站", 4}};
  post.chapterNames = {"第1章 最后一班邮船", "第2章 没有地址的信", "第3章 月面驿站",
                       "第4章 星图残页",     "第5章 远站来电",     "第6章 回信"};
  post.initialChapters = 6;
  post.cast = {"陆川", "宁宁", {"月面驿站", "邮船", "远站", "星港"}, {"信封", "星图", "旧邮包"}};
  novels.push_back(std::move(post));
  return novels;
}

std::string fillSentence(std::string_view sentence, const Cast& cast, Rng& rng) {
  std::string s(sentence);
  s = text::replaceAll(s, "{a}", cast.hero);
  s = text::replaceAll(s, "{b}", cast.companion);
  s = text::replaceAll(s, "{p}", cast.places[rng.below(cast.places.size())]);
  s = text::replaceAll(s, "{o}", cast.things[rng.below(cast.things.size())]);
  return s;
}

// Paragraph text as a GBK page writes it: curly quotes as entities, a few characters as
// decimal references.
std::string gbkMarkup(std::string_view plain) {
  std::string out;
  std::size_t pos = 0;
  while (pos < plain.size()) {
    const std::size_t start = pos;
    const char32_t cp = text::decodeUtf8(plain, pos);
    if (cp == U'“') {
      out += "&ldquo;";
    } else if (cp == U'”') {
      out += "&rdquo;";
    } else if (kReferencedCharacters.find(cp) != std::u32string_view::npos) {
      out += "&#" + std::to_string(static_cast<std::uint32_t>(cp)) + ";";
    } else {
      out.append(plain.substr(start, pos - start));
    }
  }
  return out;
}

std::string latestLinkPath(const Novel& novel, int count) {
  return count > 0 ? chapterPath(novel, count) : novel.path;
}

std::string renderGbkToc(const Novel& novel, int count) {
  std::string h;
  auto line = [&h](std::string_view s) {
    h += s;
    h += "\r\n";
  };
  line("<!DOCTYPE html>");
  line("<html>");
  line("<head>");
  line("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\" />");
  line("<title>" + novel.name + "最新章节_" + novel.name + "全文阅读_墨舟演示书屋</title>");
  line("<link rel=\"stylesheet\" type=\"text/css\" href=\"/css/reader.css\" />");
  line("</head>");
  line("<body>");
  line("<div class=\"nav\"><a href=\"/\">墨舟演示书屋</a>&nbsp;&gt;&nbsp;<a href=\"" + novel.path +
       "\">" + novel.name + "</a></div>");
  line("<div id=\"info\">");
  line("<h1>" + novel.name + "</h1>");
  line("<p>作&nbsp;&nbsp;&nbsp;&nbsp;者：" + novel.author + "</p>");
  line("<p>状&nbsp;&nbsp;&nbsp;&nbsp;态：连载中&nbsp;&nbsp;&nbsp;&nbsp;共" + std::to_string(count) +
       "章</p>");
  if (count > 0)
    line("<p>最新章节：<a href=\"" + chapterFile(novel, count) + "\">" + chapterName(novel, count) +
         "</a></p>");
  line("</div>");
  line("<div id=\"intro\">&nbsp;&nbsp;&nbsp;&nbsp;" + novel.intro + "</div>");

  // The newest chapters, newest first, in the same cells as the full list below.
  constexpr int kLatest = 6;
  constexpr int kColumns = 3;
  line("<div id=\"latest\">");
  line("<h2>《" + novel.name + "》最新章节</h2>");
  line("<table class=\"css\" id=\"zuixin\" cellspacing=\"1\" cellpadding=\"0\">");
  int inRow = 0;
  for (int k = count; k >= 1 && k > count - kLatest; --k) {
    if (inRow == 0) line("<tr>");
    line("<td class=\"ccss\"><a href=\"" + chapterFile(novel, k) + "\">" + chapterName(novel, k) +
         "</a></td>");
    if (++inRow == kColumns) {
      line("</tr>");
      inRow = 0;
    }
  }
  auto closeRow = [&]() {
    if (inRow == 0) return;
    for (; inRow < kColumns; ++inRow) line("<td class=\"ccss\">&nbsp;</td>");
    line("</tr>");
    inRow = 0;
  };
  closeRow();
  line("</table>");
  line("</div>");

  line("<div id=\"list\">");
  line("<h2>《" + novel.name + "》全部章节</h2>");
  line("<table class=\"css\" id=\"at\" cellspacing=\"1\" cellpadding=\"0\">");
  for (int k = 1; k <= count; ++k) {
    for (const Volume& v : novel.volumes) {
      if (v.firstChapter != k) continue;
      closeRow();
      line("<tr><td class=\"vcss\" colspan=\"3\">" + v.name + "</td></tr>");
    }
    if (inRow == 0) line("<tr>");
    line("<td class=\"ccss\"><a href=\"" + chapterFile(novel, k) + "\">" + chapterName(novel, k) +
         "</a></td>");
    if (++inRow == kColumns) {
      line("</tr>");
      inRow = 0;
    }
  }
  closeRow();
  line("</table>");
  line("</div>");
  line("<div class=\"footer\">本站所有小说均为演示内容&nbsp;&nbsp;|&nbsp;&nbsp;墨舟演示书屋</div>");
  line("</body>");
  line("</html>");
  return h;
}

std::string renderUtf8Toc(const Novel& novel, int count) {
  std::string h;
  auto line = [&h](std::string_view s) {
    h += s;
    h += "\r\n";
  };
  auto item = [&](int k) {
    line("      <li><a href=\"" + chapterPath(novel, k) + "\">" + chapterName(novel, k) +
         "</a></li>");
  };
  line("<!doctype html>");
  line("<html lang=\"zh-CN\">");
  line("<head>");
  line("  <meta charset=\"utf-8\">");
  line("  <title>" + novel.name + " - " + novel.author + " - 墨舟演示书屋新版</title>");
  line("</head>");
  line("<body>");
  line("  <header class=\"site\"><a href=\"/utf8/\">墨舟演示书屋新版</a></header>");
  line("  <main>");
  line("    <section class=\"book-meta\">");
  line("      <h1 class=\"book-title\">" + novel.name + "</h1>");
  line("      <p class=\"author\">作者：" + novel.author + "</p>");
  line("      <p class=\"intro\">" + novel.intro + "</p>");
  line("    </section>");
  line("    <section class=\"recent\">");
  line("      <h2>最近更新</h2>");
  line("      <ul>");
  for (int k = count; k >= 1 && k > count - 3; --k) item(k);
  line("      </ul>");
  line("    </section>");
  line("    <section class=\"catalog\">");
  line("      <h2>全部章节</h2>");
  bool open = false;
  for (int k = 1; k <= count; ++k) {
    for (const Volume& v : novel.volumes) {
      if (v.firstChapter != k) continue;
      if (open) line("      </ul>");
      line("      <h3 class=\"volume\">" + v.name + "</h3>");
      line("      <ul>");
      open = true;
    }
    if (!open) {
      line("      <ul>");
      open = true;
    }
    item(k);
  }
  if (open) line("      </ul>");
  line("    </section>");
  line("  </main>");
  line("  <footer>墨舟演示书屋新版 · 所有内容均为演示</footer>");
  line("</body>");
  line("</html>");
  return h;
}

std::string neighbour(const Novel& novel, int k, int count) {
  if (k < 1 || k > count) return novel.utf8 ? novel.path : "./";
  return novel.utf8 ? chapterPath(novel, k) : chapterFile(novel, k);
}

std::string renderGbkChapter(const Novel& novel, int k, int count) {
  std::string h;
  auto line = [&h](std::string_view s) {
    h += s;
    h += "\r\n";
  };
  const std::string name = chapterName(novel, k);
  const std::string prev = neighbour(novel, k - 1, count);
  const std::string next = neighbour(novel, k + 1, count);
  line("<!DOCTYPE html>");
  line("<html>");
  line("<head>");
  line("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\" />");
  line("<title>" + name + "_" + novel.name + "_墨舟演示书屋</title>");
  line("<script type=\"text/javascript\">var preview_page = \"" + prev + "\";var next_page = \"" +
       next + "\";var index_page = \"./\";</script>");
  line("</head>");
  line("<body>");
  line("<div class=\"bookname\">");
  line("<h1>" + name + "</h1>");
  line("<div class=\"bottem1\"><a href=\"" + prev +
       "\">上一章</a> &larr; <a href=\"./\">章节目录</a> "
       "&rarr; <a href=\"" +
       next + "\">下一章</a></div>");
  line("</div>");
  std::string content = "<div id=\"content\"><script type=\"text/javascript\">ad_top();</script>";
  const std::vector<ChapterBlock> body = chapterBody(novel, k);
  int paragraph = 0;
  for (const ChapterBlock& b : body) {
    if (b.picture) {
      content += "<img src=\"" + b.text + "\" alt=\"" + b.alt + "\" />";
    } else {
      content += "&nbsp;&nbsp;&nbsp;&nbsp;" + gbkMarkup(b.text);
      if (++paragraph == 2) content += kInlineAd;
    }
    content += "<br />";
    line(content);
    content = "<br />";
  }
  content += "&nbsp;&nbsp;&nbsp;&nbsp;";
  content += kClosingAd;
  content += "</div>";
  line(content);
  line("<div class=\"bottem2\"><a href=\"" + prev +
       "\">上一章</a> &larr; <a href=\"./\">章节目录</a> "
       "&rarr; <a href=\"" +
       next + "\">下一章</a></div>");
  line("<script type=\"text/javascript\">ad_bottom();</script>");
  line("</body>");
  line("</html>");
  return h;
}

std::string renderUtf8Chapter(const Novel& novel, int k, int count) {
  std::string h;
  auto line = [&h](std::string_view s) {
    h += s;
    h += "\r\n";
  };
  const std::string name = chapterName(novel, k);
  line("<!doctype html>");
  line("<html lang=\"zh-CN\">");
  line("<head>");
  line("  <meta charset=\"utf-8\">");
  line("  <title>" + name + " - " + novel.name + " - 墨舟演示书屋新版</title>");
  line("</head>");
  line("<body>");
  line("  <article class=\"chapter\">");
  line("    <h1>" + name + "</h1>");
  line("    <div class=\"chapter-body\">");
  int paragraph = 0;
  for (const ChapterBlock& b : chapterBody(novel, k)) {
    if (b.picture) {
      line("      <p><img src=\"" + b.text + "\" alt=\"" + b.alt + "\"></p>");
    } else {
      line("      <p>" + b.text + "</p>");
    }
    if (++paragraph == 2) line("      <p class=\"promo\">" + std::string(kUtf8Promo) + "</p>");
  }
  line("    </div>");
  line("    <nav class=\"pager\"><a href=\"" + neighbour(novel, k - 1, count) +
       "\">上一章</a><a href=\"" + novel.path + "\">目录</a><a href=\"" +
       neighbour(novel, k + 1, count) + "\">下一章</a></nav>");
  line("  </article>");
  line("</body>");
  line("</html>");
  return h;
}

}  // namespace

const std::vector<Novel>& demoNovels() {
  static const std::vector<Novel> novels = makeNovels();
  return novels;
}

const Novel* findDemoNovel(std::string_view id) {
  for (const Novel& n : demoNovels())
    if (n.id == id) return &n;
  return nullptr;
}

std::optional<Novel> bigNovel(int chapters) {
  if (chapters < 1 || chapters > kMaxBigChapters) return std::nullopt;
  Novel n;
  n.id = "big/" + std::to_string(chapters);
  n.name = "千灯长卷";
  n.author = "墨舟";
  n.intro = "一部很长很长的书，用来看一看下载一千章要花多少工夫。";
  n.path = "/big/" + std::to_string(chapters) + "/";
  n.arabicNumerals = true;
  n.initialChapters = chapters;
  for (int v = 0; v * 100 < chapters; ++v)
    n.volumes.push_back({"第" + chineseNumber(v + 1) + "卷　" + std::string(kTitleHeads[v % 10]) +
                             std::string(kTitleTails[(v / 10) % 10]),
                         v * 100 + 1});
  n.cast = {"程远", "白露", {"千灯城", "北门", "渡口"}, {"木匣", "长卷", "钥匙"}};
  return n;
}

std::string chineseNumber(int n) {
  if (n <= 0 || n >= 10000) return std::to_string(n);
  static constexpr std::string_view digits[] = {"零", "一", "二", "三", "四",
                                                "五", "六", "七", "八", "九"};
  static constexpr std::string_view units[] = {"千", "百", "十", ""};
  const int parts[] = {n / 1000, n / 100 % 10, n / 10 % 10, n % 10};
  std::string out;
  bool pendingZero = false;
  for (int i = 0; i < 4; ++i) {
    if (parts[i] == 0) {
      if (!out.empty()) pendingZero = true;
      continue;
    }
    if (pendingZero) out += digits[0];
    pendingZero = false;
    out += digits[parts[i]];
    out += units[i];
  }
  // Ten to nineteen are read "十…", not "一十…".
  if (n >= 10 && n < 20) out.erase(0, digits[1].size());
  return out;
}

std::string chapterName(const Novel& novel, int k) {
  if (k >= 1 && static_cast<std::size_t>(k) <= novel.chapterNames.size())
    return novel.chapterNames[static_cast<std::size_t>(k - 1)];
  Rng rng{seedOf(novel.id, k, 0x71)};
  const std::string number = novel.arabicNumerals ? std::to_string(k) : chineseNumber(k);
  const std::size_t head = rng.below(10);
  const std::size_t tail = rng.below(10);
  return "第" + number + "章 " + std::string(kTitleHeads[head]) + std::string(kTitleTails[tail]);
}

std::string volumeOf(const Novel& novel, int k) {
  std::string name;
  for (const Volume& v : novel.volumes)
    if (v.firstChapter <= k) name = v.name;
  return name;
}

std::string chapterFile(const Novel& novel, int k) {
  return std::to_string(novel.pageOffset + k) + ".html";
}

std::string chapterPath(const Novel& novel, int k) { return novel.path + chapterFile(novel, k); }

std::optional<int> chapterOfFile(const Novel& novel, std::string_view file, int count) {
  if (!file.ends_with(".html")) return std::nullopt;
  file.remove_suffix(5);
  if (file.empty() || file.size() > 9 || file.front() == '0' ||
      !std::all_of(file.begin(), file.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  const int k = std::stoi(std::string(file)) - novel.pageOffset;
  if (k < 1 || k > count) return std::nullopt;
  return k;
}

std::vector<ChapterBlock> chapterBody(const Novel& novel, int k) {
  Rng rng{seedOf(novel.id, k, 0x5e)};
  const bool big = novel.id.starts_with("big/");
  const std::size_t paragraphs = big ? 3 : 4 + rng.below(3);
  std::vector<ChapterBlock> body;
  std::vector<ChapterBlock> pictures;
  if (auto it = novel.pictures.find(k); it != novel.pictures.end()) pictures = it->second;
  // Sentences are drawn without repetition, so no chapter says the same thing twice.
  std::vector<std::size_t> order(std::size(kSentences));
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  for (std::size_t i = order.size() - 1; i > 0; --i) std::swap(order[i], order[rng.below(i + 1)]);
  std::size_t next = 0;
  for (std::size_t p = 0; p < paragraphs; ++p) {
    std::string text;
    const std::size_t sentences = 2 + rng.below(2);
    for (std::size_t s = 0; s < sentences; ++s)
      text += fillSentence(kSentences[order[next++ % order.size()]], novel.cast, rng);
    body.push_back({false, text, {}});
    // Pictures stand between paragraphs, one after each of the first paragraphs.
    if (p < pictures.size()) body.push_back(pictures[p]);
  }
  for (std::size_t p = paragraphs; p < pictures.size(); ++p) body.push_back(pictures[p]);
  return body;
}

std::string renderToc(const Novel& novel, int count) {
  return novel.utf8 ? renderUtf8Toc(novel, count) : renderGbkToc(novel, count);
}

std::string renderChapter(const Novel& novel, int k, int count) {
  return novel.utf8 ? renderUtf8Chapter(novel, k, count) : renderGbkChapter(novel, k, count);
}

std::string renderIndex(const std::vector<std::pair<const Novel*, int>>& novels,
                        std::string_view secondHost) {
  std::string h;
  auto line = [&h](std::string_view s) {
    h += s;
    h += "\r\n";
  };
  line("<!DOCTYPE html>");
  line("<html>");
  line("<head>");
  line("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\" />");
  line("<title>墨舟演示书屋</title>");
  line("</head>");
  line("<body>");
  line("<h1>墨舟演示书屋</h1>");
  line("<p>本站的小说、作者和章节都是为演示与测试编写的，内容纯属虚构。</p>");
  line(
      "<form action=\"/search\" method=\"get\"><input type=\"text\" name=\"kw\" />"
      "<select name=\"t\"><option value=\"1\">书名</option><option value=\"2\">作者</option>"
      "</select><input type=\"submit\" value=\"搜索\" /></form>");
  line("<ul>");
  for (const auto& [novel, count] : novels) {
    const std::string link =
        novel->utf8 ? "http://" + std::string(secondHost) + novel->path : novel->path;
    line("<li><a href=\"" + link + "\">" + novel->name + "</a>&nbsp;&nbsp;" + novel->author +
         "&nbsp;&nbsp;共" + std::to_string(count) + "章" + (novel->utf8 ? "（UTF-8 新版）" : "") +
         "</li>");
  }
  line("<li><a href=\"/big/1000/\">千灯长卷（一千章）</a></li>");
  line("</ul>");
  line("</body>");
  line("</html>");
  return h;
}

std::string renderSearch(const std::vector<std::pair<const Novel*, int>>& novels,
                         std::string_view keyword, bool byTitle, bool utf8Site) {
  std::vector<std::pair<const Novel*, int>> found;
  if (!keyword.empty())
    for (const auto& entry : novels) {
      const Novel& n = *entry.first;
      if (n.utf8 != utf8Site) continue;
      const std::string& field = byTitle ? n.name : n.author;
      if (field.find(keyword) != std::string::npos) found.push_back(entry);
    }
  std::string h;
  auto line = [&h](std::string_view s) {
    h += s;
    h += "\r\n";
  };
  if (utf8Site) {
    line("<!doctype html>");
    line("<html lang=\"zh-CN\">");
    line("<head><meta charset=\"utf-8\"><title>搜索 - 墨舟演示书屋新版</title></head>");
    line("<body>");
    line("  <p class=\"summary\">找到 " + std::to_string(found.size()) + " 本书</p>");
    line("  <ul class=\"results\">");
    for (const auto& [n, count] : found)
      line("    <li class=\"result\"><a class=\"title\" href=\"" + n->path + "\">" + n->name +
           "</a><span class=\"author\">" + n->author + "</span><a class=\"latest\" href=\"" +
           latestLinkPath(*n, count) + "\">" + (count > 0 ? chapterName(*n, count) : "") +
           "</a></li>");
    line("  </ul>");
    line("</body>");
    line("</html>");
    return h;
  }
  line("<!DOCTYPE html>");
  line("<html>");
  line("<head>");
  line("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\" />");
  line("<title>搜索结果_墨舟演示书屋</title>");
  line("</head>");
  line("<body>");
  line("<div class=\"summary\">搜索“" + std::string(keyword) + "”，共找到 " +
       std::to_string(found.size()) + " 条结果</div>");
  line("<table class=\"grid\" width=\"100%\" align=\"center\">");
  line("<tr><th>文章名称</th><th>最新章节</th><th>作者</th><th>状态</th></tr>");
  for (const auto& [n, count] : found)
    line("<tr><td class=\"odd\"><a href=\"" + n->path + "\">" + n->name +
         "</a></td><td class=\"even\"><a href=\"" + latestLinkPath(*n, count) +
         "\" target=\"_blank\">" + (count > 0 ? chapterName(*n, count) : "") +
         "</a></td><td class=\"odd\">" + n->author +
         "</td><td class=\"even\" align=\"center\">连载中</td></tr>");
  line("</table>");
  line("</body>");
  line("</html>");
  return h;
}

}  // namespace mozhou::demo
