// bench/VBScriptBench.cpp: time per call of a typical filter program (the fixed header, a
// 20-line body, the trailer): parsed and run directly, and through the whole host sequence.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/ActiveScript.h"
#include "vbscript/ComValues.h"
#include "vbscript/Interpreter.h"
#include "vbscript/Parser.h"
#include "vbscript/ScriptEngine.h"

namespace {

using namespace platform;

const std::string kProgram =
    "Dim QPResultData\r\nQPResultData = \"SCRIPT\"\r\nFunction QP_GetResultData()\r\n"
    "QP_GetResultData=QPResultData\r\nEnd Function\r\nFunction CriteriaMet(Value,Condition)\r\n"
    "\tCriteriaMet=(Value<>0)\r\nEnd Function\r\nFunction QP_Execute\r\n\tFilterResult=0\r\n"
    "Dim subjectHit, bodyHit, size, hour\r\n"
    "subjectHit = CriteriaMet(1, \"free\")\r\n"
    "bodyHit = CriteriaMet(0, \"winner\")\r\n"
    "size = 20480\r\n"
    "hour = 14\r\n"
    "If subjectHit And Not bodyHit Then\r\n"
    "    If size > 10000 Then\r\n"
    "        FilterResult = 1\r\n"
    "        QPResultData = \"SUBJECT\"\r\n"
    "    End If\r\n"
    "ElseIf bodyHit Then\r\n"
    "    FilterResult = 1\r\n"
    "End If\r\n"
    "Select Case hour\r\n"
    "    Case 0 To 6, 22, 23\r\n"
    "        FilterResult = FilterResult Or 2\r\n"
    "End Select\r\n"
    "If InStr(1, LCase(\"Sender@Example.COM\"), \"example.com\") > 0 Then\r\n"
    "    QPResultData = QPResultData & \":DOMAIN\"\r\n"
    "End If\r\n"
    "\r\nQP_Execute = FilterResult\r\nEnd Function\r\n";

void ParseAndRun(benchmark::State& state) {
    for (auto _ : state) {
        vbscript::Interpreter interp;
        const vbscript::Unit& unit = interp.Load(vbscript::ParseProgram(kProgram, 0));
        interp.Run(unit);
        benchmark::DoNotOptimize(interp.CallProcedure(*interp.FindProcedure("qp_execute"), {}));
    }
}
BENCHMARK(ParseAndRun);

class QuietSite final : public IActiveScriptSite {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetLCID(LCID* lcid) override {
        *lcid = LOCALE_SYSTEM_DEFAULT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR, DWORD, IUnknown**, ITypeInfo**) override {
        return TYPE_E_ELEMENTNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnEnterScript() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnLeaveScript() override { return S_OK; }
};

void HostSequence(benchmark::State& state) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    vbscript::RegisterVBScriptEngine();
    std::wstring program = vbscript::Widen(kProgram);
    QuietSite site;
    for (auto _ : state) {
        CLSID clsid;
        IActiveScript* engine = nullptr;
        IActiveScriptParse64* parse = nullptr;
        IDispatch* dispatch = nullptr;
        CLSIDFromProgID(L"vbscript", &clsid);
        CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IActiveScript,
                         reinterpret_cast<void**>(&engine));
        engine->SetScriptSite(&site);
        engine->QueryInterface(IID_IActiveScriptParse64, reinterpret_cast<void**>(&parse));
        parse->InitNew();
        EXCEPINFO info{};
        parse->ParseScriptText(program.c_str(), nullptr, nullptr, nullptr, 0, 0,
                               SCRIPTTEXT_ISVISIBLE, nullptr, &info);
        engine->SetScriptState(SCRIPTSTATE_CONNECTED);
        engine->GetScriptDispatch(nullptr, &dispatch);
        LPOLESTR names[] = {const_cast<LPOLESTR>(L"QP_Execute")};
        DISPID id = 0;
        dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        VARIANT result;
        VariantInit(&result);
        dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result,
                         nullptr, nullptr);
        benchmark::DoNotOptimize(result.iVal);
        VariantClear(&result);
        dispatch->Release();
        engine->SetScriptState(SCRIPTSTATE_DISCONNECTED);
        engine->InterruptScriptThread(SCRIPTTHREADID_ALL, nullptr, 0);
        engine->Close();
        parse->Release();
        engine->Release();
    }
    CoUninitialize();
}
BENCHMARK(HostSequence);

}  // namespace

BENCHMARK_MAIN();
