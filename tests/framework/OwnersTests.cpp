// The owners of strings, variants, handles, subclassed windows and undos:
// each releases what it holds exactly once, whichever way it is handed on.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

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
TWindowSubclass* g_subclass = nullptr;
int g_passed = 0;
LRESULT CALLBACK Passing(HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_GETTEXTLENGTH) ++g_passed;
    return g_subclass->CallPrevious(msg, wParam, lParam);
}
}  // namespace

TEST(Owners, ASubclassGivesTheWindowItsProcedureBack) {
    HWND first = CreateWindowExW(0, L"Static", L"Game", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND second = CreateWindowExW(0, L"Static", L"Other", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(first && second);
    const LONG_PTR own = GetWindowLongPtrW(first, GWLP_WNDPROC);
    auto procedureOf = [](HWND w) { return GetWindowLongPtrW(w, GWLP_WNDPROC); };
    const LONG_PTR ours = reinterpret_cast<LONG_PTR>(&Passing);
    g_passed = 0;
    {
        TWindowSubclass subclass;
        g_subclass = &subclass;
        subclass.Install(first, &Passing);
        EXPECT_EQ(procedureOf(first), ours);
        EXPECT_EQ(reinterpret_cast<LONG_PTR>(subclass.Previous()), own);
        EXPECT_EQ(SendMessageW(first, WM_GETTEXTLENGTH, 0, 0), 4);  // through ours to the window's own
        subclass.Install(second, &Passing);
        EXPECT_EQ(procedureOf(first), own);
        EXPECT_EQ(procedureOf(second), ours);
        EXPECT_EQ(SendMessageW(second, WM_GETTEXTLENGTH, 0, 0), 5);
    }
    g_subclass = nullptr;
    EXPECT_EQ(procedureOf(second), own);
    EXPECT_EQ(g_passed, 2);
    DestroyWindow(first);
    DestroyWindow(second);
}
