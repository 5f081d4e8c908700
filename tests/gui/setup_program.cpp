#include "tests/gui/setup_program.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "archive/archive_writer.h"
#include "archive/record_stream.h"
#include "base/byte_stream.h"
#include "tools/uidriver/text.h"

namespace quenlo::guitest {
namespace {

constexpr const char* kRecordKey = "Software\\QuenloBoFang";

std::vector<unsigned char> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
}

}  // namespace

std::string WindowsPathForHost(const std::string& path) {
  if (path.empty() || path.front() != '/') return path;
  std::string windows = "Z:" + path;
  for (char& c : windows) {
    if (c == '/') c = '\\';
  }
  return windows;
}

std::filesystem::path SetupProgram() {
  const char* value = std::getenv("QUENLO_SETUP_EXE");
  if (value == nullptr || *value == '\0') return {};
  return std::filesystem::path(WindowsPathForHost(value));
}

void MakeSetupWithEmptyPayload(const std::filesystem::path& program,
                               const std::filesystem::path& copy) {
  std::filesystem::copy_file(program, copy, std::filesystem::copy_options::overwrite_existing);
  const auto imageSize = static_cast<std::uint64_t>(std::filesystem::file_size(copy));
  std::vector<char> header(264, '\0');  // name length 0, filler, stored size at 256
  for (int i = 0; i < 8; ++i)
    header[256 + static_cast<std::size_t>(i)] = static_cast<char>((imageSize >> (8 * i)) & 0xFF);
  std::ofstream out(copy, std::ios::binary | std::ios::app);
  out.write(header.data(), static_cast<std::streamsize>(header.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot append the image record to " + copy.string());
}

void MakeSetupWithFiles(const std::filesystem::path& program, const std::filesystem::path& copy,
                        const std::vector<std::pair<std::string, std::filesystem::path>>& files) {
  FileSink sink(copy.string());
  archive::ArchiveWriter writer(sink);
  writer.WriteImage(ReadFileBytes(program));
  for (const auto& [name, file] : files) {
    writer.AppendRecord(name, archive::CompressRecord(ReadFileBytes(file)));
  }
  sink.Close();
}

InstallationRecord::InstallationRecord() { Delete(); }

InstallationRecord::~InstallationRecord() { Delete(); }

void InstallationRecord::Delete() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRecordKey); }

HKEY InstallationRecord::Create() {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot create HKLM\\Software\\QuenloBoFang");
  }
  return key;
}

void InstallationRecord::WriteAppPath(const std::string& path) {
  const HKEY key = Create();
  // As the setup writes it: UTF-16, whatever the system's code page.
  const std::wstring wide = uidriver::GbkToWide(path);
  const LONG written =
      RegSetValueExW(key, L"AppPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                     static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  if (written != ERROR_SUCCESS) throw std::runtime_error("cannot write AppPath");
}

void InstallationRecord::WriteAppPathNumber(DWORD value) {
  const HKEY key = Create();
  const LONG written = RegSetValueExA(key, "AppPath", 0, REG_DWORD,
                                      reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
  if (written != ERROR_SUCCESS) throw std::runtime_error("cannot write AppPath");
}

std::filesystem::path Native(const std::string& gbk) {
  return std::filesystem::path(uidriver::GbkToWide(gbk));
}

std::string EnvPath(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : WindowsPathForHost(value);
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::filesystem::path& path, const std::string& content) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

}  // namespace quenlo::guitest
