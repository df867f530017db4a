#pragma once
// The main window's canvas: the frame strip with its cursor band and
// markers, the three time labels, the self-drawn scroll bar with its page
// buttons, and the load progress box. Every rule comes from
// editing/frame_view.h; this widget only paints what the model says, in
// logical pixels of the window's fixed layout, and turns mouse input on the
// strip and the scroll bar into editor calls. The main window places its
// controls on the same canvas.

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

#include "app/editor.h"
#include "editing/frame_view.h"

class QLabel;
class QPushButton;

namespace kavrel {

class FrameViewWidget final : public QWidget {
  Q_OBJECT
 public:
  FrameViewWidget(Editor& editor, QWidget* parent);

  // Redraws the strip, markers and scroll bar from the editor's state;
  // rebuilds the time labels when the view has moved since they were built.
  void refreshView();
  // After an edit the labels are rebuilt even when the view did not move.
  void invalidateLabels() { labels_.invalidate(); }
  // Load progress as 0..56 blocks; -1 ends the display.
  void setProgress(int blocks);
  // Called when the canvas itself changed the editor's state (selection
  // from the mouse, view from the scroll bar or the find button).
  std::function<void()> onChange;

  QPushButton* pageLeftButton() const { return pageButtons_[0]; }
  QPushButton* pageRightButton() const { return pageButtons_[1]; }
  const ScrollBarMouse& scrollBar() const { return scroll_; }
  const QTimer& scrollTimer() const { return scrollTimer_; }

  // The bar picture of a bitrate index (0..15), of a frame carrying a VBR
  // header, and a progress block: 4 x 16 pixels each.
  static const std::array<QImage, 16>& bitratePictures();
  static const QImage& vbrPicture();
  static const QImage& progressPicture();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  ViewState viewState() const;
  void setViewOffset(int32_t offset);
  void changed();
  void paintStrip(QPainter& p);
  void paintMarkers(QPainter& p);
  void paintScrollBar(QPainter& p);
  void paintProgress(QPainter& p);
  void scrollTick();

  Editor& editor_;
  TimeLabels labels_;
  ScrollBarMouse scroll_;
  QTimer scrollTimer_;
  std::array<QLabel*, 3> timeLabels_{};
  QLabel* labelWhc_ = nullptr;
  QPushButton* butFind_ = nullptr;
  std::array<QPushButton*, 2> pageButtons_{};
  CursorMarkers markers_;
  int progressBlocks_ = -1;
  bool painting_ = false;
};

}  // namespace kavrel
