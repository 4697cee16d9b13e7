#include "convert/line_list.h"

#include <algorithm>
#include <cstring>

namespace quorlin {

namespace {

bool EndsWithBreak(const std::string& text) {
  return text.size() >= 2 && text[text.size() - 2] == '\r' && text.back() == '\n';
}

}  // namespace

void MemoryLineList::IndexBreaks(std::size_t from) const {
  const char* data = text_.data();
  const std::size_t size = text_.size();
  std::size_t pos = from;
  while (pos + 1 < size) {
    const void* cr = std::memchr(data + pos, '\r', size - pos - 1);
    if (!cr) break;
    pos = static_cast<std::size_t>(static_cast<const char*>(cr) - data);
    if (data[pos + 1] == '\n') {
      breaks_.push_back(pos);
      pos += 2;
    } else {
      ++pos;
    }
  }
}

const std::vector<std::size_t>& MemoryLineList::Breaks() const {
  if (!indexed_) {
    breaks_.clear();
    IndexBreaks(0);
    indexed_ = true;
  }
  return breaks_;
}

int MemoryLineList::Count() const {
  if (text_.empty()) return 0;
  return static_cast<int>(Breaks().size()) + 1 - (EndsWithBreak(text_) ? 1 : 0);
}

void MemoryLineList::GetInto(int index, std::string& out) const {
  out.clear();
  if (index < 0) return;
  const std::vector<std::size_t>& breaks = Breaks();
  const auto i = static_cast<std::size_t>(index);
  if (i > breaks.size()) return;
  const std::size_t start = i == 0 ? 0 : breaks[i - 1] + 2;
  const std::size_t end = i < breaks.size() ? breaks[i] : text_.size();
  out.assign(text_, start, end - start);
}

int MemoryLineList::Add(std::string_view line) {
  const int before = Count();
  line = line.substr(0, std::min(line.size(), line.find('\0')));
  const std::size_t oldSize = text_.size();
  if (text_.empty() || EndsWithBreak(text_)) {
    text_.append(line);
    text_.append("\r\n");
  } else {
    text_.append("\r\n");
    text_.append(line);
  }
  // The old text ends either in CR LF or in anything but CR followed by the
  // CR LF added here, so no break straddles the join: index the new part only.
  IndexBreaks(oldSize);
  return before;
}

void MemoryLineList::SetText(std::string_view text) {
  text_.assign(text.substr(0, std::min(text.size(), text.find('\0'))));
  breaks_.clear();
  indexed_ = false;
}

void MemoryLineList::Clear() {
  text_.clear();
  breaks_.clear();
  indexed_ = true;
}

}  // namespace quorlin
