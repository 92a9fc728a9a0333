// The error the HTTP client raises: a message and the response status.
#pragma once

#include <string>

#include "platform/exception.h"

namespace lf {

class EHttpException : public Exception {
 public:
  EHttpException(const std::string& message, int errorCode)
      : Exception(message), errorCode_(errorCode) {}
  // The response status of the failed request (0 when there was none).
  int ErrorCode() const { return errorCode_; }

 private:
  int errorCode_;
};

}  // namespace lf
