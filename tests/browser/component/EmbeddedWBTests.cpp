// The published browser component, driven as the engine and the platform
// drive it: through the site's interfaces and real window messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <new>

#include "browser/component/EmbeddedWB.h"
#include "browser/support/EwbControlComponent.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "support/RegistryTree.h"
#include "support/StandInBrowser.h"
#include "support/StandInDocument.h"
#include "support/WineTestSupport.h"

using namespace ui;
using namespace ewb;
using standin::TStandInBrowser;
using standin::TStandInProtocolSink;
using standin::TStandInRegistration;

// Allocations of exactly this size fail while it is set.
namespace {
size_t g_failAllocationsOf = 0;
}
void* operator new(std::size_t size) {
    if (g_failAllocationsOf && size == g_failAllocationsOf) throw std::bad_alloc();
    if (void* block = HeapAlloc(GetProcessHeap(), 0, size ? size : 1)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
    if (block) HeapFree(GetProcessHeap(), 0, block);
}
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

namespace {

const GUID kCgidExplorer = {0x000214D0, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The component, with a say in what its inherited window procedure
// answers to a reflected key.
class TTestBrowser : public TEmbeddedWB {
public:
    using TEmbeddedWB::TEmbeddedWB;
    LRESULT inheritedKeyAnswer = 0;
    std::vector<WPARAM> inheritedKeys;  // the CN_KEYDOWN keys that got past the component
    bool failControlTeardown = false;   // the step of a derived class as the control goes raises

protected:
    void ControlDestroying() override {
        TEmbeddedWB::ControlDestroying();
        if (failControlTeardown) throw Exception("The control's teardown failed");
    }
    void WndProc(TMessage& message) override {
        TEmbeddedWB::WndProc(message);
        if (message.Msg == CN_KEYDOWN) {
            inheritedKeys.push_back(message.WParam);
            message.Result = inheritedKeyAnswer;
        }
    }
};

// A form read from a definition, as the launcher's is; the browser's
// stored EnableMessageHandler is False.
class TDefinedForm : public TForm {
public:
    explicit TDefinedForm(TComponent* owner) : TForm(owner) { LoadDefinition(); }
    TMemo* Memo = nullptr;
    TTestBrowser* Browser = nullptr;
    int controlsMadeDuringDefinition = -1;

protected:
    void ReadDefinition() override {
        SetClientWidth(400);
        SetClientHeight(300);
        Memo = new TMemo(this);
        Memo->SetParent(this);
        Memo->SetAlign(alClient);
        Browser = new TTestBrowser(this);
        Browser->SetParent(this);
        Browser->SetAlign(alClient);
        Browser->SetSilent(false);
        Browser->EnableMessageHandler = false;
        TStringList header;
        header.Add("<HTML></HTML>");
        Browser->PrintOptions().SetHTMLHeader(header);
        Browser->PrintOptions().Orientation = poPortrait;
        Browser->SetControlData(std::vector<uint8_t>(156, 7));
        controlsMadeDuringDefinition = Browser->ControlCreated() ? 1 : 0;
    }
};

class EmbeddedWBTest : public ::testing::Test {
protected:
    void SetUp() override {
        BYTE keys[256] = {};
        SetKeyboardState(keys);
        form.reset(new TDefinedForm(nullptr));
        browser = form->Browser;
    }
    void TearDown() override {
        form.reset();
        BrowserClass = nullptr;
        VariantClear(&documentState.lastZoomIn);
        BYTE keys[256] = {};
        SetKeyboardState(keys);
    }
    TStandInBrowser& Control() { return *registration.Last(); }
    template <typename I>
    ComPtr<I> SiteAs() {
        ComPtr<I> view;
        EXPECT_EQ(Control().site->QueryInterface(__uuidof(I), reinterpret_cast<void**>(view.GetAddressOf())), S_OK);
        return view;
    }
    LRESULT Send(UINT msg, WPARAM wParam, LPARAM lParam) {
        return SendMessageW(browser->Handle(), msg, wParam, lParam);
    }
    void Hold(int key) {
        BYTE keys[256] = {};
        keys[key] = 0x80;
        SetKeyboardState(keys);
    }

public:
    // Events as recorders.
    void CloseQuery(TObject*, bool& canClose) { canClose = allowClose; }
    void KeyDown(TObject*, uint16_t& key, uint16_t scanCode, TShiftState shift) {
        seenScanCode = scanCode;
        seenShift = shift;
        key = keyAnswer;
    }
    void Message(TObject*, TMessage& msg, bool& handled) {
        if (msg.Msg == CN_KEYDOWN) handledSeen.push_back(handled);
    }
    void Click(TObject*, TMouseButton button, TShiftState shift, int x, int y) {
        clicks.push_back({button, shift, x, y});
    }
    void VisibleChanged(TObject*, WordBool visible) { visibility.push_back(visible); }
    void Moved(TObject*, int32_t x, int32_t y) { moves.push_back({x, y}); }
    void Resized(TObject*, int32_t cx, int32_t cy) { sizes.push_back({cx, cy}); }
    void FilledCss(TObject*, TDOCHOSTUIINFO& info) { info.pchHostCss = WideToTaskMem(L"core"); }

    struct TClick {
        TMouseButton Button;
        TShiftState Shift;
        int X, Y;
    };
    bool allowClose = true;
    uint16_t keyAnswer = 0;
    uint16_t seenScanCode = 0;
    TShiftState seenShift;
    std::vector<bool> handledSeen;
    std::vector<TClick> clicks;
    std::vector<WordBool> visibility;
    std::vector<POINT> moves, sizes;
    StandInDocumentState documentState = {};

    TStandInRegistration registration;
    std::unique_ptr<TDefinedForm> form;
    TTestBrowser* browser = nullptr;
};

}  // namespace

TEST_F(EmbeddedWBTest, TheDefinitionIsReadBeforeTheControlIsMadeOnceWithItsState) {
    EXPECT_EQ(form->controlsMadeDuringDefinition, 0);
    ASSERT_EQ(registration.Instances().size(), 1u);
    EXPECT_EQ(Control().loadedBytes, std::vector<uint8_t>(156, 7));
    EXPECT_EQ(Control().initNewCalls, 0);
    // Silent was written while there was no control: the control got it.
    EXPECT_FALSE(browser->Silent());
    ASSERT_EQ(browser->PrintOptions().HTMLHeader().Count(), 1);
    EXPECT_EQ(browser->PrintOptions().HTMLHeader()[0], "<HTML></HTML>");
    EXPECT_EQ(browser->PrintOptions().Orientation, poPortrait);
    // AfterLoad's start-up.
    EXPECT_TRUE(browser->EnableMessageHandler);
    EXPECT_TRUE(browser->WindowProcInstalled);
    EXPECT_TRUE(browser->SecurityManager);
    EXPECT_TRUE(browser->ZoneManager);
}

TEST_F(EmbeddedWBTest, AControlThatRefusesItsStoredStateStartsNew) {
    form.reset();
    registration.RefuseLoadOfNewInstances(E_FAIL);
    testsupport::TDialogWatcher watcher;
    form.reset(new TDefinedForm(nullptr));
    EXPECT_TRUE(form->Browser->ControlCreated());
    EXPECT_EQ(Control().loadCalls, 1);
    EXPECT_EQ(Control().initNewCalls, 1);
    EXPECT_TRUE(watcher.Seen().empty());
}

TEST_F(EmbeddedWBTest, AboutKeepsItsTextWhateverIsAssigned) {
    const std::string credit = browser->About();
    ASSERT_FALSE(credit.empty());
    browser->SetAbout("something else");
    EXPECT_EQ(browser->About(), credit);
}

// The component's own extensions of the site answer nothing either once
// the component has gone.
TEST_F(EmbeddedWBTest, TheProtocolStubAndTheExtendedHandlerAnswerNothingOnceTheComponentHasGone) {
    browser->HostCSS = "body { color: red }";
    ComPtr<IInternetProtocol> protocol = SiteAs<IInternetProtocol>();
    ComPtr<IDocHostUIHandler> handler = SiteAs<IDocHostUIHandler>();
    form.reset();
    DOCHOSTUIINFO info = {};
    EXPECT_EQ(handler->GetHostInfo(&info), E_FAIL);
    EXPECT_EQ(info.pchHostCss, nullptr);
    EXPECT_EQ(protocol->Start(L"about:blank", nullptr, nullptr, 0, 0), INET_E_USE_DEFAULT_PROTOCOLHANDLER);
    EXPECT_EQ(protocol->Read(nullptr, 0, nullptr), S_OK);
    ComPtr<IInternetProtocol> again;  // still found, still a stub
    ASSERT_EQ(protocol.As(&again), S_OK);
    EXPECT_EQ(again->Continue(nullptr), S_OK);
}

TEST_F(EmbeddedWBTest, TheProtocolStubAnswersAsAStubAndTellsTheNegotiator) {
    ComPtr<IInternetProtocol> protocol = SiteAs<IInternetProtocol>();
    ComPtr<IInternetProtocolRoot> root = SiteAs<IInternetProtocolRoot>();
    EXPECT_EQ(static_cast<IInternetProtocolRoot*>(protocol.Get()), root.Get());
    ULONG read = 1234;
    LARGE_INTEGER move = {};
    struct TRow {
        const char* Method;
        HRESULT Got, Want;
    } rows[] = {
        {"Continue", protocol->Continue(nullptr), S_OK},
        {"Abort", protocol->Abort(E_FAIL, 0), E_NOTIMPL},
        {"Terminate", protocol->Terminate(0), S_OK},
        {"Suspend", protocol->Suspend(), E_NOTIMPL},
        {"Resume", protocol->Resume(), E_NOTIMPL},
        {"Read", protocol->Read(nullptr, 10, &read), S_OK},
        {"Seek", protocol->Seek(move, 0, nullptr), E_NOTIMPL},
        {"LockRequest", protocol->LockRequest(0), S_OK},
        {"UnlockRequest", protocol->UnlockRequest(), S_OK},
    };
    for (const TRow& row : rows) EXPECT_EQ(row.Got, row.Want) << row.Method;
    EXPECT_EQ(read, 1234u);

    // Start: the sink and bind info are kept, the negotiator told; without
    // services or without a negotiator the rest is skipped.
    struct TSinkCase {
        bool Services, Negotiate;
        size_t Transactions;
    } cases[] = {{true, true, 1}, {false, true, 0}, {true, false, 0}};
    for (const TSinkCase& c : cases) {
        TStandInProtocolSink sink;
        sink.offerServices = c.Services;
        sink.offerNegotiate = c.Negotiate;
        EXPECT_EQ(protocol->Start(L"http://x/", &sink, nullptr, 0, 0), INET_E_USE_DEFAULT_PROTOCOLHANDLER);
        EXPECT_EQ(browser->ProtocolSink.Get(), static_cast<IInternetProtocolSink*>(&sink));
        ASSERT_EQ(sink.transactions.size(), c.Transactions);
        if (c.Transactions) {
            EXPECT_EQ(sink.transactions[0], L"http://x/");
            EXPECT_FALSE(sink.headersGiven);
        }
        browser->ProtocolSink.Reset();
        EXPECT_EQ(sink.refs, 1);  // every reference taken was given back
    }
}

TEST_F(EmbeddedWBTest, GetHostInfoAddsHostCssAndNsWhereTheCoreLeftThemEmpty) {
    struct TCase {
        const char* Css;
        const char* Ns;
        bool CoreFillsCss;
        const wchar_t* WantCss;
        const wchar_t* WantNs;
    } cases[] = {
        {"", "", false, nullptr, nullptr},
        {"body{}", "", false, L"body{}", nullptr},
        {"", "ns", false, nullptr, L"ns"},
        {"body{}", "ns", true, L"core", L"ns"},
    };
    ComPtr<IDocHostUIHandler> handler = SiteAs<IDocHostUIHandler>();
    for (const TCase& c : cases) {
        browser->HostCSS = c.Css;
        browser->HostNS = c.Ns;
        browser->OnGetHostInfo =
            c.CoreFillsCss ? TGetHostInfoEvent::Of<&EmbeddedWBTest::FilledCss>(this) : TGetHostInfoEvent();
        DOCHOSTUIINFO info = {};
        EXPECT_EQ(handler->GetHostInfo(&info), S_OK);
        EXPECT_EQ(info.dwFlags, 0x00044000u);
        for (auto [got, want] : {std::pair<wchar_t*, const wchar_t*>{info.pchHostCss, c.WantCss},
                                 std::pair<wchar_t*, const wchar_t*>{info.pchHostNS, c.WantNs}}) {
            if (!want)
                EXPECT_EQ(got, nullptr);
            else
                EXPECT_EQ(std::wstring(got ? got : L"(null)"), want);
            CoTaskMemFree(got);
        }
    }
    // The second UI handler interface stays the core's.
    browser->OnGetHostInfo = nullptr;
    DOCHOSTUIINFO info = {};
    EXPECT_EQ(SiteAs<IDocHostUIHandler2>()->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.pchHostCss, nullptr);
}

TEST_F(EmbeddedWBTest, TheContextMenuFilterDeletesExactlyTheChosenItems) {
    EXPECT_FALSE(browser->HasPopupMenuFilter());
    browser->DisabledPopupMenuItems = {rcsViewSource, rcsProperties};
    EXPECT_TRUE(browser->HasPopupMenuFilter());
    HMENU menu = CreatePopupMenu();
    const UINT ids[] = {2282, 2139, 31, 28, 27, 2136};
    for (UINT id : ids) AppendMenuW(menu, MF_STRING, id, L"item");
    browser->FilterPopupMenu(browser, 0, menu, nullptr);
    std::vector<UINT> left;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) left.push_back(GetMenuItemID(menu, i));
    DestroyMenu(menu);
    EXPECT_EQ(left, (std::vector<UINT>{2282, 31, 27, 2136}));
}

TEST_F(EmbeddedWBTest, TheDestructorPutsTheTextSizeBackOnlyWhenItWasChanged) {
    for (int textSize : {2, 4}) {
        form.reset(new TDefinedForm(nullptr));
        documentState.zoomCalls = 0;
        documentState.zoomRange = 0 | 4 << 16;
        registration.Last()->LoadDocument(StandInDocument_Create(&documentState));
        form->Browser->VisualEffects().TextSize = textSize;
        form.reset();
        EXPECT_EQ(documentState.zoomCalls, textSize == 2 ? 0 : 1) << textSize;
        if (textSize != 2) {
            EXPECT_EQ(documentState.lastZoomIn.vt, VT_I4);
            EXPECT_EQ(documentState.lastZoomIn.lVal, 2);
        }
    }
}

TEST_F(EmbeddedWBTest, TeardownGoesOnWhateverFailsAndTheErrorReachesTheBoxAfterwards) {
    testsupport::TRegistryGuard userAgents(
        HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent");
    struct TRow {
        const char* Name;
        std::function<std::string()> Act;  // answers what its caller was told
        const char* Told;
        std::vector<std::string> Boxes;
    } rows[] = {
        {"a creation fails half-way and so does that step", [&] {
             registration.RefuseInitOfNewInstances(static_cast<HRESULT>(0x8004DEAD));
             auto* made = new TTestBrowser(form.get());
             made->failControlTeardown = true;
             std::string told;
             try {
                 made->BrowserInterface();
             } catch (const Exception& e) {
                 told = e.Message();
             }
             made->failControlTeardown = false;
             registration.RefuseInitOfNewInstances(S_OK);
             return told;
         }, "OLE error 8004dead", {"The control's teardown failed."}},
        {"the registry user agent cannot be taken out for want of memory", [&] {
             browser->SetUserAgentMode(uaRegistry);
             browser->SetUserAgent(std::string(5003, 'a'));
             g_failAllocationsOf = (browser->RegistryUserAgent.size() + 1) * sizeof(wchar_t);
             form.reset();
             g_failAllocationsOf = 0;
             return std::string();
         }, "", {"std::bad_alloc."}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        form.reset(new TDefinedForm(nullptr));
        browser = form->Browser;
        testsupport::TDialogWatcher watcher;
        EXPECT_EQ(row.Act(), row.Told);
        Application->ProcessMessages();
        std::vector<std::string> boxes;
        for (const auto& box : watcher.Seen()) boxes.push_back(box.Text);
        EXPECT_EQ(boxes, row.Boxes);
    }
}

TEST_F(EmbeddedWBTest, FocusRequestsThatCannotBeMetChangeNothing) {
    form->Show();
    form->SetActiveControl(form->Memo);
    browser->SetVisible(false);
    EXPECT_NO_THROW(browser->TakeFocus());
    browser->SetVisible(true);
    browser->SetEnabled(false);
    EXPECT_NO_THROW(browser->TakeFocus());
    browser->SetEnabled(true);
    // The focus message while the form's active control is of another kind.
    Send(WM_BROWSERFOCUS, reinterpret_cast<WPARAM>(browser), 0);
    EXPECT_EQ(form->ActiveControl(), form->Memo);
    form->SetActiveControl(nullptr);
    Send(WM_BROWSERFOCUS, reinterpret_cast<WPARAM>(browser), 0);
    EXPECT_EQ(form->ActiveControl(), nullptr);
}

TEST_F(EmbeddedWBTest, VisibilityNewsSetsVisibleAndTellsOnVisible) {
    browser->OnVisible = TEWBOnVisible::Of<&EmbeddedWBTest::VisibleChanged>(this);
    browser->SetVisible(false);
    EXPECT_FALSE(IsWindowVisible(browser->Handle()));
    browser->SetVisible(true);
    EXPECT_TRUE(browser->Visible());
    Send(CM_VISIBLECHANGED, 0, 0);
    EXPECT_FALSE(browser->Visible());
    EXPECT_EQ(visibility, (std::vector<WordBool>{VARIANT_FALSE, VARIANT_TRUE, VARIANT_FALSE}));
}

TEST_F(EmbeddedWBTest, ACloseTheHandlerRefusesNeverReachesTheControl) {
    HWND window = browser->Handle();
    browser->OnCloseQuery = TCloseQueryEvent::Of<&EmbeddedWBTest::CloseQuery>(this);
    allowClose = false;
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window));  // the control's window would have closed itself
    allowClose = true;
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(EmbeddedWBTest, ReflectedKeysGoToOnKeyDownWhichMayChangeOrSwallowThem) {
    browser->OnKeyDown = TKeyEventEx::Of<&EmbeddedWBTest::KeyDown>(this);
    Hold(VK_CONTROL);
    keyAnswer = 'B';
    Send(CN_KEYDOWN, 'A', 0x001E0001 | 0x20000000);
    EXPECT_EQ(seenScanCode, 0x1E);
    EXPECT_EQ(seenShift, (TShiftState{ssCtrl, ssAlt}));
    EXPECT_EQ(browser->inheritedKeys, std::vector<WPARAM>{'B'});
    keyAnswer = 0;
    browser->inheritedKeyAnswer = 7;
    EXPECT_EQ(Send(CN_KEYDOWN, 'A', 0), 1);
    EXPECT_EQ(browser->inheritedKeys.size(), 1u);  // kept from the control
}

TEST_F(EmbeddedWBTest, EnterIsLeftToTheControlWhenTheMessageHandlerIsOn) {
    browser->inheritedKeyAnswer = 1;
    struct TCase {
        bool Handler;
        bool WithOnMessage;
        LRESULT Want;
    } cases[] = {{true, false, 0}, {false, false, 1}, {true, true, 0}, {false, true, 1}};
    for (const TCase& c : cases) {
        browser->EnableMessageHandler = c.Handler;
        handledSeen.clear();
        browser->OnMessage = c.WithOnMessage ? TMsgEvent::Of<&EmbeddedWBTest::Message>(this) : TMsgEvent();
        EXPECT_EQ(Send(CN_KEYDOWN, VK_RETURN, 0), c.Want) << c.Handler << c.WithOnMessage;
        if (c.WithOnMessage) {
            EXPECT_EQ(handledSeen, std::vector<bool>{c.Want != 0});
        }
    }
}

TEST_F(EmbeddedWBTest, AClickNotificationReadsButtonAndShiftFromWParam) {
    browser->OnClick = TMouseEvent::Of<&EmbeddedWBTest::Click>(this);
    Send(WM_PARENTNOTIFY, WM_LBUTTONDOWN, MAKELPARAM(-5, 7));
    Send(WM_PARENTNOTIFY, WM_RBUTTONDOWN, MAKELPARAM(3, -2));
    Send(WM_PARENTNOTIFY, WM_CREATE, 0);
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[0].Button, mbLeft);
    EXPECT_EQ(clicks[0].Shift, TShiftState{ssLeft});
    EXPECT_EQ(clicks[0].X, -5);
    EXPECT_EQ(clicks[0].Y, 7);
    EXPECT_EQ(clicks[1].Button, mbRight);
    EXPECT_EQ(clicks[1].Shift, TShiftState{ssShift});  // bit MK_SHIFT of 0x204
    EXPECT_EQ(clicks[1].X, 3);
    EXPECT_EQ(clicks[1].Y, -2);
}

TEST_F(EmbeddedWBTest, DialogCodeIsAlwaysWantChars) {
    browser->OnMessage = TMsgEvent::Of<&EmbeddedWBTest::Message>(this);
    EXPECT_EQ(Send(WM_GETDLGCODE, 0, 0), 0x80);
    browser->OnMessage = nullptr;
    EXPECT_EQ(Send(WM_GETDLGCODE, VK_TAB, 0), 0x80);
}

TEST_F(EmbeddedWBTest, MovesAndResizesAreBlockedOnlyBeforeXPSP2) {
    form->Show();
    browser->SetAlign(alNone);
    browser->OnMove = TOMWindowMoveEvent::Of<&EmbeddedWBTest::Moved>(this);
    browser->OnResize = TOMWindowMoveEvent::Of<&EmbeddedWBTest::Resized>(this);
    HWND window = browser->Handle();
    auto placeOf = [&] {
        RECT r;
        GetWindowRect(window, &r);
        MapWindowPoints(HWND_DESKTOP, form->Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    SetWindowPos(window, nullptr, 0, 0, 200, 100, SWP_NOZORDER | SWP_NOACTIVATE);
    // The platform of the test prefix is newer.
    ASSERT_TRUE(browser->PlatformIsXPSP2);
    SetWindowPos(window, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(placeOf().left, 10);
    EXPECT_TRUE(moves.empty());

    browser->PlatformIsXPSP2 = false;
    browser->BlockMoveResize = true;
    SetWindowPos(window, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(window, nullptr, 0, 0, 50, 60, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT r = placeOf();
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.right - r.left, 200);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].x, 30);
    EXPECT_EQ(moves[0].y, 40);
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(sizes[0].x, 50);
    EXPECT_EQ(sizes[0].y, 60);
    // Both at once passes.
    SetWindowPos(window, nullptr, 5, 6, 70, 80, SWP_NOZORDER | SWP_NOACTIVATE);
    r = placeOf();
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.right - r.left, 70);
}

TEST_F(EmbeddedWBTest, ArrowKeysWalkAFolderViewAndStopAtItsEdge) {
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&init);
    browser->Handle();
    HWND view = CreateWindowExW(0, L"SysListView32", L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 200, 200,
                                Control().docObjectView, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(view, nullptr);
    SetWindowPos(view, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);  // the first child
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    SendMessageW(view, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    for (int i = 0; i < 3; ++i) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<wchar_t*>(L"item");
        SendMessageW(view, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    auto setState = [&](int item, UINT state) {
        LVITEMW lv = {};
        lv.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        lv.state = state;
        SendMessageW(view, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv));
    };
    auto stateOf = [&](int item) {
        return static_cast<UINT>(SendMessageW(view, LVM_GETITEMSTATE, static_cast<WPARAM>(item),
                                              LVIS_SELECTED | LVIS_FOCUSED));
    };
    // At the edge (the first item, Up: Wine's list view finds no item below
    // the last one only by running past the end) the key is spent and
    // nothing moves.
    setState(0, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(Send(CN_KEYDOWN, VK_UP, 0), 1);
    EXPECT_EQ(stateOf(0), static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED));
    EXPECT_TRUE(browser->inheritedKeys.empty());
    // From the first with Shift: the second joins the selection.
    Hold(VK_SHIFT);
    EXPECT_EQ(Send(CN_KEYDOWN, VK_DOWN, 0), 1);
    EXPECT_EQ(stateOf(0), static_cast<UINT>(LVIS_SELECTED));
    EXPECT_EQ(stateOf(1), static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED));
    // Without Shift the old one leaves it.
    Hold(0);
    EXPECT_EQ(Send(CN_KEYDOWN, VK_DOWN, 0), 1);
    EXPECT_EQ(stateOf(1), 0u);
    EXPECT_EQ(stateOf(2), static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED));
    // Other keys go on to the control.
    Send(CN_KEYDOWN, 'A', 0);
    EXPECT_EQ(browser->inheritedKeys, std::vector<WPARAM>{'A'});
    DestroyWindow(view);
}

TEST_F(EmbeddedWBTest, ChildWindowsAreSubclassedOnPreRefreshAndRestoredWhenOneGoes) {
    Control().LoadDocument();
    form->Show();
    HWND child = Control().docObjectView, grandchild = Control().ieServer;
    const LONG_PTR childProc = GetWindowLongPtrW(child, GWLP_WNDPROC);
    const LONG_PTR grandchildProc = GetWindowLongPtrW(grandchild, GWLP_WNDPROC);
    EXPECT_EQ(SiteAs<IOleCommandTarget>()->Exec(&kCgidExplorer, OLECMDID_PREREFRESH, 0, nullptr, nullptr),
              OLECMDERR_E_NOTSUPPORTED);
    EXPECT_EQ(browser->Child.Window, child);
    EXPECT_EQ(browser->Grandchild.Window, grandchild);
    EXPECT_NE(GetWindowLongPtrW(child, GWLP_WNDPROC), childProc);
    EXPECT_NE(GetWindowLongPtrW(grandchild, GWLP_WNDPROC), grandchildProc);
    // Text passes the subclass unchanged, characters outside the ANSI code
    // page included.
    SetWindowTextW(child, L"\x0416\x4E2D");
    EXPECT_EQ(WindowText(child), L"\x0416\x4E2D");
    // The focus inside the browser makes it the form's active control.
    form->SetActiveControl(form->Memo);
    SendMessageW(grandchild, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(form->ActiveControl(), browser);
    // One goes: all are given back.
    DestroyWindow(grandchild);
    EXPECT_EQ(browser->Child.Window, nullptr);
    EXPECT_EQ(GetWindowLongPtrW(child, GWLP_WNDPROC), childProc);
    EXPECT_EQ(browser->Child.Procedure.Window(), nullptr);
}

TEST_F(EmbeddedWBTest, ADropTargetIsRevokedBeforeItsWindowIsDestroyed) {
    struct TRow {
        const char* Name;
        std::function<void()> Destroy;
    } rows[] = {
        {"the engine shows a new document", [this] { Control().ReplaceDocumentWindow(); }},
        {"the component goes", [this] { form.reset(); }},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        form.reset(new TDefinedForm(nullptr));
        browser = form->Browser;
        form->Show();
        Control().LoadDocument();
        browser->SetDropHandlingType(ddtMy);
        ASSERT_TRUE(GetPropW(Control().ieServer, L"OleDropTargetInterface"));
        row.Destroy();
        EXPECT_EQ(Control().dropTargetsLeftOnDestroyedWindows, 0);
    }
}

TEST_F(EmbeddedWBTest, TheFocusEndsOnThePageOnceWhereverItComesFromAndTypingThenReachesThePage) {
    Control().LoadDocument();
    form->Show();
    SetForegroundWindow(form->Handle());
    testsupport::PumpFor(50);
    // The engine's pre-refresh, as during a navigation, subclasses the child
    // windows: their focus now reaches the component.
    SiteAs<IOleCommandTarget>()->Exec(&kCgidExplorer, OLECMDID_PREREFRESH, 0, nullptr, nullptr);
    const HWND page = Control().ieServer;
    ASSERT_EQ(browser->Grandchild.Window, page);
    TEwbControl support(nullptr);
    support.FocusControl()->SetActive(true);
    BrowserClass = &typeid(TTestBrowser);  // the module's start-up would say TEmbeddedWB
    struct TCase {
        const char* Name;
        bool FromTheMemo;  // else the browser is the active control, without the focus
        std::function<void()> Act;
    } cases[] = {
        {"UI activation", true, [&] { browser->ActivateBrowserUI(); }},
        {"a click into the page", true, [&] { SendMessageW(page, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)); }},
        {"the focus request", false,
         [&] { SendMessageW(browser->Handle(), WM_BROWSERFOCUS, reinterpret_cast<WPARAM>(browser), 0); }},
        {"the application activated again", false,
         [&] { SendMessageW(Application->Handle(), CM_ACTIVATE, 0, 0); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.FromTheMemo) {
            SetFocus(form->Memo->Handle());
            ASSERT_EQ(form->ActiveControl(), form->Memo);
        } else {
            form->FocusChanged(browser);
            SetFocus(form->Handle());
        }
        Control().documentFocusCount = 0;
        c.Act();
        testsupport::PumpFor(50);
        EXPECT_EQ(GetFocus(), page);
        EXPECT_EQ(form->ActiveControl(), browser);
        EXPECT_FALSE(Control().focusLoopCut);
        EXPECT_LE(Control().documentFocusCount, 2);
    }

    // Typing into the page: every key goes through the host's UI handler,
    // which swallows Ctrl+N alone; AltGr+N (Ctrl+Alt+N, a letter on many
    // keyboards) reaches the page.
    struct TKey {
        std::initializer_list<int> Held;
        WPARAM Key;
        LPARAM KeyData;
    } keys[] = {{{}, 'A', 0x001E0001}, {{VK_CONTROL, VK_MENU}, 'N', 0x20310001}, {{VK_CONTROL}, 'N', 0x00310001}};
    for (const TKey& k : keys) {
        BYTE state[256] = {};
        for (int vk : k.Held) state[vk] = 0x80;
        SetKeyboardState(state);
        PostMessageW(page, WM_KEYDOWN, k.Key, k.KeyData);
        Application->ProcessMessages();
    }
    EXPECT_EQ(Control().keysOffered, (std::vector<WPARAM>{'A', 'N', 'N'}));
    EXPECT_EQ(Control().keysToPage, (std::vector<WPARAM>{'A', 'N'}));
}
