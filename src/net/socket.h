// Asynchronous TCP socket whose events (lookup done, connected, data
// available, closed, idle time-out) arrive through the Qt event loop of the
// calling thread, the way window messages reach a message-driven socket.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/exception.h"

namespace lf {

// Socket error numbers, in the numbering the control's error texts use.
inline constexpr int kSockErrAccess = 10013;
inline constexpr int kSockErrInvalidArgument = 10022;
inline constexpr int kSockErrAddressInUse = 10048;
inline constexpr int kSockErrAddressNotAvailable = 10049;
inline constexpr int kSockErrNetworkUnreachable = 10051;
inline constexpr int kSockErrConnectionReset = 10054;
inline constexpr int kSockErrNoBufferSpace = 10055;
inline constexpr int kSockErrTimedOut = 10060;
inline constexpr int kSockErrConnectionRefused = 10061;
inline constexpr int kSockErrHostUnreachable = 10065;
inline constexpr int kSockErrHostNotFound = 11001;
inline constexpr int kSockErrUnknown = 10000;
// The TLS handshake of ConnectTls failed; TlsError() tells why.
inline constexpr int kSockErrTlsHandshake = 10099;

// Longest host name a lookup accepts (a DNS name has at most 253 characters).
inline constexpr size_t kMaxHostNameLength = 253;

// The description of a socket error number ("Connection refused", ...).
std::string SocketErrorDesc(int error);

// Raised when an operation cannot even start; carries the socket error number.
class ESocketException : public Exception {
 public:
  ESocketException(const std::string& message, int error) : Exception(message), error_(error) {}
  int Error() const { return error_; }

 private:
  int error_;
};

class TSocket {
 public:
  // Handlers called from the event loop. A handler may call Close() or start
  // a new operation; Close() delivers no further events.
  struct Events {
    std::function<void(int error, const std::string& address)> dnsLookupDone;
    std::function<void(int error)> sessionConnected;
    std::function<void()> dataAvailable;
    std::function<void(int error)> sessionClosed;
    std::function<void()> idleTimeout;
  };

  TSocket();
  ~TSocket();
  TSocket(const TSocket&) = delete;
  TSocket& operator=(const TSocket&) = delete;

  Events events;

  // Resolves host asynchronously; the result (an IPv4 address preferred)
  // arrives through dnsLookupDone. Names under ".invalid" never resolve and
  // are answered without asking any resolver. Raises ESocketException when
  // the lookup cannot start (empty, too long or malformed name).
  void DnsLookup(const std::string& host);
  // Opens a TCP connection to address:port from localAddr ("0.0.0.0" or
  // empty: any interface); the outcome arrives through sessionConnected.
  // Raises ESocketException when the connection cannot be started.
  void Connect(const std::string& address, const std::string& port, const std::string& localAddr);
  // As Connect, then a TLS handshake in which the server's certificate must
  // be valid for peerName and chain to a trusted root: the system's store, or
  // the certificates of the file SSL_CERT_FILE names when it is set.
  // sessionConnected arrives once the session is encrypted, or with
  // kSockErrTlsHandshake when the handshake failed; nothing is sent before.
  void ConnectTls(const std::string& address, const std::string& port, const std::string& localAddr,
                  const std::string& peerName);
  // Why the last TLS handshake failed (Qt's words); empty after a success.
  const std::string& TlsError() const;
  // Queues bytes for sending on the connected socket.
  void Send(std::string_view bytes);
  // Reads up to size received bytes; returns 0 when none are waiting.
  size_t Receive(char* buffer, size_t size);
  size_t BytesAvailable() const;
  // Drops the connection and any running lookup; delivers no further events
  // of them (the idle timer keeps running).
  void Close();
  bool IsConnected() const;

  // Calls idleTimeout when the timer runs out; each Restart starts it anew.
  void StartIdleTimer(int milliseconds);
  void RestartIdleTimer();
  void StopIdleTimer();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace lf
