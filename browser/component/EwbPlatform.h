// Platform routines of the browser component: the operating-system and
// engine version tests and the navigation-sound switch.
#pragma once

#include <string>

namespace ewb {

// Windows XP with Service Pack 2 or later; the test is bound at run time,
// and a platform without it counts as older.
bool IsWinXPSP2OrLater();
// The browser engine's file version text; empty when it cannot be read.
std::string GetIEVersion();
// That text cut before its first ".".
std::string GetIEMajorVersion();
// Parks (Disable) or restores the navigation event's current sound in the
// user's sound scheme.
void SetNavigationSoundKey(bool Disable);

}  // namespace ewb
