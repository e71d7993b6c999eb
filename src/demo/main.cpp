// mozhou-demo-site [--port N] [--list]: the demo novel website on 127.0.0.1.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "demo/demo_site.h"
#include "text/strings.h"

namespace {

constexpr const char* kUsage =
    "usage: mozhou-demo-site [--port N] [--list]\n"
    "\n"
    "Serves the demo novel website on 127.0.0.1 (default port 8611) until interrupted.\n"
    "The UTF-8 novel is addressed through the site's second name, localhost.\n"
    "  --port N   listen on port N (0: any free port)\n"
    "  --list     print each novel's name, table-of-contents address and chapter count,\n"
    "             tab-separated, and exit\n"
    "\n"
    "Also served: /big/N/ (a generated novel of N chapters, N up to 2000), /search?kw=...&t=1|2,\n"
    "/utf8/search?q=...&by=title|author, and for tests /_demo/publish?book=ID,\n"
    "/_demo/fail?path=PATH&on=1|0, /_demo/delay?ms=N, /_demo/counters, /_demo/reset.\n";

}  // namespace

int main(int argc, char** argv) {
  int port = mozhou::demo::kDefaultPort;
  bool list = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
      long long n = 0;
      if (!mozhou::text::parseInt(argv[++i], n) || n < 0 || n > 65535) {
        std::fprintf(stderr, "mozhou-demo-site: bad port %s\n", argv[i]);
        return 2;
      }
      port = static_cast<int>(n);
    } else if (std::strcmp(argv[i], "--list") == 0) {
      list = true;
    } else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    } else {
      std::fprintf(stderr, "mozhou-demo-site: unknown argument %s\n%s", argv[i], kUsage);
      return 2;
    }
  }

  mozhou::demo::DemoSite site;
  if (list) {
    // The addresses the site has on that port; nothing is started.
    if (port == 0) {
      std::fprintf(stderr, "mozhou-demo-site: --list needs a fixed port\n");
      return 2;
    }
    const std::string from = ":" + std::to_string(mozhou::demo::kDefaultPort) + "/";
    const std::string to = ":" + std::to_string(port) + "/";
    for (const auto& n : site.novels())
      std::printf("%s\t%s\t%d\n", n.name.c_str(),
                  mozhou::text::replaceAll(n.tocAddress, from, to).c_str(), n.chapters);
    return 0;
  }

  // Block the stop signals before any thread starts, so only sigwait below receives them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  if (!site.start(port)) {
    std::fprintf(stderr, "mozhou-demo-site: cannot listen on 127.0.0.1:%d\n", port);
    return 1;
  }
  std::printf("墨舟演示书屋 http://%s/ (UTF-8 novel under http://%s/utf8/)\n",
              site.hostPort().c_str(), site.secondHostPort().c_str());
  std::fflush(stdout);
  int received = 0;
  sigwait(&signals, &received);
  site.stop();
  return 0;
}
