// Base object, the framework's exception classes and text helpers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <string>

namespace ui {

// Root of the framework's classes: gives every object a class name, which the
// error paths report (an exception's class name is its source text).
class TObject {
public:
    virtual ~TObject() = default;
    virtual const char* ClassName() const { return "TObject"; }
};

// Base of every error the framework and its users raise.
class Exception : public std::exception {
public:
    explicit Exception(std::string message, int helpContext = 0)
        : message_(std::move(message)), helpContext_(helpContext) {}

    const std::string& Message() const { return message_; }
    int HelpContext() const { return helpContext_; }
    const char* what() const noexcept override { return message_.c_str(); }
    virtual const char* ClassName() const { return "Exception"; }

protected:
    std::string message_;
    int helpContext_;
};

// A failing OLE call, carrying its result code.
class EOleError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const override { return "EOleError"; }
};

class EOleSysError : public EOleError {
public:
    // The text is `description` when the control gave one, else the
    // platform's message for the code, else "OLE error %.8x".
    explicit EOleSysError(HRESULT code, const std::string& description = std::string(),
                          int helpContext = 0);
    HRESULT ErrorCode() const { return errorCode_; }
    const char* ClassName() const override { return "EOleSysError"; }

private:
    HRESULT errorCode_;
};

// An object did not provide the interface it was cast to.
class EIntfCastError : public Exception {
public:
    EIntfCastError() : Exception("Interface not supported") {}
    const char* ClassName() const override { return "EIntfCastError"; }
};

class EOutOfResources : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const override { return "EOutOfResources"; }
};

// Raises EOleSysError for a failure code; success codes pass.
void OleCheck(HRESULT hr);

// The platform's message text for a result code, without trailing line
// breaks; empty when the platform has none.
std::string SysErrorMessage(DWORD code);

// `value`'s lowest `digits` hexadecimal digits, lower case, zero-padded
// (what "%0*lx" gives, without the printf family's 28 KB).
std::string LowerHex(unsigned long value, int digits);

// Text conversions through the system's ANSI code page.
std::wstring AnsiToWide(const std::string& text);
std::string WideToAnsi(const std::wstring& text);
std::string WideToAnsi(const wchar_t* text);
// Text written in UTF-8 (what a build setting carries), whatever the code page.
std::wstring Utf8ToWide(const std::string& text);

// Parses a signed 32-bit integer: optional leading spaces, one sign, decimal
// digits, or hexadecimal after "$", "x", "X", "0x" or "0X" (all 32 bits,
// taken as signed). Anything else fails.
bool TryStrToInt(const std::string& text, int32_t& value);

}  // namespace ui
