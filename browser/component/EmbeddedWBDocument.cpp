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

// A stream of its own holding a copy of a memory stream's bytes, at its
// start. The engine loads a document asynchronously: it keeps the stream it
// is given and reads it on later messages, after Load has returned and the
// caller's stream has changed or gone.
ui::ComPtr<IStream> CopyToOwnStream(const ui::TMemoryStream& source) {
    ui::ComPtr<IStream> stream;
    ui::OleCheck(CreateStreamOnHGlobal(nullptr, TRUE, &stream));
    ULONG written = 0;
    ui::OleCheck(stream->Write(source.Memory(), static_cast<ULONG>(source.Size()), &written));
    const LARGE_INTEGER start = {};
    ui::OleCheck(stream->Seek(start, STREAM_SEEK_SET, nullptr));
    return stream;
}

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
    ui::ComPtr<IStream> own = CopyToOwnStream(Stream);
    ui::ComPtr<IDispatch> document = GetIDispatchProp(DispidDocument);
    ui::ComPtr<IPersistStreamInit> persist;
    if (!document || FAILED(document.As(&persist))) throw ui::EIntfCastError();
    return persist->Load(own.Get());
}

}  // namespace ewb
