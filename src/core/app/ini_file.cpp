#include "app/ini_file.h"

#include <system_error>

#include "app/files.h"
#include "text/codec.h"
#include "text/strings.h"
#include "text/utf8.h"

namespace mozhou::app {

namespace fs = std::filesystem;

namespace {

bool isQuote(char c) { return c == '"' || c == '\''; }

bool quotedValue(std::string_view v) { return v.size() >= 2 && isQuote(v[0]) && v.back() == v[0]; }

bool hasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// A value is one line: every line break (CR LF, CR or LF) becomes one space.
std::string singleLine(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r' || value[i] == '\n') {
      if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
      out.push_back(' ');
    } else {
      out.push_back(value[i]);
    }
  }
  return out;
}

// Quotes are needed where the reader would otherwise change the value: it trims blanks and
// strips one pair of matching outer quotes.
bool needsQuotes(std::string_view v) { return text::trim(v) != v || quotedValue(v); }

}  // namespace

IniFile::Line IniFile::parseLine(std::string raw, std::string eol) {
  Line line;
  line.raw = std::move(raw);
  line.eol = std::move(eol);
  // Bytes of a two- or four-byte character are never below 0x40 apart from digits, so "="
  // and blanks found in the raw bytes are the real ones; "[" and "]" can be the second byte
  // of a character and are looked for in the decoded text only.
  const std::string decoded = text::trim(text::fromLegacy(line.raw));
  if (decoded.empty() || decoded[0] == ';') return line;
  if (decoded[0] == '[') {
    const std::size_t close = decoded.find(']');
    if (close != std::string::npos) {
      line.kind = Kind::Section;
      line.name = text::trim(std::string_view(decoded).substr(1, close - 1));
      return line;
    }
  }
  const std::size_t eq = line.raw.find('=');
  if (eq == std::string::npos) return line;
  std::string name = text::trim(text::fromLegacy(std::string_view(line.raw).substr(0, eq)));
  if (name.empty()) return line;
  std::size_t start = eq + 1;
  while (start < line.raw.size() && static_cast<unsigned char>(line.raw[start]) <= 0x20) ++start;
  line.kind = Kind::Key;
  line.name = std::move(name);
  line.valueStart = start;
  return line;
}

IniFile IniFile::parse(std::string_view bytes) {
  IniFile ini;
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    const std::size_t end = i;
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    ini.lines_.push_back(parseLine(std::string(bytes.substr(start, end - start)),
                                   std::string(bytes.substr(end, i + 1 - end))));
    start = i + 1;
  }
  if (start < bytes.size()) ini.lines_.push_back(parseLine(std::string(bytes.substr(start)), ""));
  return ini;
}

std::optional<IniFile> IniFile::load(const fs::path& path) {
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (st.type() == fs::file_type::not_found) return IniFile();
  if (ec || fs::is_directory(st)) return std::nullopt;
  auto bytes = readFileBytes(path);
  if (!bytes) return std::nullopt;
  return parse(*bytes);
}

std::size_t IniFile::findSection(std::string_view section) const {
  const std::string wanted = text::trim(section);
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].kind == Kind::Section && text::iequals(lines_[i].name, wanted)) return i;
  return std::string::npos;
}

std::size_t IniFile::findKey(std::size_t header, std::string_view key) const {
  const std::string wanted = text::trim(key);
  for (std::size_t i = header + 1; i < lines_.size() && lines_[i].kind != Kind::Section; ++i)
    if (lines_[i].kind == Kind::Key && text::iequals(lines_[i].name, wanted)) return i;
  return std::string::npos;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
  const std::size_t header = findSection(section);
  if (header == std::string::npos) return std::nullopt;
  const std::size_t at = findKey(header, key);
  if (at == std::string::npos) return std::nullopt;
  const Line& line = lines_[at];
  std::string v = text::trim(text::fromLegacy(std::string_view(line.raw).substr(line.valueStart)));
  if (quotedValue(v)) v = v.substr(1, v.size() - 2);
  return v;
}

void IniFile::ensureLastLineEnded() {
  if (!lines_.empty() && lines_.back().eol.empty()) lines_.back().eol = "\r\n";
}

bool IniFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
  const std::string sec = text::trim(section);
  const std::string k = text::trim(key);
  if (sec.empty() || k.empty() || hasLineBreak(sec) || hasLineBreak(k)) return false;
  if (sec.find(']') != std::string::npos) return false;
  if (k.find('=') != std::string::npos || k[0] == ';' || k[0] == '[') return false;

  const std::string v = singleLine(value);
  auto encoded = [&](char quote) {
    const std::string q = quote ? std::string(1, quote) : std::string();
    return q + text::toLegacy(v) + q;
  };
  auto keyLine = [&] {
    Line line;
    line.raw = text::toLegacy(k) + "=";
    line.valueStart = line.raw.size();
    line.raw += encoded(needsQuotes(v) ? '"' : 0);
    line.eol = "\r\n";
    line.kind = Kind::Key;
    line.name = k;
    return line;
  };

  const std::size_t header = findSection(sec);
  if (header == std::string::npos) {
    ensureLastLineEnded();
    if (!lines_.empty() && !text::trim(lines_.back().raw).empty()) {
      Line blank;
      blank.eol = "\r\n";
      lines_.push_back(std::move(blank));
    }
    Line head;
    head.raw = "[" + text::toLegacy(sec) + "]";
    head.eol = "\r\n";
    head.kind = Kind::Section;
    head.name = sec;
    lines_.push_back(std::move(head));
    lines_.push_back(keyLine());
    return true;
  }

  const std::size_t at = findKey(header, k);
  if (at != std::string::npos) {
    Line& line = lines_[at];
    // Keep the quoting the file already uses for this key; quote anew only where needed.
    const std::string old = text::trim(std::string_view(line.raw).substr(line.valueStart));
    const char quote = quotedValue(old) ? old[0] : (needsQuotes(v) ? '"' : 0);
    line.raw = line.raw.substr(0, line.valueStart) + encoded(quote);
    return true;
  }

  std::size_t after = header;
  for (std::size_t i = header + 1; i < lines_.size() && lines_[i].kind != Kind::Section; ++i)
    if (lines_[i].kind == Kind::Key) after = i;
  if (lines_[after].eol.empty()) lines_[after].eol = "\r\n";
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(after + 1), keyLine());
  return true;
}

std::string IniFile::bytes() const {
  std::string out;
  for (const Line& line : lines_) {
    out += line.raw;
    out += line.eol;
  }
  return out;
}

bool IniFile::save(const fs::path& path) const { return writeFileAtomic(path, bytes()); }

std::string cutToLegacyBytes(std::string_view utf8, std::size_t maxBytes) {
  if (text::legacyLength(utf8) <= maxBytes) return std::string(utf8);
  std::size_t total = 0;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const std::size_t start = pos;
    text::decodeUtf8(utf8, pos);
    total += text::legacyLength(utf8.substr(start, pos - start));
    if (total > maxBytes) return std::string(utf8.substr(0, start));
  }
  return std::string(utf8);
}

}  // namespace mozhou::app
