// quenlo-pack: builds, lists, verifies and extracts Quenlo setup files.
//
// This file reads the command line, runs one command and turns every error into a message on
// standard error and an exit status, in one place (see kHelp for the statuses).
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <map>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/archive_reader.h"
#include "archive/record_stream.h"
#include "base/byte_stream.h"
#include "platform/text_encoding.h"
#include "tools/quenlo-pack/extract.h"
#include "tools/quenlo-pack/file_io.h"
#include "tools/quenlo-pack/inspect.h"
#include "tools/quenlo-pack/manifest.h"
#include "tools/quenlo-pack/pack.h"
#include "tools/quenlo-pack/sign.h"

namespace {

namespace fs = std::filesystem;
using namespace quenlo;

constexpr int kExitOk = 0;
constexpr int kExitBadData = 1;
constexpr int kExitUsage = 2;
constexpr int kExitIo = 3;
constexpr int kExitSigning = 4;

constexpr const char* kHelp =
    "Usage: quenlo-pack COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  pack --image STUB.exe --from DIR -o SETUP.exe [--threads N]\n"
    "      Build SETUP.exe from the stub image and the folders DIR/App (installed into the\n"
    "      installation folder) and DIR/Exe (installed into the system folder). Files are\n"
    "      compressed on N threads (default: one per core); the output is the same for any N.\n"
    "      --sign-with CERT KEY signs every .exe of the folder, then the setup file, through\n"
    "      osslsigncode (CERT: the certificate chain, KEY: its unencrypted private key).\n"
    "  list SETUP.exe\n"
    "      One line per record in file order: stored size, inflated size, name; then the\n"
    "      signature's size when the file is signed, and totals.\n"
    "  verify SETUP.exe\n"
    "      Check the record chain, every name and every stream, and tell whether the file is\n"
    "      signed (the certificates themselves are for Windows to check).\n"
    "  extract SETUP.exe --to DIR\n"
    "      Write the App and Exe trees under DIR.\n"
    "  manifest SETUP.exe --url URL\n"
    "      Print the winget installer manifest of SETUP.exe (checked first), downloaded from URL.\n"
    "  help\n"
    "      Show this text (also -h, --help).\n"
    "\n"
    "Options take their value as the next argument or after '=' (--to=DIR); -o is also\n"
    "--output. Long work shows a progress line on standard error when it is a terminal.\n"
    "  --version    show the version\n"
    "\n"
    "Exit status:\n"
    "  0  success\n"
    "  1  broken or invalid data (a damaged setup file, a folder that cannot be packed)\n"
    "  2  usage error (unknown command or option, missing value)\n"
    "  3  input/output error (a file that cannot be read or written)\n"
    "  4  signing failed (osslsigncode missing, or it refused the certificate, key or file)\n";

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string Text(const fs::path& argument) { return platform::NativeNameToConsole(argument); }

// How an option is spelt on the command line: its long name and how many values follow it.
struct OptionSpec {
  OptionSpec(const char* longName, std::size_t valueCount = 1)
      : name(longName), values(valueCount) {}
  std::string name;
  std::size_t values;
};

// One command's arguments: the values of each option, keyed by its long name, and operands.
struct CommandLine {
  std::map<std::string, std::vector<fs::path>> options;
  std::vector<fs::path> operands;

  std::optional<fs::path> Option(const std::string& name) const {
    const auto found = options.find(name);
    return found == options.end() ? std::nullopt : std::optional(found->second.front());
  }
  const std::vector<fs::path>* Values(const std::string& name) const {
    const auto found = options.find(name);
    return found == options.end() ? nullptr : &found->second;
  }
  fs::path Required(const std::string& name, const std::string& command) const {
    auto value = Option(name);
    if (!value) throw UsageError(command + " needs --" + name);
    return *value;
  }
};

// `valueOptions` maps every accepted spelling ("-o", "--output") to the option it spells.
CommandLine ParseCommand(const std::string& command, const std::vector<fs::path>& arguments,
                         const std::map<std::string, OptionSpec>& valueOptions,
                         std::size_t operandCount) {
  CommandLine line;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string text = Text(arguments[i]);
    if (optionsEnded || text.empty() || text[0] != '-' || text == "-") {
      line.operands.push_back(arguments[i]);
      continue;
    }
    if (text == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = text.find('=');
    const std::string spelling = text.substr(0, equals);
    const auto option = valueOptions.find(spelling);
    if (option == valueOptions.end()) {
      throw UsageError("unknown option " + spelling + " for " + command);
    }
    std::vector<fs::path> values;
    if (equals != std::string::npos) {
      const auto& native = arguments[i].native();
      values.emplace_back(native.substr(native.find(static_cast<fs::path::value_type>('=')) + 1));
    }
    while (values.size() < option->second.values) {
      if (i + 1 >= arguments.size()) {
        throw UsageError("option " + spelling + " needs " +
                         (option->second.values == 1
                              ? std::string("a value")
                              : std::to_string(option->second.values) + " values"));
      }
      values.push_back(arguments[++i]);
    }
    for (const fs::path& value : values) {
      if (value.empty()) throw UsageError("option " + spelling + " needs a value");
    }
    if (!line.options.emplace(option->second.name, std::move(values)).second) {
      throw UsageError("option " + spelling + " is given twice");
    }
  }
  if (line.operands.size() != operandCount) {
    throw UsageError(
        command + (operandCount == 0 ? " takes no file names" : " takes exactly one setup file"));
  }
  return line;
}

unsigned ParseThreads(const fs::path& value) {
  const std::string text = Text(value);
  const bool digits = !text.empty() && text.size() <= 4 &&
                      text.find_first_not_of("0123456789") == std::string::npos;
  const unsigned long threads = digits ? std::stoul(text) : 0;
  if (threads == 0 || threads > 1024) {
    throw UsageError("--threads takes a number from 1 to 1024, not " + text);
  }
  return static_cast<unsigned>(threads);
}

std::ostream* ProgressStream() { return platform::StderrIsTerminal() ? &std::cerr : nullptr; }

// Puts the setup file's name in front of an archive error.
template <typename Work>
auto WithArchiveName(const fs::path& archive, Work work) {
  try {
    return work();
  } catch (const archive::ArchiveError& error) {
    throw archive::ArchiveError(Text(archive) + ": " + error.what(), error.offset());
  }
}

int RunPack(const std::vector<fs::path>& arguments) {
  const CommandLine line = ParseCommand("pack", arguments,
                                        {{"--image", "image"},
                                         {"--from", "from"},
                                         {"-o", "output"},
                                         {"--output", "output"},
                                         {"--threads", "threads"},
                                         {"--sign-with", {"sign-with", 2}}},
                                        0);
  packer::PackOptions options;
  options.image = line.Required("image", "pack");
  options.from = line.Required("from", "pack");
  options.output = line.Required("output", "pack");
  if (auto threads = line.Option("threads")) options.threads = ParseThreads(*threads);
  if (const std::vector<fs::path>* signing = line.Values("sign-with")) {
    options.signing = packer::SigningKey{(*signing)[0], (*signing)[1]};
  }
  options.progress = ProgressStream();
  const packer::PackSummary summary = packer::Pack(options);
  std::cout << Text(options.output) << ": " << summary.files << " files, " << summary.contentBytes
            << " bytes packed into " << summary.outputBytes << " bytes";
  if (options.signing) {
    std::cout << ", signed with " << summary.programsSigned << " of its programs";
  }
  std::cout << "\n";
  return kExitOk;
}

int RunList(const std::vector<fs::path>& arguments) {
  const fs::path archive = ParseCommand("list", arguments, {}, 1).operands[0];
  packer::PathSource source(archive);
  WithArchiveName(archive, [&] { return packer::List(source, std::cout, ProgressStream()); });
  return kExitOk;
}

int RunVerify(const std::vector<fs::path>& arguments) {
  const fs::path archive = ParseCommand("verify", arguments, {}, 1).operands[0];
  packer::PathSource source(archive);
  const packer::ArchiveTotals totals =
      WithArchiveName(archive, [&] { return packer::Verify(source, ProgressStream()); });
  std::cout << Text(archive) << ": sound, " << (totals.certificateBytes != 0 ? "signed, " : "")
            << totals.records << " records (the image and " << totals.records - 1 << " files), "
            << totals.stored << " bytes stored, " << totals.inflated << " bytes inflated\n";
  return kExitOk;
}

int RunExtract(const std::vector<fs::path>& arguments) {
  const CommandLine line = ParseCommand("extract", arguments, {{"--to", "to"}}, 1);
  const fs::path archive = line.operands[0];
  const fs::path to = line.Required("to", "extract");
  packer::PathSource source(archive);
  const packer::ExtractSummary summary =
      WithArchiveName(archive, [&] { return packer::Extract(source, to, ProgressStream()); });
  std::cout << "extracted " << summary.files << " files (" << summary.bytes << " bytes) to "
            << Text(to) << "\n";
  return kExitOk;
}

int RunManifest(const std::vector<fs::path>& arguments) {
  const CommandLine line = ParseCommand("manifest", arguments, {{"--url", "url"}}, 1);
  const fs::path archive = line.operands[0];
  WithArchiveName(archive, [&] {
    packer::PrintWingetManifest(archive, Text(line.Required("url", "manifest")), std::cout,
                                ProgressStream());
  });
  return kExitOk;
}

int Run(const std::vector<fs::path>& arguments) {
  if (arguments.empty()) throw UsageError("no command given");
  for (const fs::path& argument : arguments) {
    const std::string text = Text(argument);
    if (text == "--") break;
    if (text == "-h" || text == "--help") {
      std::cout << kHelp;
      return kExitOk;
    }
  }
  const std::string command = Text(arguments[0]);
  if (command == "help") {
    std::cout << kHelp;
    return kExitOk;
  }
  if (command == "--version") {
    std::cout << "quenlo-pack " QUENLO_VERSION "\n";
    return kExitOk;
  }
  if (command == "pack") return RunPack(arguments);
  if (command == "list") return RunList(arguments);
  if (command == "verify") return RunVerify(arguments);
  if (command == "extract") return RunExtract(arguments);
  if (command == "manifest") return RunManifest(arguments);
  if (command.starts_with("-")) throw UsageError("unknown option " + command);
  throw UsageError("unknown command " + command);
}

int Fail(int status, const std::string& message) {
  std::cout.flush();
  std::cerr << "quenlo-pack: " << message << "\n";
  if (status == kExitUsage) std::cerr << "Try 'quenlo-pack --help' for more information.\n";
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(platform::NativeArguments(argc, argv));
  } catch (const UsageError& error) {
    return Fail(kExitUsage, error.what());
  } catch (const archive::ArchiveError& error) {
    return Fail(kExitBadData, error.what());
  } catch (const archive::StreamError& error) {
    return Fail(kExitBadData, error.what());
  } catch (const packer::InputError& error) {
    return Fail(kExitBadData, error.what());
  } catch (const packer::SigningError& error) {
    return Fail(kExitSigning, error.what());
  } catch (const IoError& error) {
    return Fail(kExitIo, error.what());
  } catch (const fs::filesystem_error& error) {
    return Fail(kExitIo, error.what());
  } catch (const std::bad_alloc&) {
    return Fail(kExitIo, "out of memory");
  } catch (const std::exception& error) {
    return Fail(kExitBadData, error.what());
  }
}
