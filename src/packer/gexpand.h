// The expander's loops. They are compiled twice: in gcompress.cpp for every processor, and in
// gexpand_shuffle.cpp with the byte shuffles of SSSE3, which TLZR::DecompressChunk calls where the
// processor has them. Every function defined here has internal linkage, so that neither build's code
// can stand in for the other's when the program is linked.
#pragma once
#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>

#include "packer/gcompress.h"
#ifdef __SSSE3__
#include <tmmintrin.h>
#endif

namespace qs::expander {

// What is wrong with a chunk. Reported out of line (gcompress.cpp), so the loops stay small.
enum class Fault { Length, WordCutOff, ItemCutOff, RunCutOff, BeforeStart, TooLong };
[[noreturn]] [[gnu::cold]] [[gnu::noinline]] void Malformed(Fault fault, long value = 0);
// ExpandChunk below as gexpand_shuffle.cpp builds it.
int ExpandChunkShuffled(const std::uint8_t* in, int length, std::uint8_t* out);

constexpr int kWindow = 4096;  // a match reaches back 4,095 bytes at most
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 18;
constexpr int kMinRun = 16;

namespace {

#ifdef __SSSE3__
// For a match at distance d, lanes[i] = i % d picks the pattern's bytes from a 16-byte load at
// the match's start, and at16 = 16 % d, at17 = 17 % d its bytes 16 and 17. Entry 18 stands for
// every distance of 18 or more, where the pattern is the load as it is.
struct alignas(16) Repeat {
  std::uint8_t lanes[16];
  std::uint8_t at16, at17;
};
constexpr auto kRepeat = [] {
  std::array<Repeat, 19> t{};
  for (int d = 1; d <= 18; ++d) {
    for (int i = 0; i < 16; ++i) t[d].lanes[i] = static_cast<std::uint8_t>(i % d);
    t[d].at16 = static_cast<std::uint8_t>(16 % d);
    t[d].at17 = static_cast<std::uint8_t>(17 % d);
  }
  return t;
}();
#endif

// Expands one copy item at ip, whose bytes lie in the chunk (2 for a match, 4 for a run), and
// gives the number of input bytes it took. Checked: the match's distance and every length are
// tested against the output; unchecked, the caller has proven that no match can reach before
// the start (at least 4,095 bytes are out) or past the end (room for 18 bytes per item is left).
template <bool kChecked>
[[gnu::always_inline]] inline int CopyItem(const std::uint8_t* ip, std::uint8_t* out, std::uint8_t*& op,
                                           std::uint8_t* oend) {
  const std::uint32_t b0 = ip[0], b1 = ip[1];
  const std::uint32_t distance = b0 << 4 | b1 >> 4;
  if (distance != 0) {
    const int len = static_cast<int>(b1 & 0x0F) + kMinMatch;
    if constexpr (kChecked) {
      if (distance > static_cast<std::uint32_t>(op - out)) Malformed(Fault::BeforeStart, distance);
      if (oend - op < len) Malformed(Fault::TooLong);
    }
    // Checked or proven by the caller: the match starts in the output and ends before its end.
    assert(distance <= static_cast<std::uint32_t>(op - out) && len <= oend - op);
    const std::uint8_t* src = op - distance;
#ifdef __SSSE3__
    // No jump on the distance: the first 16 bytes are the match's first min(distance, 16) bytes
    // repeated by one shuffle (only bytes before op are taken), and bytes 16 and 17 come from
    // where the pattern puts them, before op too. 18 bytes are written from op.
    const Repeat& r = kRepeat[distance < 18 ? distance : 18];
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(op),
                     _mm_shuffle_epi8(bytes, _mm_load_si128(reinterpret_cast<const __m128i*>(r.lanes))));
    op[16] = src[r.at16];
    op[17] = src[r.at17];
#else
    // Blocks of 8 or 16 bytes read only bytes that are final once the distance is at least the
    // block size. They write up to 32 bytes from op: len <= 18 and op + len <= oend, so that stays
    // inside the slack past oend.
    if (distance >= 16) {
      std::memcpy(op, src, 16);
      std::memcpy(op + 16, src + 16, 16);
    } else if (distance >= 8) {
      std::memcpy(op, src, 8);
      std::memcpy(op + 8, src + 8, 8);
      std::memcpy(op + 16, src + 16, 8);
    } else {
      for (int j = 0; j < len; ++j) op[j] = src[j];  // a short pattern repeating itself
    }
#endif
    op += len;
    return 2;
  }
  const int count = static_cast<int>(b1 << 8 | ip[2]) + kMinRun;
  if (oend - op < count) Malformed(Fault::TooLong);  // runs are checked always
  assert(op + count <= oend);
  std::memset(op, ip[3], static_cast<std::size_t>(count));
  op += count;
  return 4;
}

// Items of a group whose bytes, and 16 more, lie in the chunk: a row of literals is copied as one
// 16-byte block from where it starts. x holds the group's remaining bits at its top, followed by
// a stop bit. Gives true once the group is done. Unchecked, it gives false to be continued
// checked when a run leaves less than 18 bytes of room per item: literals and matches make at
// most 18 bytes each, runs up to 4,111.
template <bool kChecked>
[[gnu::always_inline]] inline bool Group(std::uint32_t& x, const std::uint8_t*& ip, std::uint8_t* out,
                                         std::uint8_t*& op, std::uint8_t* oend) {
  for (;;) {
    const int t = std::countl_zero(x | 1);  // literals before the next copy item (or the stop bit)
    if constexpr (kChecked) {
      if (oend - op < t) Malformed(Fault::TooLong);
    }
    // Every item so far ended at oend at the latest, so the block ends inside the slack past it.
    assert(op <= oend && TLZR::ExpandSlack >= 16);
    std::memcpy(op, ip, 16);  // op + 16 stays inside the slack past oend
    op += t;
    ip += t;
    x <<= t;
    if (x == 0x80000000u) return true;                        // only the stop bit is left
    const int taken = CopyItem<kChecked>(ip, out, op, oend);  // 4 for a run
    ip += taken;
    x <<= 1;
    if constexpr (!kChecked) {
      if (taken == 4 && oend - op < 16 * kMaxMatch) return x == 0x80000000u;
    }
  }
}

// Expands the chunk in[0..length-1] into out, as TLZR::DecompressChunk states.
[[maybe_unused]] int ExpandChunk(const std::uint8_t* in, int length, std::uint8_t* out) {
  if (length < 0 || length > TLZR::MaxChunkLength) Malformed(Fault::Length, length);
  if (length < 2) return 0;
  if (in[0] == TLZR::StoredMark) {
    assert(length - 1 <= TLZR::ChunkSize);                           // length <= MaxChunkLength was checked above
    std::memcpy(out, in + 1, static_cast<std::size_t>(length - 1));  // length - 1 <= ChunkSize
    return length - 1;
  }
  if (length < 3) Malformed(Fault::WordCutOff);

  const std::uint8_t* ip = in + 3;
  const std::uint8_t* const iend = in + length;
  std::uint8_t* op = out;
  std::uint8_t* const oend = out + TLZR::ChunkSize;
  // The current group's item bits stand at the top of w, the next one in bit 31.
  std::uint32_t w = static_cast<std::uint32_t>(in[1] << 8 | in[2]) << 16;

  for (;;) {
    // A group's items take at most 64 bytes, and a row of literals is read as a 16-byte block:
    // with 80 bytes left every read stays in the chunk, and every item of the group is in it.
    if (iend - ip >= 80) {
      std::uint32_t x = w | 0x8000;  // a stop bit below the group's 16 bits
      // Past the first 4,095 bytes no match reaches before the start; with 18 bytes of room per
      // item no literal or match reaches past the end.
      if (op - out < kWindow - 1 || oend - op < 16 * kMaxMatch || !Group<false>(x, ip, out, op, oend))
        Group<true>(x, ip, out, op, oend);
    } else {
      // Near the chunk's end: item by item, and the chunk may end before the group does.
      int bits = 16;
      while (bits > 0 && ip < iend) {
        int t = w == 0 ? bits : std::min(std::countl_zero(w), bits);
        if (t > 0) {
          if (iend - ip < t) t = static_cast<int>(iend - ip);
          if (oend - op < t) Malformed(Fault::TooLong);
          std::memcpy(op, ip, static_cast<std::size_t>(t));
          op += t;
          ip += t;
          w <<= t;
          bits -= t;
          continue;  // the next bit, if any, is a copy item
        }
        if (iend - ip < 2) Malformed(Fault::ItemCutOff);
        if (ip[0] == 0 && (ip[1] >> 4) == 0 && iend - ip < 4) Malformed(Fault::RunCutOff);
        ip += CopyItem<true>(ip, out, op, oend);
        w <<= 1;
        bits -= 1;
      }
    }
    // The groups read inside the chunk and wrote at most ChunkSize bytes.
    assert(ip <= iend && op <= oend);
    if (ip >= iend) break;
    // Another group follows: its command word and at least one item must be in the chunk.
    if (iend - ip < 3) Malformed(Fault::WordCutOff);
    w = static_cast<std::uint32_t>(ip[0] << 8 | ip[1]) << 16;
    ip += 2;
  }
  return static_cast<int>(op - out);
}

}  // namespace
}  // namespace qs::expander
