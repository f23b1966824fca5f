// walkthrough: runs Tervolin.exe (beside it) and answers every screen as a user would: confirms
// the update, waits for the outcome, acknowledges it. Saves a PNG of each screen in the folder it
// is given and prints what it saw. Exit code 0 when the update was reported as successful.
#include <windows.h>

#include <cstdio>
#include <string>

#include "framework/Module.h"
#include "res/resource.h"
#include "tools/uidriver/UiDriver.h"

namespace {

std::wstring g_folder;
int g_shots = 0;

void Shot(HWND window, const char* name) {
    Sleep(400); // let the screen settle
    wchar_t file[64];
    swprintf(file, 64, L"%02d-%hs.png", ++g_shots, name);
    const std::wstring path = g_folder + L"\\" + file;
    std::printf("screen %d: %s%s\n", g_shots, name,
                SaveScreenshot(window, path) ? "" : " (picture not saved)");
}

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: walkthrough OUTPUT_FOLDER [SWITCHES]...\n");
        return 2;
    }
    const std::string folder = argv[1];
    g_folder = std::wstring(folder.begin(), folder.end());
    CreateDirectoryW(g_folder.c_str(), nullptr);
    std::string switches;
    for (int i = 2; i < argc; ++i)
        switches += std::string(i > 2 ? " " : "") + argv[i];

    CProgramRun program;
    if (!program.Start(ModuleFolder() + L"Tervolin.exe", switches)) {
        std::fprintf(stderr, "walkthrough: Tervolin.exe does not start\n");
        return 2;
    }
    const DWORD pid = program.ProcessId();
    bool succeeded = false;
    for (int round = 0; round < 2; ++round) {
        // The main window, or a refusal before it.
        HWND main = nullptr;
        HWND box = nullptr;
        for (DWORD end = GetTickCount() + 20000; GetTickCount() < end && !main && !box; Sleep(50)) {
            box = IsShowing(pid, Screen::MessageBox) ? WaitForScreen(pid, Screen::MessageBox, 0) : nullptr;
            main = box ? nullptr : WaitForScreen(pid, Screen::MainWindow, 0);
        }
        if (box != nullptr) {
            Shot(box, "message");
            std::printf("message: %s\n", OneLine(MessageBoxText(box)).c_str());
            PressButton(GetDlgItem(box, IDOK));
            break;
        }
        if (main == nullptr) {
            std::printf("no window appeared\n");
            break;
        }
        Shot(main, "main-window");
        std::printf("question: %s\n", OneLine(ChildText(main, IDC_QUESTION)).c_str());
        std::printf("pressing: %s\n", ChildText(main, IDOK).c_str());
        PressButton(GetDlgItem(main, IDOK));

        // The update dialog, unless a refusal comes first.
        for (DWORD end = GetTickCount() + 10000;
             GetTickCount() < end && !IsShowing(pid, Screen::UpdateDialog) &&
             !IsShowing(pid, Screen::MessageBox);
             Sleep(50)) {
        }
        if (HWND update = WaitForScreen(pid, Screen::UpdateDialog, 0)) {
            Sleep(600);
            Shot(update, "update-dialog");
        }
        box = WaitForScreen(pid, Screen::MessageBox, 120000);
        if (box == nullptr) {
            std::printf("no outcome appeared\n");
            break;
        }
        Shot(box, "outcome");
        const std::string outcome = MessageBoxText(box);
        std::printf("outcome: %s\n", OneLine(outcome).c_str());
        PressButton(GetDlgItem(box, IDOK));
        Sleep(500);
        if (!IsShowing(pid, Screen::MainWindow)) {
            succeeded = true;
            break;
        }
        // A failed update: the main window is back; the user gives up.
        HWND again = WaitForScreen(pid, Screen::MainWindow, 5000);
        Shot(again, "main-window-again");
        PressButton(GetDlgItem(again, IDCANCEL));
        break;
    }
    DWORD exitCode = 0;
    const bool ended = program.WaitForExit(20000, &exitCode);
    // A refusal at the write button may close the window too: only the exit code tells success.
    succeeded = succeeded && ended && exitCode == 0;
    if (!ended)
        std::printf("the program did not end\n");
    else
        std::printf("program ended: %s, exit code %lu\n",
                    succeeded ? "update successful" : "no successful update", exitCode);
    return succeeded ? 0 : 1;
}
