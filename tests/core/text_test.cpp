#include "core/text.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/streams.h"

namespace qs {
namespace {

TEST(Text, PathAndCaseRules) {
  struct Case {
    const char* in;
    const char* upper;
    const char* trimmed;
    const char* file;
    const char* dir;
  };
  const Case cases[] = {
      {"", "", "", "", ""},
      {"C", "C", "C", "C", "C:\\"},
      {"c", "C", "c", "c", "c:\\"},
      {"C:", "C:", "C:", "", "C:"},
      {"D:\\Apps", "D:\\APPS", "D:\\Apps", "Apps", "D:\\Apps\\"},
      {"D:\\Apps\\", "D:\\APPS\\", "D:\\Apps\\", "", "D:\\Apps\\"},
      {"  x.prc \t", "  X.PRC \t", "x.prc", "  x.prc \t", "  x.prc \t\\"},
      {"C:file.pdb", "C:FILE.PDB", "C:file.pdb", "file.pdb", "C:file.pdb\\"},
      {"a/b", "A/B", "a/b", "a/b", "a/b\\"},
      {"\xE9t\xE9", "\xE9T\xE9", "\xE9t\xE9", "\xE9t\xE9", "\xE9t\xE9\\"},
      {"1", "1", "1", "1", "1\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(UpperAZ(c.in), c.upper);
    EXPECT_EQ(Trim(c.in), c.trimmed);
    EXPECT_EQ(FileNamePart(c.in), c.file);
    EXPECT_EQ(WithTrailingSeparator(c.in), c.dir);
  }
  EXPECT_TRUE(IsBlank(std::string("\0 \x1f \x20", 6)));
  EXPECT_FALSE(IsBlank(" !"));
  EXPECT_TRUE(SameTextAZ("ilist.qsp", "ILIST.QSP"));
  EXPECT_FALSE(SameTextAZ("\xE9", "\xC9"));
  const char field[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(FixedField(field, 4), "abcd");
  EXPECT_EQ(FixedField("ab\0cd", 5), "ab");
}

TEST(Errors, MessagesAndFullStopRule) {
  EXPECT_EQ(std::string(EFCreateError("C:\\x").what()),
            "Impossible de cr\xE9"
            "er le fichier C:\\x");
  EXPECT_EQ(std::string(EFOpenError("C:\\y").what()), "Impossible d'ouvrir le fichier C:\\y");
  EXPECT_EQ(std::string(EReadError().what()), "Erreur de lecture du flux");
  EXPECT_EQ(std::string(EWriteError().what()),
            "Erreur d'\xE9"
            "criture dans le flux");
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"", ""},        {"abc", "abc."},  {"done.", "done."},
               {"ok!", "ok!"},  {"end-", "end-"}, {"path/", "path/."},
               {"x\\", "x\\."}, {"9", "9."},      {"\xE9", "\xE9."}};
  for (auto& c : cases) EXPECT_EQ(ErrorBoxText(c.in), c.out) << c.in;
}

TEST(MemoryStream, ReadWriteSeekAndCopy) {
  TMemoryStream m;
  m.WriteI32(-2);
  m.WriteU8(7);
  EXPECT_EQ(m.Size(), 5);
  m.SetPosition(0);
  EXPECT_EQ(m.ReadI32(), -2);
  EXPECT_EQ(m.ReadU8(), 7);
  EXPECT_THROW(m.ReadU8(), EReadError);
  EXPECT_THROW(m.Seek(-1, SeekOrigin::Begin), EReadError);
  TMemoryStream copy;
  m.SetPosition(3);
  EXPECT_EQ(copy.CopyFrom(m, 0), 5);  // 0 = the whole source from its start
  EXPECT_EQ(copy.Bytes(), m.Bytes());
  m.SetPosition(4);
  EXPECT_THROW(copy.CopyFrom(m, 2), EReadError);
}

}  // namespace
}  // namespace qs
