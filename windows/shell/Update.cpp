#include "windows/shell/Update.h"

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "engine/shell/Language.h"
#include "windows/shell/MessageBoxes.h"
#include "windows/shell/UrlOpener.h"

namespace glyphon {

namespace {

constexpr QSize kDesignedSize(326, 182);
constexpr QPoint kImagePlace(16, 19);
constexpr QSize kImageSize(125, 117);
constexpr QPoint kLabelUpdatePlace(155, 48);
constexpr QPoint kLabelInfoPlace(155, 70);
constexpr QSize kButtonSize(75, 25);
constexpr QPoint kButtonPlace(236, 112);
// Room kept right of the texts when the dialog has to grow for them.
constexpr int kRightMargin = 12;

constexpr int kAnimationStepMs = 500;
constexpr int kStartDelayMs = 1000;

QString textOf(const Language& language, std::string_view english) {
  return QString::fromStdString(language.text(english));
}

QLabel* addFrame(QWidget* parent, const char* objectName, const char* picture) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(objectName));
  label->setPixmap(QPixmap(QString::fromLatin1(picture)));
  label->setGeometry(QRect(kImagePlace, kImageSize));
  return label;
}

}  // namespace

TUpdateForm::TUpdateForm(QWidget* owner, UpdateSource source)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), m_source(std::move(source)) {
  setObjectName(QStringLiteral("UpdateForm"));
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  Image1 = addFrame(this, "Image1", ":/dialogs/update-1.png");
  Image2 = addFrame(this, "Image2", ":/dialogs/update-2.png");
  Image2->hide();

  LabelUpdate = new QLabel(this);
  LabelUpdate->setObjectName(QStringLiteral("LabelUpdate"));
  QFont progressFont = LabelUpdate->font();
  progressFont.setFamilies(
      {QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
  progressFont.setPointSize(10);
  LabelUpdate->setFont(progressFont);
  LabelUpdate->move(kLabelUpdatePlace);

  LabelInfo = new QLabel(this);
  LabelInfo->setObjectName(QStringLiteral("LabelInfo"));
  LabelInfo->setText(QStringLiteral("Server: ") + m_source.address.host());
  LabelInfo->move(kLabelInfoPlace);

  ButtonCancel = new QPushButton(this);
  ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
  ButtonCancel->setGeometry(QRect(kButtonPlace, kButtonSize));
  ButtonCancel->setDefault(true);
  connect(ButtonCancel, &QPushButton::clicked, this, &TUpdateForm::ButtonCancelClick);

  IdHTTPUpdate = new UpdateRequest(this);
  connect(IdHTTPUpdate, &UpdateRequest::finished, this,
          [this](bool answered, const QByteArray& body, const QString&) {
            requestFinished(answered, body);
          });

  LoadTexts(Language());

  // Both timers run from creation on, as long as the dialog lives.
  TimerUpdate = new QTimer(this);
  TimerUpdate->setInterval(kAnimationStepMs);
  connect(TimerUpdate, &QTimer::timeout, this, &TUpdateForm::TimerUpdateTimer);
  TimerUpdate->start();
  TimerStart = new QTimer(this);
  TimerStart->setInterval(kStartDelayMs);
  connect(TimerStart, &QTimer::timeout, this, &TUpdateForm::TimerStartTimer);
  TimerStart->start();
}

TUpdateForm::~TUpdateForm() { IdHTTPUpdate->abort(); }

void TUpdateForm::LoadTexts(const Language& language) {
  LabelUpdate->setText(textOf(language, "Checking for new version"));
  ButtonCancel->setText(textOf(language, "&Cancel"));
  setWindowTitle(textOf(language, "Update"));
  m_progressText = textOf(language, "Checking for new version");
  m_latestVersion = textOf(language, "This is the lastest version!");
  m_thanks = textOf(language, "Thank you for your support!");
  m_newVersionIs = textOf(language, "The lastest version is");
  m_downloadQuestion = textOf(language, "do you want to download it?");
  m_newVersionCaption = textOf(language, "Find a new version");
  m_connectFailed = textOf(language, "Fail to connect Internet.");
  m_tryLater = textOf(language, "Please try later!");
  m_answerUnreadable = textOf(language, "Fail to get update informate");
  fitWidth();
}

void TUpdateForm::fitWidth() {
  const QString longest =
      QString::fromStdString(progressText(m_progressText.toStdString(), kMaxProgressDots));
  const int progressWidth = LabelUpdate->fontMetrics().horizontalAdvance(longest);
  const int infoWidth = LabelInfo->fontMetrics().horizontalAdvance(LabelInfo->text());
  LabelUpdate->resize(progressWidth + 2, LabelUpdate->sizeHint().height());
  LabelInfo->resize(infoWidth + 2, LabelInfo->sizeHint().height());
  const int textRight = kLabelUpdatePlace.x() + std::max(progressWidth, infoWidth) + kRightMargin;
  const int width = std::max(kDesignedSize.width(), textRight);
  ButtonCancel->resize(kButtonSize.expandedTo(ButtonCancel->sizeHint()));
  ButtonCancel->move(width - (kDesignedSize.width() - kButtonPlace.x()) -
                         (ButtonCancel->width() - kButtonSize.width()),
                     kButtonPlace.y());
  setFixedSize(width, kDesignedSize.height());
}

void TUpdateForm::TimerUpdateTimer() {
  const bool firstShown = !Image1->isHidden();
  Image1->setHidden(firstShown);
  Image2->setHidden(!firstShown);
  LabelUpdate->setText(QString::fromStdString(progressText(m_progressText.toStdString(), m_dots)));
  m_dots = nextProgressDots(m_dots);
}

void TUpdateForm::TimerStartTimer() {
  TimerStart->stop();
  if (m_checkStarted) return;
  m_checkStarted = true;
  IdHTTPUpdate->start(m_source);
}

void TUpdateForm::ButtonCancelClick() { reject(); }

void TUpdateForm::done(int result) {
  TimerUpdate->stop();
  TimerStart->stop();
  IdHTTPUpdate->abort();
  QDialog::done(result);
}

void TUpdateForm::requestFinished(bool answered, const QByteArray& body) {
  if (answered)
    runCommand(this, [this, &body] { showAnswer(body); });
  else
    errorBox(this, m_connectFailed + QChar('\r') + m_tryLater);
  accept();
}

void TUpdateForm::showAnswer(const QByteArray& body) {
  const std::optional<UpdateAnswer> answer =
      parseUpdateAnswer(std::string_view(body.constData(), size_t(body.size())));
  if (!answer) {
    errorBox(this, m_answerUnreadable + QChar('\r') + m_tryLater);
    return;
  }
  if (!isNewerVersion(answer->version)) {
    informationBox(this, m_latestVersion + QChar('\r') + m_thanks);
    return;
  }
  // Only a web address is ever opened; anything else counts as none, and a
  // newer version without an address is not worth a box.
  const QUrl address(QString::fromStdString(downloadAddress(answer->url)), QUrl::StrictMode);
  if (address.isEmpty() || !address.isValid()) return;
  const QString version = QString::fromStdString(answer->version);
  const MessageAnswer choice =
      messageBoxes().show(this, {MessageIcon::None, m_newVersionCaption,
                                 m_newVersionIs + QStringLiteral(" [") + version +
                                     QStringLiteral("],") + QChar('\r') + m_downloadQuestion,
                                 MessageButtons::YesNo});
  if (choice == MessageAnswer::Yes) (void)urlOpener().open(address);
}

}  // namespace glyphon
