#include "install/browser_start_page.h"

namespace quenlo {

void SetBrowserStartPage(platform::Registry& registry, const std::string& address) {
  const auto key = registry.Open(platform::RegistryRoot::CurrentUser,
                                 "Software\\Microsoft\\Internet Explorer\\Main", /*create=*/false);
  if (key) key->WriteString("Start Page", address);
}

}  // namespace quenlo
