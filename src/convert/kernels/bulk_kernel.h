#pragma once
// The bulk encoder shared by EncodeLine and the stream encoder, in one kernel
// per instruction set (kernel.h). Sixty-four source bytes at a time are
// scanned into bit masks of the bytes that need work; the block is copied in
// one 64-byte move, then each marked byte is one lookup in a 256-entry table of
// fixed 8-byte slots, stored whole and advanced by its true length, followed by
// a 64-byte move of the plain bytes after it. A block that is mostly marked
// bytes goes through every byte's slot instead. See bulk_kernel_impl.h.
//
// Full stops follow FullStopRun (full_stop_run.h): a run may go on into the
// next piece of the same line, so the caller keeps one per line.
//
// Engine-internal: only the engine's sources include it. The front ends and
// the tests reach the kernels through EncodeLine, StreamEncoder and TextCheck,
// which take a Kernel.
//
// The destination must have room for 8 bytes per source byte plus 32.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "convert/entity_encoder.h"
#include "convert/kernels/full_stop_run.h"
#include "convert/kernels/kernel.h"

namespace quorlin::detail {

struct EntityTables {
  char text[256][8];         // every byte's output, padded to 8 bytes
  std::uint8_t length[256];  // its length
  char ellipsis[8];
  std::uint8_t ellipsisLength;
};

const EntityTables& TablesFor(EntityMode mode);

// Writes at d the text of a character of 128 and above that follows no held
// full stop, as EncodeCodePoint gives it; needs 16 bytes of room.
void WriteCodePoint(EntityMode mode, char32_t codePoint, char*& d);

inline void WriteSlot(const EntityTables& t, unsigned char c, char*& d) {
  std::memcpy(d, t.text[c], 8);
  d += t.length[c];
}

// How a run treats CR, LF and NUL, and bytes of 128 and above.
enum class RunMode {
  kStream,  // Windows-1252 file bytes: CR, LF and CR LF end a line (written as CR LF), NUL stops
  // Inside one UTF-8 line: CR, LF and NUL are copied like other plain bytes;
  // stops at every byte >= 128.
  kLineUtf8,
};

// The tables a run of the given mode works with: a zero length marks a byte the
// run stops at (the caller's to handle). In kStream mode CR and LF both become
// CR LF (a LF just after a CR then writes nothing) and NUL stops; in kLineUtf8
// mode every byte of 128 and above stops.
inline EntityTables RunTables(const EntityTables& base, RunMode mode) {
  EntityTables t = base;
  if (mode == RunMode::kStream) {
    for (unsigned char c : {'\r', '\n'}) {
      std::memcpy(t.text[c], "\r\n", 2);
      t.length[c] = 2;
    }
    t.length[0] = 0;
  } else {
    for (int c = 128; c < 256; ++c) t.length[c] = 0;
  }
  return t;
}

// A kernel's run of each mode: EncodeRun's work, for one instruction set.
using RunFunction = const char* (*)(const EntityTables& t, const char* p, const char* end,
                                    char*& dst, FullStopRun& stops);
// Its UTF-8 helpers: Utf8ToCp1252 and ValidUtf8 below.
using Utf8ToCp1252Function = const unsigned char* (*)(const unsigned char* p,
                                                      const unsigned char* end, char*& dst,
                                                      char* dstEnd);
using ValidUtf8Function = bool (*)(const unsigned char* p, const unsigned char* end,
                                   bool& nonAscii);
struct KernelSet {
  RunFunction stream;
  RunFunction lineUtf8;
  Utf8ToCp1252Function utf8ToCp1252;
  ValidUtf8Function validUtf8;
};
// The functions of a kernel; a kernel that cannot run here gives the fastest that can.
const KernelSet& SetOf(Kernel kernel);

// Encodes from p towards end and returns where it stopped (end, or a stop byte
// of the mode). `stops` is the run of the line the piece belongs to: on entry
// it holds the full stops that ended its previous piece, on return those that
// end this one (the caller releases them when the line goes on otherwise). t
// comes from RunTables for kMode. In kStream mode the caller has already
// skipped a LF that pairs with a CR ending the previous piece: a LF at p is a
// break of its own. Every kernel gives the same bytes.
template <RunMode kMode>
inline const char* EncodeRun(Kernel kernel, const EntityTables& t, const char* p, const char* end,
                             char*& dst, FullStopRun& stops) {
  const KernelSet& set = SetOf(kernel);
  const RunFunction run = kMode == RunMode::kStream ? set.stream : set.lineUtf8;
  return run(t, p, end, dst, stops);
}

// UTF-8 text turned into Windows-1252 bytes as far as it goes: from p each
// character that Windows-1252 holds becomes its byte at dst, up to end or until
// dst reaches dstEnd; it stops before a sequence that is not valid UTF-8 (one
// cut by `end` included) and before a character that Windows-1252 lacks.
// Returns where it stopped; dst is moved past the bytes written.
//   "caf\xc3\xa9 \xe2\x80\x99a" -> "caf\xe9 \x92a", all of it
//   "a\xe2\x86\x92b" -> "a", stopped at U+2192    "a\xc3" -> "a", stopped at the cut
inline const unsigned char* Utf8ToCp1252(Kernel kernel, const unsigned char* p,
                                         const unsigned char* end, char*& dst, char* dstEnd) {
  return SetOf(kernel).utf8ToCp1252(p, end, dst, dstEnd);
}

// Whether [p, end) is valid UTF-8, strictly as DecodeUtf8 reads it (a sequence
// cut by `end` is not); sets nonAscii when it holds a byte of 128 or above.
inline bool ValidUtf8(Kernel kernel, const unsigned char* p, const unsigned char* end,
                      bool& nonAscii) {
  return SetOf(kernel).validUtf8(p, end, nonAscii);
}

}  // namespace quorlin::detail
