// The custom context menu with a resource library of the test code.
#include "browser/host/UIHandlerFixture.h"

TEST_F(UIHandlerTest, TheEnginesMenuIsFilteredTrackedAndItsCommandSentToTheDocument) {
    HMODULE library = LoadLibraryW(AnsiToWide(testsupport::WindowsPathOf(SHDOCLC_TEST_DLL)).c_str());
    ASSERT_NE(library, nullptr);
    ASSERT_EQ(LoadShdoclcLibrary(), library);  // found loaded, by its name
    host->OnFilterPopupMenu = TMenuPreprocess::Of<&UIHandlerTest::Filter>(this);
    form->Show();
    Control().LoadDocument();
    HWND document = Control().ieServer;
    g_documentProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(document, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordCommands)));
    g_menuOwner = document;
    g_commands.clear();
    TEngineTarget target(document);

    // Dismissed without a choice: nothing sent, the menu was ours.
    g_answer = TMenuAnswer::Dismiss;
    SetTimer(nullptr, 0, 300, AnswerMenu);
    EXPECT_EQ(ContextMenu(5, static_cast<IOleCommandTarget*>(&target)), S_OK);
    EXPECT_EQ(log, std::vector<std::string>{"filter 5 items 2"});
    EXPECT_TRUE(g_commands.empty());

    // A command chosen reaches the document window.
    g_answer = TMenuAnswer::ChooseFirst;
    SetTimer(nullptr, 0, 300, AnswerMenu);
    EXPECT_EQ(ContextMenu(5, static_cast<IOleCommandTarget*>(&target)), S_OK);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(LOWORD(g_commands[0]), 2136);
    EXPECT_EQ(HIWORD(g_commands[0]), 0);

    // A filter that deletes everything: nothing to choose, nothing sent.
    deleteAll = true;
    g_commands.clear();
    g_answer = TMenuAnswer::Dismiss;
    UINT_PTR safety = SetTimer(nullptr, 0, 500, AnswerMenu);
    EXPECT_EQ(ContextMenu(0, static_cast<IOleCommandTarget*>(&target)), S_OK);
    KillTimer(nullptr, safety);
    EXPECT_TRUE(g_commands.empty());
    EXPECT_EQ(target.refs, 1);
    SetWindowLongPtrW(document, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_documentProc));
}

