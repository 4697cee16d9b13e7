#pragma once
// The full-stop rule as the bulk encoder applies it to a line written in
// pieces. Full stops are written as they come; the third of a run steps back
// over the two before it and writes the ellipsis. A run may go on into the next
// piece of the same line, so the full stops that end a piece are taken back
// from its output and held until the next piece says what they are.
//
//   piece "ab.."  -> "ab", 2 held        next piece ".c" -> "&hellip;c"
//   piece "ab.."  -> "ab", 2 held        end of the line -> ".."  (Release)
//   piece "x....." -> "x&hellip;", 2 held
//
// The kernel calls Resume, Add and Hold within one piece; between pieces its
// caller calls Release when something other than the kernel's next piece
// follows: a character the kernel left to it, or the end of the line.
// A fresh FullStopRun starts a line with no run. The kernel's three are always
// inlined: each instruction set's kernel uses them, and an out-of-line copy
// compiled for one could be linked in for all.
#include <cstddef>
#include <cstring>

namespace quorlin {

class FullStopRun {
 public:
  // Between pieces: writes the full stops held from the end of the last piece
  // (0, 1 or 2) at d and ends the run. Needs 2 bytes of room.
  void Release(char*& d) {
    if (count_ == 0) return;
    d[0] = '.';
    d[1] = '.';
    d += count_;
    count_ = 0;
  }

  // Before a piece that starts at p: the held full stops are written back at d
  // (2 bytes of room), and a full stop at p goes on with their run.
  [[gnu::always_inline]] void Resume(const char* p, char*& d) {
    d[0] = '.';
    d[1] = '.';
    d += count_;
    after_ = p;
  }

  // The full stop at q, a place in the piece after any given before: written at
  // d, or, as the third of its run, written over the two before it as the
  // ellipsis. A full stop that is not next to the one before starts a new run.
  // Copies 8 bytes from `ellipsis`, of which the first `length` are its text.
  [[gnu::always_inline]] void Add(const char* q, const char* ellipsis, std::size_t length,
                                  char*& d) {
    if (q != after_) count_ = 0;
    after_ = q + 1;
    if (count_ == 2) {
      d -= 2;
      std::memcpy(d, ellipsis, 8);
      d += length;
      count_ = 0;
    } else {
      *d++ = '.';
      ++count_;
    }
  }

  // After the piece, which stopped just before `stop`: the full stops that end
  // there are taken back from d and held.
  [[gnu::always_inline]] void Hold(const char* stop, char*& d) {
    if (after_ != stop) count_ = 0;
    d -= count_;
    after_ = nullptr;
  }

 private:
  int count_ = 0;                // full stops of the run since its last ellipsis
  const char* after_ = nullptr;  // within a piece: just after the run's last full stop
};

}  // namespace quorlin
