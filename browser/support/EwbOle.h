// The OLE module: OLE for the user-interface thread from the first module
// that needs it to the last. Drag-and-drop registration needs OLE, not
// only COM.
#pragma once

namespace ewb {

void EwbOleStartUp();
void EwbOleShutDown();

}  // namespace ewb
