// The winget manifest: what quenlo-pack writes, the copy kept in packaging/winget/, and whether
// the switches and exit codes it names are the setup program's own.
#include "tools/quenlo-pack/manifest.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "base/sha256.h"
#include "install/uninstall_entry.h"
#include "setup/command_line.h"
#include "setup/exit_code.h"
#include "tests/support/setup_file_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/pack/test_files.h"

namespace quenlo::packer {
namespace {

namespace fs = std::filesystem;

const fs::path kCommitted =
    fs::path(QUENLO_SOURCE_DIR) / "packaging" / "winget" / "Korvex.QuenloBoFang.installer.yaml";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool NamesTheFile(const std::string& line) {
  return line.find("InstallerUrl:") != std::string::npos ||
         line.find("InstallerSha256:") != std::string::npos;
}

// "  Name: value" or "- Name: value", the value without its quotes.
std::multimap<std::string, std::string> Values(const std::string& yaml) {
  std::multimap<std::string, std::string> values;
  for (std::string line : Lines(yaml)) {
    if (line.starts_with("#")) continue;
    const std::size_t start = line.find_first_not_of(" -");
    const std::size_t colon = line.find(": ");
    if (start == std::string::npos || colon == std::string::npos) continue;
    std::string value = line.substr(colon + 2);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\''))
      value = value.substr(1, value.size() - 2);
    values.emplace(line.substr(start, colon - start), value);
  }
  return values;
}

std::string One(const std::multimap<std::string, std::string>& values, const std::string& name) {
  EXPECT_EQ(values.count(name), 1u) << name;
  const auto found = values.find(name);
  return found == values.end() ? std::string() : found->second;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(WingetManifest, TheCommandFillsInTheAddressAndTheDigestOfASoundSetupFile) {
  quenlo::testing::TempDir dir;
  const fs::path setup = dir.path() / "QuenloSetup.exe";
  quenlo::testing::SetupFileBuilder builder;
  builder.Add("App\\QuenloMediaPlayer.exe", "player");
  testing::WriteFile(setup, builder.str());
  std::ostringstream out;
  PrintWingetManifest(setup, "https://downloads.example/q.exe", out, nullptr);
  const auto values = Values(out.str());
  EXPECT_EQ(One(values, "InstallerUrl"), "https://downloads.example/q.exe");
  EXPECT_EQ(One(values, "InstallerSha256"), Sha256Hex(builder.str()));

  testing::WriteFile(setup, "MZ and no payload at all");
  EXPECT_ANY_THROW(PrintWingetManifest(setup, "u", out, nullptr));
}

TEST(WingetManifest, TheCommittedManifestIsTheGeneratedOne) {
  std::vector<std::string> generated = Lines(WingetInstallerManifest("u", "h"));
  std::vector<std::string> committed = Lines(testing::ReadFile(kCommitted));
  std::erase_if(generated, NamesTheFile);
  std::erase_if(committed, NamesTheFile);
  EXPECT_EQ(committed, generated) << "regenerate " << kCommitted << " with quenlo-pack manifest";
}

// Winget puts the silent switch, the log's and the folder's on one command line, the paths put in
// as they are: the setup must take them as meant, with blanks in both.
TEST(WingetManifest, TheSwitchesAndCodesItNamesAreTheSetupsOwn) {
  const auto values = Values(testing::ReadFile(kCommitted));
  const std::string log = Replace(One(values, "Log"), "<LOGPATH>", "C:\\Temp\\w i n.log");
  const std::string folder =
      Replace(One(values, "InstallLocation"), "<INSTALLPATH>", "C:\\Program Files\\Quenlo Player");
  for (const char* mode : {"Silent", "SilentWithProgress"}) {
    const SetupCommandLine line = ParseCommandLine(One(values, mode) + " " + log + " " + folder);
    EXPECT_TRUE(line.error.empty()) << mode << ": " << line.error;
    EXPECT_TRUE(line.silent) << mode;
    EXPECT_EQ(line.logFile, "C:\\Temp\\w i n.log") << mode;
    EXPECT_EQ(line.folder, "C:\\Program Files\\Quenlo Player") << mode;
  }

  std::set<int> codes;
  for (auto [at, end] = values.equal_range("InstallerReturnCode"); at != end; ++at)
    codes.insert(std::stoi(at->second));
  EXPECT_EQ(codes, (std::set<int>{kExitBadCommandLine, kExitCancelled, kExitDamagedSetup,
                                  kExitInstallFailed, kExitFolderRefused}));
  const std::string key = kUninstallEntryKey;
  EXPECT_EQ(One(values, "ProductCode"), key.substr(key.rfind('\\') + 1));
}

}  // namespace
}  // namespace quenlo::packer
