#include "ui/framework/splitter.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

TSplitter::TSplitter(QWidget* left, QWidget* parent) : QWidget(parent), left_(left) {
  setCursor(Qt::SplitHCursor);
  setFixedWidth(3);
  setFocusPolicy(Qt::NoFocus);
}

int TSplitter::WidthFor(int x) const {
  const int parentWidth = parentWidget() ? parentWidget()->width() : x;
  const int w = std::clamp(x, 0, std::max(0, parentWidth - width() - MinSize));
  return w <= MinSize ? 0 : w;
}

void TSplitter::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragging_ = true;
  lineX_ = mapToParent(event->position().toPoint()).x();
  grabKeyboard();
  update();
}

void TSplitter::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  lineX_ = mapToParent(event->position().toPoint()).x();
  update();
}

void TSplitter::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) return;
  dragging_ = false;
  releaseKeyboard();
  const int w = WidthFor(mapToParent(event->position().toPoint()).x());
  left_->setVisible(w > 0);
  if (w > 0) left_->setFixedWidth(w);
  emit Moved(w);
}

void TSplitter::keyPressEvent(QKeyEvent* event) {
  if (dragging_ && event->key() == Qt::Key_Escape) {
    dragging_ = false;
    releaseKeyboard();
    update();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TSplitter::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), dragging_ ? palette().dark() : palette().window());
}
