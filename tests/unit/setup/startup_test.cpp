#include "setup/startup.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/fake_registry.h"
#include "tests/support/scripted_message_boxes.h"

namespace quenlo {
namespace {

using platform::RegistryRoot;
using testing::FakeRegistry;

class RecordingApplication final : public platform::Application {
 public:
  void Initialize() override { calls.push_back("initialize"); }
  void SetTitle(const std::string& title) override { calls.push_back("title " + title); }
  void RunMainWindow() override { calls.push_back("run"); }
  void Terminate() override { calls.push_back("terminate"); }
  std::vector<std::string> calls;
};

class StartupTest : public ::testing::Test {
 protected:
  void Run() { RunStartup(session, {registry, boxes, application}); }
  void SetAppPath(const std::string& text) {
    registry.SetString(RegistryRoot::LocalMachine, "Software\\QuenloBoFang", "AppPath", text);
  }

  SetupSession session;
  FakeRegistry registry;
  testing::ScriptedMessageBoxes boxes;
  RecordingApplication application;
};

TEST_F(StartupTest, FirstInstallationOpensTheWizardWithTheTitle) {
  Run();
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_EQ(application.calls,
            (std::vector<std::string>{"initialize", "title Quenlo播放安装程序", "run"}));
  EXPECT_EQ(session.ExistingAppPath, "");
  EXPECT_EQ(registry.openKeys(), 0);
}

TEST_F(StartupTest, EmptyAppPathCountsAsNoInstallation) {
  SetAppPath("");
  Run();
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_EQ(application.calls.size(), 3u);
}

TEST_F(StartupTest, EarlierInstallationAsksFirstAndYesKeepsTheDefaultTitle) {
  SetAppPath("D:\\Tools\\QuenloBoFang\\");
  boxes.Answer(platform::kAnswerYes);
  Run();
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].text, "在这台计算机上已经安装了 Quenlo播放 ，你是否准备覆盖安装？");
  EXPECT_EQ(boxes.shown()[0].caption, "提示信息");
  EXPECT_EQ(boxes.shown()[0].flags, 0x44u);
  EXPECT_EQ(application.calls, (std::vector<std::string>{"initialize", "run"}));
  EXPECT_EQ(session.ExistingAppPath, "D:\\Tools\\QuenloBoFang\\");
}

TEST_F(StartupTest, NoEndsWithoutInitialisingOrAnyWindow) {
  SetAppPath("D:\\Tools\\QuenloBoFang\\");
  boxes.Answer(platform::kAnswerNo);
  Run();
  EXPECT_EQ(application.calls, (std::vector<std::string>{"terminate"}));
  EXPECT_EQ(registry.openKeys(), 0);
}

TEST(GetExistingAppPath, ReadsTheTextUpToItsFirstNul) {
  FakeRegistry registry;
  registry.SetValue(RegistryRoot::LocalMachine, "Software\\QuenloBoFang", "AppPath",
                    {FakeRegistry::ValueType::ExpandString, std::string("D:\\P\\\0junk", 10)});
  EXPECT_EQ(GetExistingAppPath(registry), "D:\\P\\");
}

TEST(GetExistingAppPath, NoInstallationWhenTheRecordCannotBeRead) {
  FakeRegistry missing;
  EXPECT_EQ(GetExistingAppPath(missing), "");

  FakeRegistry denied;
  denied.SetString(RegistryRoot::LocalMachine, "Software\\QuenloBoFang", "AppPath", "D:\\P\\");
  denied.DenyAccess(RegistryRoot::LocalMachine, "Software\\QuenloBoFang");
  EXPECT_EQ(GetExistingAppPath(denied), "");

  FakeRegistry notString;
  notString.SetValue(RegistryRoot::LocalMachine, "Software\\QuenloBoFang", "AppPath",
                     {FakeRegistry::ValueType::Dword, std::string("\x01\0\0\0", 4)});
  EXPECT_EQ(GetExistingAppPath(notString), "");
  EXPECT_EQ(notString.openKeys(), 0);

  FakeRegistry otherRoot;
  otherRoot.SetString(RegistryRoot::CurrentUser, "Software\\QuenloBoFang", "AppPath", "D:\\P\\");
  EXPECT_EQ(GetExistingAppPath(otherRoot), "");
}

}  // namespace
}  // namespace quenlo
