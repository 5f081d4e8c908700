// The codec template, stamped as the generator stamps it, under Wine: it loads, exports its
// entry points by their plain names, registers the class of its own stamped class ID and
// removes it again.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "demo/codec/codec_stamp.h"
#include "demo/generator/clsid.h"
#include "demo/generator/filler.h"
#include "demo/generator/stamp.h"
#include "tests/unit/demo/wine_test_support.h"

namespace quenlo::demo {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::TemplatesFolder;
using testing::WriteBytes;

using EntryPoint = HRESULT(STDAPICALLTYPE*)();

// The default value (or `value`) of HKCR\`key`; nullopt when the key or value is missing.
std::optional<std::string> ReadClassesValue(const std::string& key, const char* value = nullptr) {
  char data[1024] = {};
  DWORD size = sizeof data;
  DWORD type = 0;
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  const LONG status =
      RegQueryValueExA(handle, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(handle);
  if (status != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  return std::string(data);
}

bool ClassKeyExists(const std::string& clsid) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ("CLSID\\" + clsid).c_str(), 0, KEY_READ, &handle) !=
      ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(handle);
  return true;
}

// One stamped copy of the template in the scratch folder, loaded.
class StampedCodec {
 public:
  StampedCodec(const std::string& folder, const std::string& payloadName, std::size_t overlay = 0)
      : clsid_(ClsidForName(payloadName)),
        name_("Quenlo demo codec " + payloadName.substr(payloadName.rfind('\\') + 1)),
        path_(folder + "\\" + payloadName.substr(payloadName.rfind('\\') + 1)) {
    std::string bytes = StampCodec(ReadBytes(TemplatesFolder() + "\\QuenloDemoCodec.dll"),
                                   CodecIdentity{clsid_, name_});
    AppendFiller(bytes, overlay, 0.45, SeedFor(payloadName));
    if (WriteBytes(path_, bytes)) module_ = LoadLibraryA(path_.c_str());
  }
  ~StampedCodec() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  StampedCodec(const StampedCodec&) = delete;
  StampedCodec& operator=(const StampedCodec&) = delete;

  bool loaded() const { return module_ != nullptr; }
  HRESULT Call(const char* entryPoint) const {
    const auto function =
        reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(GetProcAddress(module_, entryPoint)));
    return function != nullptr ? function() : E_NOINTERFACE;
  }
  const std::string& clsid() const { return clsid_; }
  const std::string& name() const { return name_; }
  const std::string& path() const { return path_; }
  HMODULE module() const { return module_; }

 private:
  std::string clsid_;
  std::string name_;
  std::string path_;
  HMODULE module_ = nullptr;
};

class CodecLibraryTest : public ::testing::Test {
 protected:
  ScratchFolder folder{"quenlo-demo-codec-test"};
};

TEST_F(CodecLibraryTest, ExportsTheSelfRegistrationEntryPointsByTheirPlainNames) {
  StampedCodec codec(folder.path(), "App\\Codec\\SysCodec\\qsTee.ax");
  ASSERT_TRUE(codec.loaded()) << "LoadLibrary failed: " << GetLastError();
  for (const char* name :
       {"DllRegisterServer", "DllUnregisterServer", "DllGetClassObject", "DllCanUnloadNow"}) {
    EXPECT_NE(GetProcAddress(codec.module(), name), nullptr) << name;
  }
}

TEST_F(CodecLibraryTest, RegistersItsStampedClassAndRemovesItAgain) {
  StampedCodec codec(folder.path(), "App\\Codec\\OtherCodec\\tmAacDec.ax");
  ASSERT_TRUE(codec.loaded()) << "LoadLibrary failed: " << GetLastError();
  const std::string key = "CLSID\\" + codec.clsid();
  ASSERT_FALSE(ClassKeyExists(codec.clsid())) << "left over from an earlier run";

  ASSERT_EQ(codec.Call("DllRegisterServer"), S_OK);
  EXPECT_EQ(ReadClassesValue(key), codec.name());
  const std::optional<std::string> server = ReadClassesValue(key + "\\InprocServer32");
  ASSERT_TRUE(server.has_value());
  EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, server->c_str(), -1,
                           codec.path().c_str(), -1),
            CSTR_EQUAL)
      << *server << " is not " << codec.path();
  EXPECT_EQ(ReadClassesValue(key + "\\InprocServer32", "ThreadingModel"), "Both");
  EXPECT_FALSE(ClassKeyExists(kPlaceholderClsid)) << "the template's ID is not used";

  ASSERT_EQ(codec.Call("DllUnregisterServer"), S_OK);
  EXPECT_FALSE(ClassKeyExists(codec.clsid()));
  EXPECT_EQ(codec.Call("DllUnregisterServer"), S_OK) << "unregistering twice is no error";
}

TEST_F(CodecLibraryTest, TwoCopiesRegisterTwoClassesIndependently) {
  StampedCodec first(folder.path(), "App\\Codec\\Real\\Codecs\\tamo3267.dll");
  StampedCodec second(folder.path(), "App\\Codec\\Real\\Codecs\\kelv3267.dll");
  ASSERT_TRUE(first.loaded() && second.loaded());
  ASSERT_NE(first.clsid(), second.clsid());
  ASSERT_EQ(first.Call("DllRegisterServer"), S_OK);
  ASSERT_EQ(second.Call("DllRegisterServer"), S_OK);
  EXPECT_TRUE(ReadClassesValue("CLSID\\" + second.clsid() + "\\InprocServer32").has_value());
  ASSERT_EQ(first.Call("DllUnregisterServer"), S_OK);
  EXPECT_FALSE(ClassKeyExists(first.clsid()));
  EXPECT_TRUE(ClassKeyExists(second.clsid())) << "the other copy's class stays";
  EXPECT_EQ(second.Call("DllUnregisterServer"), S_OK);
  EXPECT_FALSE(ClassKeyExists(second.clsid()));
}

TEST_F(CodecLibraryTest, BytesAppendedAfterTheImageKeepItLoadable) {
  StampedCodec codec(folder.path(), "App\\avcodec.dll", 2'000'000);
  ASSERT_TRUE(codec.loaded()) << "LoadLibrary failed: " << GetLastError();
  ASSERT_EQ(codec.Call("DllRegisterServer"), S_OK);
  EXPECT_TRUE(ClassKeyExists(codec.clsid()));
  EXPECT_EQ(codec.Call("DllUnregisterServer"), S_OK);
  EXPECT_FALSE(ClassKeyExists(codec.clsid()));
}

}  // namespace
}  // namespace quenlo::demo
