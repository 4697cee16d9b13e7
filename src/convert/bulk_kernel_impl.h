#pragma once
// The body of every kernel, for the kernel sources only: each includes this and
// instantiates Run with its instruction set's Isa, in a source compiled for that
// instruction set. All of it has internal linkage, so that code built for one
// instruction set never stands in for another's at link time.
//
// An Isa gives:
//   static BlockMarks Mark<kMode>(const char* s)  the marks of the 64 bytes at s
//                                                 (reads s[-1] to s[64])
//   static std::uint64_t CrLf(const char* s)      both bytes of its CR LFs (same reads)
//   static void Copy64(char* d, const char* s)
//   static unsigned Ctz(std::uint64_t m)          trailing zeros, 64 for 0
//   static unsigned Count(std::uint64_t m)        set bits
// and may give Dense<kMode>, which writes a block of many marks faster than
// slot by slot (or declines it).
//
// A block's bytes, with the bytes on both sides in view, fall into three kinds:
//   - fast: written from their slot whatever their neighbours (markup
//     characters; in kStream also bytes of 128 and above, and a CR or LF that
//     is not half of a CR LF, whose slot is CR LF);
//   - slow: a full stop with a full stop next to it (a run that may give an
//     ellipsis), or a byte the mode stops at (kStream: NUL; kLineUtf8: bytes of
//     128 and above);
//   - plain: copied as they are (a CR LF is its own output in kStream, and so is
//     a lone full stop).
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "convert/bulk_kernel.h"

namespace quorlin::detail {
namespace {

struct BlockMarks {
  std::uint64_t fast;
  std::uint64_t slow;
};

// The marks of one byte c between prev and next, as every Isa must give them.
template <RunMode kMode>
inline void MarkByte(unsigned char prev, unsigned char c, unsigned char next, bool& fast,
                     bool& slow) {
  const bool entity = c == '"' || c == '&' || c == '<' || c == '>';
  const bool high = c >= 128;
  const bool dotRun = c == '.' && (prev == '.' || next == '.');
  if constexpr (kMode == RunMode::kStream) {
    fast = entity || high || (c == '\r' && next != '\n') || (c == '\n' && prev != '\r');
    slow = dotRun || c == 0;
  } else {
    fast = entity;
    slow = dotRun || high;
  }
}

// Above this many marks in a block of 64, the block goes through every byte's slot.
constexpr unsigned kDenseBlock = 24;
// Marks written per round of the straight path: most blocks of prose have two
// or fewer. Measured: 2 as fast as 3 on fr.txt and faster where blocks have no
// marks; 1 and 4 slower by 10 to 30 %.
constexpr int kMarksPerRound = 2;

template <class Isa, RunMode kMode>
const char* Run(const EntityTables& t, const char* const p, const char* const end, char*& dst,
                int& dots) {
  char* d = dst;
  int run = dots;          // full stops of the current run since its last ellipsis
  const char* runEnd = p;  // just after the last full stop read
  if (dots != 0) {
    d[0] = '.';
    d[1] = '.';
    d += dots;
  }
  const char* s = p;
  const char* stop = end;

  // A full stop that may belong to a run: the third of a run steps back over
  // the two before it and writes the ellipsis.
  const auto fullStop = [&](const char* q) {
    if (q != runEnd) run = 0;
    runEnd = q + 1;
    if (run == 2) {
      d -= 2;
      std::memcpy(d, t.ellipsis, 8);
      d += t.ellipsisLength;
      run = 0;
    } else {
      *d++ = '.';
      ++run;
    }
  };
  // Any byte, seeing only the byte before it (when in the piece); false at a stop byte.
  const auto single = [&](const char* q) -> bool {
    const auto c = static_cast<unsigned char>(*q);
    if (c == '.') {
      fullStop(q);
      return true;
    }
    if (t.length[c] == 0) return false;
    if constexpr (kMode == RunMode::kStream) {
      // A CR LF is copied as it is, as in the blocks. A CR that ends the piece
      // is a break of its own: the caller skips a LF that starts the next piece.
      if ((c == '\r' && q + 1 < end && q[1] == '\n') || (c == '\n' && q != p && q[-1] == '\r')) {
        *d++ = static_cast<char>(c);
        return true;
      }
    }
    std::memcpy(d, t.text[c], 8);
    d += t.length[c];
    return true;
  };

  // The blocks look at the byte before them: the first byte goes alone.
  if (s < end) {
    if (!single(s)) {
      stop = s;
      goto finished;
    }
    ++s;
  }
  // Whole blocks while 64 bytes past the block can be read too (a copy of
  // plain bytes always moves 64).
  while (end - s >= 128) {
    const BlockMarks marks = Isa::template Mark<kMode>(s);
    const char* const base = s;
    const std::uint64_t all = marks.fast | marks.slow;
    const unsigned count = Isa::Count(all);
    if (count > kDenseBlock) [[unlikely]] {
      if constexpr (requires { Isa::template Dense<kMode>(t, base, marks, d); }) {
        if (char* const written = Isa::template Dense<kMode>(t, base, marks, d)) {
          d = written;
          s = base + 64;
          continue;
        }
      }
      // Mostly marked bytes: every byte through its slot (a plain byte's slot
      // is itself); only the exceptions leave the straight path.
      std::uint64_t exceptions = marks.slow;
      if constexpr (kMode == RunMode::kStream) exceptions |= Isa::CrLf(base);
      const char* q = base;
      for (;;) {
        const char* const upTo = base + Isa::Ctz(exceptions);
        for (; q < upTo; ++q) {
          const auto c = static_cast<unsigned char>(*q);
          std::memcpy(d, t.text[c], 8);
          d += t.length[c];
        }
        if (exceptions == 0) break;
        if (kMode == RunMode::kStream && (*q == '\r' || *q == '\n')) {
          *d++ = *q;  // half of a CR LF (the slots of CR and LF are CR LF)
        } else if (*q == '.') {
          fullStop(q);
        } else {
          stop = q;
          goto finished;
        }
        ++q;
        exceptions &= exceptions - 1;
      }
      s = base + 64;
      continue;
    }
    if (marks.slow != 0) [[unlikely]] {
      // Runs of full stops or a stop byte: mark by mark.
      std::uint64_t m = all;
      do {
        const unsigned at = Isa::Ctz(m);
        const char* const q = base + at;
        Isa::Copy64(d, s);  // the gap before a mark is shorter than 64
        d += q - s;
        if ((marks.slow >> at) & 1) {
          if (*q != '.') {
            stop = q;
            goto finished;
          }
          fullStop(q);
        } else {
          const auto c = static_cast<unsigned char>(*q);
          std::memcpy(d, t.text[c], 8);
          d += t.length[c];
        }
        s = q + 1;
        m &= m - 1;
      } while (m != 0);
      Isa::Copy64(d, s);
      d += base + 64 - s;
      s = base + 64;
      continue;
    }
    // The straight path, without a branch per mark: the block is copied whole,
    // then each mark writes its slot where it lands and copies the plain bytes
    // after it to their place behind the slot. Once the marks run out a step's
    // mark is byte 64 and adds nothing: its writes land past the block's
    // output, which the next block overwrites.
    std::uint64_t m = marks.fast;
    Isa::Copy64(d, base);
    std::size_t extra = 0;  // output bytes so far beyond one per source byte
    do {
      for (int i = 0; i < kMarksPerRound; ++i) {
        const std::size_t real = m != 0;
        const std::size_t at = Isa::Ctz(m);
        m &= m - 1;
        const auto c = static_cast<unsigned char>(base[at]);
        std::memcpy(d + at + extra, t.text[c], 8);
        extra += (t.length[c] - std::size_t{1}) & (0 - real);
        Isa::Copy64(d + at + real + extra, base + at + real);
      }
    } while (m != 0);
    d += 64 + extra;
    s = base + 64;
  }
  for (; s < end; ++s) {
    if (!single(s)) {
      stop = s;
      break;
    }
  }
finished:
  if (runEnd == stop && run != 0) {  // the piece ends in full stops: hold them
    d -= run;
    dots = run;
  } else {
    dots = 0;
  }
  dst = d;
  return stop;
}

template <class Isa>
constexpr RunSet kRunsOf = {&Run<Isa, RunMode::kStream>, &Run<Isa, RunMode::kLineUtf8>};

}  // namespace
}  // namespace quorlin::detail
