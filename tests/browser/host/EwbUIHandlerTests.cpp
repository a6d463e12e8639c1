#include "browser/host/UIHandlerFixture.h"

TEST_F(UIHandlerTest, HostInfoIsTheTwentyByteRecordWithTheFlags) {
    unsigned char block[sizeof(DOCHOSTUIINFO) + 8];
    std::memset(block, 0xCC, sizeof block);
    auto* info = reinterpret_cast<DOCHOSTUIINFO*>(block);
    ASSERT_EQ(handler->GetHostInfo(info), S_OK);
    static_assert(sizeof(void*) != 4 || sizeof(DOCHOSTUIINFO) == 20, "the 32-bit record is 20 bytes");
    EXPECT_EQ(info->cbSize, sizeof(DOCHOSTUIINFO));
    EXPECT_EQ(info->dwFlags, 0x00044000u);
    EXPECT_EQ(info->dwDoubleClick, 0u);
    EXPECT_EQ(info->pchHostCss, nullptr);
    EXPECT_EQ(info->pchHostNS, nullptr);
    EXPECT_EQ(block[sizeof(DOCHOSTUIINFO)], 0xCC);  // nothing past the record
}

TEST_F(UIHandlerTest, DisabledKindsSuppressTheMenuOneByOne) {
    for (int kind = 0; kind < 10; ++kind) {
        host->DisabledPopupMenus = TIEPopupMenus{static_cast<TIEPopupMenu>(kind)};
        for (int id = 0; id < 12; ++id)
            EXPECT_EQ(ContextMenu(static_cast<DWORD>(id)), id == kind ? S_OK : S_FALSE) << kind << " " << id;
    }
    host->DisabledPopupMenus = TIEPopupMenus{rcmAll};
    EXPECT_EQ(ContextMenu(0), S_OK);
    EXPECT_EQ(ContextMenu(12), S_OK);  // identifiers of 10 and above too
    host->DisabledPopupMenus = TIEPopupMenus{};
    EXPECT_EQ(ContextMenu(12), S_FALSE);
}

TEST_F(UIHandlerTest, ADisabledKindShowsTheComponentsPopupMenuAtTheCursor) {
    TRecordingPopup popup(form.get());
    host->PopupMenu = &popup;
    host->DisabledPopupMenus = TIEPopupMenus{rcmAnchor};
    SetCursorPos(123, 234);
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(ContextMenu(5), S_OK);
    ASSERT_EQ(popup.shownAt.size(), 1u);
    EXPECT_EQ(popup.shownAt[0].x, cursor.x);
    EXPECT_EQ(popup.shownAt[0].y, cursor.y);
    EXPECT_EQ(ContextMenu(4), S_FALSE);
    EXPECT_EQ(popup.shownAt.size(), 1u);
    host->PopupMenu = nullptr;
}

TEST_F(UIHandlerTest, TheContextMenuEventDecidesUnlessItLeavesNotImplemented) {
    host->OnShowContextMenu = TShowContextMenuEvent::Of<&UIHandlerTest::ContextEvent>(this);
    host->DisabledPopupMenus = TIEPopupMenus{rcmDefault};
    EXPECT_EQ(ContextMenu(0), S_OK);  // fell through to the disabled test
    contextAnswer = S_FALSE;
    EXPECT_EQ(ContextMenu(0), S_FALSE);  // the event's answer ends it
    EXPECT_EQ(log, (std::vector<std::string>{"context 0", "context 0"}));
}

TEST_F(UIHandlerTest, CtrlShortcutsAreMaskedOnlyForKeyDownWithExactlyCtrl) {
    host->OnTranslateAccelerator = TTranslateAcceleratorEvent::Of<&UIHandlerTest::Accelerator>(this);
    host->OnMaskedCtrlChar = TMaskedCtrlCharEvent::Of<&UIHandlerTest::Masked>(this);
    HoldKeys({VK_CONTROL});
    EXPECT_EQ(Key(WM_KEYDOWN, 'N'), S_OK);
    EXPECT_EQ(log, std::vector<std::string>{"masked N"});  // and no accelerator event
    log.clear();
    EXPECT_EQ(Key(WM_KEYUP, 'N'), S_FALSE);
    EXPECT_EQ(Key(WM_KEYDOWN, 'M'), S_FALSE);
    EXPECT_EQ(log, (std::vector<std::string>{"accelerator", "accelerator"}));
    log.clear();
    HoldKeys({VK_CONTROL, VK_SHIFT});
    EXPECT_EQ(Key(WM_KEYDOWN, 'N'), S_FALSE);
    // AltGr+N (Ctrl+Alt+N) types a letter on many keyboards: Alt is read
    // from the key data, where the platform puts it.
    HoldKeys({VK_CONTROL, VK_MENU});
    EXPECT_EQ(Key(WM_KEYDOWN, 'N', 0x20000001), S_FALSE);
    HoldKeys({});
    EXPECT_EQ(Key(WM_KEYDOWN, 'N'), S_FALSE);

    HoldKeys({VK_CONTROL});
    host->DisableCtrlShortcuts = "n";
    for (WPARAM letter = 'A'; letter <= 'Z'; ++letter) EXPECT_EQ(Key(WM_KEYDOWN, letter), S_FALSE) << char(letter);
    host->DisableCtrlShortcuts = "p";
    EXPECT_EQ(Key(WM_KEYDOWN, VK_F1), S_OK);
    EXPECT_EQ(Key(WM_KEYDOWN, 'P'), S_FALSE);
    log.clear();
    host->DisableCtrlShortcuts = "";
    EXPECT_EQ(Key(WM_KEYDOWN, 'N'), S_FALSE);
    EXPECT_EQ(Key(WM_KEYDOWN, VK_F1), S_FALSE);
    EXPECT_EQ(std::count(log.begin(), log.end(), "masked N"), 0);
}

TEST_F(UIHandlerTest, TheOptionKeyPathGoesToExactlyOneOfTheTwo) {
    LPOLESTR key = reinterpret_cast<LPOLESTR>(1);
    EXPECT_EQ(handler->GetOptionKeyPath(&key, 0), S_FALSE);
    EXPECT_EQ(key, nullptr);
    host->OptionKeyPath = "Software\\Game\\Browser";
    EXPECT_EQ(handler->GetOptionKeyPath(&key, 0), S_OK);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(std::wstring(key), L"Software\\Game\\Browser");
    ComPtr<IMalloc> allocator;
    CoGetMalloc(1, &allocator);
    EXPECT_EQ(allocator->DidAlloc(key), 1);
    CoTaskMemFree(key);
    EXPECT_EQ(handler->GetOverrideKeyPath(&key, 0), S_FALSE);
    EXPECT_EQ(key, nullptr);
    host->OverrideOptionKeyPath = true;
    EXPECT_EQ(handler->GetOptionKeyPath(&key, 0), S_FALSE);
    EXPECT_EQ(handler->GetOverrideKeyPath(&key, 0), S_OK);
    ASSERT_NE(key, nullptr);
    CoTaskMemFree(key);
}

TEST_F(UIHandlerTest, UrlsExternalDataObjectsMessagesAndHelp) {
    LPWSTR out = reinterpret_cast<LPWSTR>(1);
    wchar_t a[] = L"a", other[] = L"x";
    EXPECT_EQ(handler->TranslateUrl(0, a, &out), S_FALSE);
    host->OnTranslateUrl = TTranslateUrlEvent::Of<&UIHandlerTest::Translate>(this);
    EXPECT_EQ(handler->TranslateUrl(0, a, &out), S_FALSE);  // an empty answer
    EXPECT_EQ(out, reinterpret_cast<LPWSTR>(1));             // left unwritten
    ASSERT_EQ(handler->TranslateUrl(0, other, &out), S_OK);
    EXPECT_EQ(std::wstring(out), L"http://b/");
    CoTaskMemFree(out);

    IDispatch* external = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(handler->GetExternal(&external), S_FALSE);
    EXPECT_EQ(external, nullptr);
    IDataObject* data = reinterpret_cast<IDataObject*>(1);
    EXPECT_EQ(handler->FilterDataObject(nullptr, &data), S_FALSE);
    EXPECT_EQ(data, nullptr);

    ComPtr<IDocHostShowUI> showUI;
    ASSERT_EQ(Control().site.As(&showUI), S_OK);
    wchar_t text[] = L"Hello", caption[] = L"Page";
    LRESULT result = 0;
    EXPECT_EQ(showUI->ShowMessage(nullptr, text, caption, MB_OK, nullptr, 0, &result), S_FALSE);
    host->OnShowMessage = TShowMessageEvent::Of<&UIHandlerTest::Message>(this);
    EXPECT_EQ(showUI->ShowMessage(nullptr, text, caption, MB_OK, nullptr, 0, &result), S_OK);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(log, std::vector<std::string>{"message Hello"});

    POINT mouse = {0, 0};
    EXPECT_EQ(showUI->ShowHelp(nullptr, nullptr, 0x12, 0, mouse, nullptr), S_FALSE);
    host->HelpFile = "game.chm";
    EXPECT_EQ(showUI->ShowHelp(nullptr, nullptr, 0x12 /* HH_CLOSE_ALL */, 0, mouse, nullptr), S_OK);
    wchar_t theirs[] = L"engine.chm";
    EXPECT_EQ(showUI->ShowHelp(nullptr, theirs, 0x12, 0, mouse, nullptr), S_FALSE);

    EXPECT_EQ(handler->ShowUI(0, nullptr, nullptr, nullptr, nullptr), S_FALSE);
    EXPECT_EQ(handler->HideUI(), S_FALSE);
    EXPECT_EQ(handler->UpdateUI(), S_FALSE);
    EXPECT_EQ(handler->EnableModeless(TRUE), S_OK);
    EXPECT_EQ(handler->OnDocWindowActivate(TRUE), S_OK);
    EXPECT_EQ(handler->OnFrameWindowActivate(TRUE), S_OK);
    EXPECT_EQ(handler->ResizeBorder(nullptr, nullptr, TRUE), S_OK);
}

