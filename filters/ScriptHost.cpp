// filters/ScriptHost.cpp: the script runner behind ExecuteVBScript.
//
// Every failing step ends the call with 0 after closing the engine; the MTA and the
// filter run only ever see a number.
#include "filters/ScriptHost.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/ReportLog.h"
#include "base/Settings.h"
#include "common/Console.h"
#include "common/TextSearch.h"
#include "filters/ScriptSite.h"
#include "platform/CodePage.h"
#include "platform/Desktop.h"
#include "platform/Ownership.h"

using namespace platform;

namespace {

// The result data of a program, fetched from this function when it has one.
constexpr const OLECHAR* kResultDataFunction = L"QP_GetResultData";

// The engine holds a reference to its site, so the site's last release can only come
// after the engine is closed: every way out of a call closes it first.
struct SiteReleaser {
    void operator()(CComObject<CScriptSiteBasic>* site) const {
        site->CloseScriptEngine();
        site->Release();
    }
};
using HeldSite = std::unique_ptr<CComObject<CScriptSiteBasic>, SiteReleaser>;

struct DispatchReleaser {
    void operator()(IDispatch* dispatch) const { dispatch->Release(); }
};
using HeldDispatch = std::unique_ptr<IDispatch, DispatchReleaser>;

// A variant that is cleared when it goes.
struct ScopedVariant {
    VARIANT value;
    ScopedVariant() {
        std::memset(&value, 0, sizeof value);  // a numeric result reads its low bits
        VariantInit(&value);
    }
    ~ScopedVariant() { VariantClear(&value); }
};

// The dispatch identifier of the program's function `name`.
HRESULT LookUpFunction(IDispatch* dispatch, const OLECHAR* name, DISPID* id) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    return dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
}

// Calls function `id` as a method without arguments.
HRESULT CallFunction(IDispatch* dispatch, DISPID id, VARIANT* result) {
    DISPPARAMS noArguments{nullptr, nullptr, 0, 0};
    EXCEPINFO excepInfo{};
    const HRESULT hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                        &noArguments, result, &excepInfo, nullptr);
    SysFreeString(excepInfo.bstrSource);
    SysFreeString(excepInfo.bstrDescription);
    SysFreeString(excepInfo.bstrHelpFile);
    return hr;
}

// The first 16 bits of the value, widened with their sign: Integer 1 gives 1, True
// gives -1, a Long its low 16 bits. A string or object holds a pointer there, whose bits
// would change from run to run: it gives 0.
int32_t SixteenBitResult(const VARIANT& value) {
    switch (value.vt) {
        case VT_BSTR:
        case VT_DISPATCH:
        case VT_UNKNOWN:
            return 0;
        default:
            if ((value.vt & (VT_BYREF | VT_ARRAY)) != 0) return 0;
            return static_cast<int32_t>(value.iVal);
    }
}

// The program's QP_GetResultData into the caller's buffer. A string too long for the
// buffer is cut, since the text only names the match in logs; a value that is neither
// empty nor a string gives an empty text rather than leaving an older one behind.
void FetchResultData(IDispatch* dispatch, char* resultData, int32_t capacity) {
    ScopedVariant data;
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(LookUpFunction(dispatch, kResultDataFunction, &id)) ||
        FAILED(CallFunction(dispatch, id, &data.value)))
        return;
    resultData[0] = '\0';
    if (data.value.vt != VT_BSTR || data.value.bstrVal == nullptr) return;
    const BSTR text = data.value.bstrVal;
    const int length = static_cast<int>(SysStringLen(text));
    // In a multi-byte code page a character may take several bytes, so the cut is found by
    // asking for the size; a cut never splits a surrogate pair into a stray half.
    int kept = length < capacity ? length : capacity - 1;
    for (;;) {
        if (kept > 0 && text[kept - 1] >= 0xD800 && text[kept - 1] <= 0xDBFF) --kept;
        const int needed = WideCharToMultiByte(CP_ACP, 0, text, kept, nullptr, 0, nullptr, nullptr);
        if (needed <= capacity - 1) break;
        kept = std::max(0, kept - (needed - (capacity - 1)));
    }
    const int written = kept > 0 ? WideCharToMultiByte(CP_ACP, 0, text, kept, resultData,
                                                       capacity - 1, nullptr, nullptr)
                                 : 0;
    resultData[written > 0 ? written : 0] = '\0';
}

bool MentionsResultData(const char* script) {
    return FindNoCase(script, kMeasureLength, "QP_GetResultData", kMeasureLength) != nullptr;
}

int32_t RunScript(const char* script, const char* functionName, char* resultData,
                  int32_t resultDataCapacity, int32_t fetchResultData) {
    const bool mayWriteResultData = resultData != nullptr && resultDataCapacity >= 1;
    if (mayWriteResultData && fetchResultData != 0) resultData[0] = '\0';

    CComObject<CScriptSiteBasic>* created = nullptr;
    if (FAILED(CComObject<CScriptSiteBasic>::CreateInstance(&created))) return 0;
    created->AddRef();
    HeldSite site(created);

    if (FAILED(site->CreateScriptEngine("vbscript", GetDesktopWindow()))) return 0;
    const HRESULT parsed = site->AddScriptText(script, nullptr);
    if (FAILED(parsed)) {
        if (mayWriteResultData && fetchResultData != 0)
            std::snprintf(resultData, static_cast<size_t>(resultDataCapacity),
                          "Script Syntax Error: HRESULT = %ld.", static_cast<long>(parsed));
        return 0;
    }
    if (FAILED(site->ConnectScript())) return 0;
    IDispatch* rawDispatch = nullptr;
    if (FAILED(site->Engine()->GetScriptDispatch(nullptr, &rawDispatch)) || rawDispatch == nullptr)
        return 0;
    HeldDispatch dispatch(rawDispatch);

    const std::wstring name = ToOleString(CP_ACP, functionName);

    int32_t result = 0;
    ScopedVariant returned;
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(LookUpFunction(dispatch.get(), name.c_str(), &id))) return 0;
    if (FAILED(CallFunction(dispatch.get(), id, &returned.value))) {
        char line[128];
        std::snprintf(line, sizeof line,
                      "Script failed. 'QP_Execute()' function returned value = %ld.\n",
                      static_cast<long>(result));
        ScriptTrace(line);
    } else {
        result = SixteenBitResult(returned.value);
        ScriptTrace("Script executed successfully.\n");
    }
    if ((result != 0 && mayWriteResultData && MentionsResultData(script)) ||
        (fetchResultData != 0 && mayWriteResultData))
        FetchResultData(dispatch.get(), resultData, resultDataCapacity);
    return result;
}

}  // namespace

int ScriptTrace(const char* text) {
    switch (Settings().debugStatus) {
        case 1:
            WriteReportLog(text);
            break;
        case 2:
            ConsoleLine("%s", text);
            break;
        default:
            break;
    }
    return 1;
}

int32_t ExecuteVBScript(const char* script, const char* functionName, char* resultData,
                        int32_t resultDataCapacity, int32_t fetchResultData) {
    try {
        // A host outside this library cannot reach its COM runtime to initialise the
        // thread, so the call does it.
        const platform::ComApartment apartment;
        return RunScript(script != nullptr ? script : "",
                         functionName != nullptr ? functionName : "", resultData,
                         resultDataCapacity, fetchResultData);
    } catch (...) {
        // Out of memory in a conversion: the program could not be run.
        return 0;
    }
}
