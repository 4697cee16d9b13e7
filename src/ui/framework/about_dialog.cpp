#include "ui/framework/about_dialog.h"

#include <QApplication>
#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <memory>

#include "ui/framework/platform.h"

namespace {

// A name line drawn sunken: a light copy one pixel down and right, the text above it in shadow.
class SunkenLabel : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Light));
    painter.drawText(rect().translated(1, 1), Qt::AlignLeft | Qt::AlignTop, text());
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop, text());
  }
};

QFont WindowFont() { return QFont(QStringLiteral("MS Sans Serif"), 8); }

}  // namespace

TLMDAboutLink::TLMDAboutLink(const QString& target, QWidget* parent) : QLabel(target, parent), target_(target) {
  setCursor(Qt::PointingHandCursor);
  setTextFormat(Qt::PlainText);
  QFont f = WindowFont();
  f.setUnderline(true);
  setFont(f);
  Restyle();
}

QString TLMDAboutLink::UrlText() const {
  return target_.contains(QLatin1Char('@')) ? QStringLiteral("mailto:") + target_ : target_;
}

void TLMDAboutLink::Restyle() {
  QPalette p = palette();
  p.setColor(QPalette::WindowText, visited_ ? QColor(128, 0, 128) : QColor(0, 0, 255));
  setPalette(p);
}

void TLMDAboutLink::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    visited_ = true;
    Restyle();
  }
}

void TLMDAboutLink::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) return;
  platform::OpenDocument(QUrl(UrlText()), this, [this](int result) {
    if (result <= 32) setEnabled(false);
  });
}

QPixmap AboutPicture(const QPixmap& icon) {
  const int w = icon.width() * 2 + 8;
  const int h = icon.height() * 2 + 8;
  QPixmap picture(w, h);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  const QColor grey(128, 128, 128);
  painter.fillRect(QRect(6, h - 6, w - 6, 6), grey);  // shadow under
  painter.fillRect(QRect(w - 6, 6, 6, h - 6), grey);  // shadow at the right
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  // Icon in pixels 1 .. w-7, frame on 0 and w-6 (right and bottom ends excluded, as GDI counts them).
  painter.drawPixmap(QRect(QPoint(1, 1), QPoint(w - 6 - 1, h - 6 - 1)), icon);
  painter.setPen(QPen(Qt::black, 1));
  painter.drawRect(QRect(0, 0, w - 6, h - 6));  // a 1-pixel outline spans x .. x + width
  return picture;
}

TLMDAboutDlg::TLMDAboutDlg(QObject* owner) : QObject(owner) { setObjectName(QStringLiteral("AboutDlg")); }

QDialog* TLMDAboutDlg::Build(QWidget* parent) const {
  auto* box = new QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
  box->setObjectName(QStringLiteral("AboutBox"));
  box->setWindowTitle(QStringLiteral("Info ") + QApplication::applicationDisplayName() + QStringLiteral("..."));
  box->setFont(WindowFont());
  constexpr int kWidth = 440;
  constexpr int kColumn = 128;
  const int columnWidth = kWidth - 6 - kColumn;

  auto* picture = new QLabel(box);
  picture->setObjectName(QStringLiteral("Picture"));
  picture->setGeometry(15, 7, 105, 105);
  picture->setScaledContents(true);
  picture->setPixmap(AboutPicture(QApplication::windowIcon().pixmap(32, 32)));

  const TVersionRecord* record = UseResInfo ? Record : nullptr;
  int y = 24;
  // Places one text line at y and moves y below it; an empty text takes no room.
  auto place = [&](QLabel* label, int gap) {
    if (label->text().isEmpty()) {
      label->hide();
      return;
    }
    label->setWordWrap(false);
    const int height = label->fontMetrics().boundingRect(QRect(0, 0, columnWidth, 10000), 0, label->text()).height();
    label->setGeometry(kColumn, y, columnWidth, height);
    y += height + gap;
  };
  auto makeLabel = [&](const QString& name, const QString& text, QFont font, bool bold) {
    auto* label = name == QLatin1String("Name") ? new SunkenLabel(text, box) : new QLabel(text, box);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    font.setBold(bold);
    label->setFont(font);
    return label;
  };

  QString name = Appname;
  if (name.isEmpty() && record) name = record->String(QStringLiteral("ProductName"));
  QLabel* nameLine = makeLabel(QStringLiteral("Name"), name, QFont(QStringLiteral("Arial"), AppNameSize), true);
  place(nameLine, 10);
  y = std::max(y, 112);
  place(makeLabel(QStringLiteral("Version"),
                  QStringLiteral("Version ") + (record ? VersionText(record->fileVersion) : QString()),
                  WindowFont(), true),
        4);
  place(makeLabel(QStringLiteral("Description"), record ? record->String(QStringLiteral("FileDescription")) : QString(),
                  WindowFont(), false),
        24);
  place(makeLabel(QStringLiteral("Copyright"),
                  QStringLiteral("\n") + (record ? record->String(QStringLiteral("LegalCopyright")) : QString()),
                  WindowFont(), false),
        1);
  auto placeLink = [&](const QString& objectName, const QString& target, int gap) {
    auto* link = new TLMDAboutLink(target, box);
    link->setObjectName(objectName);
    if (target.isEmpty()) {  // hidden, but its gap stays
      link->hide();
      y += gap;
      return;
    }
    place(link, gap);
  };
  placeLink(QStringLiteral("Jump"), Jump, EMail.isEmpty() ? 6 : 3);
  placeLink(QStringLiteral("EMail"), EMail, 6);

  auto* rule = new QFrame(box);
  rule->setObjectName(QStringLiteral("Rule"));
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  rule->setGeometry(kColumn, y, columnWidth, 2);
  y += 9;

  auto* left = new QLabel(QStringLiteral("Available Memory:\nPlatform, CPU:"), box);
  left->setObjectName(QStringLiteral("SystemLeft"));
  auto* right = new QLabel(QStringLiteral("%1 KB\n%2x %3 or compatible")
                               .arg(platform::PhysicalMemoryBytes() / 1024)
                               .arg(platform::ProcessorCount())
                               .arg(platform::ProcessorName()),
                           box);
  right->setObjectName(QStringLiteral("SystemRight"));
  for (QLabel* block : {left, right}) block->setTextFormat(Qt::PlainText);
  // A long processor name ("Intel(R) Core(TM) i7-10750H CPU @ 2.60GHz") goes
  // on over more lines rather than being cut at the box's edge.
  const int rightWidth = std::max(0, columnWidth - 150);
  right->setWordWrap(true);
  const int leftHeight = left->sizeHint().height();
  const int rightHeight = std::max(right->heightForWidth(rightWidth), leftHeight);
  left->setGeometry(kColumn, y, 150, leftHeight);
  right->setGeometry(kColumn + 150, y, rightWidth, rightHeight);
  y += std::max(leftHeight, rightHeight) + 24;

  auto* ok = new QPushButton(QStringLiteral("OK"), box);
  ok->setObjectName(QStringLiteral("OK"));
  ok->setDefault(true);
  ok->setAutoDefault(true);
  const QSize okSize(75, 25);
  ok->setGeometry(kWidth - 6 - okSize.width(), y, okSize.width(), okSize.height());
  QObject::connect(ok, &QPushButton::clicked, box, &QDialog::accept);  // Escape rejects: closes too
  ok->setFocus();

  box->setFixedSize(kWidth, y + okSize.height() + 6);
  return box;
}

void TLMDAboutDlg::Execute(QWidget* parent) const {
  std::unique_ptr<QDialog> box(Build(parent));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    box->move(area.center() - QPoint(box->width() / 2, box->height() / 2));
  }
  box->exec();
}
