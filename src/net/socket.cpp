// The socket layer over Qt Network: QHostInfo lookups, a QTcpSocket for
// plain connections and a QSslSocket for TLS ones, with Qt's socket errors
// mapped to the control's error numbers.
#include "net/socket.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QObject>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "platform/code_page.h"

namespace lf {

namespace {

int MapSocketError(QAbstractSocket::SocketError error) {
  switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return kSockErrConnectionRefused;
    case QAbstractSocket::RemoteHostClosedError: return kSockErrConnectionReset;
    case QAbstractSocket::HostNotFoundError: return kSockErrHostNotFound;
    case QAbstractSocket::SocketAccessError: return kSockErrAccess;
    case QAbstractSocket::SocketResourceError: return kSockErrNoBufferSpace;
    case QAbstractSocket::SocketTimeoutError: return kSockErrTimedOut;
    case QAbstractSocket::NetworkError: return kSockErrNetworkUnreachable;
    case QAbstractSocket::AddressInUseError: return kSockErrAddressInUse;
    case QAbstractSocket::SocketAddressNotAvailableError: return kSockErrAddressNotAvailable;
    case QAbstractSocket::UnsupportedSocketOperationError: return kSockErrInvalidArgument;
    default: return kSockErrUnknown;
  }
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[text.size() - suffix.size() + i])) != suffix[i])
      return false;
  return true;
}

// A name a resolver may be asked about: printable ASCII or higher bytes, no
// spaces or control characters.
bool IsValidHostName(std::string_view host) {
  for (char c : host) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b == 0x7F || c == '/' || c == '\\' || c == '@') return false;
  }
  return true;
}

// The trust settings of a TLS connection: the system's roots, or the
// certificates of the file SSL_CERT_FILE names (read anew for every
// connection, so a changed variable takes effect at once).
QSslConfiguration TlsConfiguration() {
  QSslConfiguration conf = QSslConfiguration::defaultConfiguration();
  conf.setPeerVerifyMode(QSslSocket::VerifyPeer);
  const char* file = std::getenv("SSL_CERT_FILE");
  if (file && *file)
    conf.setCaCertificates(QSslCertificate::fromPath(QString::fromLocal8Bit(file), QSsl::Pem,
                                                     QSslCertificate::PatternSyntax::FixedString));
  return conf;
}

}  // namespace

std::string SocketErrorDesc(int error) {
  switch (error) {
    case kSockErrAccess: return "Permission denied";
    case kSockErrInvalidArgument: return "Invalid argument";
    case kSockErrAddressInUse: return "Address already in use";
    case kSockErrAddressNotAvailable: return "Address not available";
    case kSockErrNetworkUnreachable: return "Network is unreachable";
    case kSockErrConnectionReset: return "Connection reset by peer";
    case kSockErrNoBufferSpace: return "No buffer space available";
    case kSockErrTimedOut: return "Connection timed out";
    case kSockErrConnectionRefused: return "Connection refused";
    case kSockErrHostUnreachable: return "No route to host";
    case kSockErrHostNotFound: return "Host not found";
    case kSockErrTlsHandshake: return "TLS handshake failed";
    default: return "Unknown error";
  }
}

struct TSocket::Impl {
  TSocket* owner;
  // Context object of queued lookup results: destroyed with the socket, so a
  // late result of an abandoned lookup is never delivered.
  QObject context;
  QTcpSocket plain;
  // Made by the first TLS connection, so plain use never loads the TLS library.
  std::unique_ptr<QSslSocket> tls;
  QTcpSocket* active = &plain;  // the one of the two the current connection uses
  QTimer idle;
  std::string tlsError;
  int lookupId = -1;
  unsigned lookupSerial = 0;
  bool connecting = false;
  bool tcpUp = false;  // TLS: the TCP connection stands, the handshake runs
  bool connected = false;
  bool closePending = false;
  unsigned connectionSerial = 0;  // raised by every Close, so a pending close of an old connection is dropped

  explicit Impl(TSocket* o) : owner(o) {
    idle.setSingleShot(true);
    QObject::connect(&idle, &QTimer::timeout, &context, [this] {
      if (owner->events.idleTimeout) owner->events.idleTimeout();
    });
    Wire(plain);
  }

  QSslSocket& Tls() {
    if (tls) return *tls;
    tls = std::make_unique<QSslSocket>();
    Wire(*tls);
    QObject::connect(tls.get(), &QSslSocket::encrypted, &context, [this] {
      if (!connecting || active != tls.get()) return;
      connecting = false;
      connected = true;
      tlsError.clear();
      if (owner->events.sessionConnected) owner->events.sessionConnected(0);
    });
    QObject::connect(tls.get(), &QSslSocket::sslErrors, &context, [this](const QList<QSslError>& errors) {
      // Not ignored: Qt ends the handshake after this, and the reasons
      // gathered here are what the failure reports.
      QStringList texts;
      for (const QSslError& e : errors) texts << e.errorString();
      tlsError = texts.join(QStringLiteral("; ")).toStdString();
    });
    return *tls;
  }

  void Wire(QTcpSocket& s) {
    QObject::connect(&s, &QTcpSocket::connected, &context, [this, &s] {
      if (!connecting || active != &s) return;
      if (&s == tls.get()) {
        tcpUp = true;  // the handshake follows; the session starts when it is done
        return;
      }
      connecting = false;
      connected = true;
      if (owner->events.sessionConnected) owner->events.sessionConnected(0);
    });
    QObject::connect(&s, &QTcpSocket::readyRead, &context, [this, &s] {
      if (active == &s && owner->events.dataAvailable) owner->events.dataAvailable();
    });
    QObject::connect(&s, &QTcpSocket::errorOccurred, &context,
                     [this, &s](QAbstractSocket::SocketError error) {
                       if (active != &s) return;
                       if (connecting) {
                         connecting = false;
                         int number = MapSocketError(error);
                         if (&s == tls.get() && (tcpUp || error == QAbstractSocket::SslHandshakeFailedError ||
                                            error == QAbstractSocket::SslInternalError ||
                                            error == QAbstractSocket::SslInvalidUserDataError)) {
                           if (tlsError.empty()) tlsError = s.errorString().toStdString();
                           number = kSockErrTlsHandshake;
                         }
                         s.abort();
                         if (owner->events.sessionConnected) owner->events.sessionConnected(number);
                       } else if (connected) {
                         ScheduleClosed(error == QAbstractSocket::RemoteHostClosedError ? 0 : MapSocketError(error));
                       }
                     });
    QObject::connect(&s, &QTcpSocket::disconnected, &context, [this, &s] {
      if (active == &s && connected) ScheduleClosed(0);
    });
  }

  // The end of a connection is noticed while its bytes are being read (the
  // socket reads without a buffer of its own), so the close is delivered as
  // an event of its own once the reader is done; error and disconnect
  // signals of one close give one event.
  void ScheduleClosed(int error) {
    if (closePending) return;
    closePending = true;
    unsigned serial = connectionSerial;
    QMetaObject::invokeMethod(&context, [this, serial, error] {
      if (serial != connectionSerial || !closePending) return;
      closePending = false;
      Closed(error);
    }, Qt::QueuedConnection);
  }

  // Delivers the bytes still buffered, then the close.
  void Closed(int error) {
    connected = false;
    while (active->bytesAvailable() > 0 && owner->events.dataAvailable) {
      qint64 before = active->bytesAvailable();
      owner->events.dataAvailable();
      // A handler that closed the socket or read nothing ends the loop.
      if (!active->isOpen() || active->bytesAvailable() >= before) break;
    }
    if (owner->events.sessionClosed) owner->events.sessionClosed(error);
  }

  void Deliver(unsigned serial, int error, const std::string& address) {
    if (serial != lookupSerial) return;
    lookupId = -1;
    if (owner->events.dnsLookupDone) owner->events.dnsLookupDone(error, address);
  }
};

TSocket::TSocket() : impl_(std::make_unique<Impl>(this)) {}

TSocket::~TSocket() {
  events = Events{};
  impl_->idle.stop();
  Close();
}

void TSocket::DnsLookup(const std::string& host) {
  if (host.empty()) throw ESocketException("Host name is empty", kSockErrInvalidArgument);
  if (host.size() > kMaxHostNameLength) throw ESocketException("Host name too long", kSockErrInvalidArgument);
  if (!IsValidHostName(host)) throw ESocketException("Invalid host name", kSockErrInvalidArgument);
  if (impl_->lookupId >= 0) QHostInfo::abortHostLookup(impl_->lookupId);
  impl_->lookupId = -1;
  unsigned serial = ++impl_->lookupSerial;
  Impl* impl = impl_.get();
  QHostAddress literal;
  std::string bare = host.size() > 2 && host.front() == '[' && host.back() == ']' ? host.substr(1, host.size() - 2) : host;
  if (literal.setAddress(QString::fromStdString(bare))) {
    // An address needs no resolver; the answer still arrives as an event.
    QTimer::singleShot(0, &impl_->context, [impl, serial, bare] { impl->Deliver(serial, 0, bare); });
    return;
  }
  // Reserved for names that never exist: answered here, no resolver is asked.
  std::string absolute = "." + (host.back() == '.' ? host.substr(0, host.size() - 1) : host);
  if (EndsWithNoCase(absolute, ".invalid")) {
    QTimer::singleShot(0, &impl_->context,
                       [impl, serial] { impl->Deliver(serial, kSockErrHostNotFound, ""); });
    return;
  }
  // The name is in the host code page; Qt turns an international name into
  // its ASCII form for the resolver.
  QString name = QString::fromStdU16String(HostToUtf16(host));
  impl_->lookupId = QHostInfo::lookupHost(name, &impl_->context,
                                          [impl, serial](const QHostInfo& info) {
    if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
      impl->Deliver(serial, kSockErrHostNotFound, "");
      return;
    }
    QHostAddress chosen = info.addresses().front();
    for (const QHostAddress& a : info.addresses())
      if (a.protocol() == QAbstractSocket::IPv4Protocol) {
        chosen = a;
        break;
      }
    impl->Deliver(serial, 0, chosen.toString().toStdString());
  });
}

namespace {

quint16 CheckedPort(const std::string& port) {
  bool digits = !port.empty() && port.size() <= 5;
  for (char c : port) digits = digits && std::isdigit(static_cast<unsigned char>(c));
  int portNumber = digits ? std::stoi(port) : 0;
  if (portNumber <= 0 || portNumber > 65535)
    throw ESocketException("Invalid port '" + port + "'", kSockErrInvalidArgument);
  return static_cast<quint16>(portNumber);
}

QHostAddress CheckedAddress(const std::string& address) {
  QHostAddress remote;
  if (!remote.setAddress(QString::fromStdString(address)))
    throw ESocketException("Invalid address '" + address + "'", kSockErrAddressNotAvailable);
  return remote;
}

void BindLocal(QTcpSocket& socket, const std::string& localAddr) {
  if (localAddr.empty() || localAddr == "0.0.0.0") return;
  QHostAddress local;
  if (!local.setAddress(QString::fromStdString(localAddr)) || !socket.bind(local))
    throw ESocketException(SocketErrorDesc(kSockErrAddressNotAvailable), kSockErrAddressNotAvailable);
}

}  // namespace

void TSocket::Connect(const std::string& address, const std::string& port, const std::string& localAddr) {
  quint16 portNumber = CheckedPort(port);
  QHostAddress remote = CheckedAddress(address);
  Close();
  impl_->active = &impl_->plain;
  BindLocal(impl_->plain, localAddr);
  impl_->connecting = true;
  // Unbuffered: received bytes go straight from the system into the
  // caller's buffer, without a copy through a buffer of the socket.
  impl_->plain.connectToHost(remote, portNumber, QIODevice::ReadWrite | QIODevice::Unbuffered);
}

void TSocket::ConnectTls(const std::string& address, const std::string& port, const std::string& localAddr,
                         const std::string& peerName) {
  quint16 portNumber = CheckedPort(port);
  CheckedAddress(address);
  if (!QSslSocket::supportsSsl())
    throw ESocketException("TLS is not available on this system", kSockErrTlsHandshake);
  Close();
  QSslSocket& tls = impl_->Tls();
  impl_->active = &tls;
  impl_->tlsError.clear();
  BindLocal(tls, localAddr);
  tls.setSslConfiguration(TlsConfiguration());
  impl_->connecting = true;
  // Decrypted bytes wait in the socket's own buffer until read.
  tls.connectToHostEncrypted(QString::fromStdString(address), portNumber,
                                    QString::fromStdU16String(HostToUtf16(peerName)));
}

const std::string& TSocket::TlsError() const { return impl_->tlsError; }

void TSocket::Send(std::string_view bytes) {
  impl_->active->write(bytes.data(), static_cast<qint64>(bytes.size()));
}

size_t TSocket::Receive(char* buffer, size_t size) {
  qint64 n = impl_->active->read(buffer, static_cast<qint64>(size));
  if (n > 0) return static_cast<size_t>(n);
  // A TLS socket reports its close through its own signals.
  if (impl_->active != &impl_->plain) return 0;
  // An unbuffered read cannot tell "nothing yet" from the peer's close; a
  // peek at the connection can.
  if (impl_->connected) {
    qintptr fd = impl_->plain.socketDescriptor();
    if (fd < 0) {
      // The read itself ended the connection.
      QAbstractSocket::SocketError error = impl_->plain.error();
      impl_->ScheduleClosed(error == QAbstractSocket::RemoteHostClosedError ? 0 : MapSocketError(error));
      return 0;
    }
    char probe;
    ssize_t r = ::recv(static_cast<int>(fd), &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (r == 0) impl_->ScheduleClosed(0);
    else if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
      impl_->ScheduleClosed(errno == ECONNRESET ? kSockErrConnectionReset : kSockErrUnknown);
  }
  return 0;
}

size_t TSocket::BytesAvailable() const {
  qint64 n = impl_->active->bytesAvailable();
  return n > 0 ? static_cast<size_t>(n) : 0;
}

void TSocket::Close() {
  ++impl_->lookupSerial;
  if (impl_->lookupId >= 0) QHostInfo::abortHostLookup(impl_->lookupId);
  impl_->lookupId = -1;
  impl_->connecting = false;
  impl_->tcpUp = false;
  impl_->connected = false;
  impl_->closePending = false;
  ++impl_->connectionSerial;
  QSignalBlocker quietPlain(&impl_->plain);
  impl_->plain.abort();
  if (impl_->tls) {
    QSignalBlocker quietTls(impl_->tls.get());
    impl_->tls->abort();
  }
}

bool TSocket::IsConnected() const { return impl_->connected; }

void TSocket::StartIdleTimer(int milliseconds) {
  if (milliseconds <= 0) {
    impl_->idle.stop();
    return;
  }
  impl_->idle.start(milliseconds);
}

void TSocket::RestartIdleTimer() {
  if (impl_->idle.interval() > 0 && impl_->idle.isActive()) impl_->idle.start();
}

void TSocket::StopIdleTimer() { impl_->idle.stop(); }

}  // namespace lf
