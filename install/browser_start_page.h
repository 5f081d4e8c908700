// The one additional task: make the navigation site the browser's start page for this user.
#pragma once

#include <string>

#include "platform/registry.h"

namespace quenlo {

// Writes `address` into HKEY_CURRENT_USER "Software\Microsoft\Internet Explorer\Main" value
// "Start Page". The key is opened, never created: a profile in which the browser never stored its
// settings stays as it is. A failed write is dropped.
void SetBrowserStartPage(platform::Registry& registry, const std::string& address);

}  // namespace quenlo
