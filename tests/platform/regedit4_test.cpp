#include "platform/portable/regedit4.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Sz(std::string_view s) {
  Bytes b(s.begin(), s.end());
  b.push_back(0);
  return b;
}

TEST(Regedit4, LoadsEveryKindOfValue) {
  PortableRegistry reg;
  const char* text =
      "\xEF\xBB\xBFREGEDIT4\r\n"
      "\r\n"
      "; a comment\r\n"
      "[HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\Core]\r\n"
      "\"Path\"=\"C:\\\\Program Files\\\\Palm\\\\\"\r\n"
      "@=\"default \\\"quoted\\\"\"\r\n"
      "\"Count\"=dword:0000002a\r\n"
      "\"Short\" = dword:7\r\n"
      "\"Bin\"=hex:01,02,\\\r\n"
      "  03,ff\r\n"
      "\"Expand\"=hex(2):25,50,25,00\r\n"
      "\"Empty\"=hex:\r\n"
      "\"Cp1252\"=\"cr\xE9\xE9\"\r\n"
      "\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
      "\"Skipped\"=\"x\"\r\n"
      "[hkey_current_user\\Software\\Gone]\n"
      "\"a\"=\"1\"\n"
      "[-HKEY_CURRENT_USER\\Software\\Gone]\n"
      "[HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\Core]\n"
      "\"Short\"=-\n";
  auto r = LoadRegedit4(reg, text);
  ASSERT_TRUE(r.ok) << r.line << ": " << r.error;
  EXPECT_EQ(r.skipped.size(), 1u);
  const std::string core = "Software\\U.S. Robotics\\Pilot Desktop\\Core";
  struct Case {
    const char* name;
    std::uint32_t type;
    Bytes data;
  } cases[] = {
      {"Path", kRegSz, Sz("C:\\Program Files\\Palm\\")},
      {"", kRegSz, Sz("default \"quoted\"")},
      {"Count", kRegDword, {0x2a, 0, 0, 0}},
      {"Bin", kRegBinary, {1, 2, 3, 0xff}},
      {"Expand", kRegExpandSz, {0x25, 0x50, 0x25, 0}},
      {"Empty", kRegBinary, {}},
      {"Cp1252", kRegSz, Sz("cr\xE9\xE9")},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto v = reg.Value(core, c.name);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, c.type);
    EXPECT_EQ(v->data, c.data);
  }
  EXPECT_FALSE(reg.Value(core, "Short"));
  EXPECT_FALSE(reg.KeyExists("Software\\Gone"));
  EXPECT_FALSE(reg.KeyExists("Software\\Other"));
}

TEST(Regedit4, ErrorsNameTheLineAndChangeNothing) {
  struct Case {
    const char* text;
    int line;
  } cases[] = {
      {"", 0},
      {"\r\n\r\n", 2},
      {"REGEDIT5\r\n", 1},
      {"Windows Registry Editor Version 5.00\r\n", 1},
      {"REGEDIT4\r\n\"v\"=\"1\"\r\n", 2},
      {"REGEDIT4\r\n[HKEY_NOWHERE\\x]\r\n", 2},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\x\r\n", 2},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\a\\\\b]\r\n", 2},
      {"REGEDIT4\r\n[-HKEY_CURRENT_USER]\r\n", 2},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n\"v\"=\"open\r\n", 3},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n\"v\"=\"a\" b\r\n", 3},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n\"v\"=\"a\\q\"\r\n", 3},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n\"v\" \"a\"\r\n", 3},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n\"v\"=dword:123456789\r\n", 3},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n\"v\"=dword:\r\n", 3},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n\"v\"=dword:12g4\r\n", 3},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n\"v\"=hex:1,2,345\r\n", 3},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n\"v\"=hex:01,,02\r\n", 3},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n\"v\"=hex(:01\r\n", 3},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n\"v\"=hex(123456789):01\r\n", 3},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n\"v\"=hex01\r\n", 3},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n\"v\"=hex:01,\\\r\n", 3},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n\"v\"=hex:01,\\\r\n 02,\\\r\n zz\r\n", 5},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n\"v\"=string\r\n", 3},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\nv=1\r\n", 3},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.text);
    PortableRegistry reg;
    reg.SetString("Keep", "k", "v");
    auto r = LoadRegedit4(reg, c.text);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, c.line);
    EXPECT_FALSE(r.error.empty());
    EXPECT_FALSE(reg.KeyExists("x"));
    EXPECT_EQ(SaveRegedit4(reg), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Keep]\r\n\"k\"=\"v\"\r\n");
  }
}

TEST(Regedit4, RoundTripKeepsEveryValue) {
  PortableRegistry reg;
  Bytes long_(100);
  for (std::size_t i = 0; i < long_.size(); ++i) long_[i] = static_cast<std::uint8_t>(i * 7);
  struct Case {
    const char* key;
    const char* name;
    std::uint32_t type;
    Bytes data;
  } cases[] = {
      {"Software\\U.S. Robotics\\Pilot Desktop\\Core", "Path", kRegSz, Sz("C:\\Palm\\")},
      {"Software\\U.S. Robotics\\Pilot Desktop\\Core", "", kRegSz, Sz("with \"quotes\" and \\ back")},
      {"Software\\U.S. Robotics\\Pilot Desktop\\HotSync Manager", "Install3", kRegDword, {1, 0, 0, 0}},
      {"Software\\U.S. Robotics\\Pilot Desktop\\HotSync Manager", "Install65535", kRegDword, {0xff, 0xfe, 0, 0x80}},
      {"Software\\Data", "Long", kRegBinary, long_},
      {"Software\\Data", "Empty", kRegBinary, {}},
      {"Software\\Data", "None", 0, {1}},
      {"Software\\Data", "Expand", kRegExpandSz, Sz("%TEMP%")},
      {"Software\\Data", "Multi", 7, {'a', 0, 'b', 0, 0}},
      {"Software\\Data", "OddDword", kRegDword, {1, 2}},
      {"Software\\Data", "SzNoZero", kRegSz, {'a', 'b'}},
      {"Software\\Data", "SzTwoLines", kRegSz, Sz("a\r\nb")},
      {"Software\\Data", "BigType", 0xffffffffu, {9}},
      {"Software\\Data", "name \"with\" \\ and\nline", kRegSz, Sz("\xE9t\xE9")},
      {"Software\\Data\\Sub Key [1]", "x", kRegSz, Sz("")},
  };
  for (auto& c : cases) reg.SetValue(c.key, c.name, c.type, c.data);
  RegKey k = 0;
  reg.CreateKey(kHKCU, "Software\\Empty Key", k);
  reg.CloseKey(k);

  std::string text = SaveRegedit4(reg);
  PortableRegistry back;
  auto r = LoadRegedit4(back, text);
  ASSERT_TRUE(r.ok) << r.line << ": " << r.error << "\n" << text;
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto v = back.Value(c.key, c.name);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, c.type);
    EXPECT_EQ(v->data, c.data);
  }
  EXPECT_TRUE(back.KeyExists("Software\\Empty Key"));
  EXPECT_EQ(SaveRegedit4(back), text);
  // Long lists are wrapped on continued lines.
  EXPECT_NE(text.find(",\\\r\n  "), std::string::npos);
  EXPECT_NE(text.find("\"Path\"=\"C:\\\\Palm\\\\\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"Install3\"=dword:00000001\r\n"), std::string::npos);
}

TEST(Regedit4, KeyPathsDeeperThanTheRegistryAllowsAreRefused) {
  std::string path;
  for (int i = 0; i < 600; ++i) path += "\\k";
  PortableRegistry deep;
  EXPECT_FALSE(LoadRegedit4(deep, "REGEDIT4\n[HKEY_CURRENT_USER" + path + "]\n").ok);
}

}  // namespace
}  // namespace qs
