#include "ui/frame_view_widget.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "app/flag_scope.h"
#include "ui/qt_strings.h"

namespace kavrel {

namespace {

// Rows of the strip as drawn: the black field, and the rows a mouse press
// on the strip reaches (the marker row included).
constexpr int kFieldTop = kStripTop + 1;
constexpr int kFieldBottom = kStripTop + 21;  // exclusive
constexpr int kMouseStripRight = 452;
constexpr int kMouseStripBottom = 322;
// Time labels above the strip, their tick marks reaching down to it.
constexpr int kTimeLabelTop = 274;
constexpr int kTimeLabelHeight = 14;
constexpr int kTickTop = kTimeLabelTop + kTimeLabelHeight + 1;
// The arrows beside the strip, and the "on screen" / find spot under the scroll bar.
constexpr int kArrowLeftX = 4;
constexpr int kArrowRightX = 456;
constexpr int kArrowWidth = 11;
constexpr QRect kWhereRect(392, 347, 70, 18);

QImage barPicture(const QColor& colour) {
  QImage image(kBarWidth, kBarPictureHeight, QImage::Format_RGB32);
  for (int y = 0; y < kBarPictureHeight; ++y) {
    // Lighter on the left edge, darker on the right, brighter towards the top.
    const QColor row = colour.lighter(100 + (kBarPictureHeight - y) * 2);
    image.setPixelColor(0, y, row.lighter(130));
    image.setPixelColor(1, y, row);
    image.setPixelColor(2, y, row);
    image.setPixelColor(3, y, row.darker(140));
  }
  return image;
}

QRect labelRect(int centre, int width) {
  return QRect(centre - width / 2, kTimeLabelTop, width, kTimeLabelHeight);
}

}  // namespace

const std::array<QImage, 16>& FrameViewWidget::bitratePictures() {
  static const std::array<QImage, 16> pictures = [] {
    std::array<QImage, 16> p;
    p[0] = barPicture(QColor(150, 150, 150));  // free format
    // 32 .. 320 kbps from cool blue through green and yellow to red.
    for (int i = 1; i <= 14; ++i) p[size_t(i)] = barPicture(QColor::fromHsv(230 - (i - 1) * 230 / 13, 210, 235));
    p[15] = barPicture(QColor(255, 255, 255));  // a bad index
    return p;
  }();
  return pictures;
}

const QImage& FrameViewWidget::vbrPicture() {
  static const QImage picture = [] {
    QImage image(kBarWidth, kBarPictureHeight, QImage::Format_RGB32);
    for (int y = 0; y < kBarPictureHeight; ++y)
      for (int x = 0; x < kBarWidth; ++x)
        image.setPixelColor(x, y, ((x + y) / 2) % 2 ? QColor(255, 0, 255) : QColor(255, 255, 255));
    return image;
  }();
  return picture;
}

const QImage& FrameViewWidget::progressPicture() {
  static const QImage picture = barPicture(QColor(40, 110, 200));
  return picture;
}

FrameViewWidget::FrameViewWidget(Editor& editor, QWidget* parent) : QWidget(parent), editor_(editor) {
  setObjectName("FrameView");
  static const char* kLabelNames[3] = {"Glabelleft", "Glabelmid", "Glabelright"};
  for (size_t i = 0; i < 3; ++i) {
    auto* label = new QLabel(this);
    label->setObjectName(kLabelNames[i]);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPixelSize(11);
    label->setFont(font);
    timeLabels_[i] = label;
  }
  labelWhc_ = new QLabel("on screen", this);
  labelWhc_->setObjectName("LabelWhc");
  labelWhc_->setToolTip("Where is the cursor?");
  labelWhc_->setAlignment(Qt::AlignCenter);
  labelWhc_->setGeometry(kWhereRect);
  butFind_ = new QPushButton("fi&nd", this);
  butFind_->setObjectName("ButFind");
  butFind_->setToolTip("Bring the cursor or the selection into view");
  butFind_->setGeometry(kWhereRect);
  connect(butFind_, &QPushButton::clicked, this, [this] {
    if (editor_.scriptRunning) return;
    setViewOffset(findViewOffset(viewState()));
  });

  static const char* kPageNames[2] = {"SleftBit", "SrightBit"};
  static const char* kPageHints[2] = {"move the displayed area one page to the left (up)",
                                      "move the displayed area one page to the right (down)"};
  static const int kPageX[2] = {kPageButtonLeftX, kPageButtonRightX};
  for (size_t i = 0; i < 2; ++i) {
    auto* b = new QPushButton(i == 0 ? QString(QChar(0x25C0)) : QString(QChar(0x25B6)), this);
    b->setObjectName(kPageNames[i]);
    b->setToolTip(kPageHints[i]);
    b->setGeometry(kPageX[i], kTroughTop, kPageButtonWidth, kPageButtonHeight);
    b->setFocusPolicy(Qt::NoFocus);
    QFont font = b->font();
    font.setPixelSize(9);
    b->setFont(font);
    pageButtons_[i] = b;
  }

  scrollTimer_.setObjectName("ScrollTimer");
  connect(&scrollTimer_, &QTimer::timeout, this, &FrameViewWidget::scrollTick);
  refreshView();
}

ViewState FrameViewWidget::viewState() const {
  return {editor_.selection, editor_.multipleSelected, editor_.viewOffset, editor_.maxViewOffset};
}

void FrameViewWidget::changed() {
  if (onChange) {
    onChange();
  } else {
    refreshView();
  }
}

void FrameViewWidget::setViewOffset(int32_t offset) {
  offset = std::clamp(offset, 0, editor_.maxViewOffset);
  if (offset == editor_.viewOffset) return;
  editor_.viewOffset = offset;
  changed();
}

void FrameViewWidget::refreshView() {
  const Document& doc = editor_.document();
  const bool frames = doc.documentLoaded && doc.documentFrameCount() > 0;
  if (labels_.refresh(doc, editor_.viewOffset)) {
    const std::string* texts[3] = {&labels_.left(), &labels_.middle(), &labels_.right()};
    const int centres[3] = {kLabelLeftCentre, kLabelMiddleCentre, kLabelRightCentre};
    for (size_t i = 0; i < 3; ++i) {
      const QString text = q(*texts[i]);
      timeLabels_[i]->setText(text);
      const int width = timeLabels_[i]->fontMetrics().horizontalAdvance(text) + 6;
      // Centred on its tick, but never past the canvas's edges.
      QRect rect = labelRect(centres[i], width);
      rect.moveLeft(std::clamp(rect.left(), 0, std::max(0, this->width() - width)));
      timeLabels_[i]->setGeometry(rect);
    }
  }
  for (QLabel* label : timeLabels_) label->setVisible(frames);
  markers_ = frames ? cursorMarkers(viewState()) : CursorMarkers{};
  labelWhc_->setVisible(frames && markers_.labelWhc);
  butFind_->setVisible(frames && markers_.butFind());
  const ScrollBarLayout bar = scrollBarLayout(editor_.viewOffset, editor_.maxViewOffset);
  pageButtons_[0]->setEnabled(bar.leftEnabled && editor_.enabled(Command::PageLeft));
  pageButtons_[1]->setEnabled(bar.rightEnabled && editor_.enabled(Command::PageRight));
  update();
}

void FrameViewWidget::setProgress(int blocks) {
  progressBlocks_ = blocks;
  update(QRect(kProgressLeft, kProgressTop, kProgressRight - kProgressLeft + 1,
               kProgressBottom - kProgressTop + 1));
}

// ------------------------------------------------------------ painting

void FrameViewWidget::paintEvent(QPaintEvent*) {
  if (painting_) return;
  const FlagScope painting(painting_);
  QPainter p(this);
  paintStrip(p);
  paintMarkers(p);
  paintScrollBar(p);
  paintProgress(p);
}

void FrameViewWidget::paintStrip(QPainter& p) {
  p.fillRect(QRect(kStripLeft + 1, kFieldTop, kStripWidth + 1, kFieldBottom - kFieldTop), Qt::black);
  const Document& doc = editor_.document();
  if (!doc.documentLoaded) return;
  const Band band = shadedBand(viewState());
  if (!band.empty())
    p.fillRect(QRect(kStripLeft + band.left, kFieldTop, band.right - band.left, kFieldBottom - kFieldTop),
               QColor(128, 128, 128));
  // Silences found, as a blue line along the foot of the strip.
  if (editor_.showSilences)
    for (const Band& b : silenceStripBands(editor_.knownSilences(), editor_.viewOffset))
      p.fillRect(QRect(kStripLeft + b.left, kFieldBottom - 3, b.right - b.left, 3), QColor(60, 120, 255));
  const auto& pictures = bitratePictures();
  for (int s = 0; s < kFramesShown; ++s) {
    const Slot slot = frameSlot(doc, editor_.viewOffset, s);
    switch (slot.kind) {
      case Slot::Empty: break;
      case Slot::VbrHeader: p.drawImage(slotX(s), slot.top(), vbrPicture()); break;
      case Slot::Bar:
        p.drawImage(QPoint(slotX(s), slot.top()), pictures[size_t(slot.bitrateIndex)],
                    QRect(0, kBarPictureHeight - slot.height, kBarWidth, slot.height));
        break;
    }
  }
  // Tick marks from the time labels down to the strip.
  if (doc.documentFrameCount() > 0) {
    p.setPen(palette().color(QPalette::WindowText));
    const std::pair<int, const std::string*> ticks[3] = {{kLabelLeftCentre, &labels_.left()},
                                                         {kLabelMiddleCentre, &labels_.middle()},
                                                         {kLabelRightCentre, &labels_.right()}};
    for (const auto& [x, text] : ticks)
      if (!text->empty()) p.drawLine(x, kTickTop, x, kStripTop);
  }
}

void FrameViewWidget::paintMarkers(QPainter& p) {
  if (markers_.lineMark) p.fillRect(QRect(markers_.lineMarkX, kMarkY, kLineMarkWidth, 2), Qt::red);
  if (markers_.linemedi)
    p.fillRect(QRect(markers_.linemediX1, kMarkY, markers_.linemediX2 - markers_.linemediX1, 2),
               QColor(128, 128, 0));
  auto arrow = [&p](int x, bool left) {
    const int mid = kStripTop + 10;
    const QPoint tip(left ? x : x + kArrowWidth, mid);
    const int base = left ? x + kArrowWidth : x;
    const QPoint points[3] = {tip, QPoint(base, mid - 7), QPoint(base, mid + 7)};
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 0, 0));
    p.drawPolygon(points, 3);
  };
  if (markers_.strelLeft) arrow(kArrowLeftX, true);
  if (markers_.strelRight) arrow(kArrowRightX, false);
}

void FrameViewWidget::paintScrollBar(QPainter& p) {
  const QPalette& pal = palette();
  const QColor trough = pal.color(QPalette::Window).darker(112);
  const QColor pressed = pal.color(QPalette::Shadow);
  const ScrollBarLayout bar = scrollBarLayout(editor_.viewOffset, editor_.maxViewOffset);
  const int height = kTroughBottom - kTroughTop + 1;
  if (!bar.thumbShown) {
    p.fillRect(QRect(kTroughLeft, kTroughTop, kTroughWidth, height), trough);
    return;
  }
  const auto part = scroll_.pressed();
  p.fillRect(QRect(kTroughLeft, kTroughTop, bar.thumbX - kTroughLeft, height),
             part == ScrollBarMouse::Part::Left ? pressed : trough);
  const int afterThumb = bar.thumbX + bar.thumbWidth;
  p.fillRect(QRect(afterThumb, kTroughTop, kTroughRight + 1 - afterThumb, height),
             part == ScrollBarMouse::Part::Right ? pressed : trough);
  const QRect thumb(bar.thumbX, kTroughTop, bar.thumbWidth, height);
  p.fillRect(thumb, pal.color(QPalette::Button));
  // Where the silences are in the whole document, over the trough.
  if (editor_.showSilences)
    for (const Band& b : silenceTroughMarks(editor_.knownSilences(), editor_.document().documentFrameCount()))
      p.fillRect(QRect(b.left, kTroughBottom - 3, b.right - b.left, 3), QColor(60, 120, 255));
  p.setPen(pal.color(QPalette::Light));
  p.drawLine(thumb.topLeft(), thumb.topRight());
  p.drawLine(thumb.topLeft(), thumb.bottomLeft());
  p.setPen(pal.color(QPalette::Dark));
  p.drawLine(thumb.bottomLeft(), thumb.bottomRight());
  p.drawLine(thumb.topRight(), thumb.bottomRight());
}

void FrameViewWidget::paintProgress(QPainter& p) {
  if (progressBlocks_ < 0) return;
  const QRect box(kProgressLeft, kProgressTop, kProgressRight - kProgressLeft + 1,
                  kProgressBottom - kProgressTop + 1);
  p.fillRect(box, palette().color(QPalette::Window));
  // A sunken border two pixels deep.
  const QColor dark = palette().color(QPalette::Dark);
  const QColor light = palette().color(QPalette::Light);
  for (int d = 0; d < 2; ++d) {
    const QRect r = box.adjusted(d, d, -d, -d);
    p.setPen(dark);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(light);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
  }
  for (int i = 0; i < std::min(progressBlocks_, 56); ++i)
    p.drawImage(kProgressLeft + 2 + 1 + i * kSlotWidth, kProgressTop + 2, progressPicture());
}

// ------------------------------------------------------------ mouse

namespace {

MouseButton mouseButton(Qt::MouseButton b) {
  switch (b) {
    case Qt::LeftButton: return MouseButton::Left;
    case Qt::RightButton: return MouseButton::Right;
    default: return MouseButton::Middle;
  }
}

bool onStrip(QPoint at) {
  return at.x() >= kStripLeft && at.x() <= kMouseStripRight && at.y() >= kFieldTop &&
         at.y() <= kMouseStripBottom;
}

bool onTrough(QPoint at) {
  return at.x() >= kTroughLeft && at.x() <= kTroughRight && at.y() >= kTroughTop && at.y() <= kTroughBottom;
}

}  // namespace

void FrameViewWidget::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (editor_.scriptRunning || !editor_.document().documentLoaded) return;
  if (onTrough(at) && event->button() == Qt::LeftButton) {
    const int32_t offset = scroll_.press(at.x(), at.y(), editor_.viewOffset, editor_.maxViewOffset);
    if (scroll_.timerRunning()) scrollTimer_.start(scroll_.interval());
    if (offset != editor_.viewOffset) {
      setViewOffset(offset);
    } else {
      update();
    }
    return;
  }
  if (onStrip(at)) {
    editor_.stripMousePress(at.x(), mouseButton(event->button()), event->modifiers() & Qt::ShiftModifier);
    changed();
  }
}

void FrameViewWidget::mouseMoveEvent(QMouseEvent* event) {
  if (!scroll_.dragging()) return;
  setViewOffset(scroll_.move(event->position().toPoint().x(), editor_.viewOffset, editor_.maxViewOffset));
}

void FrameViewWidget::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (scroll_.pressed() != ScrollBarMouse::Part::None || scroll_.dragging()) {
    scroll_.release();
    scrollTimer_.stop();
    update();
    return;
  }
  if (editor_.scriptRunning || !editor_.document().documentLoaded) return;
  if (onStrip(at)) {
    editor_.stripMouseRelease(at.x(), mouseButton(event->button()), event->modifiers() & Qt::ShiftModifier);
    changed();
  }
}

void FrameViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton && onStrip(at) && editor_.document().documentLoaded) {
    editor_.showFrameInfo(positionAtColumn(at.x(), editor_.viewOffset));
    changed();
    return;
  }
  mousePressEvent(event);
}

void FrameViewWidget::scrollTick() {
  if (!scroll_.timerRunning()) {
    scrollTimer_.stop();
    return;
  }
  const int32_t offset = scroll_.tick(editor_.viewOffset, editor_.maxViewOffset);
  scrollTimer_.setInterval(scroll_.interval());
  setViewOffset(offset);
}

}  // namespace kavrel
