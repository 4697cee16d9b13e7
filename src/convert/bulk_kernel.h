#pragma once
// The bulk encoder shared by EncodeLine and the stream encoder. Sixty-four
// source bytes at a time are scanned (AVX2 or SSE2) into one bit mask of the
// bytes that are not plain; the plain bytes between two of them are copied in
// one 64-byte move and each marked byte is one lookup in a 256-entry table of
// fixed 8-byte slots, stored whole and advanced by its true length. A block
// that is mostly marked bytes goes byte by byte through the slots instead.
//
// Full stops are written as they come; the third of a run steps back over the
// two before it and writes the ellipsis. A run may continue into the next
// piece of the same line, so the stops that end a piece are taken back and
// held in `dots` (0, 1 or 2) until the next byte says what they are.
//
// The destination must have room for 8 bytes per source byte plus 32.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "convert/entity_encoder.h"


namespace quorlin::detail {

enum ByteClass : std::uint8_t {
  kPlain = 0,   // copied as it is
  kEntity = 1,  // markup character: its table slot
  kDot = 2,     // full stop
  kBreak = 3,   // CR, LF or NUL: copied inside a line, a stop for the stream encoder
  kHigh = 4,    // 128-255: its table slot, or a stop for the UTF-8 reader
};

struct EntityTables {
  char text[256][8];           // every byte's output, padded to 8 bytes
  std::uint8_t length[256];    // its length
  char ellipsis[8];
  std::uint8_t ellipsisLength;
};

inline constexpr std::array<std::uint8_t, 256> kByteClass = [] {
  std::array<std::uint8_t, 256> cls{};
  for (int c = 0; c < 256; ++c) {
    if (c >= 128)
      cls[c] = kHigh;
    else if (c == '.')
      cls[c] = kDot;
    else if (c == 0 || c == '\r' || c == '\n')
      cls[c] = kBreak;
    else if (c == '"' || c == '&' || c == '<' || c == '>')
      cls[c] = kEntity;
    else
      cls[c] = kPlain;
  }
  return cls;
}();
const EntityTables& TablesFor(EntityMode mode);

inline void WriteHeldDots(char*& d, int& dots) {
  d[0] = '.';
  d[1] = '.';
  d += dots;
  dots = 0;
}

inline void WriteSlot(const EntityTables& t, unsigned char c, char*& d) {
  std::memcpy(d, t.text[c], 8);
  d += t.length[c];
}

// How a run treats CR, LF and NUL, and bytes of 128 and above.
enum class RunMode {
  kLine,    // inside one line: CR, LF and NUL are copied like other plain bytes
  kStream,  // raw file bytes: CR, LF and CR LF end a line (written as CR LF), NUL stops
  kUtf8,    // UTF-8 file bytes: stops at CR, LF, NUL and at every byte >= 128
  // Inside one UTF-8 line: as kLine, but stops at every byte >= 128.
  kLineUtf8,
};

// The tables a run of the given mode works with: a zero length marks a byte the
// run stops at (the caller's to handle). In kStream mode CR and LF both become
// CR LF (a LF just after a CR then writes nothing) and NUL stops; in kUtf8 mode
// CR, LF, NUL and every byte of 128 and above stop; in kLineUtf8 mode every byte
// of 128 and above stops; kLine takes the tables as they are.
inline EntityTables RunTables(const EntityTables& base, RunMode mode) {
  EntityTables t = base;
  if (mode == RunMode::kStream) {
    for (unsigned char c : {'\r', '\n'}) {
      std::memcpy(t.text[c], "\r\n", 2);
      t.length[c] = 2;
    }
    t.length[0] = 0;
  } else if (mode == RunMode::kUtf8) {
    for (int c = 0; c < 256; ++c)
      if (kByteClass[c] == kBreak || kByteClass[c] == kHigh) t.length[c] = 0;
  } else if (mode == RunMode::kLineUtf8) {
    for (int c = 128; c < 256; ++c) t.length[c] = 0;
  }
  return t;
}

// Above this many marked bytes in a block of 64, the block goes byte by byte.
inline constexpr int kDenseBlock = 24;

// Marks, for each of `blocks` blocks of 64 bytes from p, its bytes that are not
// plain (CR, LF and NUL included): bit i of marks[k] is byte 64 k + i. counts[k]
// is the number of marks of block k. AVX2 when the processor has it, else SSE2.
void MarkBlocks(const char* p, std::size_t blocks, std::uint64_t* marks, std::uint8_t* counts);

// Every way of marking this processor can run, the portable one first, so that
// each can be checked against the byte classes: MarkBlocks uses the last.
using MarkBlocksFunction = void (*)(const char* p, std::size_t blocks, std::uint64_t* marks, std::uint8_t* counts);
struct MarkBlocksChoice {
  const char* name;
  MarkBlocksFunction mark;
};
std::array<MarkBlocksChoice, 3> MarkBlocksChoices(std::size_t& count);

// Copies 64 bytes (both ends may be unaligned).
inline void Copy64(char* d, const char* s) { std::memcpy(d, s, 64); }

// Encodes from p towards end and returns where it stopped (end, or a stop byte
// of the mode). On entry `dots` holds the full stops that ended the previous
// piece of the same line, on return those that end this one. t comes from RunTables for
// kMode. In kStream mode the caller has already skipped a LF that pairs with a
// CR ending the previous piece: a LF at p is a break of its own.
template <RunMode kMode>
inline const char* EncodeRun(const EntityTables& t, const char* p, const char* const end, char*& dst, int& dots) {
  char* d = dst;
  int run = dots;          // full stops of the current run since its last ellipsis
  const char* runEnd = p;  // just after the last full stop read
  if (dots != 0) {
    d[0] = '.';
    d[1] = '.';
    d += dots;
  }
  const char* s = p;
  if constexpr (kMode == RunMode::kStream) {
    // Below, a LF looks at the byte before it, which must be in this piece.
    if (s < end && *s == '\n') {
      d[0] = '\r';
      d[1] = '\n';
      d += 2;
      ++s;
    }
  }

  // Writes the output of the byte at q when it is plain or has a slot; false
  // for a stop byte or a full stop that may belong to a run (a lone one, with
  // no full stop on either side, is a plain byte). `near` says whether the bytes on
  // both sides of q may be read: both in this piece; `dense` that q is in a
  // block of mostly marked bytes.
  const auto slot = [&](const char* q, bool near, bool dense = false) -> bool {
    const auto c = static_cast<unsigned char>(*q);
    const bool dot = c == '.';
    const bool slow = (t.length[c] == 0) | (dot & (!near || ((q[1] == '.') | (q[-1] == '.'))));
    if (slow) [[unlikely]]
      return false;
    std::memcpy(d, t.text[c], 8);
    std::size_t length = t.length[c];
    if constexpr (kMode == RunMode::kStream) {
      // The LF of a CR LF: the CR wrote the break. Never called on the first
      // byte of the piece, so the byte before is in the piece. Where breaks are
      // rare among the marked bytes a branch is cheaper than the look back.
      if (dense) {
        if (c == '\n') [[unlikely]]
          length -= 2 * static_cast<std::size_t>(q[-1] == '\r');
      } else {
        length -= 2 * static_cast<std::size_t>((c == '\n') & (q[-1] == '\r'));
      }
    }
    d += length;
    return true;
  };
  // Writes the output of the byte at q (not plain); false for a stop byte.
  const auto special = [&](const char* q, bool near) -> bool {
    if (slot(q, near)) [[likely]]
      return true;
    if (*q != '.') return false;
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
    return true;
  };

  const char* stop = end;
  // The blocks below look at the byte before a full stop or a LF: the first
  // byte of the piece goes alone.
  if (s == p && s < end) {
    const auto c = static_cast<unsigned char>(*s);
    if (t.length[c] != 0 && c != '.') {  // not a LF either: see above
      std::memcpy(d, t.text[c], 8);
      d += t.length[c];
    } else if (!special(s, false)) {  // no look around a stop
      stop = s;
      goto finished;
    }
    ++s;
  }
  // Whole blocks while 64 bytes past the block can be read too (the copies
  // of plain bytes always move 64), marked a window of blocks at a time. The
  // window grows from one block: a UTF-8 run often stops within the first.
  for (std::size_t window = 1; end - s >= 128; window = std::min<std::size_t>(window * 2, 64)) {
    std::uint64_t marks[64];
    std::uint8_t counts[64];
    const std::size_t blocks = std::min(window, static_cast<std::size_t>(end - s - 64) / 64);
    MarkBlocks(s, blocks, marks, counts);
    for (std::size_t k = 0; k < blocks; ++k) {
      std::uint64_t mask = marks[k];
      if (mask == 0) {
        Copy64(d, s);
        s += 64;
        d += 64;
        continue;
      }
      const char* const base = s;
      if (counts[k] > kDenseBlock) {
        // Mostly marked bytes: every byte through its slot (a plain byte's slot
        // is itself); only full stops and stop bytes leave the straight path.
        for (; s < base + 64; ++s) {
          if (!slot(s, false, true)) [[unlikely]] {
            if (!special(s, false)) {
              stop = s;
              goto finished;
            }
          }
        }
        continue;
      }
      do {
        const char* const q = base + __builtin_ctzll(mask);
        const std::size_t gap = static_cast<std::size_t>(q - s);
        Copy64(d, s);  // a gap inside a block is shorter than 64
        d += gap;
        if (!special(q, true)) {
          stop = q;
          goto finished;
        }
        s = q + 1;
        mask &= mask - 1;
      } while (mask != 0);
      // The plain bytes that end the block.
      const std::size_t rest = static_cast<std::size_t>(base + 64 - s);
      Copy64(d, s);
      d += rest;
      s = base + 64;
    }
  }
  for (; s < end; ++s) {
    const auto c = static_cast<unsigned char>(*s);
    if (kByteClass[c] == kPlain) {
      *d++ = static_cast<char>(c);
    } else if (!special(s, false)) {
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

}  // namespace quorlin::detail
