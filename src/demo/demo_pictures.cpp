#include "demo/demo_pictures.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace mozhou::demo {
namespace {

void putBe32(std::string& out, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void putLe16(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

std::uint32_t crc32(std::string_view data) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : data) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::uint32_t adler32(std::string_view data) {
  std::uint32_t a = 1, b = 0;
  for (unsigned char c : data) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void pngChunk(std::string& out, std::string_view type, std::string_view data) {
  putBe32(out, static_cast<std::uint32_t>(data.size()));
  std::string body(type);
  body += data;
  out += body;
  putBe32(out, crc32(body));
}

// A zlib stream of stored (uncompressed) deflate blocks: valid, and simple enough to write
// without a compression library.
std::string zlibStored(std::string_view raw) {
  std::string out = "\x78\x01";
  std::size_t at = 0;
  do {
    const std::size_t n = std::min<std::size_t>(raw.size() - at, 65535);
    const bool last = at + n == raw.size();
    out.push_back(last ? 1 : 0);
    putLe16(out, static_cast<std::uint32_t>(n));
    putLe16(out, static_cast<std::uint32_t>(~n & 0xFFFF));
    out.append(raw.substr(at, n));
    at += n;
  } while (at < raw.size());
  putBe32(out, adler32(raw));
  return out;
}

}  // namespace

std::string lampPng() {
  constexpr int kSize = 24;
  std::string raw;
  for (int y = 0; y < kSize; ++y) {
    raw.push_back('\0');  // filter: none
    for (int x = 0; x < kSize; ++x) {
      const int dx = x - 12, dy = y - 10;
      const bool flame = dx * dx + dy * dy <= 25;
      const bool base = y >= 18 && x >= 7 && x <= 16;
      unsigned char r = 20, g = 24, b = 48;  // night sky
      if (flame) r = 250, g = static_cast<unsigned char>(180 + dy * 6), b = 60;
      if (base) r = 120, g = 80, b = 40;
      raw.push_back(static_cast<char>(r));
      raw.push_back(static_cast<char>(g));
      raw.push_back(static_cast<char>(b));
    }
  }
  std::string png = "\x89PNG\r\n\x1a\n";
  std::string ihdr;
  putBe32(ihdr, kSize);
  putBe32(ihdr, kSize);
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace
  pngChunk(png, "IHDR", ihdr);
  pngChunk(png, "IDAT", zlibStored(raw));
  pngChunk(png, "IEND", "");
  return png;
}

std::string mapGif() {
  constexpr int kSize = 16;
  std::string gif = "GIF89a";
  putLe16(gif, kSize);
  putLe16(gif, kSize);
  gif.push_back(static_cast<char>(0x81));  // global colour table of 4 entries
  gif.push_back(0);                        // background colour
  gif.push_back(0);                        // aspect ratio
  const unsigned char palette[] = {240, 230, 200, 60, 120, 60, 40, 90, 160, 150, 40, 30};
  gif.append(reinterpret_cast<const char*>(palette), sizeof palette);
  gif += ",";
  putLe16(gif, 0);
  putLe16(gif, 0);
  putLe16(gif, kSize);
  putLe16(gif, kSize);
  gif.push_back(0);  // no local colour table
  // LZW with a clear code before every pixel keeps every code 3 bits wide, so no
  // dictionary needs to be built.
  constexpr unsigned kMinCodeSize = 2, kClear = 4, kEnd = 5, kWidth = 3;
  gif.push_back(static_cast<char>(kMinCodeSize));
  std::string data;
  std::uint32_t acc = 0;
  unsigned bits = 0;
  auto emit = [&](unsigned code) {
    acc |= code << bits;
    bits += kWidth;
    while (bits >= 8) {
      data.push_back(static_cast<char>(acc & 0xFF));
      acc >>= 8;
      bits -= 8;
    }
  };
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      unsigned colour = 0;                                           // paper
      if (y == 11 || x == 4) colour = 2;                             // river and road
      if ((x - 10) * (x - 10) + (y - 5) * (y - 5) <= 6) colour = 1;  // hill
      if (x == 12 && y == 12) colour = 3;                            // the marked spot
      emit(kClear);
      emit(colour);
    }
  emit(kEnd);
  if (bits > 0) data.push_back(static_cast<char>(acc & 0xFF));
  for (std::size_t at = 0; at < data.size(); at += 255) {
    const std::size_t n = std::min<std::size_t>(255, data.size() - at);
    gif.push_back(static_cast<char>(n));
    gif.append(data, at, n);
  }
  gif.push_back(0);  // block terminator
  gif += ";";
  return gif;
}

std::optional<Picture> pictureAt(std::string_view path) {
  if (path == "/pic/1021/lamp.png") return Picture{lampPng(), "image/png"};
  if (path == "/pic/1021/map.gif") return Picture{mapGif(), "image/gif"};
  return std::nullopt;
}

}  // namespace mozhou::demo
