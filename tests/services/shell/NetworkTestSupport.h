// What the network tests share: a small HTTP server on 127.0.0.1 that runs in
// the test's own event loop, a port nobody listens on, and a real proxy
// (tinyproxy) started for the test. Only loopback addresses, ever.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <map>
#include <memory>
#include <vector>

namespace glyphon::testing {

// An HTTP/1.1 server on 127.0.0.1 at a port the system chooses. Each path
// answers as routed (404 for others); every request is recorded. It serves
// while the test runs an event loop (a modal dialog, QTest::qWait, ...).
class LocalHttpServer {
 public:
  struct Response {
    int status = 200;
    QByteArray body;
    QByteArray contentType = "text/plain";
    // Accept the request and never answer.
    bool silent = false;

    static Response never() {
      Response response;
      response.silent = true;
      return response;
    }
  };
  struct Request {
    QByteArray method;
    QByteArray target;
    // Header names in lower case.
    QMap<QByteArray, QByteArray> headers;
  };

  LocalHttpServer() {
    EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0)) << "cannot listen on 127.0.0.1";
    QObject::connect(&m_server, &QTcpServer::newConnection, [this] { accept(); });
  }

  void route(const QByteArray& path, Response response) { m_routes[path] = std::move(response); }

  [[nodiscard]] QUrl url(const QByteArray& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2")
                    .arg(m_server.serverPort())
                    .arg(QString::fromLatin1(path)));
  }
  [[nodiscard]] quint16 port() const { return m_server.serverPort(); }

  std::vector<Request> requests;
  // Connections the client has closed (an abort shows here).
  int closedByClient = 0;

 private:
  void accept() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
      auto buffer = std::make_shared<QByteArray>();
      QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
        *buffer += socket->readAll();
        const qsizetype end = buffer->indexOf("\r\n\r\n");
        if (end < 0) return;
        answer(socket, buffer->left(end));
        buffer->clear();
      });
      QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
        if (socket->property("answered").toBool() == false) ++closedByClient;
        socket->deleteLater();
      });
    }
  }

  void answer(QTcpSocket* socket, const QByteArray& head) {
    const QList<QByteArray> lines = head.split('\n');
    Request request;
    const QList<QByteArray> first = lines.front().trimmed().split(' ');
    if (first.size() >= 2) request.method = first[0], request.target = first[1];
    for (qsizetype i = 1; i < lines.size(); ++i) {
      const qsizetype colon = lines[i].indexOf(':');
      if (colon > 0)
        request.headers[lines[i].left(colon).trimmed().toLower()] =
            lines[i].mid(colon + 1).trimmed();
    }
    requests.push_back(request);
    // A proxy sends the whole address; the route is its path.
    const QByteArray path = request.target.startsWith("http://")
                                ? QUrl(QString::fromLatin1(request.target)).path().toLatin1()
                                : request.target;
    const auto route = m_routes.find(path);
    const Response response =
        route != m_routes.end() ? route->second : Response{404, "Not found", "text/plain", false};
    if (response.silent) return;
    socket->setProperty("answered", true);
    socket->write("HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n" +
                  "Content-Type: " + response.contentType + "\r\n" +
                  "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n" +
                  "Connection: close\r\n\r\n" + response.body);
    socket->disconnectFromHost();
  }

  QTcpServer m_server;
  std::map<QByteArray, Response> m_routes;
};

// A port on 127.0.0.1 that nobody listens on: the system chose it for a
// moment and it was closed again.
inline quint16 closedPort() {
  QTcpServer probe;
  EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
  const quint16 port = probe.serverPort();
  probe.close();
  return port;
}

// tinyproxy in the foreground on 127.0.0.1, for the lifetime of this object.
// available() is false when tinyproxy is not installed or did not start.
class TinyProxy {
 public:
  TinyProxy() {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("tinyproxy"));
    if (program.isEmpty()) return;
    m_port = closedPort();
    QFile conf(m_folder.filePath(QStringLiteral("tinyproxy.conf")));
    if (!conf.open(QIODevice::WriteOnly)) return;
    conf.write("Port " + QByteArray::number(m_port) +
               "\nListen 127.0.0.1\nAllow 127.0.0.1\nTimeout 10\nMaxClients 4\nLogLevel Error\n");
    conf.close();
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(program, {QStringLiteral("-d"), QStringLiteral("-c"), conf.fileName()});
    if (!m_process.waitForStarted(5000)) return;
    // Ready once it accepts connections.
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
      QTcpSocket probe;
      probe.connectToHost(QHostAddress::LocalHost, m_port);
      if (probe.waitForConnected(200)) {
        m_ready = true;
        return;
      }
      QTest::qWait(50);
    }
  }
  ~TinyProxy() {
    if (m_process.state() == QProcess::NotRunning) return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) m_process.kill(), m_process.waitForFinished(3000);
  }
  TinyProxy(const TinyProxy&) = delete;
  TinyProxy& operator=(const TinyProxy&) = delete;

  [[nodiscard]] bool available() const { return m_ready; }
  [[nodiscard]] quint16 port() const { return m_port; }

 private:
  QTemporaryDir m_folder;
  QProcess m_process;
  quint16 m_port = 0;
  bool m_ready = false;
};

// Sets an environment variable (a null value unsets it) and restores it
// when the scope ends.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const QByteArray& value)
      : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
    if (value.isNull())
      qunsetenv(name);
    else
      qputenv(name, value);
  }
  ~ScopedEnvironment() {
    if (m_had)
      qputenv(m_name, m_old);
    else
      qunsetenv(m_name);
  }

 private:
  const char* m_name;
  bool m_had;
  QByteArray m_old;
};

}  // namespace glyphon::testing
