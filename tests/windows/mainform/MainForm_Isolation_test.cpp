// Style plug-ins that crash, hang, end their process, write past their
// picture or break the bitmap contract, used through the real main window:
// each runs in the style helper, so the editor stays, its items stay as
// they were, and the user is told what happened. Also the wait the window
// shows while a style draws, cancelling it, and a style that draws nothing.
#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <vector>

#include "engine/core/StyleHost.h"
#include "tests/windows/mainform/EditWindowSupport.h"
#include "windows/mainform/StyleWait.h"

namespace glyphon {
namespace {

using namespace std::chrono_literals;

// What the user has: the items (by address, as nothing may replace them),
// their rectangles and texts, the picture and whether it is modified.
struct Work {
  std::vector<const TTextItem*> items;
  std::vector<Rect> rects;
  std::vector<std::string> texts;
  Bitmap canvas;
  bool modified = false;
  const TTextItem* selected = nullptr;

  friend bool operator==(const Work&, const Work&) = default;
};

class PluginIsolationTest : public testing::EditWindowTest {
 protected:
  void TearDown() override {
    StyleHost::shared().setTimeLimit(StyleHost::kDefaultTimeLimit);
    StyleWait::setDelays({});
  }

  // Makes plugin (a file of the test plug-in folder) the plug-in of the
  // current kind, 10001, as a user who installed it would, and lets the
  // window read it by a click on style font 0.
  void useStyle(const char* plugin) {
    const QString link = styleFolder() + QLatin1Char('/') + QString::fromUtf8(plugin);
    if (!QFile::exists(link)) {
      ASSERT_TRUE(QFile::link(QStringLiteral(GLYPHON_TEST_PLUGIN_DIR "/") + plugin, link));
    }
    testing::registerStyleKind(10001, QStringLiteral("Echo 10001"), styleFolder(),
                               QString::fromUtf8(plugin));
    QTest::mouseClick(styleFontImage(0), Qt::LeftButton);
    ASSERT_EQ(window->pluginFileName(), QString::fromUtf8(plugin));
  }

  Work work() const {
    Work w;
    for (const auto& item : queue().items()) {
      w.items.push_back(item.get());
      w.rects.push_back(item->Rect);
      w.texts.push_back(item->Text);
    }
    w.canvas = composition().CanvasBitmap();
    w.modified = composition().Modified();
    w.selected = selected();
    return w;
  }

  // Two items, one of them from the echo style, the picture saved.
  void makeSomeWork() {
    addItem({30, 40, 90, 80}, 3);
    typeIntoMemo(QStringLiteral("kept"));
    button("ButtonAdd")->click();
    ASSERT_TRUE(boxes.shown.empty());
    ASSERT_EQ(queue().count(), 2u);
    window->composition().setModified(false);
  }

  // The one box shown since the last look, which must be an error box.
  std::string errorShown() {
    EXPECT_EQ(boxes.shown.size(), 1u);
    if (boxes.shown.size() != 1) return {};
    const MessageRequest request = boxes.shown.front().request;
    boxes.shown.clear();
    EXPECT_EQ(request.icon, MessageIcon::Error);
    return request.text.toStdString();
  }
};

TEST_F(PluginIsolationTest, NoBrokenStyleCostsAnItem) {
  makeSomeWork();
  StyleHost::shared().setTimeLimit(400ms);
  struct Case {
    const char* plugin;
    const char* happened;
  };
  const Case cases[] = {
      {GLYPHON_TEST_CRASH_STYLE,
       "stopped unexpectedly (segmentation fault) while drawing the text."},
      {GLYPHON_TEST_ENDLESS_STYLE,
       "did not finish drawing the text within 0.4 seconds and was stopped."},
      {GLYPHON_TEST_ABSURD_STYLE,
       "changed the size or the address of the picture it was given instead of asking for a new "
       "size; its drawing was thrown away."},
      {GLYPHON_TEST_EXIT_STYLE, "ended its own process (exit status 7) while drawing the text."},
      {GLYPHON_TEST_OVERRUN_STYLE,
       "wrote outside the picture it was given while drawing the text."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plugin);
    useStyle(c.plugin);
    const Work before = work();
    const std::string message = std::string("The style \u201C") + "Echo 10001\u201D " + c.happened;
    typeIntoMemo(QStringLiteral("replacement"));
    button("ButtonAdd")->click();
    EXPECT_EQ(errorShown(), message);
    EXPECT_TRUE(work() == before) << "Add changed the work";
    // Modify renders before it replaces: the selected item stays.
    button("ButtonModify")->click();
    EXPECT_EQ(errorShown(), message);
    EXPECT_TRUE(work() == before) << "Modify changed the work";
    EXPECT_EQ(selected()->Text, "kept");
    EXPECT_TRUE(window->isVisible());
    expectShowsRecomposition();
  }

  // An ordinary style draws again at once.
  useStyle(GLYPHON_TEST_ECHO_STYLE);
  typeIntoMemo(QStringLiteral("again"));
  button("ButtonAdd")->click();
  EXPECT_TRUE(boxes.shown.empty());
  ASSERT_EQ(queue().count(), 3u);
  EXPECT_EQ(selected()->Text, "again");
  expectShowsRecomposition();
}

TEST_F(PluginIsolationTest, AResizeWhoseStyleCrashesKeepsTheRenderingStretched) {
  std::unique_ptr<TTextItem> item = testing::noiseItem({100, 100, 200, 160}, 4);
  item->StyleKind = 10001;
  window->composition().addItem(std::move(item));
  QApplication::processEvents();
  const std::shared_ptr<const Bitmap> rendering = selected()->Bitmap;
  useStyle(GLYPHON_TEST_CRASH_STYLE);
  drag(200, 160, 260, 160);
  EXPECT_EQ(errorShown(),
            "The style \u201C" "Echo 10001\u201D stopped unexpectedly (segmentation fault) while "
            "drawing the text.");
  // The drag itself is done, with the rendering the item had.
  ASSERT_NE(selected(), nullptr);
  EXPECT_EQ(selected()->Rect.Left, 100);
  EXPECT_EQ(selected()->Rect.Right, 260);  // the corner keeps the shape
  EXPECT_EQ(selected()->Bitmap, rendering);
  expectShowsRecomposition();
}

TEST_F(PluginIsolationTest, ALongDrawingShowsTheBusyPointerAndCanBeCancelled) {
  makeSomeWork();
  StyleWait::setDelays({40ms, 120ms});
  useStyle(GLYPHON_TEST_ENDLESS_STYLE);
  const Work before = work();
  typeIntoMemo(QStringLiteral("never drawn"));

  // The user waits for the dialog, sees the busy pointer, and cancels.
  bool sawDialog = false;
  Qt::CursorShape pointer = Qt::ArrowCursor;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    auto* dialog = window->findChild<QProgressDialog*>(QStringLiteral("StyleWaitDialog"));
    if (!dialog || !dialog->isVisible()) return;
    sawDialog = true;
    if (QApplication::overrideCursor()) pointer = QApplication::overrideCursor()->shape();
    user.stop();
    QPushButton* cancel = dialog->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    cancel->click();
  });
  user.start(20);
  const auto started = std::chrono::steady_clock::now();
  button("ButtonAdd")->click();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);

  EXPECT_TRUE(sawDialog);
  EXPECT_EQ(pointer, Qt::BusyCursor);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(window->findChild<QProgressDialog*>(QStringLiteral("StyleWaitDialog")), nullptr);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(work() == before);
  EXPECT_EQ(StyleHost::shared().pid(), 0) << "the cancelled helper is still there";

  useStyle(GLYPHON_TEST_ECHO_STYLE);
  button("ButtonAdd")->click();
  EXPECT_EQ(queue().count(), 3u);
}

TEST_F(PluginIsolationTest, AStyleThatDrawsNothingAddsNothingAndSaysSo) {
  makeSomeWork();
  const Work before = work();
  // The echo style sizes its picture and then makes it 0 x 0 again.
  typeIntoMemo(QStringLiteral("!empty"));
  button("ButtonAdd")->click();
  ASSERT_EQ(boxes.texts(), std::vector<std::string>{"The style \u201C"
                                                    "Echo 10001\u201D drew "
                                                    "nothing for this text, so no item was "
                                                    "added."});
  EXPECT_EQ(boxes.shown.front().request.icon, MessageIcon::Information);
  boxes.shown.clear();
  EXPECT_TRUE(work() == before);
  button("ButtonModify")->click();
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"The style \u201C"
                                                    "Echo 10001\u201D drew "
                                                    "nothing for this text, so the item was left "
                                                    "as it was."});
  EXPECT_TRUE(work() == before);
}

}  // namespace
}  // namespace glyphon
