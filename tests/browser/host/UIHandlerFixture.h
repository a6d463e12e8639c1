// The host's UI handler as the engine calls it through the site: the
// fixture shared by its tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "browser/host/EwbCore.h"
#include "browser/support/EwbLateBound.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "HostFixture.h"
#include "support/StandInBrowser.h"
#include "support/WineTestSupport.h"

using namespace ui;
using namespace ewb;
using standin::TStandInBrowser;
using standin::TStandInRegistration;

namespace {

class TRecordingPopup : public TPopupMenu {
public:
    using TPopupMenu::TPopupMenu;
    std::vector<POINT> shownAt;
    void Popup(int x, int y) override { shownAt.push_back({x, y}); }
};

// The command target the engine passes to ShowContextMenu: its window is
// the document window.
class TEngineTarget : public IOleCommandTarget, public IOleWindow {
public:
    explicit TEngineTarget(HWND window) : window_(window) {}
    virtual ~TEngineTarget() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IOleCommandTarget)
            *object = static_cast<IOleCommandTarget*>(this);
        else if (iid == IID_IOleWindow)
            *object = static_cast<IOleWindow*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    HRESULT STDMETHODCALLTYPE QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Exec(const GUID*, DWORD, DWORD, VARIANT*, VARIANT*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        *window = window_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return S_OK; }
    long refs = 1;

private:
    HWND window_;
};

inline std::vector<WPARAM> g_commands;
inline WNDPROC g_documentProc = nullptr;
inline LRESULT CALLBACK RecordCommands(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND) g_commands.push_back(wParam);
    return CallWindowProcW(g_documentProc, window, msg, wParam, lParam);
}

// What a user does with a tracked menu, from a timer of the tracking loop.
enum class TMenuAnswer { Dismiss, ChooseFirst };
inline TMenuAnswer g_answer = TMenuAnswer::Dismiss;
inline HWND g_menuOwner = nullptr;
inline void CALLBACK AnswerMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (g_answer == TMenuAnswer::Dismiss) {
        EndMenu();
    } else {
        PostMessageW(g_menuOwner, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(g_menuOwner, WM_KEYDOWN, VK_RETURN, 0);
    }
}

class UIHandlerTest : public HostOnStandInTest<> {
protected:
    void SetUp() override {
        MakeHost(400, 300);
        ASSERT_EQ(Control().site.As(&handler), S_OK);
        BYTE keys[256] = {};
        SetKeyboardState(keys);
    }
    void TearDown() override {
        BYTE keys[256] = {};
        SetKeyboardState(keys);
        handler.Reset();
        HostOnStandInTest::TearDown();
    }
    void HoldKeys(std::initializer_list<int> vks) {
        BYTE keys[256] = {};
        for (int vk : vks) keys[vk] = 0x80;
        SetKeyboardState(keys);
    }
    HRESULT Key(UINT message, WPARAM vk, LPARAM keyData = 1) {
        MSG msg = {};
        msg.hwnd = host->HandleAllocated() ? host->Handle() : nullptr;
        msg.message = message;
        msg.wParam = vk;
        msg.lParam = keyData;
        return handler->TranslateAccelerator(&msg, nullptr, 0);
    }
    HRESULT ContextMenu(DWORD id, IUnknown* target = nullptr) {
        POINT pt = {50, 60};
        return handler->ShowContextMenu(id, &pt, target, nullptr);
    }

    ComPtr<IDocHostUIHandler2> handler;

public:
    std::vector<std::string> log;
    HRESULT contextAnswer = E_NOTIMPL;
    bool deleteAll = false;
    void ContextEvent(TObject*, uint32_t id, POINT*, IUnknown*, IDispatch*, HRESULT& r) {
        log.push_back("context " + std::to_string(id));
        r = contextAnswer;
    }
    void Accelerator(TObject*, MSG*, const GUID*, uint32_t, bool&) { log.push_back("accelerator"); }
    void Masked(TObject*, char c) { log.push_back(std::string("masked ") + c); }
    void Filter(TObject*, uint32_t id, HMENU menu, IDispatch*) {
        log.push_back("filter " + std::to_string(id) + " items " + std::to_string(GetMenuItemCount(menu)));
        if (deleteAll)
            while (GetMenuItemCount(menu) > 0) DeleteMenu(menu, 0, MF_BYPOSITION);
    }
    void Translate(TObject*, const wchar_t* in, std::wstring& out) { out = std::wstring(in) == L"a" ? L"" : L"http://b/"; }
    HRESULT Message(TObject*, HWND, const wchar_t* text, const wchar_t*, DWORD, const wchar_t*, DWORD, LRESULT& r) {
        log.push_back("message " + WideToAnsi(text));
        r = IDOK;
        return S_OK;
    }
};

}  // namespace
