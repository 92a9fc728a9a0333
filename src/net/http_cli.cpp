// THttpCli: request building, response parsing, relocations and the wait.
#include "net/http_cli.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <cmath>
#include <cstdio>

#include "net/socket.h"
#include "platform/code_page.h"
#include "platform/message_wait.h"

namespace lf {

namespace {

// Bytes read from the socket in one go.
constexpr size_t kReceiveBufferSize = 256 * 1024;

// The value of a Content-Length header, -1 when it is not a whole number.
int64_t ParseContentLength(std::string_view text) {
  std::string v = Trim(text);
  if (v.empty() || v.size() > 18) return -1;
  int64_t n = 0;
  for (char c : v) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

// Spaces and control characters cannot stand in a request line; they are
// sent percent-encoded.
std::string EncodeRequestPath(std::string_view path) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size());
  for (char c : path) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b == 0x7F) {
      out += '%';
      out += hex[b >> 4];
      out += hex[b & 15];
    } else {
      out += c;
    }
  }
  return out;
}

// "Sun, 06 Nov 1994 08:49:37" for a date-time in days since 30 December 1899.
std::string FormatHttpDate(double dateTime) {
  static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  double whole = std::floor(dateTime);
  int64_t seconds = static_cast<int64_t>(std::llround((dateTime - whole) * 86400.0));
  int64_t dayNumber = static_cast<int64_t>(whole);
  if (seconds >= 86400) {
    seconds -= 86400;
    ++dayNumber;
  }
  // Days since 1970-01-01, then the civil date.
  int64_t z = dayNumber - 25569 + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t year = yoe + era * 400;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t day = doy - (153 * mp + 2) / 5 + 1;
  int64_t month = mp < 10 ? mp + 3 : mp - 9;
  if (month <= 2) ++year;
  int64_t weekday = ((dayNumber - 25569) % 7 + 7 + 4) % 7;  // 1970-01-01 was a Thursday
  char out[64];
  std::snprintf(out, sizeof out, "%s, %02d %s %04d %02d:%02d:%02d", days[weekday],
                static_cast<int>(day), months[month - 1], static_cast<int>(year),
                static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                static_cast<int>(seconds % 60));
  return out;
}

}  // namespace

THttpCli::THttpCli() = default;

THttpCli::~THttpCli() {
  *alive_ = false;
  if (socket_) {
    socket_->events = TSocket::Events{};
    socket_->StopIdleTimer();
    socket_->Close();
  }
}

void THttpCli::SetRequestVer(const std::string& v) {
  if (v != "1.0" && v != "1.1") throw EHttpException("Insupported HTTP version", 0);
  requestVer_ = v;
}

TSocket& THttpCli::Socket() {
  if (!socket_) {
    socket_ = std::make_unique<TSocket>();
    socket_->events.dnsLookupDone = [this](int error, const std::string& address) {
      Guarded([&] { OnDnsLookupDone(error, address); });
    };
    socket_->events.sessionConnected = [this](int error) { Guarded([&] { OnSessionConnected(error); }); };
    socket_->events.dataAvailable = [this] { Guarded([&] { OnDataAvailable(); }); };
    socket_->events.sessionClosed = [this](int error) { Guarded([&] { OnSessionClosed(error); }); };
    socket_->events.idleTimeout = [this] { Guarded([&] { OnIdleTimeout(); }); };
  }
  return *socket_;
}

template <class F>
void THttpCli::Guarded(F&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    if (state_ != httpReady) Fail(404, e.what());
  }
}

std::string THttpCli::BuildRequestHeader(const TUrlParts& url) const {
  std::string h;
  auto line = [&h](std::string_view name, const std::string& value) {
    if (value.empty()) return;
    h.append(name).append(value).append("\r\n");
  };
  h += "GET " + EncodeRequestPath(url.path) + " HTTP/" + requestVer_ + "\r\n";
  line("From: ", sender_);
  line("Accept: ", accept_);
  line("Referer: ", reference_);
  line("Connection: ", connection_);
  line("Accept-Language: ", acceptLanguage_);
  line("User-Agent: ", agent_);
  std::string host = url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host;
  if (url.port != DefaultPort(url.scheme)) host += ":" + url.port;
  line("Host: ", host);
  if (noCache_) h += "Pragma: no-cache\r\n";
  line("Proxy-Connection: ", proxyConnection_);
  if (modifiedSince_ != 0) h += "If-Modified-Since: " + FormatHttpDate(modifiedSince_) + " GMT\r\n";
  line("Cookie: ", cookie_);
  if (!contentRangeBegin_.empty() || !contentRangeEnd_.empty())
    h += "Range: bytes=" + contentRangeBegin_ + "-" + contentRangeEnd_ + "\r\n";
  h += "\r\n";
  return h;
}

void THttpCli::Get() {
  if (state_ != httpReady)
    throw EHttpException("HTTP component " + Name() + " is busy", status_);
  if (!HasMessageLoop()) throw EHttpException("No event loop to wait in", 0);
  locationChangeCurCount_ = 0;
  failed_ = false;
  activeStream_ = receiveStream_;
  location_ = url_;
  target_ = ParseURL(url_);
  bodyStart_ = activeStream_ ? activeStream_->Size() : 0;
  ResetResponse();
  // Qt timers take at most about 24 days.
  int timeoutMs = timeout_ > 0 ? std::min(timeout_, 2000000) * 1000 : 0;
  Socket().StartIdleTimer(timeoutMs);
  CloseConnection();  // a connection kept from the previous request is not reused
  Guarded([&] { StartConnection(); });
  std::shared_ptr<bool> alive = alive_;
  while (state_ != httpReady) {
    WaitForMessages(kMaxMessageWaitMs);
    if (!*alive) throw EHttpException("Connection aborted on request", 404);
    if (state_ != httpReady && ApplicationTerminating()) Abort();
  }
  activeStream_ = nullptr;
  if (failed_ || (status_ >= 400 && status_ != 401 && status_ != 407))
    throw EHttpException(reason_, status_);
}

void THttpCli::Abort() {
  if (state_ == httpReady) return;
  Fail(404, "Connection aborted on request");
}

void THttpCli::ResetResponse() {
  status_ = 0;
  reason_.clear();
  rcvdHeader_.clear();
  contentLength_ = -1;
  transferEncoding_.clear();
  contentType_.clear();
  pendingLocation_.clear();
  serverVersion_.clear();
  closeAfterResponse_ = requestVer_ == "1.0";
  firstLine_ = true;
  anyByte_ = false;
  line_.clear();
  headerBytes_ = 0;
  interimResponses_ = 0;
  chunkPhase_ = ChunkPhase::Size;
  chunkLeft_ = 0;
  rcvdCount_ = 0;
}

void THttpCli::StartConnection() {
  if (target_.scheme != "http" && target_.scheme != "https") {
    Fail(501, "Protocol \"" + target_.scheme + "\" not implemented");
    return;
  }
  state_ = httpDnsLookup;
  try {
    Socket().DnsLookup(target_.host);
  } catch (const ESocketException& e) {
    Fail(404, e.Message());
  }
}

void THttpCli::OnDnsLookupDone(int error, const std::string& address) {
  if (state_ != httpDnsLookup) return;
  if (error != 0) {
    Fail(404, "can't resolve hostname to IP address");
    return;
  }
  state_ = httpDnsLookupDone;
  try {
    if (target_.scheme == "https") Socket().ConnectTls(address, target_.port, localAddr_, target_.host);
    else Socket().Connect(address, target_.port, localAddr_);
  } catch (const ESocketException& e) {
    Fail(404, "can't connect: " + e.Message() + " (Error #" + std::to_string(e.Error()) + ")");
  }
}

void THttpCli::OnSessionConnected(int error) {
  if (state_ != httpDnsLookupDone) return;
  if (error == kSockErrTlsHandshake) {
    Fail(404, "TLS handshake failed: " + Socket().TlsError());
    return;
  }
  if (error != 0) {
    Fail(404, SocketErrorDesc(error) + " (Error #" + std::to_string(error) + ")");
    return;
  }
  state_ = httpConnected;
  Socket().RestartIdleTimer();
  SendRequest();
}

void THttpCli::SendRequest() {
  state_ = httpWaitingHeader;
  Socket().Send(BuildRequestHeader(target_));
}

void THttpCli::OnDataAvailable() {
  TSocket& socket = Socket();
  socket.RestartIdleTimer();
  if (buffer_.empty()) buffer_.resize(kReceiveBufferSize);
  while (state_ == httpWaitingHeader || state_ == httpWaitingBody) {
    size_t n = socket.Receive(buffer_.data(), buffer_.size());
    if (n == 0) break;
    Consume(buffer_.data(), n);
  }
}

bool THttpCli::TakeLine(const char*& data, size_t& size) {
  const void* lf = std::memchr(data, '\n', size);
  size_t take = lf ? static_cast<size_t>(static_cast<const char*>(lf) - data) + 1 : size;
  if (line_.size() + take > kMaxHeaderLineLength) {
    Fail(404, "Response header too large");
    return false;
  }
  line_.append(data, take);
  data += take;
  size -= take;
  return lf != nullptr;
}

void THttpCli::Consume(const char* data, size_t size) {
  unsigned serial = connectionSerial_;
  if (size > 0) anyByte_ = true;
  while (size > 0 && serial == connectionSerial_) {
    if (state_ == httpWaitingHeader) {
      if (!TakeLine(data, size)) continue;
      ProcessHeaderLine();
    } else if (state_ == httpWaitingBody) {
      switch (bodyMode_) {
        case BodyMode::Length: {
          size_t take = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(size), contentLength_ - rcvdCount_));
          if (!WriteBody(data, take)) return;
          data += take;
          size -= take;
          if (rcvdCount_ >= contentLength_) ResponseComplete();
          break;
        }
        case BodyMode::UntilClose:
          if (!WriteBody(data, size)) return;
          size = 0;
          break;
        case BodyMode::Chunked:
          if (chunkPhase_ == ChunkPhase::Data) {
            size_t take = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(size), chunkLeft_));
            if (!WriteBody(data, take)) return;
            data += take;
            size -= take;
            chunkLeft_ -= static_cast<int64_t>(take);
            if (chunkLeft_ == 0) chunkPhase_ = ChunkPhase::DataEnd;
            break;
          }
          if (!TakeLine(data, size)) continue;
          if (chunkPhase_ == ChunkPhase::Size) {
            // chunk-size := hex-digits [anything up to the line feed]
            int64_t chunk = 0;
            bool tooLarge = false;
            for (char c : line_) {
              int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                          : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                          : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                                                                      : -1;
              if (digit < 0) break;
              if (chunk > (maxBodySize_ >> 4)) tooLarge = true;
              else chunk = chunk * 16 + digit;
            }
            line_.clear();
            if (tooLarge || rcvdCount_ + chunk > maxBodySize_) {
              Fail(404, "Response too large");
              return;
            }
            chunkLeft_ = chunk;
            chunkPhase_ = chunk == 0 ? ChunkPhase::Trailer : ChunkPhase::Data;
          } else if (chunkPhase_ == ChunkPhase::DataEnd) {
            line_.clear();
            chunkPhase_ = ChunkPhase::Size;
          } else {
            line_.clear();
            ResponseComplete();
          }
          break;
      }
    } else {
      return;  // the request has ended; bytes beyond the response stay unread
    }
  }
}

void THttpCli::ProcessHeaderLine() {
  headerBytes_ += line_.size();
  if (headerBytes_ > kMaxHeaderSize) {
    Fail(404, "Response header too large");
    return;
  }
  std::string raw;
  raw.swap(line_);
  std::string text = raw;
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();

  if (firstLine_) {
    firstLine_ = false;
    if (StartsWithNoCase(text, "<HTML>") || StartsWithNoCase(text, "<!DOCTYPE")) {
      // A page without a header: this line and everything after it are body.
      contentType_ = "text/html";
      StartBody(BodyMode::UntilClose);
      WriteBody(raw.data(), raw.size());
      return;
    }
    if (text.compare(0, 8, "HTTP/1.0") == 0 || text.compare(0, 8, "HTTP/1.1") == 0) {
      serverVersion_ = text.substr(5, 3);
      size_t digit = 9;
      while (digit < text.size() && !std::isdigit(static_cast<unsigned char>(text[digit]))) ++digit;
      if (digit < text.size()) {
        std::string code = text.substr(digit, 3);
        int value = 0;
        for (char c : code) {
          if (!std::isdigit(static_cast<unsigned char>(c))) break;
          value = value * 10 + (c - '0');
        }
        status_ = value;
        reason_ = digit + 4 < text.size() ? text.substr(digit + 4) : "";
      }
      closeAfterResponse_ = requestVer_ == "1.0" || serverVersion_ == "1.0";
    }
    rcvdHeader_.push_back(text);
    return;
  }
  if (text.empty()) {
    HeaderEnded();
    return;
  }
  rcvdHeader_.push_back(text);
  size_t colon = text.find(':');
  if (colon == std::string::npos) return;
  std::string name = AsciiLower(text.substr(0, colon));
  size_t v = colon + 1;
  while (v < text.size() && text[v] == ' ') ++v;
  std::string value = text.substr(v);
  if (name == "location") {
    if (followRelocation_) pendingLocation_ = Trim(value);
  } else if (name == "content-length") {
    contentLength_ = ParseContentLength(value);
  } else if (name == "transfer-encoding") {
    transferEncoding_ = AsciiLower(value);
  } else if (name == "content-type") {
    contentType_ = AsciiLower(value);
  } else if (name == "connection" || name == "proxy-connection") {
    std::string t = Trim(value);
    if (SameTextAscii(t, "close")) closeAfterResponse_ = true;
    else if (SameTextAscii(t, "keep-alive")) closeAfterResponse_ = false;
  }
}

void THttpCli::HeaderEnded() {
  if (serverVersion_ == "1.1" && status_ == 100) {
    if (++interimResponses_ > kMaxInterimResponses) {
      Fail(404, "Too many interim responses");
      return;
    }
    int interim = interimResponses_;
    bool closeAfter = closeAfterResponse_;
    ResetResponse();
    interimResponses_ = interim;
    closeAfterResponse_ = closeAfter;
    anyByte_ = true;
    return;
  }
  bool chunked = Trim(transferEncoding_) == "chunked";
  bool noBodyStatus = status_ < 200 || status_ == 204 || status_ == 301 || status_ == 302 ||
                      status_ == 304 || status_ == 401 || status_ == 407;
  if (contentLength_ == 0 || (contentLength_ < 0 && !chunked && noBodyStatus)) {
    ResponseComplete();
    return;
  }
  if (chunked) {
    StartBody(BodyMode::Chunked);
  } else if (contentLength_ > 0) {
    if (contentLength_ > maxBodySize_) {
      Fail(404, "Response too large");
      return;
    }
    StartBody(BodyMode::Length);
  } else {
    StartBody(BodyMode::UntilClose);
  }
}

void THttpCli::StartBody(BodyMode mode) {
  state_ = httpWaitingBody;
  bodyMode_ = mode;
  chunkPhase_ = ChunkPhase::Size;
  rcvdCount_ = 0;
  if (activeStream_) {
    activeStream_->Seek(0, SeekOrigin::End);
    bodyStart_ = activeStream_->Position();
  }
}

bool THttpCli::WriteBody(const char* data, size_t size) {
  if (rcvdCount_ + static_cast<int64_t>(size) > maxBodySize_) {
    Fail(404, "Response too large");
    return false;
  }
  if (activeStream_) activeStream_->WriteBuffer(data, size);
  rcvdCount_ += static_cast<int64_t>(size);
  return true;
}

void THttpCli::ResponseComplete() {
  if (!pendingLocation_.empty()) {
    Relocate();
    return;
  }
  if (closeAfterResponse_) CloseConnection();
  Finish();
}

void THttpCli::Relocate() {
  // Each relocation counts once; the one past the limit fails the request.
  if (++locationChangeCurCount_ > locationChangeMaxCount_) {
    Fail(status_, "Too many relocations");
    return;
  }
  std::string next = ResolveLocation(target_, pendingLocation_);
  TUrlParts parts = ParseURL(next);
  bool sameConnection = !closeAfterResponse_ && socket_ && socket_->IsConnected() &&
                        parts.scheme == target_.scheme && SameTextAscii(parts.host, target_.host) &&
                        parts.port == target_.port;
  if (activeStream_) {
    activeStream_->SetSize(bodyStart_);
    activeStream_->Seek(0, SeekOrigin::End);
  }
  target_ = parts;
  location_ = next;
  ResetResponse();
  Socket().RestartIdleTimer();
  if (sameConnection) {
    SendRequest();
  } else {
    CloseConnection();
    StartConnection();
  }
}

void THttpCli::OnSessionClosed(int error) {
  ++connectionSerial_;
  if (state_ == httpWaitingHeader) {
    if (!anyByte_) Fail(404, "Connection closed without a response");
    else ResponseComplete();
  } else if (state_ == httpWaitingBody) {
    if (bodyMode_ == BodyMode::UntilClose && error == 0) ResponseComplete();
    else if (bodyMode_ == BodyMode::Chunked && chunkPhase_ == ChunkPhase::Trailer) ResponseComplete();
    else Fail(404, "Connection closed before the end of the body");
  } else if (state_ != httpReady) {
    Fail(404, "Connection closed without a response");
  }
}

void THttpCli::OnIdleTimeout() {
  if (state_ != httpReady) Fail(404, "Connection timed out");
}

void THttpCli::Fail(int status, const std::string& reason) {
  status_ = status;
  reason_ = reason;
  failed_ = true;
  // Nothing of a body that did not arrive whole stays in the stream.
  if (activeStream_ && state_ == httpWaitingBody) {
    try {
      activeStream_->SetSize(bodyStart_);
    } catch (const std::exception&) {
    }
  }
  CloseConnection();
  Finish();
}

void THttpCli::CloseConnection() {
  ++connectionSerial_;
  if (socket_) socket_->Close();
}

void THttpCli::Finish() {
  state_ = httpReady;
  if (socket_) socket_->StopIdleTimer();
}

}  // namespace lf
