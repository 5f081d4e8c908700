#include "base/path.h"

#include <gtest/gtest.h>

#include "platform/registry.h"

namespace quenlo {
namespace {

// "誠" and "錦" are GBK characters whose trail byte is 0x5C, the backslash.
TEST(GbkLiterals, TrailByteIsBackslash) {
  EXPECT_EQ(std::string("誠"), "\xD5\x5C");
  EXPECT_EQ(std::string("錦"), "\xE5\x5C");
}

TEST(FileAndFolderParts, SplitAtLastSeparatorCharacter) {
  EXPECT_EQ(FileNamePart("App\\Image\\logo_s.ico"), "logo_s.ico");
  EXPECT_EQ(FolderPart("App\\Image\\logo_s.ico"), "App\\Image\\");
  EXPECT_EQ(FileNamePart("C:file.txt"), "file.txt");
  EXPECT_EQ(FolderPart("C:file.txt"), "C:");
  EXPECT_EQ(FileNamePart("plain.txt"), "plain.txt");
  EXPECT_EQ(FolderPart("plain.txt"), "");
  EXPECT_EQ(FileNamePart("D:\\Player\\"), "");
  EXPECT_EQ(FileNamePart(""), "");
}

TEST(FileAndFolderParts, TrailByteBackslashIsNoSeparator) {
  EXPECT_EQ(FileNamePart("D:\\Tools\\誠.txt"), "誠.txt");
  EXPECT_EQ(FolderPart("D:\\Tools\\誠.txt"), "D:\\Tools\\");
  EXPECT_EQ(FileNamePart("D:\\誠錦"), "誠錦");
  EXPECT_EQ(FolderPart("D:\\誠\\錦\\x"), "D:\\誠\\錦\\");
  // A lone lead byte at the very end is a character of its own.
  EXPECT_EQ(FileNamePart(std::string("a\\b\xD5")), "b\xD5");
}

TEST(ExtensionPart, OnlyWhenNoSeparatorFollowsTheDot) {
  EXPECT_EQ(ExtensionPart("C:\\Codec\\cook.DLL"), ".DLL");
  EXPECT_EQ(ExtensionPart("C:\\Codec\\filter.ax"), ".ax");
  EXPECT_EQ(ExtensionPart("C:\\My.Codecs\\readme"), "");
  EXPECT_EQ(ExtensionPart("C:\\My.Codecs:stream"), "");
  EXPECT_EQ(ExtensionPart("noextension"), "");
  EXPECT_EQ(ExtensionPart("C:\\a.b\\誠"), "");
}

TEST(EnsureTrailingBackslash, AddsOneUnlessThereIsOne) {
  EXPECT_EQ(EnsureTrailingBackslash(""), "");
  EXPECT_EQ(EnsureTrailingBackslash("D:\\Player"), "D:\\Player\\");
  EXPECT_EQ(EnsureTrailingBackslash("D:\\Player\\"), "D:\\Player\\");
  EXPECT_EQ(EnsureTrailingBackslash("D:\\Player/"), "D:\\Player/");
  EXPECT_EQ(EnsureTrailingBackslash("D:\\"), "D:\\");
  EXPECT_EQ(EnsureTrailingBackslash("D:"), "D:\\");
}

TEST(EnsureTrailingBackslash, TrailByteDoesNotCountAsBackslash) {
  EXPECT_FALSE(EndsWithPathSeparator("D:\\誠"));
  EXPECT_FALSE(EndsWithBackslash("D:\\誠"));
  EXPECT_EQ(EnsureTrailingBackslash("D:\\誠"), "D:\\誠\\");
  EXPECT_EQ(EnsureTrailingBackslash("D:\\誠\\"), "D:\\誠\\");
}

TEST(CaseFolding, AsciiLettersOnlyAndNeverTrailBytes) {
  EXPECT_EQ(UpperCaseAscii("App\\Codec\\cook.dll"), "APP\\CODEC\\COOK.DLL");
  // 0xB1 0x61 is one character; its trail byte 'a' must not become 'A' (0xB1 0x41 is another).
  EXPECT_EQ(UpperCaseAscii("\xB1\x61x"), "\xB1\x61X");
  EXPECT_FALSE(EqualsIgnoringCase("\xB1\x61", "\xB1\x41"));
  EXPECT_TRUE(EqualsIgnoringCase("QuenloMediaPlayer.EXE", "quenlomediaplayer.exe"));
  EXPECT_FALSE(EqualsIgnoringCase("abc", "abcd"));
}

TEST(ReplaceAllIgnoringCase, ReplacesEveryOccurrenceOnCharacterBoundaries) {
  EXPECT_EQ(ReplaceAllIgnoringCase("App\\x\\APP\\y", "App\\", "D:\\P\\"), "D:\\P\\x\\D:\\P\\y");
  // "\xB1\x41" + "pp\\" holds the bytes "App\" only from inside a character: not a match.
  EXPECT_EQ(ReplaceAllIgnoringCase("\xB1\x41pp\\z", "App\\", "R\\"), "\xB1\x41pp\\z");
  EXPECT_EQ(ReplaceAllIgnoringCase("abc", "", "x"), "abc");
}

TEST(TrimKeyPath, DropsOuterBackslashesButNotTrailBytes) {
  EXPECT_EQ(platform::TrimKeyPath("\\Software\\QuenloBoFang\\"), "Software\\QuenloBoFang");
  EXPECT_EQ(platform::TrimKeyPath("Software"), "Software");
  EXPECT_EQ(platform::TrimKeyPath("\\\\"), "");
  EXPECT_EQ(platform::TrimKeyPath("Software\\誠"), "Software\\誠");
}

}  // namespace
}  // namespace quenlo
