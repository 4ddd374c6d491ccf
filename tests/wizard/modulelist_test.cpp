#include "wizard/modulelist.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace qs {
namespace {

TModuleRec Rec(const char* source, std::int32_t shortcut, const char* title, const char* group, std::int32_t action,
               const char* programGroup) {
  TModuleRec r = EmptyModuleRec();
  EXPECT_TRUE(SetModuleText(r.SourcePath, source));
  r.MakeShortcut = shortcut;
  EXPECT_TRUE(SetModuleText(r.Title, title));
  EXPECT_TRUE(SetModuleText(r.ProgramGroup, programGroup));
  r.Action = action;
  EXPECT_TRUE(SetModuleText(r.Group, group));
  return r;
}

void Put(std::vector<std::uint8_t>& v, std::size_t at, std::string_view text) {
  std::memcpy(v.data() + at, text.data(), text.size());
}

// The file as laid out by hand: header, then two records at 1024 and 2056.
TEST(ModuleList, WriterMatchesHandMadeBytes) {
  std::vector<TModuleRec> recs = {
      Rec("C:\\Work\\Hello.prc", 0, "Hello for the handheld", "Handheld", 3, ""),
      Rec("files\\hello.exe", 1, "Hello", "", 0x01020304, "Hello Palm"),
  };
  recs[1].Action = -2;
  std::vector<std::uint8_t> want(1024 + 2 * 1032, 0);
  want[0] = 1;
  Put(want, 1024 + 0, "C:\\Work\\Hello.prc");
  Put(want, 1024 + 260, "Hello for the handheld");
  want[1024 + 772] = 3;
  Put(want, 1024 + 776, "Handheld");
  const std::size_t r2 = 1024 + 1032;
  Put(want, r2 + 0, "files\\hello.exe");
  want[r2 + 256] = 1;
  Put(want, r2 + 260, "Hello");
  Put(want, r2 + 516, "Hello Palm");
  Put(want, r2 + 772, "\xFE\xFF\xFF\xFF");
  EXPECT_EQ(ModuleListBytes(recs), want);
  EXPECT_EQ(ModuleListBytes({}), std::vector<std::uint8_t>(want.begin(), want.begin() + 1024));

  // Integers are little-endian whatever the host.
  TModuleRec r = EmptyModuleRec();
  r.MakeShortcut = 0x01020304;
  r.Action = 0x0A0B0C0D;
  auto bytes = EncodeModuleRec(r);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 256, bytes.begin() + 260),
            (std::vector<std::uint8_t>{4, 3, 2, 1}));
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 772, bytes.begin() + 776),
            (std::vector<std::uint8_t>{0x0D, 0x0C, 0x0B, 0x0A}));
}

TEST(ModuleList, TextFields) {
  TModuleRec r = EmptyModuleRec();
  const std::string full(256, 'T');
  ASSERT_TRUE(SetModuleText(r.Title, full));
  EXPECT_EQ(ModuleText(r.Title), full);  // no terminator: the whole field
  EXPECT_EQ(r.ProgramGroup[0], 0);       // and nothing spilled into the next field

  EXPECT_FALSE(SetModuleText(r.Title, std::string(257, 'x')));
  EXPECT_FALSE(SetModuleText(r.Title, std::string("a\0b", 3)));
  EXPECT_EQ(ModuleText(r.Title), full);  // refused texts leave the field alone

  ASSERT_TRUE(SetModuleText(r.Group, "Caf\xE9"));
  EXPECT_EQ(ModuleText(r.Group), "Caf\xE9");
  // Bytes after the first zero are leftovers, not text.
  std::memcpy(r.Group, "ab\0leftover", 11);
  EXPECT_EQ(ModuleText(r.Group), "ab");
  // A shorter text clears what a longer one left behind.
  ASSERT_TRUE(SetModuleText(r.Title, "x"));
  EXPECT_EQ(r.Title[1], 0);
  EXPECT_EQ(r.Title[255], 0);
}

TEST(ModuleList, ParseTakesWholeRecordsAfterAValidHeader) {
  const auto two = ModuleListBytes({Rec("a.prc", 0, "A", "G", 0, ""), Rec("b.exe", 1, "", "", 2, "P")});
  auto withHeader = [&](std::vector<std::uint8_t> head, std::size_t extra) {
    std::vector<std::uint8_t> v = two;
    std::copy(head.begin(), head.end(), v.begin());
    v.resize(v.size() + extra, 0x55);
    return v;
  };
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    bool accepted;
    std::size_t records;
    std::size_t trailing;
  };
  const Case cases[] = {
      {"empty file", {}, false, 0, 0},
      {"shorter than the header", std::vector<std::uint8_t>(two.begin(), two.begin() + 1023), false, 0, 0},
      {"header only", std::vector<std::uint8_t>(two.begin(), two.begin() + 1024), true, 0, 0},
      {"two records", two, true, 2, 0},
      {"other header bytes are free", withHeader({1, 69, 111, 67}, 0), true, 2, 0},
      {"format byte not first", withHeader({0, 0, 0, 1}, 0), false, 0, 0},
      {"format byte 2", withHeader({2}, 0), false, 0, 0},
      {"short trailing piece", withHeader({1}, 1031), true, 2, 1031},
      {"one more whole record", withHeader({1}, 1032), true, 3, 0},
      {"cut inside the first record", std::vector<std::uint8_t>(two.begin(), two.begin() + 1024 + 1000), true, 0, 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto got = ParseModuleList(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(got.accepted, c.accepted);
    EXPECT_EQ(got.records.size(), c.records);
    EXPECT_EQ(got.trailingBytes, c.trailing);
  }
  auto got = ParseModuleList(two.data(), two.size());
  ASSERT_EQ(got.records.size(), 2u);
  EXPECT_EQ(ModuleText(got.records[0].SourcePath), "a.prc");
  EXPECT_EQ(ModuleText(got.records[0].Group), "G");
  EXPECT_EQ(got.records[1].MakeShortcut, 1);
  EXPECT_EQ(got.records[1].Action, 2);
  EXPECT_EQ(ModuleText(got.records[1].ProgramGroup), "P");
  // A decoded record writes back to the same bytes, leftovers after zeros included.
  std::vector<std::uint8_t> rec(two.begin() + 1024, two.begin() + 2056);
  rec[300] = 0x77;  // beyond the Title's terminator
  auto again = EncodeModuleRec(DecodeModuleRec(rec.data()));
  EXPECT_EQ(std::vector<std::uint8_t>(again.begin(), again.end()), rec);
}

}  // namespace
}  // namespace qs
