// What the demo player makes of its command line.
//
// The setup associates media files with the player through two commands:
//   "C:\...\QuenloMediaPlayer.exe" "/o" "%1"   open the file and play it
//   "C:\...\QuenloMediaPlayer.exe" "/a" "%1"   add the file to the play list
// The demo player only shows what it was asked to do; this part splits the command line and
// describes the request, without Windows, so it is tested natively.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quenlo::demo {

struct SplitLine {
  std::string program;                 // the first item, without its quotes
  std::string rest;                    // the raw text after the program and its blanks
  std::vector<std::string> arguments;  // the items after the program
};

// Splits a GBK command line as the C runtime splits one for main(): the program item ends at the
// closing quote, or at the first blank when unquoted; in the other items blanks outside quotes
// separate, 2n backslashes before a quote give n backslashes and the quote opens or closes,
// 2n+1 give n and a literal quote, other backslashes are literal, and "" inside quotes is a
// literal quote. The second byte of a double-byte character is never taken for a quote or a
// backslash.
SplitLine SplitCommandLine(std::string_view line);

enum class PlayerAction {
  kNone,           // no arguments: start with the saved play list
  kOpenAndPlay,    // "/o" FILE..., or files without a switch
  kAddToPlayList,  // "/a" FILE...
  kUnknownSwitch,  // any other switch
};

struct PlayerRequest {
  PlayerAction action = PlayerAction::kNone;
  std::vector<std::string> files;
  std::string switchText;  // the switch as given ("/O", "/x")
};

// The switch is the first argument; "/o" and "/a" are taken without regard to case.
PlayerRequest ParseRequest(const std::vector<std::string>& arguments);

// The request in words (GBK), one line per file: what the player window shows.
std::string DescribeRequest(const PlayerRequest& request);

}  // namespace quenlo::demo
