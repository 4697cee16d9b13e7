#include "ui/framework/panes/memo.h"

#include <sys/mman.h>

#include <QFocusEvent>
#include <QFont>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPalette>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cstdint>
#include <limits>

#include "convert/exceptions.h"
#include "convert/text/text_codec.h"
#include "ui/framework/desktop/platform.h"

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

namespace {

std::u16string_view View(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

QString PaneText(std::string_view text) {
  QString out;
  AppendPaneText(text, out);
  return out;
}

// A buffer of many megabytes written once from end to end: on these virtual
// machines each first touch of a 4 KB page costs some 30 us, more than
// decoding it; huge pages take those faults 512 at a time (measured on
// fr.txt: 140 ms down to 45 ms). Only a hint, where the kernel takes it.
void AdviseHugePages(void* start, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kHuge = std::uintptr_t{1} << 21;
  const auto from = (reinterpret_cast<std::uintptr_t>(start) + kHuge - 1) & ~(kHuge - 1);
  const auto to = (reinterpret_cast<std::uintptr_t>(start) + bytes) & ~(kHuge - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)start;
  (void)bytes;
#endif
}

// Text that comes in, as the pane holds it.
QString Clean(const QString& text, bool* cut) {
  return QString::fromStdU16String(quorlin::NormalizePaneText(View(text), cut));
}

// Whether line-list text holds a line break of the pane's.
bool HasBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos ||
         text.find("\xe2\x80\xa8") != std::string_view::npos ||
         text.find("\xe2\x80\xa9") != std::string_view::npos;
}

}  // namespace

int TMemo::Count() const {
  FlushPending();
  return LineCount(*document());
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
  quorlin::AppendUtf8(View(block.text()), out);
}

void TMemo::FlushPending() const { batch_.MoveTo(*document()); }

int TMemo::Add(std::string_view line) {
  line = line.substr(0, std::min(line.size(), line.find('\0')));
  // A line holding a line break of its own splits into several blocks: take the
  // plain road for it.
  if (updateDepth_ > 0 && !HasBreak(line)) {
    const int before = batch_.Add(line);
    if (batch_.Full()) FlushPending();
    return before;
  }
  const int before = Count();
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  const bool endsWithBreak = document()->lastBlock().length() <= 1;
  if (endsWithBreak) {
    cursor.insertText(PaneText(line));
    cursor.insertBlock();
  } else {
    cursor.insertBlock();
    cursor.insertText(PaneText(line));
  }
  if (updateDepth_ > 0) {
    batch_.Start(*document());
  } else {
    setTextCursor(cursor);
    ensureCursorVisible();
  }
  return before;
}

std::string TMemo::Text() const {
  FlushPending();
  std::string out;
  bool first = true;
  for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
    if (!first) out.append("\r\n");
    first = false;
    quorlin::AppendUtf8(View(b.text()), out);
  }
  return out;
}

void TMemo::SetText(std::string_view text) {
  setPlainText(PaneText(text));  // ends at a zero byte
  if (updateDepth_ > 0) batch_.Start(*document());
}

quorlin::LoadReport TMemo::LoadFile(const std::string& path) {
  quorlin::TextReadOptions options;
  options.restartable = true;  // the text is built aside
  quorlin::TextFileReader reader(path, options);
  // Past the free memory the system would end the program, and the typed text with it.
  const qint64 capacity = Capacity();
  const auto refuseIfOver = [capacity](qint64 size) {
    if (size > capacity) throw quorlin::EInvalidOperation("Text exceeds memo capacity");
  };
  if (reader.IsRegularFile()) refuseIfOver(static_cast<qint64>(reader.FileSize()));
  // Decoded straight into the text the document takes.
  using Decoder = quorlin::TextDecoder<char16_t>;
  Decoder decoder(quorlin::TextEncoding::Cp1252);
  QString text;
  if (reader.IsRegularFile()) {
    text.reserve(static_cast<qsizetype>(reader.FileSize()) + 16);
    AdviseHugePages(text.data(), static_cast<std::size_t>(text.capacity()) * sizeof(char16_t));
  }
  const auto append = [&](std::string_view piece) {
    const qsizetype at = text.size();
    text.resize(at + static_cast<qsizetype>(Decoder::MaxOutput(piece.size())));
    char16_t* const start = reinterpret_cast<char16_t*>(text.data());
    const char16_t* end = piece.empty() ? decoder.Finish(start + at)
                                        : decoder.Feed(piece.data(), piece.size(), start + at);
    text.resize(end - start);
  };
  for (;;) {
    const std::string_view piece = reader.Next();
    if (reader.Restarted()) {  // not UTF-8 after all
      text.resize(0);
      decoder = Decoder(quorlin::TextEncoding::Cp1252);
    }
    if (piece.empty()) break;
    decoder.SetEncoding(reader.Encoding());
    append(piece);
    refuseIfOver(text.size());  // a pipe or device has no size beforehand
  }
  append({});
  setPlainText(text);
  if (updateDepth_ > 0) batch_.Start(*document());
  return reader.Report();
}

void TMemo::Clear() {
  clear();
  if (updateDepth_ > 0) batch_.Start(*document());
}

bool TMemo::IsEmpty() const { return batch_.IsEmpty() && document()->isEmpty(); }

void TMemo::BeginUpdate() {
  if (updateDepth_++ > 0) return;
  batch_.Start(*document());
  // Nobody can undo in a read-only pane: recording the pass would only cost
  // time and keep a second copy of its text.
  undoWasEnabled_ = document()->isUndoRedoEnabled();
  if (isReadOnly()) document()->setUndoRedoEnabled(false);
  setUpdatesEnabled(false);
}

void TMemo::EndUpdate() {
  if (updateDepth_ == 0) return;
  if (--updateDepth_ > 0) return;
  FlushPending();
  batch_.Release();
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

void TMemo::Report(bool cut) {
  if (cut)
    emit LostCharacters(QStringLiteral(
        "Le texte contenait un caractère nul : seul ce qui le précède a été inséré."));
}

void TMemo::insertFromMimeData(const QMimeData* source) {
  if (!source || !source->hasText() || isReadOnly()) return;
  bool cut = false;
  const QString clean = Clean(source->text(), &cut);
  textCursor().insertText(clean);
  ensureCursorVisible();
  Report(cut);
}

void TMemo::keyPressEvent(QKeyEvent* event) {
  const QScopedValueRollback<bool> inKeyPress(inKeyPress_, true);
  if (!isReadOnly() && event->matches(QKeySequence::InsertLineSeparator)) {
    // Shift+Enter: a line break like Enter's, not the U+2028 Qt would insert.
    QKeyEvent enter(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier,
                    event->text(), event->isAutoRepeat(), static_cast<quint16>(event->count()));
    QPlainTextEdit::keyPressEvent(&enter);
    event->setAccepted(enter.isAccepted());
    return;
  }
  const QString typed = event->text();
  const bool character =
      !typed.isEmpty() && typed.at(0).unicode() >= 0x20 && typed.at(0).unicode() != 0x7F;
  if (!isReadOnly() && character &&
      !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    const QString clean = Clean(typed, nullptr);
    if (clean != typed) {
      textCursor().insertText(clean);
      event->accept();
      return;
    }
  }
  QPlainTextEdit::keyPressEvent(event);
}

void TMemo::mouseReleaseEvent(QMouseEvent* event) {
  QPlainTextEdit::mouseReleaseEvent(event);
  emit MouseUp();
}

// Text composed through an input method (dead keys, compose, IBus) arrives
// here rather than as a key press: the same rules apply to what it commits.
void TMemo::inputMethodEvent(QInputMethodEvent* event) {
  const QString committed = event->commitString();
  bool cut = false;
  const QString clean = isReadOnly() ? committed : Clean(committed, &cut);
  if (clean == committed) {
    QPlainTextEdit::inputMethodEvent(event);
    return;
  }
  QInputMethodEvent storable(event->preeditString(), event->attributes());
  storable.setCommitString(clean, event->replacementStart(), event->replacementLength());
  QPlainTextEdit::inputMethodEvent(&storable);
  Report(cut);
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
    p.setBrush(QPalette::Inactive, QPalette::Highlight,
               p.brush(QPalette::Active, QPalette::Highlight));
    p.setBrush(QPalette::Inactive, QPalette::HighlightedText,
               p.brush(QPalette::Active, QPalette::HighlightedText));
  } else {
    p.setBrush(QPalette::Inactive, QPalette::Highlight,
               p.brush(QPalette::Inactive, QPalette::Base));
    p.setBrush(QPalette::Inactive, QPalette::HighlightedText,
               p.brush(QPalette::Inactive, QPalette::Text));
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
