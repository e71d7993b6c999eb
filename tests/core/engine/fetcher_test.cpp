// The fetcher against real servers on 127.0.0.1: plain pages, redirects, failures, stalls,
// size limits, compression, forms, proxies and TLS.
#include "engine/fetcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/wait_hook.h"
#include "engine/page_base.h"
#include "support/http_server.h"
#include "support/socks5_proxy.h"
#include "text/codec.h"

namespace mozhou::engine {
namespace {

using mozhou::testing::HttpServer;
using mozhou::testing::Socks5Proxy;
using namespace std::chrono_literals;

// A port with nothing listening: taken from a server that is gone again.
int closedPort() {
  HttpServer gone;
  return gone.port();
}

class FetcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setFetchConfig({});
    setPageBase("");
  }
  void TearDown() override {
    app::setWaitHook({});
    setFetchConfig({});
    setPageBase("");
  }

  static void reply(httplib::Response& res, std::string_view body, const char* type = "text/html") {
    res.set_content(std::string(body), type);
  }
};

TEST_F(FetcherTest, PageTextIsLegacyDecodedWithLineBreaksRemoved) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string pageText;
  } cases[] = {
      {"crlf", "<p>one</p>\r\n<p>two</p>\r\n", "<p>one</p><p>two</p>"},
      {"mixed", "a\nb\rc\n\rd", "abcd"},
      {"gbk", text::toLegacy("第一章 风起\r\n正文"), "第一章 风起正文"},
      // Not converted: a page in another encoding stays as its bytes read in the legacy page.
      {"utf8", "\xE4\xB9\xA6\r\n", text::fromLegacy("\xE4\xB9\xA6")},
      {"empty", "", ""},
  };
  HttpServer server;
  for (const auto& c : cases)
    server.get(std::string("/") + c.name,
               [&c](const httplib::Request&, httplib::Response& res) { reply(res, c.bytes); });
  server.start();
  for (const auto& c : cases)
    EXPECT_EQ(opurl(server.url(std::string("/") + c.name)), c.pageText) << c.name;
}

TEST_F(FetcherTest, SendsNoUserAgentAndAcceptsCompression) {
  HttpServer server;
  server.get("/p", [](const httplib::Request&, httplib::Response& res) { reply(res, "ok"); });
  server.start();
  ASSERT_EQ(opurl(server.url("/p")), "ok");
  const auto req = server.lastRequest();
  EXPECT_FALSE(req.hasHeader("User-Agent"));
  EXPECT_NE(req.header("Accept-Encoding").find("gzip"), std::string::npos);
  EXPECT_FALSE(req.hasHeader("Cookie"));
}

TEST_F(FetcherTest, GzipCompressedBodyIsDecoded) {
  HttpServer server;
  const std::string page = text::toLegacy("第二章\r\n山雨欲来") + std::string(5000, 'x');
  server.get("/gz", [&](const httplib::Request&, httplib::Response& res) {
    res.set_header("Content-Encoding", "gzip");
    // A type the server would not compress again by itself.
    res.set_content(mozhou::testing::gzip(page), "application/octet-stream");
  });
  server.start();
  EXPECT_EQ(opurl(server.url("/gz")), "第二章山雨欲来" + std::string(5000, 'x'));
}

TEST_F(FetcherTest, FollowsRedirectsButNotForever) {
  HttpServer server;
  server.get("/dest/page.html",
             [](const httplib::Request&, httplib::Response& res) { reply(res, "arrived"); });
  server.get("/abs301", [&](const httplib::Request&, httplib::Response& res) {
    res.set_redirect(server.url("/dest/page.html"), 301);
  });
  server.get("/from/rel302", [](const httplib::Request&, httplib::Response& res) {
    res.set_redirect("../dest/page.html", 302);
  });
  server.get("/chain", [](const httplib::Request&, httplib::Response& res) {
    res.set_redirect("/abs301", 302);
  });
  server.get("/loop", [](const httplib::Request&, httplib::Response& res) {
    res.set_redirect("/loop", 302);
  });
  server.start();
  for (const char* path : {"/abs301", "/from/rel302", "/chain"}) {
    EXPECT_EQ(opurl(server.url(path)), "arrived") << path;
    // The base is that of the address asked for, not of where the redirects led.
    EXPECT_EQ(pageBase(), getup(server.url(path))) << path;
  }
  const std::size_t before = server.requestCount();
  EXPECT_EQ(opurl(server.url("/loop")), "");
  EXPECT_LT(server.requestCount() - before, 30u);
}

TEST_F(FetcherTest, ErrorStatusAndNoConnectionGiveEmptyText) {
  HttpServer server;
  server.get("/status/(\\d+)", [](const httplib::Request& req, httplib::Response& res) {
    res.status = std::stoi(req.matches[1].str());
    reply(res, "an error page");
  });
  server.start();
  for (int status : {400, 403, 404, 500, 503}) {
    const std::string url = server.url("/status/" + std::to_string(status));
    EXPECT_EQ(opurl(url), "") << status;
    EXPECT_FALSE(fetchBytes(url)) << status;
    const auto r = creathttp(0)->request(url);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.status, status);
  }
  const std::string nowhere = "http://127.0.0.1:" + std::to_string(closedPort()) + "/x";
  EXPECT_EQ(opurl(nowhere), "");
  EXPECT_FALSE(fetchBytes(nowhere));
  for (const char* odd : {"", "not an address", "ftp://127.0.0.1/x", "file:///etc/hostname"})
    EXPECT_FALSE(fetchBytes(odd)) << odd;
}

// Streamed responses below use a type the test server does not compress: its compressor
// would hold the chunks back until the end.
TEST_F(FetcherTest, AStalledResponseEndsAtTheReadTimeout) {
  HttpServer server;
  std::atomic<bool> release{false};
  auto stallUntilReleased = [&] {
    for (int i = 0; i < 1000 && !release && !server.stopping(); ++i)
      std::this_thread::sleep_for(10ms);
  };
  server.get("/after-headers", [&](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("application/octet-stream",
                                     [&](size_t, httplib::DataSink& sink) {
                                       sink.write("<html>", 6);
                                       stallUntilReleased();
                                       sink.done();
                                       return true;
                                     });
  });
  server.get("/before-headers", [&](const httplib::Request&, httplib::Response& res) {
    stallUntilReleased();
    reply(res, "too late");
  });
  server.start();
  EXPECT_EQ(opurl(server.url("/after-headers"), nullptr, 500), "");
  EXPECT_EQ(opurl(server.url("/before-headers"), nullptr, 500), "");
  release = true;
}

TEST_F(FetcherTest, ASlowButSteadyResponseIsNoTimeout) {
  HttpServer server;
  server.get("/trickle", [](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("application/octet-stream",
                                     [](size_t, httplib::DataSink& sink) {
                                       for (int i = 0; i < 5; ++i) {
                                         std::this_thread::sleep_for(200ms);
                                         if (!sink.write("part;", 5)) return false;
                                       }
                                       sink.done();
                                       return true;
                                     });
  });
  server.start();
  EXPECT_EQ(opurl(server.url("/trickle"), nullptr, 500), "part;part;part;part;part;");
}

TEST_F(FetcherTest, ResponsesOverTheSizeLimitFail) {
  HttpServer server;
  const std::string block(64 * 1024, 'x');
  server.get("/endless", [&](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("application/octet-stream",
                                     [&](size_t, httplib::DataSink& sink) {
                                       while (!server.stopping())
                                         if (!sink.write(block.data(), block.size())) return false;
                                       return false;
                                     });
  });
  server.get("/declared", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content_provider(kMaxResponseBytes + 1, "application/octet-stream",
                             [&](size_t offset, size_t length, httplib::DataSink& sink) {
                               (void)offset;
                               return sink.write(block.data(), std::min(length, block.size()));
                             });
  });
  // Small on the wire, far too large once unpacked.
  const std::string bomb = mozhou::testing::gzip(std::string(kMaxResponseBytes + 1024, '\0'));
  server.get("/bomb", [&](const httplib::Request&, httplib::Response& res) {
    res.set_header("Content-Encoding", "gzip");
    res.set_content(bomb, "application/octet-stream");
  });
  const std::string large(1024 * 1024, 'y');
  server.get("/large", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(large, "application/octet-stream");
  });
  server.start();
  for (const char* path : {"/endless", "/declared", "/bomb"}) {
    EXPECT_FALSE(fetchBytes(server.url(path))) << path;
    EXPECT_EQ(opurl(server.url(path)), "") << path;
  }
  EXPECT_EQ(fetchBytes(server.url("/large")), large);
}

TEST_F(FetcherTest, FetchBytesKeepsEveryByte) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  bytes += "\r\n\r\n";
  HttpServer server;
  server.get("/pic.gif", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(bytes, "image/gif");
  });
  server.start();
  EXPECT_EQ(fetchBytes(server.url("/pic.gif")), bytes);
}

TEST_F(FetcherTest, FormIsPostedInLegacyPercentEncoding) {
  struct Case {
    std::vector<std::string> form;
    std::string body;
  } cases[] = {
      {{"username=书友"}, "username=%CA%E9%D3%D1"},
      {{"username=书友", "password=a b&c"}, "username=%CA%E9%D3%D1&password=a+b%26c&"},
      {{"username=书友", "password="}, "username=%CA%E9%D3%D1&password=&"},
  };
  HttpServer server;
  server.post("/login.php", [](const httplib::Request&, httplib::Response& res) {
    reply(res, "<ok>\r\n", "text/plain");
  });
  server.get("/login.php", [](const httplib::Request&, httplib::Response& res) {
    reply(res, "got", "text/plain");
  });
  server.start();
  for (const auto& c : cases) {
    EXPECT_EQ(opurl(server.url("/login.php"), &c.form), "<ok>") << c.body;
    const auto req = server.lastRequest();
    EXPECT_EQ(req.method, "POST");
    EXPECT_EQ(req.body, c.body);
    EXPECT_EQ(req.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_FALSE(req.hasHeader("User-Agent"));
  }
  const std::vector<std::string> empty;
  EXPECT_EQ(opurl(server.url("/login.php"), &empty), "got");
  EXPECT_EQ(server.lastRequest().method, "GET");
  EXPECT_EQ(server.lastRequest().body, "");
}

TEST_F(FetcherTest, AddressGoesOutInTheLegacyCodePage) {
  HttpServer server;
  server.get(".*", [](const httplib::Request&, httplib::Response& res) { reply(res, "ok"); });
  server.start();
  ASSERT_EQ(opurl(server.url("/书/list.php?q=书友 2&p=%41")), "ok");
  EXPECT_EQ(server.lastRequest().target, "/%CA%E9/list.php?q=%CA%E9%D3%D1%202&p=%41");
}

TEST_F(FetcherTest, PageBaseIsSetBeforeTheRequestAndEvenWhenItFails) {
  HttpServer server;
  std::string seenByServer;
  server.get("/book/7/index.html", [&](const httplib::Request&, httplib::Response& res) {
    seenByServer = pageBase();
    reply(res, "toc");
  });
  server.start();
  EXPECT_EQ(opurl(server.url("/book/7/index.html")), "toc");
  EXPECT_EQ(seenByServer, server.url("/book/7/"));

  const std::string failing = "http://127.0.0.1:" + std::to_string(closedPort()) + "/a/b/c.html";
  EXPECT_EQ(opurl(failing, nullptr, 0, 1), "");
  EXPECT_EQ(pageBase(), getup(failing));

  // Flag 0 leaves the base alone, whether the fetch works or not.
  EXPECT_EQ(opurl(server.url("/book/7/index.html"), nullptr, 0, 0), "toc");
  EXPECT_EQ(opurl("http://127.0.0.1:1/other/x.html", nullptr, 0, 0), "");
  EXPECT_EQ(pageBase(), getup(failing));

  // A client that cannot be made still moves the base.
  setFetchConfig({.useproxy = "1", .proxyport = "bad"});
  EXPECT_EQ(opurl(server.url("/book/9/x.html")), "");
  EXPECT_EQ(pageBase(), server.url("/book/9/"));
}

TEST_F(FetcherTest, WaitHookRunsWhileTheFetchWaits) {
  HttpServer server;
  std::atomic<bool> serverBusy{false};
  server.get("/slow", [&](const httplib::Request&, httplib::Response& res) {
    serverBusy = true;
    std::this_thread::sleep_for(300ms);
    serverBusy = false;
    reply(res, "slow page");
  });
  server.get("/quick",
             [](const httplib::Request&, httplib::Response& res) { reply(res, "quick"); });
  server.start();

  int callsWhileBusy = 0;
  bool nestedStarted = false;
  std::string nested;
  app::setWaitHook([&] {
    if (!serverBusy) return;
    ++callsWhileBusy;
    // A command started from the live window may fetch too; the outer fetch must survive it.
    if (!nestedStarted) {
      nestedStarted = true;
      nested = opurl(server.url("/quick"), nullptr, 0, 0);
    }
  });
  EXPECT_EQ(opurl(server.url("/slow")), "slow page");
  EXPECT_GT(callsWhileBusy, 0);
  EXPECT_EQ(nested, "quick");
}

TEST_F(FetcherTest, NothingCarriesOverBetweenFetches) {
  HttpServer server;
  server.get("/set", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Set-Cookie", "sid=42; Path=/");
    reply(res, "set");
  });
  server.get("/check",
             [](const httplib::Request&, httplib::Response& res) { reply(res, "check"); });
  server.start();
  ASSERT_EQ(opurl(server.url("/set")), "set");
  ASSERT_EQ(opurl(server.url("/check")), "check");
  EXPECT_FALSE(server.lastRequest().hasHeader("Cookie"));
}

TEST_F(FetcherTest, ThreadsFetchAtTheSameTime) {
  HttpServer server;
  server.get("/n/(\\d+)", [](const httplib::Request& req, httplib::Response& res) {
    std::this_thread::sleep_for(20ms);
    reply(res, "page " + req.matches[1].str());
  });
  server.start();
  std::atomic<int> right{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 5; ++i) {
        const std::string n = std::to_string(t * 10 + i);
        if (opurl(server.url("/n/" + n), nullptr, 0, 1) == "page " + n) ++right;
        setFetchConfig({});  // replaced while others read it
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(right, 20);
}

TEST_F(FetcherTest, ReadTimeoutDefaultsWhenNotPositive) {
  struct Case {
    int asked;
    int used;
  } cases[] = {{0, kDefaultReadTimeoutMs}, {-1, kDefaultReadTimeoutMs}, {1500, 1500}};
  for (const auto& c : cases) EXPECT_EQ(creathttp(c.asked)->timeoutMs(), c.used) << c.asked;
}

class ProxyTest : public FetcherTest {};

TEST_F(ProxyTest, HttpProxyWithBasicAuthenticationGetsTheAbsoluteAddress) {
  HttpServer proxy;
  proxy.get(".*", [](const httplib::Request& req, httplib::Response& res) {
    // "reader:s3cret" in base64.
    if (req.get_header_value("Proxy-Authorization") != "Basic cmVhZGVyOnMzY3JldA==") {
      res.status = 407;
      res.set_header("Proxy-Authenticate", "Basic realm=\"proxy\"");
      return;
    }
    reply(res, "proxied " + req.target);
  });
  proxy.start();
  const FetchConfig good{.useproxy = "1",
                         .proxytype = "1",
                         .proxyserver = "127.0.0.1",
                         .proxyport = std::to_string(proxy.port()),
                         .proxyuser = "reader",
                         .proxypass = "s3cret"};
  setFetchConfig(good);
  EXPECT_EQ(opurl("http://novel.test/toc/1.html"), "proxied http://novel.test/toc/1.html");
  EXPECT_EQ(proxy.lastRequest().target, "http://novel.test/toc/1.html");
  EXPECT_FALSE(proxy.lastRequest().hasHeader("User-Agent"));

  FetchConfig wrong = good;
  wrong.proxypass = "guess";
  setFetchConfig(wrong);
  EXPECT_EQ(opurl("http://novel.test/toc/1.html"), "");
}

TEST_F(ProxyTest, ProxySettingsAreIgnoredUnlessSwitchedOn) {
  HttpServer proxy, site;
  proxy.get(".*", [](const httplib::Request&, httplib::Response& res) { reply(res, "proxy"); });
  site.get("/p", [](const httplib::Request&, httplib::Response& res) { reply(res, "direct"); });
  proxy.start();
  site.start();
  setFetchConfig(
      {.useproxy = "0", .proxyserver = "127.0.0.1", .proxyport = std::to_string(proxy.port())});
  EXPECT_EQ(opurl(site.url("/p")), "direct");
  EXPECT_EQ(proxy.requestCount(), 0u);
}

TEST_F(ProxyTest, Socks5ProxyCarriesTheConnection) {
  HttpServer site;
  site.get("/book/1.html", [](const httplib::Request& req, httplib::Response& res) {
    reply(res, "via socks for " + req.get_header_value("Host"));
  });
  site.start();
  Socks5Proxy socks(site.port(), "reader", "s3cret");
  FetchConfig config{.useproxy = "1",
                     .proxytype = "0",
                     .proxyserver = "127.0.0.1",
                     .proxyport = std::to_string(socks.port()),
                     .proxyuser = "reader",
                     .proxypass = "s3cret"};
  setFetchConfig(config);
  EXPECT_EQ(opurl("http://novel.test:8080/book/1.html"), "via socks for novel.test:8080");
  EXPECT_EQ(socks.destinations(), std::vector<std::string>{"novel.test:8080"});

  config.proxypass = "guess";
  setFetchConfig(config);
  EXPECT_EQ(opurl("http://novel.test:8080/book/1.html"), "");
  EXPECT_EQ(socks.refusals(), 1);
}

TEST_F(ProxyTest, APortThatIsNoWholeNumberMakesEveryFetchFail) {
  HttpServer site;
  site.get("/p", [](const httplib::Request&, httplib::Response& res) { reply(res, "page"); });
  site.start();
  for (const char* port : {"", "abc", "80x", "8.0", "-1", "0", "65536", "99999999999"}) {
    setFetchConfig({.useproxy = "1", .proxyserver = "127.0.0.1", .proxyport = port});
    EXPECT_FALSE(creathttp(0)) << port;
    EXPECT_EQ(opurl(site.url("/p")), "") << port;
    EXPECT_FALSE(fetchBytes(site.url("/p"))) << port;
  }
  EXPECT_EQ(site.requestCount(), 0u);

  // Without the switch the port is never read.
  setFetchConfig({.useproxy = "0", .proxyport = "abc"});
  EXPECT_EQ(opurl(site.url("/p")), "page");
  setFetchConfig({.useproxy = "1", .proxyport = " 8080 "});
  EXPECT_TRUE(creathttp(0));
}

TEST_F(FetcherTest, UntrustedCertificateFailsCleanly) {
  HttpServer server(HttpServer::Tls::SelfSigned);
  server.get("/", [](const httplib::Request&, httplib::Response& res) { reply(res, "secret"); });
  server.start();
  ASSERT_EQ(server.url("/").rfind("https://", 0), 0u);
  EXPECT_EQ(opurl(server.url("/")), "");
  const auto r = creathttp(0)->request(server.url("/"));
  EXPECT_FALSE(r.ok);
  // Refused by verification, not for want of TLS.
  EXPECT_NE(r.error.find("certificate"), std::string::npos) << r.error;
  EXPECT_EQ(server.requestCount(), 0u);
}

}  // namespace
}  // namespace mozhou::engine
