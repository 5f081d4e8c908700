// quenlo-demo-check: after the demo setup has run, tells what the installation left on the
// system and whether anything is missing.
//
//   quenlo-demo-check PAYLOAD-TREE INSTALL-FOLDER
//
// PAYLOAD-TREE is the folder the setup file was packed from, INSTALL-FOLDER the folder as it was
// typed on the folder page. Exit status: 0 complete, 1 something missing, 2 wrong arguments.
#include <windows.h>
// objbase.h needs windows.h first.
#include <objbase.h>

#include <cstdio>

#include "demo/check/install_check.h"
#include "platform/text_encoding.h"
#include "tools/uidriver/text.h"

int main(int argc, char** argv) {
  const auto arguments = quenlo::platform::NativeArguments(argc, argv);
  if (arguments.size() != 2) {
    std::fprintf(stderr, "usage: quenlo-demo-check PAYLOAD-TREE INSTALL-FOLDER\n");
    return 2;
  }
  const auto installDir = quenlo::uidriver::WideToGbk(arguments[1].wstring());
  if (!installDir) {
    std::fprintf(stderr, "quenlo-demo-check: the install folder is not GBK text\n");
    return 2;
  }
  CoInitialize(nullptr);
  const quenlo::demo::InstallReport report =
      quenlo::demo::CheckInstallation({arguments[0], *installDir});
  CoUninitialize();
  std::printf("installation in %s:\n%s", quenlo::uidriver::GbkToUtf8(*installDir).c_str(),
              quenlo::demo::FormatReport(report).c_str());
  std::printf(report.Complete() ? "the installation is complete\n"
                                : "the installation is NOT complete\n");
  return report.Complete() ? 0 : 1;
}
