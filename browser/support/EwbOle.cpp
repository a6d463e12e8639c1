#include "browser/support/EwbOle.h"

#include <ole2.h>

namespace ewb {

// The result does not matter: a thread that already has OLE keeps it.
void EwbOleStartUp() { OleInitialize(nullptr); }

void EwbOleShutDown() { OleUninitialize(); }

}  // namespace ewb
