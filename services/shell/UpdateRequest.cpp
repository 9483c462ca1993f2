#include "services/shell/UpdateRequest.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace glyphon {

namespace {

bool isWebAddress(const QUrl& address) {
  const QString scheme = address.scheme().toLower();
  return address.isValid() && !address.host().isEmpty() &&
         (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

}  // namespace

QUrl updateAddress() {
  const QString chosen = qEnvironmentVariable(kUpdateAddressVariable).trimmed();
  return QUrl(chosen.isEmpty() ? QString::fromLatin1(kUpdateAddress) : chosen);
}

std::optional<ProxyAddress> systemProxy() {
  for (const char* variable : {"http_proxy", "HTTP_PROXY"}) {
    const QByteArray value = qgetenv(variable);
    if (!value.trimmed().isEmpty()) return proxyFromEnvironment(value.toStdString());
  }
  return std::nullopt;
}

UpdateSource systemUpdateSource() { return {updateAddress(), systemProxy(), kUpdateTimeout}; }

UpdateRequest::UpdateRequest(QObject* parent)
    : QObject(parent), m_manager(new QNetworkAccessManager(this)) {
  m_deadline.setSingleShot(true);
  connect(&m_deadline, &QTimer::timeout, this, &UpdateRequest::timedOut);
}

UpdateRequest::~UpdateRequest() { abort(); }

void UpdateRequest::start(const UpdateSource& source) {
  const QUrl& address = source.address;
  const std::optional<ProxyAddress>& proxy = source.proxy;
  abort();
  m_body.clear();
  m_timedOut = false;
  if (!isWebAddress(address)) {
    // Reported from the event loop, like every other answer, so that the
    // caller has returned from start before it hears of it.
    m_pendingFailure = true;
    QTimer::singleShot(0, this, [this, address] {
      if (!m_pendingFailure) return;  // aborted meanwhile
      m_pendingFailure = false;
      emit finished(false, {}, QStringLiteral("Not a web address: ") + address.toString());
    });
    return;
  }

  m_manager->setProxy(proxy ? QNetworkProxy(QNetworkProxy::HttpProxy,
                                            QString::fromStdString(proxy->host), proxy->port)
                            : QNetworkProxy(QNetworkProxy::NoProxy));
  QNetworkRequest request(address);
  request.setRawHeader("Accept", kUpdateAccept);
  request.setHeader(QNetworkRequest::UserAgentHeader, QString::fromLatin1(kUpdateUserAgent));
  m_reply = m_manager->get(request);
  connect(m_reply, &QNetworkReply::readyRead, this, &UpdateRequest::readAnswer);
  connect(m_reply, &QNetworkReply::finished, this, &UpdateRequest::replyFinished);
  m_deadline.start(source.timeout);
}

void UpdateRequest::abort() {
  m_pendingFailure = false;
  m_deadline.stop();
  dropReply();
}

void UpdateRequest::readAnswer() {
  if (m_reply == nullptr) return;
  // Bytes past the limit are not kept: one more than the limit is enough to
  // tell the answer is too long.
  const qint64 room = qint64(kMaxUpdateAnswerBytes) + 1 - m_body.size();
  if (room > 0) m_body += m_reply->read(room);
  if (m_body.size() > qint64(kMaxUpdateAnswerBytes)) {
    // Whatever else the server sends is of no use.
    finish(true, {});
  }
}

void UpdateRequest::replyFinished() {
  if (m_reply == nullptr) return;
  if (m_timedOut) {
    finish(false, QStringLiteral("No answer within the time allowed"));
    return;
  }
  if (m_reply->error() != QNetworkReply::NoError) {
    finish(false, m_reply->errorString());
    return;
  }
  const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (status < 200 || status > 299) {
    finish(false, QStringLiteral("HTTP status %1").arg(status));
    return;
  }
  readAnswer();
  if (m_reply != nullptr) finish(true, {});
}

void UpdateRequest::timedOut() {
  if (m_reply == nullptr) return;
  m_timedOut = true;
  // abort() makes the reply finish with OperationCanceledError at once.
  m_reply->abort();
}

void UpdateRequest::finish(bool answered, const QString& failure) {
  m_deadline.stop();
  dropReply();
  const QByteArray body = answered ? m_body : QByteArray();
  m_body.clear();
  emit finished(answered, body, failure);
}

void UpdateRequest::dropReply() {
  if (m_reply == nullptr) return;
  QNetworkReply* reply = m_reply;
  m_reply = nullptr;
  reply->disconnect(this);
  if (reply->isRunning()) reply->abort();
  reply->deleteLater();
}

}  // namespace glyphon
