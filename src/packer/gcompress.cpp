#include "packer/gcompress.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <climits>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "core/streams.h"
#include "packer/gexpand.h"

namespace qs {

namespace {

// The format's limits, as the expander states them.
using expander::kMaxMatch;
using expander::kMinMatch;
using expander::kMinRun;
using expander::kWindow;
constexpr int kMaxRun = 4095;
constexpr std::uint32_t kHashMultiplier = 40543;
constexpr std::uint32_t kWordStart = 0x8000;  // the compressor's empty command word: its stop bit
// The bytes at the three lowest addresses of an 8-byte load; a bit of the byte at the highest.
constexpr std::uint64_t kFirstThreeBytes =
    std::endian::native == std::endian::little ? 0x0000000000FFFFFFull : 0xFFFFFF0000000000ull;
constexpr std::uint64_t kLastByteBit = std::endian::native == std::endian::little ? 1ull << 56 : 1ull << 7;

std::uint64_t Load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// Index of the first byte in memory order at which two 8-byte loads differ (x = a ^ b, x != 0).
std::uint32_t FirstDifferentByte(std::uint64_t x) {
  if constexpr (std::endian::native == std::endian::little) {
    return static_cast<std::uint32_t>(std::countr_zero(x)) >> 3;
  } else {
    return static_cast<std::uint32_t>(std::countl_zero(x)) >> 3;
  }
}

// Bits 4 to 15 of the product are the hash, so a 32-bit product that wraps gives the same value.
std::uint32_t Hash3(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
  const std::uint32_t v = (((a << 4) ^ b) << 4) ^ c;
  return ((v * kHashMultiplier) >> 4) & 0xFFF;
}

// Whether the hashes are worked out 16 at a time in vector registers.
#if defined(__SSE2__) || defined(__ARM_NEON)
constexpr bool kVectorHashes = std::endian::native == std::endian::little;
#else
constexpr bool kVectorHashes = false;
#endif

// The hashes of positions from to to (to <= n - 2, positions with three bytes left) of in[0..n-1];
// a few more past to may be filled. With vectors, 16 positions at a time: a 16-bit lane of a
// little-endian load holds a position's first two bytes and the same lane of the load two bytes on
// its third; the loads one byte further give the odd positions. 16 bits of the product are all the
// hash needs.
[[gnu::noinline]] void HashRange(const std::uint8_t* in, std::size_t n, std::size_t from, std::size_t to,
                                 std::uint16_t* hashes) {
  std::size_t i = from;
  if constexpr (kVectorHashes) {
    using Lanes = std::uint16_t __attribute__((vector_size(16)));
    for (; i < to && i + 19 <= n; i += 16) {
      Lanes even, evenThird, odd, oddThird;
      std::memcpy(&even, in + i, sizeof even);
      std::memcpy(&odd, in + i + 1, sizeof odd);
      std::memcpy(&evenThird, in + i + 2, sizeof evenThird);
      std::memcpy(&oddThird, in + i + 3, sizeof oddThird);
      even = even << 8 ^ (even >> 8) << 4 ^ (evenThird & 0xFF);
      odd = odd << 8 ^ (odd >> 8) << 4 ^ (oddThird & 0xFF);
      even = even * static_cast<std::uint16_t>(kHashMultiplier) >> 4;
      odd = odd * static_cast<std::uint16_t>(kHashMultiplier) >> 4;
      const Lanes lo = __builtin_shufflevector(even, odd, 0, 8, 1, 9, 2, 10, 3, 11);
      const Lanes hi = __builtin_shufflevector(even, odd, 4, 12, 5, 13, 6, 14, 7, 15);
      std::memcpy(hashes + i, &lo, sizeof lo);
      std::memcpy(hashes + i + 8, &hi, sizeof hi);
    }
  }
  for (; i < to; ++i) hashes[i] = static_cast<std::uint16_t>(Hash3(in[i], in[i + 1], in[i + 2]));
}

// The number of bytes equal to s[0] from s on, at most limit; s[0..limit-1] must be readable.
[[gnu::noinline]] int RunLength(const std::uint8_t* s, int limit) {
  const std::uint64_t pattern = 0x0101010101010101ull * s[0];
  int r = 0;
  while (r + 8 <= limit) {
    const std::uint64_t x = Load64(s + r) ^ pattern;
    if (x != 0) return r + static_cast<int>(FirstDifferentByte(x));
    r += 8;
  }
  while (r < limit && s[r] == s[0]) ++r;
  return r;
}

// The number of equal bytes a[i] == b[i] from i = 0, at most limit. b lies before a in the same
// piece, so when limit is the full 18, both a[0..17] and b[0..17] are readable.
int MatchLength(const std::uint8_t* a, const std::uint8_t* b, int limit) {
  if (limit == kMaxMatch) {
    std::uint64_t x = Load64(a) ^ Load64(b);
    if (x != 0) return static_cast<int>(FirstDifferentByte(x));
    x = Load64(a + 8) ^ Load64(b + 8);
    if (x != 0) return 8 + static_cast<int>(FirstDifferentByte(x));
    if (a[16] != b[16]) return 16;
    return a[17] != b[17] ? 17 : 18;
  }
  int m = 0;
  while (m < limit && a[m] == b[m]) ++m;
  return m;
}

}  // namespace

// ---- TLZR ---------------------------------------------------------------------------------------

// The table and the compressor's work areas, in one block: the walk over a piece reaches all three
// from one base (the table first, at no offset). The walk reads the hash of each position it visits from `hashes`,
// worked out a block at a time ahead of it, and `contents` keeps the first 8 bytes at the position held by each entry
// of `positions` (the table FHashTable), so that a candidate is judged without waiting for a read at its position.
struct TLZR::Scratch {
  std::int16_t positions[HashEntries];
  std::uint64_t contents[HashEntries];
  std::uint16_t hashes[ChunkSize];
};

TLZR::TLZR() {
  scratch_.reset(new (std::nothrow) Scratch);
  if (!scratch_) throw GPacker(kMsgNoCompressionTable);
  std::memset(scratch_->contents, 0, sizeof scratch_->contents);  // every entry holds a value
  FHashTable = scratch_->positions;
  ClearTable();
}

TLZR::~TLZR() = default;

void TLZR::ClearTable() { std::memset(FHashTable, 0xFF, HashEntries * sizeof(std::int16_t)); }

bool TLZR::FindMatch(const std::uint8_t* in, int n, int p, int& start, int& length) {
  auto at = [&](int i) -> std::uint32_t { return i < n ? in[i] : 0; };
  const std::uint32_t h = Hash3(at(p), at(p + 1), at(p + 2));
  const int e = FHashTable[h];
  FHashTable[h] = static_cast<std::int16_t>(p);  // 32,768 and more wrap to negative numbers
  start = e;
  length = 0;
  if (e == -1 || p - e >= kWindow) return false;
  length = MatchLength(in + p, in + e, std::min(kMaxMatch, n - p));
  return length >= kMinMatch;
}

int TLZR::CompressChunk(const std::uint8_t* in, int n, std::uint8_t* out) {
  if (n < 1 || n > ChunkSize) throw GPacker("TPackFiles: chunk of " + std::to_string(n) + " bytes");
  // Empty entries hold 0x8080 (-32,640) rather than -1: like every negative entry it lies 4,096
  // or more before any position, so "p - e < 4,096" alone, taken unsigned, decides a candidate.
  std::memset(FHashTable, 0x80, HashEntries * sizeof(std::int16_t));
  Scratch& s = *scratch_;

  const std::uint8_t* ip = in;  // input position p
  const std::uint8_t* const iend = in + n;
  std::uint8_t* cp = out + 1;            // where the current command word goes
  std::uint8_t* op = out + 3;            // output position o
  std::uint8_t* const olimit = out + n;  // the chunk stays compressed while o <= n
  out[0] = CompressedMark;
  // The command word's bits, behind a stop bit that starts in bit 15: once 16 items are in, the
  // stop bit is in bit 31, and the sign tells a full word. Only the low 16 bits are ever stored.
  std::uint32_t w = kWordStart;

  auto run = [&](int r) {
    op[0] = 0;
    op[1] = static_cast<std::uint8_t>((r - kMinRun) >> 8);
    op[2] = static_cast<std::uint8_t>(r - kMinRun);
    op[3] = *ip;
    op += 4;
    ip += r;
    w = (w << 1) | 1;
  };
  auto match = [&](std::uint32_t distance, int m) {
    const std::uint32_t item = distance * 16 + static_cast<std::uint32_t>(m - kMinMatch);
    op[0] = static_cast<std::uint8_t>(item >> 8);
    op[1] = static_cast<std::uint8_t>(item);
    op += 2;
    ip += m;
    w = (w << 1) | 1;
  };
  auto literal = [&]() {
    *op++ = *ip++;
    w <<= 1;
  };
  auto newWordIfFull = [&]() {
    if (static_cast<std::int32_t>(w) < 0) {
      cp[0] = static_cast<std::uint8_t>(w >> 8);
      cp[1] = static_cast<std::uint8_t>(w);
      cp = op;
      op += 2;
      w = kWordStart;
    }
  };

  // Whole groups while the output has room for a command word and 16 items of at most 4 bytes
  // and the input holds 16 full matches of 18 bytes more: then every step of the group starts
  // with p < n and o <= n, as the step by step loop below checks, and with 18 bytes of the piece
  // left for the comparisons. Only a run may cross that bound; it ends the fast loop.
  const std::size_t pfast = n > 16 * kMaxMatch ? static_cast<std::size_t>(n - 16 * kMaxMatch) : 0;
  std::size_t p = 0;
  // The hashes are worked out a block at a time ahead of the walk: [p, hashed) always holds them.
  // The blocks grow while no run skips positions, and start small again after one, so that few
  // positions inside long runs are hashed.
  constexpr std::size_t kFirstBlock = 64, kLastBlock = 1024;
  std::size_t hashed = 0, block = kFirstBlock;
  auto cover = [&]() {
    hashed = std::min(p + block, static_cast<std::size_t>(n) - 2);
    HashRange(in, static_cast<std::size_t>(n), p, hashed, s.hashes);
    block = std::min(2 * block, kLastBlock);
  };
  // One item; false when a run ends it at pfast or beyond.
  auto step = [&]() __attribute__((always_inline)) {
    const std::uint64_t x = Load64(in + p);
    const std::uint8_t b = in[p];
    // A run of 16 or more equal bytes comes first; fewer go through the match search. The
    // run needs its first 8 bytes equal, which is rare, so this jump is seldom taken.
    if (x == 0x0101010101010101ull * b) [[unlikely]] {
      const int r = RunLength(in + p, static_cast<int>(std::min<std::size_t>(n - p, kMaxRun)));
      if (r >= kMinRun) {
        op[0] = 0;
        op[1] = static_cast<std::uint8_t>((r - kMinRun) >> 8);
        op[2] = static_cast<std::uint8_t>(r - kMinRun);
        op[3] = b;
        op += 4;
        p += static_cast<std::size_t>(r);
        w = (w << 1) | 1;
        block = kFirstBlock;
        return p < pfast;
      }
    }
    if (p >= hashed) [[unlikely]]
      cover();
    const std::size_t h = s.hashes[p];
    const std::int16_t e = s.positions[h];
    const std::uint64_t y = s.contents[h];
    s.positions[h] = static_cast<std::int16_t>(p);  // 32,768 and more wrap negative: never candidates
    s.contents[h] = x;
    const std::uint32_t distance = static_cast<std::uint32_t>(static_cast<int>(p) - e);
    const std::uint64_t diff = x ^ y;
    // Literal or match stays a jump: predicting it lets the next steps start early. It is a match
    // when the first three bytes are equal and the distance is under 4,096 (no bit above bit 11).
    if (((diff & kFirstThreeBytes) | (distance >> 12)) == 0) {
      const std::uint32_t m0 = FirstDifferentByte(diff | kLastByteBit);  // 7 stands for "7 or more"
      const std::uint32_t m7 = FirstDifferentByte((Load64(in + p + 7) ^ Load64(in + e + 7)) | kLastByteBit);
      std::size_t m = m0 + (-((m0 + 1) >> 3) & m7);
      if (m == 14) [[unlikely]]
        m = 11 + FirstDifferentByte((Load64(in + p + 11) ^ Load64(in + e + 11)) | kLastByteBit);
      const std::uint32_t item = distance * 16 + static_cast<std::uint32_t>(m - kMinMatch);
      op[0] = static_cast<std::uint8_t>(item >> 8);
      op[1] = static_cast<std::uint8_t>(item);
      op += 2;
      p += m;
      w = (w << 1) | 1;
      return true;
    }
    *op++ = b;
    ++p;
    w <<= 1;
    return true;
  };
  while (p < pfast && olimit - op >= 2 + 16 * 4) {
    // A group starts inside the piece, and its word and 16 items of at most 4 bytes fit before n.
    assert(p < static_cast<std::size_t>(n) && op + 2 + 16 * 4 <= olimit);
    newWordIfFull();
    const bool whole = [&]<std::size_t... I>(std::index_sequence<I...>) {
      return ((static_cast<void>(I), step()) && ...);
    }
    (std::make_index_sequence<16>{});
    if (!whole) break;
  }
  // A group stops at the piece's end at the latest (a run is cut to what is left), and writes
  // at most 66 bytes into room that was checked before it (a piece too short for any group
  // leaves p at 0 and o at 3, which may exceed n).
  assert(p <= static_cast<std::size_t>(n) && (p == 0 || op <= olimit));
  ip = in + p;

  // The rest step by step, as the algorithm states it.
  while (ip < iend && op <= olimit) {
    newWordIfFull();
    const int left = static_cast<int>(iend - ip);
    const std::uint8_t b = ip[0];
    if (left >= kMinRun && ip[1] == b) {
      const int r = RunLength(ip, std::min(left, kMaxRun));
      if (r >= kMinRun) {
        run(r);
        continue;
      }
    }
    // With fewer than three bytes left no match fits, and the table is not consulted again in
    // this chunk, so those positions need no hash (and no byte past n).
    if (left >= kMinMatch) {
      const std::uint32_t h = Hash3(b, ip[1], ip[2]);
      const int p = static_cast<int>(ip - in);
      const int e = s.positions[h];
      s.positions[h] = static_cast<std::int16_t>(p);
      const std::uint32_t distance = static_cast<std::uint32_t>(p - e);
      if (distance < kWindow) {
        const int m = MatchLength(ip, ip - distance, std::min(left, kMaxMatch));
        if (m >= kMinMatch) {
          match(distance, m);
          continue;
        }
      }
    }
    literal();
  }

  // Shift the last group's first item into bit 15 (the stop bit moves to bit 31).
  w <<= std::countl_zero(w);
  cp[0] = static_cast<std::uint8_t>(w >> 8);
  cp[1] = static_cast<std::uint8_t>(w);
  // Each step writes at most 4 bytes after finding o <= n, and a new word 2 more: the compressed
  // form never passes n + 6 = CompressOutSize bytes of out.
  assert(op - out <= n + 6);
  if (op <= olimit) return static_cast<int>(op - out);

  // Not shorter than the piece plus its mark: store it.
  out[0] = StoredMark;
  std::memcpy(out + 1, in, static_cast<std::size_t>(n));
  return n + 1;
}

namespace expander {

void Malformed(Fault fault, long value) {
  std::string what;
  switch (fault) {
    case Fault::Length:
      what = "chunk length " + std::to_string(value) + " is outside 0.." + std::to_string(TLZR::MaxChunkLength);
      break;
    case Fault::WordCutOff:
      what = "command word cut off at the end of the chunk";
      break;
    case Fault::ItemCutOff:
      what = "item cut off at the end of the chunk";
      break;
    case Fault::RunCutOff:
      what = "run item cut off at the end of the chunk";
      break;
    case Fault::BeforeStart:
      what = "match at distance " + std::to_string(value) + " reaches before the start of the chunk";
      break;
    case Fault::TooLong:
      what = "more than " + std::to_string(TLZR::ChunkSize) + " bytes of output";
      break;
  }
  throw GPacker("TPackFiles: corrupt compressed data: " + what);
}

}  // namespace expander

bool TLZR::ByteShufflesAvailable() {
#if defined(__x86_64__) || defined(__i386__)
  static const bool available = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
  }();
  return available;
#else
  return false;
#endif
}

int TLZR::DecompressChunk(const std::uint8_t* in, int length, std::uint8_t* out) {
  return FByteShuffles ? expander::ExpandChunkShuffled(in, length, out) : expander::ExpandChunk(in, length, out);
}

// ---- TGCompressStream ---------------------------------------------------------------------------

// The fixed work areas: one input and one output area serve both directions.
struct TGCompressStream::WorkAreas {
  std::uint8_t in[TLZR::MaxChunkLength + 2];  // a piece to compress or a chunk to expand
  std::uint8_t out[TLZR::ExpandOutSize];      // a compressed chunk or expanded bytes
};
static_assert(TLZR::ExpandOutSize >= TLZR::CompressOutSize);

TGCompressStream::TGCompressStream() : FLZR(std::make_unique<TLZR>()) {
  work_.reset(new (std::nothrow) WorkAreas());
  if (!work_) throw GPacker(kMsgNoCompressionTable);
}

TGCompressStream::~TGCompressStream() = default;

void TGCompressStream::CompressStream(TStream& source, TStream& dest, std::int64_t count) {
  dest.WriteBuffer(FSignature, 3);
  const std::int64_t totalPos = dest.Position();
  dest.WriteI32(0);
  std::int64_t total = 0;
  while (count > 0) {
    // Never more than asked: a source longer than count keeps its further bytes to itself.
    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(count, TLZR::ChunkSize));
    std::size_t n;
    const std::uint8_t* piece = work_->in;
    if (auto* memory = dynamic_cast<TMemoryStream*>(&source)) {
      // In memory already: compress it where it lies (the compressor reads nothing past the piece).
      const std::int64_t at = memory->Position(), size = memory->Size();
      n = at < size ? static_cast<std::size_t>(std::min<std::int64_t>(size - at, static_cast<std::int64_t>(want))) : 0;
      piece = memory->Data() + at;
      memory->Seek(static_cast<std::int64_t>(n), SeekOrigin::Current);
    } else {
      n = source.Read(work_->in, want);
    }
    if (n == 0) throw EReadError();  // the source ended before count bytes
    const int length = FLZR->CompressChunk(piece, static_cast<int>(n), work_->out);
    total += length + 4;
    if (total > INT32_MAX) throw GPacker("TPackFiles: file too large for a compressed container");
    dest.WriteI32(length);
    dest.WriteBuffer(work_->out, static_cast<std::size_t>(length));
    count -= static_cast<std::int64_t>(n);
  }
  const std::int64_t end = dest.Position();
  dest.SetPosition(totalPos);
  dest.WriteI32(static_cast<std::int32_t>(total));
  dest.SetPosition(end);
}

void TGCompressStream::DecompressStream(TStream& source, TStream& dest) {
  char signature[3];
  source.ReadBuffer(signature, 3);  // not compared with "GDG"
  std::int32_t total = source.ReadI32();
  while (total > 0) {
    const std::int32_t length = source.ReadI32();
    if (length < 0 || length > TLZR::MaxChunkLength) expander::Malformed(expander::Fault::Length, length);
    const std::uint8_t* chunk = work_->in;
    if (auto* memory = dynamic_cast<TMemoryStream*>(&source)) {
      // In memory already: expand it where it lies (the expander reads nothing past the chunk).
      const std::int64_t at = memory->Position();
      if (at > memory->Size() || memory->Size() - at < length) throw EReadError();
      chunk = memory->Data() + at;
      memory->Seek(length, SeekOrigin::Current);
    } else {
      source.ReadBuffer(work_->in, static_cast<std::size_t>(length));
    }
    if (length >= 2 && chunk[0] == TLZR::StoredMark) {
      dest.WriteBuffer(chunk + 1, static_cast<std::size_t>(length - 1));  // a stored piece, as it is
    } else {
      const int produced = FLZR->DecompressChunk(chunk, length, work_->out);
      dest.WriteBuffer(work_->out, static_cast<std::size_t>(produced));
    }
    total -= length + 4;  // cannot overflow: total > 0 and length <= 32,784
  }
}

}  // namespace qs
