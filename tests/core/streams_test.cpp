// Memory streams: writes at every place relative to the end, copies between streams of both kinds,
// and the memory a copy sets aside (never more than the source holds; linear for a run of appends).
#include "core/streams.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/piece_stream.h"

namespace qs {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::PieceStream;

Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }

TEST(MemoryStream, WritesAtEveryPlaceRelativeToTheEnd) {
  struct Case {
    const char* what;
    std::string before;
    std::int64_t at;
    std::string data;
    Bytes after;
  } cases[] = {
      {"into an empty stream", "", 0, "abc", B("abc")},
      {"appended", "abc", 3, "de", B("abcde")},
      {"inside", "abcdef", 1, "XY", B("aXYdef")},
      {"across the end", "abcd", 2, "XYZ", B("abXYZ")},
      {"past the end: the gap is zeros", "ab", 4, "Z", Bytes{'a', 'b', 0, 0, 'Z'}},
      {"nothing written", "ab", 1, "", B("ab")},
  };
  for (const auto& c : cases) {
    TMemoryStream m(B(c.before));
    m.SetPosition(c.at);
    EXPECT_EQ(m.Write(c.data.data(), c.data.size()), c.data.size()) << c.what;
    EXPECT_EQ(m.Bytes(), c.after) << c.what;
    EXPECT_EQ(m.Position(), c.at + static_cast<std::int64_t>(c.data.size())) << c.what;
  }
}

TEST(MemoryStream, WritesItsOwnBytesEvenWhenItGrows) {
  for (std::size_t n : {1u, 100u, 5000u}) {
    TMemoryStream m;
    for (std::size_t i = 0; i < n; ++i) m.WriteU8(static_cast<std::uint8_t>(i * 7));
    m.Bytes().shrink_to_fit();  // the next write has to move the bytes
    const Bytes first = m.Bytes();
    m.Write(m.Data(), n);
    Bytes twice = first;
    twice.insert(twice.end(), first.begin(), first.end());
    EXPECT_EQ(m.Bytes(), twice) << n;
  }
}

TEST(Stream, CopyFromBothKindsOfSource) {
  const Bytes src = B("0123456789");
  struct Case {
    const char* what;
    std::int64_t sourceAt;
    std::int64_t count;
    std::string destBefore;
    std::int64_t destAt;
    std::int64_t copied;  // -1: a read error
    Bytes destAfter;
    std::int64_t sourceAfter;  // after a copy that succeeds
  } cases[] = {
      {"all from the start (count 0)", 7, 0, "", 0, 10, B("0123456789"), 10},
      {"part from the position", 2, 5, "", 0, 5, B("23456"), 7},
      {"exactly what is left", 6, 4, "", 0, 4, B("6789"), 10},
      {"appended", 0, 3, "ab", 2, 3, B("ab012"), 3},
      {"over the middle", 0, 2, "abcd", 1, 2, B("a01d"), 2},
      {"more than is left: nothing written", 8, 3, "x", 1, -1, B("x"), 0},
      {"negative count: nothing", 0, -4, "x", 1, 0, B("x"), 0},
  };
  for (const auto& c : cases) {
    for (std::size_t piece : {std::size_t{0}, std::size_t{4096}}) {  // 0: a memory stream
      const std::string what = std::string(c.what) + (piece ? ", source not in memory" : ", source in memory");
      TMemoryStream memory(src);
      PieceStream pieces(src, piece);
      TStream& source = piece ? static_cast<TStream&>(pieces) : memory;
      source.SetPosition(c.sourceAt);
      TMemoryStream dest(B(c.destBefore));
      dest.SetPosition(c.destAt);
      if (c.copied < 0) {
        EXPECT_THROW(dest.CopyFrom(source, c.count), EReadError) << what;
      } else {
        EXPECT_EQ(dest.CopyFrom(source, c.count), c.copied) << what;
        EXPECT_EQ(source.Position(), c.sourceAfter) << what;
        EXPECT_EQ(dest.Position(), c.destAt + c.copied) << what;
      }
      EXPECT_EQ(dest.Bytes(), c.destAfter) << what;
    }
  }
}

TEST(Stream, CopyFromItselfAppendsWhatItRead) {
  TMemoryStream m(B("abc"));
  EXPECT_EQ(m.CopyFrom(m, 0), 3);
  EXPECT_EQ(m.Bytes(), B("abcabc"));
}

TEST(Stream, CopySetsAsideNoMoreThanTheSourceHolds) {
  // A count far beyond the source (as a forged length would give) fails without a large allocation.
  for (std::size_t piece : {std::size_t{0}, std::size_t{4096}}) {
    TMemoryStream memory(Bytes(10, 1));
    PieceStream pieces(Bytes(10, 1), piece);
    TStream& source = piece ? static_cast<TStream&>(pieces) : memory;
    TMemoryStream dest;
    EXPECT_THROW(dest.CopyFrom(source, std::int64_t{1} << 40), EReadError) << piece;
    EXPECT_LE(dest.Bytes().capacity(), 1u << 20) << piece;
  }
  // A copy into an empty stream takes exactly the room it needs.
  TMemoryStream source(Bytes(100000, 2)), dest;
  dest.CopyFrom(source, 0);
  EXPECT_EQ(dest.Bytes().capacity(), 100000u);
}

TEST(Stream, AppendsByCopyMoveTheBytesRarely) {
  // Each copy appends to what is there; the room grows geometrically, not by each copy's size.
  TMemoryStream source(Bytes(100, 3)), dest;
  int moves = 0;
  const std::uint8_t* last = nullptr;
  for (int i = 0; i < 5000; ++i) {
    source.SetPosition(0);
    dest.CopyFrom(source, 100);
    if (dest.Data() != last) ++moves, last = dest.Data();
  }
  EXPECT_EQ(dest.Size(), 500000);
  EXPECT_LT(moves, 40);
}

}  // namespace
}  // namespace qs
