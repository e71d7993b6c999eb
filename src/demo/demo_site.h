#pragma once
// A small novel website on 127.0.0.1 for the demo and the end-to-end tests, running on a
// background thread. GBK pages under "/book/<id>/", a UTF-8 novel under "/utf8/book/<id>/"
// meant to be reached through the site's second name "localhost" (so that it has a site key
// of its own), generated long novels under "/big/<N>/", pictures under "/pic/", searches at
// "/search" (GBK) and "/utf8/search", and controls for tests under "/_demo/".
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "demo/demo_content.h"

namespace httplib {
class Server;
}

namespace mozhou::demo {

inline constexpr int kDefaultPort = 8611;

enum class RequestKind { TableOfContents, Chapter, Picture, Search, Control, Other };
inline constexpr std::size_t kRequestKinds = 6;
std::string_view requestKindName(RequestKind kind);

struct NovelListing {
  std::string id;
  std::string name;
  std::string author;
  std::string tocAddress;
  int chapters = 0;
  bool utf8 = false;
};

struct ChapterListing {
  int number = 0;
  std::string name;
  std::string volume;  // empty when the chapter stands under no volume heading
  std::string address;
};

// What the site answers to one request, before it goes on the wire.
struct DemoResponse {
  int status = 200;
  std::string contentType;
  std::string body;  // bytes as sent (GBK pages already encoded)
  RequestKind kind = RequestKind::Other;
};

class DemoSite {
 public:
  DemoSite();
  ~DemoSite();
  DemoSite(const DemoSite&) = delete;
  DemoSite& operator=(const DemoSite&) = delete;

  // Listens on 127.0.0.1:port (0: a free port). False when the port cannot be bound or the
  // site is already running.
  bool start(int port = kDefaultPort);
  // Stops listening and waits for the server thread; requests held by the delay end at once.
  void stop();
  bool running() const;
  int port() const;  // the bound port; kDefaultPort before start

  std::string hostPort() const;        // "127.0.0.1:PORT"
  std::string secondHostPort() const;  // "localhost:PORT"
  // The absolute address of a path of the site, under the name the path belongs to.
  std::string address(std::string_view path) const;

  std::vector<NovelListing> novels() const;
  std::optional<NovelListing> novel(std::string_view id) const;
  std::string bigTocAddress(int chapters) const;
  // Chapters as the full list of the table of contents shows them, in reading order.
  // `id` is a novel's id or "big/N".
  std::vector<ChapterListing> chapters(std::string_view id) const;
  std::vector<ChapterBlock> chapterBody(std::string_view id, int number) const;

  // Controls. publishChapter returns the number of the new chapter, 0 for an unknown novel
  // (generated long novels do not grow).
  int publishChapter(std::string_view id);
  // Any path of the site (e.g. a chapter's "/book/1021/2303.html") answers 500 while failing.
  void setFailing(std::string_view path, bool failing);
  bool setChapterFailing(std::string_view id, int number, bool failing);
  void setChapterDelay(std::chrono::milliseconds delay);
  // Every request received since the start or the last reset, by kind.
  std::uint64_t requests(RequestKind kind) const;
  // Chapters back to their first number, no failures, no delay, counters at zero.
  void reset();

  // The answer to a GET of `path` with its decoded query parameters; counts the request.
  DemoResponse respond(std::string_view path, const std::multimap<std::string, std::string>& query);

 private:
  std::optional<std::pair<Novel, int>> novelAndCount(std::string_view id) const;
  // The site's novels with the number of chapters each has now.
  std::vector<std::pair<const Novel*, int>> currentNovels() const;
  DemoResponse control(std::string_view path, const std::multimap<std::string, std::string>& q);
  void holdChapter();

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::map<std::string, int, std::less<>> published_;  // novel id → chapters beyond the first
  std::set<std::string, std::less<>> failing_;
  std::chrono::milliseconds delay_{0};
  std::array<std::atomic<std::uint64_t>, kRequestKinds> counters_{};

  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  std::atomic<int> port_{kDefaultPort};
};

}  // namespace mozhou::demo
