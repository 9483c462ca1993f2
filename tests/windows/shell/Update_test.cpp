// The update dialog against a real HTTP server on 127.0.0.1: every answer it
// gives, its time-out, Cancel at any moment, and its animation.
#include "windows/shell/Update.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "engine/core/IniFile.h"
#include "engine/shell/Language.h"
#include "tests/services/shell/NetworkTestSupport.h"
#include "tests/windows/shell/RecordingUrlOpener.h"
#include "tests/windows/shell/WindowTestSupport.h"

namespace glyphon {
namespace {

using namespace std::chrono_literals;
using testing::LocalHttpServer;
using testing::whenDialogOpens;

const QString kConnectFailed = QStringLiteral("Fail to connect Internet.\rPlease try later!");
const QString kLatest = QStringLiteral("This is the lastest version!\rThank you for your support!");

class UpdateFormTest : public ::testing::Test {
 protected:
  // Opens the dialog for source and runs it until it closes. whileOpen runs
  // as soon as it is open; by default it starts the check at once instead
  // of a second later. Returns the dialog's result.
  int runDialog(
      const UpdateSource& source,
      std::function<void(TUpdateForm&)> whileOpen = [](TUpdateForm& d) { d.TimerStartTimer(); }) {
    TUpdateForm form(nullptr, source);
    whenDialogOpens<TUpdateForm>(whileOpen);
    QTimer::singleShot(8000, &form, [&form] {
      ADD_FAILURE() << "the dialog did not close";
      form.reject();
    });
    return form.exec();
  }

  int check(const QByteArray& answer) {
    server.route("/update.ini", {200, answer});
    return runDialog({server.url("/update.ini"), std::nullopt});
  }

  LocalHttpServer server;
  testing::RecordingMessageBoxes boxes;
  testing::RecordingUrlOpener browser;
};

TEST_F(UpdateFormTest, NewerVersionWithAddressAsksAndYesOpensIt) {
  boxes.answers = {MessageAnswer::Yes};
  check("[Update]\r\nversion=1.24\r\nURL= https://glyphon.example/get/1.24 \r\n");
  ASSERT_EQ(boxes.shown.size(), 1u);
  const MessageRequest& question = boxes.shown.front().request;
  EXPECT_EQ(question.caption, "Find a new version");
  EXPECT_EQ(question.text, "The lastest version is [1.24],\rdo you want to download it?");
  EXPECT_EQ(question.buttons, MessageButtons::YesNo);
  EXPECT_EQ(question.icon, MessageIcon::None);
  EXPECT_NE(boxes.shown.front().owner, nullptr);
  EXPECT_EQ(browser.opened, std::vector<QString>{"https://glyphon.example/get/1.24"});
  // The request went out once, with the request headers.
  ASSERT_EQ(server.requests.size(), 1u);
  EXPECT_EQ(server.requests.front().headers.value("user-agent"),
            "Mozilla/3.0 (compatible; Indy Library)");
}

TEST_F(UpdateFormTest, NoOpensNothing) {
  boxes.answers = {MessageAnswer::No};
  check("[Update]\nversion=2\nURL=http://glyphon.example/\n");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown.front().request.text,
            "The lastest version is [2],\rdo you want to download it?");
  EXPECT_TRUE(browser.opened.empty());
}

TEST_F(UpdateFormTest, NewerVersionWithoutWebAddressShowsNothing) {
  for (const char* url : {"", "   ", "file:///etc/passwd", "javascript:alert(1)",
                          "ftp://glyphon.example/get", "/usr/bin/xterm"}) {
    boxes.shown.clear();
    EXPECT_EQ(check("[Update]\nversion=1.3\nURL=" + QByteArray(url) + "\n"), QDialog::Accepted);
    EXPECT_TRUE(boxes.shown.empty()) << url;
  }
  EXPECT_TRUE(browser.opened.empty());
}

TEST_F(UpdateFormTest, SameOrOlderVersionOrNoVersionIsTheLatest) {
  const char* const answers[] = {
      "[Update]\nversion=1.23\nURL=https://glyphon.example/\n",
      "[Update]\nversion=1.100\nURL=https://glyphon.example/\n",
      "[Update]\nversion=\" 1.3\"\nURL=https://glyphon.example/\n",
      "[Update]\nURL=https://glyphon.example/\n",
      "<!DOCTYPE html>\n<html><head><title>Welcome</title></head><body>Hello</body></html>\n",
      ""};
  for (const char* answer : answers) {
    boxes.shown.clear();
    check(answer);
    ASSERT_EQ(boxes.shown.size(), 1u) << answer;
    EXPECT_EQ(boxes.shown.front().request.caption, "Information");
    EXPECT_EQ(boxes.shown.front().request.text, kLatest) << answer;
  }
  EXPECT_TRUE(browser.opened.empty());
}

TEST_F(UpdateFormTest, AnswerThatIsNotTextCannotBeRead) {
  check(QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown.front().request.caption, "Error");
  EXPECT_EQ(boxes.shown.front().request.text, "Fail to get update informate\rPlease try later!");
}

TEST_F(UpdateFormTest, MissingPageErrorAndRefusedConnectionFailToConnect) {
  server.route("/broken", {500, "[Update]\nversion=9\n"});
  const QUrl refused(QStringLiteral("http://127.0.0.1:%1/update.ini").arg(testing::closedPort()));
  for (const QUrl& address : {server.url("/absent.ini"), server.url("/broken"), refused}) {
    boxes.shown.clear();
    runDialog({address, std::nullopt});
    ASSERT_EQ(boxes.shown.size(), 1u) << address.toString().toStdString();
    EXPECT_EQ(boxes.shown.front().request.caption, "Error");
    EXPECT_EQ(boxes.shown.front().request.text, kConnectFailed);
  }
}

TEST_F(UpdateFormTest, SilentServerFailsAfterTheTimeOutWhileTheAnimationGoesOn) {
  server.route("/update.ini", LocalHttpServer::Response::never());
  std::set<QString> progressTexts;
  QElapsedTimer clock;
  runDialog({server.url("/update.ini"), std::nullopt, 1300ms}, [&](TUpdateForm& form) {
    clock.start();
    form.TimerStartTimer();
    // Looks at the label while the request waits.
    auto* watch = new QTimer(&form);
    QObject::connect(watch, &QTimer::timeout, &form,
                     [&progressTexts, &form] { progressTexts.insert(form.LabelUpdate->text()); });
    watch->start(100);
  });
  const qint64 elapsed = clock.elapsed();
  EXPECT_GE(elapsed, 1250);
  EXPECT_LT(elapsed, 5000);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown.front().request.text, kConnectFailed);
  // Two animation steps at least: the window went on working.
  EXPECT_GE(progressTexts.size(), 2u);
}

TEST_F(UpdateFormTest, CancelDuringASlowAnswerClosesAtOnce) {
  server.route("/update.ini", LocalHttpServer::Response::never());
  QElapsedTimer sinceCancel;
  const int result = runDialog({server.url("/update.ini"), std::nullopt}, [&](TUpdateForm& form) {
    form.TimerStartTimer();
    auto* cancelWhenAsked = new QTimer(&form);
    QObject::connect(cancelWhenAsked, &QTimer::timeout, &form, [&, cancelWhenAsked] {
      if (server.requests.empty()) return;
      cancelWhenAsked->stop();
      sinceCancel.start();
      QTest::mouseClick(form.ButtonCancel, Qt::LeftButton);
    });
    cancelWhenAsked->start(20);
  });
  ASSERT_TRUE(sinceCancel.isValid()) << "the request never reached the server";
  EXPECT_LT(sinceCancel.elapsed(), 500);
  EXPECT_EQ(result, QDialog::Rejected);
  EXPECT_TRUE(boxes.shown.empty());
  // The request was aborted: the connection is gone.
  EXPECT_TRUE(QTest::qWaitFor([&] { return server.closedByClient == 1; }, 3000));
}

TEST_F(UpdateFormTest, CancelBeforeTheCheckStartsSendsNothing) {
  server.route("/update.ini", {200, "[Update]\nversion=1.24\n"});
  TUpdateForm form(nullptr, {server.url("/update.ini"), std::nullopt});
  whenDialogOpens<TUpdateForm>(
      [](TUpdateForm& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
  EXPECT_EQ(form.exec(), QDialog::Rejected);
  EXPECT_FALSE(form.TimerStart->isActive());
  EXPECT_FALSE(form.TimerUpdate->isActive());
  EXPECT_FALSE(form.IdHTTPUpdate->isRunning());
  QTest::qWait(50);
  EXPECT_TRUE(server.requests.empty());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(UpdateFormTest, CheckStartsOneSecondAfterOpening) {
  server.route("/update.ini", {200, "[Update]\nversion=1.23\n"});
  QElapsedTimer clock;
  clock.start();
  TUpdateForm form(nullptr, {server.url("/update.ini"), std::nullopt});
  EXPECT_EQ(form.TimerStart->interval(), 1000);
  EXPECT_EQ(form.TimerUpdate->interval(), 500);
  form.exec();
  EXPECT_GE(clock.elapsed(), 950);
  EXPECT_EQ(server.requests.size(), 1u);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{kLatest.toStdString()});
}

TEST_F(UpdateFormTest, AnimationAlternatesPicturesAndCountsDots) {
  TUpdateForm form(nullptr, {server.url("/update.ini"), std::nullopt});
  EXPECT_TRUE(form.TimerUpdate->isActive());
  EXPECT_TRUE(form.TimerStart->isActive());
  // The test drives the clock itself.
  form.TimerUpdate->stop();
  form.TimerStart->stop();
  EXPECT_EQ(form.LabelUpdate->text(), "Checking for new version");
  EXPECT_FALSE(form.Image1->isHidden());
  EXPECT_TRUE(form.Image2->isHidden());
  EXPECT_FALSE(form.Image1->pixmap().isNull());
  EXPECT_FALSE(form.Image2->pixmap().isNull());
  EXPECT_NE(form.Image1->pixmap().toImage(), form.Image2->pixmap().toImage());

  std::vector<std::string> labels;
  for (int tick = 1; tick <= 9; ++tick) {
    form.TimerUpdateTimer();
    labels.push_back(form.LabelUpdate->text().toStdString());
    EXPECT_EQ(form.Image1->isHidden(), tick % 2 == 1) << tick;
    EXPECT_NE(form.Image1->isHidden(), form.Image2->isHidden());
  }
  const std::string base = "Checking for new version";
  EXPECT_EQ(labels,
            (std::vector<std::string>{base, base + ".", base + "..", base + "...", base + "....",
                                      base + ".....", base + "......", base, base + "."}));
  EXPECT_TRUE(server.requests.empty());
}

TEST_F(UpdateFormTest, TextsAndMessagesComeFromTheLanguage) {
  const Language language(
      IniFile::parse("[String]\n"
                     "Checking for new version=Suche nach einer neuen Version\n"
                     "&cancel=&Abbrechen\n"  // keys match in any letter case
                     "Update=Aktualisierung\n"
                     "Fail to connect Internet.=Keine Verbindung.\n"
                     "Please try later!=Bitte später!\n"));
  const QUrl refused(QStringLiteral("http://127.0.0.1:%1/").arg(testing::closedPort()));
  TUpdateForm form(nullptr, {refused, std::nullopt});
  form.LoadTexts(language);
  EXPECT_EQ(form.LabelUpdate->text(), "Suche nach einer neuen Version");
  EXPECT_EQ(form.ButtonCancel->text(), "&Abbrechen");
  EXPECT_EQ(form.windowTitle(), "Aktualisierung");
  EXPECT_EQ(form.LabelInfo->text(), "Server: 127.0.0.1");
  // The dialog is wide enough for the longest progress text.
  form.TimerUpdate->stop();
  for (int tick = 0; tick < 7; ++tick) form.TimerUpdateTimer();
  EXPECT_EQ(form.LabelUpdate->text(), "Suche nach einer neuen Version......");
  EXPECT_GE(form.LabelUpdate->width(),
            form.LabelUpdate->fontMetrics().horizontalAdvance(form.LabelUpdate->text()));
  EXPECT_LE(form.LabelUpdate->geometry().right(), form.width());
  EXPECT_LE(form.ButtonCancel->geometry().right(), form.width());

  whenDialogOpens<TUpdateForm>([](TUpdateForm& dialog) { dialog.TimerStartTimer(); });
  form.exec();
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Keine Verbindung.\rBitte später!"});
}

}  // namespace
}  // namespace glyphon
