// The processor share that Wait takes while a document never completes:
// the stand-in control of the tests holds its ReadyState back, Wait runs
// out its time-out, and the process's processor time is set against the
// time that passed.
#include <windows.h>

#include <cstdio>

#include "browser/component/EmbeddedWB.h"
#include "browser/support/EwbOle.h"
#include "framework/Forms.h"
#include "framework/Modules.h"
#include "support/StandInBrowser.h"

namespace {

double ProcessSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}

}  // namespace

int main() {
    ui::TModuleList modules({
        {"Forms", &ui::FormsStartUp, &ui::FormsShutDown},
        {"EwbOle", &ewb::EwbOleStartUp, &ewb::EwbOleShutDown},
    });
    modules.StartUp();
    ui::Application->Initialize();
    double share = -1;
    {
        standin::TStandInRegistration registration;
        ui::TForm form(nullptr);
        form.SetBounds(100, 100, 400, 300);
        auto* browser = new ewb::TEmbeddedWB(&form);
        browser->SetParent(&form);
        browser->SetBounds(0, 0, 300, 200);
        form.Show();
        browser->HandleNeeded();
        if (registration.Last()) {
            registration.Last()->holdReadyState = true;
            const DWORD start = GetTickCount();
            const double before = ProcessSeconds();
            browser->Wait(3000);
            const double used = ProcessSeconds() - before;
            share = used / ((GetTickCount() - start) / 1000.0);
        }
    }
    ui::Application->DestroyComponents();
    std::printf("wait_cpu_share %.3f\n", share);
    return share < 0 ? 1 : 0;
}
