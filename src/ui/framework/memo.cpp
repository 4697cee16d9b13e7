#include "ui/framework/memo.h"

#include <QFocusEvent>
#include <QFont>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPalette>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <limits>

#include "convert/cp1252.h"
#include "ui/framework/platform.h"

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setTabChangesFocus(true);
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
  ShowSelection(false);
  connect(document(), &QTextDocument::contentsChange, this, [this](int from, int, int added) {
    lastIndex_ = -1;
    KeepGlyphsOfLongBlocks(from, added);
  });
}

TMemo::~TMemo() = default;

QString TMemo::Decode(std::string_view bytes) {
  QString text;
  DecodeAppend(bytes, text);
  return text;
}

void TMemo::DecodeAppend(std::string_view bytes, QString& out) {
  const qsizetype start = out.size();
  out.resize(start + static_cast<qsizetype>(bytes.size()));
  char16_t* p = reinterpret_cast<char16_t*>(out.data()) + start;
  for (unsigned char c : bytes)
    *p++ = (c < 0x80 || c >= 0xA0) ? c : static_cast<char16_t>(quorlin::Cp1252ToUnicode(c));
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

QString TMemo::Sanitize(const QString& text, int* replaced, bool* cut) {
  const qsizetype zero = text.indexOf(QChar(u'\0'));
  const qsizetype size = zero < 0 ? text.size() : zero;
  if (cut) *cut = zero >= 0;
  QString unified;
  unified.reserve(size);
  for (qsizetype i = 0; i < size; ++i) {
    const QChar c = text.at(i);
    if (c == u'\r') {
      unified.append(u'\n');
      if (i + 1 < size && text.at(i + 1) == u'\n') ++i;
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
  FlushPending();
  const QTextDocument* doc = document();
  const int blocks = doc->blockCount();
  if (doc->lastBlock().length() <= 1) return blocks - 1;  // empty last piece
  return blocks;
}

void TMemo::GetInto(int index, std::string& out) const {
  out.clear();
  if (index < 0) return;
  FlushPending();
  QTextBlock block;
  if (lastIndex_ >= 0 && index == lastIndex_ + 1 && lastBlock_.isValid())
    block = lastBlock_.next();
  else
    block = document()->findBlockByNumber(index);
  if (!block.isValid()) return;
  lastIndex_ = index;
  lastBlock_ = block;
  out = Encode(block.text());
}

namespace {
constexpr qsizetype kPendingChars = qsizetype{1} << 20;
}  // namespace

void TMemo::FlushPending() const {
  if (pending_.isEmpty()) return;
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  end.insertText(pending_);
  pending_.resize(0);  // keeps the buffer for the next piece
}

int TMemo::Add(std::string_view line) {
  line = line.substr(0, std::min(line.size(), line.find('\0')));
  // A line holding a CR or LF of its own splits into several blocks: take the
  // plain road for it.
  const bool plain = line.find_first_of("\r\n") == std::string_view::npos;
  if (updateDepth_ > 0 && plain) {
    const int before = pendingCount_;
    if (pendingEndsWithBreak_) {
      DecodeAppend(line, pending_);
      pending_.append(u'\n');
      ++pendingCount_;
    } else {
      pending_.append(u'\n');
      DecodeAppend(line, pending_);
      // An empty line after a last line without break ends the text with one.
      if (line.empty()) {
        pendingEndsWithBreak_ = true;
      } else {
        ++pendingCount_;
      }
    }
    if (pending_.size() >= kPendingChars) FlushPending();
    return before;
  }
  const int before = Count();
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  const bool endsWithBreak = document()->lastBlock().length() <= 1;
  if (endsWithBreak) {
    cursor.insertText(Decode(line));
    cursor.insertBlock();
  } else {
    cursor.insertBlock();
    cursor.insertText(Decode(line));
  }
  if (updateDepth_ > 0) {
    pendingCount_ = Count();
    pendingEndsWithBreak_ = document()->lastBlock().length() <= 1;
  } else {
    setTextCursor(cursor);
    ensureCursorVisible();
  }
  return before;
}

std::string TMemo::Text() const {
  FlushPending();
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
  pending_.clear();
  text = text.substr(0, std::min(text.size(), text.find('\0')));
  int lost = 0;
  setPlainText(Sanitize(Decode(text), &lost));
  if (updateDepth_ > 0) {
    pendingCount_ = Count();
    pendingEndsWithBreak_ = document()->lastBlock().length() <= 1;
  }
}

void TMemo::Clear() {
  pending_.clear();
  clear();
  pendingCount_ = 0;
  pendingEndsWithBreak_ = true;
}

bool TMemo::IsEmpty() const { return pending_.isEmpty() && document()->isEmpty(); }

void TMemo::BeginUpdate() {
  if (updateDepth_++ > 0) return;
  pendingCount_ = Count();
  pendingEndsWithBreak_ = document()->lastBlock().length() <= 1;
  // Nobody can undo in a read-only pane: recording the pass would only cost
  // time and keep a second copy of its text.
  pending_.reserve(kPendingChars + 4096);
  undoWasEnabled_ = document()->isUndoRedoEnabled();
  if (isReadOnly()) document()->setUndoRedoEnabled(false);
  setUpdatesEnabled(false);
}

void TMemo::EndUpdate() {
  if (updateDepth_ == 0) return;
  if (--updateDepth_ > 0) return;
  FlushPending();
  pending_ = QString();
  document()->setUndoRedoEnabled(undoWasEnabled_);
  setUpdatesEnabled(true);
  // As after each add: the caret after the text, scrolled into view.
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  setTextCursor(end);
  ensureCursorVisible();
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

void TMemo::Report(int replaced, bool cut) {
  if (replaced <= 0 && !cut) return;
  QStringList parts;
  if (cut)
    parts << QStringLiteral("Le texte contenait un caractère nul : seul ce qui le précède a été inséré.");
  if (replaced == 1)
    parts << QStringLiteral("1 caractère sans équivalent en Windows-1252 a été remplacé par « ? ».");
  else if (replaced > 1)
    parts << QStringLiteral("%1 caractères sans équivalent en Windows-1252 ont été remplacés par « ? ».")
                 .arg(replaced);
  emit LostCharacters(parts.join(u'\n'));
}

void TMemo::insertFromMimeData(const QMimeData* source) {
  if (!source || !source->hasText() || isReadOnly()) return;
  int lost = 0;
  bool cut = false;
  const QString clean = Sanitize(source->text(), &lost, &cut);
  textCursor().insertText(clean);
  ensureCursorVisible();
  Report(lost, cut);
}

void TMemo::keyPressEvent(QKeyEvent* event) {
  const QString typed = event->text();
  const bool character = !typed.isEmpty() && typed.at(0).unicode() >= 0x20 && typed.at(0).unicode() != 0x7F;
  if (!isReadOnly() && character && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    int lost = 0;
    const QString clean = Sanitize(typed, &lost);
    if (lost > 0) {
      textCursor().insertText(clean);
      Report(lost, false);
      event->accept();
      return;
    }
  }
  QPlainTextEdit::keyPressEvent(event);
}

// Text composed through an input method (dead keys, compose, IBus) arrives
// here rather than as a key press: the same rules apply to what it commits.
void TMemo::inputMethodEvent(QInputMethodEvent* event) {
  const QString committed = event->commitString();
  int lost = 0;
  bool cut = false;
  const QString clean = isReadOnly() ? committed : Sanitize(committed, &lost, &cut);
  if (clean == committed) {
    QPlainTextEdit::inputMethodEvent(event);
    return;
  }
  QInputMethodEvent storable(event->preeditString(), event->attributes());
  storable.setCommitString(clean, event->replacementStart(), event->replacementLength());
  QPlainTextEdit::inputMethodEvent(&storable);
  Report(lost, cut);
}

QMimeData* TMemo::SelectionAsPlainText() const {
  QString text = textCursor().selectedText();
  text.replace(QChar::ParagraphSeparator, u'\n');
  auto* data = new QMimeData;
  data->setText(text);
  return data;
}

QMimeData* TMemo::createMimeDataFromSelection() const { return SelectionAsPlainText(); }

qint64 TMemo::Capacity() const {
  if (capacityLimit_ >= 0) return capacityLimit_;
  // The document counts positions in int; beyond half of that its layout
  // arithmetic is not to be trusted.
  constexpr qint64 kDocumentLimit = std::numeric_limits<int>::max() / 2;
  constexpr qint64 kBytesPerCharacter = 12;  // text, blocks and layout, measured
  return std::min(kDocumentLimit, platform::AvailableMemoryBytes() / kBytesPerCharacter);
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
