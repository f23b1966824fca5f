// The string table of the program and of each language module, the language library on every
// kind of registry value, and the message box: its captions, buttons, icon and results.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/SkinMessageBox.h"
#include "app/TextModule.h"
#include "framework/Module.h"
#include "framework/Strings.h"
#include "framework/WinApp.h"
#include "framework/WindowHandle.h"
#include "libs/ravozev/MultiLanguage.h"
#include "libs/ZARidezi/ZARidezi.h"
#include "res/resource.h"
#include "tools/uidriver/UiDriver.h"
#include "tests/win/WinTestSupport.h"

namespace {

CWinApp g_app; // the text module comes from the application object

constexpr char kTestKey[] = "SOFTWARE\\Quellmar\\TervolinTest";

void SetLanguageValue(DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    RegSetValueExA(key, "Language", 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void SetLanguage(const std::string& value) {
    SetLanguageValue(REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void ClearLanguage() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
}

// What a message box showed, read by another thread.
struct Seen {
    bool found = false, icon = false, ownerEnabled = true;
    std::string title, text;
    std::vector<std::string> buttons;
    HWND owner = nullptr;
};

// Waits for the box titled `caption`, reads it, then presses its button `press` (without one the
// first, so that the box still closes), after Escape when `escapeFirst`.
std::thread DriveBox(const std::string& caption, Seen& seen, const std::string& press,
                     bool escapeFirst = false) {
    return std::thread([=, &seen] {
        HWND box = nullptr;
        for (int i = 0;
             i < 500 && (box = FindWindowA(nullptr, caption.c_str()), !box || !IsWindowVisible(box)); ++i)
            Sleep(10);
        if (box == nullptr || !IsWindowVisible(box))
            return;
        seen.found = true;
        // The box is owned by its layer window, which the given window owns.
        seen.owner = GetWindow(GetWindow(box, GW_OWNER), GW_OWNER);
        seen.ownerEnabled = seen.owner != nullptr && IsWindowEnabled(seen.owner);
        seen.title = WindowText(box);
        seen.buttons = MessageBoxButtons(box);
        seen.text = GetDlgItem(box, IDC_MESSAGE_TEXT) ? MessageBoxText(box) : "";
        seen.icon = MessageBoxHasIcon(box);
        HWND button = ButtonWithText(box, press);
        if (button == nullptr || !IsWindowVisible(button))
            button = ButtonWithText(box, seen.buttons.empty() ? "" : seen.buttons.front());
        if (escapeFirst)
            PostMessageA(button, WM_KEYDOWN, VK_ESCAPE, 0);
        Sleep(escapeFirst ? 200 : HoldTime());
        if (IsWindow(box))
            PostMessageA(button, BM_CLICK, 0, 0);
    });
}

int CallMessageBox(UINT style, const std::string& caption, HWND owner = nullptr) {
    CModule library;
    EXPECT_TRUE(library.Load(ModuleFolder(nullptr) + L"ZARidezi.dll"));
    const auto show = library.Proc<decltype(&MessageBoxSkinEx)>("MessageBoxSkinEx");
    return show ? show("OK", "Cancel", "Yes", "No", owner, "Message text", caption.c_str(), style) : -1;
}

} // namespace

TEST(StringTable, EveryLanguageModuleTranslatesTheProgramsTextsInCodePage1252) {
    const HMODULE program = GetModuleHandleA(nullptr); // the program's resources, in English
    for (UINT id = IDS_OK; id <= IDS_IMAGE_DAMAGED; ++id)
        EXPECT_NE(LoadResourceString(program, id), "") << id;
    // Tags in any case name their module.
    for (const char* tag : {"fr", "DE", "Es", "it"}) {
        SetLanguage(tag);
        CMultiLanguage language;
        HINSTANCE module = language.LoadLangResourceDLL(GetModuleHandleA(nullptr), kTestKey, "Language");
        ASSERT_NE(module, nullptr) << tag;
        for (UINT id = IDS_OK; id <= IDS_IMAGE_DAMAGED; ++id) {
            const wchar_t* wide = nullptr;
            const int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&wide), 0);
            ASSERT_GT(length, 0) << tag << " " << id;
            BOOL lossy = FALSE;
            WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, nullptr, &lossy);
            EXPECT_FALSE(lossy) << tag << " " << id;
        }
        for (UINT id :
             {IDS_FIRMWARE_UPDATE, IDS_DURATION, IDS_NOT_PLUGGED_IN, IDS_UPDATE_SUCCEEDED, IDS_UPDATE_FAILED,
              IDS_DO_NOT_DISCONNECT, IDS_DRIVER_FAILED, IDS_HELP, IDS_IMAGE_DAMAGED})
            EXPECT_NE(LoadResourceString(module, id), LoadResourceString(program, id)) << tag << " " << id;
        const std::string wait = LoadResourceString(module, IDS_PLEASE_WAIT);
        EXPECT_EQ(wait.substr(wait.size() - 2), " \x85") << tag;
    }
    ClearLanguage();

    // A language module made before a text was added leaves that text in English.
    CModule older;
    ASSERT_TRUE(older.Load(ModuleFolder(nullptr) + L"ravozev.dll"));
    ASSERT_EQ(LoadResourceString(older.Get(), IDS_DRIVER_FAILED), "");
    g_app.SetLanguageModule(older.Get());
    EXPECT_EQ(LoadText(IDS_DRIVER_FAILED), LoadResourceString(program, IDS_DRIVER_FAILED));
    g_app.SetLanguageModule(nullptr);
}

TEST(LanguageLibrary, AbsentUnknownAndHostileValuesGiveNull) {
    auto load = [] {
        CMultiLanguage language;
        return language.LoadLangResourceDLL(GetModuleHandleA(nullptr), kTestKey, "Language");
    };
    ClearLanguage();
    EXPECT_EQ(load(), nullptr) << "no key";

    // A module planted in the language folder that is no language module.
    const std::filesystem::path folder = std::filesystem::path(ModuleFolder(nullptr)) / "lang";
    std::filesystem::copy_file(std::filesystem::path(ModuleFolder(nullptr)) / "ZARidezi.dll",
                               folder / "Tervolin.xx.dll", std::filesystem::copy_options::overwrite_existing);

    std::vector<std::string> hostile = {"",    "f",   "fra1", "xx",         "zz",      "fr ",
                                        " fr", "f.r", "..",   "fr\\..\\de", "lang\\fr"};
    for (const char* path : {"..\\..\\fr", "C:\\Windows\\System32\\shell32", "\\\\server\\share\\fr"})
        hostile.push_back(path);
    hostile.push_back(std::string(300, 'a'));
    hostile.push_back(std::string("fr\0de", 5));
    for (const std::string& value : hostile) {
        SetLanguageValue(REG_SZ, value.data(), static_cast<DWORD>(value.size() + 1));
        EXPECT_EQ(load(), nullptr) << "value \"" << value << "\"";
    }
    const DWORD number = 12;
    SetLanguageValue(REG_DWORD, &number, sizeof number);
    EXPECT_EQ(load(), nullptr) << "a number";
    SetLanguageValue(REG_EXPAND_SZ, "fr", 3);
    EXPECT_EQ(load(), nullptr) << "an expandable string";
    SetLanguageValue(REG_BINARY, "fr", 2);
    EXPECT_EQ(load(), nullptr) << "binary";
    SetLanguageValue(REG_SZ, "fr", 2); // no terminator stored
    EXPECT_NE(load(), nullptr) << "an unterminated tag is still the tag";

    std::filesystem::remove(folder / "Tervolin.xx.dll");
    ClearLanguage();
}

TEST(MessageBoxSkinEx, ModalOwnedBoxesWithTheirButtonsIconAndResults) {
    const struct {
        UINT style;
        std::vector<std::string> buttons;
        const char* press;
        int result;
        bool escapeFirst;
    } cases[] = {
        {MB_OK, {"OK"}, "OK", IDOK, false},
        {MB_ICONEXCLAMATION, {"OK"}, "OK", IDOK, false},
        {MB_OKCANCEL, {"OK", "Cancel"}, "Cancel", IDCANCEL, false},
        {MB_YESNO, {"Yes", "No"}, "Yes", IDYES, false},
        {MB_YESNOCANCEL, {"Yes", "No", "Cancel"}, "No", IDNO, false},
        {MB_RETRYCANCEL, {"Retry", "Cancel"}, "Retry", IDRETRY, false},
        {MB_ABORTRETRYIGNORE, {"Abort", "Retry", "Ignore"}, "Ignore", IDIGNORE, false},
        {MB_OK, {"OK"}, "OK", IDOK, true},           // Escape answers OK on an OK box,
        {MB_YESNO, {"Yes", "No"}, "No", IDNO, true}, // and nothing on Yes/No
    };
    CWindowHandle owner(PopupWindow("owner", true));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const std::string caption = "Box " + std::to_string(i);
        Seen seen;
        std::thread driver = DriveBox(caption, seen, c.press, c.escapeFirst);
        EXPECT_EQ(CallMessageBox(c.style, caption, owner), c.result) << caption;
        driver.join();
        ASSERT_TRUE(seen.found) << caption;
        EXPECT_EQ(seen.buttons, c.buttons) << caption;
        EXPECT_EQ(seen.icon, c.style == MB_ICONEXCLAMATION) << caption;
        EXPECT_EQ(seen.text, "Message text") << caption;
        EXPECT_EQ(seen.owner, owner) << caption;
        EXPECT_FALSE(seen.ownerEnabled) << caption;
        EXPECT_TRUE(IsWindowEnabled(owner)) << caption;
    }
}

TEST(SkinMessageBox, ButtonCaptionsComeFromTheTextModule) {
    Seen english;
    std::thread driver = DriveBox("English", english, "Cancel");
    EXPECT_EQ(SkinMessageBox(nullptr, "Text", "English", MB_OKCANCEL), IDCANCEL);
    driver.join();
    EXPECT_EQ(english.buttons, (std::vector<std::string>{"OK", "Cancel"}));

    SetLanguage("fr");
    CMultiLanguage language;
    g_app.SetLanguageModule(language.LoadLangResourceDLL(GetModuleHandleA(nullptr), kTestKey, "Language"));
    ASSERT_NE(g_app.GetLanguageModule(), nullptr);
    Seen french;
    driver = DriveBox(LoadText(IDS_FIRMWARE_UPDATE), french, "Non");
    EXPECT_EQ(SkinMessageBox(nullptr, LoadText(IDS_NOT_PLUGGED_IN), LoadText(IDS_FIRMWARE_UPDATE),
                             MB_YESNO | MB_ICONEXCLAMATION),
              IDNO);
    driver.join();
    EXPECT_EQ(french.buttons, (std::vector<std::string>{"Oui", "Non"}));
    EXPECT_EQ(french.text, "La cam\xE9ra n'est pas branch\xE9"
                           "e");
    EXPECT_EQ(french.title, "Mise \xE0 jour du firmware");

    Seen frenchOk;
    driver = DriveBox("Bien", frenchOk, "OK");
    EXPECT_EQ(SkinMessageBox(nullptr, "Texte", "Bien", MB_OKCANCEL), IDOK);
    driver.join();
    EXPECT_EQ(frenchOk.buttons, (std::vector<std::string>{"OK", "Annuler"}));
    g_app.SetLanguageModule(nullptr);
    ClearLanguage();
}
