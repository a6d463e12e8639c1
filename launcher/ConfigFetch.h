// One HTTP fetch into a file, with a deadline for the whole of it.
#pragma once

#include <windows.h>

#include <string>

namespace launcher {

// A moment some milliseconds from its making, on the tick count (which
// wraps after 49 days: the differences stay right).
class TDeadline {
public:
    explicit TDeadline(DWORD milliseconds) noexcept : start_(GetTickCount()), length_(milliseconds) {}
    DWORD Remaining() const noexcept {
        const DWORD gone = GetTickCount() - start_;
        return gone >= length_ ? 0 : length_ - gone;
    }

private:
    DWORD start_;
    DWORD length_;
};

// Fetches `address` into the file `path`, made anew, and flushes it to the
// disk: true only when a complete HTTP 200 answer arrived before the
// deadline. Otherwise the file holds whatever came, and the caller removes
// it. Nothing is written to the file once this has returned.
// While it waits it dispatches the thread's messages but its timers'.
bool FetchWithDeadline(const std::string& address, const std::string& path, const TDeadline& deadline);

}  // namespace launcher
