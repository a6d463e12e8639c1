#include "ConfigFetch.h"

#include <urlmon.h>
#include <wininet.h>
#include <wrl/client.h>

#include "framework/Owners.h"
#include "framework/SysUtils.h"

// Why an asynchronous binding. The platform's synchronous download has no
// deadline a player would accept: the internet functions wait an hour for
// a silent server, and every byte of a trickle starts that hour again; and
// while it runs it dispatches none of our messages, so nothing of ours can
// stop it. An asynchronous binding returns at once and reports through the
// thread's message queue; this thread waits on that queue until the
// binding stops or the deadline passes, and then aborts the binding
// (IBinding::Abort). The bytes are written to the file here, so that once
// the fetch has given up, nothing more can land in it, whatever the
// binding still delivers. No thread of ours is started: what the platform
// runs underneath (its connection threads) is its own, and an aborted
// binding closes its connection.

namespace launcher {

using Microsoft::WRL::ComPtr;

namespace {

// urlmon.h's identifiers; libuuid's copies would bring kilobytes of other
// identifiers that share their object files.
const IID kIID_IWinInetHttpInfo = {0x79eac9d8, 0xbafa, 0x11ce, {0x8c, 0x82, 0x00, 0xaa, 0x00, 0x4b, 0xa9, 0x0b}};

using TFileHandle = ui::TScopedHandle<HANDLE, &::CloseHandle>;

// Watches one binding and writes what it delivers: the HTTP status of the
// answer, whether the body arrived whole, how the binding ended. The
// binding's own result says S_OK for a 404 and for a body cut short, so it
// alone cannot tell a good copy from a broken one.
class TFetch final : public IBindStatusCallback, public IHttpNegotiate {
public:
    explicit TFetch(HANDLE file) : file_(file) {}

    bool Stopped() const { return stopped_; }
    // A complete HTTP 200 answer, all of it written.
    bool Whole() const {
        return stopped_ && result_ == S_OK && statusCode_ == HTTP_STATUS_OK && !truncated_ && !writeFailed_;
    }
    // Gives up on the binding: it is aborted, and nothing it delivers from
    // here on is written.
    void Abandon() {
        abandoned_ = true;
        file_ = nullptr;
        if (binding_ && !stopped_) binding_->Abort();
        binding_.Reset();
        stream_.Reset();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IBindStatusCallback)
            *out = static_cast<IBindStatusCallback*>(this);
        else if (iid == IID_IHttpNegotiate)
            *out = static_cast<IHttpNegotiate*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

    // ---- IBindStatusCallback ----
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding* binding) override {
        if (abandoned_) return E_ABORT;
        binding_ = binding;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG status, LPCWSTR) override {
        if (status == BINDSTATUS_ENDDOWNLOADDATA && progressMax != 0 && progress < progressMax) truncated_ = true;
        return abandoned_ ? E_ABORT : S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR) override {
        if (!abandoned_) {
            Drain();
            // An answer served without a response callback (a cache hit,
            // say) still carries its status on the binding.
            ComPtr<IWinInetHttpInfo> info;
            if (statusCode_ == 0 && binding_ &&
                SUCCEEDED(binding_->QueryInterface(kIID_IWinInetHttpInfo,
                                                   reinterpret_cast<void**>(info.GetAddressOf()))) &&
                info) {
                DWORD code = 0, size = sizeof code, flags = 0;
                if (SUCCEEDED(info->QueryInfo(HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, &flags,
                                              nullptr)))
                    statusCode_ = code;
            }
        }
        result_ = result;
        stopped_ = true;
        binding_.Reset();
        stream_.Reset();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override {
        if (!flags || !info) return E_INVALIDARG;
        // Pulled from a stream as it arrives, never served from the cache
        // without asking the server: a launcher wants today's configuration.
        *flags = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA | BINDF_GETNEWESTVERSION;
        const ULONG size = info->cbSize;
        ZeroMemory(info, size);
        info->cbSize = size;
        info->dwBindVerb = BINDVERB_GET;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM* medium) override {
        if (abandoned_) return E_ABORT;
        if (!stream_ && medium && medium->tymed == TYMED_ISTREAM) stream_ = medium->pstm;
        Drain();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

    // ---- IHttpNegotiate ----
    HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additional) override {
        if (additional) *additional = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnResponse(DWORD code, LPCWSTR, LPCWSTR, LPWSTR* additional) override {
        statusCode_ = code;
        if (additional) *additional = nullptr;
        return S_OK;
    }

private:
    ~TFetch() = default;

    // Writes what the stream holds now.
    void Drain() {
        if (!stream_ || !file_) return;
        char buffer[4096];
        for (;;) {
            ULONG got = 0;
            const HRESULT hr = stream_->Read(buffer, sizeof buffer, &got);
            if (got > 0) {
                DWORD written = 0;
                if (!WriteFile(file_, buffer, got, &written, nullptr) || written != got) writeFailed_ = true;
            }
            // S_FALSE: the end; E_PENDING: more to come later.
            if (hr != S_OK || got == 0) return;
        }
    }

    LONG refs_ = 1;
    HANDLE file_;
    ComPtr<IBinding> binding_;
    ComPtr<IStream> stream_;
    DWORD statusCode_ = 0;
    HRESULT result_ = E_PENDING;
    bool truncated_ = false;
    bool writeFailed_ = false;
    bool stopped_ = false;
    bool abandoned_ = false;
};

// Dispatches what the queue holds, timer messages left in it: the launch
// timer may not tick before the configuration is read. False when the quit
// message came; it is posted again for the loop it was meant for.
bool DispatchAllButTimers() {
    MSG msg;
    for (;;) {
        if (!PeekMessageW(&msg, nullptr, 0, WM_TIMER - 1, PM_REMOVE) &&
            !PeekMessageW(&msg, nullptr, WM_TIMER + 1, ~0u, PM_REMOVE))
            return true;
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

bool FetchWithDeadline(const std::string& address, const std::string& path, const TDeadline& deadline) {
    TFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        file.Release();
        return false;
    }
    ComPtr<TFetch> fetch = ui::TakeOver(new TFetch(file.Get()));
    ComPtr<IMoniker> moniker;
    ComPtr<IBindCtx> context;
    ComPtr<IStream> stream;
    if (FAILED(CreateURLMoniker(nullptr, ui::AnsiToWide(address).c_str(), &moniker)) ||
        FAILED(CreateAsyncBindCtx(0, fetch.Get(), nullptr, &context)) ||
        FAILED(moniker->BindToStorage(context.Get(), nullptr, IID_IStream,
                                      reinterpret_cast<void**>(stream.GetAddressOf())))) {
        fetch->Abandon();
        return false;
    }
    // The binding reports through this thread's queue.
    for (DWORD left; !fetch->Stopped() && (left = deadline.Remaining()) > 0;) {
        if (!DispatchAllButTimers()) break;
        if (fetch->Stopped()) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left, QS_ALLINPUT & ~QS_TIMER);
    }
    const bool whole = fetch->Whole();
    fetch->Abandon();
    return whole && FlushFileBuffers(file.Get());
}

}  // namespace launcher
