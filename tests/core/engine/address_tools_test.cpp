// The small helpers beside the fetcher: base paths, query parameters, text files, pauses and
// the form encoding.
#include <gtest/gtest.h>

#include <chrono>

#include "app/wait_hook.h"
#include "engine/fetcher.h"
#include "support/temp_dir.h"

namespace mozhou::engine {
namespace {

using mozhou::testing::TempDir;

TEST(GetupTest, KeepsEverythingUpToTheLastSeparator) {
  struct Case {
    const char* address;
    const char* base;
  } cases[] = {
      {"http://www.a.com/book/12/", "http://www.a.com/book/12/"},
      {"http://www.a.com/book/12/index.html", "http://www.a.com/book/12/"},
      {"http://www.a.com/read.php?id=3", "http://www.a.com/"},
      {"http://www.a.com", "http://"},
      {"http://www.a.com:8080", "http://www.a.com:"},
      {"http://www.a.com:8080/x/y.html", "http://www.a.com:8080/x/"},
      {"http:\\\\www.a.com\\book\\1.html", "http://www.a.com/book/"},
      {"http://a.com/书库/第一章.html", "http://a.com/书库/"},
      {"index.html", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(getup(c.address), c.base) << c.address;
}

TEST(GeturlcansTest, FindsTheParameterAfterQuestionMarkFirst) {
  struct Case {
    const char* address;
    const char* name;
    const char* value;
  } cases[] = {
      {"http://a.com/s.php?id=5&page=2", "id", "5"},
      {"http://a.com/s.php?page=2&id=5&x=1", "id", "5"},
      {"http://a.com/s.php?page=2&id=77", "id", "77"},
      // "?" wins even when the "&" occurrence comes earlier in the address.
      {"http://a.com/s.php?k=1&id=second&r=x?id=first", "id", "first"},
      {"http://a.com/s.php?id=1&id=2", "id", "1"},
      {"http://a.com/s.php?bid=3&pid=4", "id", ""},
      {"http://a.com/s.php?id=&x=1", "id", ""},
      {"http://a.com/s.php", "id", ""},
      {"http://a.com/s.php?name=书友&x=1", "name", "书友"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(geturlcans(c.address, c.name), c.value) << c.address << " " << c.name;
}

TEST(ReadtxtTest, EndsEveryLineWithCrLf) {
  TempDir tmp;
  struct Case {
    const char* bytes;
    const char* text;
  } cases[] = {
      {"a\r\nb", "a\r\nb\r\n"},
      {"a\nb\rc\r\n", "a\r\nb\r\nc\r\n"},
      {"a\r\n\r\nb\n", "a\r\n\r\nb\r\n"},
      {"\xB5\xDA\xD2\xBB\xD5\xC2", "第一章\r\n"},
      {"", ""},
  };
  int n = 0;
  for (const auto& c : cases) {
    const auto path = tmp.write("f" + std::to_string(n++) + ".txt", c.bytes);
    EXPECT_EQ(readtxt(path), c.text) << c.bytes;
  }
  EXPECT_EQ(readtxt(tmp.path() / "missing.txt"), "");
  EXPECT_EQ(readtxt(tmp.path()), "");  // a directory is no text file
}

TEST(FormEncodeTest, LettersAndDigitsStaySpaceIsPlusEveryOtherByteIsHex) {
  struct Case {
    const char* value;
    const char* encoded;
  } cases[] = {
      {"书友", "%CA%E9%D3%D1"},
      {"a b&c", "a+b%26c"},
      {"AZaz09", "AZaz09"},
      {".-_~*=%+", "%2E%2D%5F%7E%2A%3D%25%2B"},
      {"x\r\ny", "x%0D%0Ay"},
      {"http://a.com/?q=1", "http%3A%2F%2Fa%2Ecom%2F%3Fq%3D1"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(formEncode(c.value), c.encoded) << c.value;
}

TEST(FormBodyTest, NamesAsTheyAreFieldsJoinedWithTrailingAmpersandFromTwoFields) {
  struct Case {
    std::vector<std::string> form;
    const char* body;
  } cases[] = {
      {{"username=书友"}, "username=%CA%E9%D3%D1"},
      {{"username=书友", "password=a b&c"}, "username=%CA%E9%D3%D1&password=a+b%26c&"},
      {{"username=x", "password="}, "username=x&password=&"},
      {{"searchset=.a.com,1\r\n.b.com,0\r\n"},
       "searchset=%2Ea%2Ecom%2C1%0D%0A%2Eb%2Ecom%2C0%0D%0A"},
      {{"a=b=c"}, "a=b%3Dc"},
      {{"bare"}, "bare="},
      {{}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(formBody(c.form), c.body) << c.body;
}

TEST(DelayxTest, WaitsInWholeStepsOfAHundredMillisecondsCallingTheHook) {
  struct Case {
    int ms;
    int steps;
  } cases[] = {{0, 0}, {-5, 0}, {1, 1}, {100, 1}, {250, 3}};
  for (const auto& c : cases) {
    int hookCalls = 0;
    app::setWaitHook([&] { ++hookCalls; });
    const auto start = std::chrono::steady_clock::now();
    Delayx(c.ms);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    app::setWaitHook({});
    EXPECT_EQ(hookCalls, c.steps) << c.ms;
    EXPECT_GE(elapsed, std::chrono::milliseconds(100 * c.steps)) << c.ms;
  }
}

TEST(DelayxTest, AFailingHookDoesNotCutThePauseShort) {
  int hookCalls = 0;
  app::setWaitHook([&] {
    ++hookCalls;
    throw std::runtime_error("hook failed");
  });
  Delayx(200);
  app::setWaitHook({});
  EXPECT_EQ(hookCalls, 2);
}

}  // namespace
}  // namespace mozhou::engine
