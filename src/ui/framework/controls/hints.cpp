#include "ui/framework/controls/hints.h"

#include <QHelpEvent>
#include <QProxyStyle>
#include <QToolTip>
#include <QWidget>

namespace hints {
namespace {

// The application's style with the hint's waiting time changed.
class HintStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == SH_ToolTip_WakeUpDelay) return WakeUpDelay;
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
};

// Shows each control's hint for DisplayTime instead of Qt's length-based time.
class HintFilter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ToolTip || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = widget->toolTip();
    if (text.isEmpty()) return false;  // Qt passes it on to the parent
    QToolTip::showText(help->globalPos(), text, widget, QRect(), DisplayTime);
    return true;
  }
};

}  // namespace

void Install(QApplication& app) {
  app.setStyle(new HintStyle(QApplication::style()->name()));
  app.installEventFilter(new HintFilter(&app));
}

}  // namespace hints
