// The engine's dialog boxes, watched through the owner's window procedure,
// and the floating-point exception option.
#include "browser/component/EmbeddedWB.h"

namespace ewb {

void TEmbeddedWB::HookOwnerWindowProc() {
    // Does nothing yet: the owner's window procedure is not replaced.
}

void TEmbeddedWB::UnhookOwnerWindowProc() {
    // Does nothing yet: nothing was hooked.
}

void TEmbeddedWB::OwnerWindowProc(ui::TMessage& Message) {
    // Passes every message on unchanged: no dialog handling yet.
    if (OldOwnerWindowProc) OldOwnerWindowProc(Message);
}

void TEmbeddedWB::InspectActivatedWindow(ui::TMessage&) {
    // Does nothing yet: activated windows are not inspected.
}

void TDisableErrors::SetfpExceptions(bool Value) {
    // Only stores the value: the floating-point control word is not loaded yet.
    fpExceptions_ = Value;
}

}  // namespace ewb
