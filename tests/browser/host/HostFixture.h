// A form with one host filling it, on the stand-in control: the base of the
// fixtures that play the engine against the host through its site.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "browser/host/EwbCore.h"
#include "framework/Forms.h"
#include "support/StandInBrowser.h"

template <typename TFormType = ui::TForm>
class HostOnStandInTest : public ::testing::Test {
protected:
    // The form at that client size, the host aligned to fill it, the
    // control made (the stand-in then holds the host's site).
    void MakeHost(int clientWidth, int clientHeight) {
        form.reset(new TFormType(nullptr));
        form->SetClientWidth(clientWidth);
        form->SetClientHeight(clientHeight);
        host = new ewb::TCustomEmbeddedWB(form.get());
        host->SetParent(form.get());
        host->SetAlign(ui::alClient);
        host->BrowserInterface();
    }
    void TearDown() override { form.reset(); }

    standin::TStandInBrowser& Control() { return *registration.Last(); }
    // The host's site as the engine asks for one of its interfaces.
    template <typename I>
    ui::ComPtr<I> SiteAs() {
        ui::ComPtr<I> view;
        EXPECT_EQ(Control().site.As(&view), S_OK);
        return view;
    }

    standin::TStandInRegistration registration;
    std::unique_ptr<TFormType> form;
    ewb::TCustomEmbeddedWB* host = nullptr;
};
