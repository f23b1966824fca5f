// SkinMessageBox over ZARidezi.dll, loaded from the program's folder.
#include "app/SkinMessageBox.h"

#include "app/TextModule.h"
#include "framework/Module.h"
#include "framework/Strings.h"
#include "res/resource.h"

namespace {

using MessageBoxSkinExFn = int(WINAPI*)(const char*, const char*, const char*, const char*, HWND, const char*,
                                        const char*, UINT);

} // namespace

int SkinMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style) {
    // The text module is worked out afresh on every call.
    HINSTANCE texts = GetTextModule();
    const std::string ok = LoadResourceString(texts, IDS_OK);
    const std::string cancel = LoadResourceString(texts, IDS_CANCEL);
    const std::string yes = LoadResourceString(texts, IDS_YES);
    const std::string no = LoadResourceString(texts, IDS_NO);

    CModule library;
    const auto messageBox = library.Load(ModuleFolder(nullptr) + L"ZARidezi.dll")
                                ? library.Proc<MessageBoxSkinExFn>("MessageBoxSkinEx")
                                : nullptr;
    // 0 is the library's word for a box it could not show. Either way the message must still
    // reach the user, so the platform's own box shows it.
    const int result = messageBox != nullptr ? messageBox(ok.c_str(), cancel.c_str(), yes.c_str(), no.c_str(),
                                                          owner, text.c_str(), caption.c_str(), style)
                                             : 0;
    if (result != 0)
        return result;
    return MessageBoxA(owner, text.c_str(), caption.c_str(), style);
}
