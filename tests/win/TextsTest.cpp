// The string table of the program and of each language module, the language library on every
// kind of registry value, and the message box: its captions, buttons, icon and results.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/SkinMessageBox.h"
#include "app/TextModule.h"
#include "framework/Module.h"
#include "framework/Strings.h"
#include "framework/WinApp.h"
#include "libs/ravozev/MultiLanguage.h"
#include "libs/ZARidezi/ZARidezi.h"
#include "tests/win/WinTestSupport.h"

namespace {

CWinApp g_app; // the text module comes from the application object

constexpr char kTestKey[] = "SOFTWARE\\Quellmar\\TervolinTest";

const char* const kEnglish[] = {
    "OK",
    "Cancel",
    "Firmware update",
    "Upgrading the firmware can hold more than 2 minutes",
    "Are you sure you want to upgrade the firmware?",
    "The camera is not plugged in",
    "You already have the latest firmware",
    "Yes",
    "No",
    "Upgrading the firmware successful, you can unplug and re-plug your webcam.",
    "Firmware update could not be completed",
    "Please wait \x85",
    "Attention: Do not disconnect the webcam during the firmware update process. Doing so could damage your "
    "webcam.",
};

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

// What a message box showed, read from its child windows by another thread.
struct Seen {
    bool found = false;
    std::string title;
    std::vector<std::string> buttons;
    std::string text;
    bool icon = false;
    HWND owner = nullptr;
    bool ownerEnabled = true;
};

// Waits for the box titled `caption`, reads it, then lets `act` answer it.
std::thread DriveBox(const std::string& caption, Seen& seen, std::function<void(HWND box, const Seen&)> act) {
    return std::thread([caption, &seen, act] {
        HWND box = nullptr;
        for (int i = 0; i < 500 && box == nullptr; ++i) {
            box = FindWindowA(nullptr, caption.c_str());
            if (box == nullptr || !IsWindowVisible(box)) {
                box = nullptr;
                Sleep(10);
            }
        }
        if (box == nullptr)
            return;
        seen.found = true;
        // The box is owned by its layer window, which the given window owns.
        seen.owner = GetWindow(GetWindow(box, GW_OWNER), GW_OWNER);
        seen.ownerEnabled = seen.owner != nullptr && IsWindowEnabled(seen.owner);
        char title[256] = {};
        GetWindowTextA(box, title, sizeof title);
        seen.title = title;
        for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            if (!IsWindowVisible(child))
                continue;
            char className[32] = {};
            char text[512] = {};
            GetClassNameA(child, className, sizeof className);
            SendMessageA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
            if (lstrcmpiA(className, "Button") == 0)
                seen.buttons.push_back(text);
            else if (SendMessageA(child, STM_GETICON, 0, 0) != 0)
                seen.icon = true;
            else if (GetDlgCtrlID(child) == 100)
                seen.text = text;
        }
        act(box, seen);
    });
}

HWND ButtonCalled(HWND box, const std::string& caption) {
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char text[128] = {};
        GetWindowTextA(child, text, sizeof text);
        if (caption == text)
            return child;
    }
    return nullptr;
}

std::function<void(HWND, const Seen&)> Click(const std::string& caption) {
    return [caption](HWND box, const Seen&) {
        Sleep(HoldTime());
        PostMessageA(ButtonCalled(box, caption), BM_CLICK, 0, 0);
    };
}

std::function<void(HWND, const Seen&)> PressEscapeThenClick(const std::string& caption) {
    return [caption](HWND box, const Seen&) {
        HWND focus = ButtonCalled(box, caption);
        PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 0);
        Sleep(200);
        if (IsWindow(box))
            PostMessageA(focus, BM_CLICK, 0, 0);
    };
}

int CallMessageBox(UINT style, const std::string& caption, HWND owner = nullptr) {
    CModule library;
    EXPECT_TRUE(library.Load(ModuleFolder(nullptr) + L"ZARidezi.dll"));
    const auto show = library.Proc<decltype(&MessageBoxSkinEx)>("MessageBoxSkinEx");
    return show ? show("OK", "Cancel", "Yes", "No", owner, "Message text", caption.c_str(), style) : -1;
}

} // namespace

TEST(StringTable, ProgramTextsAreTheEnglishOnes) {
    HINSTANCE program = GetModuleHandleA(nullptr);
    for (UINT id = 102; id <= 114; ++id)
        EXPECT_EQ(LoadResourceString(program, id), kEnglish[id - 102]) << id;
}

TEST(StringTable, EveryLanguageModuleTranslatesEveryTextInCodePage1252) {
    for (const char* tag : {"fr", "de", "es", "it"}) {
        SetLanguage(tag);
        CMultiLanguage language;
        HINSTANCE module = language.LoadLangResourceDLL(GetModuleHandleA(nullptr), kTestKey, "Language");
        ASSERT_NE(module, nullptr) << tag;
        for (UINT id = 102; id <= 114; ++id) {
            const wchar_t* wide = nullptr;
            const int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&wide), 0);
            ASSERT_GT(length, 0) << tag << " " << id;
            BOOL lossy = FALSE;
            WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, nullptr, &lossy);
            EXPECT_FALSE(lossy) << tag << " " << id;
            const std::string text = LoadResourceString(module, id);
            if (id == 104 || id == 105 || id == 107 || id == 111 || id == 112 || id == 114) {
                EXPECT_NE(text, kEnglish[id - 102]) << tag << " " << id;
            }
        }
        const std::string wait = LoadResourceString(module, 113);
        EXPECT_EQ(wait.substr(wait.size() - 2), " \x85") << tag;
    }
    ClearLanguage();
}

TEST(LanguageLibrary, ValidTagsInAnyCaseLoadTheirModule) {
    for (const char* value : {"fr", "DE", "Es", "it"}) {
        SetLanguage(value);
        CMultiLanguage language;
        EXPECT_NE(language.LoadLangResourceDLL(GetModuleHandleA(nullptr), kTestKey, "Language"), nullptr)
            << value;
    }
    ClearLanguage();
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

    const std::string hostile[] = {
        "",
        "f",
        "fra1",
        "xx",
        "zz",
        "fr ",
        " fr",
        "f.r",
        "..",
        "..\\..\\fr",
        "C:\\Windows\\System32\\shell32",
        "\\\\server\\share\\fr",
        "fr\\..\\de",
        "lang\\fr",
        std::string(300, 'a'),
        std::string("fr\0de", 5),
    };
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

TEST(MessageBoxSkinEx, OkBoxWithoutIconAndExclamationBoxWithIt) {
    Seen plain;
    std::thread driver = DriveBox("Plain box", plain, Click("OK"));
    EXPECT_EQ(CallMessageBox(0, "Plain box"), IDOK);
    driver.join();
    ASSERT_TRUE(plain.found);
    EXPECT_EQ(plain.buttons, std::vector<std::string>{"OK"});
    EXPECT_FALSE(plain.icon);
    EXPECT_EQ(plain.text, "Message text");

    Seen warning;
    driver = DriveBox("Warning box", warning, Click("OK"));
    EXPECT_EQ(CallMessageBox(48, "Warning box"), IDOK);
    driver.join();
    EXPECT_EQ(warning.buttons, std::vector<std::string>{"OK"});
    EXPECT_TRUE(warning.icon);
}

TEST(MessageBoxSkinEx, ButtonSetsAndTheirResults) {
    const struct {
        UINT style;
        std::vector<std::string> buttons;
        const char* press;
        int result;
    } cases[] = {
        {MB_OKCANCEL, {"OK", "Cancel"}, "Cancel", IDCANCEL},
        {MB_YESNO, {"Yes", "No"}, "Yes", IDYES},
        {MB_YESNOCANCEL, {"Yes", "No", "Cancel"}, "No", IDNO},
        {MB_RETRYCANCEL, {"Retry", "Cancel"}, "Retry", IDRETRY},
        {MB_ABORTRETRYIGNORE, {"Abort", "Retry", "Ignore"}, "Ignore", IDIGNORE},
    };
    for (const auto& c : cases) {
        const std::string caption = "Set " + std::to_string(c.style);
        Seen seen;
        std::thread driver = DriveBox(caption, seen, Click(c.press));
        EXPECT_EQ(CallMessageBox(c.style, caption), c.result) << c.style;
        driver.join();
        EXPECT_EQ(seen.buttons, c.buttons) << c.style;
    }
}

TEST(MessageBoxSkinEx, EscapeAnswersOkOnAnOkBoxAndNothingOnYesNo) {
    Seen ok;
    std::thread driver = DriveBox("Escape ok", ok, PressEscapeThenClick("OK"));
    EXPECT_EQ(CallMessageBox(MB_OK, "Escape ok"), IDOK);
    driver.join();

    Seen yesNo;
    driver = DriveBox("Escape yes no", yesNo, PressEscapeThenClick("No"));
    EXPECT_EQ(CallMessageBox(MB_YESNO, "Escape yes no"), IDNO);
    driver.join();
}

TEST(MessageBoxSkinEx, ModalAndOwnedByTheGivenWindow) {
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr,
                                 nullptr, nullptr, nullptr);
    Seen seen;
    std::thread driver = DriveBox("Owned box", seen, Click("OK"));
    EXPECT_EQ(CallMessageBox(0, "Owned box", owner), IDOK);
    driver.join();
    EXPECT_EQ(seen.owner, owner);
    EXPECT_FALSE(seen.ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

TEST(SkinMessageBox, ButtonCaptionsComeFromTheTextModule) {
    Seen english;
    std::thread driver = DriveBox("English", english, Click("Cancel"));
    EXPECT_EQ(SkinMessageBox(nullptr, "Text", "English", MB_OKCANCEL), IDCANCEL);
    driver.join();
    EXPECT_EQ(english.buttons, (std::vector<std::string>{"OK", "Cancel"}));

    SetLanguage("fr");
    CMultiLanguage language;
    g_app.SetLanguageModule(language.LoadLangResourceDLL(GetModuleHandleA(nullptr), kTestKey, "Language"));
    ASSERT_NE(g_app.GetLanguageModule(), nullptr);
    Seen french;
    driver = DriveBox(LoadText(104), french, Click("Non"));
    EXPECT_EQ(SkinMessageBox(nullptr, LoadText(107), LoadText(104), MB_YESNO | MB_ICONEXCLAMATION), IDNO);
    driver.join();
    EXPECT_EQ(french.buttons, (std::vector<std::string>{"Oui", "Non"}));
    EXPECT_EQ(french.text, "La cam\xE9ra n'est pas branch\xE9"
                           "e");
    EXPECT_EQ(french.title, "Mise \xE0 jour du firmware");

    Seen frenchOk;
    driver = DriveBox("Bien", frenchOk, Click("OK"));
    EXPECT_EQ(SkinMessageBox(nullptr, "Texte", "Bien", MB_OKCANCEL), IDOK);
    driver.join();
    EXPECT_EQ(frenchOk.buttons, (std::vector<std::string>{"OK", "Annuler"}));
    g_app.SetLanguageModule(nullptr);
    ClearLanguage();
}
