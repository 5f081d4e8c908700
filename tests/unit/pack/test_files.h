// Helpers shared by the quenlo-pack tests: files on disk and archives built in memory.
#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "archive/archive_reader.h"
#include "archive/archive_writer.h"
#include "archive/record_stream.h"
#include "base/byte_stream.h"

namespace quenlo::packer::testing {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

inline constexpr std::string_view kStub = "MZ stub image";

inline Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

inline std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

inline void WriteFile(const fs::path& path, std::string_view content) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

inline std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// The stub image followed by one compressed record per (GBK name, content), in that order.
inline Bytes BuildArchive(const std::vector<std::pair<std::string, std::string>>& records) {
  MemorySink sink;
  archive::ArchiveWriter writer(sink);
  writer.WriteImage(ToBytes(kStub));
  for (const auto& [name, content] : records) {
    writer.AppendRecord(name, archive::CompressRecord(ToBytes(content)));
  }
  return sink.bytes();
}

// The message of the exception of type E that `work` throws; a test failure when it throws none.
template <typename E = archive::ArchiveError>
std::string ErrorOf(const std::function<void()>& work) {
  try {
    work();
  } catch (const E& error) {
    return error.what();
  }
  ADD_FAILURE() << "no error was thrown";
  return {};
}

}  // namespace quenlo::packer::testing
