#pragma once
// The line-by-line view of a text pane. CR LF is the only line break.
//
//   text ""             -> Count() 0
//   text "abc"          -> Count() 1
//   text "abc\r\n"      -> Count() 1      (the empty piece after a final break is left out)
//   text "abc\r\n\r\n"  -> Count() 2      (the second line is empty)
//   Add("x") on "abc"   -> "abc\r\nx"     (no final break)
//   Add("x") on ""      -> "x\r\n"        (n adds to an empty list give n CR LF)
//
// Text is UTF-8 and never holds a zero byte. UTF-8 because text comes in and
// goes out as byte streams (files, the command line), because ASCII stays one
// byte, so the 64-byte block scan of the encoders runs on it as it did on
// Windows-1252, and because Qt turns its UTF-16 into UTF-8 and back quickly.
// A byte that is not part of a valid sequence reads as its Windows-1252
// character. The panes also count U+2028 and U+2029 as line breaks.
#include <string>
#include <string_view>
#include <vector>

namespace quorlin {

class LineList {
 public:
  virtual ~LineList() = default;

  virtual int Count() const = 0;
  // Piece `index` without its line break, whole (no length cut); empty when
  // there is no such piece. Fills `out`, reusing its storage.
  virtual void GetInto(int index, std::string& out) const = 0;
  // Appends `line` as a new last line; returns the count before the add.
  virtual int Add(std::string_view line) = 0;
  // The whole text, every line break included.
  virtual std::string Text() const = 0;
  // Replaces the whole text in one step; stops at the first zero byte.
  virtual void SetText(std::string_view text) = 0;
  virtual void Clear() = 0;
  // Same as Text().empty(), without building the text.
  virtual bool IsEmpty() const { return Text().empty(); }
  // Bracket a run of Add calls so that a widget-backed list can batch them.
  virtual void BeginUpdate() {}
  virtual void EndUpdate() {}

  std::string Get(int index) const {
    std::string line;
    GetInto(index, line);
    return line;
  }
};

// A line list held in memory, with exactly the rules above.
class MemoryLineList : public LineList {
 public:
  MemoryLineList() = default;
  explicit MemoryLineList(std::string_view text) { SetText(text); }

  int Count() const override;
  void GetInto(int index, std::string& out) const override;
  int Add(std::string_view line) override;
  std::string Text() const override { return text_; }
  void SetText(std::string_view text) override;
  void Clear() override;
  bool IsEmpty() const override { return text_.empty(); }

 private:
  // Where each CR LF starts, built on first use and kept up to date by Add, so
  // that a pass over n lines costs O(n) rather than O(n^2).
  const std::vector<std::size_t>& Breaks() const;
  void IndexBreaks(std::size_t from) const;

  std::string text_;
  mutable std::vector<std::size_t> breaks_;
  mutable bool indexed_ = false;
};

}  // namespace quorlin
