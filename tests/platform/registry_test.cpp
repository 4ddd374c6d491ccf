#include "platform/portable/registry.h"

#include <gtest/gtest.h>

#include "platform/contract.h"

namespace qs {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(PortableRegistryKeys, OpenNeverCreatesAndNamesIgnoreCase) {
  PortableRegistry reg;
  RegKey k = 123;
  EXPECT_EQ(reg.OpenKey(kHKCU, "Software\\U.S. Robotics", k), kErrorFileNotFound);
  EXPECT_EQ(k, 0u);
  EXPECT_FALSE(reg.KeyExists("Software"));

  RegKey created = 0;
  ASSERT_EQ(reg.CreateKey(kHKCU, "Software\\U.S. Robotics\\Pilot Desktop\\Core", created), kErrorSuccess);
  EXPECT_TRUE(reg.KeyExists("software\\u.s. robotics"));
  struct Case {
    const char* path;
    long rc;
  } cases[] = {
      {"SOFTWARE\\u.s. ROBOTICS", kErrorSuccess},
      {"Software\\U.S. Robotics\\Pilot Desktop\\Core\\", kErrorSuccess},
      {"", kErrorSuccess},
      {"Software\\Palm Computing", kErrorFileNotFound},
      {"Software\\\\U.S. Robotics", kErrorFileNotFound},
      {"\\Software", kErrorBadPathname},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.path);
    RegKey h = 0;
    EXPECT_EQ(reg.OpenKey(kHKCU, c.path, h), c.rc);
    EXPECT_EQ(h != 0, c.rc == kErrorSuccess);
    if (h) {
      EXPECT_EQ(reg.CloseKey(h), kErrorSuccess);
    }
  }
  // Opening below an open key, and the stored case of a name is kept.
  RegKey vendor = 0, core = 0;
  ASSERT_EQ(reg.OpenKey(kHKCU, "software\\u.s. robotics", vendor), kErrorSuccess);
  EXPECT_EQ(reg.OpenKey(vendor, "pilot desktop\\CORE", core), kErrorSuccess);
  EXPECT_EQ(reg.SubkeyNames("Software"), std::vector<std::string>{"U.S. Robotics"});
  EXPECT_EQ(reg.OpenHandles(), 3u);
  EXPECT_EQ(reg.CloseKey(core), kErrorSuccess);
  EXPECT_EQ(reg.CloseKey(core), kErrorInvalidHandle);
  EXPECT_EQ(reg.CloseKey(vendor), kErrorSuccess);
  EXPECT_EQ(reg.CloseKey(created), kErrorSuccess);
  EXPECT_EQ(reg.CloseKey(kHKCU), kErrorSuccess);
  EXPECT_EQ(reg.OpenHandles(), 0u);
  RegKey h = 0;
  EXPECT_EQ(reg.OpenKey(0x4242, "x", h), kErrorInvalidHandle);
  EXPECT_EQ(reg.CreateKey(kHKCU, std::string(256, 'k'), h), kErrorBadPathname);
  EXPECT_EQ(reg.CreateKey(kHKCU, std::string(255, 'k'), h), kErrorSuccess);
}

TEST(PortableRegistryValues, SetDwordReplacesAnyTypeAndDeletedKeysSaySo) {
  PortableRegistry reg;
  const std::string key = "Software\\V\\Pilot Desktop\\HotSync Manager";
  reg.SetString(key, "Install3", "yes");
  reg.SetValue(key, "Install4", kRegBinary, {1, 2, 3, 4, 5, 6});
  RegKey k = 0;
  ASSERT_EQ(reg.OpenKey(kHKCU, key, k), kErrorSuccess);
  for (const char* name : {"install3", "Install4", "Install5", ""}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(reg.SetDword(k, name, 1), kErrorSuccess);
    auto v = reg.Value(key, name);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, kRegDword);
    EXPECT_EQ(v->data, (Bytes{1, 0, 0, 0}));
  }
  EXPECT_EQ(reg.Values(key).size(), 4u);  // replaced, not added beside
  EXPECT_EQ(reg.Value(key, "INSTALL3")->name, "Install3");

  EXPECT_TRUE(reg.DeleteKey("software\\v"));
  EXPECT_FALSE(reg.KeyExists(key));
  EXPECT_EQ(reg.SetDword(k, "Install3", 1), kErrorKeyDeleted);
  std::uint32_t size = 4;
  std::uint8_t buf[4];
  EXPECT_EQ(reg.QueryValue(k, "Install3", nullptr, buf, &size), kErrorKeyDeleted);
  RegKey sub = 0;
  EXPECT_EQ(reg.OpenKey(k, "", sub), kErrorKeyDeleted);
  EXPECT_EQ(reg.CloseKey(k), kErrorSuccess);
  EXPECT_FALSE(reg.DeleteKey("software\\v"));
  EXPECT_FALSE(reg.DeleteKey(""));
}

TEST(PortableRegistryValues, BehavesAsTheWindowsRegistry) {
  PortableRegistry reg;
  RegKey k = 0;
  ASSERT_EQ(reg.CreateKey(kHKCU, "Software\\QuillsetTest", k), kErrorSuccess);
  reg.CloseKey(k);
  test::RegistryBasics(reg, "Software\\QuillsetTest",
                       [&](const std::string& key, const std::string& name, const std::string& text) {
                         reg.SetString(key, name, text);
                       });
  EXPECT_EQ(reg.OpenHandles(), 0u);
}

}  // namespace
}  // namespace qs
