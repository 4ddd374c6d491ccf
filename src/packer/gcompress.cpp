#include "packer/gcompress.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <new>
#include <string>

#include "core/streams.h"

namespace qs {

namespace {

constexpr int kWindow = 4096;      // a candidate at this distance or more is not used
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 18;
constexpr int kMinRun = 16;
constexpr int kMaxRun = 4095;
constexpr std::uint32_t kHashMultiplier = 40543;

std::uint64_t Load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// Index of the first byte in memory order at which two 8-byte loads differ (x = a ^ b, x != 0).
int FirstDifferentByte(std::uint64_t x) {
  if constexpr (std::endian::native == std::endian::little) {
    return std::countr_zero(x) >> 3;
  } else {
    return std::countl_zero(x) >> 3;
  }
}

// Bits 4 to 15 of the product are the hash, so a 32-bit product that wraps gives the same value.
std::uint32_t Hash3(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
  const std::uint32_t v = (((a << 4) ^ b) << 4) ^ c;
  return ((v * kHashMultiplier) >> 4) & 0xFFF;
}

// The number of bytes equal to s[0] from s on, at most limit; s[0..limit-1] must be readable.
int RunLength(const std::uint8_t* s, int limit) {
  const std::uint64_t pattern = 0x0101010101010101ull * s[0];
  int r = 0;
  while (r + 8 <= limit) {
    const std::uint64_t x = Load64(s + r) ^ pattern;
    if (x != 0) return r + FirstDifferentByte(x);
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
    if (x != 0) return FirstDifferentByte(x);
    x = Load64(a + 8) ^ Load64(b + 8);
    if (x != 0) return 8 + FirstDifferentByte(x);
    if (a[16] != b[16]) return 16;
    return a[17] != b[17] ? 17 : 18;
  }
  int m = 0;
  while (m < limit && a[m] == b[m]) ++m;
  return m;
}

[[noreturn]] void Malformed(const std::string& what) { throw GPacker("TPackFiles: corrupt compressed data: " + what); }

}  // namespace

// ---- TLZR ---------------------------------------------------------------------------------------

TLZR::TLZR() {
  FHashTable = new (std::nothrow) std::int16_t[HashEntries];
  if (!FHashTable) throw GPacker(kMsgNoCompressionTable);
  ClearTable();
}

TLZR::~TLZR() { delete[] FHashTable; }

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
  ClearTable();
  std::int16_t* const table = FHashTable;

  out[0] = CompressedMark;
  int c = 1;  // where the current command word goes
  int o = 3;  // output position
  int p = 0;  // input position
  int k = 0;  // items under the current command word
  std::uint32_t w = 0;  // the command word; only its low 16 bits are ever stored

  // Invariant at the top of the loop: o <= n, so an item (at most 2 + 4 bytes with a new command
  // word) ends within n + 6 = CompressOutSize.
  while (p < n && o <= n) {
    if (k == 16) {
      out[c] = static_cast<std::uint8_t>(w >> 8);
      out[c + 1] = static_cast<std::uint8_t>(w);
      c = o;
      o += 2;
      k = 0;
    }
    ++k;
    const int left = n - p;
    const std::uint8_t b = in[p];

    // A run of 16 or more equal bytes comes first; fewer than 16 go through the match search.
    if (left >= kMinRun && in[p + 1] == b) {
      const int r = RunLength(in + p, std::min(left, kMaxRun));
      if (r >= kMinRun) {
        out[o] = 0;
        out[o + 1] = static_cast<std::uint8_t>((r - kMinRun) >> 8);
        out[o + 2] = static_cast<std::uint8_t>(r - kMinRun);
        out[o + 3] = b;
        o += 4;
        p += r;
        w = (w << 1) | 1;
        continue;
      }
    }

    // The match search. With fewer than three bytes left no match fits, and the table is not
    // consulted again in this chunk, so those positions need no hash (and no byte past n).
    if (left >= kMinMatch) {
      const std::uint32_t h = Hash3(b, in[p + 1], in[p + 2]);
      const int e = table[h];
      table[h] = static_cast<std::int16_t>(p);  // 32,768 and more wrap negative: never candidates
      if (e >= 0 && p - e < kWindow) {
        const int m = MatchLength(in + p, in + e, std::min(left, kMaxMatch));
        if (m >= kMinMatch) {
          const std::uint32_t item = static_cast<std::uint32_t>(p - e) * 16 + static_cast<std::uint32_t>(m - kMinMatch);
          out[o] = static_cast<std::uint8_t>(item >> 8);
          out[o + 1] = static_cast<std::uint8_t>(item);
          o += 2;
          p += m;
          w = (w << 1) | 1;
          continue;
        }
      }
    }

    out[o] = b;
    o += 1;
    p += 1;
    w <<= 1;
  }

  w <<= (16 - k);
  out[c] = static_cast<std::uint8_t>(w >> 8);
  out[c + 1] = static_cast<std::uint8_t>(w);
  if (o <= n) return o;

  // Not shorter than the piece plus its mark: store it.
  out[0] = StoredMark;
  std::memcpy(out + 1, in, static_cast<std::size_t>(n));
  return n + 1;
}

int TLZR::DecompressChunk(const std::uint8_t* in, int length, std::uint8_t* out) {
  if (length < 0 || length > MaxChunkLength)
    Malformed("chunk length " + std::to_string(length) + " is outside 0.." + std::to_string(MaxChunkLength));
  if (length < 2) return 0;
  if (in[0] == StoredMark) {
    std::memcpy(out, in + 1, static_cast<std::size_t>(length - 1));  // length - 1 <= ChunkSize
    return length - 1;
  }
  if (length < 3) Malformed("command word cut off at the end of the chunk");

  const std::uint8_t* ip = in + 3;
  const std::uint8_t* const iend = in + length;
  std::uint8_t* op = out;
  std::uint8_t* const oend = out + ChunkSize;
  // The items' bits stand at the top of w, the next one in bit 31; below them w holds zeros.
  std::uint32_t w = static_cast<std::uint32_t>(in[1] << 8 | in[2]) << 16;
  int bits = 16;

  while (ip < iend) {
    if (bits == 0) {
      if (iend - ip < 3) Malformed("command word or item cut off at the end of the chunk");
      w = static_cast<std::uint32_t>(ip[0] << 8 | ip[1]) << 16;
      bits = 16;
      ip += 2;
    }

    // A row of literals: the zero bits at the top of w, as far as the chunk reaches.
    int t = w == 0 ? bits : std::min(std::countl_zero(w), bits);
    if (t > 0) {
      const std::ptrdiff_t avail = iend - ip;
      if (t > avail) t = static_cast<int>(avail);
      if (oend - op < t) Malformed("more than " + std::to_string(ChunkSize) + " bytes of output");
      // Within the work areas: op + 16 <= oend + 16, and ip + 16 only when the chunk holds it.
      if (avail >= 16) {
        std::memcpy(op, ip, 16);
      } else {
        std::memcpy(op, ip, static_cast<std::size_t>(t));
      }
      op += t;
      ip += t;
      w <<= t;
      bits -= t;
      continue;  // the next bit, if any, is a copy item
    }

    // A copy item.
    if (iend - ip < 2) Malformed("item cut off at the end of the chunk");
    const std::uint32_t b0 = ip[0], b1 = ip[1];
    const std::uint32_t distance = b0 << 4 | b1 >> 4;
    if (distance != 0) {
      const int len = static_cast<int>(b1 & 0x0F) + kMinMatch;
      if (distance > static_cast<std::uint32_t>(op - out))
        Malformed("match at distance " + std::to_string(distance) + " reaches before the start of the chunk");
      if (oend - op < len) Malformed("more than " + std::to_string(ChunkSize) + " bytes of output");
      const std::uint8_t* src = op - distance;
      // Blocks of 8 or 16 bytes read only bytes already final when the distance is at least the
      // block size; they may write up to 32 bytes from op, inside the slack past oend.
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
      op += len;
      ip += 2;
    } else {
      if (iend - ip < 4) Malformed("run item cut off at the end of the chunk");
      const int count = static_cast<int>(b1 << 8 | ip[2]) + kMinRun;
      if (oend - op < count) Malformed("more than " + std::to_string(ChunkSize) + " bytes of output");
      std::memset(op, ip[3], static_cast<std::size_t>(count));
      op += count;
      ip += 4;
    }
    w <<= 1;
    bits -= 1;
  }
  return static_cast<int>(op - out);
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
    const std::size_t n = source.Read(work_->in, want);
    if (n == 0) throw EReadError();  // the source ended before count bytes
    const int length = FLZR->CompressChunk(work_->in, static_cast<int>(n), work_->out);
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
    if (length < 0 || length > TLZR::MaxChunkLength)
      Malformed("chunk length " + std::to_string(length) + " is outside 0.." + std::to_string(TLZR::MaxChunkLength));
    source.ReadBuffer(work_->in, static_cast<std::size_t>(length));
    const int produced = FLZR->DecompressChunk(work_->in, length, work_->out);
    dest.WriteBuffer(work_->out, static_cast<std::size_t>(produced));
    total -= length + 4;  // cannot overflow: total > 0 and length <= 32,784
  }
}

}  // namespace qs
