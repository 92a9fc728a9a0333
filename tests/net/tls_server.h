// A TLS test server on a loopback address serving the committed self-signed
// certificate: each accepted connection reads one request header, records
// it, sends the next scripted reply and closes. It runs on the calling
// thread's event loop, so it serves while a client waits in that thread.
#pragma once

#include <QFile>
#include <QHostAddress>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>

#include <memory>
#include <string>
#include <vector>

namespace lf::test {

inline QString TlsTestFile(const char* name) {
  return QString::fromUtf8(LF_TEST_DATA_DIR) + "/tls/" + name;
}

class TlsServer : public QTcpServer {
 public:
  // Listens on address, a loopback one.
  explicit TlsServer(std::vector<std::string> replies, const QHostAddress& address = QHostAddress::LocalHost)
      : replies_(std::move(replies)) {
    QFile keyFile(TlsTestFile("server.key"));
    keyFile.open(QIODevice::ReadOnly);
    key_ = QSslKey(&keyFile, QSsl::Rsa);
    certificate_ = QSslCertificate::fromPath(TlsTestFile("server.crt")).value(0);
    listen(address);
  }

  bool Ready() const { return !key_.isNull() && !certificate_.isNull() && isListening(); }
  int Port() const { return serverPort(); }
  std::string Base() const {
    return "https://" + serverAddress().toString().toStdString() + ":" + std::to_string(serverPort());
  }
  const std::vector<std::string>& Requests() const { return requests_; }

 protected:
  void incomingConnection(qintptr descriptor) override {
    auto* socket = new QSslSocket(this);  // owned by the server, deleted when done
    if (!socket->setSocketDescriptor(descriptor)) {
      delete socket;
      return;
    }
    size_t index = accepted_++;
    std::string reply = index < replies_.size() ? replies_[index] : std::string();
    auto pending = std::make_shared<std::string>();
    socket->setLocalCertificate(certificate_);
    socket->setPrivateKey(key_);
    socket->setPeerVerifyMode(QSslSocket::VerifyNone);
    connect(socket, &QSslSocket::readyRead, socket, [this, socket, pending, reply] {
      pending->append(socket->readAll().toStdString());
      size_t end = pending->find("\r\n\r\n");
      if (end == std::string::npos) return;
      requests_.push_back(pending->substr(0, end + 4));
      socket->write(reply.data(), static_cast<qint64>(reply.size()));
      socket->disconnectFromHost();
    });
    connect(socket, &QAbstractSocket::errorOccurred, socket, &QObject::deleteLater);
    connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
    socket->startServerEncryption();
  }

 private:
  std::vector<std::string> replies_;
  QSslKey key_;
  QSslCertificate certificate_;
  size_t accepted_ = 0;
  std::vector<std::string> requests_;
};

}  // namespace lf::test
