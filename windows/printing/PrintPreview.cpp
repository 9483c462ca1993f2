#include "windows/printing/PrintPreview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QShowEvent>

#include "engine/core/IniFile.h"
#include "engine/printing/PreviewPage.h"
#include "windows/printing/Printer.h"
#include "windows/shell/ImageBox.h"
#include "engine/shell/Language.h"
#include "windows/shell/MessageBoxes.h"
#include "services/shell/UserConfig.h"

namespace glyphon {

namespace {

// Geometry of the dialog in its own pixels.
constexpr QSize kClientSize(699, 324);
constexpr QRect kPanelPreview(16, 40, 257, 257);
constexpr QRect kGroupBox1(295, 40, 282, 105);
constexpr QRect kGroupBox2(295, 160, 282, 121);
constexpr int kButtonLeft = 590;
constexpr QSize kButtonSize(98, 25);
// Inside the group boxes: label, field and unit list of one row.
constexpr int kLabelLeft = 12;
constexpr int kLabelWidth = 56;
constexpr int kFieldLeft = 72;
constexpr int kFieldWidth = 96;
constexpr int kUnitLeft = 176;
constexpr int kUnitWidth = 96;
constexpr int kRowHeight = 23;

QString textOf(const Language& language, std::string_view english) {
  return QString::fromStdString(language.text(english));
}

QLabel* rowLabel(QWidget* group, int top) {
  auto* label = new QLabel(group);
  label->setGeometry(kLabelLeft, top, kLabelWidth, kRowHeight);
  return label;
}

QLineEdit* rowField(QWidget* group, int top, int width = kFieldWidth) {
  auto* field = new QLineEdit(group);
  field->setGeometry(kFieldLeft, top, width, kRowHeight);
  return field;
}

QComboBox* rowUnitList(QWidget* group, int top) {
  auto* list = new QComboBox(group);
  list->setGeometry(kUnitLeft, top, kUnitWidth, kRowHeight);
  return list;
}

void fillUnitList(QComboBox* list, const QString (&names)[4]) {
  const int index = list->currentIndex();
  list->clear();
  for (const QString& name : names) list->addItem(name);
  list->setCurrentIndex(index);
}

// Selects unit in list; a unit that is none of its entries selects nothing.
// Returns the list's choice, -1 for nothing.
int32_t selectUnit(QComboBox* list, PrintUnit unit) {
  const int index = int(unit);
  list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
  return list->currentIndex();
}

}  // namespace

TPrintPreviewForm::TPrintPreviewForm(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("PrintPreviewForm"));
  setModal(true);
  ScreenResolution = screenResolution();
  DecimalSeparator = localeDecimalSeparator();
  buildControls();
  LoadCaptions(Language());
}

void TPrintPreviewForm::buildControls() {
  setFixedSize(kClientSize);

  PanelPreview = new QFrame(this);
  PanelPreview->setFrameShape(QFrame::NoFrame);
  PanelPreview->setGeometry(kPanelPreview);
  ImagePreview = new ImageBox(PanelPreview);
  ImagePreview->setGeometry(0, 0, 0, 0);

  GroupBox1 = new QGroupBox(this);
  GroupBox1->setGeometry(kGroupBox1);
  Label1 = rowLabel(GroupBox1, 22);
  EditTop = rowField(GroupBox1, 22);
  ComboBoxTopUnit = rowUnitList(GroupBox1, 22);
  Label2 = rowLabel(GroupBox1, 50);
  EditLeft = rowField(GroupBox1, 50);
  ComboBoxLeftUnit = rowUnitList(GroupBox1, 50);
  CheckBoxCenter = new QCheckBox(GroupBox1);
  CheckBoxCenter->setGeometry(kFieldLeft, 78, 196, 20);
  // The Top and Left lists keep the English unit names.
  for (QComboBox* list : {ComboBoxTopUnit, ComboBoxLeftUnit})
    for (const std::string_view name : kPrintUnitNames)
      list->addItem(QString::fromLatin1(name.data(), qsizetype(name.size())));

  GroupBox2 = new QGroupBox(this);
  GroupBox2->setGeometry(kGroupBox2);
  Label3 = rowLabel(GroupBox2, 22);
  EditScale = rowField(GroupBox2, 22, 64);
  Label6 = new QLabel(QStringLiteral("%"), GroupBox2);
  Label6->setGeometry(kFieldLeft + 68, 22, 14, kRowHeight);
  CheckBoxFitPage = new QCheckBox(GroupBox2);
  CheckBoxFitPage->setGeometry(kFieldLeft + 84, 22, 126, kRowHeight);
  Label4 = rowLabel(GroupBox2, 54);
  EditHeight = rowField(GroupBox2, 54);
  ComboBoxHeightUnit = rowUnitList(GroupBox2, 54);
  Label5 = rowLabel(GroupBox2, 86);
  EditWidth = rowField(GroupBox2, 86);
  ComboBoxWidthUnit = rowUnitList(GroupBox2, 86);
  CheckBoxBorderBox = new QCheckBox(QStringLiteral("Display Border Box"), GroupBox2);
  CheckBoxBorderBox->setGeometry(kFieldLeft, 100, 196, 20);
  CheckBoxBorderBox->hide();

  const auto button = [this](int top) {
    auto* b = new QPushButton(this);
    b->setGeometry(QRect(QPoint(kButtonLeft, top), kButtonSize));
    b->setAutoDefault(false);
    return b;
  };
  ButtonPrint = button(41);
  ButtonCancel = button(72);
  ButtonOK = button(105);
  ButtonPageSet = button(138);

  setTabOrder(EditTop, ComboBoxTopUnit);
  setTabOrder(ComboBoxTopUnit, EditLeft);
  setTabOrder(EditLeft, ComboBoxLeftUnit);
  setTabOrder(ComboBoxLeftUnit, CheckBoxCenter);
  setTabOrder(CheckBoxCenter, EditScale);
  setTabOrder(EditScale, CheckBoxFitPage);
  setTabOrder(CheckBoxFitPage, EditHeight);
  setTabOrder(EditHeight, ComboBoxHeightUnit);
  setTabOrder(ComboBoxHeightUnit, EditWidth);
  setTabOrder(EditWidth, ComboBoxWidthUnit);
  setTabOrder(ComboBoxWidthUnit, ButtonPrint);
  setTabOrder(ButtonPrint, ButtonCancel);
  setTabOrder(ButtonCancel, ButtonOK);
  setTabOrder(ButtonOK, ButtonPageSet);

  // textEdited and activated come only from the user, never from the
  // values the dialog writes itself.
  connect(CheckBoxFitPage, &QCheckBox::clicked, this, &TPrintPreviewForm::CheckBoxFitPageClick);
  connect(CheckBoxCenter, &QCheckBox::clicked, this, &TPrintPreviewForm::CheckBoxCenterClick);
  connect(EditTop, &QLineEdit::textEdited, this, &TPrintPreviewForm::EditTopChange);
  connect(EditLeft, &QLineEdit::textEdited, this, &TPrintPreviewForm::EditLeftChange);
  connect(EditHeight, &QLineEdit::textEdited, this, &TPrintPreviewForm::EditHeightChange);
  connect(EditWidth, &QLineEdit::textEdited, this, &TPrintPreviewForm::EditWidthChange);
  connect(EditScale, &QLineEdit::textEdited, this, &TPrintPreviewForm::EditScaleChange);
  connect(ComboBoxTopUnit, &QComboBox::activated, this, &TPrintPreviewForm::ComboBoxTopUnitChange);
  connect(ComboBoxLeftUnit, &QComboBox::activated, this,
          &TPrintPreviewForm::ComboBoxLeftUnitChange);
  connect(ComboBoxHeightUnit, &QComboBox::activated, this,
          &TPrintPreviewForm::ComboBoxHeightUnitChange);
  connect(ComboBoxWidthUnit, &QComboBox::activated, this,
          &TPrintPreviewForm::ComboBoxWidthUnitChange);
  connect(ButtonOK, &QPushButton::clicked, this, &TPrintPreviewForm::ButtonOKClick);
  connect(ButtonCancel, &QPushButton::clicked, this, &TPrintPreviewForm::ButtonCancelClick);
  connect(ButtonPageSet, &QPushButton::clicked, this, &TPrintPreviewForm::ButtonPageSetClick);
  connect(ButtonPrint, &QPushButton::clicked, this, &TPrintPreviewForm::ButtonPrintClick);
}

void TPrintPreviewForm::LoadCaptions(const Language& language) {
  setWindowTitle(textOf(language, "Print"));
  GroupBox1->setTitle(textOf(language, "Position"));
  Label1->setText(textOf(language, "Top:"));
  Label2->setText(textOf(language, "Left:"));
  CheckBoxCenter->setText(textOf(language, "Center Image"));
  GroupBox2->setTitle(textOf(language, "Print Size"));
  Label3->setText(textOf(language, "Scale:"));
  CheckBoxFitPage->setText(textOf(language, "Scale to Fit Page"));
  Label4->setText(textOf(language, "Height:"));
  Label5->setText(textOf(language, "Width:"));
  ButtonPrint->setText(textOf(language, "&Print..."));
  ButtonCancel->setText(textOf(language, "&Cancel"));
  ButtonOK->setText(textOf(language, "&OK"));
  ButtonPageSet->setText(textOf(language, "&Page Settings"));
  m_noPrinterMessage = textOf(language, "Can not find any printer.");
  m_heightMessage = textOf(language, "Height must be float.");
  m_leftMessage = textOf(language, "Left must be float.");
  m_topMessage = textOf(language, "Top must be float.");
  m_widthMessage = textOf(language, "Width must be float.");
  m_scaleMessage = textOf(language, "Scale value must be float.");
  m_valueMessage = textOf(language, "Value must be float.");
  for (size_t i = 0; i < kPrintUnitNames.size(); ++i)
    m_unitNames[i] = textOf(language, kPrintUnitNames[i]);
  fillUnitList(ComboBoxHeightUnit, m_unitNames);
  fillUnitList(ComboBoxWidthUnit, m_unitNames);
}

void TPrintPreviewForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TPrintPreviewForm::FormShow() {
  LayoutReady = false;
  writeField(EditTop, general(Layout.Top));
  writeField(EditLeft, general(Layout.Left));
  writeField(EditScale, general(Layout.Scale));
  writeField(EditHeight, general(Layout.Height));
  writeField(EditWidth, general(Layout.Width));
  LastTopUnit = selectUnit(ComboBoxTopUnit, Layout.TopUnit);
  LastLeftUnit = selectUnit(ComboBoxLeftUnit, Layout.LeftUnit);
  LastHeightUnit = selectUnit(ComboBoxHeightUnit, Layout.HeightUnit);
  LastWidthUnit = selectUnit(ComboBoxWidthUnit, Layout.WidthUnit);
  CheckBoxFitPage->setChecked(Layout.FitPage);
  CheckBoxFitPageClick();
  CheckBoxCenter->setChecked(Layout.Center);
  CheckBoxCenterClick();
  CheckBoxBorderBox->setChecked(Layout.BorderBox);
  LayoutReady = true;
  RedrawPreview();
  Accepted = false;
}

void TPrintPreviewForm::CheckBoxFitPageClick() {
  const bool fit = CheckBoxFitPage->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{EditScale, EditHeight, EditWidth,
                                                    ComboBoxHeightUnit, ComboBoxWidthUnit})
    w->setEnabled(!fit);
  if (fit) {
    const PixelSize fitted = fitToPage(pageSize(), pictureSize());
    showPixels(EditWidth, LastWidthUnit, fitted.Width);
    showPixels(EditHeight, LastHeightUnit, fitted.Height);
    writeField(EditScale, fixed(scalePercent(fitted.Height, PictureHeight), 2));
    CheckBoxCenter->setChecked(true);
    CheckBoxCenter->setEnabled(false);
    CheckBoxCenterClick();
  } else {
    showPixels(EditWidth, LastWidthUnit, PictureWidth);
    showPixels(EditHeight, LastHeightUnit, PictureHeight);
    writeField(EditScale, fixed(100, 2));
    CheckBoxCenterClick();
    CheckBoxCenter->setEnabled(true);
  }
  RedrawPreview();
}

void TPrintPreviewForm::CheckBoxCenterClick() {
  const bool centred = CheckBoxCenter->isChecked();
  for (QWidget* w :
       std::initializer_list<QWidget*>{EditTop, EditLeft, ComboBoxTopUnit, ComboBoxLeftUnit})
    w->setEnabled(!centred);
  if (centred) recentre();
  RedrawPreview();
}

void TPrintPreviewForm::recentre() {
  const std::optional<int32_t> width = fieldPixels(EditWidth, LastWidthUnit);
  const std::optional<int32_t> height = fieldPixels(EditHeight, LastHeightUnit);
  // A size that does not parse is reported by the preview drawn next.
  if (!width || !height) return;
  showPixels(EditLeft, LastLeftUnit, centredOffset(PagePixelWidth, *width));
  showPixels(EditTop, LastTopUnit, centredOffset(PagePixelHeight, *height));
}

void TPrintPreviewForm::EditTopChange() {
  if (!fieldValue(EditTop)) {
    errorBox(this, m_topMessage);
    return;
  }
  RedrawPreview();
}

void TPrintPreviewForm::EditLeftChange() {
  if (!fieldValue(EditLeft)) {
    errorBox(this, m_leftMessage);
    return;
  }
  RedrawPreview();
}

void TPrintPreviewForm::EditHeightChange() {
  const std::optional<int32_t> height = fieldPixels(EditHeight, LastHeightUnit);
  if (!height) {
    errorBox(this, m_heightMessage);
    return;
  }
  const int32_t width = widthForHeight(*height, pictureSize());
  showPixels(EditWidth, LastWidthUnit, width);
  writeField(EditScale, fixed(scalePercent(width, PictureWidth), 3));
  if (CheckBoxCenter->isChecked()) recentre();
  RedrawPreview();
}

void TPrintPreviewForm::EditWidthChange() {
  const std::optional<int32_t> width = fieldPixels(EditWidth, LastWidthUnit);
  if (!width) {
    errorBox(this, m_widthMessage);
    return;
  }
  const int32_t height = glyphon::heightForWidth(*width, pictureSize());
  showPixels(EditHeight, LastHeightUnit, height);
  writeField(EditScale, fixed(scalePercent(height, PictureHeight), 3));
  if (CheckBoxCenter->isChecked()) recentre();
  RedrawPreview();
}

void TPrintPreviewForm::EditScaleChange() {
  if (!LayoutReady) return;
  const std::optional<double> scale = fieldValue(EditScale);
  if (!scale) {
    errorBox(this, m_scaleMessage);
    return;
  }
  const PixelSize size = scaledSize(pictureSize(), *scale);
  showPixels(EditHeight, LastHeightUnit, size.Height);
  showPixels(EditWidth, LastWidthUnit, size.Width);
  CheckBoxCenterClick();
  RedrawPreview();
}

void TPrintPreviewForm::ComboBoxTopUnitChange() {
  unitChange(ComboBoxTopUnit, EditTop, LastTopUnit, m_topMessage);
}

void TPrintPreviewForm::ComboBoxLeftUnitChange() {
  unitChange(ComboBoxLeftUnit, EditLeft, LastLeftUnit, m_leftMessage);
}

void TPrintPreviewForm::ComboBoxHeightUnitChange() {
  unitChange(ComboBoxHeightUnit, EditHeight, LastHeightUnit, m_heightMessage);
}

void TPrintPreviewForm::ComboBoxWidthUnitChange() {
  unitChange(ComboBoxWidthUnit, EditWidth, LastWidthUnit, m_widthMessage);
}

void TPrintPreviewForm::unitChange(QComboBox* list, QLineEdit* field, int32_t& lastUnit,
                                   const QString& message) {
  const int32_t unit = list->currentIndex();
  if (unit == lastUnit) return;
  const std::optional<double> value = fieldValue(field);
  if (!value) {
    errorBox(this, message);
    field->setFocus();
    list->setCurrentIndex(lastUnit);
    return;
  }
  writeField(field, general(reexpressInUnit(*value, PrintUnit(lastUnit), PrintUnit(unit),
                                            ScreenResolution)));
  lastUnit = unit;
}

void TPrintPreviewForm::RedrawPreview() {
  if (!LayoutReady) return;
  struct Length {
    const QLineEdit* field;
    int32_t unit;
    const QString* message;
    int32_t pixels = 0;
  };
  Length top{EditTop, LastTopUnit, &m_topMessage};
  Length left{EditLeft, LastLeftUnit, &m_leftMessage};
  Length height{EditHeight, LastHeightUnit, &m_heightMessage};
  Length width{EditWidth, LastWidthUnit, &m_widthMessage};
  const QString* failure = nullptr;
  for (Length* length : {&top, &left, &height, &width}) {
    const std::optional<int32_t> pixels = fieldPixels(length->field, length->unit);
    if (!pixels) {
      failure = length->message;
      break;
    }
    length->pixels = *pixels;
  }
  // The page stays empty until a field that does not parse is put right.
  std::optional<Placement> pictureOnPage;
  if (failure == nullptr)
    pictureOnPage = Placement{left.pixels, top.pixels, width.pixels, height.pixels};
  PreviewPage page = composePreviewPage({PanelPreview->width(), PanelPreview->height()}, pageSize(),
                                        PrintPicture, pictureOnPage);
  ImagePreview->setGeometry(page.InPanel.X, page.InPanel.Y, page.InPanel.Width,
                            page.InPanel.Height);
  ImagePreview->setPicture(std::move(page.Picture));
  if (failure != nullptr) errorBox(this, *failure);
}

bool TPrintPreviewForm::CollectLayout() {
  const auto collect = [this](QLineEdit* field, double& into, const QString& message) {
    const std::optional<double> value = fieldValue(field);
    if (!value) {
      errorBox(this, message);
      field->setFocus();
      return false;
    }
    into = *value;
    return true;
  };
  if (!collect(EditTop, Layout.Top, m_topMessage)) return false;
  if (!collect(EditLeft, Layout.Left, m_leftMessage)) return false;
  Layout.TopUnit = PrintUnit(ComboBoxTopUnit->currentIndex());
  Layout.LeftUnit = PrintUnit(ComboBoxLeftUnit->currentIndex());
  Layout.Center = CheckBoxCenter->isChecked();
  Layout.FitPage = CheckBoxFitPage->isChecked();
  if (!collect(EditHeight, Layout.Height, m_heightMessage)) return false;
  if (!collect(EditWidth, Layout.Width, m_widthMessage)) return false;
  Layout.HeightUnit = PrintUnit(ComboBoxHeightUnit->currentIndex());
  Layout.WidthUnit = PrintUnit(ComboBoxWidthUnit->currentIndex());
  Layout.BorderBox = CheckBoxBorderBox->isChecked();
  return true;
}

void TPrintPreviewForm::ButtonOKClick() {
  if (!CollectLayout()) return;
  Accepted = true;
  accept();
}

void TPrintPreviewForm::ButtonCancelClick() { reject(); }

void TPrintPreviewForm::ButtonPageSetClick() {
  runCommand(this, [this] {
    QPrinter* printer = printers().current();
    if (printer == nullptr) {
      informationBox(this, m_noPrinterMessage);
      return;
    }
    if (!printers().runPageSetupDialog(this, *printer)) return;
    const QSize paper = paperSizeThousandths(*printer);
    const PixelSize page = pageFromPaper(paper.width(), paper.height(), ScreenResolution);
    PagePixelWidth = page.Width;
    PagePixelHeight = page.Height;
    LayoutReady = false;
    CheckBoxFitPageClick();
    CheckBoxCenterClick();
    LayoutReady = true;
    RedrawPreview();
  });
}

void TPrintPreviewForm::ButtonPrintClick() {
  runCommand(this, [this] {
    QPrinter* printer = printers().count() > 0 ? printers().current() : nullptr;
    if (printer == nullptr) {
      informationBox(this, m_noPrinterMessage);
      return;
    }
    if (!printers().runPrintDialog(this, *printer)) return;
    if (!CollectLayout()) return;
    const int32_t r = ScreenResolution;
    // With centring on, Left and Top already hold the centred values.
    const Placement screenPixels{UnitToPixels(Layout.LeftUnit, Layout.Left, r),
                                 UnitToPixels(Layout.TopUnit, Layout.Top, r),
                                 UnitToPixels(Layout.WidthUnit, Layout.Width, r),
                                 UnitToPixels(Layout.HeightUnit, Layout.Height, r)};
    printPicture(*printer, PrintPicture,
                 dialogPrintRectangle(screenPixels, printerFigures(*printer), r));
  });
}

std::optional<double> TPrintPreviewForm::fieldValue(const QLineEdit* field) const {
  return parseDecimal(field->text().toStdString(), DecimalSeparator);
}

std::optional<int32_t> TPrintPreviewForm::fieldPixels(const QLineEdit* field, int32_t unit) const {
  const std::optional<double> value = fieldValue(field);
  if (!value) return std::nullopt;
  return UnitToPixels(PrintUnit(unit), *value, ScreenResolution);
}

void TPrintPreviewForm::writeField(QLineEdit* field, const std::string& text) {
  // setText never emits textEdited, the one signal the handlers listen to.
  field->setText(QString::fromStdString(text));
}

void TPrintPreviewForm::showPixels(QLineEdit* field, int32_t unit, int32_t pixels) {
  writeField(field, fixed(PixelsToUnit(pixels, PrintUnit(unit), ScreenResolution), 3));
}

std::string TPrintPreviewForm::general(double value) const {
  return formatGeneral(value, DecimalSeparator);
}

std::string TPrintPreviewForm::fixed(double value, int decimals) const {
  return formatFixed(value, decimals, DecimalSeparator);
}

}  // namespace glyphon
