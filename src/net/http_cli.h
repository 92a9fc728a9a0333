// The HTTP client THttpCli: one synchronous GET at a time over the
// asynchronous socket layer, with relocations, chunked bodies and a wait
// loop that keeps the application's events flowing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/http_exception.h"
#include "net/url.h"
#include "platform/component.h"
#include "platform/liveness.h"
#include "platform/stream.h"

namespace lf {

class TSocket;

enum THttpState {
  httpReady,
  httpNotConnected,
  httpConnected,
  httpDnsLookup,
  httpDnsLookupDone,
  httpWaitingHeader,
  httpWaitingBody,
  httpBodyReceived,
  httpWaitingProxyConnect,
  httpClosing,
  httpAborting
};

enum THttpAuthType { httpAuthNone, httpAuthBasic, httpAuthNtlm };

// THttpCliOptions is a set of these bits.
enum THttpCliOption : unsigned {
  httpoNoBasicAuth = 1u << 0,
  httpoNoNTLMAuth = 1u << 1,
  httpoBandwidthControl = 1u << 2,
  httpoEnableContentCoding = 1u << 3,
  httpoUseQuality = 1u << 4,
};
using THttpCliOptions = unsigned;

// Longest response header line (bytes, line feed included).
inline constexpr size_t kMaxHeaderLineLength = 64 * 1024;
// Most bytes one response header may take.
inline constexpr size_t kMaxHeaderSize = 1024 * 1024;
// Most "100 Continue" headers accepted before the real one.
inline constexpr int kMaxInterimResponses = 20;
inline constexpr int kDefaultHttpTimeoutSeconds = 60;
inline constexpr int64_t kDefaultMaxBodySize = int64_t{1} << 30;
inline constexpr int kDefaultLocationChangeMaxCount = 5;

class THttpCli : public TComponent {
 public:
  // Settings start with the values the control uses.
  THttpCli();
  ~THttpCli() override;

  const std::string& URL() const { return url_; }
  void SetURL(const std::string& url) { url_ = url; }
  const std::string& Agent() const { return agent_; }
  void SetAgent(const std::string& v) { agent_ = v; }
  const std::string& Accept() const { return accept_; }
  void SetAccept(const std::string& v) { accept_ = v; }
  const std::string& RequestVer() const { return requestVer_; }
  // Accepts "1.0" and "1.1"; raises EHttpException "Insupported HTTP version".
  void SetRequestVer(const std::string& v);
  bool NoCache() const { return noCache_; }
  void SetNoCache(bool v) { noCache_ = v; }
  bool FollowRelocation() const { return followRelocation_; }
  void SetFollowRelocation(bool v) { followRelocation_ = v; }
  int LocationChangeMaxCount() const { return locationChangeMaxCount_; }
  void SetLocationChangeMaxCount(int v) { locationChangeMaxCount_ = v; }
  // Relocations followed by the running or last GET.
  int LocationChangeCurCount() const { return locationChangeCurCount_; }
  // Kept as a setting only: requests always go straight to the server.
  const std::string& Proxy() const { return proxy_; }
  void SetProxy(const std::string& v) { proxy_ = v; }
  const std::string& ProxyPort() const { return proxyPort_; }
  void SetProxyPort(const std::string& v) { proxyPort_ = v; }
  THttpAuthType ServerAuth() const { return serverAuth_; }
  void SetServerAuth(THttpAuthType v) { serverAuth_ = v; }
  THttpAuthType ProxyAuth() const { return proxyAuth_; }
  void SetProxyAuth(THttpAuthType v) { proxyAuth_ = v; }
  THttpCliOptions Options() const { return options_; }
  void SetOptions(THttpCliOptions v) { options_ = v; }
  bool MultiThreaded() const { return multiThreaded_; }
  void SetMultiThreaded(bool v) { multiThreaded_ = v; }
  const std::string& LocalAddr() const { return localAddr_; }
  void SetLocalAddr(const std::string& v) { localAddr_ = v; }
  const std::string& Sender() const { return sender_; }
  void SetSender(const std::string& v) { sender_ = v; }
  const std::string& Reference() const { return reference_; }
  void SetReference(const std::string& v) { reference_ = v; }
  const std::string& Connection() const { return connection_; }
  void SetConnection(const std::string& v) { connection_ = v; }
  const std::string& ProxyConnection() const { return proxyConnection_; }
  void SetProxyConnection(const std::string& v) { proxyConnection_ = v; }
  const std::string& AcceptLanguage() const { return acceptLanguage_; }
  void SetAcceptLanguage(const std::string& v) { acceptLanguage_ = v; }
  const std::string& Cookie() const { return cookie_; }
  void SetCookie(const std::string& v) { cookie_ = v; }
  // Date-time in days since 30 December 1899 (UTC); 0 sends no If-Modified-Since.
  double ModifiedSince() const { return modifiedSince_; }
  void SetModifiedSince(double v) { modifiedSince_ = v; }
  const std::string& ContentRangeBegin() const { return contentRangeBegin_; }
  void SetContentRangeBegin(const std::string& v) { contentRangeBegin_ = v; }
  const std::string& ContentRangeEnd() const { return contentRangeEnd_; }
  void SetContentRangeEnd(const std::string& v) { contentRangeEnd_ = v; }
  const std::string& ContentTypePost() const { return contentTypePost_; }
  void SetContentTypePost(const std::string& v) { contentTypePost_ = v; }
  int BandwidthLimit() const { return bandwidthLimit_; }
  void SetBandwidthLimit(int v) { bandwidthLimit_ = v; }
  int BandwidthSampling() const { return bandwidthSampling_; }
  void SetBandwidthSampling(int v) { bandwidthSampling_ = v; }
  // Seconds without a received byte after which a request ends with status
  // 404 "Connection timed out"; 0 waits forever.
  int Timeout() const { return timeout_; }
  void SetTimeout(int seconds) { timeout_ = seconds; }
  // Largest body accepted (bytes); a larger one ends the request with status
  // 404 "Response too large".
  int64_t MaxBodySize() const { return maxBodySize_; }
  void SetMaxBodySize(int64_t bytes) { maxBodySize_ = bytes; }

  // The stream the body is appended to; owned by the caller, who sets it
  // before Get and clears it afterwards. A running request keeps the stream
  // and address it started with.
  TStream* ReceiveStream() const { return receiveStream_; }
  void SetReceiveStream(TStream* stream) { receiveStream_ = stream; }

  // Runs a GET of URL and waits for its end. Raises EHttpException when the
  // client is busy, when the request fails, or when the final status is 400
  // or more other than 401 and 407.
  void Get();
  // Ends a running request at once with status 404 "Connection aborted on request".
  void Abort();

  THttpState State() const { return state_; }
  int ResponseStatus() const { return status_; }
  const std::string& ResponseReason() const { return reason_; }
  const std::vector<std::string>& RcvdHeader() const { return rcvdHeader_; }
  int64_t ContentLength() const { return contentLength_; }
  const std::string& TransferEncoding() const { return transferEncoding_; }
  const std::string& ContentType() const { return contentType_; }
  // The address of the running or last response (after relocations).
  const std::string& Location() const { return location_; }
  // Body bytes of the current response received so far.
  int64_t RcvdCount() const { return rcvdCount_; }

  // The request header Get sends for url with the current settings.
  std::string BuildRequestHeader(const TUrlParts& url) const;

 private:
  enum class BodyMode { Length, Chunked, UntilClose };
  enum class ChunkPhase { Size, Data, DataEnd, Trailer };

  TSocket& Socket();
  void ResetResponse();
  void StartConnection();
  void SendRequest();
  void OnDnsLookupDone(int error, const std::string& address);
  void OnSessionConnected(int error);
  void OnDataAvailable();
  void OnSessionClosed(int error);
  void OnIdleTimeout();
  void Consume(const char* data, size_t size);
  // Takes bytes up to a line feed into line_; true when the line is complete.
  bool TakeLine(const char*& data, size_t& size);
  void ProcessHeaderLine();
  void HeaderEnded();
  void StartBody(BodyMode mode);
  bool WriteBody(const char* data, size_t size);
  void ResponseComplete();
  void Relocate();
  void Fail(int status, const std::string& reason);
  void CloseConnection();
  void Finish();
  // Runs an event handler, turning any error it raises into a failed request.
  template <class F>
  void Guarded(F&& handler);

  std::string url_;
  std::string agent_ = "Mozilla/4.0 (compatible; lumenfoldi)";
  std::string accept_ = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
  std::string requestVer_ = "1.0";
  bool noCache_ = false;
  bool followRelocation_ = true;
  int locationChangeMaxCount_ = kDefaultLocationChangeMaxCount;
  int locationChangeCurCount_ = 0;
  std::string proxy_;
  std::string proxyPort_ = "80";
  THttpAuthType serverAuth_ = httpAuthNone;
  THttpAuthType proxyAuth_ = httpAuthNone;
  THttpCliOptions options_ = 0;
  bool multiThreaded_ = false;
  std::string localAddr_ = "0.0.0.0";
  std::string sender_, reference_, connection_, proxyConnection_, acceptLanguage_, cookie_;
  double modifiedSince_ = 0;
  std::string contentRangeBegin_, contentRangeEnd_;
  std::string contentTypePost_ = "application/x-www-form-urlencoded";
  int bandwidthLimit_ = 10000;
  int bandwidthSampling_ = 1000;
  int timeout_ = kDefaultHttpTimeoutSeconds;
  int64_t maxBodySize_ = kDefaultMaxBodySize;
  TStream* receiveStream_ = nullptr;

  // State of the running request.
  THttpState state_ = httpReady;
  TStream* activeStream_ = nullptr;  // the caller's stream the request started with
  TUrlParts target_;
  std::string location_;
  int status_ = 0;
  std::string reason_;
  std::vector<std::string> rcvdHeader_;
  int64_t contentLength_ = -1;
  std::string transferEncoding_;
  std::string contentType_;
  std::string pendingLocation_;
  std::string serverVersion_;
  bool closeAfterResponse_ = true;
  bool failed_ = false;
  bool firstLine_ = true;
  bool anyByte_ = false;
  std::string line_;
  size_t headerBytes_ = 0;
  int interimResponses_ = 0;
  BodyMode bodyMode_ = BodyMode::UntilClose;
  ChunkPhase chunkPhase_ = ChunkPhase::Size;
  int64_t chunkLeft_ = 0;
  int64_t bodyStart_ = 0;
  int64_t rcvdCount_ = 0;
  unsigned connectionSerial_ = 0;
  std::vector<char> buffer_;
  std::unique_ptr<TSocket> socket_;
  // Cleared when the client is destroyed, so a wait loop whose client went
  // away during an event ends without touching it.
  Liveness liveness_;
};

}  // namespace lf
