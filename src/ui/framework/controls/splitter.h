#pragma once
// The bar between the two panes. Dragging shows a hatched line where the bar
// would go; the new width of the left control applies on release, Escape
// cancels. A width of 30 pixels or less closes the left control.
#include <QWidget>

class TSplitter : public QWidget {
  Q_OBJECT

 public:
  TSplitter(QWidget* left, QWidget* parent = nullptr);
  static constexpr int MinSize = 30;
  // The left width for the bar's left edge at x (in parent coordinates); 0 closes.
  int WidthFor(int x) const;
  // The hatched line shown while dragging (hidden otherwise).
  const QWidget* DragLine() const { return line_; }

 signals:
  void Moved(int leftWidth);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void ShowLineAt(int pointerX);  // in parent coordinates
  void EndDrag();

  QWidget* left_;
  QWidget* line_ = nullptr;  // made on the first drag, beside the bar
  bool dragging_ = false;
  int grabOffset_ = 0;  // the pointer's x inside the bar when the drag began
};
