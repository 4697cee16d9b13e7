#pragma once
// A text pane: a plain-text editor whose document is the line list itself.
// Blocks are lines; CR LF joins them in Text(). Text crosses the interface as
// UTF-8. Every character that comes in is kept; the engine's pane rules
// (quorlin::NormalizePaneText) make U+2028, U+2029, CR and LF line breaks and
// end pasted text at a zero character.
#include <QPlainTextEdit>
#include <QString>
#include <QTextBlock>
#include <QTextLayout>
#include <memory>
#include <string>
#include <string_view>

#include "convert/line_list.h"
#include "convert/text/text_file.h"
#include "ui/framework/panes/line_batch.h"

class TMemo : public QPlainTextEdit, public quorlin::LineList {
  Q_OBJECT

 public:
  explicit TMemo(QWidget* parent = nullptr);
  ~TMemo() override;

  int Count() const override;
  void GetInto(int index, std::string& out) const override;
  int Add(std::string_view line) override;
  std::string Text() const override;
  void SetText(std::string_view text) override;
  void Clear() override;
  bool IsEmpty() const override;
  void BeginUpdate() override;
  void EndUpdate() override;

  // Replaces the text with a text file's, read as quorlin::TextFileReader
  // reads it (its encoding decided from its bytes), in one step. A file
  // larger than Capacity() is refused before it is read; on any failure the
  // text is left as it was. Returns what the load met (a zero cut).
  quorlin::LoadReport LoadFile(const std::string& path);

  int SelLength() const;
  void SetFontSize(int points);
  // Inserts the data's text at the caret, as a paste from the clipboard does
  // (the same rules); for text dropped elsewhere on the window.
  void PasteFrom(const QMimeData& data) { insertFromMimeData(&data); }
  // The selection as plain text only, lines ending in LF: what copying puts on
  // the clipboard (never an HTML version that rich editors would paste).
  QMimeData* SelectionAsPlainText() const;

  // How many characters the pane can take now: the document's own limit, or
  // what the free memory holds at about twelve bytes a character on screen.
  qint64 Capacity() const;

  // Lines longer than this many characters keep their glyphs and are drawn
  // only where they are in view.
  static int LongLineLength() { return longLineLength_; }

  // Whether the pane is handling a key press of the user's now.
  bool InKeyPress() const { return inKeyPress_; }

  // Test interface: limits lowered so that small texts reach them.
  // A capacity in characters in place of the real one; negative: the real one.
  void SetCapacityLimit(qint64 characters) { capacityLimit_ = characters; }
  // The long-line length for every pane (10000 otherwise).
  static void SetLongLineLength(int characters) { longLineLength_ = characters; }

 signals:
  // Once per paste or input-method text that did not arrive whole: a zero
  // character ended it. The argument is the message.
  void LostCharacters(const QString& message);
  // A mouse button pressed in the pane was released, once the pane has handled it.
  void MouseUp();

 protected:
  void insertFromMimeData(const QMimeData* source) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  QMimeData* createMimeDataFromSelection() const override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void ShowSelection(bool visible);
  void Report(bool cut);
  void KeepGlyphsOfLongBlocks(int from, int added);
  bool LongBlockInView() const;
  void PaintLineInView(QPainter& painter, const QTextBlock& block, QPointF offset,
                       const QRect& clip, const QList<QTextLayout::FormatRange>& selections);
  // Hands the lines gathered since BeginUpdate to the document.
  void FlushPending() const;
  mutable LineBatch batch_;
  bool undoWasEnabled_ = true;
  bool inKeyPress_ = false;
  int updateDepth_ = 0;
  // The block GetInto read last: a pass reads the lines in order.
  mutable int lastIndex_ = -1;
  mutable QTextBlock lastBlock_;
  qint64 capacityLimit_ = -1;
  static int longLineLength_;
};
