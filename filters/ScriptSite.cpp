// filters/ScriptSite.cpp: the script site's interfaces and its engine handling.
#include "filters/ScriptSite.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/ReportLog.h"
#include "platform/CodePage.h"

using namespace platform;

namespace {

constexpr size_t kScriptErrorCapacity = 1024;

void ReportScriptError(const char* caption, const char* text) {
    std::string line = std::string(caption) + ": " + text + "\n";
    WriteReportLog(line.c_str());
}

std::atomic<ScriptErrorPresenter> presenter{ReportScriptError};

thread_local ScriptErrorOrigin currentOrigin{nullptr, nullptr, 0};

// An engine text on one line: its line ends and tabs become spaces.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    return text;
}

// Program texts, item names and program identifiers cross in the thread's code page.
std::wstring ToOleText(const char* text) {
    return ToOleString(CP_THREAD_ACP, text);
}

void FreeExceptionStrings(EXCEPINFO* excepInfo) {
    SysFreeString(excepInfo->bstrSource);
    SysFreeString(excepInfo->bstrDescription);
    SysFreeString(excepInfo->bstrHelpFile);
    *excepInfo = EXCEPINFO{};
}

// The engine's parse interface, with one reference; null when it has none.
IActiveScriptParse* ParseInterfaceOf(IActiveScript* engine) {
    void* parse = nullptr;
    if (engine == nullptr || FAILED(engine->QueryInterface(IID_IActiveScriptParse, &parse)))
        return nullptr;
    return static_cast<IActiveScriptParse*>(parse);
}

}  // namespace

// --- IActiveScriptSite -----------------------------------------------------------------

HRESULT IActiveScriptSiteImpl::GetLCID(LCID* lcid) {
    if (lcid == nullptr) return E_POINTER;
    *lcid = LOCALE_SYSTEM_DEFAULT;
    return S_OK;
}

HRESULT IActiveScriptSiteImpl::GetItemInfo(LPCOLESTR name, DWORD returnMask, IUnknown** item,
                                           ITypeInfo** typeInfo) {
    IUnknown* found = nullptr;
    HRESULT hr = LookupNamedItem(name, &found);
    if (FAILED(hr)) return hr;
    if ((returnMask & SCRIPTINFO_ITYPEINFO) != 0 && typeInfo != nullptr) {
        *typeInfo = nullptr;
        void* provider = nullptr;
        if (SUCCEEDED(found->QueryInterface(IID_IProvideClassInfo, &provider))) {
            hr = static_cast<IProvideClassInfo*>(provider)->GetClassInfo(typeInfo);
            static_cast<IProvideClassInfo*>(provider)->Release();
        } else {
            void* dispatch = nullptr;
            hr = found->QueryInterface(IID_IDispatch, &dispatch);
            if (SUCCEEDED(hr)) {
                hr = static_cast<IDispatch*>(dispatch)->GetTypeInfo(0, LOCALE_SYSTEM_DEFAULT,
                                                                    typeInfo);
                static_cast<IDispatch*>(dispatch)->Release();
            }
        }
    }
    if ((returnMask & SCRIPTINFO_IUNKNOWN) != 0 && item != nullptr) {
        *item = found;
        found->AddRef();
    }
    found->Release();
    return hr;
}

HRESULT IActiveScriptSiteImpl::GetDocVersionString(BSTR* version) {
    if (version == nullptr) return E_POINTER;
    *version = SysAllocString(L"ScriptSite");
    return S_OK;
}

HRESULT IActiveScriptSiteImpl::OnScriptTerminate(const VARIANT*, const EXCEPINFO*) {
    return S_OK;
}

HRESULT IActiveScriptSiteImpl::OnStateChange(SCRIPTSTATE) {
    return S_OK;
}

HRESULT IActiveScriptSiteImpl::OnScriptError(IActiveScriptError* error) {
    if (error == nullptr) return E_POINTER;
    EXCEPINFO excepInfo{};
    HRESULT hr = error->GetExceptionInfo(&excepInfo);
    if (SUCCEEDED(hr) && excepInfo.pfnDeferredFillIn != nullptr)
        hr = excepInfo.pfnDeferredFillIn(&excepInfo);
    if (FAILED(hr)) {
        FreeExceptionStrings(&excepInfo);
        return hr;
    }
    DWORD context = 0;
    ULONG line = 0;
    LONG column = 0;
    BSTR sourceLine = nullptr;
    hr = error->GetSourcePosition(&context, &line, &column);
    if (SUCCEEDED(hr)) hr = error->GetSourceLineText(&sourceLine);
    if (SUCCEEDED(hr)) hr = ShowScriptError(excepInfo, line, column, sourceLine);
    SysFreeString(sourceLine);
    FreeExceptionStrings(&excepInfo);
    return hr;
}

HRESULT IActiveScriptSiteImpl::OnEnterScript() {
    return S_OK;
}

HRESULT IActiveScriptSiteImpl::OnLeaveScript() {
    return S_OK;
}

// --- IActiveScriptSiteWindow -----------------------------------------------------------

HRESULT IActiveScriptSiteWindowImpl::GetWindow(HWND* window) {
    if (window == nullptr) return E_POINTER;
    *window = SiteWindow();
    return S_OK;
}

HRESULT IActiveScriptSiteWindowImpl::EnableModeless(BOOL) {
    return S_OK;
}

// --- CScriptSiteImpl -------------------------------------------------------------------

HRESULT CScriptSiteImpl::InternalQueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IActiveScriptSite)
        *object = static_cast<IActiveScriptSite*>(this);
    else if (riid == IID_IActiveScriptSiteWindow)
        *object = static_cast<IActiveScriptSiteWindow*>(this);
    else
        return E_NOINTERFACE;
    static_cast<IUnknown*>(static_cast<IActiveScriptSite*>(this))->AddRef();
    return S_OK;
}

HRESULT CScriptSiteImpl::CreateScriptEngine(const char* progId, HWND window) {
    if (engine_ != nullptr) CloseScriptEngine();
    window_ = window;
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(ToOleText(progId).c_str(), &clsid);
    if (FAILED(hr)) return hr;
    void* engine = nullptr;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IActiveScript, &engine);
    if (FAILED(hr)) return hr;
    engine_ = static_cast<IActiveScript*>(engine);
    hr = engine_->SetScriptSite(this);
    if (FAILED(hr)) return hr;
    IActiveScriptParse* parse = ParseInterfaceOf(engine_);
    if (parse == nullptr) return E_NOINTERFACE;
    hr = parse->InitNew();
    parse->Release();
    if (SUCCEEDED(hr)) initialised_ = true;
    return hr;
}

HRESULT CScriptSiteImpl::ConnectScript() {
    if (!initialised_) return E_FAIL;
    return engine_->SetScriptState(SCRIPTSTATE_CONNECTED);
}

HRESULT CScriptSiteImpl::StartAndConnectScript() {
    if (!initialised_) return E_FAIL;
    HRESULT hr = engine_->SetScriptState(SCRIPTSTATE_STARTED);
    if (FAILED(hr)) return hr;
    return engine_->SetScriptState(SCRIPTSTATE_CONNECTED);
}

HRESULT CScriptSiteImpl::CloseScriptEngine() {
    if (initialised_) {
        engine_->SetScriptState(SCRIPTSTATE_DISCONNECTED);
        engine_->InterruptScriptThread(SCRIPTTHREADID_ALL, nullptr, 0);
        initialised_ = false;
    }
    if (engine_ != nullptr) {
        engine_->Close();
        engine_->Release();
        engine_ = nullptr;
    }
    return S_OK;
}

HRESULT CScriptSiteImpl::AddScriptText(const char* text, const char* itemName) {
    if (!initialised_) return E_FAIL;
    IActiveScriptParse* parse = ParseInterfaceOf(engine_);
    if (parse == nullptr) return E_NOINTERFACE;
    const std::wstring code = ToOleText(text);
    const std::wstring item = itemName != nullptr ? ToOleText(itemName) : std::wstring();
    EXCEPINFO excepInfo{};
    HRESULT hr =
        parse->ParseScriptText(code.c_str(), itemName != nullptr ? item.c_str() : nullptr, nullptr,
                               nullptr, 0, 0, SCRIPTTEXT_ISVISIBLE, nullptr, &excepInfo);
    FreeExceptionStrings(&excepInfo);
    parse->Release();
    return hr;
}

HRESULT CScriptSiteImpl::AddNamedScriptItem(const char* name, bool global) {
    if (!initialised_) return E_FAIL;
    const DWORD flags = SCRIPTITEM_ISVISIBLE | (global ? SCRIPTITEM_GLOBALMEMBERS : 0);
    return engine_->AddNamedItem(ToOleText(name).c_str(), flags);
}

CScriptSiteImpl::~CScriptSiteImpl() {
    if (engine_ != nullptr) CloseScriptEngine();
}

// --- CScriptSiteBasic ------------------------------------------------------------------

HRESULT CScriptSiteBasic::LookupNamedItem(LPCOLESTR, IUnknown**) {
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT CScriptSiteBasic::ShowScriptError(const EXCEPINFO& excepInfo, ULONG line, LONG column,
                                          BSTR sourceLine) {
    char text[kScriptErrorCapacity];
    FormatScriptError(excepInfo, line, column, sourceLine, text, sizeof text);
    presenter.load()("ScriptSite", text);
    return S_OK;
}

ScriptErrorPresenter SetScriptErrorPresenter(ScriptErrorPresenter replacement) {
    return presenter.exchange(replacement != nullptr ? replacement : ReportScriptError);
}

ScopedScriptErrorOrigin::ScopedScriptErrorOrigin(const ScriptErrorOrigin& origin)
    : previous_(currentOrigin) {
    currentOrigin = origin;
}

ScopedScriptErrorOrigin::~ScopedScriptErrorOrigin() {
    currentOrigin = previous_;
}

void FormatScriptError(const EXCEPINFO& excepInfo, ULONG line, LONG column, BSTR sourceLine,
                       char* destination, size_t capacity) {
    const ScriptErrorOrigin& origin = currentOrigin;
    std::string where;
    unsigned long shownLine = line + 1;
    if (origin.filterName != nullptr) {
        where = "Filter: " + OneLine(origin.filterName) +
                "; File: " + OneLine(origin.fileName != nullptr ? origin.fileName : "") + "; ";
        // An error in the lines wrapped around the file (an unclosed block is noticed
        // only there) keeps its program line number.
        if (line >= origin.firstLine) shownLine = line - origin.firstLine + 1;
    }
    std::snprintf(destination, capacity,
                  "Script Error: %sLine: %lu Column: %d; Source: %s; Error: %08X; "
                  "Description: %s; Code: %s",
                  where.c_str(), shownLine, static_cast<int>(column),
                  OneLine(FromOleString(CP_ACP, excepInfo.bstrSource)).c_str(),
                  static_cast<unsigned>(excepInfo.scode),
                  OneLine(FromOleString(CP_ACP, excepInfo.bstrDescription)).c_str(),
                  OneLine(FromOleString(CP_ACP, sourceLine)).c_str());
}
