#include "ui/graphics.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/streams.h"
#include "ui/samples.h"

namespace qs {
namespace {

std::vector<std::uint8_t> Counted(const std::string& s) {
  std::vector<std::uint8_t> b(s.size() + 1);
  b[0] = static_cast<std::uint8_t>(s.size());
  std::copy(s.begin(), s.end(), b.begin() + 1);
  return b;
}
std::vector<std::uint8_t> Le32(std::int64_t v) {
  std::vector<std::uint8_t> b;
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(v) >> (8 * i)));
  return b;
}
std::vector<std::uint8_t> Cat(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(PictureData, ReadsEachKnownGraphicAndIgnoresUnknownOnes) {
  const auto icon = test::MakeIcon({{16, 16, 8}, {32, 32, 4}, {32, 32, 32}, {48, 48, 32}});
  struct Case {
    const char* what;
    std::vector<std::uint8_t> data;
    std::string_view cls;  // "" for an empty picture
    int width, height;
  };
  const Case cases[] = {
      {"JPEG", Cat({Counted("TJPEGImage"), Le32(static_cast<std::int64_t>(test::kTinyJpeg.size())), test::kTinyJpeg}),
       "TJPEGImage", 8, 4},
      {"class name in any case", Cat({Counted("tjpegIMAGE"), Le32(4), {0xFF, 0xD8, 0xFF, 0xD9}}), "TJPEGImage", 0, 0},
      {"icon", Cat({Counted("TIcon"), icon}), "TIcon", 32, 32},
      {"unknown class, rest ignored", Cat({Counted("TBitmap"), {1, 2, 3, 4, 5}}), "", 0, 0},
      {"unknown class, nothing after it", Counted("TMetafile"), "", 0, 0},
  };
  for (const Case& c : cases) {
    TPicture p;
    p.SetGraphic(std::make_unique<TIcon>());  // whatever was there goes
    TMemoryStream s(c.data);
    ASSERT_NO_THROW(p.ReadData(s)) << c.what;
    if (c.cls.empty()) {
      EXPECT_EQ(p.Graphic(), nullptr) << c.what;
      EXPECT_TRUE(p.Empty()) << c.what;
      continue;
    }
    ASSERT_NE(p.Graphic(), nullptr) << c.what;
    EXPECT_EQ(p.Graphic()->ClassName(), c.cls) << c.what;
    EXPECT_EQ(p.Graphic()->Width(), c.width) << c.what;
    EXPECT_EQ(p.Graphic()->Height(), c.height) << c.what;
  }
}

TEST(PictureData, JpegIsDecodedIntoPixels) {
  TJPEGImage j;
  j.LoadFromBytes(test::kTinyJpeg);
  ASSERT_TRUE(j.DecodeError().empty()) << j.DecodeError();
  const pictures::Pixels& px = j.Pixels();
  ASSERT_EQ(px.width, 8);
  ASSERT_EQ(px.height, 4);
  ASSERT_EQ(px.bgr.size(), px.Stride() * 4);
  // A red-to-blue gradient from top to bottom: red leads in the first row, blue in the last.
  const std::uint8_t* top = px.bgr.data();
  const std::uint8_t* bottom = px.bgr.data() + px.Stride() * 3;
  EXPECT_GT(top[2], top[0]);
  EXPECT_GT(bottom[0], bottom[2]);
}

TEST(PictureData, BadJpegBytesAreKeptUndecoded) {
  std::vector<std::uint8_t> broken(test::kTinyJpeg.begin(), test::kTinyJpeg.begin() + 40);
  TPicture p;
  TMemoryStream s(Cat({Counted("TJPEGImage"), Le32(static_cast<std::int64_t>(broken.size())), broken}));
  ASSERT_NO_THROW(p.ReadData(s));
  auto* j = dynamic_cast<TJPEGImage*>(p.Graphic());
  ASSERT_NE(j, nullptr);
  EXPECT_EQ(j->Bytes(), broken);
  EXPECT_FALSE(j->DecodeError().empty());
  EXPECT_EQ(j->Width(), 0);
  EXPECT_FALSE(p.Empty());  // the picture still carries its data (and writes it back)
}

TEST(PictureData, LengthsOutsideTheBlockFail) {
  const std::vector<std::uint8_t> cases[] = {
      Cat({Counted("TJPEGImage"), Le32(1000), {0xFF, 0xD8}}),  // longer than the block
      Cat({Counted("TJPEGImage"), Le32(-1)}),                  // negative
      Cat({Counted("TJPEGImage"), {1, 0}}),                    // no whole length
      {20, 'T', 'J'},                                          // class name cut short
      {},                                                      // nothing at all
  };
  for (const auto& data : cases) {
    TPicture p;
    TMemoryStream s(data);
    EXPECT_THROW(p.ReadData(s), EReadError) << data.size();
  }
}

TEST(PictureData, WritingGivesBackWhatWasRead) {
  const std::vector<std::uint8_t> blocks[] = {
      Cat({Counted("TJPEGImage"), Le32(static_cast<std::int64_t>(test::kTinyJpeg.size())), test::kTinyJpeg}),
      Cat({Counted("TIcon"), test::MakeIcon({{32, 32, 32}})}),
  };
  for (const auto& block : blocks) {
    TPicture p;
    TMemoryStream in(block);
    p.ReadData(in);
    TMemoryStream out;
    p.WriteData(out);
    EXPECT_EQ(out.Bytes(), block);
    TPicture copy;
    copy.Assign(p);
    TMemoryStream out2;
    copy.WriteData(out2);
    EXPECT_EQ(out2.Bytes(), block);
  }
}

TEST(Icon, ChoosesTheImageAWindowShowsAndSurvivesJunk) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> data;
    int width;  // 0: empty icon
    int bits;
  };
  auto withBadOffset = test::MakeIcon({{32, 32, 8}});
  withBadOffset[18] = 0xFF;  // the image's offset points far outside the file
  withBadOffset[19] = 0xFF;
  const Case cases[] = {
      {"exact size, most colours", test::MakeIcon({{16, 16, 32}, {32, 32, 4}, {32, 32, 32}, {64, 64, 32}}), 32, 32},
      {"nearest larger", test::MakeIcon({{16, 16, 32}, {48, 48, 8}, {64, 64, 32}}), 48, 8},
      {"only smaller ones: the largest", test::MakeIcon({{16, 16, 8}, {24, 24, 8}}), 24, 8},
      {"256 stored as 0", test::MakeIcon({{0, 0, 32}}), 256, 32},
      {"image outside the file", withBadOffset, 0, 0},
      {"not an icon file", {'B', 'M', 0, 0, 0, 0, 0, 0}, 0, 0},
      {"no bytes", {}, 0, 0},
  };
  for (const Case& c : cases) {
    TIcon icon;
    TMemoryStream s(c.data);
    ASSERT_NO_THROW(icon.ReadData(s)) << c.what;
    EXPECT_EQ(icon.Bytes(), c.data) << c.what;
    EXPECT_EQ(icon.Width(), c.width) << c.what;
    EXPECT_EQ(icon.Empty(), c.width == 0) << c.what;
    if (c.width) {
      EXPECT_EQ(icon.Best()->bitCount, c.bits) << c.what;
    }
  }
}

TEST(Picture, AsIconReplacesAnotherGraphicByAnEmptyIcon) {
  TPicture p;
  int changes = 0;
  p.onChange = [&] { ++changes; };
  auto j = std::make_unique<TJPEGImage>();
  j->LoadFromBytes(test::kTinyJpeg);
  p.SetGraphic(std::move(j));
  TIcon& icon = p.Icon();
  EXPECT_TRUE(icon.Empty());
  EXPECT_TRUE(p.Empty());
  EXPECT_EQ(p.Graphic()->ClassName(), "TIcon");
  EXPECT_EQ(&p.Icon(), &icon);  // an icon stays
  EXPECT_EQ(changes, 2);
}

}  // namespace
}  // namespace qs
