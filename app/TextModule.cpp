// Text module and string loading.
#include "TextModule.h"

#include "Strings.h"
#include "WinApp.h"

HINSTANCE GetTextModule() {
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->GetLanguageModule() != nullptr)
        return app->GetLanguageModule();
    return AfxGetInstanceHandle();
}

std::string LoadText(UINT id) {
    return LoadResourceString(GetTextModule(), id);
}
