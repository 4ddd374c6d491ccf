#include "ui/pictures/pictures.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace qs::pictures {
namespace {

// Encodes a test image through libjpeg's own encoder: colour bars (or a grey ramp), quality 95.
std::vector<std::uint8_t> EncodeJpeg(int w, int h, bool gray, bool progressive) {
  jpeg_compress_struct c;
  jpeg_error_mgr e;
  c.err = jpeg_std_error(&e);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &mem, &size);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = gray ? 1 : 3;
  c.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<unsigned char> row(static_cast<std::size_t>(w) * c.input_components);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (gray) {
        row[x] = static_cast<unsigned char>(x * 255 / (w > 1 ? w - 1 : 1));
      } else {
        // Left half pure red, right half pure blue: easy to tell apart after lossy coding.
        bool left = x < w / 2;
        row[x * 3 + 0] = left ? 255 : 0;
        row[x * 3 + 1] = 0;
        row[x * 3 + 2] = left ? 0 : 255;
      }
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<std::uint8_t> out(mem, mem + size);
  std::free(mem);
  return out;
}

TEST(Jpeg, DecodesToDibRows) {
  struct Case {
    int w, h;
    bool gray, progressive;
  } cases[] = {{122, 260, false, false}, {17, 9, false, true}, {1, 1, true, false}, {33, 5, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << (c.gray ? " gray" : " colour")
                                    << (c.progressive ? " progressive" : ""));
    auto bytes = EncodeJpeg(c.w, c.h, c.gray, c.progressive);
    Pixels px;
    std::string error;
    ASSERT_TRUE(DecodeJpeg(bytes.data(), bytes.size(), px, error)) << error;
    EXPECT_EQ(px.width, c.w);
    EXPECT_EQ(px.height, c.h);
    EXPECT_EQ(px.Stride() % 4, 0u);
    EXPECT_GE(px.Stride(), static_cast<std::size_t>(c.w) * 3);
    ASSERT_EQ(px.bgr.size(), px.Stride() * c.h);
    const std::uint8_t* mid = px.bgr.data() + px.Stride() * (c.h / 2);
    if (c.gray) {
      // Grey stays grey: all three channels alike; the ramp rises from left to right.
      const std::uint8_t* last = mid + (c.w - 1) * 3;
      EXPECT_NEAR(last[0], last[2], 4);
      if (c.w > 1) {
        EXPECT_GT(last[0], mid[0] + 100);
      }
    } else if (c.w >= 16) {
      const std::uint8_t* left = mid + 2 * 3;
      const std::uint8_t* right = mid + (c.w - 3) * 3;
      EXPECT_GT(left[2], 200);  // red in the third byte (B, G, R order)
      EXPECT_LT(left[0], 60);
      EXPECT_GT(right[0], 200);  // blue in the first
      EXPECT_LT(right[2], 60);
    }
  }
}

TEST(Jpeg, RefusesBadInputWithReason) {
  auto good = EncodeJpeg(40, 30, false, false);
  // A baseline header declaring 60000 x 60000 pixels: refused before any pixel memory is taken.
  auto huge = good;
  for (std::size_t i = 0; i + 9 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = 0xEA, huge[i + 6] = 0x60, huge[i + 7] = 0xEA, huge[i + 8] = 0x60;
      break;
    }
  }
  std::vector<std::uint8_t> headerOnly(good.begin(), good.begin() + 20);
  std::vector<std::uint8_t> noSof = {0xFF, 0xD8, 0xFF, 0xD9};
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    const char* reason;  // part of the error text
  } cases[] = {
      {"empty", {}, "not a JPEG"},
      {"bitmap", {'B', 'M', 0, 0, 0, 0}, "not a JPEG"},
      {"icon", {0, 0, 1, 0, 1, 0}, "not a JPEG"},
      {"too large", huge, "too large"},
      {"header cut off", headerOnly, ""},
      {"no frame", noSof, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Pixels px;
    px.width = 5;
    std::string error;
    EXPECT_FALSE(DecodeJpeg(c.bytes.data(), c.bytes.size(), px, error));
    EXPECT_FALSE(error.empty());
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_EQ(px.width, 0);
    EXPECT_TRUE(px.bgr.empty());
  }
}

TEST(Jpeg, TruncatedDataStillGivesWholeImage) {
  // The decoder fills what is missing after a premature end, so a cut-off banner still shows.
  auto bytes = EncodeJpeg(64, 64, false, false);
  std::size_t sos = 0;
  for (std::size_t i = 0; i + 1 < bytes.size() && !sos; ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) sos = i;
  }
  ASSERT_NE(sos, 0u);
  bytes.resize(sos + (bytes.size() - sos) / 2);  // half of the coded data is missing
  Pixels px;
  std::string error;
  ASSERT_TRUE(DecodeJpeg(bytes.data(), bytes.size(), px, error)) << error;
  EXPECT_EQ(px.height, 64);
  EXPECT_EQ(px.bgr.size(), px.Stride() * 64);
}

// Builds an icon file: a directory of entries {w, h, bits, size}, then each image's bytes in turn.
std::vector<std::uint8_t> IconFile(const std::vector<std::array<int, 4>>& entries) {
  std::vector<std::uint8_t> f = {0, 0, 1, 0, static_cast<std::uint8_t>(entries.size()), 0};
  std::size_t offset = 6 + entries.size() * 16;
  for (auto& e : entries) {
    std::uint8_t d[16] = {static_cast<std::uint8_t>(e[0] & 0xFF),
                          static_cast<std::uint8_t>(e[1] & 0xFF),
                          0,
                          0,
                          1,
                          0,
                          static_cast<std::uint8_t>(e[2]),
                          0};
    std::uint32_t size = static_cast<std::uint32_t>(e[3]);
    std::uint32_t off = static_cast<std::uint32_t>(offset);
    std::memcpy(d + 8, &size, 4);
    std::memcpy(d + 12, &off, 4);
    f.insert(f.end(), d, d + 16);
    offset += size;
  }
  f.resize(offset, 0xAB);
  return f;
}

TEST(Icon, DirectoryAndChoice) {
  auto file = IconFile({{16, 16, 4, 296}, {32, 32, 4, 744}, {32, 32, 32, 4264}, {256, 256, 32, 100}});
  auto images = ParseIconFile(file.data(), file.size());
  ASSERT_EQ(images.size(), 4u);
  EXPECT_EQ(images[0].offset, 6u + 4 * 16);
  EXPECT_EQ(images[1].offset, images[0].offset + 296);
  EXPECT_EQ(images[3].width, 256);  // a 0 in the directory means 256
  struct Case {
    int want;
    int width, bits;
  } choices[] = {{32, 32, 32}, {16, 16, 4}, {24, 32, 32}, {48, 256, 32}, {300, 256, 32}};
  for (auto& c : choices) {
    const IconImage* img = ChooseIcon(images, c.want);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->width, c.width) << c.want;
    EXPECT_EQ(img->bitCount, c.bits) << c.want;
  }
  EXPECT_EQ(ChooseIcon({}, 32), nullptr);
}

TEST(Icon, HostileDirectories) {
  auto good = IconFile({{32, 32, 4, 744}});
  auto pastEnd = good;
  pastEnd[6 + 8] = 0xFF;  // size 0x2FF... beyond the file
  pastEnd[6 + 9] = 0xFF;
  auto hugeOffset = good;
  std::memset(&hugeOffset[6 + 12], 0xFF, 4);
  auto intoDirectory = good;
  intoDirectory[6 + 12] = 2;  // image "inside" the header
  intoDirectory[6 + 13] = intoDirectory[6 + 14] = intoDirectory[6 + 15] = 0;
  auto cursor = good;
  cursor[2] = 2;  // type 2: a cursor file
  auto manyEntries = good;
  manyEntries[4] = 0xFF, manyEntries[5] = 0xFF;  // 65535 entries claimed in a short file
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::size_t count;
  } cases[] = {{"good", good, 1},
               {"empty", {}, 0},
               {"header only", {0, 0, 1, 0, 1, 0}, 0},
               {"past end", pastEnd, 0},
               {"huge offset", hugeOffset, 0},
               {"into directory", intoDirectory, 0},
               {"cursor", cursor, 0},
               {"many entries", manyEntries, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(ParseIconFile(c.bytes.data(), c.bytes.size()).size(), c.count) << c.name;
  }
}

}  // namespace
}  // namespace qs::pictures
