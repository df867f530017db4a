#pragma once
// The ID3v1 (footer) tag editor: a tool window beside the main window that
// shows an Id3v1Session and forwards what the user does to it. It belongs to
// the document: the main window closes it when the document goes, and any
// closing other than OK is Cancel. While a script runs or a load or save
// holds the document it takes no input.

#include <array>
#include <memory>
#include <vector>

#include "app/id3v1_session.h"
#include "ui/tag_window_parts.h"

class QCheckBox;
class QColor;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace kavrel {

class Editor;

class Id3v1EditorWindow final : public TagEditorWindow {
  Q_OBJECT
 public:
  Id3v1EditorWindow(QWidget* owner, Editor& editor);
  ~Id3v1EditorWindow() override;

  Id3v1Session& session() { return *session_; }
  void refresh() override;
  // Colours `boxes` for a moment: a scan's or a transfer's work.
  void highlight(const std::vector<Id3v1Box>& boxes, const QColor& base);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool finish(bool keep) override;

 private:
  QLineEdit* addBox(Id3v1Box box, const char* name, int maxLength);
  void edited(Id3v1Box box, const QString& text);
  void showNotice(const Id3v1Notice& notice);
  void popup(Id3v1Box box, const QPoint& at);
  void focusNext(QWidget* from);

  std::unique_ptr<Id3v1Session> session_;
  std::array<QLineEdit*, kId3v1TextBoxes> boxes_{};
  QComboBox* genre_ = nullptr;
  QComboBox* version_ = nullptr;
  QComboBox* charset_ = nullptr;
  QLabel* trackLabel_ = nullptr;
  QCheckBox* albumScan_ = nullptr;
  QCheckBox* albumSplit_ = nullptr;
  QCheckBox* showDialog_ = nullptr;
  QPushButton* reload_ = nullptr;
  QPushButton* ok_ = nullptr;
  bool refreshing_ = false;
};

}  // namespace kavrel
