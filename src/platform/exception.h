// Base error class: every error the system raises carries a message in the
// host code page and is caught at a few boundaries.
#pragma once

#include <stdexcept>
#include <string>

namespace lf {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  // The message as bytes in the host code page.
  std::string Message() const { return what(); }
};

}  // namespace lf
