#include "demo/demo_site.h"

#include <httplib.h>
#include <sys/socket.h>

#include "demo/demo_pictures.h"
#include "text/codec.h"
#include "text/strings.h"
#include "text/utf8.h"

namespace mozhou::demo {
namespace {

constexpr std::string_view kGbkHtml = "text/html; charset=gbk";
constexpr std::string_view kUtf8Html = "text/html; charset=utf-8";
constexpr std::string_view kPlain = "text/plain; charset=utf-8";

std::string param(const std::multimap<std::string, std::string>& q, const std::string& name) {
  auto it = q.find(name);
  return it == q.end() ? std::string() : it->second;
}

// A keyword arrives percent-encoded in UTF-8 from most clients, but a GBK site also gets raw
// GBK bytes; text that is not UTF-8 is read as GBK.
std::string keywordText(const std::string& raw) {
  return text::isValidUtf8(raw) ? raw : text::fromLegacy(raw);
}

DemoResponse page(bool utf8, std::string html, RequestKind kind) {
  DemoResponse r;
  r.kind = kind;
  r.contentType = std::string(utf8 ? kUtf8Html : kGbkHtml);
  r.body = utf8 ? std::move(html) : text::toLegacy(html);
  return r;
}

DemoResponse plain(int status, std::string body, RequestKind kind) {
  DemoResponse r;
  r.status = status;
  r.kind = kind;
  r.contentType = std::string(kPlain);
  r.body = std::move(body);
  return r;
}

DemoResponse notFound(RequestKind kind) { return plain(404, "not found\n", kind); }

}  // namespace

std::string_view requestKindName(RequestKind kind) {
  switch (kind) {
    case RequestKind::TableOfContents:
      return "toc";
    case RequestKind::Chapter:
      return "chapter";
    case RequestKind::Picture:
      return "picture";
    case RequestKind::Search:
      return "search";
    case RequestKind::Control:
      return "control";
    case RequestKind::Other:
      break;
  }
  return "other";
}

DemoSite::DemoSite() = default;

DemoSite::~DemoSite() { stop(); }

bool DemoSite::start(int port) {
  if (server_) return false;
  auto server = std::make_unique<httplib::Server>();
  auto handler = [this](const httplib::Request& req, httplib::Response& res) {
    DemoResponse r = respond(req.path, req.params);
    res.status = r.status;
    res.set_content(r.body, r.contentType.c_str());
  };
  // The library's default also sets SO_REUSEPORT, which lets a second site listen on a busy
  // port and take half of the first one's requests; address reuse alone only skips TIME_WAIT.
  server->set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server->Get(".*", handler);
  server->Post(".*", handler);
  int bound = -1;
  if (port == 0) {
    bound = server->bind_to_any_port("127.0.0.1");
  } else if (port > 0 && port < 65536 && server->bind_to_port("127.0.0.1", port)) {
    bound = port;
  }
  if (bound <= 0) return false;
  {
    std::lock_guard lock(mutex_);
    stopping_ = false;
  }
  port_ = bound;
  server_ = std::move(server);
  auto finished = std::make_shared<std::atomic<bool>>(false);
  thread_ = std::thread([s = server_.get(), finished] {
    s->listen_after_bind();
    *finished = true;
  });
  // stop() only reaches a server whose accept loop has begun.
  while (!server_->is_running() && !*finished)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (server_->is_running()) return true;
  thread_.join();
  server_.reset();
  return false;
}

void DemoSite::stop() {
  if (!server_) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  server_->stop();
  if (thread_.joinable()) thread_.join();
  server_.reset();
}

bool DemoSite::running() const { return server_ && server_->is_running(); }

int DemoSite::port() const { return port_; }

std::string DemoSite::hostPort() const { return "127.0.0.1:" + std::to_string(port_); }

std::string DemoSite::secondHostPort() const { return "localhost:" + std::to_string(port_); }

std::string DemoSite::address(std::string_view path) const {
  const bool second = path.starts_with("/utf8/");
  return "http://" + (second ? secondHostPort() : hostPort()) + std::string(path);
}

std::optional<std::pair<Novel, int>> DemoSite::novelAndCount(std::string_view id) const {
  if (id.starts_with("big/")) {
    long long n = 0;
    if (!text::parseInt(id.substr(4), n) || n < 1 || n > kMaxBigChapters) return std::nullopt;
    auto big = bigNovel(static_cast<int>(n));
    if (!big) return std::nullopt;
    const int count = big->initialChapters;
    return std::pair{std::move(*big), count};
  }
  const Novel* novel = findDemoNovel(id);
  if (!novel) return std::nullopt;
  std::lock_guard lock(mutex_);
  auto it = published_.find(id);
  return std::pair{*novel, novel->initialChapters + (it == published_.end() ? 0 : it->second)};
}

std::vector<std::pair<const Novel*, int>> DemoSite::currentNovels() const {
  std::vector<std::pair<const Novel*, int>> out;
  std::lock_guard lock(mutex_);
  for (const Novel& n : demoNovels()) {
    auto it = published_.find(n.id);
    out.emplace_back(&n, n.initialChapters + (it == published_.end() ? 0 : it->second));
  }
  return out;
}

std::vector<NovelListing> DemoSite::novels() const {
  std::vector<NovelListing> out;
  for (const Novel& n : demoNovels())
    if (auto listing = novel(n.id)) out.push_back(std::move(*listing));
  return out;
}

std::optional<NovelListing> DemoSite::novel(std::string_view id) const {
  auto found = novelAndCount(id);
  if (!found) return std::nullopt;
  const Novel& n = found->first;
  return NovelListing{n.id, n.name, n.author, address(n.path), found->second, n.utf8};
}

std::string DemoSite::bigTocAddress(int chapters) const {
  return address("/big/" + std::to_string(chapters) + "/");
}

std::vector<ChapterListing> DemoSite::chapters(std::string_view id) const {
  std::vector<ChapterListing> out;
  auto found = novelAndCount(id);
  if (!found) return out;
  const Novel& n = found->first;
  for (int k = 1; k <= found->second; ++k)
    out.push_back({k, chapterName(n, k), volumeOf(n, k), address(chapterPath(n, k))});
  return out;
}

std::vector<ChapterBlock> DemoSite::chapterBody(std::string_view id, int number) const {
  auto found = novelAndCount(id);
  if (!found || number < 1 || number > found->second) return {};
  return demo::chapterBody(found->first, number);
}

int DemoSite::publishChapter(std::string_view id) {
  const Novel* novel = findDemoNovel(id);
  if (!novel) return 0;
  std::lock_guard lock(mutex_);
  auto it = published_.find(id);
  if (it == published_.end()) it = published_.emplace(std::string(id), 0).first;
  return novel->initialChapters + ++it->second;
}

void DemoSite::setFailing(std::string_view path, bool failing) {
  std::lock_guard lock(mutex_);
  if (failing) {
    failing_.emplace(path);
  } else if (auto it = failing_.find(path); it != failing_.end()) {
    failing_.erase(it);
  }
}

bool DemoSite::setChapterFailing(std::string_view id, int number, bool failing) {
  auto found = novelAndCount(id);
  if (!found || number < 1) return false;
  setFailing(chapterPath(found->first, number), failing);
  return true;
}

void DemoSite::setChapterDelay(std::chrono::milliseconds delay) {
  {
    std::lock_guard lock(mutex_);
    delay_ = delay;
  }
  wake_.notify_all();
}

std::uint64_t DemoSite::requests(RequestKind kind) const {
  return counters_[static_cast<std::size_t>(kind)].load();
}

void DemoSite::reset() {
  std::lock_guard lock(mutex_);
  published_.clear();
  failing_.clear();
  delay_ = std::chrono::milliseconds(0);
  for (auto& c : counters_) c = 0;
  wake_.notify_all();
}

void DemoSite::holdChapter() {
  const auto arrival = std::chrono::steady_clock::now();
  std::unique_lock lock(mutex_);
  // The delay is read again whenever it changes, so lowering it releases held requests.
  while (!stopping_ && std::chrono::steady_clock::now() < arrival + delay_)
    wake_.wait_until(lock, arrival + delay_);
}

DemoResponse DemoSite::control(std::string_view path,
                               const std::multimap<std::string, std::string>& q) {
  constexpr RequestKind kind = RequestKind::Control;
  const std::string_view what = path.substr(std::string_view("/_demo/").size());
  if (what == "publish") {
    const std::string id = param(q, "book");
    const int k = publishChapter(id);
    if (k == 0) return plain(404, "unknown novel\n", kind);
    return plain(200, id + " " + std::to_string(k) + "\n", kind);
  }
  if (what == "fail") {
    const bool on = param(q, "on") != "0";
    const std::string target = param(q, "path");
    if (!target.empty()) {
      setFailing(target, on);
      return plain(200, "ok\n", kind);
    }
    long long number = 0;
    if (!text::parseInt(param(q, "chapter"), number) ||
        !setChapterFailing(param(q, "book"), static_cast<int>(number), on))
      return plain(400, "give path=PATH, or book=ID and chapter=N\n", kind);
    return plain(200, "ok\n", kind);
  }
  if (what == "delay") {
    long long ms = 0;
    if (!text::parseInt(param(q, "ms"), ms) || ms < 0 || ms > 600000)
      return plain(400, "give ms=0 to 600000\n", kind);
    setChapterDelay(std::chrono::milliseconds(ms));
    return plain(200, "ok\n", kind);
  }
  if (what == "counters") {
    std::string body;
    for (std::size_t i = 0; i < kRequestKinds; ++i) {
      const auto k = static_cast<RequestKind>(i);
      body += std::string(requestKindName(k)) + " " + std::to_string(requests(k)) + "\n";
    }
    return plain(200, body, kind);
  }
  if (what == "reset") {
    reset();
    return plain(200, "ok\n", kind);
  }
  if (what == "novels") {
    std::string body;
    for (const NovelListing& n : novels())
      body += n.name + "\t" + n.tocAddress + "\t" + std::to_string(n.chapters) + "\n";
    return plain(200, body, kind);
  }
  return notFound(kind);
}

DemoResponse DemoSite::respond(std::string_view path,
                               const std::multimap<std::string, std::string>& query) {
  if (path.starts_with("/_demo/")) {
    ++counters_[static_cast<std::size_t>(RequestKind::Control)];
    return control(path, query);
  }

  // Find what the path names and its kind; the page itself is made after the failure check.
  RequestKind kind = RequestKind::Other;
  std::optional<std::pair<Novel, int>> book;
  std::optional<int> chapter;
  auto inNovel = [&](std::string_view id, std::string_view dir) {
    if (!path.starts_with(dir)) return false;
    const std::string_view rest = path.substr(dir.size());
    if (rest.empty() || rest == "index.html") {
      kind = RequestKind::TableOfContents;
    } else if (rest.ends_with(".html")) {
      kind = RequestKind::Chapter;
    } else {
      return true;
    }
    book = novelAndCount(id);
    if (book && kind == RequestKind::Chapter) {
      chapter = chapterOfFile(book->first, rest, book->second);
      if (!chapter) book.reset();
    }
    return true;
  };
  bool matched = false;
  for (const Novel& n : demoNovels())
    if ((matched = inNovel(n.id, n.path))) break;
  if (!matched && path.starts_with("/big/")) {
    const std::size_t slash = path.find('/', 5);
    if (slash != std::string_view::npos) {
      const std::string id = "big/" + std::string(path.substr(5, slash - 5));
      matched = inNovel(id, path.substr(0, slash + 1));
    }
  }
  if (!matched) {
    if (path.starts_with("/pic/")) {
      kind = RequestKind::Picture;
    } else if (path == "/search" || path == "/utf8/search") {
      kind = RequestKind::Search;
    }
  }
  ++counters_[static_cast<std::size_t>(kind)];

  if (kind == RequestKind::Chapter) holdChapter();
  {
    std::lock_guard lock(mutex_);
    if (failing_.contains(path)) return plain(500, "server error\n", kind);
  }

  switch (kind) {
    case RequestKind::TableOfContents:
      if (!book) return notFound(kind);
      return page(book->first.utf8, renderToc(book->first, book->second), kind);
    case RequestKind::Chapter: {
      if (!book) return notFound(kind);
      return page(book->first.utf8, renderChapter(book->first, *chapter, book->second), kind);
    }
    case RequestKind::Picture: {
      auto picture = pictureAt(path);
      if (!picture) return notFound(kind);
      DemoResponse r;
      r.kind = kind;
      r.contentType = picture->contentType;
      r.body = std::move(picture->bytes);
      return r;
    }
    case RequestKind::Search: {
      const bool utf8Site = path == "/utf8/search";
      const auto list = currentNovels();
      const std::string keyword = keywordText(param(query, utf8Site ? "q" : "kw"));
      const bool byTitle = utf8Site ? param(query, "by") != "author" : param(query, "t") != "2";
      return page(utf8Site, renderSearch(list, keyword, byTitle, utf8Site), kind);
    }
    case RequestKind::Control:
    case RequestKind::Other:
      break;
  }
  if (path == "/" || path == "/index.html") {
    return page(false, renderIndex(currentNovels(), secondHostPort()), kind);
  }
  return notFound(kind);
}

}  // namespace mozhou::demo
