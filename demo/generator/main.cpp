// quenlo-demo-payload: writes the demo payload tree (App and Exe folders) for quenlo-pack.
//
//   quenlo-demo-payload --templates DIR --out DIR [--small]
//
// DIR of --templates holds the programs built for one Windows target: QuenloMediaPlayer.exe,
// UnInstall.exe and the codec template QuenloDemoCodec.dll. --small keeps every name and makes
// the files small, for quick tests. Exit status: 0 done, 1 a file could not be read or written,
// 2 usage error.
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "demo/generator/generate.h"

namespace {

constexpr const char* kUsage = "usage: quenlo-demo-payload --templates DIR --out DIR [--small]\n";

}  // namespace

int main(int argc, char** argv) {
  namespace demo = quenlo::demo;
  std::optional<std::filesystem::path> templates;
  std::optional<std::filesystem::path> out;
  demo::Variant variant = demo::Variant::kFull;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--small") {
      variant = demo::Variant::kSmall;
    } else if ((argument == "--templates" || argument == "--out") && i + 1 < argc) {
      (argument == "--out" ? out : templates) = std::filesystem::path(argv[++i]);
    } else if (argument == "-h" || argument == "--help") {
      std::cout << kUsage;
      return 0;
    } else {
      std::cerr << "quenlo-demo-payload: unexpected argument " << argument << "\n" << kUsage;
      return 2;
    }
  }
  if (!templates || !out) {
    std::cerr << kUsage;
    return 2;
  }
  try {
    const demo::GenerateSummary summary =
        demo::GenerateDemoPayload(demo::LoadTemplates(*templates), variant, *out);
    std::cout << out->string() << ": " << summary.files << " files, " << summary.bytes
              << " bytes\n";
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "quenlo-demo-payload: " << error.what() << "\n";
    return 1;
  }
}
