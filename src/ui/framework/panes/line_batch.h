#pragma once
// Lines added to a pane in one update (TMemo's BeginUpdate ... EndUpdate),
// gathered as the pane's text and handed to its document in large pieces: one
// insert of many lines costs about what setPlainText does, one insert per line
// several times more. The batch knows the line count the document will have,
// so that Add answers without handing anything over.
//
//   batch.Start(doc);                    // doc holds "abc" (no final break): 1 line
//   batch.Add("x");                      // -> 1; gathered "\nx"
//   batch.Add("");                       // -> 2; gathered "\nx\n", the text now ends with a break
//   batch.MoveTo(doc);                   // doc: "abc\nx\n", 2 lines
#include <QString>
#include <string_view>

class QTextDocument;

// Appends line-list text (UTF-8, CR LF) to pane text (breaks as '\n').
void AppendPaneText(std::string_view text, QString& out);
// The line count of a pane's document: its blocks, less an empty last one.
int LineCount(const QTextDocument& document);

class LineBatch {
 public:
  // Gathers after the document's text as it is now, dropping what was gathered.
  void Start(const QTextDocument& document);
  // Gathers a line that holds no line break; returns the line count before it.
  int Add(std::string_view line);
  // The document's line count once what is gathered is in it.
  int Count() const { return count_; }
  bool IsEmpty() const { return text_.isEmpty(); }
  // Whether enough is gathered to be handed over.
  bool Full() const;
  // Hands what is gathered to the end of the document (keeping the buffer).
  void MoveTo(QTextDocument& document);
  // Frees the buffer, once the update is over.
  void Release() { text_ = QString(); }

 private:
  QString text_;
  int count_ = 0;
  bool endsWithBreak_ = true;  // the text so far is empty or ends with a line break
};
