#pragma once
// The rules every LineList keeps, as a table of cases that any implementation can
// be run against (the in-memory list, the window's panes). No test framework in
// here: CheckLineListContract returns one text per failed check, empty when all hold.
//
//   auto failures = quorlin::testing::CheckLineListContract([&]() -> LineList& { ... });
//   for (const auto& f : failures) ADD_FAILURE() << f;   // or QFAIL / QVERIFY2
#include <functional>
#include <string>
#include <vector>

#include "convert/line_list.h"

namespace quorlin::testing {

struct LineListCase {
  const char* name;
  std::string setText;             // text put in first with SetText
  std::vector<std::string> adds;   // then these lines added in order
  std::string text;                // expected whole text
  int count;                       // expected line count
  std::vector<std::string> lines;  // expected Get(0) ... Get(count - 1)
};

inline std::string Visible(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out.size() > 60 ? out.substr(0, 60) + "..." : out;
}

inline std::vector<LineListCase> LineListCases() {
  const std::string longLine(5000, 'x');
  return {
      {"empty", "", {}, "", 0, {}},
      {"one line without break", "abc", {}, "abc", 1, {"abc"}},
      {"final break leaves no empty line", "abc\r\n", {}, "abc\r\n", 1, {"abc"}},
      {"two final breaks count an empty line", "abc\r\n\r\n", {}, "abc\r\n\r\n", 2, {"abc", ""}},
      {"break alone is one empty line", "\r\n", {}, "\r\n", 1, {""}},
      {"add empty to empty", "", {""}, "\r\n", 1, {""}},
      {"add after text without break", "abc", {"x"}, "abc\r\nx", 2, {"abc", "x"}},
      {"add after text with break", "abc\r\n", {"x"}, "abc\r\nx\r\n", 2, {"abc", "x"}},
      {"n adds give n breaks", "", {"a", "", "b", ""}, "a\r\n\r\nb\r\n\r\n", 4, {"a", "", "b", ""}},
      {"empty add after text without break ends it",
       "abc",
       {"", "x"},
       "abc\r\nx\r\n",
       2,
       {"abc", "x"}},
      {"adds after text without break", "abc", {"x", "y"}, "abc\r\nx\r\ny", 3, {"abc", "x", "y"}},
      {"long line is not cut", longLine, {}, longLine, 1, {longLine}},
      {"long line added whole", "", {longLine}, longLine + "\r\n", 1, {longLine}},
      {"text ends at a zero byte", std::string("ab\0cd", 5), {}, "ab", 1, {"ab"}},
      {"characters of every length kept",
       "\xc3\xa9\xe2\x82\xac\r\n\xc2\x81\xf0\x9f\x98\x80",
       {},
       "\xc3\xa9\xe2\x82\xac\r\n\xc2\x81\xf0\x9f\x98\x80",
       2,
       {"\xc3\xa9\xe2\x82\xac", "\xc2\x81\xf0\x9f\x98\x80"}},
  };
}

// With `batched`, the adds of each case run between BeginUpdate and EndUpdate,
// as the conversion pass runs them, and Add's results are checked against an
// unbatched in-memory list rather than by asking Count() in between.
inline std::vector<std::string> CheckLineListContract(const std::function<LineList&()>& fresh,
                                                      bool batched = false) {
  std::vector<std::string> failures;
  for (const LineListCase& c : LineListCases()) {
    LineList& list = fresh();
    list.Clear();
    if (!c.setText.empty()) list.SetText(c.setText);
    MemoryLineList reference(c.setText);
    if (batched) list.BeginUpdate();
    for (const std::string& line : c.adds) {
      const int before = batched ? reference.Add(line) : list.Count();
      const int index = list.Add(line);
      if (index != before)
        failures.push_back(std::string(c.name) + ": Add returned " + std::to_string(index) +
                           ", count before was " + std::to_string(before));
    }
    if (batched) list.EndUpdate();
    const std::string text = list.Text();
    if (text != c.text)
      failures.push_back(std::string(c.name) + ": text '" + Visible(text) + "', expected '" +
                         Visible(c.text) + "'");
    if (list.Count() != c.count)
      failures.push_back(std::string(c.name) + ": count " + std::to_string(list.Count()) +
                         ", expected " + std::to_string(c.count));
    if (list.IsEmpty() != c.text.empty())
      failures.push_back(std::string(c.name) + ": IsEmpty disagrees with Text");
    for (int i = 0; i < static_cast<int>(c.lines.size()); ++i) {
      const std::string got = list.Get(i);
      if (got != c.lines[i])
        failures.push_back(std::string(c.name) + ": line " + std::to_string(i) + " '" +
                           Visible(got) + "', expected '" + Visible(c.lines[i]) + "'");
    }
    if (!list.Get(c.count + 1).empty())
      failures.push_back(std::string(c.name) + ": a line past the end is not empty");
    if (!list.Get(-1).empty()) failures.push_back(std::string(c.name) + ": line -1 is not empty");
    list.Clear();
    if (!list.Text().empty() || list.Count() != 0)
      failures.push_back(std::string(c.name) + ": Clear left text");
  }
  return failures;
}

}  // namespace quorlin::testing
