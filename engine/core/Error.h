// The one error type of the editor: an unexpected failure that ends the
// running command and reaches the user as the general error message.
#pragma once

#include <stdexcept>
#include <string>

namespace glyphon {

// Carries the message text as the user reads it. The windows append a full
// stop when the text lacks one and show it with the application title.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace glyphon
