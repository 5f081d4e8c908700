// The Win32 registry backend and the start-up lookup against Wine's real registry.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/backend.h"
#include "setup/startup.h"

namespace quenlo {
namespace {

constexpr const char* kRecordKey = "Software\\QuenloBoFang";

class RealRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, kRecordKey); }
  void TearDown() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, kRecordKey); }

  void SetRaw(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  void SetString(const char* name, const std::string& text) {
    SetRaw(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
  }

  std::unique_ptr<platform::Registry> registry = win32::MakeRegistry();
};

TEST_F(RealRegistryTest, AbsentKeyMeansNoEarlierInstallation) {
  EXPECT_EQ(GetExistingAppPath(*registry), "");
  // Looking did not create the key.
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, 0, KEY_READ, &key), ERROR_SUCCESS);
}

TEST_F(RealRegistryTest, EmptyValueMeansNoEarlierInstallation) {
  SetString("AppPath", "");
  EXPECT_EQ(GetExistingAppPath(*registry), "");
}

TEST_F(RealRegistryTest, FolderIsReturnedExactlyAsStored) {
  SetString("AppPath", "D:\\Tools\\QuenloBoFang\\");
  EXPECT_EQ(GetExistingAppPath(*registry), "D:\\Tools\\QuenloBoFang\\");
  SetString("AppPath", "C:\\程序\\誠\\");
  EXPECT_EQ(GetExistingAppPath(*registry), "C:\\程序\\誠\\");
}

TEST_F(RealRegistryTest, ExpandStringCountsAndNonStringDoesNot) {
  const char expand[] = "C:\\Player\\";
  SetRaw("AppPath", REG_EXPAND_SZ, expand, sizeof expand);
  EXPECT_EQ(GetExistingAppPath(*registry), "C:\\Player\\");
  const DWORD number = 7;
  SetRaw("AppPath", REG_DWORD, &number, sizeof number);
  EXPECT_EQ(GetExistingAppPath(*registry), "");
}

TEST_F(RealRegistryTest, WrittenStringIncludesItsTerminatingZero) {
  {
    auto key = registry->Open(platform::RegistryRoot::LocalMachine, "\\Software\\QuenloBoFang\\",
                              /*create=*/true);
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->WriteString("Version", "2.0"));
    EXPECT_EQ(key->Read("Version").text, "2.0");
    EXPECT_EQ(key->Read("Missing").kind, platform::RegistryValue::Kind::Absent);
  }
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD type = 0;
  BYTE data[16] = {};
  DWORD size = sizeof data;
  ASSERT_EQ(RegQueryValueExA(key, "Version", nullptr, &type, data, &size), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), std::string("2.0", 4));
}

// The registry holds UTF-16: what the setup writes must be the same characters on a system of any
// code page, and a value GBK cannot hold must not be taken for some other text.
TEST_F(RealRegistryTest, ValuesAreStoredAsUtf16AndTextGbkCannotHoldIsNoString) {
  {
    auto key = registry->Open(platform::RegistryRoot::LocalMachine, kRecordKey, /*create=*/true);
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(
        key->WriteString("\xB3\xCC\xD0\xF2", "Quenlo\xB2\xA5\xB7\xC5"));  // 程序, Quenlo播放
  }
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QuenloBoFang", 0, KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  wchar_t data[32] = {};
  DWORD size = sizeof data;
  DWORD type = 0;
  ASSERT_EQ(
      RegQueryValueExW(key, L"\u7A0B\u5E8F", nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
      ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(data, size / sizeof(wchar_t)), std::wstring(L"Quenlo\u64AD\u653E", 9));

  const wchar_t foreign[] = L"C:\\\u0151";
  RegSetValueExW(key, L"Foreign", 0, REG_SZ, reinterpret_cast<const BYTE*>(foreign),
                 sizeof foreign);
  RegCloseKey(key);
  auto opened = registry->Open(platform::RegistryRoot::LocalMachine, kRecordKey, false);
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(opened->Read("Foreign").kind, platform::RegistryValue::Kind::NotString);
}

TEST_F(RealRegistryTest, DwordIsWrittenAsFourBytesOfTypeDword) {
  {
    const auto key = registry->Open(platform::RegistryRoot::LocalMachine, kRecordKey, true);
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->WriteDword("EstimatedSize", 0x01020304));
  }
  DWORD type = 0;
  DWORD data = 0;
  DWORD size = sizeof data;
  ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, kRecordKey, "EstimatedSize", RRF_RT_ANY, &type, &data,
                         &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(data, 0x01020304u);
}

TEST_F(RealRegistryTest, DeleteKeyTakesTheKeyWithEverythingBelowAndToleratesNoKey) {
  SetString("AppPath", "C:\\Player\\");
  HKEY below = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\QuenloBoFang\\Sub\\Deeper", 0, nullptr,
                            0, KEY_ALL_ACCESS, nullptr, &below, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(below);
  EXPECT_TRUE(
      registry->DeleteKey(platform::RegistryRoot::LocalMachine, "\\Software\\QuenloBoFang\\"));
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(registry->DeleteKey(platform::RegistryRoot::LocalMachine, kRecordKey));
  EXPECT_FALSE(registry->DeleteKey(platform::RegistryRoot::LocalMachine, ""));  // never the root
}

}  // namespace
}  // namespace quenlo
