#pragma once
// INI profile files in the legacy code page, read and edited the way the Windows profile
// functions do it, so files written by earlier versions or by hand read the same:
// - section and key names match without regard to ASCII case; blanks around them and around
//   values do not count; a value wrapped in matching quotes (' or ") reads without them;
// - the first section of a name is the one read and written, and within it the first key;
// - an edit changes only the line of that key: every other byte of the file stays, comments
//   (lines starting with ";"), blank lines and unknown sections and keys included. A new key
//   goes after the last key line of its section, a new section at the end of the file.
// Values are UTF-8 in memory; the file holds them in the legacy code page, lines ending CR LF.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mozhou::app {

class IniFile {
 public:
  IniFile() = default;

  // The file's bytes as they are on disk (legacy code page, any line ends).
  static IniFile parse(std::string_view bytes);

  // A missing file reads as an empty one; nullopt when the file exists but cannot be read.
  static std::optional<IniFile> load(const std::filesystem::path& path);

  // The value of `key` in `section`, nullopt when either is absent.
  std::optional<std::string> value(std::string_view section, std::string_view key) const;

  // Stores a value, creating the key and the section as needed. False (and no change) for a
  // name that cannot be stored: empty, or holding a line break, "=" in a key, "]" in a section.
  // Line breaks in the value become spaces, since a value is one line; a value that would
  // not read back as it is (outer blanks, outer matching quotes) is written inside quotes.
  bool setValue(std::string_view section, std::string_view key, std::string_view value);

  // The whole file as bytes to store.
  std::string bytes() const;

  // Writes the file atomically (temporary file beside it, then rename). False on failure.
  bool save(const std::filesystem::path& path) const;

 private:
  enum class Kind { Other, Section, Key };
  struct Line {
    std::string raw;  // bytes of the line without its line end
    std::string eol;  // "\r\n", "\n", "\r" or "" (last line without a line end)
    Kind kind = Kind::Other;
    std::string name;            // section or key name, UTF-8, blanks trimmed
    std::size_t valueStart = 0;  // key lines: offset in `raw` where the value begins
  };

  static Line parseLine(std::string raw, std::string eol);
  // Index of the header line of the first section named `section`, or npos.
  std::size_t findSection(std::string_view section) const;
  // Index of the first line of `key` in the section whose header is at `header`, or npos.
  std::size_t findKey(std::size_t header, std::string_view key) const;
  void ensureLastLineEnded();

  std::vector<Line> lines_;
};

// A value cut to at most `maxBytes` bytes of the legacy code page, at a character boundary:
// a character that would straddle the limit is dropped whole.
std::string cutToLegacyBytes(std::string_view utf8, std::size_t maxBytes);

}  // namespace mozhou::app
