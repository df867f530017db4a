#include "ui/dialogs/field_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>

#include "app/host.h"
#include "tags/id3v2/known_fields.h"
#include "settings/window_slots.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/qt_strings.h"
#include "ui/tag_window_parts.h"

namespace kavrel {

namespace {

constexpr const char* kIncludedCaption = "it's already included in the file !";
constexpr const char* kSaveNote =
    "note: since Kavrel creates field headers automatically based on field type, size and tag version, "
    "don't do this if you plan to load the file back to it using \"load from file\"";

// Shows `dialog` modally at `place` and writes its place back.
int runAt(QDialog& dialog, WindowPosition& place) {
  dialog.ensurePolished();
  if (dialog.layout()) dialog.layout()->activate();
  dialog.adjustSize();
  dialog.winId();
  placeTagWindow(&dialog, place);
  const int result = dialog.exec();
  place = {int32_t(dialog.x()), int32_t(dialog.y())};
  return result;
}

QString crlfToLines(const std::string& text) { return q(text).replace("\r\n", "\n"); }
std::string linesToCrlf(const QString& text) { return str(QString(text).replace("\n", "\r\n")); }

// The several-lines dialog. Losing the focus with a changed text asks
// whether to keep it.
class MemoDialog final : public QDialog {
 public:
  MemoDialog(QWidget* parent, Host& host, const MultiLineRequest& request)
      : QDialog(parent), host_(host), request_(request) {
    setObjectName("MemoForm");
    setWindowTitle(q(request.title));
    auto* layout = new QVBoxLayout(this);
    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName("ledit");
    memo_->setPlainText(crlfToLines(request.text));
    layout->addWidget(memo_, 1);
    auto* row = new QHBoxLayout;
    QPushButton* ok = button("&OK", "ButOk", this);
    QPushButton* cancel = button("cancel", "ButCancel", this);
    QPushButton* original = button("original", "ButOriginal", this);
    original->setToolTip("Put the field's original text here");
    row->addWidget(original);
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);
    connect(memo_, &QPlainTextEdit::textChanged, this, [this] { modified_ = true; });
    connect(original, &QPushButton::clicked, this, [this] { memo_->setPlainText(crlfToLines(request_.original)); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  }
  bool modified() const { return modified_; }
  std::string text() const { return linesToCrlf(memo_->toPlainText()); }

 protected:
  void changeEvent(QEvent* event) override {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || isActiveWindow() || !isVisible() || asking_) return;
    asking_ = true;
    const MultilineFocusAction action =
        modified_ ? multilineFocusLost(host_, text(), request_.text) : MultilineFocusAction::Discard;
    asking_ = false;
    if (action == MultilineFocusAction::Accept) {
      accept();
    } else if (action == MultilineFocusAction::Discard) {
      reject();
    } else {
      raise();
      activateWindow();
    }
  }

 private:
  Host& host_;
  MultiLineRequest request_;
  QPlainTextEdit* memo_ = nullptr;
  bool modified_ = false;
  bool asking_ = false;
};

}  // namespace

FieldLoadDialogAnswer showFieldLoadDialog(QWidget* parent, const FieldLoadDialogRequest& request,
                                          WindowPosition& place) {
  QDialog dialog(parent);
  dialog.setObjectName("NewEncodeForm");
  dialog.setWindowTitle(" enter additional field description");
  auto* layout = new QVBoxLayout(&dialog);
  // One group a leading part: its input and the box that takes it from the file instead.
  struct Part {
    uint8_t bit;
    const char* title;
    const char* hint;
    QWidget* input;
    QCheckBox* included;
  };
  auto* encoding = new QComboBox(&dialog);
  encoding->setObjectName("ComboE");
  encoding->addItems({"ISO-8859-1 (default)", "UTF-16 Unicode with BOM", "UTF-16 Unicode wihtout BOM",
                      "UTF-8 Unicode"});
  encoding->setToolTip("If you've no idea, use ISO-8859-1");
  encoding->setCurrentIndex(std::clamp(request.values.encoding, 0, 3));
  auto* language = new QLineEdit(q(request.values.language), &dialog);
  language->setObjectName("EditLange");
  language->setMaxLength(3);
  language->setToolTip("Type 3 English characters here");
  auto* description = new QLineEdit(q(request.values.description), &dialog);
  description->setObjectName("EditConte");
  description->setMaxLength(int(kMaxShownText));
  description->setToolTip("Type up to 1K of text here");
  std::array<Part, 3> parts = {
      Part{text_layout::kEncoding, "  Encoding:  ", "Check if this byte (in range 0-3) is already at the file beginning",
           encoding, nullptr},
      Part{text_layout::kLanguage, "  Language:  ",
           "Check if these 3 English characters are already included in the file", language, nullptr},
      Part{text_layout::kDescription, "  Short content description:  ",
           "Check if this data is already included in the file (and separated using a zero byte!)", description,
           nullptr}};
  for (size_t i = 0; i < parts.size(); ++i) {
    Part& part = parts[i];
    auto* group = new QGroupBox(part.title, &dialog);
    group->setObjectName(QString("GroupPart%1").arg(i + 1));
    auto* row = new QHBoxLayout(group);
    part.included = namedCheck(kIncludedCaption, QString("Check%1").arg(i + 1).toLatin1().constData(), group);
    part.included->setToolTip(part.hint);
    part.included->setChecked(request.values.included[i]);
    part.input->setParent(group);
    row->addWidget(part.input, 1);
    row->addWidget(part.included);
    group->setEnabled(request.parts & part.bit);
    part.input->setEnabled(!part.included->isChecked());
    layout->addWidget(group);
  }
  auto included = [&parts] {
    std::array<bool, 3> on{};
    for (size_t i = 0; i < parts.size(); ++i) on[i] = parts[i].included->isChecked();
    return on;
  };
  for (Part& part : parts) {
    QObject::connect(part.included, &QCheckBox::clicked, &dialog, [&, p = &part](bool on) {
      if (on) {
        const std::string refusal = includedBoxRefusal(p->bit, request.fileSize, included());
        if (!refusal.empty()) {
          p->included->setChecked(false);
          QMessageBox::warning(&dialog, "Warning ", q(refusal) + " ");
        }
      }
      p->input->setEnabled(!p->included->isChecked());
    });
  }
  auto* bottom = new QHBoxLayout;
  QCheckBox* remember = namedCheck("remember these settings", "CheckPamcenje", &dialog);
  remember->setChecked(request.remember);
  QPushButton* ok = button("O&K", "ButOk", &dialog);
  ok->setDefault(true);
  bottom->addWidget(remember);
  bottom->addStretch(1);
  bottom->addWidget(ok);
  layout->addLayout(bottom);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);

  const bool accepted = runAt(dialog, place) == QDialog::Accepted;
  FieldLoadDialogAnswer answer;
  answer.ok = accepted;
  answer.values.encoding = encoding->currentIndex();
  answer.values.included = included();
  answer.values.language = str(language->text());
  answer.values.description = str(description->text());
  answer.remember = remember->isChecked();
  return answer;
}

FieldSaveDialogAnswer showFieldSaveDialog(QWidget* parent, const FieldSaveDialogRequest& request,
                                          WindowPosition& place) {
  QDialog dialog(parent);
  dialog.setObjectName("NewDecodeForm");
  dialog.setWindowTitle("save additional field descriptors");
  auto* layout = new QVBoxLayout(&dialog);
  struct Box {
    QString caption;
    const char* hint;
    bool enabled;
  };
  const Box boxes[4] = {
      {q(request.headerCaption), "10 bytes of data preceding any tag field", request.header},
      {"Include the &encoding", "a single byte in range 0-3", (request.parts & text_layout::kEncoding) != 0},
      {"Include the &language", "3 ASCII characters", (request.parts & text_layout::kLanguage) != 0},
      {"Include content &description", "Warning: content description ends with a zero byte or word",
       (request.parts & text_layout::kDescription) != 0}};
  std::array<QCheckBox*, 4> checks{};
  for (size_t i = 0; i < checks.size(); ++i) {
    checks[i] = namedCheck(boxes[i].caption, QString("Check%1").arg(i).toLatin1().constData(), &dialog);
    checks[i]->setToolTip(boxes[i].hint);
    checks[i]->setChecked(request.values.include[i]);
    checks[i]->setEnabled(boxes[i].enabled);
    layout->addWidget(checks[i]);
  }
  auto* note = new QLabel(kSaveNote, &dialog);
  note->setObjectName("LabNote");
  note->setWordWrap(true);
  note->setMaximumWidth(note->fontMetrics().averageCharWidth() * 56);
  layout->addWidget(note);
  auto* bottom = new QHBoxLayout;
  QCheckBox* remember = namedCheck("remember these &settings", "CheckSpamcenje", &dialog);
  remember->setToolTip("Check to show the same states of checkboxes the next time");
  remember->setChecked(request.remember);
  QPushButton* ok = button("O&K", "ButOk", &dialog);
  ok->setDefault(true);
  bottom->addWidget(remember);
  bottom->addStretch(1);
  bottom->addWidget(ok);
  layout->addLayout(bottom);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);

  FieldSaveDialogAnswer answer;
  answer.ok = runAt(dialog, place) == QDialog::Accepted;
  for (size_t i = 0; i < checks.size(); ++i) answer.values.include[i] = checks[i]->isChecked();
  answer.remember = remember->isChecked();
  return answer;
}

std::optional<std::string> showMultiLineDialog(QWidget* parent, Host& host, const MultiLineRequest& request,
                                               WindowPosition& place, WindowPosition& size) {
  MemoDialog dialog(parent, host, request);
  const WindowPosition client = size.left > 0 && size.top > 0 ? size : kMultiLineDialogResetSize;
  dialog.resize(client.left, client.top);
  dialog.winId();
  placeTagWindow(&dialog, place);
  const int result = dialog.exec();
  place = {int32_t(dialog.x()), int32_t(dialog.y())};
  size = {int32_t(dialog.width()), int32_t(dialog.height())};
  if (result != QDialog::Accepted || !dialog.modified()) return std::nullopt;
  return dialog.text();
}

}  // namespace kavrel
