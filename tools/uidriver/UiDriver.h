// Driving the real program from outside, as a user would: start it, find the windows it shows,
// read their texts, press their buttons, and keep pictures of them.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "framework/Handle.h"

// The program run under test; it is ended when the object goes, should it still run.
class CProgramRun {
public:
    CProgramRun() = default;
    ~CProgramRun();
    CProgramRun(const CProgramRun&) = delete;
    CProgramRun& operator=(const CProgramRun&) = delete;

    // Starts `program` with `arguments`, in `directory` when one is given; a run this object
    // started before is ended first.
    bool Start(const std::wstring& program, const std::string& arguments,
               const std::wstring& directory = L"");
    DWORD ProcessId() const { return m_processId; }
    // True when the program ended within `milliseconds`; its exit code then in `exitCode`.
    bool WaitForExit(DWORD milliseconds, DWORD* exitCode = nullptr);
    bool IsRunning() const;
    // Ends the program at once, as a power cut or the task manager would, should it still run.
    void Stop();

private:
    CHandle m_process, m_thread;
    DWORD m_processId = 0;
};

// The older firmware the runs start from, the default target, and what the program says of it.
inline constexpr char kOlder[] = "SN9C250 0. 0. 5.11SBFgE";
inline constexpr char kTarget[] = "SN9C250 0. 0. 5.11SBFgG";
inline constexpr char kQuestion[] =
    "Are you sure you want to upgrade the firmware?\nQuellmar Vistrel Solentra V2.0.7";
inline constexpr char kSucceeded[] =
    "Upgrading the firmware successful, you can unplug and re-plug your webcam.";
inline constexpr char kAlreadyLatest[] = "You already have the latest firmware";

// The program's windows; a message box has neither the question label nor the progress bar.
enum class Screen { MainWindow, UpdateDialog, MessageBox };

// The visible top-level windows of the process, topmost first; its dialogs (class "#32770").
std::vector<HWND> ProcessWindows(DWORD processId);
std::vector<HWND> ProcessDialogs(DWORD processId);
// A visible top-level window of the process that shows `screen`, waited for up to `milliseconds`.
HWND WaitForScreen(DWORD processId, Screen screen, DWORD milliseconds = 15000);
// Whether the process shows `screen` right now.
bool IsShowing(DWORD processId, Screen screen);

std::string WindowText(HWND window);
std::string ChildText(HWND parent, int id);
// The texts of a message box: its message and its buttons' captions in order.
std::string MessageBoxText(HWND box);
std::vector<std::string> MessageBoxButtons(HWND box);
bool MessageBoxHasIcon(HWND box);
// Presses a button the way a click does; returns at once.
void PressButton(HWND button);
// Queues a double click on a control as the mouse sends it: down, up, double-click, up.
void DoubleClick(HWND control);
// Moves a dialog's focus to one of its controls, then queues a key press to that control.
void PressKey(HWND dialog, HWND control, WPARAM key);
// Whether a message box is the program's skinned one (captionless, on a skin) or the platform's.
bool IsSkinnedBox(HWND box);
int CountScreens(DWORD processId, Screen screen);
HWND ButtonWithText(HWND parent, const std::string& text);

// Saves the window as it shows on the screen as a PNG file.
bool SaveScreenshot(HWND window, const std::wstring& path);

// Runs vcam.exe in the folder `bin`; its exit code, or -1 when it does not start.
int RunVcam(const std::filesystem::path& bin, const std::string& arguments);
