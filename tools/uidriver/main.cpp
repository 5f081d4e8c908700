// quenlo-uidrive: runs a script of UI driver commands, one per line, from a file or standard
// input, and prints one JSON line per command. Exit code 0 when every command succeeded, 1 at
// the first failure (or, with --keep-going, when any failed), 2 for a bad command line.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "platform/text_encoding.h"
#include "tools/uidriver/commands.h"
#include "tools/uidriver/error.h"
#include "tools/uidriver/script.h"
#include "tools/uidriver/text.h"

namespace {

using quenlo::uidriver::Json;

constexpr const char* kUsage =
    "usage: quenlo-uidrive [--keep-going] [--leave-running] [script.txt | -]\n"
    "Reads commands one per line (from standard input when no script or - is given) and prints\n"
    "one JSON line per command. See tools/uidriver/README.md for the commands.\n";

void Print(const Json& line) {
  const std::string text = line.Serialize() + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // "\n" line ends, UTF-8 bytes as they are
  bool keepGoing = false;
  bool leaveRunning = false;
  // The script's path as the system gave it (UTF-16), whatever the system's code page.
  std::filesystem::path scriptPath;
  for (const std::filesystem::path& word : quenlo::platform::NativeArguments(argc, argv)) {
    const std::wstring& argument = word.native();
    if (argument == L"--keep-going") {
      keepGoing = true;
    } else if (argument == L"--leave-running") {
      leaveRunning = true;
    } else if (argument == L"--help" || argument == L"-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (scriptPath.empty() && (argument == L"-" || argument[0] != L'-')) {
      scriptPath = word;
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }

  std::ifstream file;
  if (!scriptPath.empty() && scriptPath != "-") {
    file.open(scriptPath, std::ios::binary);
    if (!file) {
      Print(Json::MakeObject()
                .Set("ok", false)
                .Set("error", "cannot open " + quenlo::uidriver::WideToUtf8(scriptPath.native())));
      return 2;
    }
  }
  std::istream& input = file.is_open() ? static_cast<std::istream&>(file) : std::cin;

  quenlo::uidriver::CommandRunner runner;
  if (leaveRunning) runner.GetDriver().LeaveRunning();
  bool failed = false;
  int lineNumber = 0;
  std::string line;
  while (std::getline(input, line)) {
    ++lineNumber;
    Json result = Json::MakeObject();
    try {
      const auto words = quenlo::uidriver::SplitScriptLine(line);
      if (words.empty()) continue;
      result.Set("ok", true).Set("line", lineNumber).Set("command", words[0]);
      const Json fields = runner.Run(words);
      for (const auto& [key, value] : fields.Members()) result.Set(key, value);
    } catch (const std::exception& error) {
      result.Set("ok", false).Set("line", lineNumber).Set("error", error.what());
      failed = true;
    }
    Print(result);
    if (failed && !keepGoing) break;
  }
  return failed ? 1 : 0;
}
