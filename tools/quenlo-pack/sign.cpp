#include "tools/quenlo-pack/sign.h"

#include <string>
#include <system_error>

#include "platform/run_program.h"
#include "platform/text_encoding.h"

namespace quenlo::packer {
namespace {

constexpr const char* kSigner = "osslsigncode";

// The tool's last lines are its reasons; the whole output may run to pages of OpenSSL detail.
std::string Tail(const std::string& output) {
  constexpr std::size_t kMost = 800;
  std::string text = output.size() > kMost ? "..." + output.substr(output.size() - kMost) : output;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace

void SignProgram(const SigningKey& key, const std::filesystem::path& in,
                 const std::filesystem::path& out) {
  for (const std::filesystem::path* file : {&key.certificate, &key.key}) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(*file, error)) {
      throw SigningError("cannot sign: " + platform::NativeNameToConsole(*file) + " is not a file");
    }
  }
  // osslsigncode refuses to write over a file that is there.
  std::error_code ignored;
  std::filesystem::remove(out, ignored);
  const platform::ProgramRun run = platform::RunProgram(
      kSigner,
      {"sign", "-certs", key.certificate, "-key", key.key, "-h", "sha256", "-in", in, "-out", out});
  if (!run.started) {
    throw SigningError(std::string("cannot sign: ") + kSigner +
                       " is not installed (on Debian: apt-get install osslsigncode); or pack "
                       "without --sign-with and sign the setup file with your own signing tool");
  }
  if (run.exitCode != 0) {
    std::filesystem::remove(out, ignored);
    throw SigningError("cannot sign " + platform::NativeNameToConsole(in) + ": " + kSigner +
                       " ended with status " + std::to_string(run.exitCode) + ": " +
                       Tail(run.output));
  }
}

}  // namespace quenlo::packer
