#include "install/codec_registration.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <stdexcept>

#include "tests/support/fake_libraries.h"
#include "tests/unit/install/step_recorder.h"

namespace quenlo {
namespace {

using platform::EntryPointOutcome;
using Pause = testing::StepPauses::Pause;

constexpr const char* kExtractionLine = "Quenlo播放v2.0 Tesmar版 准备注册解码器，请稍候...";

EntryPointOutcome Returning(std::uint32_t hresult) {
  return EntryPointOutcome::Returning(static_cast<std::int32_t>(hresult));
}
const EntryPointOutcome kNotLoaded{EntryPointOutcome::Kind::NotLoaded, 0, 0};
const EntryPointOutcome kNoEntryPoint{EntryPointOutcome::Kind::NoEntryPoint, 0, 0};

TEST(CodecLibraryTest, NeedsCodecWithItsCaseAndAnAxOrDllExtension) {
  for (const char* path : {"C:\\Q\\Codec\\SysCodec\\MP3DMOD.DLL", "C:\\Q\\Codec\\Real\\rv40.Ax",
                           "D:\\MyCodecs\\Q\\QuenloCore.dll", "C:\\Q\\Codec\\誠.dll"}) {
    EXPECT_TRUE(IsCodecLibrary(path)) << path;
  }
  for (const char* path :
       {"C:\\Q\\Codec\\ffdshow.ax.manifest", "C:\\Q\\Codec\\keys.dat", "C:\\Q\\Codec\\README",
        "C:\\Q\\Codec.dll\\notes", "C:\\Q\\QuenloCore.dll", "C:\\Windows\\system32\\avcodec.dll"}) {
    EXPECT_FALSE(IsCodecLibrary(path)) << path;
  }
}

TEST(RegisterLibraryTest, NonNegativeResultOfTheEntryPointTheFlagNames) {
  const std::pair<EntryPointOutcome, bool> cases[] = {
      {Returning(0), true},
      {Returning(1), true},  // S_OK, S_FALSE
      {Returning(0x7FFFFFFF), true},
      {Returning(0x80004005), false},
      {Returning(0x80000000), false},
      {kNoEntryPoint, false},
      {kNotLoaded, false},
      {EntryPointOutcome::Faulting(0xC0000005), false},
      {EntryPointOutcome::TimingOut(), false},
  };
  for (const auto& [outcome, registered] : cases) {
    testing::FakeLibraries libraries;
    libraries.Script("C:\\Codec\\a.dll", outcome);
    EXPECT_EQ(RegisterLibrary(libraries, "C:\\Codec\\a.dll", 1), registered) << outcome.result;
  }
  testing::FakeLibraries libraries;
  for (const int flag : {1, 0, 2}) RegisterLibrary(libraries, "C:\\Codec\\a.dll", flag);
  EXPECT_EQ(libraries.calls()[0].entryPoint, "DllRegisterServer");
  EXPECT_EQ(libraries.calls()[1].entryPoint, "DllUnregisterServer");
  EXPECT_EQ(libraries.calls()[2].entryPoint, "DllUnregisterServer");
  for (const auto& call : libraries.calls()) EXPECT_EQ(call.timeLimitMs, kRegistrationTimeLimitMs);
}

class RegisterCodecsTest : public ::testing::Test {
 protected:
  RegisterCodecsTest() {
    session.Status.PublishStatus(kExtractionLine);  // as the extraction leaves the channel
    for (int i = 0; i < 368; ++i) session.Status.StepProgress();
  }
  void Add(const std::string& path, EntryPointOutcome outcome) {
    extracted.Add(path);
    libraries.Script(path, outcome);
  }

  SetupSession session;
  testing::StepPauses pauses{session};
  testing::FakeLibraries libraries;
  ExtractedFiles extracted;
};

TEST_F(RegisterCodecsTest, EmptyListPublishesNothingAndDoesNotPause) {
  RegisterCodecs(session, pauses, libraries, extracted);
  EXPECT_EQ(session.Status.StatusText(), kExtractionLine);
  EXPECT_EQ(session.Status.ProgressValue(), 368);
  EXPECT_TRUE(pauses.pauses().empty());
}

TEST_F(RegisterCodecsTest, LinesOnlyForRegisteredLibrariesAndAStepForEveryEntry) {
  Add("C:\\Q\\App.exe", Returning(0));  // not a codec library: never loaded
  Add("C:\\Q\\Codec\\ok.dll", Returning(0));
  Add("C:\\Q\\Codec\\fails.dll", Returning(0x80004005));
  Add("C:\\Q\\Codec\\false.AX", Returning(1));
  Add("C:\\Q\\Codec\\noexport.dll", kNoEntryPoint);
  Add("C:\\Q\\Codec\\broken.dll", kNotLoaded);
  Add("C:\\Q\\Codec\\crashes.ax", EntryPointOutcome::Faulting(0xC0000005));
  Add("C:\\Q\\Codec\\誠.dll", Returning(0));
  Add("C:\\Q\\Codec\\keys.dat", Returning(0));
  RegisterCodecs(session, pauses, libraries, extracted);

  std::vector<std::string> called;
  for (const auto& call : libraries.calls()) called.push_back(call.path);
  EXPECT_EQ(called, (std::vector<std::string>{
                        "C:\\Q\\Codec\\ok.dll", "C:\\Q\\Codec\\fails.dll", "C:\\Q\\Codec\\false.AX",
                        "C:\\Q\\Codec\\noexport.dll", "C:\\Q\\Codec\\broken.dll",
                        "C:\\Q\\Codec\\crashes.ax", "C:\\Q\\Codec\\誠.dll"}));
  const std::string ok = "正在注册解码器:   ok.dll";
  const std::string okFalse = "正在注册解码器:   false.AX";
  EXPECT_EQ(pauses.pauses(), (std::vector<Pause>{
                                 {2, ok, 370},
                                 {2, okFalse, 372},
                                 {2, "正在注册解码器:   誠.dll", 376},
                                 {100, "OK, Quenlo播放v2.0 Tesmar版 解码器注册完毕。", 377},
                             }));
}

// The libraries register ahead of the lines: the next one's registration takes place during the
// pause after the line before it, not after that pause. A registration that throws ends the step
// at its own entry.
TEST_F(RegisterCodecsTest, TheNextLibraryRegistersDuringThePauseBeforeIt) {
  Add("C:\\Q\\Codec\\a.dll", Returning(0));
  Add("C:\\Q\\Codec\\b.dll", Returning(0));
  Add("C:\\Q\\Codec\\c.dll", Returning(0));
  std::mutex mutex;
  std::condition_variable called;
  std::size_t calls = 0;
  libraries.OnCall([&](const testing::FakeLibraries::Call& call) {
    {
      std::lock_guard lock(mutex);
      ++calls;
    }
    called.notify_all();
    if (call.path.ends_with("c.dll")) throw std::runtime_error("c.dll broke");
  });
  bool secondDuringFirstPause = false;
  pauses.OnPause([&] {
    if (pauses.pauses().size() != 1) return;
    std::unique_lock lock(mutex);
    secondDuringFirstPause =
        called.wait_for(lock, std::chrono::seconds(10), [&] { return calls >= 2; });
  });

  EXPECT_THROW(RegisterCodecs(session, pauses, libraries, extracted), std::runtime_error);
  EXPECT_TRUE(secondDuringFirstPause);
  EXPECT_EQ(pauses.pauses(), (std::vector<Pause>{{2, "正在注册解码器:   a.dll", 369},
                                                 {2, "正在注册解码器:   b.dll", 370}}));
}

}  // namespace
}  // namespace quenlo
