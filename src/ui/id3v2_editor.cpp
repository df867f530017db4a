#include "ui/id3v2_editor.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/editor.h"
#include "app/id3v2_session_messages.h"
#include "base/charsets.h"
#include "settings/window_slots.h"
#include "ui/dialogs/field_dialogs.h"
#include "ui/id3v1_editor.h"
#include "ui/qt_strings.h"
#include "ui/tag_window_parts.h"

namespace kavrel {

namespace {

constexpr const char* kVersionLines[] = {" ID3v2.2", " ID3v2.3", " ID3v2.4", " other"};
// The look of a list while it offers the fields to add.
const QColor kChoosingBase(255, 255, 192);
const QColor kChoosingText(128, 0, 0);

bool describable(Id3v2Box box) { return box == Id3v2Box::Comment || box == Id3v2Box::Url || box == Id3v2Box::Text; }

// Shows `text` in `box` unless it is there already; the box being typed in
// keeps its cursor.
void showText(QLineEdit* box, const QString& text) {
  if (box->text() == text) return;
  const int cursor = box->hasFocus() ? box->cursorPosition() : int(text.size());
  box->setText(text);
  box->setCursorPosition(std::min(cursor, int(text.size())));
}

}  // namespace

Id3v2EditorWindow::Id3v2EditorWindow(QWidget* owner, Editor& editor)
    : TagEditorWindow(owner, editor, "TagNewForm", id3v2_msg::kCaption, WindowSlot::Id3v2Editor),
      session_(std::make_unique<Id3v2EditorSession>(editor)) {

  Options& o = editor_.options();
  FieldDialogs dialogs;
  dialogs.load = [this, &o](const FieldLoadDialogRequest& r) {
    return showFieldLoadDialog(this, r, o.windowPositions[slotIndex(WindowSlot::FieldLoadDialog)]);
  };
  dialogs.save = [this, &o](const FieldSaveDialogRequest& r) {
    return showFieldSaveDialog(this, r, o.windowPositions[slotIndex(WindowSlot::FieldSaveDialog)]);
  };
  fieldMemory_ = storedFieldDialogMemory(editor_.options());
  files_ = std::make_unique<FieldFiles>(editor_, std::move(dialogs), fieldMemory_);

  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addWidget(buildMainBoxes(), 5);
  top->addWidget(buildLists(), 6);
  layout->addLayout(top);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(buildHeaderOptions());
  bottom->addWidget(buildTools(), 1);
  layout->addLayout(bottom);

  auto* note = new QLabel(id3v2_msg::kChangesNote, this);
  note->setObjectName("LabChanges");
  QPalette grey = note->palette();
  grey.setColor(QPalette::WindowText, Qt::gray);
  note->setPalette(grey);
  auto* closing = new QHBoxLayout;
  closing->addWidget(note, 1);
  ok_ = namedButton("O&K", "ButOk", "Keep the changes and close", this);
  ok_->setDefault(true);
  auto* cancel = namedButton("Cancel", "ButCancel", "Discard the changes and close", this);
  closing->addWidget(ok_);
  closing->addWidget(cancel);
  layout->addLayout(closing);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  refresh();
}

Id3v2EditorWindow::~Id3v2EditorWindow() = default;

// ------------------------------------------------------------ building

QLineEdit* Id3v2EditorWindow::addBox(Id3v2Box box, const char* name) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(name);
  edit->setMaxLength(int(kId3v2BoxMaxLength));
  edit->setContextMenuPolicy(Qt::CustomContextMenu);
  edit->installEventFilter(this);
  connect(edit, &QLineEdit::textEdited, this, [this, box](const QString& text) { edited(box, text); });
  connect(edit, &QWidget::customContextMenuRequested, this,
          [this, box, edit](const QPoint& at) { boxPopup(box, edit->mapToGlobal(at)); });
  boxes_[size_t(box)] = edit;
  return edit;
}

QLineEdit* Id3v2EditorWindow::addLanguageBox(Id3v2Box box, const char* name) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(name);
  edit->setMaxLength(3);
  edit->setToolTip(box == Id3v2Box::Comment ? "Comment language" : "Language");
  edit->setFixedWidth(edit->fontMetrics().horizontalAdvance("MMMM") + 12);
  edit->installEventFilter(this);
  connect(edit, &QLineEdit::textEdited, this, [this, box](const QString& text) {
    if (refreshing_) return;
    session_->setLanguage(box, str(text));
    refresh();
  });
  return edit;
}

QWidget* Id3v2EditorWindow::buildMainBoxes() {
  auto* group = new QGroupBox(" main fields ", this);
  auto* grid = new QGridLayout(group);
  auto label = [group](const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text, group);
    l->setBuddy(buddy);
    return l;
  };
  struct Row {
    Id3v2Box box;
    const char* name;
    const char* caption;
  };
  const Row wide[] = {{Id3v2Box::Title, "EditTitle", "T&itle"},
                      {Id3v2Box::Artist, "EditArtist", "&Artist"},
                      {Id3v2Box::Album, "EditAlbum", "A&lbum"},
                      {Id3v2Box::Genre, "EditGenre", "&Genre"},
                      {Id3v2Box::Composer, "EditComposer", "Com&poser"},
                      {Id3v2Box::Copyright, "EditCopyright", "Cop&yright"},
                      {Id3v2Box::Url, "EditURL", "&URL"}};
  int row = 0;
  for (const Row& r : wide) {
    QLineEdit* box = addBox(r.box, r.name);
    box->setMinimumWidth(box->fontMetrics().averageCharWidth() * 30);
    grid->addWidget(label(r.caption, box), row, 0);
    grid->addWidget(box, row++, 1, 1, 3);
  }
  QLineEdit* comment = addBox(Id3v2Box::Comment, "EditComment");
  commentLanguage_ = addLanguageBox(Id3v2Box::Comment, "EditClang");
  multiLineComment_ = namedButton("...", "ButMc", "The comment over several lines", group);
  multiLineComment_->setFixedWidth(multiLineComment_->fontMetrics().horizontalAdvance("...") + 16);
  connect(multiLineComment_, &QPushButton::clicked, this, [this] { multiLine(Id3v2Box::Comment); });
  auto* commentRow = new QHBoxLayout;
  commentRow->addWidget(comment, 1);
  commentRow->addWidget(commentLanguage_);
  commentRow->addWidget(multiLineComment_);
  grid->addWidget(label("&Comment", comment), row, 0);
  grid->addLayout(commentRow, row++, 1, 1, 3);

  const Row small[] = {{Id3v2Box::Year, "EditYear", "Y&ear"},
                       {Id3v2Box::Track, "EditNo", "Trac&k no."},
                       {Id3v2Box::Bpm, "EditBpm", "&BPM"},
                       {Id3v2Box::Size, "EditSize", "Si&ze"}};
  for (int i = 0; i < 4; ++i) {
    QLineEdit* box = addBox(small[i].box, small[i].name);
    box->setMinimumWidth(box->fontMetrics().averageCharWidth() * 10);
    const int r = row + i / 2, c = (i % 2) * 2;
    grid->addWidget(label(small[i].caption, box), r, c);
    grid->addWidget(box, r, c + 1);
  }
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  grid->setRowStretch(row + 2, 1);
  return group;
}

QWidget* Id3v2EditorWindow::addList(Id3v2List list, const char* name, const QString& caption) {
  auto* group = new QGroupBox(caption, this);
  auto* v = new QVBoxLayout(group);
  v->setSpacing(4);
  auto* combo = new QComboBox(group);
  combo->setObjectName(name);
  combo->setMaxVisibleItems(20);
  combo->setContextMenuPolicy(Qt::CustomContextMenu);
  combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  combo->setMinimumContentsLength(30);
  connect(combo, &QComboBox::activated, this, [this, list](int line) {
    if (session_->adding(list)) {
      candidateChosen(list, line);
      return;
    }
    session_->selectLine(list, line);
    refresh();
  });
  connect(combo, &QWidget::customContextMenuRequested, this,
          [this, list, combo](const QPoint& at) { listPopup(list, combo->mapToGlobal(at)); });
  lists_[size_t(list)] = combo;
  v->addWidget(combo);

  if (list == Id3v2List::Text) {
    auto* row = new QHBoxLayout;
    QLineEdit* text = addBox(Id3v2Box::Text, "EditText");
    textLanguage_ = addLanguageBox(Id3v2Box::Text, "EditLang");
    multiLineText_ = namedButton("...", "ButMt", "The selected field over several lines", group);
    multiLineText_->setFixedWidth(multiLineText_->fontMetrics().horizontalAdvance("...") + 16);
    connect(multiLineText_, &QPushButton::clicked, this, [this] { multiLine(Id3v2Box::Text); });
    row->addWidget(text, 1);
    row->addWidget(textLanguage_);
    row->addWidget(multiLineText_);
    v->addLayout(row);
  }

  static const char* const kNames[kId3v2Lists] = {"Txt", "Mix", "Bin", "Pic"};
  struct ButtonText {
    const char* caption;
    const char* name;
    const char* hint;
  };
  const bool picture = list == Id3v2List::Picture;
  const ButtonText texts[kListButtons] = {
      {"View", "ButView", picture ? "Show the picture" : "Show the field's content"},
      {"Save original", "ButSave", picture ? "Save the picture as the file holds it" : "Save the field as the file holds it"},
      {"Load from file", "ButLoad", picture ? "Take the picture from a file" : "Take the field's data from a file"},
      {"Remove field", "ButRemove", "Leave the field out of the tag"},
      {"Add a field", "ButAdd", "Add a field of this kind"}};
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(4);
  for (int b = 0; b < kListButtons; ++b) {
    const QByteArray objectName = QByteArray(texts[b].name) + kNames[size_t(list)];
    QPushButton* button = namedButton(texts[b].caption, objectName.constData(), texts[b].hint, group);
    connect(button, &QPushButton::clicked, this, [this, list, b] { listButton(list, ListButton(b)); });
    listButtons_[size_t(list)][size_t(b)] = button;
    buttons->addWidget(button);
  }
  v->addLayout(buttons);
  return group;
}

QWidget* Id3v2EditorWindow::buildLists() {
  auto* column = new QWidget(this);
  auto* v = new QVBoxLayout(column);
  v->setContentsMargins(0, 0, 0, 0);
  v->addWidget(addList(Id3v2List::Text, "ComboTxt", " other text fields "));
  v->addWidget(addList(Id3v2List::Mixed, "ComboMix", " mixed fields "));
  v->addWidget(addList(Id3v2List::Binary, "ComboBin", " binary fields "));
  v->addWidget(addList(Id3v2List::Picture, "ComboPic", " pictures "));
  v->addStretch(1);
  return column;
}

QWidget* Id3v2EditorWindow::buildHeaderOptions() {
  auto* column = new QWidget(this);
  auto* v = new QVBoxLayout(column);
  v->setContentsMargins(0, 0, 0, 0);
  auto help = [this](QWidget* parent, const char* name, Id3v2Help topic) {
    QPushButton* b = namedButton("?", name, "What is this?", parent);
    b->setFixedWidth(b->fontMetrics().horizontalAdvance("?") + 18);
    connect(b, &QPushButton::clicked, this, [this, topic] { session_->showHelp(topic); });
    return b;
  };

  auto* versionGroup = new QGroupBox(" version ", column);
  auto* versionRow = new QHBoxLayout(versionGroup);
  version_ = new QComboBox(versionGroup);
  version_->setObjectName("ComboVersion");
  for (const char* line : kVersionLines) version_->addItem(line);
  version_->setToolTip("The version the tag is saved in");
  revision_ = new QSpinBox(versionGroup);
  revision_->setObjectName("SpinMinor");
  revision_->setRange(0, 255);
  revision_->setToolTip("Revision");
  auto* revisionLabel = new QLabel("re&vision", versionGroup);
  revisionLabel->setBuddy(revision_);
  versionRow->addWidget(version_);
  versionRow->addWidget(revisionLabel);
  versionRow->addWidget(revision_);
  versionRow->addStretch(1);
  v->addWidget(versionGroup);
  connect(version_, &QComboBox::activated, this, [this](int line) {
    session_->chooseVersionLine(line);
    refresh();
  });
  connect(revision_, &QSpinBox::valueChanged, this, [this](int value) {
    if (!refreshing_) session_->setRevision(value);
  });

  auto* other = new QGroupBox(" other ", column);
  auto* grid = new QGridLayout(other);
  unsync_ = namedCheck("&unsynchronisation", "CheckUnsync", other);
  experimental_ = namedCheck("e&xperimental", "CheckExp", other);
  footer_ = namedCheck("&footer", "CheckFoot", other);
  padding_ = new QLineEdit(other);
  padding_->setObjectName("EditPadding");
  padding_->setMaxLength(5);
  padding_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,5}"), padding_));
  padding_->setFixedWidth(padding_->fontMetrics().horizontalAdvance("000000") + 12);
  padding_->setToolTip("Zero bytes after the tag's fields");
  padding_->installEventFilter(this);
  auto* paddingLabel = new QLabel("&padding", other);
  paddingLabel->setBuddy(padding_);
  auto* paddingRow = new QHBoxLayout;
  paddingRow->addWidget(paddingLabel);
  paddingRow->addWidget(padding_);
  paddingRow->addStretch(1);
  grid->addWidget(unsync_, 0, 0);
  grid->addWidget(help(other, "ButUnsyncHelp", Id3v2Help::Unsynchronisation), 0, 1);
  grid->addWidget(experimental_, 1, 0);
  grid->addWidget(footer_, 2, 0);
  grid->addWidget(help(other, "ButFootHelp", Id3v2Help::Footer), 2, 1);
  grid->addLayout(paddingRow, 3, 0);
  grid->addWidget(help(other, "ButPaddingHelp", Id3v2Help::Padding), 3, 1);
  v->addWidget(other);
  connect(unsync_, &QCheckBox::clicked, this, [this](bool on) { session_->setUnsynchronisation(on); });
  connect(experimental_, &QCheckBox::clicked, this, [this](bool on) { session_->setExperimental(on); });
  connect(footer_, &QCheckBox::clicked, this, [this](bool on) {
    session_->setFooter(on);
    refresh();
  });
  connect(padding_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (refreshing_) return;
    session_->setPaddingText(str(text));
    refresh();
  });
  v->addStretch(1);
  return column;
}

QWidget* Id3v2EditorWindow::buildTools() {
  auto* column = new QWidget(this);
  auto* grid = new QGridLayout(column);
  grid->setContentsMargins(0, 0, 0, 0);

  // --- the tag as a whole
  auto* tag = new QGroupBox(" tag ", column);
  auto* tagGrid = new QGridLayout(tag);
  reload_ = namedButton("&Reload tag", "ButReload", "Read the tag from the file again", tag);
  removeDuplicates_ = namedButton("Remove\nduplicate\nfields", "ButRd", "Remove the fields listed as (DUPLICATE)", tag);
  viewErroneous_ = namedButton("view erro&neous", "ButViewErr", "view id3v2 tag contents", tag);
  erroneous_ = namedCheck("erroneous", "CheckErr", tag);
  erroneous_->setToolTip("Checked: the save leaves out fields with a bad encoding, a missing language or an unknown code");
  auto* erroneousRow = new QHBoxLayout;
  erroneousRow->addWidget(new QLabel("save without", tag));
  erroneousRow->addWidget(erroneous_);
  erroneousRow->addStretch(1);
  tagGrid->addWidget(reload_, 0, 0);
  tagGrid->addWidget(viewErroneous_, 1, 0);
  tagGrid->addLayout(erroneousRow, 2, 0);
  tagGrid->addWidget(removeDuplicates_, 0, 1, 3, 1);
  removeDuplicates_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
  connect(reload_, &QPushButton::clicked, this, [this] {
    session_->reloadTag();
    refresh();
  });
  connect(removeDuplicates_, &QPushButton::clicked, this, [this] {
    session_->removeDuplicates();
    refresh();
  });
  connect(viewErroneous_, &QPushButton::clicked, this, [this] {
    session_->viewErroneousFields();
    refresh();
  });
  connect(erroneous_, &QCheckBox::clicked, this, [this](bool on) { session_->setRemoveErroneous(on); });

  // --- how the texts are shown
  auto* display = new QGroupBox(" display ", column);
  auto* displayGrid = new QGridLayout(display);
  charset_ = new QComboBox(display);
  charset_->setObjectName("ComboChar");
  charset_->setToolTip("Character set the tag's 8-bit text is shown in");
  for (std::string_view name : charsetNames()) charset_->addItem(q(std::string(name)));
  QPushButton* charsetHelp = namedButton("?", "ButCharHelp", "What is this?", display);
  charsetHelp->setFixedWidth(charsetHelp->fontMetrics().horizontalAdvance("?") + 18);
  viewInBox_ = new QRadioButton("message box", display);
  viewInBox_->setObjectName("Rbm");
  viewInBox_->setToolTip("View shows a text field in a message box");
  viewInBox_->setChecked(true);
  viewExternal_ = new QRadioButton("external viewer", display);
  viewExternal_->setObjectName("Rbx");
  viewExternal_->setToolTip("View opens a text field with the desktop's text viewer");
  displayGrid->addWidget(new QLabel("character set", display), 0, 0, 1, 2);
  displayGrid->addWidget(charset_, 1, 0);
  displayGrid->addWidget(charsetHelp, 1, 1);
  displayGrid->addWidget(new QLabel("view text in:", display), 2, 0, 1, 2);
  auto* viewRow = new QHBoxLayout;
  viewRow->addWidget(viewInBox_);
  viewRow->addWidget(viewExternal_);
  displayGrid->addLayout(viewRow, 3, 0, 1, 2);
  connect(charset_, &QComboBox::activated, this, [this](int line) {
    session_->chooseCharset(line);
    refresh();
  });
  connect(charsetHelp, &QPushButton::clicked, this, [this] { session_->showHelp(Id3v2Help::CharacterSet); });
  viewExternal_->setChecked(session_->externalViewer());
  connect(viewExternal_, &QRadioButton::toggled, this, [this](bool on) { session_->setExternalViewer(on); });

  // --- boxes filled from elsewhere
  const ScanGroup scan = scanGroup(column);
  albumScan_ = scan.album;
  albumSplit_ = scan.split;
  qobject_cast<QHBoxLayout*>(scan.group->layout())->addStretch(1);
  connect(scan.scan, &QPushButton::clicked, this, [this] { highlight(session_->scan(), kScanHighlight); });
  connect(albumScan_, &QCheckBox::clicked, this, [this](bool on) {
    session_->setAlbumScan(on);
    refresh();
  });
  connect(albumSplit_, &QCheckBox::clicked, this, [this](bool on) { session_->setAlbumSplit(on); });

  auto* transferGroup = new QGroupBox(" ID3v1 tag ", column);
  auto* transferRow = new QHBoxLayout(transferGroup);
  const std::pair<TransferDirection, const char*> directions[] = {{TransferDirection::V1ToV2, "ButImport"},
                                                                  {TransferDirection::V2ToV1, "ButExport"}};
  for (const auto& [direction, name] : directions) {
    const bool in = direction == TransferDirection::V1ToV2;
    QPushButton* b = namedButton(in ? "id3v1 import" : "id3v1 export", name,
                                 in ? "Copy fields from the ID3v1 tag" : "Copy fields to the ID3v1 tag", transferGroup);
    connect(b, &QPushButton::clicked, this,
            [this, direction] { transferTags(this, parentWidget(), editor_, direction); });
    transferRow->addWidget(b);
  }
  showDialog_ = namedCheck("show dialog", "CheckDlgShow", transferGroup);
  showDialog_->setToolTip("Choose the fields in a dialog before copying");
  transferRow->addWidget(showDialog_);
  transferRow->addStretch(1);
  connect(showDialog_, &QCheckBox::clicked, this, [this](bool on) {
    setShowTransferDialog(editor_.options(), on);
    if (auto* other = openTagWindow<Id3v1EditorWindow>(parentWidget())) other->refresh();
  });

  grid->addWidget(tag, 0, 0);
  grid->addWidget(display, 0, 1);
  grid->addWidget(scan.group, 1, 0);
  grid->addWidget(transferGroup, 1, 1);
  return column;
}

// ------------------------------------------------------------ showing

void Id3v2EditorWindow::open() {
  TagEditorWindow::open();
  session_->showFirstUseNote();
}

void Id3v2EditorWindow::refresh() {
  const bool highlighting = this->highlighting();
  refreshing_ = true;
  const Id3v2EditorSession& s = *session_;
  for (size_t i = 0; i < boxes_.size(); ++i) {
    const Id3v2Box box = Id3v2Box(i);
    QLineEdit* edit = boxes_[i];
    showText(edit, q(s.boxText(box)));
    edit->setEnabled(s.boxEnabled(box));
    edit->setToolTip(q(s.boxHint(box)));
    if (!highlighting) edit->setPalette(QPalette());
  }
  for (auto [box, edit] : {std::pair{Id3v2Box::Comment, commentLanguage_}, std::pair{Id3v2Box::Text, textLanguage_}}) {
    showText(edit, q(s.languageText(box)));
    edit->setEnabled(s.languageEnabled(box));
  }
  multiLineText_->setEnabled(s.multiLineAvailable(Id3v2Box::Text));

  for (int l = 0; l < kId3v2Lists; ++l) {
    const Id3v2List list = Id3v2List(l);
    QComboBox* combo = lists_[size_t(l)];
    QStringList lines;
    for (const std::string& line : s.listLines(list)) lines << q(line);
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
    if (shown != lines) {
      combo->clear();
      combo->addItems(lines);
    }
    // Without a line chosen the combo shows its own text: the grey note of
    // an empty list, or the call to choose a field to add.
    combo->setPlaceholderText(q(s.listText(list)));
    combo->setCurrentIndex(s.adding(list) || s.listEmpty(list) ? -1 : s.selectedLine(list));
    const int32_t field = s.selectedField(list);
    combo->setToolTip(s.adding(list) || field < 0 ? QString() : q(s.extendedInformation(field)));
    if (s.adding(list)) {
      QPalette p = combo->palette();
      p.setColor(QPalette::Button, kChoosingBase);
      p.setColor(QPalette::Base, kChoosingBase);
      p.setColor(QPalette::PlaceholderText, kChoosingText);
      combo->setPalette(p);
    } else {
      combo->setPalette(QPalette());
    }
    for (int b = 0; b < kListButtons; ++b)
      listButtons_[size_t(l)][size_t(b)]->setEnabled(b == Add ? !s.adding(list) : s.fieldButtonsEnabled(list));
  }

  version_->setCurrentIndex(s.versionLine());
  revision_->setValue(s.revision());
  unsync_->setChecked(s.unsynchronisation());
  experimental_->setChecked(s.experimental());
  footer_->setChecked(s.footer());
  showText(padding_, q(s.paddingText()));
  charset_->setCurrentIndex(s.charset());
  erroneous_->setChecked(s.removeErroneous());
  reload_->setEnabled(s.reloadEnabled());
  removeDuplicates_->setEnabled(s.hasDuplicates());
  viewErroneous_->setEnabled(s.hasErroneousFields());
  albumScan_->setChecked(s.albumScan());
  albumSplit_->setChecked(s.albumSplit());
  albumSplit_->setEnabled(s.albumScan());
  showDialog_->setChecked(showTransferDialog(editor_.options()));
  refreshing_ = false;
}

void Id3v2EditorWindow::highlight(const std::vector<Id3v2Box>& boxes, const QColor& base) {
  startHighlight();
  refresh();
  for (Id3v2Box box : boxes) setColours(boxes_[size_t(box)], base, kHighlightText);
}

// ------------------------------------------------------------ acting

void Id3v2EditorWindow::edited(Id3v2Box box, const QString& text) {
  if (refreshing_) return;
  session_->setBoxText(box, str(text));
  refresh();
}

bool Id3v2EditorWindow::externalViewer() const { return session_->externalViewer(); }

void Id3v2EditorWindow::listButton(Id3v2List list, ListButton button) {
  Id3v2EditorSession& s = *session_;
  const int32_t field = s.selectedField(list);
  const bool picture = list == Id3v2List::Picture;
  switch (button) {
    case View: picture ? files_->viewPicture(field) : files_->viewText(field, false, externalViewer()); break;
    case SaveOriginal: picture ? files_->savePictureOriginal(field) : files_->saveOriginal(field); break;
    case Load: picture ? files_->loadPicture(field) : files_->loadFromFile(field); break;
    case Remove: s.removeSelected(list); break;
    case Add:
      if (s.beginAdd(list)) lists_[size_t(list)]->setFocus();
      break;
  }
  refresh();
}

void Id3v2EditorWindow::candidateChosen(Id3v2List list, int line) {
  const int32_t field = session_->chooseCandidate(list, line);
  refresh();
  // A new mixed, binary or picture field gets its data from a file at once.
  if (field < 0 || list == Id3v2List::Text) return;
  if (list == Id3v2List::Picture)
    files_->loadPicture(field);
  else
    files_->loadFromFile(field);
  refresh();
}

void Id3v2EditorWindow::multiLine(Id3v2Box box) {
  Id3v2EditorSession& s = *session_;
  Options& o = editor_.options();
  const MultiLineRequest request{s.multiLineTitle(box), s.multiLineText(box), s.multiLineOriginal(box)};
  const std::optional<std::string> text =
      showMultiLineDialog(this, editor_.host(), request, o.windowPositions[slotIndex(WindowSlot::MultiLineDialog)],
                          o.windowPositions[slotIndex(WindowSlot::MultiLineDialogSize)]);
  if (text) s.setMultiLineText(box, *text);
  refresh();
}

void Id3v2EditorWindow::boxPopup(Id3v2Box box, const QPoint& at) {
  Id3v2EditorSession& s = *session_;
  QLineEdit* edit = boxes_[size_t(box)];
  QMenu menu(this);
  menu.setObjectName(box == Id3v2Box::Text ? "pm3" : describable(box) ? "pm2" : "pm1");
  auto add = [&menu](const QString& text, const char* name, bool on) { return menuItem(menu, text, name, on); };
  QAction* content = nullptr;
  QAction* revert = nullptr;
  if (describable(box)) {
    if (s.showingDescription(box))
      revert = add("&Revert to main text display", "MenuRevert", true);
    else
      content = add("Content &description", "MenuContent", s.descriptionAvailable(box));
  }
  QAction* reload = add("Reload &original content", "MenuReloadText", true);
  QAction* info = add("E&xtended information", "MenuInfo", true);
  menu.addSeparator();
  const bool hasText = !edit->text().isEmpty();
  QAction* copy = add("&Copy  (Ctrl+C)", "MenuCopy", hasText);
  QAction* paste = add("&Paste  (Ctrl+V)", "MenuPaste", !QGuiApplication::clipboard()->text().isEmpty());
  QAction* cut = add("Cu&t  (Ctrl+X)", "MenuCut", hasText);
  QAction* chosen = menu.exec(at);
  if (!chosen) return;
  if (chosen == content) {
    if (s.showDescription(box)) {
      refresh();
      edit->setFocus(Qt::OtherFocusReason);
    }
  } else if (chosen == revert) {
    s.showText(box);
  } else if (chosen == reload) {
    s.reloadOriginalContent(s.boxField(box));
  } else if (chosen == info) {
    s.showExtendedInformation(s.boxField(box));
  } else if (chosen == copy) {
    clipboardCommand(edit, ClipboardCommand::Copy);
  } else if (chosen == paste) {
    clipboardCommand(edit, ClipboardCommand::Paste);
  } else if (chosen == cut) {
    clipboardCommand(edit, ClipboardCommand::Cut);
  }
  refresh();
}

void Id3v2EditorWindow::listPopup(Id3v2List list, const QPoint& at) {
  Id3v2EditorSession& s = *session_;
  QMenu menu(this);
  menu.setObjectName("pm4");
  auto add = [&menu](const QString& text, const char* name, bool on) { return menuItem(menu, text, name, on); };
  const int32_t field = s.selectedField(list);
  if (s.adding(list)) {
    QAction* cancel = add("&Cancel new field addition", "MenuCancelAdd", true);
    if (menu.exec(at) == cancel) s.cancelAdd(list);
    refresh();
    return;
  }
  const bool any = s.fieldButtonsEnabled(list);
  QAction* content = nullptr;
  if (list == Id3v2List::Text)
    content = add("Content &description", "MenuContent", s.descriptionAvailable(Id3v2Box::Text));
  QAction* view = list == Id3v2List::Picture ? nullptr : add("&View original content", "MenuViewOriginal", any);
  QAction* reload = add("Reload &original content", "MenuReloadText", any);
  QAction* info = add("E&xtended information", "MenuInfo", any);
  QAction* chosen = menu.exec(at);
  if (!chosen) return;
  if (chosen == content) {
    if (s.showDescription(Id3v2Box::Text)) {
      refresh();
      boxes_[size_t(Id3v2Box::Text)]->setFocus(Qt::OtherFocusReason);
    }
  } else if (chosen == view) {
    files_->viewText(field, true, externalViewer());
  } else if (chosen == reload) {
    s.reloadOriginalContent(field);
  } else if (chosen == info) {
    s.showExtendedInformation(field);
  }
  refresh();
}

// ------------------------------------------------------------ events

bool Id3v2EditorWindow::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (edit && event->type() == QEvent::KeyPress) {
    // Enter moves on rather than closing the window.
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      focusNextChild();
      return true;
    }
  } else if (edit && event->type() == QEvent::FocusOut && !session_->closed()) {
    // Leaving a box that shows its field's description brings the text back;
    // a popup or another window taking the focus for a moment does not.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    const auto at = std::find(boxes_.begin(), boxes_.end(), edit);
    if (at != boxes_.end() && reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
      const Id3v2Box box = Id3v2Box(at - boxes_.begin());
      if (session_->showingDescription(box)) {
        session_->showText(box);
        QTimer::singleShot(0, this, [this] {
          if (!session_->closed()) refresh();
        });
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

bool Id3v2EditorWindow::finish(bool keep) {
  if (session_->closed()) return true;
  // The footer question may keep the window open.
  if (keep) return session_->ok();
  session_->cancel();
  return true;
}

}  // namespace kavrel
