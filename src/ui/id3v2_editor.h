#pragma once
// The ID3v2 (header) tag editor: a tool window beside the main window that
// shows an Id3v2EditorSession and forwards what the user does to it, with
// the field files (load, save, view) and the three small field dialogs. It
// belongs to the document: the main window closes it when the document
// goes, and any closing other than OK is Cancel. While a script runs or a
// load or save holds the document it takes no input.

#include <array>
#include <memory>
#include <vector>

#include "app/field_files.h"
#include "app/id3v2_session.h"
#include "ui/tag_window_parts.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;

namespace kavrel {

class Editor;

class Id3v2EditorWindow final : public TagEditorWindow {
  Q_OBJECT
 public:
  Id3v2EditorWindow(QWidget* owner, Editor& editor);
  ~Id3v2EditorWindow() override;

  // Shows the window where it was last left (centred on the owner's screen
  // the first time), or brings it to the front when it is open; the first
  // time after a reset with a note on how it works.
  void open() override;
  Id3v2EditorSession& session() { return *session_; }
  void refresh() override;
  // Colours `boxes` for a moment: a scan's or a transfer's work.
  void highlight(const std::vector<Id3v2Box>& boxes, const QColor& base);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool finish(bool keep) override;

 private:
  // The buttons of one list.
  enum ListButton { View, SaveOriginal, Load, Remove, Add };
  static constexpr int kListButtons = 5;

  QWidget* buildMainBoxes();
  QWidget* buildLists();
  QWidget* buildHeaderOptions();
  QWidget* buildTools();
  QLineEdit* addBox(Id3v2Box box, const char* name);
  QLineEdit* addLanguageBox(Id3v2Box box, const char* name);
  QWidget* addList(Id3v2List list, const char* name, const QString& caption);
  void edited(Id3v2Box box, const QString& text);
  void listButton(Id3v2List list, ListButton button);
  void candidateChosen(Id3v2List list, int line);
  void boxPopup(Id3v2Box box, const QPoint& at);
  void listPopup(Id3v2List list, const QPoint& at);
  void multiLine(Id3v2Box box);
  bool externalViewer() const;

  std::unique_ptr<Id3v2EditorSession> session_;
  FieldDialogMemory fieldMemory_;  // the field dialogs' "remember these settings"
  std::unique_ptr<FieldFiles> files_;
  std::array<QLineEdit*, kId3v2Boxes> boxes_{};
  QLineEdit* commentLanguage_ = nullptr;
  QLineEdit* textLanguage_ = nullptr;
  std::array<QComboBox*, kId3v2Lists> lists_{};
  std::array<std::array<QPushButton*, kListButtons>, kId3v2Lists> listButtons_{};
  QPushButton* multiLineComment_ = nullptr;
  QPushButton* multiLineText_ = nullptr;
  QComboBox* version_ = nullptr;
  QSpinBox* revision_ = nullptr;
  QCheckBox* unsync_ = nullptr;
  QCheckBox* experimental_ = nullptr;
  QCheckBox* footer_ = nullptr;
  QLineEdit* padding_ = nullptr;
  QComboBox* charset_ = nullptr;
  QCheckBox* erroneous_ = nullptr;
  QPushButton* reload_ = nullptr;
  QPushButton* removeDuplicates_ = nullptr;
  QPushButton* viewErroneous_ = nullptr;
  QCheckBox* albumScan_ = nullptr;
  QCheckBox* albumSplit_ = nullptr;
  QCheckBox* showDialog_ = nullptr;
  QRadioButton* viewInBox_ = nullptr;
  QRadioButton* viewExternal_ = nullptr;
  QPushButton* ok_ = nullptr;
  bool refreshing_ = false;
};

}  // namespace kavrel
