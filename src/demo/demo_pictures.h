#pragma once
// The pictures of the demo site, drawn in code: a small PNG lamp and a small GIF map.
#include <optional>
#include <string>
#include <string_view>

namespace mozhou::demo {

struct Picture {
  std::string bytes;
  std::string contentType;
};

// A 24 x 24 true-colour PNG (uncompressed deflate blocks, real checksums).
std::string lampPng();
// A 16 x 16 GIF with a four-colour palette.
std::string mapGif();

// The picture served at a path of the site ("/pic/1021/lamp.png"), if there is one.
std::optional<Picture> pictureAt(std::string_view path);

}  // namespace mozhou::demo
