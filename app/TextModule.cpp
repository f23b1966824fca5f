// Text module and string loading.
#include "app/TextModule.h"

#include "framework/Strings.h"
#include "framework/WinApp.h"

HINSTANCE GetTextModule() {
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->GetLanguageModule() != nullptr)
        return app->GetLanguageModule();
    return AfxGetInstanceHandle();
}

std::string LoadText(UINT id) {
    const std::string text = LoadResourceString(GetTextModule(), id);
    // A language module made before a text was added does not have it.
    return text.empty() ? LoadResourceString(AfxGetInstanceHandle(), id) : text;
}
