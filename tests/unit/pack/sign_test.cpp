// Packing with --sign-with, through the real osslsigncode (skipped where it is not installed):
// the setup file and the programs it carries come out signed, and the signed file still lists,
// verifies and extracts.
#include <cstdlib>
#include <sstream>

#include "platform/run_program.h"
#include "tests/support/pe_image_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/pack/test_files.h"
#include "tools/quenlo-pack/extract.h"
#include "tools/quenlo-pack/file_io.h"
#include "tools/quenlo-pack/inspect.h"
#include "tools/quenlo-pack/pack.h"

namespace quenlo::packer::testing {
namespace {

bool Installed(const char* program) { return platform::RunProgram(program, {"--version"}).started; }

// Whether osslsigncode finds a signature on `file` that the test certificate vouches for.
bool SignatureHolds(const fs::path& file, const fs::path& certificate) {
  const platform::ProgramRun run =
      platform::RunProgram("osslsigncode", {"verify", "-CAfile", certificate, "-in", file});
  return run.exitCode == 0 && run.output.find("Signature verification: ok") != std::string::npos;
}

class SignTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Installed("osslsigncode") || !Installed("openssl")) {
      GTEST_SKIP() << "osslsigncode or openssl is not installed";
    }
    key_ = {temp_.path() / "cert.pem", temp_.path() / "key.pem"};
    const platform::ProgramRun made = platform::RunProgram(
        "openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key_.key, "-out",
                    key_.certificate, "-days", "2", "-subj", "/CN=Quenlo Setup test"});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    WriteFile(Stub(), quenlo::testing::PeImage(2048));
    WriteFile(In() / "App" / "Player.exe", quenlo::testing::PeImage(1024));
    WriteFile(In() / "App" / "Readme.txt", "read me");
    WriteFile(In() / "Exe" / "codec.dll", "a library of somebody else's, kept as it is");
  }

  PackOptions Options() const {
    PackOptions options;
    options.image = Stub();
    options.from = In();
    options.output = Out();
    options.signing = key_;
    return options;
  }
  fs::path In() const { return temp_.path() / "in"; }
  fs::path Stub() const { return temp_.path() / "stub.exe"; }
  fs::path Out() const { return temp_.path() / "setup.exe"; }

  quenlo::testing::TempDir temp_;
  SigningKey key_;
};

TEST_F(SignTest, TheSignedSetupFileAndItsProgramsVerifyListAndExtract) {
  const PackSummary summary = Pack(Options());
  EXPECT_EQ(summary.programsSigned, 1u);
  EXPECT_TRUE(SignatureHolds(Out(), key_.certificate));

  PathSource source(Out());
  const ArchiveTotals totals = Verify(source, nullptr);
  EXPECT_EQ(totals.records, 4u);
  EXPECT_GT(totals.certificateBytes, 0u);
  std::ostringstream listing;
  List(source, listing, nullptr);
  EXPECT_NE(listing.str().find("signed: a certificate table of " +
                               std::to_string(totals.certificateBytes) + " bytes"),
            std::string::npos);

  Extract(source, temp_.path() / "out", nullptr);
  EXPECT_TRUE(SignatureHolds(temp_.path() / "out" / "App" / "Player.exe", key_.certificate));
  EXPECT_EQ(ReadFile(temp_.path() / "out" / "App" / "Readme.txt"), "read me");
  EXPECT_EQ(ReadFile(temp_.path() / "out" / "Exe" / "codec.dll"),
            ReadFile(In() / "Exe" / "codec.dll"));
  // Only the setup file is left beside it: the signed copies of the programs are gone.
  EXPECT_EQ(std::distance(fs::directory_iterator(temp_.path()), fs::directory_iterator()), 6);

  // The signature covers the payload: one flipped byte of a record breaks it, and the record.
  std::string damaged = ReadFile(Out());
  for (const archive::PayloadRecord& record : ReadChain(source)) {
    if (record.name == "App\\Readme.txt") damaged[record.dataOffset + 2] ^= 0x20;
  }
  WriteFile(Out(), damaged);
  EXPECT_FALSE(SignatureHolds(Out(), key_.certificate));
  PathSource damagedSource(Out());
  EXPECT_NE(ErrorOf([&] { Verify(damagedSource, nullptr); }).find("does not inflate"),
            std::string::npos);
}

TEST_F(SignTest, WhatCannotBeSignedLeavesNoSetupFile) {
  // A stub signed on its own: its table would no longer end the file once the records follow.
  Pack(Options());
  PackOptions signedStub = Options();
  signedStub.image = Out();
  signedStub.output = temp_.path() / "again.exe";
  signedStub.signing.reset();
  EXPECT_NE(ErrorOf<InputError>([&] { Pack(signedStub); }).find("the image is signed"),
            std::string::npos);

  PackOptions badKey = Options();
  badKey.signing->key = badKey.signing->certificate;
  badKey.output = temp_.path() / "bad-key.exe";
  EXPECT_NE(ErrorOf<SigningError>([&] { Pack(badKey); }).find("osslsigncode ended with status"),
            std::string::npos);

  const std::string path = std::getenv("PATH");
  setenv("PATH", "/nonexistent", 1);
  PackOptions noTool = Options();
  noTool.output = temp_.path() / "no-tool.exe";
  const std::string message = ErrorOf<SigningError>([&] { Pack(noTool); });
  setenv("PATH", path.c_str(), 1);
  EXPECT_NE(message.find("osslsigncode is not installed"), std::string::npos) << message;

  EXPECT_FALSE(fs::exists(temp_.path() / "again.exe"));
  EXPECT_FALSE(fs::exists(temp_.path() / "bad-key.exe"));
  EXPECT_FALSE(fs::exists(temp_.path() / "no-tool.exe"));
}

}  // namespace
}  // namespace quenlo::packer::testing
