// Answers, as its exit code, whether the platform it runs on counts as
// Windows XP SP2 or later (1) or not (0).
#include "browser/component/EwbPlatform.h"

int main() { return ewb::IsWinXPSP2OrLater() ? 1 : 0; }
