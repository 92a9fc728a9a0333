// One GET through an HTTP client for tests, with what came back and what was raised.
#pragma once

#include <string>

#include "net/http_cli.h"
#include "platform/stream.h"

namespace lf::test {

struct Outcome {
  bool raised = false;
  std::string message;  // of the EHttpException
  int errorCode = 0;
  int status = 0;
  std::string reason;
  std::string body;
};

// Reads into stream when given, else into a stream of its own.
inline Outcome Fetch(THttpCli& cli, const std::string& url, TMemoryStream* stream = nullptr) {
  TMemoryStream own;
  TMemoryStream& s = stream ? *stream : own;
  cli.SetURL(url);
  cli.SetReceiveStream(&s);
  Outcome o;
  try {
    cli.Get();
  } catch (const EHttpException& e) {
    o.raised = true;
    o.message = e.Message();
    o.errorCode = e.ErrorCode();
  }
  cli.SetReceiveStream(nullptr);
  o.status = cli.ResponseStatus();
  o.reason = cli.ResponseReason();
  o.body = s.Bytes();
  return o;
}

}  // namespace lf::test
