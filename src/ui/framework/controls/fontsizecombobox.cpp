#include "ui/framework/controls/fontsizecombobox.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QFocusEvent>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>
#include <limits>

#include "convert/exceptions.h"
#include "ui/framework/shell/application.h"

namespace {

// On Linux Qt names an editable drop-down after its text (a label beside it
// names it through a relation). This one has no label beside it: its
// accessible name is its own ("Taille de la police"), its text the value.
class SizeBoxAccessible : public QAccessibleWidget {
 public:
  explicit SizeBoxAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return Box()->currentText();
    return QAccessibleWidget::text(t);  // the name and description set on the box
  }
  // The drop-down list and the text field, as Qt's own drop-downs show them.
  int childCount() const override { return static_cast<int>(Parts().size()); }
  QAccessibleInterface* child(int index) const override {
    const QList<QObject*> parts = Parts();
    return index >= 0 && index < parts.size() ? QAccessible::queryAccessibleInterface(parts[index])
                                              : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child ? static_cast<int>(Parts().indexOf(child->object())) : -1;
  }
  QStringList actionNames() const override {
    return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& name) override {
    if (name == showMenuAction())
      Box()->showPopup();
    else
      QAccessibleWidget::doAction(name);
  }

 private:
  QComboBox* Box() const { return static_cast<QComboBox*>(widget()); }
  QList<QObject*> Parts() const {
    QList<QObject*> parts;
    if (Box()->view()) parts << Box()->view();
    if (Box()->lineEdit()) parts << Box()->lineEdit();
    return parts;
  }
};

QAccessibleInterface* SizeBoxFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("TLMDFontSizeComboBox") && object && object->isWidgetType())
    return new SizeBoxAccessible(static_cast<QComboBox*>(object));
  return nullptr;
}

}  // namespace

TLMDFontSizeComboBox::TLMDFontSizeComboBox(QWidget* parent) : QComboBox(parent) {
  static const bool named = (QAccessible::installFactory(SizeBoxFactory), true);
  (void)named;
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);  // Enter must not add the typed text to the list
  setCompleter(nullptr);                 // typed text stays as typed; every edit is one change
  connect(lineEdit(), &QLineEdit::textEdited, this, [this] {
    if (!setting_) emit Changed();
  });
  connect(this, qOverload<int>(&QComboBox::activated), this, [this] {
    if (!setting_) emit Changed();
  });
  SetFontName(QStringLiteral("MS Sans Serif"));
}

void TLMDFontSizeComboBox::SetFontName(const QString& name) {
  fontName_ = name;
  CreateFontSizeList();
}

void TLMDFontSizeComboBox::CreateFontSizeList() {
  const QString keep = currentText();
  const bool old = setting_;
  setting_ = true;
  clear();
  if (!fontName_.isEmpty()) {
    // The face the requested name resolves to on this system; Linux has no
    // "MS Sans Serif" but substitutes a face whose sizes the user can pick.
    const QString family = QFontInfo(QFont(fontName_)).family();
    QList<int> sizes;
    if (QFontDatabase::isSmoothlyScalable(family) || QFontDatabase::isScalable(family)) {
      sizes = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
    } else {
      for (int s : QFontDatabase::pointSizes(family))
        if (s > 0 && !sizes.contains(s))
          sizes.insert(std::upper_bound(sizes.begin(), sizes.end(), s), s);
    }
    for (int s : sizes) addItem(QString::number(s));
  }
  setEditText(keep);
  setting_ = old;
}

int TLMDFontSizeComboBox::CheckValue(int size) const {
  if (size < 1 || size > 999 || fontName_.isEmpty()) return DefaultSize;
  return size;
}

void TLMDFontSizeComboBox::SetSelected(int size) {
  if (fontName_.isEmpty()) {
    setting_ = true;
    setEditText(QString());
    setting_ = false;
    return;
  }
  const int value = CheckValue(size);
  const QString text = QString::number(value);
  setting_ = true;
  const int index = findText(text, Qt::MatchFixedString);  // case-insensitive, whole text
  setCurrentIndex(index);
  setEditText(text);
  setting_ = false;
  emit Changed();
}

bool TLMDFontSizeComboBox::ParseInt(const QString& text, int* out) {
  if (text.isEmpty()) return false;
  int i = 0;
  bool negative = false;
  if (text[0] == u'+' || text[0] == u'-') {
    negative = text[0] == u'-';
    i = 1;
  }
  if (i >= text.size()) return false;
  long long value = 0;
  for (; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c < u'0' || c > u'9') return false;
    value = value * 10 + (c.unicode() - u'0');
    if (value > static_cast<long long>(std::numeric_limits<int>::max()) + 1) return false;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
    return false;
  *out = static_cast<int>(value);
  return true;
}

int TLMDFontSizeComboBox::GetSelected() const {
  int value = -1;
  return ParseInt(currentText(), &value) ? value : -1;
}

bool TLMDFontSizeComboBox::IsValidChar(QChar c) const {
  if (fontName_.isEmpty() || !EditorEnabled) return false;
  return c == u'+' || c == u'-' || (c >= u'0' && c <= u'9') || c.unicode() < 32;
}

void TLMDFontSizeComboBox::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    e->accept();  // offered to the window as a dialog key, which has none: dropped
    return;
  }
  // X11 gives Delete the text U+007F; it types no character, as elsewhere.
  const QString text = e->key() == Qt::Key_Delete ? QString() : e->text();
  for (QChar c : text) {
    if (!IsValidChar(c)) {
      QApplication::beep();
      e->accept();
      return;
    }
  }
  QComboBox::keyPressEvent(e);
}

void TLMDFontSizeComboBox::CMExit() {
  if (!EditorEnabled || fontName_.isEmpty()) return;
  const QString text = currentText();
  if (text.isEmpty()) {
    SetSelected(-1);
    return;
  }
  int value = 0;
  if (!ParseInt(text, &value))
    throw quorlin::EConvertError("'" + text.toStdString() + "' is not a valid integer value");
  SetSelected(value);
}

void TLMDFontSizeComboBox::focusOutEvent(QFocusEvent* e) {
  // The base class matches a finished edit against the list and reports it
  // as a pick; leaving fires the change event once, through CMExit, instead.
  setting_ = true;
  QComboBox::focusOutEvent(e);
  setting_ = false;
  // Only a move to another control counts; opening the list, switching to
  // another program, or Alt taking the menu bar, leaves the typed text alone.
  if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason ||
      e->reason() == Qt::MenuBarFocusReason)
    return;
  RunHandler([this] { CMExit(); });
}
