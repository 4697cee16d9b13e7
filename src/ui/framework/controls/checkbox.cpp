#include "ui/framework/controls/checkbox.h"

#include <QStyleOptionButton>
#include <QStylePainter>

TLMDCheckBox::TLMDCheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {
  setAttribute(Qt::WA_TranslucentBackground);
  setAutoFillBackground(false);
}

QRect TLMDCheckBox::IndicatorRect() const {
  const int boxW = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
  const int boxH = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
  const int textW = fontMetrics().horizontalAdvance(text());
  const int left = (width() - (boxW + kGap + textW)) / 2;
  return QRect(left, (height() - boxH) / 2, boxW, boxH);
}

QRect TLMDCheckBox::CaptionRect() const {
  const QRect box = IndicatorRect();
  const int left = box.right() + 1 + kGap;
  return QRect(left, 0, fontMetrics().horizontalAdvance(text()), height());
}

void TLMDCheckBox::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  QStyleOptionButton box = option;
  box.rect = IndicatorRect();
  p.drawPrimitive(QStyle::PE_IndicatorCheckBox, box);
  QStyleOptionButton caption = option;
  caption.rect = CaptionRect();
  p.drawControl(QStyle::CE_CheckBoxLabel, caption);
  if (option.state & QStyle::State_HasFocus) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = caption.rect.adjusted(-1, 4, 1, -4);
    p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
}

bool TLMDCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }
