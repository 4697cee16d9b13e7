// The in-memory line list against a plain model: a vector of lines and whether
// the text ends with a line break. Each input is a program of operations
// (add, clear, set text, get, count, whole text); after every step the list and
// the model must agree. A conversion pass over the final list is checked too.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "convert/conversion_pass.h"
#include "convert/entity_encoder.h"
#include "convert/line_list.h"
#include "fuzz_support.h"

using quorlin::fuzz::ByteReader;
using quorlin::fuzz::Check;

namespace {

struct Model {
  std::vector<std::string> lines;
  bool finalBreak = false;  // the text ends with CR LF

  std::string Text() const {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i) text += "\r\n";
      text += lines[i];
    }
    if (finalBreak) text += "\r\n";
    return text;
  }
  int Count() const { return static_cast<int>(lines.size()); }

  void SetText(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    lines.clear();
    finalBreak = false;
    if (text.empty()) return;
    std::size_t start = 0;
    for (;;) {
      const std::size_t pos = text.find("\r\n", start);
      if (pos == std::string_view::npos) break;
      lines.emplace_back(text.substr(start, pos - start));
      start = pos + 2;
    }
    if (start == text.size()) {
      finalBreak = true;
    } else {
      lines.emplace_back(text.substr(start));
    }
  }

  // Adding to an empty text or after a final break appends S CR LF; otherwise
  // CR LF S, which leaves no final break (or one, when S is empty).
  void Add(std::string_view s) {
    s = s.substr(0, s.find('\0'));
    if (lines.empty() || finalBreak) {
      lines.emplace_back(s);
      finalBreak = true;
    } else if (s.empty()) {
      finalBreak = true;
    } else {
      lines.emplace_back(s);
    }
  }
};

// A line for Add: any bytes, but never a CR LF pair inside, which would make
// it two lines. A lone CR or LF, and a zero byte (where the line stops), stay.
std::string LineFrom(ByteReader& in) {
  std::string s(in.Bytes(in.Byte() % 12));
  for (std::size_t i = 1; i < s.size(); ++i)
    if (s[i] == '\n' && s[i - 1] == '\r') s[i] = 'n';
  return s;
}

void Agree(const quorlin::MemoryLineList& list, const Model& model, std::string_view input) {
  const std::string text = list.Text();
  const std::string expected = model.Text();
  Check(text == expected, "whole text", input, text, expected);
  Check(list.Count() == model.Count(), "line count", input, std::to_string(list.Count()),
        std::to_string(model.Count()));
  Check(list.IsEmpty() == expected.empty(), "IsEmpty", input);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader in(data, size);
  quorlin::MemoryLineList list;
  Model model;
  std::string line;
  while (!in.Empty()) {
    switch (in.Byte() % 6) {
      case 0:
      case 1: {  // add (twice as likely: most programs build a list)
        const std::string s = LineFrom(in);
        const int before = model.Count();
        const int got = list.Add(s);
        Check(got == before, "Add result", s, std::to_string(got), std::to_string(before));
        model.Add(s);
        break;
      }
      case 2:
        list.Clear();
        model = Model{};
        break;
      case 3: {  // set text: raw bytes, CR LF pairs and zero bytes included
        const std::string_view text = in.Bytes(in.Byte() % 24);
        list.SetText(text);
        model.SetText(text);
        break;
      }
      case 4: {  // get, also out of range and negative
        const int index = static_cast<int>(in.Byte() % 16) - 2;
        line = "stale";
        list.GetInto(index, line);
        const std::string expected =
            index >= 0 && index < model.Count() ? model.lines[static_cast<std::size_t>(index)] : "";
        Check(line == expected, "GetInto", model.Text(), line, expected);
        Check(list.Get(index) == expected, "Get", model.Text());
        break;
      }
      default:
        break;  // count and whole text only, checked below
    }
    Agree(list, model, model.Text());
  }

  // A conversion pass adds one encoded line, with its CR LF, per source line.
  quorlin::MemoryLineList output("left over");
  const bool any = quorlin::ConvertLines(list, output, quorlin::EntityMode::Named);
  std::string expected;
  for (const std::string& s : model.lines) {
    quorlin::EncodeLine(quorlin::EntityMode::Named, s, expected);
    expected += "\r\n";
  }
  const std::string converted = output.Text();
  Check(converted == expected, "ConvertLines", model.Text(), converted, expected);
  Check(any == !expected.empty(), "ConvertLines result", model.Text());
  return 0;
}
