#include "ui/framework/desktop/placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>

QRect FitInArea(const QRect& frame, const QRect& area, const QSize& minimum) {
  if (area.isEmpty() || area.contains(frame)) return frame;
  const QSize size(std::max(std::min(frame.width(), area.width()), minimum.width()),
                   std::max(std::min(frame.height(), area.height()), minimum.height()));
  // Into the area from the right and the bottom first, so that a window still
  // too large shows its top-left corner.
  const int x = std::max(std::min(frame.x(), area.right() + 1 - size.width()), area.left());
  const int y = std::max(std::min(frame.y(), area.bottom() + 1 - size.height()), area.top());
  return QRect(QPoint(x, y), size);
}

namespace {

QRect AvailableAreaAt(const QPoint& point) {
  const QScreen* screen = QGuiApplication::screenAt(point);
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return {};
  QRect area = screen->availableGeometry();
  // At a fractional scale the area is rounded to whole pixels, up as often as
  // not (1366 / 1.5 = 910.67 shows as 911): keep within the screen's own.
  const qreal dpr = screen->devicePixelRatio();
  if (dpr != std::floor(dpr)) area.adjust(0, 0, -1, -1);
  return area;
}

// Sets the frame's place and size from the client's, the frame's extent being
// what it is now (nothing before the window is on screen).
void ApplyFrame(QWidget* window, const QRect& frame) {
  const QRect now = window->frameGeometry();
  const QRect client = window->geometry();
  const QSize extra(now.width() - client.width(), now.height() - client.height());
  window->resize(frame.size() - extra);
  window->move(frame.topLeft());  // a top-level's pos() is its frame's
}

// Fits a shown window again once its title bar and borders are known, that is
// once the window manager has framed it; then it leaves the window alone, so
// that the user may move it where they like. Under Wayland the compositor
// places windows: there is nothing to fit.
class FrameWatcher : public QObject {
 public:
  explicit FrameWatcher(QWidget* window) : QObject(window), window_(window) {
    window->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Show:
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::WindowActivate:
        // After the event has done its work.
        QTimer::singleShot(0, this, [this] { Check(); });
        break;
      default:
        break;
    }
    return false;
  }

 private:
  void Check() {
    if (!window_->isVisible()) return;
    const QRect frame = window_->frameGeometry();
    if (frame == window_->geometry()) return;  // not framed yet, or never (no window manager)
    const QSize minimum = window_->minimumSizeHint().expandedTo(window_->minimumSize());
    const QRect fitted = FitInArea(frame, AvailableAreaAt(frame.center()), minimum);
    if (fitted != frame) ApplyFrame(window_, fitted);
    window_->removeEventFilter(this);
    deleteLater();
  }

  QWidget* window_;
};

}  // namespace

void PlaceInAvailableArea(QWidget* window, const QRect& frame) {
  const QSize minimum = window->minimumSizeHint().expandedTo(window->minimumSize());
  ApplyFrame(window, FitInArea(frame, AvailableAreaAt(frame.center()), minimum));
  if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
    new FrameWatcher(window);
}
