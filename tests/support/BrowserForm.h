// A form shaped like the launcher's main window, built from a definition:
// a text field whose line creates the form's window, then the browser,
// configured as the definition's stored options would.
#pragma once

#include <functional>
#include <vector>

#include "browser/component/EmbeddedWB.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

namespace testsupport {

class TBrowserForm : public ui::TForm {
public:
    explicit TBrowserForm(std::function<void(ewb::TEmbeddedWB&)> configure = nullptr)
        : TForm(nullptr), configure_(std::move(configure)) {
        LoadDefinition();
    }
    ewb::TEmbeddedWB* Browser = nullptr;
    std::vector<UINT> seen;  // the framework messages that reached the form's own handling

    void WndProc(ui::TMessage& message) override {
        if (message.Msg >= ui::CM_BASE && message.Msg < ui::CM_BASE + 0x100) seen.push_back(message.Msg);
        TForm::WndProc(message);
    }

protected:
    void ReadDefinition() override {
        SetClientWidth(320);
        SetClientHeight(240);
        auto* memo = new ui::TMemo(this);
        memo->SetParent(this);
        memo->SetAlign(ui::alClient);
        memo->Lines().Assign(std::vector<std::string>{"Memo1"});
        Browser = new ewb::TEmbeddedWB(this);
        Browser->SetParent(this);
        Browser->SetAlign(ui::alClient);
        if (configure_) configure_(*Browser);
    }

private:
    std::function<void(ewb::TEmbeddedWB&)> configure_;
};

}  // namespace testsupport
