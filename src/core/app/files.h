#pragma once
// File helpers: the program's text files (legacy code page, CR LF) and safe writes.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace mozhou::app {

// Deletes a directory with everything in it. A trailing separator is optional; every
// failure (missing directory, a file that cannot be removed) is ignored.
void DeleteDir(const std::filesystem::path& path);

// Reads a whole file; nullopt when it cannot be opened or read.
std::optional<std::string> readFileBytes(const std::filesystem::path& path);

// Writes bytes to a temporary file beside `path` and renames it over the target, so the
// target is either the old or the new content, never half of one. False on any failure.
bool writeFileAtomic(const std::filesystem::path& path, std::string_view bytes);

// A text file of the program: legacy code page decoded to UTF-8, line breaks made CR LF.
std::optional<std::string> readTextFile(const std::filesystem::path& path);

// Writes UTF-8 text as a program text file: CR LF line ends, legacy code page, atomically.
bool writeTextFile(const std::filesystem::path& path, std::string_view utf8);

// A file that may come from outside the program: UTF-8 (with or without a BOM, or valid
// UTF-8 holding non-ASCII bytes) is taken as it is, anything else decoded as legacy text.
std::string decodeForeignText(std::string_view bytes);

}  // namespace mozhou::app
