// The package manager's manifest of a built setup file: the installer manifest that winget reads
// (packaging/winget/), with the setup's switches, its exit codes, the Uninstall entry it leaves,
// and the file's address and SHA-256.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "base/byte_stream.h"

namespace quenlo::packer {

inline constexpr const char* kWingetPackageIdentifier = "Korvex.QuenloBoFang";
inline constexpr const char* kWingetPackageVersion = "2.0";

// The installer manifest (UTF-8 YAML) for the setup file whose SHA-256 is `sha256Hex`, to be
// downloaded from `url`. The switches, exit codes and entry values are the setup program's own.
std::string WingetInstallerManifest(const std::string& url, const std::string& sha256Hex);

// The SHA-256 of the whole file, as 64 upper-case hex digits. Throws IoError.
std::string FileSha256Hex(ByteSource& file);

// The manifest command: checks the setup file as verify does (throws its errors), then writes its
// installer manifest to `out`. `progress`: where verify draws its progress line, if anywhere.
void PrintWingetManifest(const std::filesystem::path& setup, const std::string& url,
                         std::ostream& out, std::ostream* progress);

}  // namespace quenlo::packer
