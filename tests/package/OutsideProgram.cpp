// A program written against the libraries' headers alone: a form with the
// browser component filling it. The suite builds it and does not run it.
#include <windows.h>

#include "browser/component/EmbeddedWB.h"
#include "framework/Forms.h"

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
    ewb::TBrowserStartUp browserStartUp;
    ui::Application->CreateForm<TPageForm>();
    ui::Application->Run();
    return 0;
}
