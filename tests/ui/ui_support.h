// Small helpers of the window tests: waiting for a condition while the
// event loop runs, and acting on a dialog once it shows.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <functional>

namespace kavrel::test {

inline bool waitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 500 && !done(); ++i) QTest::qWait(10);
  return done();
}

// Runs `act` on the next dialog or message box to show: one that was not
// already open when this was called, so a box raised from inside a dialog's
// own handler is told apart from that dialog.
inline void onNextDialog(std::function<void(QWidget*)> act) {
  QList<QWidget*> before;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<QDialog*>(w) && w->isVisible()) before.append(w);
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, before, act = std::move(act)] {
    // A modal box shown over a window that opened with it comes first.
    QList<QWidget*> candidates{QApplication::activeModalWidget()};
    candidates += QApplication::topLevelWidgets();
    for (QWidget* w : candidates) {
      if (qobject_cast<QDialog*>(w) && w->isVisible() && !before.contains(w)) {
        timer->stop();
        timer->deleteLater();
        act(w);
        return;
      }
    }
  });
  timer->start(10);
}

}  // namespace kavrel::test
