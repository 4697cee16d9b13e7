// The in-memory line list and the conversion pass over it.
#include "convert/line_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../common/line_list_contract.h"
#include "convert/conversion_pass.h"

namespace quorlin {
namespace {

TEST(MemoryLineList, KeepsTheLineListContract) {
  MemoryLineList list;
  for (bool batched : {false, true})
    for (const std::string& failure :
         testing::CheckLineListContract([&]() -> LineList& { return list; }, batched))
      ADD_FAILURE() << failure << (batched ? " (batched)" : "");
}

TEST(MemoryLineList, LoneCarriageReturnOrLineFeedIsNoBreak) {
  MemoryLineList list("a\rb\nc");
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Get(0), "a\rb\nc");
}

// The line index is kept up to date through every change, including adds that
// follow a lone CR and lines that carry their own CR LF.
TEST(MemoryLineList, LinesStayRightAcrossChanges) {
  MemoryLineList list("a\r");
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Add("\nb"), 1);
  EXPECT_EQ(list.Text(), "a\r\r\n\nb");
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(1), "\nb");
  EXPECT_EQ(list.Add("c\r\nd"), 2);
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Get(2), "c");
  EXPECT_EQ(list.Get(3), "d");
  list.SetText("x\r\ny");
  EXPECT_EQ(list.Get(1), "y");
  EXPECT_EQ(list.Get(2), "");
  list.Clear();
  EXPECT_EQ(list.Add("z"), 0);
  EXPECT_EQ(list.Get(0), "z");
  EXPECT_EQ(list.Count(), 1);

  // A pass over many lines reads back every one of them.
  MemoryLineList many;
  for (int i = 0; i < 100000; ++i) many.Add(std::to_string(i));
  ASSERT_EQ(many.Count(), 100000);
  EXPECT_EQ(many.Get(0), "0");
  EXPECT_EQ(many.Get(54321), "54321");
  EXPECT_EQ(many.Get(99999), "99999");
}

TEST(ConversionPass, Cases) {
  struct Row {
    const char* name;
    std::string source;
    EntityMode mode;
    std::string output;
    bool enabled;
  };
  std::string longSource;
  std::string longOutput;
  for (int i = 0; i < 5000; ++i) {
    longSource += "\xc3\xa9";
    longOutput += "&eacute;";
  }
  const Row rows[] = {
      {"empty source", "", EntityMode::Named, "", false},
      {"one line, named", "\xc3\xa9", EntityMode::Named, "&eacute;\r\n", true},
      {"one line, numeric", "\xc3\xa9", EntityMode::Numeric, "&#233;\r\n", true},
      {"beyond Windows-1252", "\xe2\x86\x92 \xf0\x9f\x98\x80", EntityMode::Named,
       "&rarr; &#128512;\r\n", true},
      {"empty lines only", "\r\n\r\n\r\n", EntityMode::Named, "\r\n\r\n\r\n", true},
      {"final break adds no line", "a\r\n", EntityMode::Named, "a\r\n", true},
      {"run does not span lines", "ab..\r\n.cd", EntityMode::Named, "ab..\r\n.cd\r\n", true},
      {"run does not span an empty line", "ab..\r\n\r\n.", EntityMode::Named, "ab..\r\n\r\n.\r\n",
       true},
      {"run within a line", "ab.\r\n...cd", EntityMode::Numeric, "ab.\r\n&#133;cd\r\n", true},
      {"5000-character line converted whole", longSource, EntityMode::Named, longOutput + "\r\n",
       true},
  };
  for (const Row& row : rows) {
    MemoryLineList source(row.source);
    MemoryLineList output("earlier");
    EXPECT_EQ(ConvertLines(source, output, row.mode), row.enabled) << row.name;
    EXPECT_EQ(output.Text(), row.output) << row.name;
    // The same source converted again gives the same output.
    ConvertLines(source, output, row.mode);
    EXPECT_EQ(output.Text(), row.output) << row.name << " (second time)";
  }
}

TEST(ConversionPass, RepeatedConversionOfTwoFullStopsIsStable) {
  MemoryLineList source("..");
  MemoryLineList output;
  for (int i = 0; i < 4; ++i) {
    ConvertLines(source, output, i % 2 ? EntityMode::Numeric : EntityMode::Named);
    EXPECT_EQ(output.Text(), "..\r\n") << "conversion " << i;
  }
}

}  // namespace
}  // namespace quorlin
