#pragma once
// Exceptions of the toolkit's conversion routines; messages are Shift-JIS texts.

#include <stdexcept>
#include <string>

namespace kestrum::base {

// A text that does not convert to the number or date it should stand for.
class EConvertError : public std::runtime_error {
 public:
  explicit EConvertError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace kestrum::base
