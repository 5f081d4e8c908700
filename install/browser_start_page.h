// The one additional task: make the navigation site the browser's start page for this user.
#pragma once

#include <optional>
#include <string>

#include "platform/registry.h"

namespace quenlo {

inline constexpr const char* kStartPageKey = "Software\\Microsoft\\Internet Explorer\\Main";
inline constexpr const char* kStartPageValue = "Start Page";

// What the start page was before the setup changed it.
struct EarlierStartPage {
  bool restorable = false;             // the setup wrote its address over a string or nothing
  std::optional<std::string> address;  // the earlier value; nothing when there was none
};

// Writes `address` into HKEY_CURRENT_USER "Software\Microsoft\Internet Explorer\Main" value
// "Start Page". The key is opened, never created: a profile in which the browser never stored its
// settings stays as it is. A failed write is dropped. Returns what was there before.
EarlierStartPage SetBrowserStartPage(platform::Registry& registry, const std::string& address);

// An install that did not finish gives the start page back: the earlier value (or none), but only
// while the start page is still `address`, the one the setup set.
void RestoreBrowserStartPage(platform::Registry& registry, const std::string& address,
                             const EarlierStartPage& earlier);

}  // namespace quenlo
