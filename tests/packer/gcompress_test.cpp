#include "packer/gcompress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/streams.h"
#include "packer/reference_codec.h"

namespace qs {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FromHex(const std::string& hex) {
  Bytes out;
  std::istringstream in(hex);
  unsigned v;
  while (in >> std::hex >> v) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

std::string ToHex(const Bytes& b, std::size_t max = 64) {
  std::string s;
  char buf[4];
  for (std::size_t i = 0; i < b.size() && i < max; ++i) {
    std::snprintf(buf, sizeof buf, "%02X ", b[i]);
    s += buf;
  }
  if (b.size() > max) s += "...";
  return s;
}

Bytes Compress(const Bytes& data) {
  TMemoryStream src(data), dst;
  TGCompressStream().CompressStream(src, dst, static_cast<std::int64_t>(data.size()));
  return dst.Bytes();
}

Bytes Expand(const Bytes& container) {
  TMemoryStream src(container), dst;
  TGCompressStream().DecompressStream(src, dst);
  return dst.Bytes();
}

Bytes Repeat(std::uint8_t b, std::size_t n) { return Bytes(n, b); }

// The expanders this processor can run: the plain one, and the one with byte shuffles where it
// has them (TLZR::FByteShuffles).
std::vector<bool> Expanders() {
  if (TLZR::ByteShufflesAvailable()) return {false, true};
  return {false};
}
Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// ---- exact container bytes --------------------------------------------------------------------------

TEST(GCompress, ContainerBytesAreExact) {
  std::string zerosChunk = "40 FF 80";
  for (int i = 0; i < 8; ++i) zerosChunk += " 00 0F EF 00";
  zerosChunk += " 00 00 07 00";
  struct Case {
    const char* what;
    Bytes input;
    std::string hex;
  } cases[] = {
      {"empty input", {}, "47 44 47 00 00 00 00"},
      {"abc, stored", Text("abc"), "47 44 47 08 00 00 00 04 00 00 00 80 61 62 63"},
      {"twenty a, one run", Repeat('a', 20), "47 44 47 0B 00 00 00 07 00 00 00 40 80 00 00 00 04 61"},
      {"abc three times", Text("abcabcabc"), "47 44 47 0C 00 00 00 08 00 00 00 40 10 00 61 62 63 00 33"},
      {"32,784 zeros", Repeat(0, 32784), "47 44 47 31 00 00 00 27 00 00 00 " + zerosChunk + " 02 00 00 00 80 00"},
      // A compressed chunk as long as its piece stays compressed; one byte longer is stored.
      {"compressed, L = n", Text("abcabcab"), "47 44 47 0C 00 00 00 08 00 00 00 40 10 00 61 62 63 00 32"},
      {"stored, o = n + 1", Text("abcabca"), "47 44 47 0C 00 00 00 08 00 00 00 80 61 62 63 61 62 63 61"},
      {"one byte", Text("x"), "47 44 47 06 00 00 00 02 00 00 00 80 78"},
      // 15 equal bytes are no run: a literal, then a match of 14 at distance 1.
      {"fifteen a", Repeat('a', 15), "47 44 47 0A 00 00 00 06 00 00 00 40 40 00 61 00 1B"},
      // 4,096 equal bytes: a run of 4,095, then one literal.
      {"4,096 a", Repeat('a', 4096), "47 44 47 0C 00 00 00 08 00 00 00 40 80 00 00 0F EF 61 61"},
      // 10,000 equal bytes: runs of 4,095, 4,095 and 1,810 (00 07 02 = 1,810 - 16).
      {"10,000 Z", Repeat('Z', 10000), "47 44 47 13 00 00 00 0F 00 00 00 40 E0 00 00 0F EF 5A 00 0F EF 5A 00 07 02 5A"},
  };
  for (const auto& c : cases) {
    const Bytes want = FromHex(c.hex);
    const Bytes got = Compress(c.input);
    EXPECT_EQ(got, want) << c.what << "\n got  " << ToHex(got) << "\n want " << ToHex(want);
    EXPECT_EQ(Expand(want), c.input) << c.what;
  }
}

TEST(GCompress, IncompressiblePieceIsStoredWithEveryByte) {
  std::mt19937 rng(7);
  Bytes data(32783);
  for (auto& b : data) b = static_cast<std::uint8_t>(rng());
  data.front() = 0xA1;
  data.back() = 0xB2;
  const Bytes c = Compress(data);
  ASSERT_EQ(c.size(), 7u + 4 + 32784);
  EXPECT_EQ(Bytes(c.begin() + 7, c.begin() + 12), FromHex("10 80 00 00 80"));  // L = 32,784, stored
  EXPECT_EQ(Bytes(c.begin() + 12, c.end()), data);
  EXPECT_EQ(Expand(c), data);
}

// ---- the fast compressor against the plain one, and round trips ---------------------------------------

// Inputs that reach the corners: run lengths 15/16/4,095/4,096, distances 4,095/4,096, chunk ends
// at 32,783, positions past 32,768, and ordinary text and binaries.
std::vector<std::pair<std::string, Bytes>> Inputs() {
  std::vector<std::pair<std::string, Bytes>> v;
  std::mt19937 rng(20240611);
  auto random = [&](std::size_t n, unsigned alphabet) {
    Bytes b(n);
    for (auto& x : b) x = static_cast<std::uint8_t>(rng() % alphabet);
    return b;
  };
  for (std::size_t n : {1u,     2u,     3u,     4u,     5u,     17u,    18u,    19u,    4095u,  4096u,
                        32767u, 32768u, 32769u, 32782u, 32783u, 32784u, 32785u, 65566u, 65567u, 100001u})
    for (unsigned alphabet : {2u, 5u, 256u})
      v.emplace_back("random " + std::to_string(n) + "/" + std::to_string(alphabet), random(n, alphabet));
  for (std::size_t r : {14u, 15u, 16u, 17u, 4094u, 4095u, 4096u, 4097u, 4111u, 8190u, 8191u, 8192u}) {
    Bytes b = random(50, 256);
    Bytes run(r, 0xEE);
    b.insert(b.end(), run.begin(), run.end());
    Bytes tail = random(30, 4);
    b.insert(b.end(), tail.begin(), tail.end());
    v.emplace_back("run " + std::to_string(r), b);
  }
  // A random block repeated at a period near the window's edge.
  for (std::size_t period : {4093u, 4094u, 4095u, 4096u, 4097u}) {
    Bytes block = random(period, 256), b;
    for (int i = 0; i < 4; ++i) b.insert(b.end(), block.begin(), block.end());
    v.emplace_back("period " + std::to_string(period), b);
  }
  // Repeats close before and after position 32,768 of a chunk (stored negative in the table).
  for (std::size_t at : {32700u, 32760u, 32766u, 32767u, 32768u, 32769u, 32770u}) {
    Bytes b = random(at, 256);
    for (int i = 0; i < 8; ++i) b.insert(b.end(), b.end() - 20, b.end() - 20 + 7);
    Bytes again(b.end() - 60, b.end());
    b.insert(b.end(), again.begin(), again.end());
    v.emplace_back("repeats near " + std::to_string(at), b);
  }
  // Runs and matches ending exactly at a chunk's end, and pieces of 15/16 equal bytes before it.
  for (std::size_t tailRun : {1u, 2u, 3u, 15u, 16u, 17u, 18u, 19u}) {
    Bytes b = random(32783 - tailRun, 3);
    b.insert(b.end(), tailRun, 0x33);
    b.insert(b.end(), 40, 0x33);  // continues into the next chunk
    v.emplace_back("tail run " + std::to_string(tailRun), b);
  }
  // Text-like data from a small vocabulary, and short repeats of every length under 16.
  {
    const char* words[] = {"the ",     "installer ", "packed ", "file ",    "Palm ",
                           "Desktop ", "user ",      "\r\n",    "HotSync ", "a "};
    Bytes b;
    while (b.size() < 150000) {
      const char* w = words[rng() % 10];
      b.insert(b.end(), w, w + std::strlen(w));
    }
    v.emplace_back("text", b);
  }
  {
    Bytes b;
    for (int len = 1; len < 20; ++len)
      for (int i = 0; i < 50; ++i) b.insert(b.end(), static_cast<std::size_t>(len), static_cast<std::uint8_t>(rng()));
    v.emplace_back("short repeats", b);
  }
  // The test program itself: a real binary.
  {
    std::ifstream f("/proc/self/exe", std::ios::binary);
    Bytes b(300000);
    f.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(b.size()));
    b.resize(static_cast<std::size_t>(f.gcount()));
    v.emplace_back("own binary", b);
  }
  return v;
}

TEST(GCompress, FastCompressorMatchesThePlainOneAndRoundTrips) {
  for (const auto& [name, data] : Inputs()) {
    const Bytes fast = Compress(data);
    const Bytes plain = reference::Compress(data);
    ASSERT_EQ(fast.size(), plain.size()) << name;
    ASSERT_TRUE(fast == plain) << name << ": first difference at byte "
                               << (std::mismatch(fast.begin(), fast.end(), plain.begin()).first - fast.begin());
    ASSERT_TRUE(Expand(fast) == data) << name;
  }
}

TEST(GCompress, ManySmallRandomInputsMatchThePlainCompressor) {
  std::mt19937 rng(99);
  TLZR lzr;
  Bytes out(TLZR::CompressOutSize), expanded(TLZR::ExpandOutSize);
  for (int round = 0; round < 3000; ++round) {
    const std::size_t n = 1 + rng() % 300;
    const unsigned alphabet = 1 + rng() % 6;
    Bytes piece(n);
    for (auto& b : piece) b = static_cast<std::uint8_t>('a' + rng() % alphabet);
    // The bytes that follow the piece must not change its chunk.
    const Bytes plain =
        reference::CompressChunk(piece, static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()));
    const int len = lzr.CompressChunk(piece.data(), static_cast<int>(n), out.data());
    ASSERT_EQ(Bytes(out.begin(), out.begin() + len), plain) << "round " << round;
    const int produced = lzr.DecompressChunk(out.data(), len, expanded.data());
    ASSERT_EQ(Bytes(expanded.begin(), expanded.begin() + produced), piece) << "round " << round;
  }
}

// Pieces made of what the compressor tells apart: literals from a small or full alphabet, repeats
// of 8 to 15 equal bytes (no run), runs around 16 and 4,095 bytes, and copies of earlier bytes at
// distances around 1, 18 and 4,095 of lengths around 3, 7, 14 and 18, some with a changed last byte.
Bytes StructuredPiece(std::mt19937& rng, std::size_t n) {
  const unsigned alphabet = rng() % 2 ? 2 + rng() % 6 : 256;
  auto pick = [&](std::initializer_list<std::size_t> choices) { return choices.begin()[rng() % choices.size()]; };
  Bytes b;
  while (b.size() < n) {
    const unsigned what = rng() % 400;
    if (what < 140) {
      for (std::size_t i = 1 + rng() % 24; i > 0; --i) b.push_back(static_cast<std::uint8_t>(rng() % alphabet));
    } else if (what < 190) {
      b.insert(b.end(), pick({8 + rng() % 8, 15, 16, 17, 1 + rng() % 40}), static_cast<std::uint8_t>(rng()));
    } else if (what < 193) {
      b.insert(b.end(), pick({4094, 4095, 4096, 4111, 4112, 1 + rng() % 9000}), static_cast<std::uint8_t>(rng()));
    } else if (!b.empty()) {
      const std::size_t distance =
          std::min(b.size(), pick({1 + rng() % 20, 4094 + rng() % 4, 1 + rng() % b.size(), 1 + rng() % 4096}));
      const std::size_t length = pick({2, 3, 6, 7, 8, 13, 14, 15, 17, 18, 19, 1 + rng() % 60});
      for (std::size_t i = 0; i < length; ++i) b.push_back(b[b.size() - distance]);
      if (rng() % 3 == 0) b.back() ^= static_cast<std::uint8_t>(1 + rng() % 255);
    }
  }
  b.resize(n);
  return b;
}

// The compressor works on pieces of more than 16 full matches in whole groups and on the rest step
// by step; both, and the changes between them, must give the plain compressor's bytes. One TLZR
// serves every piece (nothing may carry over), and every piece lies in a buffer of its own size,
// so that a sanitizer build sees any read past it.
TEST(GCompress, StructuredPiecesMatchThePlainCompressor) {
  std::mt19937 rng(31337);
  TLZR lzr;
  Bytes out(TLZR::CompressOutSize), expanded(TLZR::ExpandOutSize);
  for (int round = 0; round < 1500; ++round) {
    const std::size_t n = round % 25 == 0 ? 32783 - rng() % 300 : round % 5 == 0 ? 280 + rng() % 40 : 1 + rng() % 3000;
    const Bytes piece = StructuredPiece(rng, n);
    const Bytes plain =
        reference::CompressChunk(piece, static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()));
    const int len = lzr.CompressChunk(piece.data(), static_cast<int>(n), out.data());
    ASSERT_EQ(len, static_cast<int>(plain.size())) << "round " << round << ", " << n << " bytes";
    ASSERT_TRUE(std::equal(plain.begin(), plain.end(), out.begin()))
        << "round " << round << ", " << n << " bytes: first difference at byte "
        << (std::mismatch(plain.begin(), plain.end(), out.begin()).first - plain.begin());
    const int produced = lzr.DecompressChunk(out.data(), len, expanded.data());
    ASSERT_TRUE(Bytes(expanded.begin(), expanded.begin() + produced) == piece) << "round " << round;
  }
}

// Full matches of 18 bytes one after the other, up to the end of pieces of every length from just
// above 16 full matches on: the whole groups must stop early enough to read only inside the piece,
// whichever way their ends fall.
TEST(GCompress, RowsOfFullMatchesUpToThePieceEnd) {
  std::mt19937 rng(12);
  TLZR lzr;
  Bytes out(TLZR::CompressOutSize);
  for (std::size_t period : {19u, 20u, 37u}) {
    Bytes pattern(period);
    for (auto& b : pattern) b = static_cast<std::uint8_t>(rng());
    for (std::size_t n = 280; n < 700; ++n) {
      Bytes piece(n);
      for (std::size_t i = 0; i < n; ++i) piece[i] = pattern[i % period];
      const int len = lzr.CompressChunk(piece.data(), static_cast<int>(n), out.data());
      ASSERT_TRUE(Bytes(out.begin(), out.begin() + len) == reference::CompressChunk(piece))
          << "period " << period << ", " << n << " bytes";
    }
  }
}

// Hand-made pieces at the codec's limits, each in a chunk of its own: the window (a candidate at
// distance 4,095 is used, one at 4,096 is not), the runs (15 and 16 bytes, 4,095 and 4,096), and
// the stored-chunk limit (compressed output of exactly n bytes is kept, n + 1 is stored). Random
// pieces never reach these: their chunks come out stored. Each case lands either in the whole
// groups (more than 288 bytes follow it) or in the step by step loop at the piece's end.
TEST(GCompress, HandMadePiecesAtTheLimitsMatchThePlainCompressor) {
  std::mt19937 rng(4096);
  Bytes noise(5000);
  for (auto& b : noise) b = static_cast<std::uint8_t>(rng());
  auto random = [&](std::size_t n, std::size_t from = 0) {
    return Bytes(noise.begin() + static_cast<std::ptrdiff_t>(from),
                 noise.begin() + static_cast<std::ptrdiff_t>(from + n));
  };
  auto cat = [](std::initializer_list<Bytes> parts) {
    Bytes b;
    for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
    return b;
  };
  // 300 random bytes, zeros, the same 300 bytes again `distance` bytes after the first, then `tail`.
  auto repeatAt = [&](std::size_t distance, const Bytes& tail) {
    return cat({random(300), Repeat(0, distance - 300), random(300), tail});
  };
  enum Want { Compressed, ExactlyN, Stored };
  struct Case {
    const char* what;
    Bytes piece;
    Want want;
  };
  const Case cases[] = {
      {"distance 4,096 at the end", repeatAt(4096, {}), Compressed},
      {"distance 4,096 in the groups", repeatAt(4096, cat({Repeat(0, 300), random(600, 1000)})), Compressed},
      {"distance 4,095 at the end", repeatAt(4095, {}), Compressed},
      {"distance 4,095 in the groups", repeatAt(4095, cat({Repeat(0, 300), random(600, 1000)})), Compressed},
      {"distance 4,097 at the end", repeatAt(4097, {}), Compressed},
      {"runs of 15 and 16 at the end",
       cat({Repeat(1, 300), random(400), Repeat(7, 15), random(20, 500), Repeat(9, 16)}), Compressed},
      {"runs of 15 and 16 in the groups",
       cat({Repeat(1, 300), random(40), Repeat(7, 15), random(20, 500), Repeat(9, 16), random(600, 1000)}), Compressed},
      {"run of 4,095 at the end", cat({random(400), Repeat(5, 4095)}), Compressed},
      {"run of 4,096 at the end", cat({random(400), Repeat(5, 4096)}), Compressed},
      {"runs of 4,095 and 4,111 in the groups",
       cat({random(40), Repeat(5, 4095), random(100, 500), Repeat(6, 4111), random(600, 1000)}), Compressed},
      {"run of 4,112 in the groups", cat({random(40), Repeat(5, 4112), random(600, 1000)}), Compressed},
      // 300 literals and one run: a mark, 19 command words, 300 bytes and a 4-byte run item.
      {"343 bytes out of 343", cat({random(300), Repeat(0, 43)}), ExactlyN},
      {"343 bytes out of 342: stored", cat({random(300), Repeat(0, 42)}), Stored},
      // 5,000 literals and one run: 313 command words.
      {"5,631 bytes out of 5,631", cat({random(5000), Repeat(0, 631)}), ExactlyN},
      {"5,631 bytes out of 5,630: stored", cat({random(5000), Repeat(0, 630)}), Stored},
  };
  TLZR lzr;
  Bytes out(TLZR::CompressOutSize), expanded(TLZR::ExpandOutSize);
  for (const Case& c : cases) {
    const int n = static_cast<int>(c.piece.size());
    const Bytes plain = reference::CompressChunk(c.piece);
    const int len = lzr.CompressChunk(c.piece.data(), n, out.data());
    ASSERT_EQ(Bytes(out.begin(), out.begin() + len), plain)
        << c.what << ": first difference at byte "
        << (std::mismatch(plain.begin(), plain.end(), out.begin()).first - plain.begin());
    switch (c.want) {
      case Compressed:
        EXPECT_EQ(out[0], TLZR::CompressedMark) << c.what;
        EXPECT_LT(len, n) << c.what;
        break;
      case ExactlyN:
        EXPECT_EQ(out[0], TLZR::CompressedMark) << c.what;
        EXPECT_EQ(len, n) << c.what;
        break;
      case Stored:
        EXPECT_EQ(out[0], TLZR::StoredMark) << c.what;
        break;
    }
    const int produced = lzr.DecompressChunk(out.data(), len, expanded.data());
    ASSERT_TRUE(Bytes(expanded.begin(), expanded.begin() + produced) == c.piece) << c.what;
  }
}
// A source in memory is compressed where it lies; any other source through its reads. Both give
// the same container, and leave the source just after the count.
class TPlainStream : public TStream {
 public:
  explicit TPlainStream(Bytes bytes) : mem_(std::move(bytes)) {}
  std::size_t Read(void* buffer, std::size_t count) override { return mem_.Read(buffer, count); }
  std::size_t Write(const void* buffer, std::size_t count) override { return mem_.Write(buffer, count); }
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override { return mem_.Seek(offset, origin); }

 private:
  TMemoryStream mem_;
};

TEST(GCompress, SourceInMemoryOrNotGivesTheSameContainer) {
  std::mt19937 rng(4);
  struct Case {
    const char* what;
    std::size_t size, start, count;
  } cases[] = {
      {"whole source", 70000, 0, 70000},
      {"from the middle, short of the end", 70000, 1234, 40000},
      {"one chunk and one byte", 32784 + 10, 10, 32784},
      {"a few bytes", 100, 3, 20},
  };
  for (const auto& c : cases) {
    const Bytes data = StructuredPiece(rng, c.size);
    TMemoryStream memory(data);
    TPlainStream plain(data);
    TMemoryStream fromMemory, fromPlain;
    memory.SetPosition(static_cast<std::int64_t>(c.start));
    plain.SetPosition(static_cast<std::int64_t>(c.start));
    TGCompressStream().CompressStream(memory, fromMemory, static_cast<std::int64_t>(c.count));
    TGCompressStream().CompressStream(plain, fromPlain, static_cast<std::int64_t>(c.count));
    EXPECT_TRUE(fromMemory.Bytes() == fromPlain.Bytes()) << c.what;
    EXPECT_TRUE(fromMemory.Bytes() ==
                reference::Compress(Bytes(data.begin() + static_cast<std::ptrdiff_t>(c.start),
                                          data.begin() + static_cast<std::ptrdiff_t>(c.start + c.count))))
        << c.what;
    EXPECT_EQ(memory.Position(), static_cast<std::int64_t>(c.start + c.count)) << c.what;
    EXPECT_EQ(plain.Position(), static_cast<std::int64_t>(c.start + c.count)) << c.what;
  }
  // Past its end a source in memory gives nothing: a read error.
  TMemoryStream past(Bytes(10, 1)), out;
  past.SetPosition(20);
  EXPECT_THROW(TGCompressStream().CompressStream(past, out, 5), EReadError);
}

TEST(GCompress, FindMatchWindowNegativePositionsAndChunkEnd) {
  struct Case {
    const char* what;
    int e, p, n;
    bool found;
    int length;
  } cases[] = {
      {"distance 4,095", 100, 4195, 40000, true, 18},
      {"distance 4,096 is out of the window", 100, 4196, 40000, false, 0},
      {"32,767 is still a position", 32767, 32867, 40000, true, 18},
      {"32,768 is stored negative", 32768, 32868, 40000, false, 0},
      {"exactly three bytes left", 100, 200, 203, true, 3},
      {"length stops at the chunk's end", 100, 200, 210, true, 10},
      {"two bytes left: no match", 100, 200, 202, false, 2},
  };
  TLZR lzr;
  for (const auto& c : cases) {
    Bytes in(static_cast<std::size_t>(c.n) + 2, 0);
    for (int at : {c.e, c.p})
      for (int i = 0; i < 4 && i < c.n - c.p; ++i)
        in[static_cast<std::size_t>(at + i)] = static_cast<std::uint8_t>("xyzw"[i]);
    lzr.ClearTable();
    int start = 0, length = 0;
    EXPECT_FALSE(lzr.FindMatch(in.data(), c.n, c.e, start, length)) << c.what;
    EXPECT_EQ(start, -1) << c.what;
    EXPECT_EQ(lzr.FindMatch(in.data(), c.n, c.p, start, length), c.found) << c.what;
    EXPECT_EQ(length, c.length) << c.what;
    if (c.found) {
      EXPECT_EQ(start, c.e) << c.what;
    }
    // Either way the table now holds p (as a signed 16-bit number).
    int again = 0;
    lzr.FindMatch(in.data(), c.n, c.p, start, again);
    EXPECT_EQ(start, static_cast<std::int16_t>(c.p)) << c.what;
  }
}

// ---- hardened expansion -----------------------------------------------------------------------------------

Bytes Runs(int fullRuns) {
  Bytes b;
  for (int i = 0; i < fullRuns; ++i) b.insert(b.end(), {0x00, 0x0F, 0xEF, 0x00});
  return b;
}

TEST(GCompress, ChunkExpansionAcceptsWhatItMayAndRejectsTheRest) {
  auto cat = [](std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  };
  const Bytes sixteenLiterals(16, 'q');
  const Bytes limit = cat({Repeat(0, 8 * 4095 + 20), Repeat(0, 3)});
  struct Case {
    const char* what;
    Bytes chunk;
    const char* error;  // nullptr: expands to `want`
    Bytes want;
  } cases[] = {
      {"empty chunk", {}, nullptr, {}},
      {"mark only", FromHex("40"), nullptr, {}},
      {"stored mark only", FromHex("80"), nullptr, {}},
      {"stored", FromHex("80 41 42"), nullptr, Text("AB")},
      {"command word, no item", FromHex("40 00 00"), nullptr, {}},
      {"any first byte but 80 is compressed", FromHex("00 00 00 61"), nullptr, Text("a")},
      {"overlapping match", FromHex("40 20 00 61 62 00 20"), nullptr, Text("ababa")},
      {"zero bits past the last item", FromHex("40 00 00 61 62"), nullptr, Text("ab")},
      {"run of 4,111 (largest run item)", FromHex("40 80 00 00 0F FF 7A"), nullptr, Repeat('z', 4111)},
      {"output of exactly 32,783", cat({FromHex("40 FF C0"), Runs(8), FromHex("00 00 04 00 00 10")}), nullptr, limit},
      {"half a command word", FromHex("40 00"), "command word", {}},
      {"match item cut off", FromHex("40 80 00 61"), "item cut off", {}},
      {"run item cut off", FromHex("40 80 00 00 00 05"), "run item cut off", {}},
      {"match before the start", FromHex("40 80 00 00 13"), "before the start", {}},
      {"match one byte too far back", FromHex("40 20 00 61 62 00 30"), "before the start", {}},
      {"greatest distance at the start", FromHex("40 80 00 FF FF"), "before the start", {}},
      {"runs beyond 32,783", cat({FromHex("40 FF 80"), Runs(9)}), "more than 32783", {}},
      {"last run one byte too long",
       cat({FromHex("40 FF 80"), Runs(8), FromHex("00 00 08 00")}),
       "more than 32783",
       {}},
      {"literal beyond 32,783", cat({FromHex("40 FF 80"), Runs(8), FromHex("00 00 07 00 61")}), "more than 32783", {}},
      {"match beyond 32,783", cat({FromHex("40 FF C0"), Runs(8), FromHex("00 00 04 00 00 11")}), "more than 32783", {}},
      // A group that starts well inside the output, where a run brings the end close and the
      // matches after it in the same group go past it.
      {"matches after a run in one group go past 32,783",
       cat({FromHex("40 FE 00"), Runs(7), Repeat('x', 9), FromHex("FF FF"), Runs(1),
            [] {
              Bytes m;
              for (int i = 0; i < 15; ++i) m.insert(m.end(), {0x00, 0x1F});
              for (int g = 0; g < 4; ++g) {
                m.insert(m.end(), {0x00, 0x00});
                m.insert(m.end(), 16, 'y');
              }
              return m;
            }()}),
       "more than 32783",
       {}},
      {"next command word cut off", cat({FromHex("40 00 00"), sixteenLiterals, FromHex("80")}), "command word", {}},
      {"command word with no item", cat({FromHex("40 00 00"), sixteenLiterals, FromHex("80 00")}), "command word", {}},
  };
  TLZR lzr;
  for (const bool shuffles : Expanders()) {
    lzr.FByteShuffles = shuffles;
    for (const auto& c : cases) {
      // An exact-size copy: the expander must not read past it (ASan builds check this).
      std::unique_ptr<std::uint8_t[]> in(new std::uint8_t[c.chunk.size() + 1]);
      std::copy(c.chunk.begin(), c.chunk.end(), in.get());
      Bytes out(TLZR::ExpandOutSize);
      if (c.error) {
        try {
          lzr.DecompressChunk(in.get(), static_cast<int>(c.chunk.size()), out.data());
          ADD_FAILURE() << c.what << ": accepted";
        } catch (const GPacker& e) {
          EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << c.what << ": " << e.what();
        }
        EXPECT_FALSE(reference::ExpandChunk(in.get(), static_cast<int>(c.chunk.size()))) << c.what;
      } else {
        const int n = lzr.DecompressChunk(in.get(), static_cast<int>(c.chunk.size()), out.data());
        EXPECT_TRUE(Bytes(out.begin(), out.begin() + n) == c.want) << c.what;
      }
    }
  }
  Bytes out(TLZR::ExpandOutSize);
  const Bytes big(40000, 0x80);
  EXPECT_THROW(lzr.DecompressChunk(big.data(), 32785, out.data()), GPacker);
  EXPECT_THROW(lzr.DecompressChunk(big.data(), -1, out.data()), GPacker);
  EXPECT_EQ(lzr.DecompressChunk(big.data(), 32784, out.data()), 32783);
}

TEST(GCompress, MatchesOfEveryShortDistanceAndLengthExpandAlikeEverywhere) {
  // A chunk of literals with one match item after them, at distances 1 to 20 (where a pattern
  // repeats inside the copied block) and 4,095, and lengths 3 to 18; near the chunk's start, where
  // every item is checked, and past its first 4 KB. Literal groups follow so that the match sits
  // in a full group of the fast loops, not in the item-by-item end of the chunk.
  std::mt19937 rng(11);
  TLZR lzr;
  Bytes expanded(TLZR::ExpandOutSize);
  int chunks = 0;
  for (const int before : {32, 4200, 4096 + 4095}) {
    for (int distance = 1; distance <= 21; ++distance) {
      const int d = distance == 21 ? 4095 : distance;
      if (d > before) continue;
      for (int len = 3; len <= 18; ++len) {
        Bytes chunk = {0x40};
        auto literals = [&](int n) {
          for (; n > 0; n -= 16) {
            chunk.insert(chunk.end(), {0x00, 0x00});
            for (int i = 0; i < 16; ++i) chunk.push_back(static_cast<std::uint8_t>(rng()));
          }
        };
        literals(before - before % 16);
        // One group: the match item, then 15 literals.
        chunk.insert(chunk.end(), {0x80, 0x00});
        chunk.push_back(static_cast<std::uint8_t>(d >> 4));
        chunk.push_back(static_cast<std::uint8_t>((d & 15) << 4 | (len - 3)));
        for (int i = 0; i < 15; ++i) chunk.push_back(static_cast<std::uint8_t>(rng()));
        literals(96);
        const auto want = reference::ExpandChunk(chunk.data(), static_cast<int>(chunk.size()));
        ASSERT_TRUE(want) << "distance " << d << " length " << len << " after " << before;
        for (const bool shuffles : Expanders()) {
          lzr.FByteShuffles = shuffles;
          const int n = lzr.DecompressChunk(chunk.data(), static_cast<int>(chunk.size()), expanded.data());
          ASSERT_TRUE(Bytes(expanded.begin(), expanded.begin() + n) == *want)
              << "distance " << d << " length " << len << " after " << before << " shuffles " << shuffles;
        }
        ++chunks;
      }
    }
  }
  EXPECT_GT(chunks, 900);
}

TEST(GCompress, ContainerExpansionFailures) {
  const std::string chunk = "08 00 00 00 40 10 00 61 62 63 00 33";  // "abcabcabc"
  struct Case {
    const char* what;
    std::string hex;
    enum { Ok, ReadError, Corrupt } result;
    std::string want;
  } cases[] = {
      {"no total", "47 44 47", Case::ReadError, ""},
      {"no signature", "47 44", Case::ReadError, ""},
      {"no chunk", "47 44 47 0C 00 00 00", Case::ReadError, ""},
      {"chunk length cut", "47 44 47 0C 00 00 00 08 00", Case::ReadError, ""},
      {"chunk cut", "47 44 47 0C 00 00 00 08 00 00 00 40 10", Case::ReadError, ""},
      {"total not used up", "47 44 47 1E 00 00 00 " + chunk, Case::ReadError, ""},
      {"chunk length above 32,784", "47 44 47 0C 00 00 00 11 80 00 00", Case::Corrupt, ""},
      {"negative chunk length", "47 44 47 0C 00 00 00 FF FF FF FF", Case::Corrupt, ""},
      {"zero total: nothing read", "47 44 47 00 00 00 00 " + chunk, Case::Ok, ""},
      {"negative total", "47 44 47 F4 FF FF FF " + chunk, Case::Ok, ""},
      {"signature ignored", "58 59 5A 0C 00 00 00 " + chunk, Case::Ok, "abcabcabc"},
      {"total short of the chunk: one chunk", "47 44 47 01 00 00 00 " + chunk + " " + chunk, Case::Ok, "abcabcabc"},
      {"empty chunks", "47 44 47 09 00 00 00 00 00 00 00 01 00 00 00 40", Case::Ok, ""},
  };
  for (const auto& c : cases) {
    TMemoryStream src(FromHex(c.hex)), dst;
    try {
      TGCompressStream().DecompressStream(src, dst);
      EXPECT_EQ(c.result, Case::Ok) << c.what;
      EXPECT_EQ(dst.Text(), c.want) << c.what;
    } catch (const EReadError& e) {
      EXPECT_EQ(c.result, Case::ReadError) << c.what;
      EXPECT_STREQ(e.what(), "Erreur de lecture du flux");
    } catch (const GPacker& e) {
      EXPECT_EQ(c.result, Case::Corrupt) << c.what << ": " << e.what();
    }
  }
}

TEST(GCompress, ExpansionStopsAfterTheLastChunkAndAppendsAtTheDestination) {
  Bytes container = Compress(Text("abcabcabc"));
  const std::size_t end = container.size();
  container.insert(container.end(), {1, 2, 3});
  TMemoryStream src(container), dst(Text("head"));
  dst.Seek(0, SeekOrigin::End);
  TGCompressStream().DecompressStream(src, dst);
  EXPECT_EQ(src.Position(), static_cast<std::int64_t>(end));
  EXPECT_EQ(dst.Text(), "headabcabcabc");
}

TEST(GCompress, CompressionReadsOnlyTheCountAndPatchesTheTotal) {
  TMemoryStream src(Text("..abcabcabc??")), dst(Text("XY"));
  dst.Seek(0, SeekOrigin::End);
  src.SetPosition(2);
  TGCompressStream().CompressStream(src, dst, 9);
  EXPECT_EQ(src.Position(), 11);  // the two bytes after the count stay unread
  EXPECT_EQ(dst.Bytes(), FromHex("58 59 47 44 47 0C 00 00 00 08 00 00 00 40 10 00 61 62 63 00 33"));
  EXPECT_EQ(dst.Position(), dst.Size());
  // A source that ends before the count is a read error, not an endless loop.
  TMemoryStream shortSrc(Text("abc")), out;
  EXPECT_THROW(TGCompressStream().CompressStream(shortSrc, out, 10), EReadError);
}

TEST(GCompress, MutatedChunksAreJudgedLikeThePlainExpander) {
  std::mt19937 rng(5);
  TLZR lzr;
  Bytes out(TLZR::CompressOutSize), expanded(TLZR::ExpandOutSize);
  int rejected = 0;
  for (int round = 0; round < 20000; ++round) {
    Bytes piece(1 + rng() % 200);
    const unsigned alphabet = 1 + rng() % 4;
    for (auto& b : piece) b = static_cast<std::uint8_t>(rng() % alphabet);
    const int len = lzr.CompressChunk(piece.data(), static_cast<int>(piece.size()), out.data());
    Bytes chunk(out.begin(), out.begin() + len);
    chunk[0] = 0x40;
    for (int flips = 1 + static_cast<int>(rng() % 3); flips > 0; --flips)
      chunk[rng() % chunk.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
    if (rng() % 4 == 0) chunk.resize(rng() % (chunk.size() + 1));
    const auto want = reference::ExpandChunk(chunk.data(), static_cast<int>(chunk.size()));
    for (const bool shuffles : Expanders()) {
      lzr.FByteShuffles = shuffles;
      try {
        const int n = lzr.DecompressChunk(chunk.data(), static_cast<int>(chunk.size()), expanded.data());
        ASSERT_TRUE(want) << "round " << round << ": accepted " << ToHex(chunk);
        ASSERT_TRUE(Bytes(expanded.begin(), expanded.begin() + n) == *want) << "round " << round;
      } catch (const GPacker&) {
        ASSERT_FALSE(want) << "round " << round << ": rejected " << ToHex(chunk);
        ++rejected;
      }
    }
  }
  EXPECT_GT(rejected, 1000);  // the mutations reach the checks
}

}  // namespace
}  // namespace qs
