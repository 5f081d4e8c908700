// Class IDs derived from payload names.
#include "demo/generator/clsid.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace quenlo::demo {
namespace {

TEST(ClsidForName, HasTheRegistryFormOfAVersion8Uuid) {
  const std::string clsid = ClsidForName("App\\Codec\\SysCodec\\qsTee.ax");
  ASSERT_TRUE(IsRegistryClsid(clsid)) << clsid;
  EXPECT_EQ(clsid[15], '8') << clsid;                                          // version nibble
  EXPECT_NE(std::string("89AB").find(clsid[20]), std::string::npos) << clsid;  // variant 10xx
  EXPECT_EQ(clsid.find_first_of("abcdef"), std::string::npos) << "upper-case hexadecimal";
}

TEST(ClsidForName, StaysTheSameAcrossReleases) {
  // An installed codec keeps its class ID when the payload is rebuilt; a changed derivation
  // would leave the old classes registered beside new ones.
  EXPECT_EQ(ClsidForName("App\\Codec\\SysCodec\\qsTee.ax"),
            "{2089152A-4FAC-8FA3-B8E4-365F83310F6D}");
}

TEST(ClsidForName, IgnoresLetterCaseAsWindowsNamesDo) {
  EXPECT_EQ(ClsidForName("App\\Codec\\OtherCodec\\tmAacDec.ax"),
            ClsidForName("APP\\codec\\othercodec\\TMAACDEC.AX"));
}

TEST(ClsidForName, DiffersForNamesThatDifferInOneCharacterOrFolder) {
  std::set<std::string> seen;
  for (const char* name : {"App\\Codec\\a.ax", "App\\Codec\\b.ax", "App\\Codec\\a.dll",
                           "App\\Codec\\Real\\a.ax", "Exe\\a.ax", "App\\Codec\\a.ax "}) {
    EXPECT_TRUE(seen.insert(ClsidForName(name)).second) << name;
  }
}

TEST(IsRegistryClsid, AcceptsOnlyTheBracedHyphenatedForm) {
  EXPECT_TRUE(IsRegistryClsid("{0123abcd-4567-89AB-cdef-0123456789AB}"));
  EXPECT_FALSE(IsRegistryClsid("0123abcd-4567-89AB-cdef-0123456789AB"));     // no braces
  EXPECT_FALSE(IsRegistryClsid("{0123abcd-4567-89AB-cdef-0123456789AB"));    // no closing brace
  EXPECT_FALSE(IsRegistryClsid("{0123abcd4-567-89AB-cdef-0123456789AB}"));   // hyphen moved
  EXPECT_FALSE(IsRegistryClsid("{0123abcg-4567-89AB-cdef-0123456789AB}"));   // not hexadecimal
  EXPECT_FALSE(IsRegistryClsid("{0123abcd-4567-89AB-cdef-0123456789ABC}"));  // too long
  EXPECT_FALSE(IsRegistryClsid(""));
}

}  // namespace
}  // namespace quenlo::demo
