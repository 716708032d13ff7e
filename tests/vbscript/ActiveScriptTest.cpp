// tests/vbscript/ActiveScriptTest.cpp: drives the engine through the Active Scripting
// stand-ins exactly as the script host does, and checks what the host gets back.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/RegistryAccess.h"
#include "platform/ActiveScript.h"
#include "platform/Registry.h"
#include "vbscript/ScriptEngine.h"

namespace {

using namespace platform;

// A site like the host's: no named items, errors recorded instead of shown.
class TestSite final : public IActiveScriptSite, public IActiveScriptSiteWindow {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (riid == IID_IUnknown || riid == IID_IActiveScriptSite) {
            *object = static_cast<IActiveScriptSite*>(this);
        } else if (riid == IID_IActiveScriptSiteWindow) {
            *object = static_cast<IActiveScriptSiteWindow*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetLCID(LCID* lcid) override {
        *lcid = LOCALE_SYSTEM_DEFAULT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR, DWORD, IUnknown**, ITypeInfo**) override {
        return TYPE_E_ELEMENTNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR* version) override {
        *version = SysAllocString(L"ScriptSite");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError* error) override {
        EXCEPINFO info{};
        error->GetExceptionInfo(&info);
        DWORD context = 0;
        ULONG line = 0;
        LONG column = 0;
        error->GetSourcePosition(&context, &line, &column);
        BSTR text = nullptr;
        error->GetSourceLineText(&text);
        errors.push_back({info.scode, static_cast<int>(line), static_cast<int>(column),
                          std::wstring(info.bstrDescription), std::wstring(text)});
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(text);
        return errorResult;
    }
    HRESULT STDMETHODCALLTYPE OnEnterScript() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnLeaveScript() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        *window = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }

    struct Reported {
        SCODE scode;
        int line;
        int column;
        std::wstring description;
        std::wstring lineText;
    };
    std::vector<Reported> errors;
    HRESULT errorResult = S_OK;
    ULONG refs = 1;
};

// One engine set up as the host sets it up; closed and released at the end.
class HostedEngine {
public:
    explicit HostedEngine(TestSite* site) {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        vbscript::RegisterVBScriptEngine();
        CLSID clsid;
        EXPECT_EQ(S_OK, CLSIDFromProgID(L"vbscript", &clsid));
        EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IActiveScript,
                                         reinterpret_cast<void**>(&engine)));
        EXPECT_EQ(S_OK, engine->SetScriptSite(site));
        EXPECT_EQ(S_OK, engine->QueryInterface(IID_IActiveScriptParse64,
                                               reinterpret_cast<void**>(&parse)));
        EXPECT_EQ(S_OK, parse->InitNew());
    }
    ~HostedEngine() {
        if (dispatch != nullptr) dispatch->Release();
        engine->SetScriptState(SCRIPTSTATE_DISCONNECTED);
        engine->InterruptScriptThread(SCRIPTTHREADID_ALL, nullptr, 0);
        engine->Close();
        parse->Release();
        engine->Release();
        CoUninitialize();
    }
    HRESULT Parse(const wchar_t* code) {
        EXCEPINFO info{};
        HRESULT hr = parse->ParseScriptText(code, nullptr, nullptr, nullptr, 0, 0,
                                            SCRIPTTEXT_ISVISIBLE, nullptr, &info);
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        return hr;
    }
    HRESULT Connect() {
        HRESULT hr = engine->SetScriptState(SCRIPTSTATE_CONNECTED);
        if (SUCCEEDED(hr)) hr = engine->GetScriptDispatch(nullptr, &dispatch);
        return hr;
    }
    HRESULT Lookup(const wchar_t* name, DISPID* id) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        return dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
    }
    HRESULT Call(const wchar_t* name, VARIANT* result) {
        DISPID id = 0;
        HRESULT hr = Lookup(name, &id);
        if (FAILED(hr)) return hr;
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        VariantInit(result);
        return dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, result,
                                nullptr, nullptr);
    }

    IActiveScript* engine = nullptr;
    IActiveScriptParse64* parse = nullptr;
    IDispatch* dispatch = nullptr;
};

// Runs `code`, calls `function`, and returns the result variant (host code clears it).
HRESULT RunFunction(TestSite* site, const wchar_t* code, const wchar_t* function, VARIANT* result) {
    HostedEngine host(site);
    HRESULT hr = host.Parse(code);
    if (SUCCEEDED(hr)) hr = host.Connect();
    if (SUCCEEDED(hr)) hr = host.Call(function, result);
    return hr;
}

TEST(ResultTypes, LanguageSubtypesReachTheHost) {
    struct Case {
        const wchar_t* body;
        VARTYPE vt;
    } cases[] = {{L"F = 1", VT_I2},   {L"F = 70000", VT_I4},   {L"F = True", VT_BOOL},
                 {L"F = 1.5", VT_R8}, {L"F = \"s\"", VT_BSTR}, {L"", VT_EMPTY}};
    for (const Case& c : cases) {
        TestSite site;
        std::wstring code = std::wstring(L"Function F\r\n") + c.body + L"\r\nEnd Function\r\n";
        VARIANT result;
        ASSERT_EQ(S_OK, RunFunction(&site, code.c_str(), L"F", &result)) << code.c_str();
        EXPECT_EQ(c.vt, result.vt);
        if (c.vt == VT_I2) {
            EXPECT_EQ(1, result.iVal);
        } else if (c.vt == VT_I4) {
            EXPECT_EQ(70000, result.lVal);
        } else if (c.vt == VT_BOOL) {
            EXPECT_EQ(VARIANT_TRUE, result.boolVal);
        } else if (c.vt == VT_R8) {
            EXPECT_EQ(1.5, result.dblVal);
        }
        VariantClear(&result);
    }
}

TEST(ResultTypes, FilterProgramReturnsItsResultAndData) {
    const wchar_t* program =
        L"Dim QPResultData\r\nQPResultData = \"SCRIPT\"\r\nFunction QP_GetResultData()\r\n"
        L"QP_GetResultData=QPResultData\r\nEnd Function\r\n"
        L"Function CriteriaMet(Value,Condition)\r\n\tCriteriaMet=(Value<>0)\r\nEnd Function\r\n"
        L"Function QP_Execute\r\n\tFilterResult=0\r\n"
        L"If CriteriaMet(1, \"free\") Then FilterResult = 1\r\n"
        L"QP_Execute = FilterResult\r\nEnd Function\r\n";
    TestSite site;
    HostedEngine host(&site);
    ASSERT_EQ(S_OK, host.Parse(program));
    ASSERT_EQ(S_OK, host.Connect());
    VARIANT result;
    ASSERT_EQ(S_OK, host.Call(L"qp_execute", &result));
    EXPECT_EQ(VT_I2, result.vt);
    EXPECT_EQ(1, result.iVal);
    ASSERT_EQ(S_OK, host.Call(L"QP_GetResultData", &result));
    ASSERT_EQ(VT_BSTR, result.vt);
    EXPECT_EQ(std::wstring(L"SCRIPT"), result.bstrVal);
    VariantClear(&result);
}

// Arrays and objects come back as the platform engine returns them: a safe array of
// VARIANTs (nested arrays inside), and an object whose members call back into the script
// while the engine lives and fail cleanly once it is closed.
TEST(ResultTypes, ArraysAndObjectsReachTheHost) {
    const wchar_t* program =
        L"Class Counter\r\nPublic Count\r\nPublic Function Add(n)\r\nCount = Count + n\r\n"
        L"Add = Count\r\nEnd Function\r\nEnd Class\r\n"
        L"Function Items\r\nDim m(1, 2)\r\nm(1, 2) = \"last\"\r\n"
        L"Items = Array(1, \"two\", Array(3), m)\r\nEnd Function\r\n"
        L"Function Made\r\nSet Made = New Counter\r\nMade.Count = 40\r\nEnd Function\r\n"
        L"Function Nobody\r\nSet Nobody = Nothing\r\nEnd Function\r\n";
    TestSite site;
    IDispatch* object = nullptr;
    {
        HostedEngine host(&site);
        ASSERT_EQ(S_OK, host.Parse(program));
        ASSERT_EQ(S_OK, host.Connect());
        VARIANT result;
        ASSERT_EQ(S_OK, host.Call(L"Items", &result));
        ASSERT_EQ(VT_ARRAY | VT_VARIANT, result.vt);
        LONG upper = 0;
        EXPECT_EQ(1u, SafeArrayGetDim(result.parray));
        EXPECT_EQ(S_OK, SafeArrayGetUBound(result.parray, 1, &upper));
        EXPECT_EQ(3, upper);
        VARIANT element;
        LONG index = 1;
        ASSERT_EQ(S_OK, SafeArrayGetElement(result.parray, &index, &element));
        EXPECT_EQ(std::wstring(L"two"), element.bstrVal);
        VariantClear(&element);
        index = 3;
        ASSERT_EQ(S_OK, SafeArrayGetElement(result.parray, &index, &element));
        ASSERT_EQ(VT_ARRAY | VT_VARIANT, element.vt);
        EXPECT_EQ(2u, SafeArrayGetDim(element.parray));
        EXPECT_EQ(S_OK, SafeArrayGetUBound(element.parray, 2, &upper));
        EXPECT_EQ(2, upper);
        LONG corner[] = {2, 1};  // m(1, 2): rightmost dimension first
        VARIANT last;
        ASSERT_EQ(S_OK, SafeArrayGetElement(element.parray, corner, &last));
        EXPECT_EQ(std::wstring(L"last"), last.bstrVal);
        VariantClear(&last);
        VariantClear(&element);
        VariantClear(&result);

        ASSERT_EQ(S_OK, host.Call(L"Nobody", &result));
        EXPECT_EQ(VT_DISPATCH, result.vt);
        EXPECT_EQ(nullptr, result.pdispVal);

        ASSERT_EQ(S_OK, host.Call(L"Made", &result));
        ASSERT_EQ(VT_DISPATCH, result.vt);
        object = result.pdispVal;
        LPOLESTR add[] = {const_cast<LPOLESTR>(L"ADD")};
        DISPID id = 0;
        ASSERT_EQ(S_OK, object->GetIDsOfNames(IID_NULL, add, 1, LOCALE_USER_DEFAULT, &id));
        VARIANT argument;
        VariantInit(&argument);
        argument.vt = VT_I2;
        argument.iVal = 2;
        DISPPARAMS params{&argument, nullptr, 1, 0};
        VARIANT sum;
        ASSERT_EQ(S_OK, object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                       &sum, nullptr, nullptr));
        EXPECT_EQ(42, sum.vt == VT_I2 ? sum.iVal : -1);
        VariantClear(&sum);
    }
    // The engine is closed: the object the host still holds answers, but runs nothing.
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT value;
    EXPECT_EQ(E_UNEXPECTED, object->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT,
                                           DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr));
    object->Release();
}

TEST(Errors, SyntaxErrorIsReportedWithPosition) {
    TestSite site;
    HostedEngine host(&site);
    EXPECT_EQ(SCRIPT_E_REPORTED, host.Parse(L"x = 1\r\nIf x Then y = 2 Else\r\nz = )"));
    ASSERT_EQ(1u, site.errors.size());
    EXPECT_EQ(static_cast<SCODE>(0x800A03FF), site.errors[0].scode);  // 1023 Expected expression
    EXPECT_EQ(2, site.errors[0].line);
    EXPECT_EQ(std::wstring(L"z = )"), site.errors[0].lineText);
}

TEST(Errors, UnreportedErrorReturnsItsOwnCode) {
    TestSite site;
    site.errorResult = E_FAIL;
    HostedEngine host(&site);
    EXPECT_EQ(static_cast<HRESULT>(0x800A03EA), host.Parse(L"On Error Foo"));  // 1002 Syntax error
}

TEST(Errors, RuntimeErrorInFunctionIsReported) {
    TestSite site;
    VARIANT result;
    EXPECT_EQ(SCRIPT_E_REPORTED,
              RunFunction(&site, L"Function F\r\n  F = 1 / 0\r\nEnd Function", L"F", &result));
    ASSERT_EQ(1u, site.errors.size());
    EXPECT_EQ(static_cast<SCODE>(0x800A000B), site.errors[0].scode);
    EXPECT_EQ(1, site.errors[0].line);
    EXPECT_EQ(std::wstring(L"Division by zero"), site.errors[0].description);
}

// An error deep in the procedures a host call runs unwinds to the nearest handler on the
// way out: the function the host called carries on and returns, and nothing is reported;
// without any handler it is reported once, at the line where it arose.
TEST(Errors, ErrorUnwindsToTheCallersHandlerUnderTheHost) {
    const wchar_t* program =
        L"Function Inner\r\n  Inner = 1\r\n  Err.Raise 5000\r\nEnd Function\r\n"
        L"Function Middle\r\n  Middle = Inner() + 1\r\nEnd Function\r\n"
        L"Function Guarded\r\n  On Error Resume Next\r\n  Guarded = Middle()\r\n"
        L"  If Err.Number = 5000 Then Guarded = 7\r\nEnd Function\r\n";
    TestSite site;
    VARIANT result;
    ASSERT_EQ(S_OK, RunFunction(&site, program, L"Guarded", &result));
    EXPECT_TRUE(site.errors.empty());
    EXPECT_EQ(VT_I2, result.vt);
    EXPECT_EQ(7, result.iVal);
    EXPECT_EQ(SCRIPT_E_REPORTED, RunFunction(&site, program, L"Middle", &result));
    ASSERT_EQ(1u, site.errors.size());
    EXPECT_EQ(static_cast<SCODE>(0x800A1388), site.errors[0].scode);
    EXPECT_EQ(2, site.errors[0].line);
}

TEST(Errors, UnknownFunctionNameIsUnknown) {
    TestSite site;
    HostedEngine host(&site);
    ASSERT_EQ(S_OK, host.Parse(L"Function F\r\nEnd Function"));
    ASSERT_EQ(S_OK, host.Connect());
    DISPID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, host.Lookup(L"QP_Execute", &id));
    EXPECT_EQ(DISPID_UNKNOWN, id);
    EXPECT_TRUE(site.errors.empty());
}

TEST(Errors, OptionExplicitRejectsUndeclaredNames) {
    TestSite site;
    VARIANT result;
    EXPECT_EQ(SCRIPT_E_REPORTED,
              RunFunction(&site, L"Option Explicit\r\nFunction F\r\nF = q\r\nEnd Function", L"F",
                          &result));
    ASSERT_EQ(1u, site.errors.size());
    EXPECT_EQ(static_cast<SCODE>(0x800A01F4), site.errors[0].scode);
}

TEST(Sandbox, OnlyDictionaryAndRegExpCanBeCreated) {
    const wchar_t* blocked[] = {L"WScript.Shell", L"Scripting.FileSystemObject", L"ADODB.Stream",
                                L"MSXML2.XMLHTTP"};
    for (const wchar_t* progId : blocked) {
        TestSite site;
        std::wstring code = std::wstring(L"Function F\r\nSet o = CreateObject(\"") + progId +
                            L"\")\r\nEnd Function";
        VARIANT result;
        EXPECT_EQ(SCRIPT_E_REPORTED, RunFunction(&site, code.c_str(), L"F", &result));
        ASSERT_EQ(1u, site.errors.size());
        EXPECT_EQ(static_cast<SCODE>(0x800A01AD), site.errors[0].scode);
    }
    TestSite site;
    VARIANT result;
    EXPECT_EQ(S_OK, RunFunction(&site,
                                L"Function F\r\nSet d = CreateObject(\"Scripting.Dictionary\")\r\n"
                                L"Set r = CreateObject(\"VBScript.RegExp\")\r\n"
                                L"F = d.Count\r\nEnd Function",
                                L"F", &result));
}

// The time limit comes from the registry; this points the process at a private one.
class TimeLimit : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = std::filesystem::temp_directory_path() /
                ("vbs-registry-" + std::to_string(::getpid()) + ".db");
        setenv(kRegistryPathVariable, path_.c_str(), 1);
        ASSERT_EQ(1, WriteRegistryDword(RegistryRoot::kLocalMachine, vbscript::kScriptSettingsKey,
                                        vbscript::kScriptTimeoutValue, 200));
    }
    void TearDown() override {
        unsetenv(kRegistryPathVariable);
        std::filesystem::remove(path_);
    }
    std::filesystem::path path_;
};

TEST_F(TimeLimit, RunawayLoopIsStopped) {
    TestSite site;
    VARIANT result;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(
        SCRIPT_E_REPORTED,
        RunFunction(&site, L"Function F\r\nOn Error Resume Next\r\nDo\r\nLoop\r\nEnd Function",
                    L"F", &result));
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(3));
    ASSERT_EQ(1u, site.errors.size());
    EXPECT_EQ(static_cast<SCODE>(0x800A0012), site.errors[0].scode);
}

TEST_F(TimeLimit, MemoryCapComesFromTheRegistry) {
    ASSERT_EQ(1, WriteRegistryDword(RegistryRoot::kLocalMachine, vbscript::kScriptSettingsKey,
                                    vbscript::kScriptMemoryLimitValue, 1));
    TestSite site;
    VARIANT result;
    EXPECT_EQ(SCRIPT_E_REPORTED,
              RunFunction(&site,
                          L"Function F\r\nOn Error Resume Next\r\nF = Len(Space(2000000))\r\n"
                          L"End Function",
                          L"F", &result));
    ASSERT_EQ(1u, site.errors.size());
    EXPECT_EQ(static_cast<SCODE>(0x800A0007), site.errors[0].scode);
    EXPECT_NE(std::wstring::npos, site.errors[0].description.find(L"Script Memory Limit MB"));
}

TEST_F(TimeLimit, TopLevelLoopStopsConnect) {
    TestSite site;
    HostedEngine host(&site);
    ASSERT_EQ(S_OK, host.Parse(L"While True\r\nWend"));
    EXPECT_EQ(SCRIPT_E_REPORTED, host.engine->SetScriptState(SCRIPTSTATE_CONNECTED));
}

TEST(Threads, EnginesOnSeveralThreadsDoNotMeet) {
    std::vector<std::thread> threads;
    std::vector<int> results(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &results] {
            for (int round = 0; round < 20; ++round) {
                TestSite site;
                std::wstring code =
                    L"Function F\r\nDim d : Set d = CreateObject(\"Scripting."
                    L"Dictionary\")\r\nFor i = 1 To 50 : d.Add i, i * " +
                    std::to_wstring(t + 1) + L" : Next\r\nF = d(50)\r\nEnd Function";
                VARIANT result;
                if (RunFunction(&site, code.c_str(), L"F", &result) == S_OK)
                    results[t] = result.iVal;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < 4; ++t) EXPECT_EQ(50 * (t + 1), results[t]);
}

TEST(ComStandIn, CreationNeedsComStarted) {
    vbscript::RegisterVBScriptEngine();
    void* object = nullptr;
    EXPECT_EQ(CO_E_NOTINITIALIZED,
              CoCreateInstance(CLSID_VBScript, nullptr, CLSCTX_ALL, IID_IActiveScript, &object));
    CLSID clsid;
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(L"Scripting.FileSystemObject", &clsid));
}

TEST(ComStandIn, VariantCopyDuplicatesStrings) {
    VARIANT a, b;
    VariantInit(&a);
    VariantInit(&b);
    a.vt = VT_BSTR;
    a.bstrVal = SysAllocString(L"text");
    ASSERT_EQ(S_OK, VariantCopy(&b, &a));
    EXPECT_NE(a.bstrVal, b.bstrVal);
    EXPECT_EQ(4u, SysStringLen(b.bstrVal));
    VariantClear(&a);
    VariantClear(&b);
    EXPECT_EQ(VT_EMPTY, b.vt);
}

}  // namespace

// A copied array owns copies of its elements; indices outside the bounds are refused.
TEST(ComStandIn, VariantCopyDuplicatesArrays) {
    SAFEARRAYBOUND bounds[] = {{2, 1}, {3, 0}};  // (1 To 2, 0 To 2)
    VARIANT a, b, element;
    VariantInit(&a);
    VariantInit(&b);
    VariantInit(&element);
    a.vt = VT_ARRAY | VT_VARIANT;
    a.parray = SafeArrayCreate(VT_VARIANT, 2, bounds);
    ASSERT_NE(nullptr, a.parray);
    element.vt = VT_BSTR;
    element.bstrVal = SysAllocString(L"corner");
    LONG corner[] = {2, 2};  // rightmost dimension first
    ASSERT_EQ(S_OK, SafeArrayPutElement(a.parray, corner, &element));
    VariantClear(&element);
    LONG outside[] = {0, 0};
    EXPECT_EQ(DISP_E_BADINDEX, SafeArrayPutElement(a.parray, outside, &element));
    ASSERT_EQ(S_OK, VariantCopy(&b, &a));
    VariantClear(&a);
    LONG lower = 0;
    EXPECT_EQ(S_OK, SafeArrayGetLBound(b.parray, 1, &lower));
    EXPECT_EQ(1, lower);
    ASSERT_EQ(S_OK, SafeArrayGetElement(b.parray, corner, &element));
    EXPECT_EQ(std::wstring(L"corner"), element.bstrVal);
    VariantClear(&element);
    VariantClear(&b);
}
