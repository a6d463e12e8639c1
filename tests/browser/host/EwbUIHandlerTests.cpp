#include "browser/host/UIHandlerFixture.h"

#include <functional>

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

    // Letters in either case mask their letter's key and only it: kept as
    // given, a lower-case letter matched no letter but the key whose code it
    // equals (p is F1's, a the keypad's 1).
    HoldKeys({VK_CONTROL});
    host->SetDisableCtrlShortcuts("nP");
    EXPECT_EQ(host->DisableCtrlShortcuts(), "NP");
    for (WPARAM letter = 'A'; letter <= 'Z'; ++letter)
        EXPECT_EQ(Key(WM_KEYDOWN, letter), letter == 'N' || letter == 'P' ? S_OK : S_FALSE) << char(letter);
    host->SetDisableCtrlShortcuts("pa");
    EXPECT_EQ(Key(WM_KEYDOWN, VK_F1), S_FALSE);
    EXPECT_EQ(Key(WM_KEYDOWN, VK_NUMPAD1), S_FALSE);
    // Anything but a letter is refused, and the letters stay as they were.
    for (const char* refused : {"N1", "N-", "Ctrl+N", " ", "\xE9"}) {
        EXPECT_THROW(host->SetDisableCtrlShortcuts(refused), ui::Exception) << refused;
        EXPECT_EQ(host->DisableCtrlShortcuts(), "PA");
    }
    log.clear();
    host->SetDisableCtrlShortcuts("");
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

namespace {

// Events that change each prepared answer to one of their own.
struct TChangedAnswers {
    HWND window = nullptr;      // what Authenticate hands back
    ComPtr<IDataObject> data;   // what FilterDataObject hands out
    void ShowUI(TObject*, uint32_t, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                IOleInPlaceUIWindow*, HRESULT& r) { r = S_OK; }
    void Shown(TObject*, HRESULT& r) { r = S_OK; }
    void Accelerator(TObject*, MSG* msg, const GUID*, uint32_t, bool& done) { done = msg->wParam == 'Q'; }
    void Filter(TObject*, IDataObject*, ComPtr<IDataObject>& out) { out = data; }
    void TypeInfoCount(TObject*, int32_t& count, HRESULT& r) {
        count = 1;
        r = S_OK;
    }
    void TypeInfo(TObject*, int32_t, int32_t, ComPtr<ITypeInfo>&, HRESULT& r) { r = TYPE_E_ELEMENTNOTFOUND; }
    void IDsOfNames(TObject*, const IID&, void*, int32_t count, int32_t, void* ids, HRESULT& r) {
        if (count == 1) static_cast<DISPID*>(ids)[0] = 42;
        r = S_OK;
    }
    void Download(TObject*, IMoniker*, IBindCtx*, uint32_t, uint32_t, BINDINFO*, const wchar_t*, const wchar_t*,
                  uint32_t, HRESULT& r) { r = S_OK; }
    void Authenticate(TObject*, HWND& hwnd, std::wstring& user, std::wstring&, HRESULT& r) {
        hwnd = window;
        user = L"player";
        r = S_FALSE;
    }
    void HostInfo(TObject*, TDOCHOSTUIINFO& info) {
        info.dwFlags |= DOCHOSTUIFLAG_NO3DBORDER;
        info.dwDoubleClick = DOCHOSTUIDBLCLK_SHOWPROPERTIES;
    }
    HRESULT Help(TObject*, HWND, const wchar_t*, UINT, DWORD, POINT& mouse, IDispatch*&) {
        mouse.x = 9;
        return S_OK;
    }
    HRESULT Zoom(TObject*, uint32_t percent) { return percent == 150 ? S_OK : E_FAIL; }
};

std::string Hex(HRESULT hr) { return LowerHex(static_cast<unsigned long>(hr), 8); }

}  // namespace

TEST_F(UIHandlerTest, EveryCallbackWhoseEventMayChangeTheAnswerAnswersTheEventsWhenItIsSet) {
    TChangedAnswers answers;
    answers.window = form->Handle();
    ASSERT_EQ(OleGetClipboard(&answers.data), S_OK);
    using A = TChangedAnswers;
    ComPtr<IDispatch> ambient = SiteAs<IDispatch>();
    ComPtr<IDocHostShowUI> showUI = SiteAs<IDocHostShowUI>();
    ComPtr<IServiceProvider> services = SiteAs<IServiceProvider>();
    ComPtr<IZoomEvents> zoom = SiteAs<IZoomEvents>();
    struct TRow {
        const char* Name;
        std::function<void()> SetEvent;
        std::function<std::string()> Call;  // as the engine calls, with what came back
        const char* Before;
        const char* After;
    } rows[] = {
        {"ShowUI", [&] { host->OnShowUI = TShowUIEvent::Of<&A::ShowUI>(&answers); },
         [&] { return Hex(handler->ShowUI(DOCHOSTUITYPE_BROWSE, nullptr, nullptr, nullptr, nullptr)); },
         "00000001", "00000000"},
        {"HideUI", [&] { host->OnHideUI = TEWBNotifyEvent::Of<&A::Shown>(&answers); },
         [&] { return Hex(handler->HideUI()); }, "00000001", "00000000"},
        {"UpdateUI", [&] { host->OnUpdateUI = TEWBNotifyEvent::Of<&A::Shown>(&answers); },
         [&] { return Hex(handler->UpdateUI()); }, "00000001", "00000000"},
        {"TranslateAccelerator",
         [&] { host->OnTranslateAccelerator = TTranslateAcceleratorEvent::Of<&A::Accelerator>(&answers); },
         [&] { return Hex(Key(WM_KEYDOWN, 'Q')) + " " + Hex(Key(WM_KEYDOWN, 'R')); }, "00000001 00000001",
         "00000000 00000001"},
        {"FilterDataObject", [&] { host->OnFilterDataObject = TFilterDataObjectEvent::Of<&A::Filter>(&answers); },
         [&] {
             IDataObject* out = nullptr;
             HRESULT hr = handler->FilterDataObject(answers.data.Get(), &out);
             std::string given = out == answers.data.Get() ? "the event's" : out ? "another" : "none";
             if (out) out->Release();
             return Hex(hr) + " " + given;
         },
         "00000001 none", "00000000 the event's"},
        {"GetTypeInfoCount",
         [&] { host->OnGetTypeInfoCount = TGetTypeInfoCountEvent::Of<&A::TypeInfoCount>(&answers); },
         [&] {
             UINT count = 99;
             HRESULT hr = ambient->GetTypeInfoCount(&count);
             return Hex(hr) + " " + std::to_string(count);
         },
         "00000000 0", "00000000 1"},
        {"GetTypeInfo", [&] { host->OnGetTypeInfo = TGetTypeInfoEvent::Of<&A::TypeInfo>(&answers); },
         [&] {
             ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
             HRESULT hr = ambient->GetTypeInfo(0, 0, &info);
             return Hex(hr) + (info ? " an object" : " none");
         },
         "80004001 none", "8002802b none"},
        {"GetIDsOfNames", [&] { host->OnGetIDsOfNames = TGetIDsOfNamesEvent::Of<&A::IDsOfNames>(&answers); },
         [&] {
             wchar_t name[] = L"anything";
             LPOLESTR names[] = {name};
             DISPID id = -1;
             HRESULT hr = ambient->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
             return Hex(hr) + " " + std::to_string(id);
         },
         "80004001 -1", "00000000 42"},
        {"the download manager", [&] { host->OnFileDownload = TDownloadEvent::Of<&A::Download>(&answers); },
         [&] {
             ComPtr<IDownloadManager> manager;
             HRESULT hr = services->QueryService(__uuidof(IDownloadManager), IID_PPV_ARGS(&manager));
             if (!manager) return Hex(hr);
             return Hex(hr) + " " + Hex(manager->Download(nullptr, nullptr, 0, 0, nullptr, nullptr, nullptr, 0));
         },
         "80004002", "00000000 00000000"},
        {"Authenticate", [&] { host->OnAuthenticate = TAuthenticateEvent::Of<&A::Authenticate>(&answers); },
         [&] {
             ComPtr<IAuthenticate> auth;
             HRESULT hr = services->QueryService(__uuidof(IAuthenticate), IID_PPV_ARGS(&auth));
             if (!auth) return Hex(hr);
             HWND window = nullptr;
             LPWSTR user = nullptr, password = nullptr;
             hr = auth->Authenticate(&window, &user, &password);
             std::string seen = Hex(hr) + (window == form->Handle() ? " the event's window " : " another window ") +
                                (user ? WideToAnsi(user) : "no user") + (password ? " a password" : " no password");
             CoTaskMemFree(user);
             CoTaskMemFree(password);
             return seen;
         },
         "80004002", "00000001 the event's window player no password"},
        {"GetHostInfo", [&] { host->OnGetHostInfo = TGetHostInfoEvent::Of<&A::HostInfo>(&answers); },
         [&] {
             DOCHOSTUIINFO info = {};
             HRESULT hr = handler->GetHostInfo(&info);
             return Hex(hr) + " " + Hex(static_cast<HRESULT>(info.dwFlags)) + " " + std::to_string(info.dwDoubleClick);
         },
         "00000000 00044000 0", "00000000 00044004 1"},
        {"ShowHelp", [&] { host->OnShowHelpRequest = TShowHelpEvent::Of<&A::Help>(&answers); },
         [&] { return Hex(showUI->ShowHelp(nullptr, nullptr, 0x12, 0, POINT{1, 1}, nullptr)); }, "00000001",
         "00000000"},
        {"the zoom notification", [&] { host->OnZoomPercentChange = TZoomPercentChangedEvent::Of<&A::Zoom>(&answers); },
         [&] { return Hex(zoom->OnZoomPercentChanged(150)) + " " + Hex(zoom->OnZoomPercentChanged(90)); },
         "00000001 00000001", "00000000 80004005"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(row.Call(), row.Before);
        row.SetEvent();
        EXPECT_EQ(row.Call(), row.After);
    }
}

namespace {

// An event handler that raises, with the method's data as its message.
template <typename Event>
struct TRaising;
template <typename R, typename... Args>
struct TRaising<TMethod<R(Args...)>> {
    static R Raise(void* message, Args...) { throw Exception(static_cast<const char*>(message)); }
};
template <typename Event>
Event Raising(const char* message) {
    return Event(const_cast<char*>(message), &TRaising<Event>::Raise);
}

}  // namespace

TEST_F(UIHandlerTest, AHandlerThatRaisesGetsTheContractsAnswerAndItsErrorBoxOnlyAfterTheCall) {
    ComPtr<IDispatch> ambient = SiteAs<IDispatch>();
    ComPtr<IServiceProvider> services = SiteAs<IServiceProvider>();
    ComPtr<IDropTarget> drop = SiteAs<IDropTarget>();
    form->SetCaption(L"Game");
    struct TRow {
        const char* Raised;
        std::function<std::string(const char* raised)> Call;  // sets the raising handler, calls as the engine does
        const char* Answer;
        size_t Boxes;
    } rows[] = {
        {"GetHostInfo failed", [&](const char* m) {
             host->OnGetHostInfo = Raising<TGetHostInfoEvent>(m);
             DOCHOSTUIINFO info = {};
             const HRESULT hr = handler->GetHostInfo(&info);
             return Hex(hr) + " " + Hex(static_cast<HRESULT>(info.dwFlags));
         }, "00000000 00044000", 1},
        {"ShowUI failed", [&](const char* m) {
             host->OnShowUI = Raising<TShowUIEvent>(m);
             return Hex(handler->ShowUI(DOCHOSTUITYPE_BROWSE, nullptr, nullptr, nullptr, nullptr));
         }, "00000001", 1},
        {"TranslateAccelerator failed", [&](const char* m) {
             host->OnTranslateAccelerator = Raising<TTranslateAcceleratorEvent>(m);
             return Hex(Key(WM_KEYDOWN, 'Q'));
         }, "00000001", 1},
        {"GetExternal failed", [&](const char* m) {
             host->OnGetExternal = Raising<TGetExternalEvent>(m);
             IDispatch* external = reinterpret_cast<IDispatch*>(1);
             const HRESULT hr = handler->GetExternal(&external);
             return Hex(hr) + (external ? " an object" : " none");
         }, "00000001 none", 1},
        {"QueryService failed", [&](const char* m) {
             host->OnQueryService = Raising<TQueryServiceEvent>(m);
             IUnknown* object = reinterpret_cast<IUnknown*>(1);
             const HRESULT hr = services->QueryService(IID_IStream, IID_IUnknown, reinterpret_cast<void**>(&object));
             return Hex(hr) + (object ? " an object" : " none");
         }, "80004002 none", 1},
        {"Exec failed", [&](const char* m) {
             host->OnCommandExec = Raising<TComTargetExecEvent>(m);
             return Hex(SiteAs<IOleCommandTarget>()->Exec(nullptr, OLECMDID_PRINT, 0, nullptr, nullptr));
         }, "80040100", 1},
        {"DragEnter failed", [&](const char* m) {
             host->OnDragEnter = Raising<TOnDragEnterEvent>(m);
             DWORD effect = DROPEFFECT_COPY;
             const HRESULT hr = drop->DragEnter(nullptr, 0, POINTL{1, 1}, &effect);
             return Hex(hr) + " " + std::to_string(effect);
         }, "00000000 0", 1},
        {"the ambient failed", [&](const char* m) {  // told to the caller in its exception record
             host->OnInvoke = Raising<TInvokeEvent>(m);
             DISPPARAMS none = {nullptr, nullptr, 0, 0};
             TVariant result;
             EXCEPINFO excep = {};
             HRESULT hr = ambient->Invoke(-12345, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, result.Receive(), &excep,
                                          nullptr);
             std::string told = excep.bstrDescription ? WideToAnsi(excep.bstrDescription) : "nothing";
             ClearExceptionInfo(excep);
             return Hex(hr) + " " + told;
         }, "80020009 the ambient failed", 0},
        {"the window procedure failed", [&](const char* m) {
             const LRESULT before = SendMessageW(form->Handle(), WM_GETTEXTLENGTH, 0, 0);
             TWndMethod own = form->WindowProc;
             form->WindowProc = Raising<TWndMethod>(m);
             const LRESULT raised = SendMessageW(form->Handle(), WM_GETTEXTLENGTH, 0, 0);
             form->WindowProc = own;
             return std::to_string(before) + " " + std::to_string(raised);
         }, "4 0", 1},
    };
    testsupport::TDialogWatcher watcher;
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Raised);
        const size_t before = watcher.Seen().size();
        EXPECT_EQ(row.Call(row.Raised), row.Answer);
        EXPECT_EQ(watcher.Seen().size(), before);  // no box while the caller is inside its call
        Application->ProcessMessages();
        auto seen = watcher.Seen();
        ASSERT_EQ(seen.size(), before + row.Boxes);
        if (row.Boxes) {
            EXPECT_EQ(seen.back().Text, ErrorBoxText(row.Raised));
        }
    }
}
