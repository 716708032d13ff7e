// vbscript/ScriptError.cpp: the error object of OnScriptError: exception information, the
// position (line and column from 0) and the text of the line.
#include "vbscript/ScriptError.h"

#include <atomic>

#include "vbscript/ComValues.h"

namespace vbscript {
namespace {

using namespace platform;

class ScriptErrorReport final : public IActiveScriptError {
public:
    ScriptErrorReport(ScriptError error, std::string lineText)
        : error_(std::move(error)), lineText_(std::move(lineText)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return OfferInterface(riid == IID_IUnknown || riid == IID_IActiveScriptError,
                              static_cast<IActiveScriptError*>(this), object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetExceptionInfo(EXCEPINFO* info) override {
        if (info == nullptr) return E_POINTER;
        FillExcepInfo(error_, info);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSourcePosition(DWORD* context, ULONG* line,
                                                LONG* column) override {
        if (context != nullptr) *context = 0;
        if (line != nullptr) *line = static_cast<ULONG>(error_.line < 0 ? 0 : error_.line);
        if (column != nullptr) *column = CharacterColumn(lineText_, error_.column);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSourceLineText(BSTR* text) override {
        if (text == nullptr) return E_POINTER;
        *text = NewBstr(lineText_);
        return *text == nullptr ? E_OUTOFMEMORY : S_OK;
    }

private:
    ~ScriptErrorReport() = default;
    std::atomic<ULONG> refs_{1};
    ScriptError error_;
    std::string lineText_;
};

}  // namespace

IActiveScriptError* NewScriptErrorReport(const ScriptError& error, const std::string& lineText) {
    return new ScriptErrorReport(error, lineText);
}

void FillExcepInfo(const ScriptError& error, EXCEPINFO* info) {
    *info = EXCEPINFO{};
    info->bstrSource = NewBstr(error.source);
    info->bstrDescription = NewBstr(error.description);
    info->scode = ErrorHresult(error.number);
}

}  // namespace vbscript
