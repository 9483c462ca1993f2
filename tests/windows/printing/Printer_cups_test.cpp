// One print job through a real CUPS queue: a private cupsd (its own
// configuration, spool and socket in a temporary folder) with a CUPS-PDF
// printer, driven through the editor's installed-printers provider. The
// CUPS-PDF backend writes the job as a PDF file into the PDF folder of the
// submitting user's home.
//
// Skipped, with the reason, when cupsd cannot run here (not root, CUPS or
// CUPS-PDF missing, or the daemon does not come up). The daemon is stopped
// by its process id at the end, and dies with the test process if that
// ends early.
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QSet>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <memory>
#include <utility>

#include "windows/printing/Printer.h"
#include "windows/mainform/MainForm.h"
#include "tests/windows/printing/PrintTestSupport.h"
#include "tests/windows/shell/WindowTestSupport.h"

namespace glyphon {
namespace {

const QString kCupsd = QStringLiteral("/usr/sbin/cupsd");
const QString kCupsPdfBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString kCupsPdfPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
const QString kQueue = QStringLiteral("TestPDF");

bool writeText(const QString& path, const QString& text) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(text.toUtf8()) == text.toUtf8().size();
}

// The installed printers with their dialogs answered: the print dialog is
// confirmed as it stands.
class InstalledPrintersConfirmed final : public Printers {
 public:
  explicit InstalledPrintersConfirmed(Printers& installed)
      : m_installed(installed), m_scope(*this) {}
  int count() override { return m_installed.count(); }
  QPrinter* current() override { return m_installed.current(); }
  bool runPrintDialog(QWidget*, QPrinter&) override { return true; }
  bool runPageSetupDialog(QWidget*, QPrinter&) override { return true; }

 private:
  Printers& m_installed;
  ScopedPrinters m_scope;
};

class CupsQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0)
      GTEST_SKIP() << "cupsd runs the CUPS-PDF backend only as root; this test runs as uid "
                   << geteuid();
    for (const QString& needed : {kCupsd, kCupsPdfBackend, kCupsPdfPpd})
      if (!QFileInfo::exists(needed))
        GTEST_SKIP() << needed.toStdString() << " is missing (packages cups and "
                     << "printer-driver-cups-pdf)";
    ASSERT_TRUE(m_folder.isValid());
    startCupsd();
    if (HasFatalFailure() || IsSkipped()) return;
    qputenv("CUPS_SERVER", m_socket.toLocal8Bit());
    run(QStringLiteral("lpadmin"),
        {QStringLiteral("-p"), kQueue, QStringLiteral("-E"), QStringLiteral("-v"),
         QStringLiteral("cups-pdf:/"), QStringLiteral("-P"), kCupsPdfPpd});
  }

  void TearDown() override {
    if (m_cupsd.state() != QProcess::NotRunning) {
      ::kill(pid_t(m_cupsd.processId()), SIGTERM);
      if (!m_cupsd.waitForFinished(10000)) {
        m_cupsd.kill();
        m_cupsd.waitForFinished(5000);
      }
    }
    for (const QString& file : m_madeFiles) QFile::remove(file);
    if (m_madeOutputFolder) QDir().rmdir(outputFolder());
  }

  void startCupsd() {
    const QString root = m_folder.path();
    m_socket = root + QStringLiteral("/cups.sock");
    for (const char* sub : {"conf", "spool", "spool/tmp", "cache", "state", "log"})
      ASSERT_TRUE(QDir(root).mkpath(QString::fromLatin1(sub)));
    QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                    QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                    QFile::ExeOther);
    const QString cupsdConf = root + QStringLiteral("/conf/cupsd.conf");
    const QString filesConf = root + QStringLiteral("/conf/cups-files.conf");
    ASSERT_TRUE(writeText(cupsdConf, QStringLiteral("LogLevel warn\n"
                                                    "Listen %1\n"
                                                    "Browsing No\n"
                                                    "WebInterface No\n"
                                                    "DefaultAuthType None\n"
                                                    "<Location />\n"
                                                    "  Order allow,deny\n"
                                                    "  Allow all\n"
                                                    "</Location>\n"
                                                    "<Policy default>\n"
                                                    "  <Limit All>\n"
                                                    "    Order deny,allow\n"
                                                    "  </Limit>\n"
                                                    "</Policy>\n")
                                         .arg(m_socket)));
    ASSERT_TRUE(writeText(filesConf, QStringLiteral("SystemGroup root\n"
                                                    "ServerRoot %1/conf\n"
                                                    "RequestRoot %1/spool\n"
                                                    "TempDir %1/spool/tmp\n"
                                                    "CacheDir %1/cache\n"
                                                    "StateDir %1/state\n"
                                                    "AccessLog %1/log/access_log\n"
                                                    "ErrorLog %1/log/error_log\n"
                                                    "PageLog %1/log/page_log\n")
                                         .arg(root)));
    // The daemon dies with this process, whatever ends it.
    m_cupsd.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
    m_cupsd.start(kCupsd, {QStringLiteral("-f"), QStringLiteral("-c"), cupsdConf,
                           QStringLiteral("-s"), filesConf});
    if (!m_cupsd.waitForStarted(10000))
      GTEST_SKIP() << "cupsd cannot be started: " << m_cupsd.errorString().toStdString();
    const QDeadlineTimer deadline(15000);
    while (!QFileInfo::exists(m_socket) && m_cupsd.state() == QProcess::Running &&
           !deadline.hasExpired())
      QThread::msleep(50);
    if (!QFileInfo::exists(m_socket))
      GTEST_SKIP() << "cupsd did not come up: " << m_cupsd.readAll().toStdString();
  }

  static QString run(const QString& program, const QStringList& arguments) {
    return testing::runTool(program, arguments);
  }

  // Where CUPS-PDF puts the jobs of this process's user.
  static QString outputFolder() {
    const passwd* user = getpwuid(getuid());
    return QString::fromLocal8Bit(user != nullptr ? user->pw_dir : "/root") +
           QStringLiteral("/PDF");
  }

  [[nodiscard]] QSet<QString> outputFiles() const {
    const QStringList names =
        QDir(outputFolder()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    return QSet<QString>(names.begin(), names.end());
  }

  // Waits until the queue holds no job, at most a minute.
  void waitForEmptyQueue() {
    const QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
      if (run(QStringLiteral("lpstat"), {QStringLiteral("-o"), kQueue}).trimmed().isEmpty()) return;
      QTest::qWait(250);
    }
    FAIL() << "the job did not leave the queue";
  }

  QTemporaryDir m_folder;
  QString m_socket;
  QProcess m_cupsd;
  QStringList m_madeFiles;
  bool m_madeOutputFolder = false;
};

TEST_F(CupsQueueTest, DirectPrintingGoesThroughTheQueue) {
  ASSERT_TRUE(QPrinterInfo::availablePrinterNames().contains(kQueue));
  InstalledPrintersConfirmed confirmed(printers());
  ASSERT_EQ(printers().count(), 1);
  QPrinter* printer = printers().current();
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(printer->printerName(), kQueue);
  EXPECT_EQ(printer->outputFormat(), QPrinter::NativeFormat);

  QTemporaryDir programFolder;
  testing::RecordingMessageBoxes boxes;
  testing::writeJpeg(programFolder.filePath("pic/default.jpg"),
                     testing::cellPicture(800, 600, 8, 6));
  TMainForm window(programFolder.path(), QStringList());
  ASSERT_TRUE(boxes.shown.empty()) << boxes.texts().front();

  m_madeOutputFolder = !QFileInfo::exists(outputFolder());
  const QSet<QString> before = outputFiles();
  testing::namedAction(window, QStringLiteral("MenuPrint"))->trigger();
  EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().front();
  waitForEmptyQueue();
  // CUPS-PDF may still be writing when the job leaves the queue.
  QSet<QString> made;
  const QDeadlineTimer deadline(20000);
  while ((made = outputFiles() - before).isEmpty() && !deadline.hasExpired()) QTest::qWait(250);
  ASSERT_EQ(made.size(), 1) << "no PDF in " << outputFolder().toStdString();
  const QString pdf = outputFolder() + '/' + *made.begin();
  m_madeFiles << pdf;
  EXPECT_TRUE(made.begin()->contains(QStringLiteral("Tessarquill"))) << made.begin()->toStdString();

  // The picture fills the printable width, centred on the printable area
  // of the queue's paper.
  const PrinterFigures figures = printerFigures(*printer);
  const Placement device = directPrintRectangle(window.printSettings(), figures, {800, 600}, 96);
  const QRectF paintRect = printer->pageLayout().paintRectPixels(figures.DpiX);
  const double scale = double(testing::kRasterDpi) / figures.DpiX;
  const QRect expected =
      QRectF((paintRect.left() + device.X) * scale, (paintRect.top() + device.Y) * scale,
             device.Width * scale, device.Height * scale)
          .toRect();
  const QImage page = testing::rasterisePdf(pdf);
  ASSERT_FALSE(page.isNull());
  const QRect ink = testing::inkBounds(page);
  EXPECT_NEAR(ink.left(), expected.left(), 2);
  EXPECT_NEAR(ink.top(), expected.top(), 2);
  EXPECT_NEAR(ink.right(), expected.right(), 2);
  EXPECT_NEAR(ink.bottom(), expected.bottom(), 2);
  // The centres of two cells.
  for (const auto& [column, row] : {std::pair{0, 0}, std::pair{4, 3}}) {
    const QPoint centre(expected.left() + (2 * column + 1) * expected.width() / 16,
                        expected.top() + (2 * row + 1) * expected.height() / 12);
    EXPECT_TRUE(testing::nearColor(page.pixel(centre), testing::cellColor(column, row), 12))
        << "cell " << column << ", " << row;
  }
}

// The platform's dialogs as the commands open them, on a real printer.
TEST_F(CupsQueueTest, ThePlatformDialogsOfferWhatTheCommandsUse) {
  QPrinter* printer = printers().current();
  ASSERT_NE(printer, nullptr);

  bool inspected = false;
  QTimer::singleShot(0, [&inspected] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    // The margins stay the printer's own.
    for (const char* margin : {"topMargin", "bottomMargin", "leftMargin", "rightMargin"}) {
      const auto* field = dialog->findChild<QWidget*>(QString::fromLatin1(margin));
      ASSERT_NE(field, nullptr) << margin;
      EXPECT_FALSE(field->isEnabled()) << margin;
    }
    inspected = true;
    dialog->reject();
  });
  EXPECT_FALSE(printers().runPageSetupDialog(nullptr, *printer));
  EXPECT_TRUE(inspected);

  inspected = false;
  QTimer::singleShot(0, [&inspected] {
    auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->testOption(QAbstractPrintDialog::PrintToFile));
    EXPECT_TRUE(dialog->testOption(QAbstractPrintDialog::PrintPageRange));
    EXPECT_TRUE(dialog->testOption(QAbstractPrintDialog::PrintSelection));
    inspected = true;
    dialog->reject();
  });
  EXPECT_FALSE(printers().runPrintDialog(nullptr, *printer));
  EXPECT_TRUE(inspected);
}

}  // namespace
}  // namespace glyphon
