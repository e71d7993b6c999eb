#pragma once
// The two message boxes through which core operations show their fixed texts.
#include <string_view>

namespace mozhou::app {

struct Prompter {
  virtual void tsxx(std::string_view message) = 0;  // information box
  virtual bool qrxx(std::string_view message) = 0;  // confirmation box: true when confirmed
  virtual ~Prompter() = default;
};

}  // namespace mozhou::app
