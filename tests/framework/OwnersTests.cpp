// The owners of strings, variants, handles, subclassed windows and undos:
// each releases what it holds exactly once, whichever way it is handed on.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "framework/Controls.h"
#include "framework/Owners.h"
#include "support/StandInDocument.h"

using namespace ui;

namespace {

// A COM object whose references are counted where the test can read them,
// with one reference of the test's own kept apart.
struct TCounted {
    StandInDocumentState state = {};
    IDispatch* object = reinterpret_cast<IDispatch*>(StandInDocument_Create(&state));
    ~TCounted() {
        if (state.references > 0) object->Release();
    }
    // A reference for an owner to take.
    IDispatch* Give() {
        object->AddRef();
        return object;
    }
    // The references owners hold.
    std::string Held() const { return std::to_string(state.references - 1); }
};

std::string Kind(const VARIANT& v) {
    switch (v.vt) {
    case VT_EMPTY: return "empty";
    case VT_DISPATCH: return "dispatch";
    case VT_UNKNOWN: return "unknown";
    case VT_BSTR: return "bstr " + std::to_string(SysStringLen(v.bstrVal));
    default: return "vt " + std::to_string(v.vt);
    }
}

}  // namespace

TEST(Owners, StringsAndVariantsReleaseWhatTheyHeldOnceOnEveryHandOver) {
    struct TRow {
        const char* Name;
        std::function<std::string(TCounted& a, TCounted& b)> Run;  // answers what it saw
        const char* Seen;
    } rows[] = {
        {"Receive frees what was held and owns what the callee writes",
         [](TCounted& a, TCounted& b) {
             TVariant v = TVariant::Dispatch(a.Give());
             VARIANT* slot = v.Receive();
             std::string seen = a.Held() + " " + Kind(*slot);
             slot->vt = VT_DISPATCH;
             slot->pdispVal = b.Give();
             return seen;
         },
         "0 empty"},
        {"moving leaves the source empty", [](TCounted& a, TCounted&) {
             TVariant v = TVariant::Dispatch(a.Give());
             TVariant w(std::move(v));
             return a.Held() + " " + Kind(v.Get()) + " " + Kind(w.Get());
         },
         "1 empty dispatch"},
        {"moving onto a held value frees that", [](TCounted& a, TCounted& b) {
             TVariant v = TVariant::Dispatch(a.Give());
             TVariant w = TVariant::Dispatch(b.Give());
             w = std::move(v);
             return a.Held() + " " + b.Held() + " " + Kind(v.Get());
         },
         "1 0 empty"},
        {"MoveTo frees the target's value", [](TCounted& a, TCounted& b) {
             TVariant v = TVariant::Dispatch(a.Give());
             VARIANT target;
             target.vt = VT_DISPATCH;
             target.pdispVal = b.Give();
             v.MoveTo(target);
             std::string seen = a.Held() + " " + b.Held() + " " + Kind(v.Get()) + " " + Kind(target);
             VariantClear(&target);
             return seen;
         },
         "1 0 empty dispatch"},
        {"a copy is its own", [](TCounted& a, TCounted&) {
             TVariant v = TVariant::Dispatch(a.Give()), text = TVariant::String(std::wstring(L"a\0b", 3));
             TVariant copy = TVariant::Copy(v.Get()), textCopy = TVariant::Copy(text.Get());
             const bool ownText = textCopy.Get().bstrVal != text.Get().bstrVal;
             text.Reset();
             return a.Held() + " " + Kind(textCopy.Get()) + (ownText ? " own" : " shared");
         },
         "2 bstr 3 own"},
        {"a failed conversion leaves the value, a conversion replaces it", [](TCounted& a, TCounted&) {
             TVariant text = TVariant::String(L"abc"), v = TVariant::Dispatch(a.Give());
             const bool failed = text.ChangeType(VT_I4) == DISP_E_TYPEMISMATCH;
             const HRESULT hr = v.ChangeType(VT_UNKNOWN);
             return std::to_string(failed) + " " + Kind(text.Get()) + " " + std::to_string(hr) + " " + a.Held() + " " +
                    Kind(v.Get());
         },
         "1 bstr 3 0 1 unknown"},
        {"a string moves, receives and is released", [](TCounted&, TCounted&) {
             TBStr s(std::wstring(L"x\0y", 3));
             TBStr t(std::move(s));
             std::string seen = std::to_string(t.Text().size()) + (s.Get() ? " kept" : " moved");
             BSTR* slot = t.Receive();
             seen += *slot || t.Get() ? " held" : " empty";
             *slot = SysAllocString(L"out!");
             BSTR given = t.Release();
             seen += (t.Get() ? " kept " : " given ") + std::to_string(SysStringLen(given));
             TBStr taker;
             taker.Reset(given);
             return seen;
         },
         "3 moved empty given 4"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TCounted a, b;
        EXPECT_EQ(row.Run(a, b), row.Seen);
        EXPECT_EQ(a.Held() + " " + b.Held(), "0 0");  // and no owner kept one or freed one twice
    }
}

namespace {
std::string g_closed;
void CloseCounted(int handle) { g_closed += std::to_string(handle) + " "; }
using TCountedHandle = TScopedHandle<int, &CloseCounted>;
}  // namespace

TEST(Owners, HandlesAndUndosCloseExactlyOnceOnEveryPath) {
    struct TRow {
        const char* Name;
        std::function<void()> Run;
        const char* Closed;  // in order
    } rows[] = {
        {"once at the end, across a move, never a null one", [] {
             TCountedHandle h(1), none, zero(0);
             TCountedHandle moved(std::move(h));
             h.Reset();
             none.Reset();
         },
         "1 "},
        {"moving onto a held handle closes that first", [] {
             TCountedHandle h(1), target(2);
             target = std::move(h);
             CloseCounted(0);
         },
         "2 0 1 "},
        {"Receive closes what was held and owns what is written", [] { *TCountedHandle(1).Receive() = 3; }, "1 3 "},
        {"Reset closes the old handle", [] { TCountedHandle(1).Reset(2); }, "1 2 "},
        {"Release hands over without closing", [] { TCountedHandle(1).Release(); }, ""},
        {"on the exception path", [] {
             try {
                 TCountedHandle h(1);
                 TScopeExit undo([] { CloseCounted(9); });
                 throw std::runtime_error("failed half-way");
             } catch (const std::runtime_error&) {
                 CloseCounted(0);
             }
         },
         "9 1 0 "},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        g_closed.clear();
        row.Run();
        EXPECT_EQ(g_closed, row.Closed);
    }
}

namespace {
// Ours: counts the text requests that reach it and passes everything on.
struct TOurSubclass {
    TWindowSubclass subclass;
    int seen = 0;
    void Message(TMessage& message) {
        if (message.Msg == WM_GETTEXTLENGTH) ++seen;
        message.Result = subclass.CallPrevious(message.Msg, message.WParam, message.LParam);
    }
    void Install(HWND window) { subclass.Install(window, TWndMethod::Of<&TOurSubclass::Message>(this)); }
};
LONG_PTR ProcedureOf(HWND window) { return GetWindowLongPtrW(window, GWLP_WNDPROC); }
}  // namespace

TEST(Owners, ASubclassGivesTheWindowItsProcedureBack) {
    HWND first = CreateWindowExW(0, L"Static", L"Game", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND second = CreateWindowExW(0, L"Static", L"Other", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(first && second);
    const LONG_PTR own = ProcedureOf(first);
    {
        TOurSubclass ours;
        ours.Install(first);
        const LONG_PTR stub = ProcedureOf(first);
        EXPECT_NE(stub, own);
        EXPECT_EQ(reinterpret_cast<LONG_PTR>(ours.subclass.Previous()), own);
        EXPECT_EQ(SendMessageW(first, WM_GETTEXTLENGTH, 0, 0), 4);  // through ours to the window's own
        ours.Install(second);
        EXPECT_EQ(ProcedureOf(first), own);
        EXPECT_NE(ProcedureOf(second), own);
        EXPECT_EQ(SendMessageW(second, WM_GETTEXTLENGTH, 0, 0), 5);
        EXPECT_EQ(ours.seen, 2);
    }
    EXPECT_EQ(ProcedureOf(second), own);
    DestroyWindow(first);
    DestroyWindow(second);
}

namespace {
// Another party's procedure installed over ours (an input method's, the
// shell's): it passes on to what it replaced, and may give that back later.
WNDPROC g_replaced = nullptr;
int g_laterSeen = 0;
LRESULT CALLBACK LaterProcedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_GETTEXTLENGTH) ++g_laterSeen;
    return CallWindowProcW(g_replaced, window, msg, wParam, lParam);
}
bool IsLive(LONG_PTR code) {
    MEMORY_BASIC_INFORMATION info = {};
    VirtualQuery(reinterpret_cast<const void*>(code), &info, sizeof info);
    return info.State == MEM_COMMIT;
}
// A control that adopts a window made elsewhere, as the ActiveX container
// does its control's.
class TAdopter : public TWinControl {
public:
    TAdopter() : TWinControl(nullptr) {}
    using TWinControl::AdoptWindow;
    using TWinControl::ReleaseAdoptedWindow;
    int seen = 0;
    void WndProc(TMessage& message) override {
        if (message.Msg == WM_GETTEXTLENGTH) ++seen;
        TWinControl::WndProc(message);
    }
};
}  // namespace

TEST(Owners, OursLetGoUnderAnotherProcedureStaysInTheChainUntilTheWindowGoes) {
    enum TThen { Nothing, LaterLeaves, OursAgain };
    struct TRow {
        const char* Name;
        bool LaterOver;
        TThen Then;
        const char* Seen;
    } rows[] = {
        {"nobody over ours", false, Nothing, "own text 4 ours 0 later 0"},
        {"another over ours", true, Nothing, "later text 4 ours 0 later 1"},
        {"another over ours, which leaves again", true, LaterLeaves, "ours text 4 ours 0 later 0"},
        {"another over ours, ours installed again", true, OursAgain, "ours text 4 ours 1 later 1"},
    };
    for (bool adopted : {false, true}) {
        for (const TRow& row : rows) {
            SCOPED_TRACE(std::string(adopted ? "an adopted window: " : "a subclass: ") + row.Name);
            HWND window = CreateWindowExW(0, L"Static", L"Game", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
            const LONG_PTR own = ProcedureOf(window);
            g_laterSeen = 0;
            TOurSubclass subclass;
            TAdopter control;
            auto install = [&] { adopted ? control.AdoptWindow(window) : subclass.Install(window); };
            install();
            const LONG_PTR ours = ProcedureOf(window);
            if (row.LaterOver)
                g_replaced = reinterpret_cast<WNDPROC>(
                    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LaterProcedure)));
            adopted ? void(control.ReleaseAdoptedWindow()) : subclass.subclass.Restore();
            if (row.Then == LaterLeaves)
                SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_replaced));
            if (row.Then == OursAgain) install();
            const LONG_PTR now = ProcedureOf(window);
            const bool later = now == reinterpret_cast<LONG_PTR>(&LaterProcedure);
            // A message through a freed stub would run freed memory: not sent.
            const LRESULT text = now == ours && !IsLive(ours) ? -1 : SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
            const std::string seen = std::string(now == own ? "own" : later ? "later" : "ours") + " text " +
                                     std::to_string(text) + " ours " + std::to_string(subclass.seen + control.seen) +
                                     " later " + std::to_string(g_laterSeen);
            DestroyWindow(window);
            EXPECT_EQ(seen, row.Seen);
            EXPECT_FALSE(!adopted && IsLive(ours)) << "our stub outlived the window";
        }
    }
}

namespace {
LRESULT CALLBACK PassMouseOn(int code, WPARAM wParam, LPARAM lParam) {
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
}  // namespace

TEST(Owners, AHookHandleKeepsAHookItCouldNotRemoveAndTakesNoOtherOverIt) {
    for (bool refused : {false, true}) {
        SCOPED_TRACE(refused ? "the old hook's removal refused" : "the old hook removed");
        THookHandle hook;
        HHOOK old = SetWindowsHookExW(WH_MOUSE, &PassMouseOn, nullptr, GetCurrentThreadId());
        HHOOK fresh = SetWindowsHookExW(WH_MOUSE, &PassMouseOn, nullptr, GetCurrentThreadId());
        hook.Set(old);
        if (refused) UnhookWindowsHookEx(old);  // a handle the platform no longer knows: its removal fails
        EXPECT_EQ(hook.Set(fresh), !refused);
        EXPECT_EQ(hook.Get(), refused ? old : fresh);
        // The new hook is in place only when held: removing it tells.
        EXPECT_EQ(UnhookWindowsHookEx(fresh) != FALSE, !refused);
    }
}
