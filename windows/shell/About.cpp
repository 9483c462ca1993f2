#include "windows/shell/About.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>
#include <algorithm>

#include "engine/shell/UpdateRules.h"
#include "windows/shell/UrlOpener.h"

namespace glyphon {

namespace {

// The box was designed with a title bar of its own, 28 pixels high, drawn
// inside it; here the desktop draws the title bar, so the picture fills the
// whole box and every place is 28 pixels higher than designed.
constexpr QSize kBoxSize(466, 405);
constexpr QPoint kOpenedAt(329, 192);
constexpr QPoint kLabelVersionPlace(200, 163);
constexpr QPoint kLabelWebsitePlace(168, 274);
constexpr QPoint kLabelEmailinfoPlace(168, 300);
constexpr QRect kButtonRect(357, 332, 80, 27);
// Between a caption and its link, and between a link and the box's edge.
constexpr int kLinkGap = 6;
constexpr int kEdgeMargin = 8;

QLabel* addLabel(QWidget* parent, const char* objectName, const QString& text, QPoint place) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(objectName));
  label->setTextFormat(Qt::PlainText);
  label->move(place);
  label->resize(label->sizeHint());
  return label;
}

// A link: blue, underlined, with a hand cursor; it takes the keyboard focus
// so that it can be followed without a mouse.
QLabel* addLink(QWidget* parent, const char* objectName, const QString& text) {
  QLabel* link = addLabel(parent, objectName, text, {});
  QFont font = link->font();
  font.setUnderline(true);
  link->setFont(font);
  QPalette palette = link->palette();
  palette.setColor(QPalette::WindowText, Qt::blue);
  link->setPalette(palette);
  link->setCursor(Qt::PointingHandCursor);
  link->setFocusPolicy(Qt::StrongFocus);
  link->resize(link->sizeHint());
  return link;
}

// Puts link right of caption on its line; when the pair would pass the
// box's right edge, both move left as far as needed.
void placeBeside(QLabel* caption, QLabel* link, int boxWidth) {
  const int overflow =
      caption->x() + caption->width() + kLinkGap + link->width() - (boxWidth - kEdgeMargin);
  if (overflow > 0) caption->move(std::max(kEdgeMargin, caption->x() - overflow), caption->y());
  link->move(caption->x() + caption->width() + kLinkGap, caption->y());
}

}  // namespace

TAboutForm::TAboutForm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("AboutForm"));
  setWindowTitle(tr("About..."));
  setFixedSize(kBoxSize);
  move(kOpenedAt);

  ImageAbout = new QLabel(this);
  ImageAbout->setObjectName(QStringLiteral("ImageAbout"));
  ImageAbout->setPixmap(QPixmap(QStringLiteral(":/dialogs/about.png")));
  ImageAbout->setGeometry(QRect(QPoint(), kBoxSize));

  LabelVersion =
      addLabel(this, "LabelVersion",
               tr("Version: ") + QString::fromUtf8(kProgramVersion.data(), kProgramVersion.size()),
               kLabelVersionPlace);
  LabelWebsite =
      addLabel(this, "LabelWebsite", tr("Welcome to visit our web site:"), kLabelWebsitePlace);
  LabelURL = addLink(this, "LabelURL", QString::fromLatin1(kWebSiteAddress));
  LabelEmailinfo = addLabel(this, "LabelEmailinfo", tr("Email for Support:"), kLabelEmailinfoPlace);
  LabelMail = addLink(this, "LabelMail", QString::fromLatin1(kSupportMailAddress));
  placeBeside(LabelWebsite, LabelURL, kBoxSize.width());
  placeBeside(LabelEmailinfo, LabelMail, kBoxSize.width());
  LabelURL->installEventFilter(this);
  LabelMail->installEventFilter(this);

  suiButton1 = new QPushButton(tr("&OK"), this);
  suiButton1->setObjectName(QStringLiteral("suiButton1"));
  suiButton1->setGeometry(kButtonRect);
  suiButton1->setDefault(true);
  suiButton1->setFocus();
  connect(suiButton1, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutForm::LabelURLClick() { (void)urlOpener().open(QUrl(LabelURL->text())); }

void TAboutForm::LabelMailClick() {
  (void)urlOpener().open(QUrl(QStringLiteral("mailto:") + LabelMail->text()));
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched != LabelURL && watched != LabelMail) return QDialog::eventFilter(watched, event);
  bool follow = false;
  if (event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    follow = mouse->button() == Qt::LeftButton &&
             static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint());
  } else if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    follow = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
  }
  if (!follow) return QDialog::eventFilter(watched, event);
  if (watched == LabelURL)
    LabelURLClick();
  else
    LabelMailClick();
  return true;
}

}  // namespace glyphon
