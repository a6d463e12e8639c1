// Where calls come in from outside the program's own code: the control and
// its engine through COM, the platform through window and hook procedures.
// No exception may cross back: each is turned into the answer the caller's
// contract names, and the user learns of it from the application's error
// box once the call has returned. A box opened during the call would run a
// modal loop that re-enters the caller while it is in the middle of its work.
#pragma once

#include <exception>
#include <string>
#include <utility>

#include "SysUtils.h"

namespace ui {

// Hands the error to the application's error box after the current call
// (posted to the application window); without an application window, to the
// debugger's output. Never opens a window and never throws.
void QueueException(TObject* sender, const std::exception_ptr& error) noexcept;

// The text the error box shows for an error.
std::string ExceptionMessage(const std::exception_ptr& error);

// One call from outside in progress on this thread, for as long as it
// lives. Queued errors are shown only when no such call is under way but
// the one that shows them: a message loop that runs inside a call (the
// engine's own, or one a handler runs) leaves them for later.
class TOutsideCall {
public:
    TOutsideCall() noexcept;
    ~TOutsideCall();
    TOutsideCall(const TOutsideCall&) = delete;
    TOutsideCall& operator=(const TOutsideCall&) = delete;
    // How many calls from outside are in progress on this thread.
    static int Depth() noexcept;
};

// Runs `body`; an exception it raises is answered, not thrown. For work that
// must not stop what follows it (a teardown step, an error shown later).
template <typename Body>
std::exception_ptr Attempt(Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
        return nullptr;
    } catch (...) {
        return std::current_exception();
    }
}

// One entry point from outside: `body`'s answer, or `fallback` when it
// raises, the error queued for the error box.
template <typename R, typename Body>
R Boundary(TObject* sender, R fallback, Body&& body) noexcept {
    TOutsideCall call;
    R answer = fallback;
    if (std::exception_ptr error = Attempt([&] { answer = std::forward<Body>(body)(); })) {
        QueueException(sender, error);
        return fallback;
    }
    return answer;
}

// The same for an entry point with nothing to answer.
template <typename Body>
void Boundary(TObject* sender, Body&& body) noexcept {
    TOutsideCall call;
    if (std::exception_ptr error = Attempt(std::forward<Body>(body))) QueueException(sender, error);
}

}  // namespace ui
