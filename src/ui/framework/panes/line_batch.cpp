#include "ui/framework/panes/line_batch.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "convert/text/text_codec.h"

namespace {
// About 2 MB of text: large enough that each insert costs little more than its
// characters, small enough to stay out of the memory peak.
constexpr qsizetype kPieceChars = qsizetype{1} << 20;
}  // namespace

void AppendPaneText(std::string_view text, QString& out) {
  using Decoder = quorlin::TextDecoder<char16_t>;
  Decoder decoder(quorlin::TextEncoding::Utf8);
  const qsizetype at = out.size();
  out.resize(at + static_cast<qsizetype>(Decoder::MaxOutput(text.size())));
  char16_t* const start = reinterpret_cast<char16_t*>(out.data());
  char16_t* end = decoder.Feed(text.data(), text.size(), start + at);
  end = decoder.Finish(end);
  out.resize(end - start);
}

int LineCount(const QTextDocument& document) {
  const int blocks = document.blockCount();
  return document.lastBlock().length() <= 1 ? blocks - 1 : blocks;  // an empty last piece
}

void LineBatch::Start(const QTextDocument& document) {
  text_.resize(0);
  count_ = LineCount(document);
  endsWithBreak_ = document.lastBlock().length() <= 1;
}

int LineBatch::Add(std::string_view line) {
  const int before = count_;
  if (text_.capacity() < kPieceChars) text_.reserve(kPieceChars + 4096);
  if (endsWithBreak_) {
    AppendPaneText(line, text_);
    text_.append(u'\n');
    ++count_;
  } else {
    text_.append(u'\n');
    AppendPaneText(line, text_);
    // An empty line after a last line without break ends the text with one.
    if (line.empty())
      endsWithBreak_ = true;
    else
      ++count_;
  }
  return before;
}

bool LineBatch::Full() const { return text_.size() >= kPieceChars; }

void LineBatch::MoveTo(QTextDocument& document) {
  if (text_.isEmpty()) return;
  QTextCursor end(&document);
  end.movePosition(QTextCursor::End);
  end.insertText(text_);
  text_.resize(0);  // keeps the buffer for the next piece
}
