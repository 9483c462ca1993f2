// The Help menu of the real main window: the help page, the about box and
// the update check with the address and the proxy the environment names.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "services/shell/UserConfig.h"
#include "tests/services/shell/NetworkTestSupport.h"
#include "tests/windows/shell/RecordingUrlOpener.h"
#include "tests/windows/shell/WindowTestSupport.h"
#include "windows/mainform/MainForm.h"
#include "windows/shell/About.h"
#include "windows/shell/Update.h"

namespace glyphon {
namespace {

using testing::ScopedEnvironment;
using testing::whenDialogOpens;

class HelpMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(programFolder.isValid());
    testing::writeJpeg(programFolder.filePath(QStringLiteral("pic/default.jpg")),
                       testing::flatPicture(64, 48, rgb(40, 90, 160)));
    window = std::make_unique<TMainForm>(programFolder.path(), QStringList());
    ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().front();
  }

  // Runs Check For Updates to its end; a dialog still open after a few
  // seconds fails the test and is closed.
  void checkForUpdates() {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
      ADD_FAILURE() << "the update dialog did not close";
      if (QWidget* open = QApplication::activeModalWidget()) open->close();
    });
    guard.start(8000);
    action("MenuCheckforupdates")->trigger();
  }

  QAction* action(const char* name) const { return testing::namedAction(*window, name); }
  QMenu* menu(const char* name) const { return testing::namedChild<QMenu>(*window, name); }

  QTemporaryDir programFolder;
  testing::RecordingMessageBoxes boxes;
  testing::RecordingUrlOpener opener;
  std::unique_ptr<TMainForm> window;
};

TEST_F(HelpMenuTest, HelpContentsOpensTheHelpPage) {
  for (QAction* entry : menu("MenuHelp")->actions())
    EXPECT_TRUE(entry->isEnabled()) << entry->text().toStdString();
  action("MenuHelpTopic")->trigger();
  EXPECT_EQ(opener.opened,
            std::vector<QString>{
                QUrl::fromLocalFile(programFolder.filePath(QStringLiteral("help/index.html")))
                    .toString()});
  // Nothing is reported when a browser took the page.
  EXPECT_TRUE(boxes.shown.empty());
}

// With no browser set up, the user learns where the pages lie, so that they
// can open them by hand.
TEST_F(HelpMenuTest, PagesNothingCanOpenAreNamedInABox) {
  opener.handled = false;
  action("MenuHelpTopic")->trigger();
  action("MenuMoreGlyphon")->trigger();
  ASSERT_EQ(opener.opened.size(), 2u);
  EXPECT_EQ(
      opener.opened[1],
      QUrl::fromLocalFile(programFolder.filePath(QStringLiteral("help/styles.html"))).toString());
  ASSERT_EQ(boxes.shown.size(), 2u);
  const char* pages[] = {"help/index.html", "help/styles.html"};
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(boxes.shown[i].owner, window.get());
    EXPECT_EQ(boxes.shown[i].request.icon, MessageIcon::Information);
    EXPECT_EQ(boxes.shown[i].request.text,
              QStringLiteral("No program could open the page.\rIt lies at:\r") +
                  programFolder.filePath(QString::fromLatin1(pages[i])));
  }
}

TEST(OpenPageTest, AWebPageNothingCanOpenIsGivenByItsAddress) {
  testing::RecordingMessageBoxes boxes;
  testing::RecordingUrlOpener opener;
  opener.handled = false;
  EXPECT_FALSE(openPageOrSayWhere(nullptr, QUrl(QStringLiteral("https://glyphon.example/styles"))));
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"No program could open the page.\r"
                                                    "Its address is:\r"
                                                    "https://glyphon.example/styles"});
  opener.handled = true;
  EXPECT_TRUE(openPageOrSayWhere(nullptr, QUrl(QStringLiteral("https://glyphon.example/"))));
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(HelpMenuTest, AboutShowsTheAboutBox) {
  bool shown = false;
  whenDialogOpens<TAboutForm>([&](TAboutForm& box) {
    shown = true;
    EXPECT_EQ(box.parentWidget(), window.get());
    QTest::mouseClick(box.suiButton1, Qt::LeftButton);
  });
  action("MenuAbout")->trigger();
  EXPECT_TRUE(shown);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(HelpMenuTest, CheckForUpdatesGoesThroughTheSystemProxy) {
  testing::TinyProxy proxy;
  if (!proxy.available()) GTEST_SKIP() << "tinyproxy is not installed or did not start";
  testing::LocalHttpServer server;
  server.route("/update.ini", {200, "[Update]\nversion=1.23\n"});
  const ScopedEnvironment address(kUpdateAddressVariable, server.url("/update.ini").toEncoded());
  const ScopedEnvironment httpProxy("http_proxy",
                                    "http://127.0.0.1:" + QByteArray::number(proxy.port()) + "/");
  checkForUpdates();
  EXPECT_EQ(boxes.texts(),
            std::vector<std::string>{"This is the lastest version!\rThank you for your support!"});
  ASSERT_EQ(server.requests.size(), 1u);
  EXPECT_TRUE(server.requests.front().headers.value("via").contains("tinyproxy"));
}

TEST_F(HelpMenuTest, CheckForUpdatesSpeaksTheChosenLanguage) {
  QDir(programFolder.path()).mkpath(QStringLiteral("Languages"));
  QFile language(programFolder.filePath(QStringLiteral("Languages/Deutsch.ini")));
  ASSERT_TRUE(language.open(QIODevice::WriteOnly));
  language.write(
      "[String]\n&Cancel=&Abbrechen\nFail to connect Internet.=Keine Verbindung.\n"
      "Please try later!=Bitte sp\xC3\xA4ter!\n");
  language.close();
  // The language is chosen when the window starts.
  const ScopedEnvironment german(kLanguageVariable, "Deutsch");
  window.reset();
  window = std::make_unique<TMainForm>(programFolder.path(), QStringList());
  ASSERT_EQ(window->languageIndex(), 0);
  const ScopedEnvironment address(
      kUpdateAddressVariable,
      "http://127.0.0.1:" + QByteArray::number(testing::closedPort()) + "/update.ini");
  const ScopedEnvironment noProxy("http_proxy", QByteArray());
  const ScopedEnvironment noProxyEither("HTTP_PROXY", QByteArray());
  QString cancelCaption;
  whenDialogOpens<TUpdateForm>(
      [&](TUpdateForm& dialog) { cancelCaption = dialog.ButtonCancel->text(); });
  checkForUpdates();
  EXPECT_EQ(cancelCaption, "&Abbrechen");
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Keine Verbindung.\rBitte sp\xC3\xA4ter!"});
}

// The help page beside the built program names every command of the File,
// Edit, View and Help menus and "More Glyphon", with its shortcut as the
// menus show it.
TEST_F(HelpMenuTest, HelpPageDescribesEveryCommand) {
  QFile page(QStringLiteral(GLYPHON_BUILD_DIR "/help/index.html"));
  ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << page.fileName().toStdString();
  const QString html = QString::fromUtf8(page.readAll());
  std::vector<QAction*> commands{action("MenuMoreGlyphon")};
  for (const char* name : {"MenuFile", "MenuEdit", "MenuView", "MenuHelp"})
    for (QAction* entry : menu(name)->actions())
      if (!entry->isSeparator()) commands.push_back(entry);
  ASSERT_GE(commands.size(), 23u);
  for (QAction* command : commands) {
    const QString caption = command->text().remove(QChar('&')).remove(QStringLiteral("..."));
    EXPECT_TRUE(html.contains(caption)) << caption.toStdString();
    // Ctrl+Alt+S is written <kbd>Ctrl</kbd>+<kbd>Alt</kbd>+<kbd>S</kbd>.
    const QString shortcut = command->shortcut().toString(QKeySequence::PortableText);
    if (shortcut.isEmpty()) continue;
    // Ctrl++ is Ctrl and the plus key.
    QStringList parts = shortcut.split(QChar('+'));
    if (shortcut.endsWith(QStringLiteral("++"))) {
      parts = shortcut.chopped(2).split(QChar('+'));
      parts.append(QStringLiteral("+"));
    }
    const QString keys = QStringLiteral("<kbd>") + parts.join(QStringLiteral("</kbd>+<kbd>")) +
                         QStringLiteral("</kbd>");
    EXPECT_TRUE(html.contains(keys)) << caption.toStdString() << " " << keys.toStdString();
  }
  for (const char* topic : {"glyphon-render", "--backdrop", ".gyf", "glyphon-styles"})
    EXPECT_TRUE(html.contains(QLatin1String(topic))) << topic;
}

}  // namespace
}  // namespace glyphon
