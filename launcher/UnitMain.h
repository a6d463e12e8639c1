// The launcher's main window: the page, the launch timer and the close
// action.
#pragma once

#include <memory>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "browser/component/EmbeddedWB.h"
#include "launcher/LauncherConfig.h"

namespace launcher {

class TFormMain : public ui::TForm {
public:
    explicit TFormMain(ui::TComponent* owner);
    ~TFormMain() override;
    const char* ClassName() const override { return "TFormMain"; }

    ui::TMemo* Memo1 = nullptr;
    ui::TTimer* Timer1 = nullptr;
    ewb::TEmbeddedWB* EmbeddedWB1 = nullptr;
    std::unique_ptr<TIniFile> IniFile;

    void FormCreate(ui::TObject* Sender);
    void FormClose(ui::TObject* Sender, ui::TCloseAction& Action);
    void Timer1Timer(ui::TObject* Sender);

    // Not a handler of the window definition: bound by the constructor.
    void Memo1Enter(ui::TObject* Sender);

    // The saved state of the browser control in the window definition.
    static const std::vector<uint8_t>& EmbeddedWB1ControlData();

protected:
    void ReadDefinition() override;
};

}  // namespace launcher
