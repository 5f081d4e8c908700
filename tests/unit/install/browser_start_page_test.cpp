#include "install/browser_start_page.h"

#include <gtest/gtest.h>

#include "tests/support/fake_registry.h"

namespace quenlo {
namespace {

using platform::RegistryRoot;

constexpr const char* kMain = "Software\\Microsoft\\Internet Explorer\\Main";
constexpr const char* kAddress = "http://start.tesmar.example/?my";

TEST(BrowserStartPageTest, ReplacesTheStartPageAndNothingElse) {
  testing::FakeRegistry registry;
  registry.SetString(RegistryRoot::CurrentUser, kMain, "Start Page", "http://before.example/");
  registry.SetString(RegistryRoot::CurrentUser, kMain, "Search Page", "http://search.example/");
  SetBrowserStartPage(registry, kAddress);
  EXPECT_EQ(registry.Value(RegistryRoot::CurrentUser, kMain, "Start Page")->data, kAddress);
  EXPECT_EQ(registry.Value(RegistryRoot::CurrentUser, kMain, "Search Page")->data,
            "http://search.example/");
  EXPECT_EQ(registry.openKeys(), 0);
}

TEST(BrowserStartPageTest, AMissingKeyIsNotCreatedAndAFailedWriteIsDropped) {
  testing::FakeRegistry registry;
  SetBrowserStartPage(registry, kAddress);
  EXPECT_FALSE(registry.KeyExists(RegistryRoot::CurrentUser, kMain));
  EXPECT_FALSE(registry.KeyExists(RegistryRoot::CurrentUser, "Software\\Microsoft"));

  registry.SetString(RegistryRoot::CurrentUser, kMain, "Start Page", "http://before.example/");
  registry.FailWrites(true);
  EXPECT_NO_THROW(SetBrowserStartPage(registry, kAddress));
  EXPECT_EQ(registry.Value(RegistryRoot::CurrentUser, kMain, "Start Page")->data,
            "http://before.example/");
}

}  // namespace
}  // namespace quenlo
