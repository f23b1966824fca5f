// Start-up and the program's entry point.
#include "app/TervolinApp.h"

#include <commctrl.h>

#include <new>
#include <string>

#include "app/DriverCrashHandler.h"
#include "app/DriverLibrary.h"
#include "app/FlashThread.h"
#include "app/QuietUpdate.h"
#include "app/SetupApiInventory.h"
#include "app/SingleInstance.h"
#include "app/StartupTrace.h"
#include "app/TervolinDlg.h"
#include "app/TextModule.h"
#include "app/UpdateHistoryFile.h"
#include "Controls/GdiPlus.h"
#include "core/RunEnding.h"
#include "core/UpdateChecks.h"
#include "core/UpdateHistory.h"
#include "framework/Module.h"
#include "libs/ravozev/MultiLanguage.h"
#include "skin/SkinStyle.h"

namespace {

CTervolinApp theApp;

constexpr char kLanguageKey[] = "SOFTWARE\\Quellmar\\Webcam";
constexpr char kLanguageValue[] = "Language";
constexpr DWORD kSearchApplicationDir = 0x00000200; // LOAD_LIBRARY_SEARCH_APPLICATION_DIR
constexpr DWORD kSearchSystem32 = 0x00000800;       // LOAD_LIBRARY_SEARCH_SYSTEM32

// DLLs come from the system folder and the program's own folder only: never from the current
// directory or PATH, where a planted library would wait for an updater run from Downloads.
void RestrictDllSearch() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault != nullptr)
        setDefault(kSearchApplicationDir | kSearchSystem32);
    SetDllDirectoryW(L""); // also where the call above is missing
}

// The common controls, from the system (by name, so the manifest's version 6 applies).
void StartCommonControls() {
    CModule comctl;
    if (!comctl.Load(L"comctl32.dll", kSearchSystem32)) {
        wchar_t system[MAX_PATH];
        const UINT length = GetSystemDirectoryW(system, MAX_PATH);
        if (length == 0 || length >= MAX_PATH || !comctl.Load(std::wstring(system) + L"\\comctl32.dll", 0))
            return;
    }
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    if (const auto init = comctl.Proc<InitFn>("InitCommonControlsEx")) {
        const INITCOMMONCONTROLSEX controls{8, 0xFF};
        init(&controls);
    }
    comctl.Detach(); // the controls' classes live in it for the rest of the process
}

// The language module, for a run that shows no window of the program's own: for as long as it
// lives, texts come from it as they would in the main window.
class CTextsOnly {
public:
    explicit CTextsOnly(CWinApp& app) : m_app(app) {
        AfxSetResourceHandle(app.GetInstanceHandle());
        app.SetLanguageModule(
            m_language.LoadLangResourceDLL(app.GetInstanceHandle(), kLanguageKey, kLanguageValue));
    }
    ~CTextsOnly() { m_app.SetLanguageModule(nullptr); }
    CTextsOnly(const CTextsOnly&) = delete;
    CTextsOnly& operator=(const CTextsOnly&) = delete;

private:
    CWinApp& m_app;
    CMultiLanguage m_language;
};

} // namespace

BOOL CTervolinApp::InitInstance() {
    TraceStartup("InitInstance");
    const SwitchFlags flags = ReadSwitches(GetCommandLineTail());
    // The help touches no camera, whatever else runs.
    if (flags.help) {
        const CTextsOnly texts(*this);
        MessageBoxA(nullptr, LoadText(IDS_HELP).c_str(), GetAppName().c_str(), MB_OK | MB_ICONINFORMATION);
        return FALSE;
    }
    // A second start hands over to the updater that runs already; an unattended one just ends.
    const CSingleInstance instance("Global\\Tervolin.FirmwareUpdate");
    if (!instance.IsFirst()) {
        if (!flags.quiet && !flags.check)
            ShowRunningInstance();
        SetExitCode(kExitAlreadyRunning);
        return FALSE;
    }
    CDriverCrashHandler::Install(flags);
    if (flags.check) {
        // Only reads the camera, and leaves no record: a detection rule may ask every hour.
        CSetupApiInventory inventory;
        CDriverLibrary driver;
        CResourceImages images;
        SetExitCode(EndingExitCode(UpdateDueCheck(inventory, driver, images, flags.old)));
        return FALSE;
    }
    // Before anything else: a run cut off during its update left its record without an ending.
    CUpdateHistoryFile(flags).NoteInterruptedRun();
    if (flags.quiet) {
        const CTextsOnly texts(*this); // the reason a shutdown is shown to wait
        SetExitCode(CQuietUpdate(flags).Run());
        return FALSE;
    }
    StartCommonControls();
    TraceStartup("common controls");
    CWinApp::InitInstance();
    // Until every window and image of the program has gone.
    const CGdiPlusSession gdiplus;
    TraceStartup("GDI+ started");
    SetRegistryKey("Quellmar");
    AfxSetResourceHandle(GetInstanceHandle());

    CMultiLanguage language;
    SetLanguageModule(language.LoadLangResourceDLL(GetInstanceHandle(), kLanguageKey, kLanguageValue));
    TraceStartup("language module");
    // The button faces are decoded before the first window is made: under Wine a decode after it
    // takes several times as long. Every skinned button of the program shares them until it ends.
    const SkinButtonFaces faces = KeepSkinButtonFaces();
    TraceStartup("button faces decoded");
    {
        CTervolinDlg dialog;
        TraceStartup("main dialog constructed, skin decoded");
        SetMainWnd(&dialog);
        if (flags.force)
            dialog.SetForce(true);
        if (flags.old)
            dialog.SetOld(true);
        dialog.DoModal();
        SetExitCode(dialog.ExitCode());
        SetMainWnd(nullptr);
    }
    SetLanguageModule(nullptr); // the module goes with the language library
    return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    RestrictDllSearch();
    try {
        return AfxWinMain(instance, commandLine);
    } catch (const std::bad_alloc&) {
        // An unattended run never waits for an answer.
        const SwitchFlags flags = ReadSwitches(commandLine);
        if (!flags.quiet && !flags.check)
            AfxReportOutOfMemory();
        return kExitOutOfMemory;
    }
}
