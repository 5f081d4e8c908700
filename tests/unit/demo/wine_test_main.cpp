// The demo's Wine test program. Its one argument is the folder of the built templates (a Unix
// path, as CMake knows it; Wine's drive Z: is the Unix root).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/unit/demo/wine_test_support.h"

namespace quenlo::demo::testing {

std::string& TemplatesFolder() {
  static std::string folder;
  return folder;
}

std::string WindowsPath(const std::string& path) {
  std::string windows = path;
  for (char& c : windows) {
    if (c == '/') c = '\\';
  }
  return !path.empty() && path[0] == '/' ? "Z:" + windows : windows;
}

}  // namespace quenlo::demo::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: demo_wine_tests [gtest options] TEMPLATES-FOLDER\n");
    return 2;
  }
  quenlo::demo::testing::TemplatesFolder() = quenlo::demo::testing::WindowsPath(argv[1]);
  return RUN_ALL_TESTS();
}
