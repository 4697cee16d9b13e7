// Painting of very long lines.
//
// Qt draws a line by going through every one of its glyphs, whatever part of
// it is in view, and a block's layout drops its glyphs once laid out, so each
// repaint shapes the line again. A paragraph of a few megabytes pasted as one
// line then costs seconds per repaint, and the caret blinks twice a second:
// the window would never answer again. Long blocks therefore keep their
// glyphs, and only the characters in view are drawn, from a small layout made
// for the paint. Other lines are drawn by Qt as usual.
#include <QAbstractTextDocumentLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

#include "ui/framework/panes/memo.h"

int TMemo::longLineLength_ = 10000;

void TMemo::KeepGlyphsOfLongBlocks(int from, int added) {
  // Runs before the document lays the changed blocks out, so that layout's
  // glyphs are the ones kept.
  QTextBlock block = document()->findBlock(from);
  const int end = from + added;
  for (; block.isValid() && block.position() <= end; block = block.next()) {
    if (block.length() > longLineLength_) block.layout()->setCacheEnabled(true);
  }
}

bool TMemo::LongBlockInView() const {
  const int height = viewport()->height();
  qreal top = contentOffset().y();
  for (QTextBlock block = firstVisibleBlock(); block.isValid() && top <= height;
       block = block.next()) {
    if (block.length() > longLineLength_) return true;
    top += blockBoundingRect(block).height();
  }
  return false;
}

void TMemo::paintEvent(QPaintEvent* event) {
  if (!LongBlockInView()) {
    QPlainTextEdit::paintEvent(event);
    return;
  }
  // The loop of QPlainTextEdit::paintEvent, for what these panes use: no
  // placeholder, block backgrounds, overwrite mode or full-width selections.
  QPainter painter(viewport());
  QPointF offset = contentOffset();
  QRect clip = event->rect();
  const qreal documentWidth = document()->documentLayout()->documentSize().width();
  // Keep the right margin free of selection, as Qt does.
  const int maxX =
      static_cast<int>(offset.x() + std::max<qreal>(viewport()->width(), documentWidth) -
                       document()->documentMargin() + cursorWidth());
  clip.setRight(std::min(clip.right(), maxX));
  painter.setClipRect(clip);
  painter.setBrushOrigin(offset);

  const QAbstractTextDocumentLayout::PaintContext context = getPaintContext();
  painter.setPen(context.palette.text().color());
  const bool caretShown = !isReadOnly() || (textInteractionFlags() & Qt::TextSelectableByKeyboard);

  for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
    const QRectF bounds = blockBoundingRect(block).translated(offset);
    if (!block.isVisible()) {
      offset.ry() += bounds.height();
      continue;
    }
    if (bounds.bottom() >= clip.top() && bounds.top() <= clip.bottom()) {
      QTextLayout* layout = block.layout();
      const int start = block.position();
      const int length = block.length();
      QList<QTextLayout::FormatRange> selections;
      for (const auto& selection : context.selections) {
        const int from = selection.cursor.selectionStart() - start;
        const int to = selection.cursor.selectionEnd() - start;
        if (from < length && to > 0 && to > from)
          selections.append({from, to - from, selection.format});
      }
      const bool composing = !layout->preeditAreaText().isEmpty();
      if (length > longLineLength_ && layout->lineCount() == 1 && !composing)
        PaintLineInView(painter, block, offset, clip, selections);
      else
        layout->draw(&painter, offset, selections, clip);
      const int caret = context.cursorPosition;
      if (caretShown && caret >= start && caret < start + length)
        layout->drawCursor(&painter, offset, caret - start, cursorWidth());
      else if (!isReadOnly() && caret < -1 && composing)
        layout->drawCursor(&painter, offset, layout->preeditAreaPosition() - (caret + 2),
                           cursorWidth());
    }
    offset.ry() += bounds.height();
    if (offset.y() > viewport()->height()) break;
  }
}

void TMemo::PaintLineInView(QPainter& painter, const QTextBlock& block, QPointF offset,
                            const QRect& clip, const QList<QTextLayout::FormatRange>& selections) {
  QTextLayout* layout = block.layout();
  layout->setCacheEnabled(true);  // a block that grew long without a change of its own
  const QTextLine line = layout->lineAt(0);
  const int length = block.length() - 1;  // without the line break
  // One character more on each side, for glyphs that overhang their advance.
  const int from = std::max(0, line.xToCursor(clip.left() - offset.x()) - 1);
  // Past about 33 million pixels Qt's fixed-point positions wrap round and
  // xToCursor answers nonsense; no character is narrower than a pixel, so the
  // view never needs more than its width in characters.
  const int to = std::min(
      {length, line.xToCursor(clip.right() + 1 - offset.x()) + 1, from + clip.width() + 2});
  if (to <= from) return;
  const qreal x = line.cursorToX(from);
  // Only these characters are copied out, not the whole line.
  QString text(to - from, Qt::Uninitialized);
  for (int i = from; i < to; ++i) text[i - from] = document()->characterAt(block.position() + i);

  QTextOption option = layout->textOption();
  // Tab stops lie where they lie on the whole line: give them as positions
  // from this piece's start, over the width in view and a stop more.
  if (text.contains(u'\t')) {
    const qreal stop = option.tabStopDistance() > 0 ? option.tabStopDistance() : 80;
    QList<QTextOption::Tab> tabs;
    const qreal lineX = x - line.x();
    for (qreal at = (std::floor(lineX / stop) + 1) * stop; at - lineX <= clip.width() + 2 * stop;
         at += stop)
      tabs.append(QTextOption::Tab(at - lineX, QTextOption::LeftTab));
    option.setTabs(tabs);
  }

  QTextLayout piece(text, document()->defaultFont(), document()->documentLayout()->paintDevice());
  piece.setTextOption(option);
  piece.setCacheEnabled(true);
  piece.beginLayout();
  QTextLine pieceLine = piece.createLine();
  pieceLine.setPosition(QPointF(0, 0));
  piece.endLayout();

  // The end of the block (its line break) counts as one more position of the
  // last piece, as it does for the whole line.
  const int pieceEnd = (to == length ? to + 1 : to) - from;
  QList<QTextLayout::FormatRange> pieceSelections;
  for (const auto& range : selections) {
    const int start = std::max(range.start - from, 0);
    const int end = std::min(range.start + range.length - from, pieceEnd);
    if (end > start) pieceSelections.append({start, end - start, range.format});
  }
  // Same left edge and baseline as the whole line.
  const QPointF at(offset.x() + x, offset.y() + line.y() + line.ascent() - pieceLine.ascent());
  piece.draw(&painter, at, pieceSelections, clip);
}
