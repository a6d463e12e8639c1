// The published browser component, driven as the engine and the platform
// drive it: through the site's interfaces and real window messages.
#include <gtest/gtest.h>

#include <memory>

#include "browser/component/EmbeddedWB.h"
#include "framework/Forms.h"
#include "support/StandInBrowser.h"
#include "support/WineTestSupport.h"

using namespace ui;
using namespace ewb;
using standin::TStandInBrowser;
using standin::TStandInRegistration;

namespace {

class EmbeddedWBTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.reset(new TForm(nullptr));
        form->SetClientWidth(400);
        form->SetClientHeight(300);
        browser = new TEmbeddedWB(form.get());
        browser->SetParent(form.get());
        browser->SetAlign(alClient);
    }
    void TearDown() override { form.reset(); }
    TStandInBrowser& Control() { return *registration.Last(); }

    TStandInRegistration registration;
    std::unique_ptr<TForm> form;
    TEmbeddedWB* browser = nullptr;
};

}  // namespace

TEST_F(EmbeddedWBTest, AboutKeepsItsTextWhateverIsAssigned) {
    const std::string credit = browser->About();
    ASSERT_FALSE(credit.empty());
    browser->SetAbout("something else");
    EXPECT_EQ(browser->About(), credit);
}
