#pragma once
// A check box that draws its box and caption centred in its area, 4 pixels
// apart, over whatever is behind it.
#include <QCheckBox>

class TLMDCheckBox : public QCheckBox {
  Q_OBJECT

 public:
  explicit TLMDCheckBox(const QString& caption, QWidget* parent = nullptr);

  static constexpr int kGap = 4;  // between the box and the caption
  // Where the box and the caption are drawn.
  QRect IndicatorRect() const;
  QRect CaptionRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override;
};
