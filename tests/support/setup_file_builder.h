// Builds a setup file (an image followed by payload records) in memory, for tests that install
// from one.
#pragma once

#include <string>
#include <vector>

#include "archive/archive_writer.h"
#include "archive/record_stream.h"

namespace quenlo::testing {

class SetupFileBuilder {
 public:
  explicit SetupFileBuilder(const std::string& image = "MZ setup image") {
    writer_.WriteImage(Bytes(image));
  }
  // Appends a record holding `content` compressed as the packer does.
  SetupFileBuilder& Add(const std::string& name, const std::string& content) {
    writer_.AppendRecord(name, archive::CompressRecord(Bytes(content)));
    return *this;
  }
  // Appends a record with the given stored data, as it stands.
  SetupFileBuilder& AddStored(const std::string& name, const std::vector<unsigned char>& stored) {
    writer_.AppendRecord(name, stored);
    return *this;
  }
  std::string str() const {
    return std::string(sink_.bytesView().begin(), sink_.bytesView().end());
  }

 private:
  static std::vector<unsigned char> Bytes(const std::string& text) {
    return std::vector<unsigned char>(text.begin(), text.end());
  }
  MemorySink sink_;
  archive::ArchiveWriter writer_{sink_};
};

}  // namespace quenlo::testing
