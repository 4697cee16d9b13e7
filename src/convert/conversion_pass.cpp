#include "convert/conversion_pass.h"

#include <string>

namespace quorlin {

bool ConvertLines(const LineList& source, LineList& output, EntityMode mode) {
  output.Clear();
  const int count = source.Count();
  std::string sourceLine;
  std::string outputLine;
  output.BeginUpdate();
  try {
    for (int i = 0; i < count; ++i) {
      source.GetInto(i, sourceLine);
      outputLine.clear();
      EncodeLine(mode, sourceLine, outputLine);
      output.Add(outputLine);
    }
  } catch (...) {
    output.EndUpdate();
    throw;
  }
  output.EndUpdate();
  return !output.IsEmpty();
}

}  // namespace quorlin
