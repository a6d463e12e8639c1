#include "SysUtils.h"

#include <vector>

namespace ui {

namespace {

std::string OleErrorText(HRESULT code, const std::string& description) {
    if (!description.empty()) return description;
    std::string text = SysErrorMessage(static_cast<DWORD>(code));
    if (!text.empty()) return text;
    return "OLE error " + LowerHex(static_cast<unsigned long>(code), 8);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

EOleSysError::EOleSysError(HRESULT code, const std::string& description, int helpContext)
    : EOleError(OleErrorText(code, description), helpContext), errorCode_(code) {}

void OleCheck(HRESULT hr) {
    if (FAILED(hr)) throw EOleSysError(hr);
}

std::string LowerHex(unsigned long value, int digits) {
    static const char hexDigits[] = "0123456789abcdef";
    std::string text(digits > 0 ? static_cast<size_t>(digits) : 0, '0');
    for (size_t i = text.size(); i-- > 0; value >>= 4) text[i] = hexDigits[value & 0xF];
    return text;
}

std::string SysErrorMessage(DWORD code) {
    char* buffer = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
            FORMAT_MESSAGE_ARGUMENT_ARRAY,
        nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text;
    if (buffer) {
        text.assign(buffer, length);
        LocalFree(buffer);
    }
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

namespace {
std::wstring ToWide(UINT codePage, const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}
}  // namespace

std::wstring AnsiToWide(const std::string& text) { return ToWide(CP_ACP, text); }

std::wstring Utf8ToWide(const std::string& text) { return ToWide(CP_UTF8, text); }

std::string WideToAnsi(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string ansi(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &ansi[0], n, nullptr,
                        nullptr);
    return ansi;
}

std::string WideToAnsi(const wchar_t* text) {
    return text ? WideToAnsi(std::wstring(text)) : std::string();
}

bool TryStrToInt(const std::string& text, int32_t& value) {
    size_t i = 0;
    const size_t n = text.size();
    if (n == 0) return false;
    while (i < n && text[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= n) return false;

    bool hex = false;
    if (text[i] == '$' || text[i] == 'x' || text[i] == 'X') {
        hex = true;
        ++i;
    } else if (text[i] == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= n) return false;

    if (hex) {
        uint32_t magnitude = 0;
        for (; i < n; ++i) {
            int d = HexDigit(text[i]);
            if (d < 0) return false;
            if (magnitude > 0x0FFFFFFFu) return false;  // a ninth significant digit
            magnitude = (magnitude << 4) | static_cast<uint32_t>(d);
        }
        uint32_t bits = negative ? 0u - magnitude : magnitude;
        value = static_cast<int32_t>(bits);
        return true;
    }

    uint64_t magnitude = 0;
    for (; i < n; ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
        if (magnitude > 2147483648ull) return false;
    }
    if (!negative && magnitude > 2147483647ull) return false;
    value = negative ? static_cast<int32_t>(0 - static_cast<int64_t>(magnitude))
                     : static_cast<int32_t>(magnitude);
    return true;
}

}  // namespace ui
