// Codec registration with real libraries under Wine: the test libraries built beside this
// program, copied into a codec folder and registered through the Win32 backend.
#include "install/codec_registration.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>

#include "base/path.h"
#include "platform/win32/backend.h"
#include "platform/win32/process.h"
#include "tests/unit/install/step_recorder.h"

namespace quenlo {
namespace {

using platform::EntryPointOutcome;
using Pause = testing::StepPauses::Pause;

constexpr const char* kClassServerKey =
    "CLSID\\{5F0C3A71-2B64-4E8D-9A31-7C0E6B2D4F15}\\InprocServer32";
constexpr const char* kClassKey = "CLSID\\{5F0C3A71-2B64-4E8D-9A31-7C0E6B2D4F15}";
// The class that codec_registers_through_com.dll registers once it has used COM.
constexpr const char* kComClassKey = "CLSID\\{0B9E4C12-7A35-4F61-8D2E-3C5A9F1B6E47}";
constexpr const char* kComClassServerKey =
    "CLSID\\{0B9E4C12-7A35-4F61-8D2E-3C5A9F1B6E47}\\InprocServer32";

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string ReadDefault(HKEY root, const char* key) {
  char data[MAX_PATH] = {};
  DWORD size = sizeof data - 1;
  if (RegGetValueA(root, key, nullptr, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) {
    return "<absent>";
  }
  return data;
}

__attribute__((noinline)) void ThrowRuntimeError() { throw std::runtime_error("still works"); }

class CodecLibrariesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    root = std::string(temp) + "quenlo-reg-test";
    codecs = root + "\\Codec\\SysCodec\\";
    TearDown();  // what an interrupted earlier run left behind
    for (const std::string& folder : {root, root + "\\Codec", codecs}) {
      // The folder of libraries that stay loaded (given up) cannot go.
      ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) ||
                  GetLastError() == ERROR_ALREADY_EXISTS)
          << folder;
    }
    SetEnvironmentVariableA("QUENLO_TEST_UNWOUND", nullptr);
  }
  void TearDown() override {
    for (const std::string& folder : {codecs, root + "\\Codec\\", root + "\\"}) {
      WIN32_FIND_DATAA entry;
      const HANDLE find = FindFirstFileA((folder + "*").c_str(), &entry);
      if (find != INVALID_HANDLE_VALUE) {
        do DeleteFileA((folder + entry.cFileName).c_str());
        while (FindNextFileA(find, &entry));
        FindClose(find);
      }
      RemoveDirectoryA(folder.c_str());
    }
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kComClassKey);
  }
  // Copies the test library `name` (built beside this program) to `path`.
  std::string Library(const std::string& name, const std::string& path) {
    const std::string built = ProgramFolder() + "codec_" + name + ".dll";
    EXPECT_TRUE(CopyFileA(built.c_str(), path.c_str(), FALSE)) << built;
    files.push_back(path);
    return path;
  }
  std::string TextFile(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, "MZ but no library", 17, &written, nullptr);
    CloseHandle(file);
    files.push_back(path);
    return path;
  }

  std::string root;
  std::string codecs;
  std::vector<std::string> files;
  std::unique_ptr<platform::Libraries> libraries = win32::MakeLibraries();
};

TEST_F(CodecLibrariesTest, EachLibraryEndsAsItBehavesAndIsFreedAfterwards) {
  const struct {
    std::string path;
    EntryPointOutcome::Kind kind;
    std::int32_t result;
    std::uint32_t code;
  } cases[] = {
      {Library("registers_class", codecs + "a.dll"), EntryPointOutcome::Kind::Returned, 0, 0},
      {Library("returns_false", codecs + "b.dll"), EntryPointOutcome::Kind::Returned, 1, 0},
      {Library("returns_fail", codecs + "c.dll"), EntryPointOutcome::Kind::Returned,
       static_cast<std::int32_t>(0x80004005), 0},
      {Library("no_register_export", codecs + "d.dll"), EntryPointOutcome::Kind::NoEntryPoint, 0,
       0},
      {Library("null_pointer", codecs + "e.dll"), EntryPointOutcome::Kind::Faulted, 0, 0xC0000005},
      {Library("raises_exception", codecs + "f.dll"), EntryPointOutcome::Kind::Faulted, 0,
       0xE0C0DEC5},
      {Library("handles_own_exceptions", codecs + "g.dll"), EntryPointOutcome::Kind::Returned, 0,
       0},
      {Library("probes_memory", codecs + "i.dll"), EntryPointOutcome::Kind::Returned, 0, 0},
      {Library("own_handler_frame", codecs + "j.dll"), EntryPointOutcome::Kind::Returned, 0, 0},
      {Library("catches_own_exception", codecs + "k.dll"), EntryPointOutcome::Kind::Returned, 0, 0},
      {Library("unwinds_own_frame", codecs + "l.dll"), EntryPointOutcome::Kind::Faulted, 0,
       0xC0000005},
      {TextFile(codecs + "h.dll"), EntryPointOutcome::Kind::NotLoaded, 0, 0},
      {codecs + "missing.dll", EntryPointOutcome::Kind::NotLoaded, 0, 0},
  };
  for (const auto& c : cases) {
    const EntryPointOutcome outcome =
        libraries->CallEntryPoint(c.path, "DllRegisterServer", kRegistrationTimeLimitMs);
    EXPECT_EQ(outcome.kind, c.kind) << c.path;
    EXPECT_EQ(outcome.result, c.result) << c.path;
    EXPECT_EQ(outcome.exceptionCode, c.code) << c.path;
    EXPECT_EQ(GetModuleHandleA(c.path.c_str()), nullptr) << c.path;
  }
  // The frame that the contained fault passed was unwound: its termination work ran.
  EXPECT_EQ(GetEnvironmentVariableA("QUENLO_TEST_UNWOUND", nullptr, 0), 2u);
}

TEST_F(CodecLibrariesTest, RegisterCodecsShowsTheSuccessesAndLeavesNoLibraryLoaded) {
  SetupSession session;
  testing::StepPauses pauses(session);
  ExtractedFiles extracted;
  const std::string registers = Library("registers_class", codecs + "Registers.dll");
  for (const std::string& path : {
           Library("returns_false", root + "\\QuenloCore.dll"),  // outside the codec folder
           registers,
           Library("null_pointer", codecs + "NullPointer.dll"),
           Library("returns_false", codecs + "ReturnsFalse.AX"),
           Library("returns_fail", codecs + "ReturnsFail.dll"),
           Library("raises_exception", codecs + "Raises.ax"),
           Library("no_register_export", codecs + "NoExport.dll"),
           TextFile(codecs + "NotALibrary.dll"),
           Library("handles_own_exceptions", codecs + "HandlesOwn.dll"),
           TextFile(codecs + "keys.dat"),
           Library("probes_memory", codecs + "Probes.dll"),
           Library("unwinds_own_frame", codecs + "Unwinds.dll"),
           Library("catches_own_exception", codecs + "CatchesOwn.ax"),
       }) {
    extracted.Add(path);
  }
  RegisterCodecs(session, pauses, *libraries, extracted);

  EXPECT_EQ(pauses.pauses(), (std::vector<Pause>{
                                 {2, "正在注册解码器:   Registers.dll", 2},
                                 {2, "正在注册解码器:   ReturnsFalse.AX", 4},
                                 {2, "正在注册解码器:   HandlesOwn.dll", 9},
                                 {2, "正在注册解码器:   Probes.dll", 11},
                                 {2, "正在注册解码器:   CatchesOwn.ax", 13},
                                 {100, "OK, Quenlo播放v2.0 Tesmar版 解码器注册完毕。", 13},
                             }));
  EXPECT_EQ(session.Status.ProgressValue(), 13);
  EXPECT_TRUE(EqualsIgnoringCase(ReadDefault(HKEY_CLASSES_ROOT, kClassServerKey), registers));
  // Nothing stays loaded: every file can be deleted at once.
  for (const std::string& file : files) {
    EXPECT_EQ(GetModuleHandleA(file.c_str()), nullptr) << file;
    EXPECT_TRUE(DeleteFileA(file.c_str())) << file << ": error " << GetLastError();
  }
  // The process survived the faulting ones, and its C++ exceptions still work.
  EXPECT_THROW(ThrowRuntimeError(), std::runtime_error);
}

// A library that registers and unregisters through COM, as media filters do, finds its thread in
// a single-threaded apartment, for either entry point.
TEST_F(CodecLibrariesTest, ALibraryThatUsesComRegistersAndUnregisters) {
  const std::string filter = Library("registers_through_com", codecs + "Filter.ax");
  const EntryPointOutcome registered =
      libraries->CallEntryPoint(filter, "DllRegisterServer", kRegistrationTimeLimitMs);
  EXPECT_EQ(registered.kind, EntryPointOutcome::Kind::Returned);
  EXPECT_EQ(static_cast<std::uint32_t>(registered.result), 0u);
  EXPECT_TRUE(EqualsIgnoringCase(ReadDefault(HKEY_CLASSES_ROOT, kComClassServerKey), filter));
  EXPECT_TRUE(RegisterLibrary(*libraries, filter, 0));
  EXPECT_EQ(ReadDefault(HKEY_CLASSES_ROOT, kComClassServerKey), "<absent>");
}

TEST_F(CodecLibrariesTest, FlagOtherThanOneCallsDllUnregisterServer) {
  const std::string registers = Library("registers_class", codecs + "Registers.dll");
  const std::string unregisterOnly = Library("no_register_export", codecs + "NoExport.dll");
  ASSERT_TRUE(RegisterLibrary(*libraries, registers, 1));
  EXPECT_NE(ReadDefault(HKEY_CLASSES_ROOT, kClassServerKey), "<absent>");
  EXPECT_TRUE(RegisterLibrary(*libraries, registers, 0));
  EXPECT_EQ(ReadDefault(HKEY_CLASSES_ROOT, kClassServerKey), "<absent>");
  EXPECT_FALSE(RegisterLibrary(*libraries, unregisterOnly, 1));
  EXPECT_TRUE(RegisterLibrary(*libraries, unregisterOnly, 2));
}

// A registration that never returns is given up; its library stays loaded (it still runs), and the
// next library registers. The abandoned copies get names of their own, since a loaded library's
// file can be neither replaced nor deleted.
TEST_F(CodecLibrariesTest, ARegistrationThatNeverReturnsIsGivenUpAndTheNextRegisters) {
  const std::string stuck = codecs + "Stuck" + std::to_string(GetCurrentProcessId());
  const std::string given = Library("never_returns", stuck + "-a.dll");
  const EntryPointOutcome outcome = libraries->CallEntryPoint(given, "DllRegisterServer", 200);
  EXPECT_EQ(outcome.kind, EntryPointOutcome::Kind::TimedOut);
  EXPECT_NE(GetModuleHandleA(given.c_str()), nullptr);
  EXPECT_TRUE(win32::LibraryCallAbandoned());

  SetupSession session;
  testing::StepPauses pauses(session);
  ExtractedFiles extracted;
  extracted.Add(Library("never_returns", stuck + "-b.dll"));
  extracted.Add(Library("registers_through_com", codecs + "Filter.ax"));  // in an apartment
  extracted.Add(Library("registers_class", codecs + "Registers.dll"));
  RegisterCodecs(session, pauses, *libraries, extracted);  // gives the first up after the limit
  EXPECT_EQ(pauses.pauses(), (std::vector<Pause>{
                                 {2, "正在注册解码器:   Filter.ax", 2},
                                 {2, "正在注册解码器:   Registers.dll", 3},
                                 {100, "OK, Quenlo播放v2.0 Tesmar版 解码器注册完毕。", 3},
                             }));
}

// At the setup's start the library search loses the program's folder and the current folder: a
// codec's dependency comes from the system folder (where the setup's own copies lie during the
// registration), not from a library of its name planted beside the program.
TEST_F(CodecLibrariesTest, ADependencyComesFromTheSystemFolderNotFromBesideTheProgram) {
  win32::PrepareProcess();
  const std::string planted = ProgramFolder() + "quenlodep.dll";
  ASSERT_NE(GetFileAttributesA(planted.c_str()), INVALID_FILE_ATTRIBUTES) << planted;
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  const std::string inSystem = std::string(system) + "\\quenlodep.dll";
  ASSERT_TRUE(
      CopyFileA((ProgramFolder() + "system\\quenlodep.dll").c_str(), inSystem.c_str(), FALSE));
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, current);
  SetCurrentDirectoryA(ProgramFolder().c_str());  // the planted one is in the current folder too
  SetEnvironmentVariableA("QUENLO_TEST_PLANTED_LOADED", nullptr);

  const std::string codec = Library("imports_dependency", codecs + "Imports.dll");
  const EntryPointOutcome outcome =
      libraries->CallEntryPoint(codec, "DllRegisterServer", kRegistrationTimeLimitMs);
  EXPECT_EQ(outcome.kind, EntryPointOutcome::Kind::Returned);
  EXPECT_EQ(outcome.result, 0);  // the system folder's answer
  EXPECT_EQ(GetEnvironmentVariableA("QUENLO_TEST_PLANTED_LOADED", nullptr, 0), 0u);

  SetCurrentDirectoryA(current);
  EXPECT_TRUE(DeleteFileA(inSystem.c_str())) << "the dependency stayed loaded";
}

}  // namespace
}  // namespace quenlo
