// The wizard's long page texts and the navigation site's address. They are fixed Chinese texts,
// the same whatever the interface language.
#pragma once

#include <string>

namespace quenlo::wizard {

// The address the start-page task sets as the browser's start page (path "/", query "my").
inline constexpr const char* kNavigationSiteAddress = "http://start.tesmar.example/?my";

// Page 1: 16 lines separated by single carriage returns, in four groups separated by empty
// lines: three headings with bullet lines ("    - ", 1, 5 and 3 of them) and a closing line.
const std::string& WelcomeText();

// Page 2: 28 lines separated by CR LF: the title, six sections numbered 一、 to 六、, and the
// licensor's name in brackets, pushed right by ideographic spaces, as the last line.
const std::string& AgreementText();

// Page 4: the site's name, a full-width comma and a short phrase, on one line.
const std::string& SloganText();

// Page 4: the start-page task, "将[Tesmar网]" + the site's address + "设为首页".
const std::string& StartPageTaskText();

}  // namespace quenlo::wizard
