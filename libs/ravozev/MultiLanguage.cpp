// Binding of the language library.
#include "libs/ravozev/MultiLanguage.h"

#include "libs/ravozev/ravozev.h"

namespace {

using LoadFn = HINSTANCE(WINAPI*)(HINSTANCE, const char*, const char*);

} // namespace

HINSTANCE CMultiLanguage::LoadLangResourceDLL(HINSTANCE program, const char* key, const char* valueName) {
    if (!m_library && !m_library.Load(ModuleFolder(program) + L"ravozev.dll"))
        return nullptr;
    const auto load = m_library.Proc<LoadFn>("LoadLanguageModule");
    const auto free = m_library.Proc<FreeFn>("FreeLanguageModule");
    if (load == nullptr || free == nullptr)
        return nullptr;
    m_language.reset();
    m_language = {load(program, key, valueName), free};
    return m_language.get();
}
