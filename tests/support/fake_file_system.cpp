#include "tests/support/fake_file_system.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "base/gbk.h"
#include "base/path.h"

namespace quenlo::testing {
namespace fs = std::filesystem;
namespace {

char DriveLetter(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
  }
  return '\0';
}

// The components of a Windows path, split at backslashes and slashes that are characters of
// their own (never at the trail byte of a GBK character).
std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  std::string current;
  for (std::size_t pos = 0; pos < path.size(); ++pos) {
    const auto byte = static_cast<unsigned char>(path[pos]);
    if (IsGbkLeadByte(byte) && pos + 1 < path.size()) {
      current += path.substr(pos, 2);
      ++pos;
    } else if (path[pos] == '\\' || path[pos] == '/') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += path[pos];
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

class FakePendingFile final : public platform::PendingFile {
 public:
  FakePendingFile(fs::path destination, fs::path temporary, std::uint64_t limit,
                  const std::map<fs::path, FakeFileSystem::Hold>& held)
      : destination_(std::move(destination)),
        temporary_(std::move(temporary)),
        sink_(temporary_.string()),
        limit_(limit),
        held_(held) {}
  ~FakePendingFile() override {
    if (!committed_) {
      std::error_code ignored;
      fs::remove(temporary_, ignored);
    }
  }
  void Write(const void* data, std::size_t size) override {
    if (size > limit_ - written_) {
      throw IoError("cannot write " + destination_.string() + ": disk full", destination_.string(),
                    IoProblem::DiskFull, 112);
    }
    written_ += size;
    sink_.Write(data, size);
  }
  void Commit() override {
    sink_.Close();
    if (temporary_ == destination_) {  // a new file written in place: nothing to rename
      committed_ = true;
      return;
    }
    if (held_.contains(destination_)) {  // as a running program's image: access denied
      throw IoError("cannot replace " + destination_.string() + ": in use", destination_.string(),
                    IoProblem::AccessDenied, 5);
    }
    std::error_code error;
    fs::rename(temporary_, destination_, error);
    if (error) throw IoError("cannot replace " + destination_.string());
    committed_ = true;
  }

 private:
  fs::path destination_;
  fs::path temporary_;
  FileSink sink_;
  std::uint64_t limit_;
  std::uint64_t written_ = 0;
  bool committed_ = false;
  const std::map<fs::path, FakeFileSystem::Hold>& held_;
};

}  // namespace

FakeFileSystem::FakeFileSystem() {
  AddDrive('C', platform::DriveType::Fixed, 10ull << 30);
  fs::create_directories(NativePath(systemFolder_));
  fs::create_directories(root_.path() / "cwd");
}

fs::path FakeFileSystem::NativePath(const std::string& path) const {
  const char letter = DriveLetter(path);
  fs::path native = root_.path() / (letter != '\0' ? std::string(1, letter) : std::string("cwd"));
  const std::string rest = letter != '\0' ? path.substr(2) : path;
  for (const std::string& part : Components(rest)) native /= part;
  return native;
}

const FakeFileSystem::Drive* FakeFileSystem::FindDrive(const std::string& path) const {
  const char letter = DriveLetter(path);
  const auto found = drives_.find(letter == '\0' ? 'C' : letter);
  return found == drives_.end() ? nullptr : &found->second;
}

bool FakeFileSystem::FileExists(const std::string& path) {
  return FindDrive(path) != nullptr && fs::is_regular_file(NativePath(path));
}

bool FakeFileSystem::FolderExists(const std::string& path) {
  return FindDrive(path) != nullptr && fs::is_directory(NativePath(path));
}

bool FakeFileSystem::IsReparsePoint(const std::string& path) {
  return FindDrive(path) != nullptr && fs::is_symlink(NativePath(path));
}

void FakeFileSystem::MakeFolderLink(const std::string& path, const std::string& target) {
  fs::create_directories(NativePath(target));
  fs::create_directories(NativePath(path).parent_path());
  fs::create_directory_symlink(NativePath(target), NativePath(path));
}

bool FakeFileSystem::FolderHasEntries(const std::string& path) {
  if (FindDrive(path) == nullptr) return false;
  std::error_code error;
  const fs::directory_iterator entries(NativePath(path), error);
  return !error && entries != fs::directory_iterator();
}

bool FakeFileSystem::CreateFolder(const std::string& path) {
  if (FindDrive(path) == nullptr) return false;
  std::error_code error;
  return fs::create_directory(NativePath(path), error) && !error;
}

bool FakeFileSystem::RemoveFile(const std::string& path) {
  std::error_code error;
  return FindDrive(path) != nullptr && fs::is_regular_file(NativePath(path)) &&
         !held_.contains(NativePath(path)) && fs::remove(NativePath(path), error);
}

bool FakeFileSystem::RemoveFileExactly(const std::string& path) {
  // The system's name for the opened file differs from `path` where a folder on the way is a link.
  for (std::size_t pos = 3; pos < path.size(); pos += GbkCharLength(path, pos)) {
    if (path[pos] == '\\' && IsReparsePoint(path.substr(0, pos))) return false;
  }
  return !IsReparsePoint(path) && RemoveFile(path);
}

void FakeFileSystem::RenameFile(const std::string& from, const std::string& to) {
  const fs::path source = NativePath(from);
  const fs::path target = NativePath(to);
  const auto hold = held_.find(source);
  if (hold != held_.end() && hold->second == Hold::kLocked) {
    throw IoError("cannot rename " + from + ": sharing violation", from, IoProblem::InUse, 32);
  }
  std::error_code error;
  if (FindDrive(from) == nullptr || FindDrive(to) == nullptr || !fs::is_regular_file(source) ||
      fs::exists(target)) {
    throw IoError("cannot rename " + from + " to " + to, from, IoProblem::Other, 183);
  }
  fs::rename(source, target, error);
  if (error) throw IoError("cannot rename " + from + ": " + error.message());
  if (hold != held_.end()) {  // the program keeps its file under the new name
    const Hold kind = hold->second;
    held_.erase(hold);
    held_[target] = kind;
  }
}

bool FakeFileSystem::RemoveFolder(const std::string& path) {
  std::error_code error;
  return FindDrive(path) != nullptr && fs::is_directory(NativePath(path)) &&
         fs::is_empty(NativePath(path)) && fs::remove(NativePath(path), error);
}

bool FakeFileSystem::RemoveFileAtRestart(const std::string& path) {
  if (!FileExists(path) && !FolderExists(path)) return false;
  removalsAtRestart_.push_back(path);
  return true;
}

void FakeFileSystem::HoldFile(const std::string& path, Hold hold) {
  held_[NativePath(path)] = hold;
}

void FakeFileSystem::DenyWritesIn(const std::string& folder) {
  deniedFolders_.push_back(NativePath(folder));
}

std::unique_ptr<ByteSource> FakeFileSystem::OpenForReading(const std::string& path) {
  if (!FileExists(path)) throw IoError("cannot open " + path + " for reading");
  return std::make_unique<FileSource>(NativePath(path).string());
}

std::unique_ptr<platform::PendingFile> FakeFileSystem::BeginReplace(const std::string& path) {
  const fs::path destination = NativePath(path);
  if (FindDrive(path) == nullptr || !fs::is_directory(destination.parent_path())) {
    throw IoError("cannot create a file in the folder of " + path);
  }
  for (const fs::path& denied : deniedFolders_) {
    if (destination.parent_path() == denied) {
      throw IoError("cannot create " + path + ": access denied", path, IoProblem::AccessDenied, 5);
    }
  }
  fs::path temporary = destination;
  temporary += ".quenlo-tmp";
  return std::make_unique<FakePendingFile>(destination, temporary, writeLimit_, held_);
}

std::unique_ptr<platform::PendingFile> FakeFileSystem::CreateNewFile(const std::string& path,
                                                                     bool /*durable*/) {
  const fs::path file = NativePath(path);
  if (FindDrive(path) == nullptr || !fs::is_directory(file.parent_path())) {
    throw IoError("cannot create a file in the folder of " + path);
  }
  if (fs::exists(fs::symlink_status(file))) throw IoError("cannot create " + path + ": it exists");
  for (const fs::path& denied : deniedFolders_) {
    if (file.parent_path() == denied) {
      throw IoError("cannot create " + path + ": access denied", path, IoProblem::AccessDenied, 5);
    }
  }
  return std::make_unique<FakePendingFile>(file, file, writeLimit_, held_);
}

platform::DriveType FakeFileSystem::QueryDriveType(const std::string& root) {
  const Drive* drive = FindDrive(root);
  return drive == nullptr ? platform::DriveType::NoRootFolder : drive->type;
}

std::optional<platform::DiskSpace> FakeFileSystem::GetDiskSpace(const std::string& path) {
  const Drive* drive = FindDrive(path);
  if (drive == nullptr || drive->queryFails) return std::nullopt;
  return platform::DiskSpace{drive->freeBytes, drive->freeBytes * 2, drive->freeBytes};
}

void FakeFileSystem::AddDrive(char letter, platform::DriveType type, std::uint64_t freeBytes) {
  drives_[letter] = Drive{type, freeBytes, false};
  fs::create_directories(root_.path() / std::string(1, letter));
}

void FakeFileSystem::FailDiskSpaceQuery(char letter) { drives_.at(letter).queryFails = true; }

void FakeFileSystem::WriteFile(const std::string& path, const std::string& content) {
  const fs::path native = NativePath(path);
  fs::create_directories(native.parent_path());
  std::ofstream(native, std::ios::binary) << content;
}

std::string FakeFileSystem::ReadFile(const std::string& path) {
  std::ifstream in(NativePath(path), std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace quenlo::testing
