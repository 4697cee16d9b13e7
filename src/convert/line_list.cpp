#include "convert/line_list.h"

#include <algorithm>
#include <cstring>

namespace quorlin {

int MemoryLineList::Count() const {
  if (text_.empty()) return 0;
  int breaks = 0;
  for (std::size_t pos = text_.find("\r\n"); pos != std::string::npos; pos = text_.find("\r\n", pos + 2))
    ++breaks;
  const bool lastPieceEmpty = text_.size() >= 2 && text_.compare(text_.size() - 2, 2, "\r\n") == 0;
  return breaks + 1 - (lastPieceEmpty ? 1 : 0);
}

void MemoryLineList::GetInto(int index, std::string& out) const {
  out.clear();
  if (index < 0) return;
  std::size_t start = 0;
  for (int i = 0; i < index; ++i) {
    const std::size_t pos = text_.find("\r\n", start);
    if (pos == std::string::npos) return;
    start = pos + 2;
  }
  const std::size_t end = std::min(text_.find("\r\n", start), text_.size());
  out.assign(text_, start, end - start);
}

int MemoryLineList::Add(std::string_view line) {
  const int before = Count();
  line = line.substr(0, std::min(line.size(), line.find('\0')));
  const bool endsWithBreak = text_.empty() ||
                             (text_.size() >= 2 && text_.compare(text_.size() - 2, 2, "\r\n") == 0);
  if (endsWithBreak) {
    text_.append(line);
    text_.append("\r\n");
  } else {
    text_.append("\r\n");
    text_.append(line);
  }
  return before;
}

void MemoryLineList::SetText(std::string_view text) {
  text_.assign(text.substr(0, std::min(text.size(), text.find('\0'))));
}

}  // namespace quorlin
