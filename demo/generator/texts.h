// The text files of the demo payload: read-me, licence, default settings, the player's list and
// project files, a log and a filter's manifest. Every text is GBK with CRLF line ends, as the
// player on a Chinese Windows reads it.
#pragma once

#include <string>
#include <string_view>

namespace quenlo::demo {

std::string ReadmeText();
std::string LicenceText();
std::string DefaultSettingsText();
std::string RecentListText();
std::string FavoriteListText();
std::string EqualizerPresetText();
std::string PlayHistoryText();
std::string ProjectNotesText();
std::string PlayerLogText();
// The side-by-side manifest of the filter `filterFileName` ("tmMkvSplit.ax").
std::string FilterManifestText(std::string_view filterFileName);

// `text` with every "\n" turned into "\r\n".
std::string WithCrlf(std::string_view text);

}  // namespace quenlo::demo
