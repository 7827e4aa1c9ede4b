#include "Standin.h"

#include "WindowsTestSupport.h"

#include <cstdio>
#include <cstdlib>

namespace testsupport {

namespace {

template <typename Function>
void Bind(HMODULE module, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (function == nullptr) {
        std::fprintf(stderr, "stand-in launcher lacks %s\n", name);
        std::exit(2);
    }
}

} // namespace

Standin::Standin(const std::wstring& path, bool load)
{
    m_module = load ? LoadLibraryW(path.c_str()) : GetModuleHandleW(path.c_str());
    if (m_module == nullptr)
        return;
    m_loaded = load;
    Bind(m_module, "StandinReset", m_reset);
    Bind(m_module, "StandinSetSession", m_setSession);
    Bind(m_module, "StandinSetResult", m_setResult);
    Bind(m_module, "StandinCallCount", m_callCount);
    Bind(m_module, "StandinGetCall", m_getCall);
    Bind(m_module, "StandinAnswerInside", m_answerInside);
    Bind(m_module, "StandinAnswer", m_answer);
    Bind(m_module, "StandinList", m_list);
    Bind(m_module, "StandinSetHooks", m_setHooks);
}

Standin::~Standin()
{
    Unload();
}

void Standin::Unload()
{
    if (m_loaded)
        FreeLibrary(m_module);
    m_loaded = false;
}

std::unique_ptr<Standin> InstallFullStandin()
{
    SetInstallDir(LauncherDirectory(L"launcher-full"));
    auto standin = std::make_unique<Standin>(LauncherPath(L"launcher-full"), true);
    standin->Reset();
    return standin;
}

} // namespace testsupport
