#include "UnitMain.h"

#include <shellapi.h>

#include "LauncherBuildConfig.h"

namespace launcher {

using namespace vcl;

TFormMain::TFormMain(TComponent* owner) : TForm(owner) { LoadDefinition(); }

TFormMain::~TFormMain() = default;

// The window definition, in the order it is stored: the window's own
// properties, then each child with its properties, handlers bound by name.
void TFormMain::ReadDefinition() {
    SetName("FormMain");
    SetBounds(216, 317, Width(), Height());
    SetBorderIcons(biSystemMenu | biMinimize);
    SetBorderStyle(bsSingle);
    SetCaption(AnsiToWide(LAUNCHER_CAPTION));
    SetClientHeight(480);
    SetClientWidth(640);
    SetColor(clBtnFace);
    Font().SetCharset(DEFAULT_CHARSET);
    Font().SetColor(clWindowText);
    Font().SetHeight(-11);
    Font().SetName(L"MS Sans Serif");
    Font().SetStyle(0);
    SetPosition(poDesktopCenter);
    OnClose = TCloseEvent::Of<&TFormMain::FormClose>(this);
    OnCreate = TNotifyEvent::Of<&TFormMain::FormCreate>(this);
    SetPixelsPerInch(96);
    SetTextHeight(13);

    Memo1 = new TMemo(this);
    Memo1->SetName("Memo1");
    Memo1->SetParent(this);
    Memo1->SetBounds(0, 0, 640, 480);
    Memo1->SetAlign(alClient);
    Memo1->Lines().Assign(std::vector<std::string>{"Memo1"});
    Memo1->SetTabOrder(0);

    Timer1 = new TTimer(this);
    Timer1->SetName("Timer1");
    Timer1->SetOnTimer(TNotifyEvent::Of<&TFormMain::Timer1Timer>(this));
}

void TFormMain::FormCreate(TObject*) {
    DownloadFile(ConfigSourceUrl(), ConfigurationPath());
    IniFile.reset(new TIniFile(ConfigurationPath()));
    std::string web = IniFile->ReadString("Init", "Web", DefaultPageUrl());
    (void)web;
    int32_t time = IniFile->ReadInteger("Init", "Time", 10);
    // Signed arithmetic with wrap-around, taken as the unsigned period.
    Timer1->SetInterval(static_cast<uint32_t>(time) * 1000u);
    Timer1->SetEnabled(true);
}

void TFormMain::Timer1Timer(TObject*) {
    Timer1->SetEnabled(false);
    SetCurrentDirectoryA(ProgramFolder().c_str());
    std::string exe = IniFile->ReadString("Init", "Exe", "game.exe");
    WinExec(exe.c_str(), SW_SHOWNORMAL);
}

void TFormMain::FormClose(TObject*, TCloseAction&) {
    ShellExecuteA(Application->Handle(), nullptr, PlayPageUrl().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    IniFile.reset();
}

}  // namespace launcher
