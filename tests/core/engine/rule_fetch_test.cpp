// Rule operator "4" and the rule-file update, against a real HTTP server on 127.0.0.1.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/files.h"
#include "engine/page_base.h"
#include "engine/rule_expr.h"
#include "engine/site_rules.h"
#include "support/http_server.h"
#include "support/rule_file.h"
#include "support/temp_dir.h"
#include "text/codec.h"

namespace mozhou::engine {
namespace {

using testing::HttpServer;
using testing::siteRecordLine;

void serve(httplib::Response& res, const std::string& bytes, int status = 200) {
  res.status = status;
  res.set_content(bytes, "text/html");
}

class FollowLink : public ::testing::Test {
 protected:
  void SetUp() override {
    server.get("/book/2\\.html", [](const httplib::Request&, httplib::Response& res) {
      serve(res, "<div>\r\n\xB5\xDA\xB6\xFE\xD2\xB3\r\n</div>");  // 第二页 in GBK
    });
    server.get("/missing\\.html", [](const httplib::Request&, httplib::Response& res) {
      serve(res, "not here", 404);
    });
    server.start();
    setPageBase(server.url("/book/"));
  }
  void TearDown() override { setPageBase(""); }
  HttpServer server;
};

TEST_F(FollowLink, FetchesTheFirstMatchAndMovesThePageBase) {
  setPageBase(server.url("/book/"));
  const std::string page = "<a href=\"2.html\">next</a><a href=\"3.html\">later</a>";
  EXPECT_EQ(getps(page, "4", "href=\"(.*?)\"", "[webpath]$1"), "<div>第二页</div>");
  ASSERT_EQ(server.requestCount(), 1u);
  EXPECT_EQ(server.lastRequest().path, "/book/2.html");

  setPageBase("http://elsewhere.invalid/x/");
  EXPECT_EQ(openhx(page, "href=\"(.*?)\"", server.url("/book/") + "$1"), "<div>第二页</div>");
  EXPECT_EQ(pageBase(), server.url("/book/"));
}

TEST_F(FollowLink, NothingToFollowGivesEmptyText) {
  struct Case {
    const char* what;
    std::string pattern;
    std::string tmpl;
  } cases[] = {
      {"no match", "nomatch(\\d)", "[webpath]$1"},
      {"pattern does not compile", "href=(", "[webpath]2.html"},
      {"empty address", "href=\"()", "$1"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(openhx("<a href=\"2.html\">", c.pattern, c.tmpl), "") << c.what;
  EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(FollowLink, FailedFetchGivesEmptyTextButMovesThePageBase) {
  setPageBase("http://elsewhere.invalid/");
  EXPECT_EQ(openhx("x", "(x)", server.url("/missing.html")), "");
  EXPECT_EQ(pageBase(), server.url("/"));
  EXPECT_EQ(server.requestCount(), 1u);
}

TEST_F(FollowLink, InsideAList) {
  const std::string follow = "{{4}}href=\"(.*?)\"{{t}}[webpath]$1";
  EXPECT_EQ(guizstr("<a href=\"2.html\">", follow + "\r\n{{1}}第{{t}}页"), "第二页");
  // After a failed operator "4" the rest of the list works on empty text.
  EXPECT_EQ(guizstr("<a href=\"2.html\">", "{{4}}nomatch(.){{t}}$1\r\n{{2}}{{t}}x\r\n{{0}}4{{t}}"),
            "");
}

class RuleFileUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    server.get("/svc/mz_set\\.php",
               [this](const httplib::Request&, httplib::Response& res) { serve(res, answer); });
    server.get("/files/bookset\\.dat", [this](const httplib::Request&, httplib::Response& res) {
      serve(res, download, downloadStatus);
    });
    server.start();
    tmp.write("db/bookset.dat", oldFile);
    rules.load(dir);
    ASSERT_FALSE(rules.lookup(".old.com").empty());
    hooks.storeSetvid = [this](const std::string& v) {
      calls.push_back("store " + v);
      return storeSucceeds;
    };
    hooks.markSearchReload = [this] { calls.push_back("reload"); };
  }

  std::optional<std::string> run() {
    return upset(dir, server.url("/svc/"), "2.3.1", "5", rules, hooks);
  }
  std::string fileOnDisk() const { return *app::readFileBytes(dir.path("db/bookset.dat")); }

  testing::TempDir tmp;
  app::ProgramDir dir{tmp.path()};
  HttpServer server;
  RuleText rules;
  UpsetHooks hooks;
  std::vector<std::string> calls;
  bool storeSucceeds = true;

  const std::string oldFile =
      testing::ruleFile(".old.com,1\r\n", siteRecordLine(".old.com", {"", "old"}) + "\r\n");
  const std::string newFile = testing::ruleFile(
      ".new.com,1\r\n", siteRecordLine(".new.com", {"", "\xE6\x96\xB0"}) + "\r\n");  // 新
  std::string answer;
  std::string download = newFile;
  int downloadStatus = 200;

  void offerNewFile() {
    answer = "<html>\r\n<si>7</si>\r\n<st>" + server.url("/files/bookset.dat") + "</st></html>";
  }
  void expectNothingChanged() {
    EXPECT_EQ(fileOnDisk(), oldFile);
    EXPECT_FALSE(rules.lookup(".old.com").empty());
    EXPECT_TRUE(calls.empty());
  }
};

TEST_F(RuleFileUpdate, ReplacesTheFileAndReloadsTheRules) {
  offerNewFile();
  EXPECT_EQ(run(), std::optional<std::string>("7"));
  const std::vector<testing::RecordedRequest> requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].target, "/svc/mz_set.php?mzv=231&stv=5");
  EXPECT_EQ(requests[1].path, "/files/bookset.dat");
  EXPECT_EQ(fileOnDisk(), newFile);
  EXPECT_EQ(calls, (std::vector<std::string>{"store 7", "reload"}));
  EXPECT_TRUE(rules.lookup(".old.com").empty());
  const SiteRecord r = rules.lookup(".new.com");
  ASSERT_EQ(r.size(), kSiteRecordFields);
  EXPECT_EQ(r[1], "新");
}

TEST_F(RuleFileUpdate, NoNewerFile) {
  for (const std::string& a : {std::string(), std::string("<si>7</si>"),
                               std::string("<st>") + server.url("/files/bookset.dat") + "</st>",
                               std::string("<SI>7</SI><ST>x</ST>")}) {
    answer = a;
    EXPECT_EQ(run(), std::nullopt) << a;
  }
  expectNothingChanged();
  for (const testing::RecordedRequest& r : server.requests()) EXPECT_EQ(r.path, "/svc/mz_set.php");
}

TEST_F(RuleFileUpdate, FailedDownloadKeepsFileAndVersion) {
  offerNewFile();
  downloadStatus = 404;
  EXPECT_EQ(run(), std::nullopt);
  expectNothingChanged();
}

TEST_F(RuleFileUpdate, DownloadThatIsNoRuleFileIsRefused) {
  offerNewFile();
  for (const std::string& body : {std::string(), std::string("<html>Service unavailable</html>"),
                                  newFile.substr(0, 20), testing::ruleBlock("search sites only")}) {
    download = body;
    EXPECT_EQ(run(), std::nullopt) << body;
  }
  expectNothingChanged();
}

TEST_F(RuleFileUpdate, ServiceUnreachable) {
  offerNewFile();
  const std::string base = server.url("/svc/");
  server.stop();
  EXPECT_EQ(upset(dir, base, "1.00", "0", rules, hooks), std::nullopt);
  expectNothingChanged();
}

TEST_F(RuleFileUpdate, StoppedWhenTheVersionCannotBeStored) {
  offerNewFile();
  storeSucceeds = false;
  EXPECT_EQ(run(), std::nullopt);
  EXPECT_EQ(calls, (std::vector<std::string>{"store 7"}));
  EXPECT_EQ(fileOnDisk(), newFile);  // what was done before the failure stays done
  EXPECT_FALSE(rules.lookup(".old.com").empty());
}

}  // namespace
}  // namespace mozhou::engine
