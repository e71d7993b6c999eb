#include "text/regex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <list>
#include <memory>

#include "text/utf8.h"

namespace mozhou::text {
namespace {

// Limits per match attempt. The match limit is PCRE2's own default written out, because the
// exponential patterns it stops give up within a fraction of a second while a lazy group that
// runs over a whole 1 MB page needs only about a million steps. The depth and heap limits only
// matter for the interpreter, used where JIT is unavailable or its stack runs out.
constexpr uint32_t kMatchLimit = 10'000'000;
constexpr uint32_t kDepthLimit = 1'000'000;
constexpr uint32_t kHeapLimitKiB = 256 * 1024;
constexpr PCRE2_SIZE kJitStackStart = 64 * 1024;
constexpr PCRE2_SIZE kJitStackMax = 8 * 1024 * 1024;
constexpr std::size_t kCacheSize = 32;

// ECMAScript's \s: its white space (TAB, VT, FF, SP, NBSP and every Zs space) and its line
// terminators (LF, CR, LS, PS). PCRE2 without UCP knows only the ASCII ones, and UCP would
// also turn \w, \d and \b into their Unicode forms, which ECMAScript keeps ASCII.
constexpr std::string_view kSpaceSet =
    "\\t\\n\\x{b}\\f\\r\\x{20}\\x{a0}\\x{1680}\\x{2000}-\\x{200a}\\x{2028}\\x{2029}\\x{202f}"
    "\\x{205f}\\x{3000}";

bool isHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The pattern rewritten from the ECMAScript 3 dialect into PCRE2 syntax, with the source
// offset of every output byte so that compile errors point into the caller's pattern.
struct Translation {
  std::string pattern;
  std::vector<std::size_t> origin;

  void emit(std::string_view s, std::size_t from) {
    pattern.append(s);
    origin.insert(origin.end(), s.size(), from);
  }
  void append(const Translation& t) {
    pattern += t.pattern;
    origin.insert(origin.end(), t.origin.begin(), t.origin.end());
  }
};

class Translator {
 public:
  explicit Translator(std::string_view src) : src_(src) {}

  Translation run() {
    Translation out;
    std::size_t i = 0;
    while (i < src_.size()) {
      const char c = src_[i];
      if (c == '\\') {
        escape(i, false, out);
      } else if (c == '[') {
        characterClass(i, out);
      } else if (c == '{') {
        const std::size_t end = quantifierEnd(i);
        if (end) {
          out.emit(src_.substr(i, end - i), i);
          i = end;
        } else {
          out.emit("\\{", i++);  // a brace that forms no repetition is an ordinary character
        }
      } else if (c == '}') {
        out.emit("\\}", i++);
      } else {
        out.emit(src_.substr(i, 1), i);
        ++i;
      }
    }
    return out;
  }

 private:
  // End of "{n}", "{n,}" or "{n,m}" starting at `i`, or 0 when the brace starts none.
  std::size_t quantifierEnd(std::size_t i) const {
    std::size_t j = i + 1;
    const std::size_t digits = j;
    while (j < src_.size() && isDigit(src_[j])) ++j;
    if (j == digits) return 0;
    if (j < src_.size() && src_[j] == ',') {
      ++j;
      while (j < src_.size() && isDigit(src_[j])) ++j;
    }
    return j < src_.size() && src_[j] == '}' ? j + 1 : 0;
  }

  bool hexAt(std::size_t i, std::size_t n) const {
    if (i + n > src_.size()) return false;
    for (std::size_t k = 0; k < n; ++k)
      if (!isHex(src_[i + k])) return false;
    return true;
  }

  uint32_t hexValue(std::size_t i, std::size_t n) const {
    return static_cast<uint32_t>(std::stoul(std::string(src_.substr(i, n)), nullptr, 16));
  }

  static std::string codePoint(uint32_t cp) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "\\x{%x}", static_cast<unsigned>(cp));
    return buf;
  }

  // One escape at `i` (a backslash). Inside a class, \s lands in `out` as a list of members
  // and \S is reported through `nonSpace`, since a class cannot hold a negated set.
  // Returns true when the escape stood for a set of characters rather than one.
  bool escape(std::size_t& i, bool inClass, Translation& out, bool* nonSpace = nullptr) {
    const std::size_t at = i;
    if (i + 1 >= src_.size()) {
      out.emit("\\", i++);  // a trailing backslash: let the compiler report it
      return false;
    }
    const char c = src_[i + 1];
    i += 2;
    switch (c) {
      case 'd':
      case 'D':
      case 'w':
      case 'W':
        out.emit(std::string{'\\', c}, at);
        return true;
      case 'f':
      case 'n':
      case 'r':
      case 't':
      case 'b':
        out.emit(std::string{'\\', c}, at);  // in a class \b is the backspace, as in PCRE2
        return false;
      case 'B':
        out.emit(inClass ? "B" : "\\B", at);
        return false;
      case 's':
        if (inClass) {
          out.emit(kSpaceSet, at);
        } else {
          out.emit("[", at);
          out.emit(kSpaceSet, at);
          out.emit("]", at);
        }
        return true;
      case 'S':
        if (inClass) {
          *nonSpace = true;
        } else {
          out.emit("[^", at);
          out.emit(kSpaceSet, at);
          out.emit("]", at);
        }
        return true;
      case 'v':
        out.emit("\\x{b}", at);  // the vertical tab, not PCRE2's class of vertical spaces
        return false;
      case 'c':
        if (i < src_.size() && isAsciiLetter(src_[i])) {
          out.emit(std::string{'\\', 'c', src_[i]}, at);
          ++i;
        } else {
          out.emit("\\\\c", at);  // no control letter: a backslash and a "c"
        }
        return false;
      case 'x':
        if (hexAt(i, 2)) {
          out.emit(codePoint(hexValue(i, 2)), at);
          i += 2;
        } else {
          out.emit("x", at);
        }
        return false;
      case 'u':
        if (hexAt(i, 4)) {
          uint32_t cp = hexValue(i, 4);
          i += 4;
          // The dialect counts UTF-16 units: a surrogate pair written as two escapes is one
          // character here. A lone surrogate is left for the compiler to reject.
          if (cp >= 0xD800 && cp <= 0xDBFF && i + 6 <= src_.size() && src_[i] == '\\' &&
              src_[i + 1] == 'u' && hexAt(i + 2, 4)) {
            const uint32_t low = hexValue(i + 2, 4);
            if (low >= 0xDC00 && low <= 0xDFFF) {
              cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
              i += 6;
            }
          }
          out.emit(codePoint(cp), at);
        } else {
          out.emit("u", at);
        }
        return false;
      case '0':
        if (i >= src_.size() || !isDigit(src_[i])) {
          out.emit("\\x{0}", at);
          return false;
        }
        out.emit("\\0", at);
        return false;
      default:
        break;
    }
    if (isDigit(c)) {
      out.emit(std::string{'\\', c}, at);  // back-reference (or octal, as PCRE2 decides)
    } else if (isAsciiLetter(c)) {
      // Every other letter escape is the letter itself here, while PCRE2 gives many of them
      // a meaning of its own (\Q, \K, \h, \p, \e, ...).
      out.emit(std::string{c}, at);
    } else if (static_cast<unsigned char>(c) >= 0x80) {
      std::size_t end = i;
      while (end < src_.size() && isContinuation(src_[end])) ++end;
      out.emit(src_.substr(i - 1, end - (i - 1)), at);
      i = end;
    } else {
      out.emit(std::string{'\\', c}, at);
    }
    return false;
  }

  void characterClass(std::size_t& i, Translation& out) {
    const std::size_t at = i++;
    bool negated = false;
    if (i < src_.size() && src_[i] == '^') {
      negated = true;
      ++i;
    }
    Translation body;
    bool nonSpace = false;
    while (i < src_.size() && src_[i] != ']') {
      const char c = src_[i];
      if (c == '\\') {
        const bool set = escape(i, true, body, &nonSpace);
        // After a set, "-" is an ordinary character; keep it one after expanding \s.
        if (set && i + 1 < src_.size() && src_[i] == '-' && src_[i + 1] != ']') {
          body.emit("\\-", i++);
        }
      } else if (c == '[' || c == '^') {
        // "[" would start a POSIX class in PCRE2; "^" is escaped so the members can move.
        body.emit(std::string{'\\', c}, i++);
      } else {
        body.emit(src_.substr(i, 1), i);
        ++i;
      }
    }
    if (i >= src_.size()) {  // unterminated: hand it on for the compiler to report
      out.emit(negated ? "[^" : "[", at);
      out.append(body);
      return;
    }
    ++i;
    if (!nonSpace) {
      // "[]" matches nothing and "[^]" any character (PCRE2_ALLOW_EMPTY_CLASS).
      out.emit(negated ? "[^" : "[", at);
      out.append(body);
      out.emit("]", i - 1);
      return;
    }
    // A class holding \S: the other members or a non-space; negated, a space that is none of
    // the other members.
    if (body.pattern.empty()) {
      out.emit(negated ? "[" : "[^", at);
      out.emit(kSpaceSet, at);
      out.emit("]", i - 1);
    } else if (!negated) {
      out.emit("(?:[", at);
      out.append(body);
      out.emit("]|[^", at);
      out.emit(kSpaceSet, at);
      out.emit("])", i - 1);
    } else {
      out.emit("(?:(?![", at);
      out.append(body);
      out.emit("])[", at);
      out.emit(kSpaceSet, at);
      out.emit("])", i - 1);
    }
  }

  std::string_view src_;
};

std::string pcre2Message(int code) {
  PCRE2_UCHAR buf[256];
  if (pcre2_get_error_message(code, buf, sizeof buf) < 0) return "error " + std::to_string(code);
  return reinterpret_cast<const char*>(buf);
}

struct Compiled {
  pcre2_code* code = nullptr;
  uint32_t captures = 0;

  Compiled() = default;
  Compiled(const Compiled&) = delete;
  Compiled& operator=(const Compiled&) = delete;
  ~Compiled() { pcre2_code_free(code); }
};

// Compiled patterns and matching resources of one thread. The cache is keyed by the
// caller's pattern; nothing in a compiled pattern changes while it is used.
class ThreadState {
 public:
  ThreadState()
      : compileContext_(pcre2_compile_context_create(nullptr)),
        matchContext_(pcre2_match_context_create(nullptr)),
        jitStack_(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr)) {
    if (compileContext_) pcre2_set_newline(compileContext_, PCRE2_NEWLINE_LF);
    if (matchContext_) {
      pcre2_set_match_limit(matchContext_, kMatchLimit);
      pcre2_set_depth_limit(matchContext_, kDepthLimit);
      pcre2_set_heap_limit(matchContext_, kHeapLimitKiB);
      if (jitStack_) pcre2_jit_stack_assign(matchContext_, nullptr, jitStack_);
    }
  }
  ~ThreadState() {
    cache_.clear();
    pcre2_match_context_free(matchContext_);
    pcre2_jit_stack_free(jitStack_);
    pcre2_compile_context_free(compileContext_);
  }
  ThreadState(const ThreadState&) = delete;
  ThreadState& operator=(const ThreadState&) = delete;

  const Compiled* compile(std::string_view pattern, std::string& error) {
    for (auto it = cache_.begin(); it != cache_.end(); ++it) {
      if (it->first == pattern) {
        cache_.splice(cache_.begin(), cache_, it);
        return cache_.front().second.get();
      }
    }
    if (!compileContext_ || !matchContext_) {
      error = "out of memory";
      return nullptr;
    }
    const Translation t = Translator(pattern).run();
    int code = 0;
    PCRE2_SIZE offset = 0;
    const uint32_t options = PCRE2_UTF | PCRE2_CASELESS | PCRE2_DOLLAR_ENDONLY |
                             PCRE2_MATCH_UNSET_BACKREF | PCRE2_ALLOW_EMPTY_CLASS |
                             PCRE2_NEVER_BACKSLASH_C;
    auto compiled = std::make_unique<Compiled>();
    compiled->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(t.pattern.data()), t.pattern.size(),
                                   options, &code, &offset, compileContext_);
    if (!compiled->code) {
      const std::size_t at = offset < t.origin.size() ? t.origin[offset] : pattern.size();
      error = pcre2Message(code) + " at offset " + std::to_string(at);
      return nullptr;
    }
    // Without JIT the interpreter runs the same pattern, only slower.
    pcre2_jit_compile(compiled->code, PCRE2_JIT_COMPLETE);
    pcre2_pattern_info(compiled->code, PCRE2_INFO_CAPTURECOUNT, &compiled->captures);
    if (cache_.size() >= kCacheSize) cache_.pop_back();
    cache_.emplace_front(std::string(pattern), std::move(compiled));
    return cache_.front().second.get();
  }

  // One match attempt from `start`; a JIT stack overflow is retried by the interpreter,
  // whose frames live on the heap.
  int match(const Compiled& re, std::string_view subject, std::size_t start,
            pcre2_match_data* data) {
    const auto* s = reinterpret_cast<PCRE2_SPTR>(subject.data());
    int rc =
        pcre2_match(re.code, s, subject.size(), start, PCRE2_NO_UTF_CHECK, data, matchContext_);
    if (rc == PCRE2_ERROR_JIT_STACKLIMIT) {
      rc = pcre2_match(re.code, s, subject.size(), start, PCRE2_NO_UTF_CHECK | PCRE2_NO_JIT, data,
                       matchContext_);
    }
    return rc;
  }

 private:
  pcre2_compile_context* compileContext_;
  pcre2_match_context* matchContext_;
  pcre2_jit_stack* jitStack_;
  std::list<std::pair<std::string, std::unique_ptr<Compiled>>> cache_;
};

ThreadState& threadState() {
  thread_local ThreadState state;
  return state;
}

struct MatchDataDeleter {
  void operator()(pcre2_match_data* d) const { pcre2_match_data_free(d); }
};

// Calls onMatch(ovector, pairs) for every match, left to right, as a global search does:
// after an empty match the search goes on one character further.
template <class OnMatch>
bool forEachMatch(std::string_view pattern, std::string_view subject, std::string& error,
                  uint32_t& captures, OnMatch&& onMatch) {
  ThreadState& state = threadState();
  const Compiled* re = state.compile(pattern, error);
  if (!re) return false;
  captures = re->captures;
  // Validated once here, so that each attempt can skip PCRE2's own check of the whole text.
  if (!isValidUtf8(subject)) {
    error = "the text is not valid UTF-8";
    return false;
  }
  std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
      pcre2_match_data_create_from_pattern(re->code, nullptr));
  if (!data) {
    error = "out of memory";
    return false;
  }
  std::size_t start = 0;
  while (start <= subject.size()) {
    const int rc = state.match(*re, subject, start, data.get());
    if (rc == PCRE2_ERROR_NOMATCH) break;
    if (rc < 0) {
      error = "matching gave up: " + pcre2Message(rc);
      return false;
    }
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data.get());
    const std::size_t begin = ov[0];
    const std::size_t end = ov[1] < begin ? begin : ov[1];
    onMatch(ov, static_cast<uint32_t>(rc), begin, end);
    if (end > begin) {
      start = end;
    } else {
      start = end + 1;
      while (start < subject.size() && isContinuation(subject[start])) ++start;
    }
  }
  return true;
}

}  // namespace

RegexResult regexExecute(std::string_view pattern, std::string_view subject) {
  RegexResult result;
  try {
    uint32_t captures = 0;
    std::size_t counted = 0;  // byte offset up to which characters have been counted
    std::size_t chars = 0;
    auto onMatch = [&](const PCRE2_SIZE* ov, uint32_t pairs, std::size_t begin, std::size_t end) {
      for (; counted < begin; ++counted)
        if (!isContinuation(subject[counted])) ++chars;
      RegexMatch m;
      m.value.assign(subject.substr(begin, end - begin));
      m.position = begin;
      m.index = chars;
      m.subMatches.resize(captures);
      for (uint32_t g = 1; g <= captures && g < pairs; ++g) {
        if (ov[2 * g] == PCRE2_UNSET) continue;
        m.subMatches[g - 1].assign(subject.substr(ov[2 * g], ov[2 * g + 1] - ov[2 * g]));
      }
      result.matches.push_back(std::move(m));
    };
    result.ok = forEachMatch(pattern, subject, result.error, captures, onMatch);
  } catch (const std::exception& e) {
    result.ok = false;
    result.error = e.what();
  }
  if (!result.ok) result.matches.clear();
  return result;
}

RegexReplaceResult regexReplace(std::string_view pattern, std::string_view subject,
                                std::string_view replacement) {
  RegexReplaceResult result;
  try {
    uint32_t captures = 0;
    std::size_t copied = 0;
    auto onMatch = [&](const PCRE2_SIZE*, uint32_t, std::size_t begin, std::size_t end) {
      result.text.append(subject.substr(copied, begin - copied));
      result.text.append(replacement);
      copied = end;
    };
    result.ok = forEachMatch(pattern, subject, result.error, captures, onMatch);
    if (result.ok) result.text.append(subject.substr(copied));
  } catch (const std::exception& e) {
    result.ok = false;
    result.error = e.what();
  }
  if (!result.ok) result.text.clear();
  return result;
}

bool regexValid(std::string_view pattern, std::string* error) {
  std::string message;
  bool ok = false;
  try {
    ok = threadState().compile(pattern, message) != nullptr;
  } catch (const std::exception& e) {
    message = e.what();
  }
  if (!ok && error) *error = message;
  return ok;
}

std::string regexEscape(std::string_view text) {
  static constexpr std::string_view kMeta = "\\^$.|?*+()[]{}-/";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (kMeta.find(c) != std::string_view::npos) out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

}  // namespace mozhou::text
