#include "ui/dialogs/dialog_parts.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QEventLoop>
#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <optional>
#include <utility>

#include "editing/split_plan.h"
#include "ui/dialogs/file_dialogs.h"
#include "ui/qt_strings.h"

namespace kavrel {

namespace {

const char* const kAttachNames[kBlockCount] = {"RiffCheck",  "HeadTagCheck", "UheadCheck",  "UfootCheck",
                                               "ApeCheck",   "Lyrics3Check", "FootTagCheck"};
const char* const kAttachTexts[kBlockCount] = {"RIFF header", "ID3v2 header", "unknown header", "unknown footer",
                                               "APE tag",     "Lyrics3 tag",  "ID3v1 tag"};
constexpr int kAttachColumns = 4;

// A label that reports double clicks.
class FileNameLabel final : public QLabel {
 public:
  FileNameLabel(const QString& text, QWidget* parent, std::function<void()> onDoubleClick)
      : QLabel(text, parent), onDoubleClick_(std::move(onDoubleClick)) {}

 protected:
  void mouseDoubleClickEvent(QMouseEvent*) override { onDoubleClick_(); }

 private:
  std::function<void()> onDoubleClick_;
};

bool isOwnedBy(const QWidget* w, const QWidget* owner) {
  for (; w; w = w->parentWidget())
    if (w == owner) return true;
  return false;
}

}  // namespace

// ------------------------------------------------------------ EditDialog

EditDialog::EditDialog(QWidget* parent, WindowPosition& place, const QString& title, const char* name)
    : QDialog(parent), place_(place) {
  setWindowTitle(title);
  setObjectName(name);
}

int EditDialog::run() {
  ensurePolished();
  if (layout()) layout()->activate();
  adjustSize();
  // Made now, the window knows its frame, if the platform tells before it shows.
  winId();
  place();
  show();
  activateWindow();
  QEventLoop loop;
  connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
  if (isVisible()) loop.exec();
  // The loop also ends when the program quits: that cancels.
  if (isVisible()) reject();
  return result();
}

void EditDialog::place() {
  const QSize size = frameGeometry().size();
  QScreen* home = parentWidget() ? parentWidget()->screen() : screen();
  if (!home) home = QGuiApplication::primaryScreen();
  if (!home) return;
  // No place remembered (0, 0, which is also what a configuration made
  // without a screen holds): centred on the parent's screen.
  QPoint at(place_.left, place_.top);
  QScreen* on = place_ == WindowPosition{} ? home : QGuiApplication::screenAt(at);
  if (!on) on = QGuiApplication::screenAt(at + QPoint(size.width(), size.height()));
  if (!on) on = home;
  const QRect area = on->availableGeometry();
  if (place_ == WindowPosition{}) at = area.center() - QPoint(size.width() / 2, size.height() / 2);
  // The whole dialog on the screen, its top left corner first.
  at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - size.width())));
  at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - size.height())));
  move(at);
}

void EditDialog::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() != QEvent::ActivationChange || !isVisible() || isActiveWindow()) return;
  // A window of the dialog's own took over: the dialog stays.
  if (ownWindows_ > 0 || isOwnedBy(QApplication::activeWindow(), this) ||
      isOwnedBy(QApplication::activePopupWidget(), this))
    return;
  // Closed once the change is through, unless the dialog is back on top.
  QTimer::singleShot(0, this, [this] {
    if (isVisible() && !isActiveWindow()) reject();
  });
}

void EditDialog::done(int result) {
  place_ = {int32_t(x()), int32_t(y())};
  QDialog::done(result);
}

void EditDialog::inform(const QString& text, const QString& caption) {
  ownWindow([&] { return QMessageBox::information(this, caption + " ", text + " "); });
}

// ------------------------------------------------------------ parts

QLabel* boldLabel(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

QPushButton* button(const QString& text, const char* name, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

std::array<QCheckBox*, kBlockCount> attachBoxes(QWidget* parent, QLayout* layout, const QString& suffix) {
  std::array<QCheckBox*, kBlockCount> boxes{};
  auto* grid = new QGridLayout;
  for (size_t b = 0; b < kBlockCount; ++b) {
    boxes[b] = new QCheckBox(kAttachTexts[b], parent);
    boxes[b]->setObjectName(QString(kAttachNames[b]) + suffix);
    boxes[b]->setToolTip("Check to WRITE, not discard");
    grid->addWidget(boxes[b], int(b) / kAttachColumns, int(b) % kAttachColumns);
  }
  layout->addItem(grid);
  return boxes;
}

TargetRow::TargetRow(EditDialog* dialog, QWidget* parent, QLayout* layout, const QString& suffix) {
  auto* row = new QHBoxLayout;
  fileBut = button("File&name:", "FileBut", parent);
  fileBut->setObjectName("FileBut" + suffix);
  picture = new QLabel(parent);
  picture->setObjectName("StatePic" + suffix);
  picture->setFixedSize(14, 14);
  fileLab = new FileNameLabel(kNoFileNameYet, parent, [this, dialog] {
    dialog->inform(q(name.empty() ? std::string(kNoFileNameYet) : name), "full filename:");
  });
  fileLab->setObjectName("FileLab" + suffix);
  fileLab->setMinimumWidth(220);
  row->addWidget(fileBut);
  row->addWidget(picture);
  row->addWidget(fileLab, 1);
  layout->addItem(row);
  show();
}

void TargetRow::choose(EditDialog* dialog) {
  const std::optional<std::string> chosen =
      dialog->ownWindow([&] { return showSaveFileDialog(dialog, std::string(), name); });
  if (chosen) {
    name = *chosen;
    show();
  }
}

void TargetRow::show() {
  const QFontMetrics metrics(fileLab->font());
  const int width = fileLab->width();
  fileLab->setText(
      q(fileLabelText(name, [&](const std::string& t) { return metrics.horizontalAdvance(q(t)) <= width; })));
  fileLab->setToolTip(q(name));
  static const char* const kColours[3] = {"#e0c000", "#20a020", "#d02020"};
  const TargetPicture state = targetPicture(name);
  picture->setStyleSheet(QString("background:") + kColours[int(state)]);
  picture->setAccessibleName(state == TargetPicture::Yellow  ? "YellowPic"
                             : state == TargetPicture::Green ? "GreenPic"
                                                             : "RedPic");
}

}  // namespace kavrel
