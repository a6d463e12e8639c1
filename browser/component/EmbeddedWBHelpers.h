// Helpers for a program's handlers of the browser's events: the lines
// every program would otherwise write around the control's raw arguments,
// and the object a program gives the page's script as window.external.
#pragma once

#include <oaidl.h>
#include <wrl/client.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Owners.h"

namespace ewb {

// The text of an event's VARIANT argument: the URL of OnBeforeNavigate2,
// OnNavigateComplete2, OnDocumentComplete and OnNavigateError, a frame's
// name, the headers. A string as it is, held by reference or not; anything
// else as automation converts it to text; empty for no value (VT_EMPTY,
// VT_NULL, a null string) and for what has no text.
std::wstring VariantText(const VARIANT& value);

// Whether `url` is of the scheme, which is given without its colon
// ("app"); schemes compare without regard to case ("APP:x" is of "app").
bool HasScheme(const std::wstring& url, const std::wstring& scheme);

// ---- an object for the page's script ----

// The arguments a script passed, first to last, by-reference ones resolved.
using TScriptArgs = std::vector<ui::TVariant>;
// One member: the script calls it by name as a method, and reads it as a
// property (without arguments) only when `Property` says so: a read of a
// method, as in `if (external.setTitle)`, runs nothing. Its answer is the
// call's value (an empty one for none). An exception it raises reaches the
// script as the call's error, with the exception's message.
struct TScriptMember {
    std::wstring Name;
    std::function<ui::TVariant(const TScriptArgs& Args)> Call;
    bool Property = false;
};

// An automation object whose members are the given functions, for the
// page's script: hand it out in OnGetExternal and the page reaches it as
// window.external. Names match without regard to case, as automation names
// do. It lives as long as the engine or the program holds it.
Microsoft::WRL::ComPtr<IDispatch> MakeScriptObject(std::vector<TScriptMember> members);

}  // namespace ewb
