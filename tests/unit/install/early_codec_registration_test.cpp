// The codecs of an install with no one watching, registered while the extraction goes on: never
// before what they may load is in place, always announced first, undone before their files go.
#include "install/early_codec_registration.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "base/path.h"
#include "tests/support/fake_libraries.h"
#include "tests/support/fake_registry.h"

namespace quenlo {
namespace {

using platform::EntryPointOutcome;
using testing::FakeLibraries;

constexpr const char* kSystem = "C:\\Windows\\System32";

struct Extraction {
  // Two codec folders, a file of data in each, and a system-folder file, planned in an order
  // that puts the codecs before what they need.
  const std::vector<std::string> planned = {
      "D:\\P\\Codec\\a.ax",        "D:\\P\\Codec2\\b.dll",
      "D:\\P\\Codec\\strings.dat", "C:\\Windows\\System32\\dep.dll",
      "D:\\P\\Codec2\\data.bin",   "D:\\P\\Codec\\c.dll"};

  testing::FakeRegistry registry;
  InstallJournal journal{registry};
  FakeLibraries libraries;
  std::mutex mutex;
  std::set<std::string> inPlace;
};

// Every codec registers only once its folder's files and the system folder's are all in place, and
// once it has been announced; the result follows the order the files were written.
TEST(EarlyCodecRegistration, RegistersEachCodecOnlyOnceWhatItMayLoadIsInPlaceAndAnnounced) {
  Extraction x;
  for (const char* codec : {"D:\\P\\Codec\\a.ax", "D:\\P\\Codec2\\b.dll", "D:\\P\\Codec\\c.dll"}) {
    x.libraries.Script(codec, EntryPointOutcome::Returning(0));
  }
  std::vector<std::string> early;  // what a registration found missing or unannounced
  x.libraries.OnCall([&](const FakeLibraries::Call& call) {
    const std::lock_guard lock(x.mutex);
    for (const std::string& file : x.planned) {
      const bool needed = IsSameFolder(FolderPart(file), FolderPart(call.path)) ||
                          IsSameFolder(FolderPart(file), kSystem);
      if (needed && !x.inPlace.contains(file)) early.push_back(call.path + " before " + file);
    }
    const auto entries = x.journal.entries();
    if (std::find(entries.begin(), entries.end(), JournalEntry::Codec(call.path)) == entries.end())
      early.push_back(call.path + " unannounced");
  });
  ExtractedFiles extracted;
  {
    EarlyCodecRegistration registration(x.libraries, x.journal, kSystem);
    registration.Planned(x.planned);
    for (const std::string& file : x.planned) {
      {
        const std::lock_guard lock(x.mutex);
        x.inPlace.insert(file);
      }
      registration.InPlace(file);
      extracted.Add(file);
      // Time for a registration that would come too early to come.
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(registration.Finish(extracted),
              (std::vector<std::string>{"D:\\P\\Codec\\a.ax", "D:\\P\\Codec2\\b.dll",
                                        "D:\\P\\Codec\\c.dll"}));
  }
  EXPECT_EQ(early, std::vector<std::string>{});
  EXPECT_EQ(x.libraries.calls().size(), 3u);
}

// A registration that failed early is tried again once everything is in place (one that timed out
// is not); when the extraction fails instead, what registered is unregistered, last first.
TEST(EarlyCodecRegistration, RetriesWhatFailedAndUnregistersBeforeAnUndo) {
  const struct {
    const char* what;
    bool extractionFails;
    std::vector<std::string> calls;  // "R path" register, "U path" unregister
  } cases[] = {
      {"the extraction ends well",
       false,
       {"R D:\\P\\Codec\\a.ax", "R D:\\P\\Codec\\c.dll", "R D:\\P\\Codec2\\b.dll",
        "R D:\\P\\Codec\\c.dll"}},
      {"the extraction fails",
       true,
       {"R D:\\P\\Codec\\a.ax", "R D:\\P\\Codec\\c.dll", "R D:\\P\\Codec2\\b.dll",
        "U D:\\P\\Codec\\a.ax"}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    Extraction x;
    x.libraries.Script("D:\\P\\Codec\\a.ax", EntryPointOutcome::Returning(0));
    x.libraries.Script("D:\\P\\Codec\\c.dll", EntryPointOutcome::Returning(-1));
    x.libraries.Script("D:\\P\\Codec2\\b.dll", EntryPointOutcome::TimingOut());
    std::atomic<int> registrations = 0;
    x.libraries.OnCall([&](const FakeLibraries::Call&) { ++registrations; });
    EarlyCodecRegistration registration(x.libraries, x.journal, kSystem);
    registration.Planned(x.planned);
    ExtractedFiles extracted;
    // The Codec folder and the system folder first, then the Codec2 folder.
    for (int index : {0, 2, 3, 5, 1, 4}) {
      registration.InPlace(x.planned[index]);
      extracted.Add(x.planned[index]);
    }
    if (test.extractionFails) {
      // Every folder completed: the registrations are done or under way; wait for them.
      while (registrations < 3) std::this_thread::yield();
      registration.BeforeUndo();
    } else {
      EXPECT_EQ(registration.Finish(extracted), std::vector<std::string>{"D:\\P\\Codec\\a.ax"});
    }
    std::vector<std::string> calls;
    for (const auto& call : x.libraries.calls()) {
      calls.push_back((call.entryPoint == "DllRegisterServer" ? "R " : "U ") + call.path);
    }
    EXPECT_EQ(calls, test.calls);
  }
}

}  // namespace
}  // namespace quenlo
