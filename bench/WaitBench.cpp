// What waiting for a document costs the machine, against a loop of the
// same shape without the component: the component navigates to an address
// whose server does not answer within the run; then, in alternating rounds,
// its Wait with a time-out and a loop that drains the message queue and
// sleeps 1 ms, for as long. The figure of each is the process's processor
// time over the elapsed time, summed over its rounds.
// Prints "<name> <value>" lines.
//   wait_bench URL [MILLISECONDS_PER_ROUND [ROUNDS]]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "browser/component/EmbeddedWB.h"
#include "framework/Forms.h"
#include "framework/Modules.h"
#include "launcher/ProgramModules.h"

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

// The yardstick: Wait's loop without the component.
void DrainAndSleepFor(uint32_t milliseconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start <= milliseconds) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: wait_bench URL [MILLISECONDS_PER_ROUND [ROUNDS]]\n");
        return 2;
    }
    const uint32_t timeOut = argc > 2 ? static_cast<uint32_t>(std::atoi(argv[2])) : 2000;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 6;
    ui::TModuleList modules(launcher::ProgramModules());
    modules.StartUp();
    int result = 0;
    {
        TWaitForm form;
        form.Show();
        const std::string url = argv[1];
        form.Browser->Navigate(std::wstring(url.begin(), url.end()));
        // Processor seconds and elapsed seconds of each, over its rounds.
        double waitProcessor = 0, waitElapsed = 0, loopProcessor = 0, loopElapsed = 0;
        for (int round = 0; round < rounds && result == 0; ++round) {
            for (int turn = 0; turn < 2; ++turn) {
                const bool component = (turn == 0) == (round % 2 == 0);
                const DWORD startTick = GetTickCount();
                const double startProcessor = ProcessorSeconds();
                if (component) {
                    if (form.Browser->Wait(timeOut)) {
                        // A document that completed measures nothing of the waiting.
                        std::fprintf(stderr, "the document completed: nothing measured\n");
                        result = 1;
                        break;
                    }
                } else {
                    DrainAndSleepFor(timeOut);
                }
                const double processor = ProcessorSeconds() - startProcessor;
                const double elapsed = (GetTickCount() - startTick) / 1000.0;
                (component ? waitProcessor : loopProcessor) += processor;
                (component ? waitElapsed : loopElapsed) += elapsed;
            }
        }
        if (result == 0) {
            const double waitShare = waitElapsed > 0 ? waitProcessor / waitElapsed : 0.0;
            const double loopShare = loopElapsed > 0 ? loopProcessor / loopElapsed : 0.0;
            std::printf("wait_processor_share %.4f\n", waitShare);
            std::printf("wait_loop_processor_share %.4f\n", loopShare);
            if (loopShare > 0) std::printf("wait_ratio %.3f\n", waitShare / loopShare);
        }
    }
    modules.ShutDown();
    return result;
}
