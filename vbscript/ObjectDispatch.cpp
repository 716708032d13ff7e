// vbscript/ObjectDispatch.cpp: script objects outside the engine. Member names get their
// identifiers in the order the host asks for them; the default member is DISPID_VALUE.
#include "vbscript/ObjectDispatch.h"

#include <atomic>
#include <cctype>
#include <string>
#include <vector>

#include "platform/NoThrow.h"
#include "vbscript/ComValues.h"
#include "vbscript/Interpreter.h"

namespace vbscript {
namespace {

using namespace platform;

// Answers QueryInterface with the wrapper itself, so that a wrapper coming back in as an
// argument is known as one of ours.
constexpr IID IID_ScriptObject = {
    0x6A3C1F52, 0x0B7E, 0x4C1D, {0x9E, 0x21, 0x5D, 0x8A, 0x47, 0x10, 0xC3, 0x2F}};

class ObjectDispatch final : public IDispatch {
public:
    ObjectDispatch(ObjectHost* host, std::shared_ptr<Object> object)
        : host_(host), object_(std::move(object)) {
        host_->HoldEngine();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        return OfferInterface(
            riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_ScriptObject,
            static_cast<IDispatch*>(this), out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --refs_;
        if (left == 0) {
            ObjectHost* host = host_;
            delete this;
            host->ReleaseEngine();
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
        return NoThrow(E_OUTOFMEMORY, [&] {
            for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
            std::string name = Narrow(names[0]);
            for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            size_t index = 0;
            while (index < names_.size() && names_[index] != name) ++index;
            if (index == names_.size()) names_.push_back(name);
            ids[0] = static_cast<DISPID>(index + 1);
            return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepInfo, UINT*) override;

    const std::shared_ptr<Object>& Target() const { return object_; }

private:
    ~ObjectDispatch() = default;
    std::atomic<ULONG> refs_{1};
    ObjectHost* host_;
    std::shared_ptr<Object> object_;
    std::vector<std::string> names_;
};

HRESULT ObjectDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* excepInfo, UINT*) {
    if (result != nullptr) VariantInit(result);
    Interpreter* interp = host_->Interp();
    if (interp == nullptr) return E_UNEXPECTED;
    if (id != DISPID_VALUE && (id < 1 || static_cast<size_t>(id) > names_.size()))
        return DISP_E_MEMBERNOTFOUND;
    return host_->RunForHost(excepInfo, [&]() -> HRESULT {
        std::string name = id == DISPID_VALUE ? "" : names_[static_cast<size_t>(id) - 1];
        Args args;
        UINT count = params != nullptr ? params->cArgs : 0;
        for (UINT i = 0; i < count; ++i) args.push_back(FromVariant(params->rgvarg[count - 1 - i]));
        if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) {
            if (args.empty()) return DISP_E_BADPARAMCOUNT;
            Value value = std::move(args.back());
            args.pop_back();
            interp->PutObjectMember(*object_, name, args, value,
                                    (flags & DISPATCH_PROPERTYPUTREF) != 0);
            return S_OK;
        }
        Value value = interp->GetObjectMember(*object_, name, args);
        if (result == nullptr) return S_OK;
        return ToVariant(value, result, host_);
    });
}

}  // namespace

IDispatch* NewObjectDispatch(ObjectHost* host, std::shared_ptr<Object> object) {
    return NoThrow(static_cast<IDispatch*>(nullptr),
                   [&]() -> IDispatch* { return new ObjectDispatch(host, std::move(object)); });
}

std::shared_ptr<Object> ObjectBehind(IUnknown* unknown) {
    if (unknown == nullptr) return nullptr;
    void* ours = nullptr;
    if (FAILED(unknown->QueryInterface(IID_ScriptObject, &ours)) || ours == nullptr) return nullptr;
    auto* wrapper = static_cast<ObjectDispatch*>(static_cast<IDispatch*>(ours));
    std::shared_ptr<Object> object = wrapper->Target();
    wrapper->Release();
    return object;
}

}  // namespace vbscript
