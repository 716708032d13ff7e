// vbscript/ObjectDispatch.h: a script object handed to the host (a function's result, a
// variable the host reads) as an IDispatch whose members call back into the engine.
#pragma once

#include <functional>
#include <memory>

#include "platform/Com.h"
#include "vbscript/Object.h"

namespace vbscript {

// The engine behind the objects it hands out: kept alive by them, and asked to run each
// call inside its budget with its error reporting.
class ObjectHost {
public:
    virtual void HoldEngine() = 0;
    virtual void ReleaseEngine() = 0;
    // Null once the engine is closed: the objects then answer E_UNEXPECTED.
    virtual Interpreter* Interp() = 0;
    virtual platform::HRESULT RunForHost(platform::EXCEPINFO* excepInfo,
                                         const std::function<platform::HRESULT()>& work) = 0;

protected:
    ~ObjectHost() = default;
};

// A new IDispatch (one reference) for the object; null when out of memory.
platform::IDispatch* NewObjectDispatch(ObjectHost* host, std::shared_ptr<Object> object);
// The script object behind an IDispatch this engine made; null for any other.
std::shared_ptr<Object> ObjectBehind(platform::IUnknown* unknown);

}  // namespace vbscript
