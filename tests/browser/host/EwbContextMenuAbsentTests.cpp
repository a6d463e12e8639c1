// The custom context menu where the engine's resource library is missing.
#include "browser/host/UIHandlerFixture.h"

TEST_F(UIHandlerTest, WithoutTheEnginesResourceLibraryTheFilteredMenuFallsBack) {
    host->OnFilterPopupMenu = TMenuPreprocess::Of<&UIHandlerTest::Filter>(this);
    form->Show();
    Control().LoadDocument();
    TEngineTarget target(Control().ieServer);
    EXPECT_EQ(ContextMenu(0, static_cast<IOleCommandTarget*>(&target)), S_FALSE);
    EXPECT_TRUE(log.empty());  // nothing was loaded, nothing filtered
    EXPECT_NE(std::find(Control().calls.begin(), Control().calls.end(), "ExecWB 27"), Control().calls.end());
    EXPECT_EQ(target.refs, 1);
}

