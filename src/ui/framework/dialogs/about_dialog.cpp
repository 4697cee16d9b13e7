#include "ui/framework/dialogs/about_dialog.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <memory>

#include "ui/framework/desktop/platform.h"
#include "ui/framework/dialogs/fixed_dialog.h"

namespace {

// A name line drawn sunken: a light copy one pixel down and right, the text above
// it in the shadow colour, made readable on the window's ground.
class SunkenLabel : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setFont(font());
    const QPalette& p = palette();
    painter.setPen(p.color(QPalette::Light));
    painter.drawText(rect().translated(1, 1), Qt::AlignLeft | Qt::AlignTop, text());
    painter.setPen(ReadableOn(p.color(QPalette::Dark), p.color(QPalette::Window)));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop, text());
  }
};

// The picture, drawn anew for the screen it is on and the palette it has.
class PictureLabel : public QLabel {
 public:
  PictureLabel(const QIcon& icon, const QRect& place, QWidget* parent)
      : QLabel(parent), icon_(icon) {
    setGeometry(place);
    Refresh();
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    Refresh();
    QLabel::paintEvent(event);
  }

 private:
  void Refresh() {
    const qreal dpr = devicePixelRatioF();
    if (drawnAt_ == dpr && drawnWith_ == palette().cacheKey()) return;
    drawnAt_ = dpr;
    drawnWith_ = palette().cacheKey();
    setPixmap(AboutPicture(icon_, width(), dpr, palette()));
  }

  QIcon icon_;
  qreal drawnAt_ = 0;
  qint64 drawnWith_ = 0;
};

QFont WindowFont() { return QFont(QStringLiteral("MS Sans Serif"), 8); }

double Luminance(const QColor& c) {
  auto linear = [](double v) {
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Screen readers see the link as a link that can be pressed.
class AboutLinkAccessible : public QAccessibleWidget {
 public:
  explicit AboutLinkAccessible(TLMDAboutLink* link) : QAccessibleWidget(link, QAccessible::Link) {}
  QStringList actionNames() const override {
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& name) override {
    if (name == pressAction())
      static_cast<TLMDAboutLink*>(widget())->Activate();
    else
      QAccessibleWidget::doAction(name);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.linked = true;
    s.traversed = static_cast<TLMDAboutLink*>(widget())->Visited();
    return s;
  }
};

QAccessibleInterface* AboutLinkFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("TLMDAboutLink") && object && object->isWidgetType())
    return new AboutLinkAccessible(static_cast<TLMDAboutLink*>(object));
  return nullptr;
}

}  // namespace

QColor ReadableOn(const QColor& text, const QColor& ground, double ratio) {
  if (Contrast(text, ground) >= ratio) return text;
  // Towards white or towards black, whichever leaves more room on this ground.
  const double lg = Luminance(ground);
  const double step = (1.05 / (lg + 0.05) > (lg + 0.05) / 0.05) ? 0.01 : -0.01;
  float h, s, l, a;
  text.getHslF(&h, &s, &l, &a);
  if (h < 0) h = 0;  // grey
  QColor c = text;
  while (Contrast(c, ground) < ratio && (step > 0 ? l < 1 : l > 0)) {
    l = std::clamp(l + static_cast<float>(step), 0.0f, 1.0f);
    c = QColor(QColor::fromHslF(h, s, l, a).rgba());  // measured as it will be drawn: 8 bits
  }
  return c;
}

TLMDAboutLink::TLMDAboutLink(const QString& target, QWidget* parent)
    : QLabel(target, parent), target_(target) {
  static const bool installed = (QAccessible::installFactory(AboutLinkFactory), true);
  (void)installed;
  setCursor(Qt::PointingHandCursor);
  setTextFormat(Qt::PlainText);
  setFocusPolicy(Qt::TabFocus);  // a click does not take the focus from OK
  QFont f = WindowFont();
  f.setUnderline(true);
  setFont(f);
  if (target.contains(QLatin1Char('@'))) {
    setAccessibleName(QStringLiteral("Courriel : ") + target);
    setAccessibleDescription(QStringLiteral("Écrire un courriel à cette adresse"));
  } else {
    setAccessibleName(QStringLiteral("Site web : ") + target);
    setAccessibleDescription(QStringLiteral("Ouvrir ce site dans le navigateur"));
  }
}

QString TLMDAboutLink::UrlText() const {
  return target_.contains(QLatin1Char('@')) ? QStringLiteral("mailto:") + target_ : target_;
}

void TLMDAboutLink::Activate() {
  if (!isEnabled()) return;
  visited_ = true;
  update();
  platform::OpenDocument(QUrl(UrlText()), this, [this](int result) {
    if (result <= 32) setEnabled(false);
  });
}

void TLMDAboutLink::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& p = palette();
  const QColor ground = p.color(QPalette::Window);
  QColor ink = p.color(QPalette::Disabled, QPalette::WindowText);
  if (isEnabled())
    ink = ReadableOn(p.color(visited_ ? QPalette::LinkVisited : QPalette::Link), ground);
  painter.setPen(ink);
  painter.setFont(font());
  const QRect text =
      style()->itemTextRect(fontMetrics(), contentsRect(), alignment(), true, this->text());
  painter.drawText(text, alignment(), this->text());
  if (hasFocus()) {
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = text.adjusted(-1, 0, 1, 0);
    option.backgroundColor = ground;
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
  }
}

void TLMDAboutLink::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    visited_ = true;
    update();
  }
}

void TLMDAboutLink::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) return;
  Activate();
}

void TLMDAboutLink::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      if (!event->isAutoRepeat()) Activate();
      event->accept();
      return;
    default:
      QLabel::keyPressEvent(event);
  }
}

QPixmap AboutPicture(const QIcon& icon, int size, qreal dpr, const QPalette& palette) {
  QPixmap picture(QSize(size, size) * dpr);
  picture.setDevicePixelRatio(dpr);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  // In a 72-unit picture the shadow is 6 wide and the frame's far side at 66.
  const int band = qRound(size * 6.0 / 72.0);
  const int far = size - band;  // the frame's right and bottom side
  painter.fillRect(QRect(band, far, size - band, band), palette.color(QPalette::Shadow));
  painter.fillRect(QRect(far, band, band, size - band), palette.color(QPalette::Shadow));
  const QColor frame = palette.color(QPalette::WindowText);
  painter.fillRect(QRect(0, 0, far + 1, 1), frame);
  painter.fillRect(QRect(0, far, far + 1, 1), frame);
  painter.fillRect(QRect(0, 0, 1, far + 1), frame);
  painter.fillRect(QRect(far, 0, 1, far + 1), frame);
  // The icon at the picture's own resolution: an SVG icon is drawn, not scaled.
  const QRect inside(1, 1, far - 1, far - 1);
  painter.drawPixmap(inside, icon.pixmap(inside.size(), dpr));
  return picture;
}

TLMDAboutDlg::TLMDAboutDlg(QObject* owner) : QObject(owner) {
  setObjectName(QStringLiteral("AboutDlg"));
}

namespace {

constexpr int kBoxWidth = 440;
constexpr int kColumn = 128;  // the text column's left edge, right of the picture
constexpr int kColumnWidth = kBoxWidth - 6 - kColumn;

// The text column, filled from the top: each line is placed at the current
// position and moves it down by its height and the gap after it.
class Column {
 public:
  explicit Column(QDialog* box) : box_(box) {}
  int Y() const { return y_; }
  void MoveDownTo(int y) { y_ = std::max(y_, y); }

  // A text line; an empty one takes no room, nor its gap.
  void Line(QLabel* label, int gap) {
    if (label->text().isEmpty()) {
      label->hide();
      return;
    }
    label->setWordWrap(false);
    const int height = label->fontMetrics()
                           .boundingRect(QRect(0, 0, kColumnWidth, 10000), 0, label->text())
                           .height();
    label->setGeometry(kColumn, y_, kColumnWidth, height);
    y_ += height + gap;
  }
  QLabel* Label(const QString& name, const QString& text, QFont font, bool bold) const {
    auto* label =
        name == QLatin1String("Name") ? new SunkenLabel(text, box_) : new QLabel(text, box_);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    font.setBold(bold);
    label->setFont(font);
    return label;
  }
  // A link line; an empty target hides the link but keeps its gap.
  void Link(const QString& objectName, const QString& target, int gap) {
    auto* link = new TLMDAboutLink(target, box_);
    link->setObjectName(objectName);
    if (target.isEmpty()) {
      link->hide();
      y_ += gap;
      return;
    }
    Line(link, gap);
  }
  void Rule() {
    auto* rule = new QFrame(box_);
    rule->setObjectName(QStringLiteral("Rule"));
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    rule->setGeometry(kColumn, y_, kColumnWidth, 2);
    y_ += 9;
  }
  void SystemSummary();
  // The OK button, closing the box; returns the box's client height.
  int OkButton();

 private:
  QDialog* box_;
  int y_ = 24;
};

void Column::SystemSummary() {
  auto* left = new QLabel(QStringLiteral("Available Memory:\nPlatform, CPU:"), box_);
  left->setObjectName(QStringLiteral("SystemLeft"));
  auto* right = new QLabel(QStringLiteral("%1 KB\n%2x %3 or compatible")
                               .arg(platform::PhysicalMemoryBytes() / 1024)
                               .arg(platform::ProcessorCount())
                               .arg(platform::ProcessorName()),
                           box_);
  right->setObjectName(QStringLiteral("SystemRight"));
  for (QLabel* block : {left, right}) block->setTextFormat(Qt::PlainText);
  // A long processor name ("Intel(R) Core(TM) i7-10750H CPU @ 2.60GHz") goes
  // on over more lines rather than being cut at the box's edge.
  const int rightWidth = std::max(0, kColumnWidth - 150);
  right->setWordWrap(true);
  const int leftHeight = left->sizeHint().height();
  const int rightHeight = std::max(right->heightForWidth(rightWidth), leftHeight);
  left->setGeometry(kColumn, y_, 150, leftHeight);
  right->setGeometry(kColumn + 150, y_, rightWidth, rightHeight);
  y_ += std::max(leftHeight, rightHeight) + 24;
}

int Column::OkButton() {
  auto* ok = new QPushButton(QStringLiteral("OK"), box_);
  ok->setObjectName(QStringLiteral("OK"));
  ok->setDefault(true);
  ok->setAutoDefault(true);
  const QSize okSize(75, 25);
  ok->setGeometry(kBoxWidth - 6 - okSize.width(), y_, okSize.width(), okSize.height());
  QObject::connect(ok, &QPushButton::clicked, box_,
                   &QDialog::accept);  // Escape rejects: closes too
  ok->setFocus();
  return y_ + okSize.height() + 6;
}

}  // namespace

QDialog* TLMDAboutDlg::Build(QWidget* parent) const {
  auto* box = new QDialog(parent);
  box->setObjectName(QStringLiteral("AboutBox"));
  box->setWindowTitle(QStringLiteral("Info ") + QApplication::applicationDisplayName() +
                      QStringLiteral("..."));
  box->setFont(WindowFont());
  auto* picture = new PictureLabel(QApplication::windowIcon(), QRect(15, 7, 105, 105), box);
  picture->setObjectName(QStringLiteral("Picture"));
  picture->setAccessibleName(QStringLiteral("Icône de ") + QApplication::applicationDisplayName());

  const TVersionRecord* record = UseResInfo ? Record : nullptr;
  const auto recordText = [record](const char16_t* key) {
    return record ? record->String(QString::fromUtf16(key)) : QString();
  };
  QString name = Appname;
  if (name.isEmpty()) name = recordText(u"ProductName");

  Column column(box);
  column.Line(
      column.Label(QStringLiteral("Name"), name, QFont(QStringLiteral("Arial"), AppNameSize), true),
      10);
  column.MoveDownTo(112);  // below the picture
  column.Line(column.Label(QStringLiteral("Version"),
                           QStringLiteral("Version ") +
                               (record ? VersionText(record->fileVersion) : QString()),
                           WindowFont(), true),
              4);
  column.Line(column.Label(QStringLiteral("Description"), recordText(u"FileDescription"),
                           WindowFont(), false),
              24);
  column.Line(
      column.Label(QStringLiteral("Copyright"),
                   QStringLiteral("\n") + recordText(u"LegalCopyright"), WindowFont(), false),
      1);
  column.Link(QStringLiteral("Jump"), Jump, EMail.isEmpty() ? 6 : 3);
  column.Link(QStringLiteral("EMail"), EMail, 6);
  column.Rule();
  column.SystemSummary();
  box->setFixedSize(kBoxWidth, column.OkButton());
  MakeFixedDialog(box);
  return box;
}

void TLMDAboutDlg::Execute(QWidget* parent) const {
  std::unique_ptr<QDialog> box(Build(parent));
  const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
  if (screen) {
    const QRect area = screen->availableGeometry();
    box->move(area.center() - QPoint(box->width() / 2, box->height() / 2));
  }
  box->exec();
}
