// Document loading from HTMLCode, navigation and waiting for completion.
#include "browser/component/EmbeddedWB.h"

#include <ocidl.h>

#include "framework/Boundary.h"
#include "framework/Forms.h"

namespace ewb {

namespace {

// The first n characters, ASCII letters in lower case.
std::string LowerHead(const std::string& s, size_t n) {
    std::string head = s.substr(0, n);
    for (char& c : head)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return head;
}

bool IsBlank(const std::string& s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) > ' ') return false;
    return true;
}

bool IsExistingDirectory(const std::string& path) {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// An IStream over a memory stream that it does not own. It is cut off from
// the stream once the load has returned: a document that kept it gets
// errors, not freed memory.
class TStreamAdapter : public IStream {
public:
    explicit TStreamAdapter(ui::TMemoryStream& stream) : stream_(&stream) {}
    virtual ~TStreamAdapter() = default;
    void Detach() { stream_ = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
            *object = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
        if (!stream_) return STG_E_REVERTED;
        if (!buffer) return STG_E_INVALIDPOINTER;
        const size_t n = stream_->Read(buffer, count);
        if (read) *read = static_cast<ULONG>(n);
        return n < count ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) override {
        if (!stream_) return STG_E_REVERTED;
        if (!buffer) return STG_E_INVALIDPOINTER;
        // A memory stream that cannot grow is a full medium to the caller,
        // which reports it.
        size_t n = 0;
        if (ui::Attempt([&] { n = stream_->Write(buffer, count); })) return STG_E_MEDIUMFULL;
        if (written) *written = static_cast<ULONG>(n);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
        if (!stream_) return STG_E_REVERTED;
        if (origin > STREAM_SEEK_END) return STG_E_INVALIDFUNCTION;
        const int64_t at = stream_->Seek(move.QuadPart, static_cast<ui::TSeekOrigin>(origin));
        if (position) position->QuadPart = static_cast<ULONGLONG>(at);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override {
        if (!stream_) return STG_E_REVERTED;
        return ui::Attempt([&] { stream_->SetSize(static_cast<size_t>(size.QuadPart)); }) ? STG_E_MEDIUMFULL
                                                                                           : S_OK;
    }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return STG_E_REVERTED; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        if (!stream_) return STG_E_REVERTED;
        if (!stat) return STG_E_INVALIDPOINTER;
        *stat = STATSTG();
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = stream_->Size();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    ui::TMemoryStream* stream_;
    LONG refs_ = 1;
};

}  // namespace

void TEmbeddedWB::HTMLCodeChanged(TObject*) {
    ui::TStrings& code = HTMLCode();
    if (code.Count() == 1) {
        const std::string line = code[0];
        const std::string head = LowerHead(line, 4);
        if (head == "http" || head == "www." || head == "ftp:" || head == "file" || LowerHead(line, 6) == "about:") {
            Go(line, 0);
            return;
        }
    }
    LoadFromStrings(code);
}

bool TEmbeddedWB::Go(const std::string& URL, uint32_t TimeOut) {
    if (IsExistingDirectory(URL)) {
        Navigate(L"file:///" + ui::AnsiToWide(URL));
        return true;
    }
    if (IsBlank(URL)) return true;
    ui::TVariant url = ui::TVariant::String(ui::AnsiToWide(URL));
    ui::TVariant flags = ui::TVariant::Int32(0), target = ui::TVariant::Int32(0),
                 postData = ui::TVariant::Int32(0), headers = ui::TVariant::Int32(0);
    Navigate2(url.Get(), flags.Get(), target.Get(), postData.Get(), headers.Get());
    return TimeOut ? Wait(TimeOut) : true;
}

void TEmbeddedWB::AssignEmptyDocument(bool WaitForIt) {
    Navigate(L"about:blank");
    if (WaitForIt) Wait(0);
}

bool TEmbeddedWB::Wait(uint32_t TimeOut) {
    if (!HandleAllocated()) return true;
    bool Cancel = false;
    bool Stop = false;
    const uint32_t AStartTime = GetTickCount();
    while (!Destroying && GetIntegerProp(DISPID_READYSTATE) != READYSTATE_COMPLETE) {
        if (OnBusyWait) OnBusyWait(this, AStartTime, TimeOut, Cancel);
        // Unsigned: right across the tick counter's wrap.
        Stop = Cancel || (TimeOut > 0 && GetTickCount() - AStartTime > TimeOut);
        if (Stop) break;
        if (!ui::Application || ui::Application->Terminated()) break;
        ui::Application->ProcessMessages();
        // Waiting must not hold the processor while the control loads.
        Sleep(1);
    }
    return !Stop;
}

HRESULT TEmbeddedWB::LoadFromStrings(ui::TStrings& Strings) {
    // Whatever fails is the answer S_FALSE, as the caller expects of a load.
    HRESULT result = S_FALSE;
    ui::Attempt([&] {
        if (!GetIDispatchProp(DispidDocument)) AssignEmptyDocument(false);
        ui::TMemoryStream stream;
        const std::string text = Strings.Text();
        stream.Write(text.data(), text.size());
        result = LoadFromStream(stream);
    });
    return result;
}

HRESULT TEmbeddedWB::LoadFromStream(ui::TMemoryStream& Stream) {
    if (!GetIDispatchProp(DispidDocument)) AssignEmptyDocument(false);
    Stream.Seek(0, ui::soBeginning);
    ui::ComPtr<TStreamAdapter> adapter;
    adapter.Attach(new TStreamAdapter(Stream));
    ui::ComPtr<IDispatch> document = GetIDispatchProp(DispidDocument);
    ui::ComPtr<IPersistStreamInit> persist;
    if (!document || FAILED(document.As(&persist))) throw ui::EIntfCastError();
    const HRESULT result = persist->Load(adapter.Get());
    adapter->Detach();
    return result;
}

}  // namespace ewb
