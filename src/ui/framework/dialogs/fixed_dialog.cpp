#include "ui/framework/dialogs/fixed_dialog.h"

#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QToolButton>
#include <QWindow>

namespace {

constexpr int kTitleHeight = 30;  // as Qt's own Wayland title bar

// The title bar of a dialog under Wayland: the caption centred, a close
// button at the right; dragging it moves the dialog (the compositor does it).
class OwnTitleBar : public QWidget {
 public:
  explicit OwnTitleBar(QDialog* dialog) : QWidget(dialog), dialog_(dialog) {
    setObjectName(QStringLiteral("OwnTitleBar"));
    setAccessibleName(QStringLiteral("Barre de titre"));
    close_ = new QToolButton(this);
    close_->setObjectName(QStringLiteral("CloseButton"));
    close_->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton, nullptr, this));
    close_->setAutoRaise(true);
    close_->setFocusPolicy(Qt::NoFocus);  // Escape closes from the keyboard
    close_->setAccessibleName(QStringLiteral("Fermer"));
    close_->setToolTip(QStringLiteral("Fermer"));
    connect(close_, &QToolButton::clicked, dialog, &QDialog::reject);
    dialog->installEventFilter(this);
    Place();
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Resize:
        Place();
        break;
      case QEvent::WindowTitleChange:
        update();
        break;
      case QEvent::Paint: {  // a frame round the dialog, as a title bar comes with one
        QPainter painter(dialog_);
        painter.setPen(dialog_->palette().color(QPalette::Mid));
        painter.drawRect(dialog_->rect().adjusted(0, 0, -1, -1));
        break;
      }
      default:
        break;
    }
    return false;
  }

  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QPalette& p = palette();
    const bool active = dialog_->isActiveWindow();
    painter.fillRect(rect(), p.color(QPalette::Button));
    painter.setPen(p.color(QPalette::Mid));
    painter.drawLine(0, height() - 1, width() - 1, height() - 1);
    painter.drawRect(rect().adjusted(0, 0, -1, 0));
    QFont f = font();
    f.setBold(true);
    painter.setFont(f);
    painter.setPen(p.color(active ? QPalette::Active : QPalette::Inactive, QPalette::WindowText));
    const QRect text = rect().adjusted(kTitleHeight, 0, -kTitleHeight, 0);
    painter.drawText(
        text, Qt::AlignCenter,
        fontMetrics().elidedText(dialog_->windowTitle(), Qt::ElideRight, text.width()));
  }

  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && dialog_->windowHandle())
      dialog_->windowHandle()->startSystemMove();
  }

  void changeEvent(QEvent* event) override {
    if (event->type() == QEvent::ActivationChange) update();
    QWidget::changeEvent(event);
  }

 private:
  void Place() {
    setGeometry(0, 0, dialog_->width(), kTitleHeight);
    const int side = kTitleHeight - 6;
    close_->setGeometry(width() - side - 4, 3, side, side);
    raise();
  }

  QDialog* dialog_;
  QToolButton* close_;
};

bool QtDrawsTitleBars() {
  return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace

void MakeFixedDialog(QDialog* dialog) {
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint;
  if (!QtDrawsTitleBars() || HasOwnTitleBar(dialog)) {
    dialog->setWindowFlags(flags);
    return;
  }
  // Frameless alone: with any button hint Qt puts the title bar back.
  dialog->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::MSWindowsFixedSizeDialogHint);
  // Room for the bar: above a layout, or by moving the children placed by hand down.
  if (QLayout* layout = dialog->layout()) {
    QMargins m = layout->contentsMargins();
    m.setTop(m.top() + kTitleHeight);
    layout->setContentsMargins(m);
  } else {
    for (QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      child->move(child->x(), child->y() + kTitleHeight);
    if (dialog->minimumSize() == dialog->maximumSize())
      dialog->setFixedSize(dialog->width(), dialog->height() + kTitleHeight);
  }
  new OwnTitleBar(dialog);
}

bool HasOwnTitleBar(const QDialog* dialog) {
  return dialog->findChild<QWidget*>(QStringLiteral("OwnTitleBar"), Qt::FindDirectChildrenOnly) !=
         nullptr;
}

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, QMessageBox::Icon icon,
                                           const QString& caption, const QString& text,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton) {
  QMessageBox box(icon, caption, text, buttons, parent);
  if (defaultButton != QMessageBox::NoButton) box.setDefaultButton(defaultButton);
  MakeFixedDialog(&box);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}
