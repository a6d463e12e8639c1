// A program written against the libraries' headers alone: a form with the
// browser component filling it. The suite builds it and does not run it.
#include <windows.h>

#include "browser/component/EmbeddedWB.h"
#include "browser/support/EwbLateBound.h"
#include "browser/support/EwbOle.h"
#include "framework/Forms.h"
#include "framework/Modules.h"

namespace {

class TPageForm : public ui::TForm {
public:
    explicit TPageForm(ui::TComponent* owner) : TForm(owner) { LoadDefinition(); }

protected:
    void ReadDefinition() override {
        SetClientWidth(640);
        SetClientHeight(480);
        auto* browser = new ewb::TEmbeddedWB(this);
        browser->SetParent(this);
        browser->SetAlign(ui::alClient);
        browser->Navigate(L"about:blank");
    }
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ui::TModuleList modules({
        {"EwbLateBound", nullptr, &ewb::EwbLateBoundShutDown},
        {"Forms", &ui::FormsStartUp, &ui::FormsShutDown},
        {"EwbOle", &ewb::EwbOleStartUp, &ewb::EwbOleShutDown},
        {"EmbeddedWB", &ewb::EmbeddedWBStartUp, &ewb::EmbeddedWBShutDown},
    });
    modules.StartUp();
    ui::Application->Initialize();
    ui::Application->CreateForm<TPageForm>();
    ui::Application->Run();
    ui::Application->DestroyComponents();
    modules.ShutDown();
    return 0;
}
