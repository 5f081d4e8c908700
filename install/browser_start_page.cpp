#include "install/browser_start_page.h"

namespace quenlo {
namespace {

std::unique_ptr<platform::RegistryKey> OpenMainKey(platform::Registry& registry) {
  return registry.Open(platform::RegistryRoot::CurrentUser, kStartPageKey, /*create=*/false);
}

}  // namespace

EarlierStartPage SetBrowserStartPage(platform::Registry& registry, const std::string& address) {
  EarlierStartPage earlier;
  const auto key = OpenMainKey(registry);
  if (!key) return earlier;
  const platform::RegistryValue before = key->Read(kStartPageValue);
  if (before.IsString()) earlier.address = before.text;
  const bool written = key->WriteString(kStartPageValue, address);
  // A value of another type is replaced as before, but could not be put back as it was.
  earlier.restorable = written && before.kind != platform::RegistryValue::Kind::NotString;
  return earlier;
}

void RestoreBrowserStartPage(platform::Registry& registry, const std::string& address,
                             const EarlierStartPage& earlier) {
  if (!earlier.restorable) return;
  const auto key = OpenMainKey(registry);
  if (!key) return;
  const platform::RegistryValue now = key->Read(kStartPageValue);
  if (!now.IsString() || now.text != address) return;  // changed since: not ours to undo
  if (earlier.address) {
    key->WriteString(kStartPageValue, *earlier.address);
  } else {
    key->DeleteValue(kStartPageValue);
  }
}

}  // namespace quenlo
