// TfrPrintForm and its pictures.
#include "preview/print_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "engine/data/dataset_errors.h"
#include "engine/expr/locale.h"
#include "platform/message_box.h"
#include "preview/qt_text.h"
#include "printer/printer.h"

namespace lf {
namespace {

QString Str(int number) { return ToQString(LoadLocalizedString(number)); }

// One sheet of a picture: white with a dark edge and its page number.
void DrawSheet(QPainter& p, int x, int y, int w, int h, int number) {
  p.setPen(QColor(64, 64, 64));
  p.setBrush(Qt::white);
  p.drawRect(x, y, w - 1, h - 1);
  QFont font = p.font();
  font.setPixelSize(std::max(8, h / 3));
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::black);
  p.drawText(QRect(x, y, w, h), Qt::AlignCenter, QString::number(number));
}

QPixmap TransparentPixmap(int w, int h) {
  QPixmap pixmap(w, h);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

// The collation picture, painted on a button-face background.
class CollatePaintBox : public QWidget {
 public:
  CollatePaintBox(QCheckBox* collate, QWidget* parent) : QWidget(parent), collate_(collate) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().button());
    if (collate_->isChecked()) p.drawPixmap(QRect(8, 0, 74, 53), CollatePicture());
    else p.drawPixmap(QRect(0, 8, 92, 40), NonCollatePicture());
  }

 private:
  QCheckBox* collate_;
};

// A label whose clicks and double clicks run an action.
class ClickLabel : public QLabel {
 public:
  ClickLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}
  std::function<void()> OnClick;

 protected:
  void mousePressEvent(QMouseEvent*) override {
    if (OnClick) OnClick();
  }
  void mouseDoubleClickEvent(QMouseEvent*) override {
    if (OnClick) OnClick();
  }
};

}  // namespace

QPixmap PrinterGlyph() {
  QPixmap pixmap = TransparentPixmap(18, 16);
  QPainter p(&pixmap);
  p.setPen(QColor(64, 64, 64));
  p.setBrush(Qt::white);
  p.drawRect(5, 1, 8, 6);              // paper going in
  p.setBrush(QColor(160, 160, 160));
  p.drawRect(1, 6, 16, 7);             // body
  p.setBrush(Qt::white);
  p.drawRect(4, 11, 10, 4);            // paper coming out
  p.setPen(QColor(0, 160, 0));
  p.drawPoint(14, 8);                  // the ready light
  return pixmap;
}

QPixmap CollatePicture() {
  QPixmap pixmap = TransparentPixmap(74, 53);
  QPainter p(&pixmap);
  for (int set = 0; set < 2; ++set)
    for (int page = 3; page >= 1; --page)
      DrawSheet(p, set * 38 + (page - 1) * 6, (page - 1) * 7, 22, 30, page);
  return pixmap;
}

QPixmap NonCollatePicture() {
  QPixmap pixmap = TransparentPixmap(92, 40);
  QPainter p(&pixmap);
  for (int page = 1; page <= 3; ++page)
    for (int copy = 1; copy >= 0; --copy)
      DrawSheet(p, (page - 1) * 31 + copy * 6, copy * 8, 22, 30, page);
  return pixmap;
}

TfrPrintForm::TfrPrintForm(QWidget* parent) : QDialog(parent) {
  setFixedSize(485, 225);
  setWindowTitle(Str(53040));
  setWindowFlag(Qt::WindowContextHelpButtonHint, true);

  auto* group1 = new QGroupBox(Str(53041), this);
  group1->setObjectName("GroupBox1");
  group1->setGeometry(4, 8, 477, 49);
  auto* label4 = new QLabel(Str(53049), group1);
  label4->setObjectName("Label4");
  label4->setGeometry(12, 22, 60, 16);
  cb1_ = new QComboBox(group1);
  cb1_->setObjectName("CB1");
  cb1_->setGeometry(76, 18, 305, 22);
  cb1_->setIconSize(QSize(18, 16));
  label4->setBuddy(cb1_);
  propButton_ = new QPushButton(Str(53042), group1);
  propButton_->setObjectName("PropButton");
  propButton_->setGeometry(392, 18, 75, 22);
  // Printer options belong to the print system's own tools; paper and
  // orientation come from the report's pages.
  propButton_->setEnabled(false);

  auto* group2 = new QGroupBox(Str(53044), this);
  group2->setObjectName("GroupBox2");
  group2->setGeometry(4, 68, 265, 117);
  rb1_ = new QRadioButton(Str(53045), group2);
  rb1_->setObjectName("RB1");
  rb1_->setGeometry(8, 18, 120, 18);
  rb1_->setChecked(true);
  rb2_ = new QRadioButton(Str(53046), group2);
  rb2_->setObjectName("RB2");
  rb2_->setGeometry(8, 38, 120, 18);
  rb3_ = new QRadioButton(Str(53047), group2);
  rb3_->setObjectName("RB3");
  rb3_->setGeometry(8, 58, 80, 18);
  e2_ = new QLineEdit(group2);
  e2_->setObjectName("E2");
  e2_->setGeometry(92, 56, 165, 21);
  e2_->installEventFilter(this);
  auto* label2 = new QLabel(Str(53048), group2);
  label2->setObjectName("Label2");
  label2->setWordWrap(true);
  label2->setGeometry(8, 80, 249, 32);
  connect(rb3_, &QRadioButton::clicked, this, [this] { e2_->setFocus(); });

  auto* group3 = new QGroupBox(Str(53043), this);
  group3->setObjectName("GroupBox3");
  group3->setGeometry(280, 68, 201, 117);
  auto* label1 = new QLabel(Str(53050), group3);
  label1->setObjectName("Label1");
  label1->setGeometry(8, 22, 110, 16);
  e1_ = new QLineEdit("1", group3);
  e1_->setObjectName("E1");
  e1_->setGeometry(124, 20, 49, 21);
  label1->setBuddy(e1_);
  up_ = new QToolButton(group3);
  up_->setObjectName("frSpeedButton1");
  up_->setArrowType(Qt::UpArrow);
  up_->setGeometry(173, 20, 17, 10);
  down_ = new QToolButton(group3);
  down_->setObjectName("frSpeedButton2");
  down_->setArrowType(Qt::DownArrow);
  down_->setGeometry(173, 31, 17, 10);
  collateCB_ = new QCheckBox(group3);
  collateCB_->setObjectName("CollateCB");
  collateCB_->setGeometry(112, 60, 16, 18);
  collateCB_->setChecked(true);
  auto* label3 = new ClickLabel(Str(53051), group3);
  label3->setObjectName("Label3");
  label3->setGeometry(130, 60, 60, 18);
  label3->setBuddy(collateCB_);
  label3->OnClick = [this] { Label3Click(); };
  label3_ = label3;
  pb1_ = new CollatePaintBox(collateCB_, group3);
  pb1_->setObjectName("PB1");
  pb1_->setGeometry(10, 50, 92, 53);
  connect(collateCB_, &QCheckBox::toggled, pb1_, qOverload<>(&QWidget::update));
  auto guarded = [this](void (TfrPrintForm::*command)()) {
    return [this, command] {
      try {
        (this->*command)();
      } catch (const std::exception& e) {
        ShowMessageBox(LoadLocalizedString(55206), e.what(), mbOK | mbIconError);
      }
    };
  };
  connect(up_, &QToolButton::clicked, this, guarded(&TfrPrintForm::frSpeedButton1Click));
  connect(down_, &QToolButton::clicked, this, guarded(&TfrPrintForm::frSpeedButton2Click));

  auto* label5 = new QLabel(Str(53052), this);
  label5->setObjectName("Label5");
  label5->adjustSize();
  label5->move(8, 196);
  cb2_ = new QComboBox(this);
  cb2_->setObjectName("CB2");
  cb2_->addItems({Str(53053), Str(53054), Str(53055)});
  cb2_->setCurrentIndex(0);
  cb2_->setGeometry(label5->x() + label5->width() + 11, 192, 130, 22);
  label5->setBuddy(cb2_);

  auto* ok = new QPushButton(Str(55000), this);
  ok->setObjectName("Button1");
  ok->setGeometry(326, 192, 75, 25);
  ok->setDefault(true);
  auto* cancel = new QPushButton(Str(55001), this);
  cancel->setObjectName("Button2");
  cancel->setGeometry(406, 192, 75, 25);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  // The print system's printers; the virtual printer is not offered.
  TfrPrinter& printer = SharedPrinter();
  previousPrinter_ = printer.CurrentIndex;
  for (int i = 0; i < printer.VirtualIndex; ++i)
    cb1_->addItem(QIcon(PrinterGlyph()), ToQString(printer.PrinterNames[static_cast<size_t>(i)]));
  int shown = printer.CurrentIndex;
  if (printer.IsVirtual() && printer.PlatformPrinter) shown = printer.PlatformPrinter->PrinterIndex();
  cb1_->setCurrentIndex(shown >= 0 && shown < printer.VirtualIndex ? shown : 0);
  connect(cb1_, &QComboBox::currentIndexChanged, this, [this](int index) { CB1Click(index); });
  e1_->setFocus();
}

int TfrPrintForm::Copies() const { return TextToInteger(FromQString(e1_->text())); }

int TfrPrintForm::Parity() const { return cb2_->currentIndex(); }

void TfrPrintForm::frSpeedButton1Click() { e1_->setText(QString::number(int64_t{Copies()} + 1)); }

void TfrPrintForm::frSpeedButton2Click() { e1_->setText(QString::number(std::max(1, Copies() - 1))); }

void TfrPrintForm::Label3Click() { collateCB_->toggle(); }

void TfrPrintForm::CB1Click(int index) {
  if (index < 0) return;
  try {
    SharedPrinter().SelectPrinter(index);
  } catch (const std::exception& e) {
    ShowMessageBox(LoadLocalizedString(55206), e.what(), mbOK | mbIconError);
  }
}

void TfrPrintForm::done(int result) {
  // Ending without OK undoes a printer change.
  if (result != QDialog::Accepted) {
    try {
      SharedPrinter().SelectPrinter(previousPrinter_);
    } catch (...) {
    }
  }
  QDialog::done(result);
}

bool TfrPrintForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == e2_ && event->type() == QEvent::FocusIn) rb3_->setChecked(true);
  return QDialog::eventFilter(watched, event);
}

}  // namespace lf
