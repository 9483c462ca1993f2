// The network side of the update check: where the update answer lies, which
// proxy the desktop asks for, and the one GET that fetches the answer.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <optional>

#include "engine/shell/UpdateRules.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace glyphon {

// Where the update answer lies: an INI text with the section Update and the
// keys version and URL. The reserved ".example" name stands in until the
// project has a server of its own; set GLYPHON_UPDATE_URL to ask another
// server (a mirror, or a test server).
inline const char* const kUpdateAddress = "https://glyphon.example/update.ini";
inline const char* const kUpdateAddressVariable = "GLYPHON_UPDATE_URL";

// How long the answer may take before the check gives up.
inline constexpr std::chrono::milliseconds kUpdateTimeout{15000};

// The request headers sent with the GET.
inline const char* const kUpdateAccept = "text/html, */*";
inline const char* const kUpdateUserAgent = "Mozilla/3.0 (compatible; Indy Library)";

// GLYPHON_UPDATE_URL when it is set, else kUpdateAddress.
[[nodiscard]] QUrl updateAddress();

// The desktop's proxy for http: the http_proxy variable, else HTTP_PROXY,
// through proxyFromEnvironment. Empty (connect directly) when neither names
// a proxy with a port.
[[nodiscard]] std::optional<ProxyAddress> systemProxy();

// Where one check asks and how long it waits.
struct UpdateSource {
  QUrl address;
  std::optional<ProxyAddress> proxy;
  std::chrono::milliseconds timeout = kUpdateTimeout;
};

// updateAddress(), systemProxy() and kUpdateTimeout.
[[nodiscard]] UpdateSource systemUpdateSource();

// One GET of an http or https address into memory, on the caller's thread
// and without blocking it: the answer arrives through finished() from the
// event loop. Cookies are accepted; redirects to http or https are followed.
class UpdateRequest : public QObject {
  Q_OBJECT

 public:
  explicit UpdateRequest(QObject* parent = nullptr);
  ~UpdateRequest() override;

  // Starts the GET of source.address with the update request headers,
  // through source.proxy when there is one and directly otherwise (whatever
  // Qt's application proxy says). After source.timeout without the whole
  // answer, the request fails. A request still running is aborted first,
  // without a signal. An address that is not http or https fails at once
  // (the signal still comes from the event loop, after start returns).
  void start(const UpdateSource& source);

  // Stops the running request; finished() is not emitted for it.
  void abort();

  [[nodiscard]] bool isRunning() const { return m_reply != nullptr || m_pendingFailure; }

 signals:
  // Once per started request that was not aborted. answered: the server sent
  // a success status (2xx) and body holds the answer, cut one byte past
  // kMaxUpdateAnswerBytes when longer. Otherwise failure says why, for
  // diagnostics: no connection, a name not found, an HTTP error status, a
  // proxy error or the time-out.
  void finished(bool answered, const QByteArray& body, const QString& failure);

 private:
  void readAnswer();
  void replyFinished();
  void timedOut();
  void finish(bool answered, const QString& failure);
  void dropReply();

  QNetworkAccessManager* m_manager = nullptr;
  QNetworkReply* m_reply = nullptr;
  QTimer m_deadline;
  QByteArray m_body;
  bool m_timedOut = false;
  bool m_pendingFailure = false;
};

}  // namespace glyphon
