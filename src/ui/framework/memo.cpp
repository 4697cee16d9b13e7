#include "ui/framework/memo.h"

#include <QFocusEvent>
#include <QFont>
#include <QKeyEvent>
#include <QMimeData>
#include <QPalette>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "convert/cp1252.h"

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setTabChangesFocus(true);
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
  ShowSelection(false);
}

TMemo::~TMemo() = default;

QString TMemo::Decode(std::string_view bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (unsigned char c : bytes) {
    if (c < 0x80 || c >= 0xA0)
      text.append(QChar(static_cast<char16_t>(c)));
    else
      text.append(QChar(static_cast<char16_t>(quorlin::Cp1252ToUnicode(c))));
  }
  return text;
}

std::string TMemo::Encode(const QString& text, int* replaced) {
  std::string out;
  out.resize(static_cast<std::size_t>(text.size()));
  std::size_t n = 0;
  int lost = 0;
  const QChar* p = text.constData();
  const qsizetype size = text.size();
  for (qsizetype i = 0; i < size; ++i) {
    const char16_t u = p[i].unicode();
    if (u != 0 && (u < 0x80 || (u >= 0xA0 && u <= 0xFF))) {
      out[n++] = static_cast<char>(u);
      continue;
    }
    char32_t cp = u;
    if (QChar::isHighSurrogate(u) && i + 1 < size && QChar::isLowSurrogate(p[i + 1].unicode())) {
      cp = QChar::surrogateToUcs4(u, p[i + 1].unicode());
      ++i;
    }
    const int b = cp == 0 ? -1 : quorlin::UnicodeToCp1252(cp);
    if (b < 0) {
      out[n++] = '?';
      ++lost;
    } else {
      out[n++] = static_cast<char>(b);
    }
  }
  out.resize(n);
  if (replaced) *replaced = lost;
  return out;
}

QString TMemo::Sanitize(const QString& text, int* replaced) {
  QString unified;
  unified.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c == u'\r') {
      unified.append(u'\n');
      if (i + 1 < text.size() && text.at(i + 1) == u'\n') ++i;
    } else if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) {
      unified.append(u'\n');
    } else {
      unified.append(c);
    }
  }
  // Round trip through the code page replaces what it cannot hold.
  const std::string bytes = Encode(unified, replaced);
  return Decode(bytes);
}

int TMemo::Count() const {
  const QTextDocument* doc = document();
  const int blocks = doc->blockCount();
  if (doc->lastBlock().length() <= 1) return blocks - 1;  // empty last piece
  return blocks;
}

void TMemo::GetInto(int index, std::string& out) const {
  out.clear();
  if (index < 0) return;
  const QTextBlock block = document()->findBlockByNumber(index);
  if (!block.isValid()) return;
  out = Encode(block.text());
}

int TMemo::Add(std::string_view line) {
  const int before = Count();
  line = line.substr(0, std::min(line.size(), line.find('\0')));
  const QString text = Decode(line);
  std::unique_ptr<QTextCursor> local;
  QTextCursor* cursor = batch_.get();
  if (!cursor) {
    local = std::make_unique<QTextCursor>(document());
    cursor = local.get();
  }
  cursor->movePosition(QTextCursor::End);
  const bool endsWithBreak = document()->lastBlock().length() <= 1;
  if (endsWithBreak) {
    cursor->insertText(text);
    cursor->insertBlock();
  } else {
    cursor->insertBlock();
    cursor->insertText(text);
  }
  return before;
}

std::string TMemo::Text() const {
  std::string out;
  std::string line;
  bool first = true;
  for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
    if (!first) out.append("\r\n");
    first = false;
    line = Encode(b.text());
    out.append(line);
  }
  return out;
}

void TMemo::SetText(std::string_view text) {
  text = text.substr(0, std::min(text.size(), text.find('\0')));
  int lost = 0;
  setPlainText(Sanitize(Decode(text), &lost));
}

void TMemo::Clear() { clear(); }

bool TMemo::IsEmpty() const { return document()->isEmpty(); }

void TMemo::BeginUpdate() {
  if (updateDepth_++ == 0) {
    batch_ = std::make_unique<QTextCursor>(document());
    batch_->beginEditBlock();
  }
}

void TMemo::EndUpdate() {
  if (updateDepth_ == 0) return;
  if (--updateDepth_ == 0) {
    batch_->endEditBlock();
    batch_.reset();
  }
}

int TMemo::SelLength() const {
  const QTextCursor c = textCursor();
  if (!c.hasSelection()) return 0;
  // Each paragraph break counts as CR LF.
  const QString selected = c.selectedText();
  return static_cast<int>(selected.size() + selected.count(QChar::ParagraphSeparator));
}

void TMemo::SetFontSize(int points) {
  QFont f = font();
  f.setPointSize(points);
  setFont(f);
}

void TMemo::Report(int replaced) {
  if (replaced <= 0 || !OnLostCharacters) return;
  OnLostCharacters(
      replaced == 1
          ? QStringLiteral("1 caractère sans équivalent en Windows-1252 a été remplacé par « ? ».")
          : QStringLiteral("%1 caractères sans équivalent en Windows-1252 ont été remplacés par « ? ».")
                .arg(replaced));
}

void TMemo::insertFromMimeData(const QMimeData* source) {
  if (!source || !source->hasText() || isReadOnly()) return;
  int lost = 0;
  const QString clean = Sanitize(source->text(), &lost);
  textCursor().insertText(clean);
  ensureCursorVisible();
  Report(lost);
}

void TMemo::keyPressEvent(QKeyEvent* event) {
  const QString typed = event->text();
  if (!isReadOnly() && !typed.isEmpty() && typed.at(0).isPrint() &&
      !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    int lost = 0;
    const QString clean = Sanitize(typed, &lost);
    if (lost > 0) {
      textCursor().insertText(clean);
      Report(lost);
      event->accept();
      return;
    }
  }
  QPlainTextEdit::keyPressEvent(event);
}

void TMemo::ShowSelection(bool visible) {
  QPalette p = palette();
  if (visible) {
    p.setBrush(QPalette::Inactive, QPalette::Highlight, p.brush(QPalette::Active, QPalette::Highlight));
    p.setBrush(QPalette::Inactive, QPalette::HighlightedText,
               p.brush(QPalette::Active, QPalette::HighlightedText));
  } else {
    p.setBrush(QPalette::Inactive, QPalette::Highlight, p.brush(QPalette::Inactive, QPalette::Base));
    p.setBrush(QPalette::Inactive, QPalette::HighlightedText, p.brush(QPalette::Inactive, QPalette::Text));
  }
  setPalette(p);
}

void TMemo::focusInEvent(QFocusEvent* event) {
  QPlainTextEdit::focusInEvent(event);
  viewport()->update();
}

void TMemo::focusOutEvent(QFocusEvent* event) {
  QPlainTextEdit::focusOutEvent(event);
  viewport()->update();
}
