// What waiting for a document costs the machine: the component navigates to
// an address whose server never answers within the run and waits for the
// document with a time-out; the process's processor time over the elapsed
// time is the share. Prints "wait_processor_share <value>".
//   wait_bench URL [MILLISECONDS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "browser/component/EmbeddedWB.h"
#include "framework/Forms.h"
#include "framework/Modules.h"

namespace {

class TWaitForm : public ui::TForm {
public:
    TWaitForm() : TForm(nullptr) { LoadDefinition(); }
    ewb::TEmbeddedWB* Browser = nullptr;

protected:
    void ReadDefinition() override {
        SetClientWidth(640);
        SetClientHeight(480);
        Browser = new ewb::TEmbeddedWB(this);
        Browser->SetParent(this);
        Browser->SetAlign(ui::alClient);
    }
};

double Seconds(const FILETIME& t) {
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    return static_cast<double>(v.QuadPart) / 1e7;
}

double ProcessorSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return Seconds(kernel) + Seconds(user);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: wait_bench URL [MILLISECONDS]\n");
        return 2;
    }
    const uint32_t timeOut = argc > 2 ? static_cast<uint32_t>(std::atoi(argv[2])) : 3000;
    ui::TModuleList modules(ewb::EmbeddedWBProgramModules());
    modules.StartUp();
    int result = 0;
    {
        TWaitForm form;
        form.Show();
        const std::string url = argv[1];
        form.Browser->Navigate(std::wstring(url.begin(), url.end()));
        const DWORD startTick = GetTickCount();
        const double startProcessor = ProcessorSeconds();
        const bool completed = form.Browser->Wait(timeOut);
        const double processor = ProcessorSeconds() - startProcessor;
        const double elapsed = (GetTickCount() - startTick) / 1000.0;
        if (completed) {
            // A document that completed measures nothing of the waiting.
            std::fprintf(stderr, "the document completed: nothing measured\n");
            result = 1;
        } else {
            std::printf("wait_processor_share %.3f\n", elapsed > 0 ? processor / elapsed : 0.0);
        }
    }
    modules.ShutDown();
    return result;
}
