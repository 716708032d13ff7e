// vbscript/ScriptEngine.cpp: the engine object behind IActiveScript/IActiveScriptParse. No
// exception leaves these methods: script errors go to the site's OnScriptError and come back
// as SCRIPT_E_REPORTED when the site has taken them.
#include "vbscript/ScriptEngine.h"

#include <atomic>
#include <cctype>
#include <memory>
#include <vector>

#include "common/RegistryAccess.h"
#include "platform/NoThrow.h"
#include "vbscript/ComValues.h"
#include "vbscript/Interpreter.h"
#include "vbscript/ObjectDispatch.h"
#include "vbscript/Parser.h"
#include "vbscript/ScriptError.h"

namespace vbscript {
namespace {

using namespace platform;

uint32_t ReadTimeoutMs() {
    uint32_t value = kDefaultScriptTimeoutMs;
    if (!ReadRegistryDword(kScriptSettingsKey, kScriptTimeoutValue, &value) || value == 0)
        value = kDefaultScriptTimeoutMs;
    return value;
}

size_t ReadMemoryLimitBytes() {
    uint32_t megabytes = kDefaultScriptMemoryLimitMb;
    if (!ReadRegistryDword(kScriptSettingsKey, kScriptMemoryLimitValue, &megabytes) ||
        megabytes == 0)
        megabytes = kDefaultScriptMemoryLimitMb;
    return static_cast<size_t>(megabytes) << 20;
}

class ScriptEngine;

// The global item of the script: its procedures as methods, its variables as properties.
class ScriptDispatch final : public IDispatch {
public:
    explicit ScriptDispatch(ScriptEngine* engine);
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                                     UINT* argError) override;

private:
    ~ScriptDispatch() = default;
    std::atomic<ULONG> refs_{1};
    ScriptEngine* engine_;
};

class ScriptEngine final : public IActiveScript, public IActiveScriptParse64, public ObjectHost {
public:
    // IUnknown (shared by both interfaces).
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IActiveScript) {
            *object = static_cast<IActiveScript*>(this);
        } else if (riid == IID_IActiveScriptParse64 || riid == IID_IActiveScriptParse32) {
            *object = static_cast<IActiveScriptParse64*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    // IActiveScript.
    HRESULT STDMETHODCALLTYPE SetScriptSite(IActiveScriptSite* site) override {
        if (site == nullptr) return E_POINTER;
        if (site_ != nullptr) return E_UNEXPECTED;
        return NoThrow(E_OUTOFMEMORY, [&] {
            site->AddRef();
            site_ = site;
            timeoutMs_ = ReadTimeoutMs();
            if (!interp_) interp_ = std::make_unique<Interpreter>();
            interp_->SetMemoryLimit(ReadMemoryLimitBytes());
            ChangeState(SCRIPTSTATE_INITIALIZED);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetScriptSite(REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        return site_ == nullptr ? S_FALSE : site_->QueryInterface(riid, object);
    }
    HRESULT STDMETHODCALLTYPE SetScriptState(SCRIPTSTATE state) override;
    HRESULT STDMETHODCALLTYPE GetScriptState(SCRIPTSTATE* state) override {
        if (state == nullptr) return E_POINTER;
        *state = state_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Close() override {
        pending_.clear();
        interp_.reset();
        if (site_ != nullptr) {
            site_->OnStateChange(SCRIPTSTATE_CLOSED);
            site_->Release();
            site_ = nullptr;
        }
        state_ = SCRIPTSTATE_CLOSED;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AddNamedItem(LPCOLESTR, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddTypeLib(REFGUID, DWORD, DWORD, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetScriptDispatch(LPCOLESTR itemName, IDispatch** dispatch) override {
        if (dispatch == nullptr) return E_POINTER;
        *dispatch = nullptr;
        if (!interp_) return E_UNEXPECTED;
        if (itemName != nullptr && *itemName != 0) return E_INVALIDARG;
        return NoThrow(E_OUTOFMEMORY, [&] {
            *dispatch = new ScriptDispatch(this);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetCurrentScriptThreadID(SCRIPTTHREADID* id) override {
        if (id == nullptr) return E_POINTER;
        *id = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetScriptThreadID(DWORD, SCRIPTTHREADID* id) override {
        return GetCurrentScriptThreadID(id);
    }
    HRESULT STDMETHODCALLTYPE GetScriptThreadState(SCRIPTTHREADID,
                                                   SCRIPTTHREADSTATE* state) override {
        if (state == nullptr) return E_POINTER;
        *state = running_.load() ? SCRIPTTHREADSTATE_RUNNING : SCRIPTTHREADSTATE_NOTINSCRIPT;
        return S_OK;
    }
    // May come from another thread while a script runs: it only raises a flag.
    HRESULT STDMETHODCALLTYPE InterruptScriptThread(SCRIPTTHREADID, const EXCEPINFO*,
                                                    DWORD) override {
        if (Interpreter* interp = interp_.get()) {
            if (running_.load()) interp->Interrupt();
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IActiveScript** copy) override {
        if (copy != nullptr) *copy = nullptr;
        return E_NOTIMPL;
    }

    // IActiveScriptParse.
    HRESULT STDMETHODCALLTYPE InitNew() override {
        return NoThrow(E_OUTOFMEMORY, [&] {
            if (!interp_) interp_ = std::make_unique<Interpreter>();
            ChangeState(SCRIPTSTATE_INITIALIZED);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE AddScriptlet(LPCOLESTR, LPCOLESTR, LPCOLESTR, LPCOLESTR, LPCOLESTR,
                                           LPCOLESTR, DWORDLONG, ULONG, DWORD, BSTR* name,
                                           EXCEPINFO*) override {
        if (name != nullptr) *name = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ParseScriptText(LPCOLESTR code, LPCOLESTR itemName, IUnknown* context,
                                              LPCOLESTR delimiter, DWORDLONG cookie,
                                              ULONG startingLine, DWORD flags, VARIANT* result,
                                              EXCEPINFO* excepInfo) override;

    // Services for the dispatch objects (the script's and those of the objects it hands out).
    Interpreter* Interp() override { return interp_.get(); }
    void HoldEngine() override { AddRef(); }
    void ReleaseEngine() override { Release(); }
    HRESULT RunForHost(EXCEPINFO* excepInfo, const std::function<HRESULT()>& work) override {
        return Enter(excepInfo, DISP_E_EXCEPTION, work);
    }
    std::vector<std::string>& DispatchNames() { return dispatchNames_; }
    // Runs work inside the budget; a script error is reported and turned into a result.
    template <class Work>
    HRESULT Enter(EXCEPINFO* excepInfo, HRESULT errorResult, Work&& work);

private:
    ~ScriptEngine() { Close(); }
    void ChangeState(SCRIPTSTATE state) {
        state_ = state;
        if (site_ != nullptr) site_->OnStateChange(state);
    }
    HRESULT RunPending();
    HRESULT Report(const ScriptError& error, EXCEPINFO* excepInfo, HRESULT errorResult);

    std::atomic<ULONG> refs_{1};
    IActiveScriptSite* site_ = nullptr;
    SCRIPTSTATE state_ = SCRIPTSTATE_UNINITIALIZED;
    std::unique_ptr<Interpreter> interp_;
    std::vector<const Unit*> pending_;
    std::vector<const Unit*> units_;
    std::vector<std::string> dispatchNames_;
    uint32_t timeoutMs_ = kDefaultScriptTimeoutMs;
    std::atomic<bool> running_{false};
};

template <class Work>
HRESULT ScriptEngine::Enter(EXCEPINFO* excepInfo, HRESULT errorResult, Work&& work) {
    if (!interp_) return E_UNEXPECTED;
    try {
        interp_->SetDeadline(Interpreter::Clock::now() + std::chrono::milliseconds(timeoutMs_));
        running_.store(true);
        if (site_ != nullptr) site_->OnEnterScript();
        HRESULT hr = work();
        running_.store(false);
        if (site_ != nullptr) site_->OnLeaveScript();
        return hr;
    } catch (const ScriptError& error) {
        running_.store(false);
        if (site_ != nullptr) site_->OnLeaveScript();
        return Report(error, excepInfo, errorResult);
    } catch (...) {
        running_.store(false);
        ScriptError error;
        error.number = kErrOutOfMemory;
        error.description = ErrorText(kErrOutOfMemory);
        error.source = kRuntimeSource;
        return Report(error, excepInfo, errorResult);
    }
}

HRESULT ScriptEngine::Report(const ScriptError& error, EXCEPINFO* excepInfo, HRESULT errorResult) {
    return NoThrow(E_OUTOFMEMORY, [&] {
        std::string lineText = error.lineText;
        for (const Unit* unit : units_) {
            if (error.compile) break;
            int index = error.line - unit->firstLine;
            if (index >= 0 && index < unit->lineCount) lineText = LineOf(unit->source, index);
        }
        if (site_ != nullptr) {
            IActiveScriptError* report = NewScriptErrorReport(error, lineText);
            HRESULT handled = site_->OnScriptError(report);
            report->Release();
            if (handled == S_OK) return SCRIPT_E_REPORTED;
        }
        if (excepInfo != nullptr) FillExcepInfo(error, excepInfo);
        return errorResult == S_OK ? ErrorHresult(error.number) : errorResult;
    });
}

HRESULT ScriptEngine::RunPending() {
    while (!pending_.empty()) {
        const Unit* unit = pending_.front();
        pending_.erase(pending_.begin());
        HRESULT hr = Enter(nullptr, S_OK, [&] {
            interp_->Run(*unit);
            return S_OK;
        });
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT ScriptEngine::SetScriptState(SCRIPTSTATE state) {
    switch (state) {
        case SCRIPTSTATE_STARTED:
        case SCRIPTSTATE_CONNECTED: {
            if (site_ == nullptr || !interp_) return E_UNEXPECTED;
            ChangeState(state);
            return RunPending();
        }
        case SCRIPTSTATE_DISCONNECTED:
        case SCRIPTSTATE_INITIALIZED:
            if (!interp_) return E_UNEXPECTED;
            ChangeState(state);
            return S_OK;
        case SCRIPTSTATE_CLOSED:
            return Close();
        default:
            return E_INVALIDARG;
    }
}

HRESULT ScriptEngine::ParseScriptText(LPCOLESTR code, LPCOLESTR /*itemName*/, IUnknown* /*context*/,
                                      LPCOLESTR /*delimiter*/, DWORDLONG /*cookie*/,
                                      ULONG startingLine, DWORD flags, VARIANT* result,
                                      EXCEPINFO* excepInfo) {
    if (result != nullptr) VariantInit(result);
    if (excepInfo != nullptr) *excepInfo = EXCEPINFO{};
    if (!interp_) return E_UNEXPECTED;
    if ((flags & SCRIPTTEXT_ISEXPRESSION) != 0) return E_NOTIMPL;
    const Unit* unit = nullptr;
    HRESULT hr = Enter(excepInfo, S_OK, [&] {
        std::string text = Narrow(code);
        std::unique_ptr<Unit> parsed;
        try {
            parsed = ParseProgram(text, static_cast<int>(startingLine));
        } catch (ScriptError& error) {
            error.lineText = LineOf(text, error.line - static_cast<int>(startingLine));
            throw;
        }
        unit = &interp_->Load(std::move(parsed));
        units_.push_back(unit);
        return S_OK;
    });
    if (FAILED(hr)) return hr;
    pending_.push_back(unit);
    if (state_ == SCRIPTSTATE_STARTED || state_ == SCRIPTSTATE_CONNECTED) return RunPending();
    return S_OK;
}

ScriptDispatch::ScriptDispatch(ScriptEngine* engine) : engine_(engine) {
    static_cast<IActiveScript*>(engine_)->AddRef();
}

ULONG ScriptDispatch::Release() {
    ULONG left = --refs_;
    if (left == 0) {
        static_cast<IActiveScript*>(engine_)->Release();
        delete this;
    }
    return left;
}

HRESULT ScriptDispatch::QueryInterface(REFIID riid, void** object) {
    return OfferInterface(riid == IID_IUnknown || riid == IID_IDispatch,
                          static_cast<IDispatch*>(this), object);
}

HRESULT ScriptDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
    Interpreter* interp = engine_->Interp();
    if (interp == nullptr) return E_UNEXPECTED;
    return NoThrow(E_OUTOFMEMORY, [&] {
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        std::string name = Narrow(names[0]);
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (interp->FindProcedure(name) == nullptr && interp->FindGlobal(name) == nullptr)
            return DISP_E_UNKNOWNNAME;
        std::vector<std::string>& known = engine_->DispatchNames();
        size_t index = 0;
        while (index < known.size() && known[index] != name) ++index;
        if (index == known.size()) known.push_back(name);
        ids[0] = static_cast<DISPID>(index + 1);
        return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
    });
}

HRESULT ScriptDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* excepInfo, UINT* /*argError*/) {
    Interpreter* interp = engine_->Interp();
    if (interp == nullptr) return E_UNEXPECTED;
    std::vector<std::string>& known = engine_->DispatchNames();
    if (id < 1 || static_cast<size_t>(id) > known.size()) return DISP_E_MEMBERNOTFOUND;
    if (result != nullptr) VariantInit(result);
    const std::string name = known[static_cast<size_t>(id) - 1];
    return engine_->Enter(excepInfo, DISP_E_EXCEPTION, [&]() -> HRESULT {
        std::vector<Value> args;
        UINT count = params != nullptr ? params->cArgs : 0;
        for (UINT i = 0; i < count; ++i) args.push_back(FromVariant(params->rgvarg[count - 1 - i]));
        Value value;
        if (ProcedurePtr proc = interp->FindProcedure(name)) {
            if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0)
                return DISP_E_MEMBERNOTFOUND;
            value = interp->CallProcedure(*proc, std::move(args));
        } else if (Variable* var = interp->FindGlobal(name)) {
            if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) {
                if (args.size() != 1) return DISP_E_BADPARAMCOUNT;
                var->value = args[0];
                return S_OK;
            }
            value = var->value;
        } else {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (result == nullptr) return S_OK;
        return ToVariant(value, result, engine_);
    });
}

// Registers at load time for programs that link the whole library.
[[maybe_unused]] const bool kRegistered = (RegisterVBScriptEngine(), true);

}  // namespace

HRESULT CreateVBScriptEngine(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    return NoThrow(E_OUTOFMEMORY, [&] {
        auto* engine = new ScriptEngine();
        HRESULT hr = engine->QueryInterface(riid, object);
        static_cast<IActiveScript*>(engine)->Release();
        return hr;
    });
}

void RegisterVBScriptEngine() {
    RegisterComClass("vbscript", CLSID_VBScript, CreateVBScriptEngine);
    RegisterComClass("VBS", CLSID_VBScript, CreateVBScriptEngine);
}

}  // namespace vbscript
