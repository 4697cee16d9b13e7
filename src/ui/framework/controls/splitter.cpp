#include "ui/framework/controls/splitter.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {

// A line of the bar's size in a half-tone pattern, drawn over the panes.
class HatchedLine : public QWidget {
 public:
  explicit HatchedLine(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.fillRect(rect(), QBrush(palette().color(QPalette::WindowText), Qt::Dense4Pattern));
  }
};

}  // namespace

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

void TSplitter::ShowLineAt(int pointerX) {
  if (!line_) line_ = new HatchedLine(parentWidget());
  line_->setGeometry(WidthFor(pointerX - grabOffset_), y(), width(), height());
  line_->raise();
  line_->show();
}

void TSplitter::EndDrag() {
  dragging_ = false;
  releaseKeyboard();
  if (line_) line_->hide();
}

void TSplitter::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !parentWidget()) return;
  dragging_ = true;
  grabOffset_ = event->position().toPoint().x();  // where in the bar it was taken
  grabKeyboard();                                 // for Escape
  ShowLineAt(x() + grabOffset_);
}

void TSplitter::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_) ShowLineAt(mapToParent(event->position().toPoint()).x());
}

void TSplitter::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) return;
  EndDrag();
  const int w = WidthFor(mapToParent(event->position().toPoint()).x() - grabOffset_);
  left_->setVisible(w > 0);
  if (w > 0) left_->setFixedWidth(w);
  emit Moved(w);
}

void TSplitter::keyPressEvent(QKeyEvent* event) {
  if (dragging_ && event->key() == Qt::Key_Escape) {
    EndDrag();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TSplitter::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
}
