// Document loading from HTMLCode, navigation and waiting for completion.
#include "browser/component/EmbeddedWB.h"

namespace ewb {

void TEmbeddedWB::HTMLCodeChanged(TObject*) {
    // Does nothing yet: HTMLCode is not loaded into the browser.
}

}  // namespace ewb
