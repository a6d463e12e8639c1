#include "UnitMain.h"

#include <shellapi.h>

#include "LauncherBuildConfig.h"
#include "framework/StartupMarks.h"

namespace launcher {

using namespace ui;

TFormMain::TFormMain(TComponent* owner) : TForm(owner) {
    LoadDefinition();
    Memo1->OnEnter = TNotifyEvent::Of<&TFormMain::Memo1Enter>(this);
}

TFormMain::~TFormMain() = default;

// The window definition, in the order it is stored: the window's own
// properties, then each child with its properties, handlers bound by name.
void TFormMain::ReadDefinition() {
    SetName("FormMain");
    SetBounds(216, 317, Width(), Height());
    SetBorderIcons(biSystemMenu | biMinimize);
    SetBorderStyle(bsSingle);
    SetCaption(Utf8ToWide(LAUNCHER_CAPTION_UTF8));
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
    STARTUP_MARK("form properties");

    Memo1 = new TMemo(this);
    Memo1->SetName("Memo1");
    Memo1->SetParent(this);
    Memo1->SetBounds(0, 0, 640, 480);
    Memo1->SetAlign(alClient);
    Memo1->Lines().Assign(std::vector<std::string>{"Memo1"});
    Memo1->SetTabOrder(0);
    STARTUP_MARK("form window and Memo1");

    EmbeddedWB1 = new ewb::TEmbeddedWB(this);
    EmbeddedWB1->SetName("EmbeddedWB1");
    EmbeddedWB1->SetParent(this);
    EmbeddedWB1->SetBounds(0, 0, 640, 480);
    EmbeddedWB1->SetAlign(alClient);
    EmbeddedWB1->SetTabOrder(1);
    EmbeddedWB1->SetSilent(false);
    EmbeddedWB1->SetDisableCtrlShortcuts("N");
    EmbeddedWB1->SetUserInterfaceOptions(
        {ewb::EnablesFormsAutoComplete, ewb::EnableThemes, ewb::DisableFrameSetBorder});
    {
        TStringList header;
        header.Add("<HTML></HTML>");
        EmbeddedWB1->PrintOptions().SetHTMLHeader(header);
    }
    EmbeddedWB1->PrintOptions().Orientation = ewb::poPortrait;
    EmbeddedWB1->SetAbout(EmbeddedWB1->About());
    // The control is made from this state once the definition is read.
    EmbeddedWB1->SetControlData(EmbeddedWB1ControlData());
    STARTUP_MARK("EmbeddedWB1 constructed, its properties");

    Timer1 = new TTimer(this);
    Timer1->SetName("Timer1");
    Timer1->SetOnTimer(TNotifyEvent::Of<&TFormMain::Timer1Timer>(this));
    STARTUP_MARK("Timer1");
}

const std::vector<uint8_t>& TFormMain::EmbeddedWB1ControlData() {
    // 156 bytes in the control's own format. What the launcher fixes of it
    // is the extent, 16933 x 12700 HIMETRIC (640 x 480 pixels at 96 pixels
    // per inch), in the record that opens the block; the rest is left at
    // the control's zero defaults.
    static const std::vector<uint8_t> data = [] {
        std::vector<uint8_t> bytes(156, 0);
        auto put32 = [&](size_t at, uint32_t v) {
            for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
        };
        put32(0, 0x4C);   // size of the opening record
        put32(4, 16933);  // extent, width
        put32(8, 12700);  // extent, height
        return bytes;
    }();
    return data;
}

void TFormMain::FormCreate(TObject*) {
    DownloadFile(ConfigSourceUrl(), ConfigurationPath());
    STARTUP_MARK("fetch");
    IniFile = std::make_unique<TIniFile>(ConfigurationPath());
    std::string web = IniFile->ReadString("Init", "Web", DefaultPageUrl());
    STARTUP_MARK("Web read");
    EmbeddedWB1->Navigate(AnsiToWide(web));
    STARTUP_MARK("navigated");
    int32_t time = IniFile->ReadInteger("Init", "Time", 10);
    // Signed arithmetic with wrap-around, taken as the unsigned period.
    Timer1->SetInterval(static_cast<uint32_t>(time) * 1000u);
    Timer1->SetEnabled(true);
    STARTUP_MARK("timer armed");
}

void TFormMain::Timer1Timer(TObject*) {
    // A tick delivered while the configuration is not there (a fetch that
    // pumps messages, or after the close) launches nothing; the timer stays
    // armed, so the launch comes at the first tick after.
    if (!IniFile) return;
    Timer1->SetEnabled(false);
    SetCurrentDirectoryA(ProgramFolder().c_str());
    std::string exe = IniFile->ReadString("Init", "Exe", "game.exe");
    WinExec(exe.c_str(), SW_SHOWNORMAL);
}

// Memo1 takes the focus when the window is activated, under the browser
// that covers it: its caret is never seen, and blinking it would wake the
// program twice a second for as long as the window stays open, the whole
// time the game runs. The text field keeps the focus; its caret is hidden.
void TFormMain::Memo1Enter(TObject*) { HideCaret(Memo1->Handle()); }

void TFormMain::FormClose(TObject*, TCloseAction&) {
    ShellExecuteA(Application->Handle(), nullptr, PlayPageUrl().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    IniFile.reset();
}

}  // namespace launcher
