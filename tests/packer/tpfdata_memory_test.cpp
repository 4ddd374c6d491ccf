// The memory an item keeps for its bytes: they stay for the life of the program, so what is read
// from "TPFData" holds little more room than the bytes need, whatever their kind and size; forged
// chunk headers cannot make the item set aside much more than the value's own size.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/errors.h"
#include "packer/gcompress.h"
#include "packer/gpackfiles.h"

namespace qs {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(std::size_t n) {
  static const std::string words = "module list file Palm Desktop HotSync install queue conduit ";
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(words[(i * 7 + i / 61) % words.size()]);
  return b;
}
Bytes Noise(std::size_t n) {
  std::mt19937 rng(7);
  Bytes b(n);
  for (auto& x : b) x = static_cast<std::uint8_t>(rng());
  return b;
}
Bytes Zeros(std::size_t n) { return Bytes(n, 0); }

Bytes Container(const Bytes& plain) {
  TMemoryStream in(plain), out;
  TGCompressStream().CompressStream(in, out, static_cast<std::int64_t>(plain.size()));
  return out.Bytes();
}

void PutLE32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

TEST(PackFilesMemory, BytesReadKeepLittleMoreRoomThanTheyNeed) {
  constexpr std::size_t kPiece = TLZR::ChunkSize;
  struct Kind {
    const char* name;
    Bytes (*make)(std::size_t);
  } kinds[] = {{"text", Text}, {"noise (stored chunks)", Noise}, {"zeros (long runs)", Zeros}};
  for (const auto& kind : kinds) {
    for (std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{300}, kPiece - 1, kPiece, kPiece + 1,
                          3 * kPiece + 5, 40 * kPiece}) {
      const Bytes plain = kind.make(n);
      for (bool compress : {true, false}) {
        const std::string what =
            std::string(kind.name) + ", " + std::to_string(n) + " bytes" + (compress ? ", compressed" : ", raw");
        TPackFiles pack(nullptr);
        TFileItem& item = *pack.Items().AddItem();
        item.Compress = compress;
        TMemoryStream value(compress ? Container(plain) : plain);
        item.ReadTPFData(value);
        EXPECT_TRUE(item.Data().Bytes() == plain) << what;
        EXPECT_EQ(item.Data().Position(), 0) << what;
        const std::size_t room = item.Data().Bytes().capacity();
        EXPECT_LE(room, n + n / 8 + 4096) << what;
      }
    }
  }
}

TEST(PackFilesMemory, ForgedChunkHeadersSetAsideLittle) {
  // Many chunks that each could give a whole piece, then one that fails: the room taken before
  // the expansion stays within a small multiple of the value's size.
  Bytes forged = {'G', 'D', 'G'};
  PutLE32(forged, 0x7FFFFFFF);
  for (int i = 0; i < 2000; ++i) {
    PutLE32(forged, 3);
    forged.insert(forged.end(), {TLZR::CompressedMark, 0, 0});  // a command word, no items: nothing
  }
  Bytes emptyChunks = forged;
  PutLE32(forged, 2);
  forged.insert(forged.end(), {TLZR::CompressedMark, 0});  // cut off in its command word
  Bytes longChunk = {'G', 'D', 'G'};
  PutLE32(longChunk, 100);
  PutLE32(longChunk, static_cast<std::uint32_t>(TLZR::MaxChunkLength));
  longChunk.insert(longChunk.end(), 20, TLZR::CompressedMark);
  struct Case {
    const char* what;
    Bytes value;
  } cases[] = {
      {"empty chunks, then a bad one", forged},
      {"empty chunks, then the end of the value", emptyChunks},
      {"a chunk longer than the value", longChunk},
  };
  for (const auto& c : cases) {
    TPackFiles pack(nullptr);
    TFileItem& item = *pack.Items().AddItem();
    TMemoryStream value(c.value);
    EXPECT_THROW(item.ReadTPFData(value), Exception) << c.what;
    EXPECT_LE(item.Data().Bytes().capacity(), 64 * c.value.size() + 4096) << c.what;
  }
}

}  // namespace
}  // namespace qs
