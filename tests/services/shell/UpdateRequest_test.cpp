// The update request against a real HTTP server on 127.0.0.1, directly and
// through a real proxy.
#include "services/shell/UpdateRequest.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <chrono>

#include "tests/services/shell/NetworkTestSupport.h"

namespace glyphon {
namespace {

using namespace std::chrono_literals;
using testing::LocalHttpServer;
using testing::ScopedEnvironment;

class UpdateRequestTest : public ::testing::Test {
 protected:
  // Starts a request and waits (at most a few seconds) for its end.
  void fetch(const UpdateSource& source) {
    request.start(source);
    ASSERT_TRUE(finished.wait(5000)) << "no answer";
    ASSERT_EQ(finished.count(), 1);
  }
  [[nodiscard]] bool answered() const { return finished.front().at(0).toBool(); }
  [[nodiscard]] QByteArray body() const { return finished.front().at(1).toByteArray(); }
  [[nodiscard]] QString failure() const { return finished.front().at(2).toString(); }

  LocalHttpServer server;
  UpdateRequest request;
  QSignalSpy finished{&request, &UpdateRequest::finished};
};

TEST_F(UpdateRequestTest, GetsTheAnswerWithTheRequestHeaders) {
  server.route("/update.ini", {200, "[Update]\nversion=1.24\n"});
  fetch({server.url("/update.ini"), std::nullopt});
  EXPECT_TRUE(answered());
  EXPECT_EQ(body(), "[Update]\nversion=1.24\n");
  ASSERT_EQ(server.requests.size(), 1u);
  const LocalHttpServer::Request& sent = server.requests.front();
  EXPECT_EQ(sent.method, "GET");
  EXPECT_EQ(sent.target, "/update.ini");
  EXPECT_EQ(sent.headers.value("accept"), "text/html, */*");
  EXPECT_EQ(sent.headers.value("user-agent"), "Mozilla/3.0 (compatible; Indy Library)");
  EXPECT_FALSE(request.isRunning());
}

TEST_F(UpdateRequestTest, ServerErrorAndOtherSchemesFail) {
  server.route("/broken", {500, "[Update]\nversion=9\n"});
  fetch({server.url("/broken"), std::nullopt});
  EXPECT_FALSE(answered());
  EXPECT_TRUE(body().isEmpty());

  // Never read from disk, even when the address says so.
  finished.clear();
  request.start({QUrl(QStringLiteral("file:///etc/hostname")), std::nullopt});
  EXPECT_EQ(finished.count(), 0) << "reported before start returned";
  ASSERT_TRUE(finished.wait(2000));
  EXPECT_FALSE(answered());
}

TEST_F(UpdateRequestTest, AbortStopsTheRequestWithoutASignal) {
  server.route("/silent", LocalHttpServer::Response::never());
  request.start({server.url("/silent"), std::nullopt});
  EXPECT_TRUE(request.isRunning());
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests.size() == 1; }, 3000));
  request.abort();
  EXPECT_FALSE(request.isRunning());
  // The connection goes, and nothing is reported for it.
  EXPECT_TRUE(QTest::qWaitFor([&] { return server.closedByClient == 1; }, 3000));
  QTest::qWait(50);
  EXPECT_EQ(finished.count(), 0);

  // A pending failure of a bad address is withdrawn as well.
  request.start({QUrl(QStringLiteral("mailto:a@b.example")), std::nullopt});
  request.abort();
  QTest::qWait(50);
  EXPECT_EQ(finished.count(), 0);
}

TEST_F(UpdateRequestTest, LongAnswerIsCutOnePastTheLimit) {
  server.route("/long", {200, QByteArray(int(kMaxUpdateAnswerBytes) * 3, 'x')});
  fetch({server.url("/long"), std::nullopt});
  EXPECT_TRUE(answered());
  EXPECT_EQ(body().size(), qsizetype(kMaxUpdateAnswerBytes) + 1);
}

TEST_F(UpdateRequestTest, GoesThroughTheProxy) {
  testing::TinyProxy proxy;
  if (!proxy.available()) GTEST_SKIP() << "tinyproxy is not installed or did not start";
  server.route("/update.ini", {200, "[Update]\nversion=1.24\n"});
  fetch({server.url("/update.ini"), ProxyAddress{"127.0.0.1", proxy.port()}});
  EXPECT_TRUE(answered()) << failure().toStdString();
  EXPECT_EQ(body(), "[Update]\nversion=1.24\n");
  ASSERT_EQ(server.requests.size(), 1u);
  // tinyproxy names itself in the Via header it adds.
  EXPECT_TRUE(server.requests.front().headers.value("via").contains("tinyproxy"));
  EXPECT_EQ(server.requests.front().headers.value("user-agent"),
            "Mozilla/3.0 (compatible; Indy Library)");
}

TEST_F(UpdateRequestTest, DeadProxyFails) {
  server.route("/update.ini", {200, "[Update]\nversion=1.24\n"});
  fetch({server.url("/update.ini"), ProxyAddress{"127.0.0.1", testing::closedPort()}});
  EXPECT_FALSE(answered());
  EXPECT_TRUE(server.requests.empty());
}

TEST(UpdateSourceTest, EnvironmentChoosesAddressAndProxy) {
  {
    const ScopedEnvironment address(kUpdateAddressVariable, QByteArray());
    EXPECT_EQ(updateAddress(), QUrl(QString::fromLatin1(kUpdateAddress)));
  }
  const ScopedEnvironment address(kUpdateAddressVariable, " http://127.0.0.1:8080/u.ini ");
  EXPECT_EQ(updateAddress(), QUrl(QStringLiteral("http://127.0.0.1:8080/u.ini")));

  const ScopedEnvironment lower("http_proxy", "http://proxy.lan:3128/");
  const ScopedEnvironment upper("HTTP_PROXY", "http://other.lan:8080/");
  EXPECT_EQ(systemProxy(), (ProxyAddress{"proxy.lan", 3128}));
  {
    const ScopedEnvironment unset("http_proxy", QByteArray());
    EXPECT_EQ(systemProxy(), (ProxyAddress{"other.lan", 8080}));
    const ScopedEnvironment unsetToo("HTTP_PROXY", QByteArray());
    EXPECT_EQ(systemProxy(), std::nullopt);
  }
  const UpdateSource source = systemUpdateSource();
  EXPECT_EQ(source.address, QUrl(QStringLiteral("http://127.0.0.1:8080/u.ini")));
  EXPECT_EQ(source.proxy, (ProxyAddress{"proxy.lan", 3128}));
  EXPECT_EQ(source.timeout, 15s);
}

}  // namespace
}  // namespace glyphon
