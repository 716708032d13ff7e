// filters/ScriptSite.h: the script site, the host's side of an Active Scripting engine.
//
// One site object drives one engine through one program run: create the engine, add the
// program text, connect it, then close it. The object lives on the calling thread only,
// so its reference count is a plain integer.
//
// The class tree follows the usual COM layering: the IActiveScriptSiteImpl and
// IActiveScriptSiteWindowImpl classes implement the two Windows interfaces,
// CScriptSiteImpl drives the engine, CScriptSiteBasic is the site without named items,
// and CComObject<CScriptSiteBasic> is the creatable object that owns the count.
#pragma once

#include <new>

#include "platform/ActiveScript.h"

// The reference-counting root of single-threaded COM objects.
class CComSingleThreadRoot {
public:
    platform::ULONG InternalAddRef() { return ++referenceCount_; }
    platform::ULONG InternalRelease() { return --referenceCount_; }

private:
    platform::ULONG referenceCount_ = 0;
};

// IActiveScriptSite, with the two operations a concrete site decides: which named items
// it offers and how it presents a script error.
class IActiveScriptSiteImpl : public platform::IActiveScriptSite {
public:
    platform::HRESULT STDMETHODCALLTYPE GetLCID(platform::LCID* lcid) override;
    platform::HRESULT STDMETHODCALLTYPE GetItemInfo(platform::LPCOLESTR name,
                                                    platform::DWORD returnMask,
                                                    platform::IUnknown** item,
                                                    platform::ITypeInfo** typeInfo) override;
    platform::HRESULT STDMETHODCALLTYPE GetDocVersionString(platform::BSTR* version) override;
    platform::HRESULT STDMETHODCALLTYPE OnScriptTerminate(
        const platform::VARIANT* result, const platform::EXCEPINFO* excepInfo) override;
    platform::HRESULT STDMETHODCALLTYPE OnStateChange(platform::SCRIPTSTATE state) override;
    platform::HRESULT STDMETHODCALLTYPE OnScriptError(platform::IActiveScriptError* error) override;
    platform::HRESULT STDMETHODCALLTYPE OnEnterScript() override;
    platform::HRESULT STDMETHODCALLTYPE OnLeaveScript() override;

    // The object behind a named item the engine asks for.
    virtual platform::HRESULT LookupNamedItem(platform::LPCOLESTR name,
                                              platform::IUnknown** item) = 0;
    // Presents a script error: the exception, its line (from 0), column and source line.
    virtual platform::HRESULT ShowScriptError(const platform::EXCEPINFO& excepInfo,
                                              platform::ULONG line, platform::LONG column,
                                              platform::BSTR sourceLine) = 0;

protected:
    ~IActiveScriptSiteImpl() = default;
};

// IActiveScriptSiteWindow: the window that owns the engine's user interface.
class IActiveScriptSiteWindowImpl : public platform::IActiveScriptSiteWindow {
public:
    platform::HRESULT STDMETHODCALLTYPE GetWindow(platform::HWND* window) override;
    platform::HRESULT STDMETHODCALLTYPE EnableModeless(platform::BOOL enable) override;

protected:
    ~IActiveScriptSiteWindowImpl() = default;
    virtual platform::HWND SiteWindow() const = 0;
};

class CScriptSiteImpl : public IActiveScriptSiteImpl, public IActiveScriptSiteWindowImpl {
public:
    // Creates the engine of `progId` ("vbscript"), connects it to this site and
    // prepares it for parsing. An engine already present is closed first.
    virtual platform::HRESULT CreateScriptEngine(const char* progId, platform::HWND window);
    // Sets the engine connected; E_FAIL before CreateScriptEngine succeeded.
    virtual platform::HRESULT ConnectScript();
    // Started, then connected; the first failure is returned.
    virtual platform::HRESULT StartAndConnectScript();
    // Disconnects, interrupts and closes the engine and lets it go. Always S_OK.
    virtual platform::HRESULT CloseScriptEngine();
    // Parses `text` into the engine, under `itemName` (null: the global item).
    virtual platform::HRESULT AddScriptText(const char* text, const char* itemName);
    // Makes a named item visible to the script (its global members too with `global`).
    virtual platform::HRESULT AddNamedScriptItem(const char* name, bool global);
    virtual ~CScriptSiteImpl();

    platform::IActiveScript* Engine() const { return engine_; }
    bool Initialised() const { return initialised_; }

protected:
    // The interfaces this object answers for, with one reference added.
    platform::HRESULT InternalQueryInterface(platform::REFIID riid, void** object);
    platform::HWND SiteWindow() const override { return window_; }

private:
    platform::IActiveScript* engine_ = nullptr;
    platform::HWND window_ = nullptr;
    bool initialised_ = false;
};

// The site that offers the script no named items.
class CScriptSiteBasic : public CComSingleThreadRoot, public CScriptSiteImpl {
public:
    platform::HRESULT LookupNamedItem(platform::LPCOLESTR name, platform::IUnknown** item) override;
    platform::HRESULT ShowScriptError(const platform::EXCEPINFO& excepInfo, platform::ULONG line,
                                      platform::LONG column, platform::BSTR sourceLine) override;
};

// The creatable object: IUnknown over the class `Base`, destroyed by its last Release.
template <class Base>
class CComObject final : public Base {
public:
    // A new object with a count of 0; E_OUTOFMEMORY when it cannot be made.
    static platform::HRESULT CreateInstance(CComObject** object) {
        *object = new (std::nothrow) CComObject();
        return *object != nullptr ? platform::S_OK : platform::E_OUTOFMEMORY;
    }

    platform::HRESULT STDMETHODCALLTYPE QueryInterface(platform::REFIID riid,
                                                       void** object) override {
        return this->InternalQueryInterface(riid, object);
    }
    platform::ULONG STDMETHODCALLTYPE AddRef() override { return this->InternalAddRef(); }
    platform::ULONG STDMETHODCALLTYPE Release() override {
        const platform::ULONG count = this->InternalRelease();
        if (count == 0) delete this;
        return count;
    }

private:
    CComObject() = default;
};

// How ShowScriptError presents its text: the caption "ScriptSite" and the formatted
// error. The default writes both to the report log, because a message box would stop a
// filter run until someone at the server's console closed it; the mtafilter command
// shows them on standard error instead. Returns the presenter it replaced.
using ScriptErrorPresenter = void (*)(const char* caption, const char* text);
ScriptErrorPresenter SetScriptErrorPresenter(ScriptErrorPresenter presenter);

// Where the program whose errors this thread presents comes from. A filter's program is
// its script file wrapped in lines of our own; the administrator knows only the file, so
// its errors name the filter and the file and count lines within the file.
struct ScriptErrorOrigin {
    const char* filterName;   // the filter's display name; null: not a filter's program
    const char* fileName;     // the filter's script file
    unsigned long firstLine;  // the program line (from 0) that is the file's first line
};

// Makes `origin` this thread's for as long as the object lives.
class ScopedScriptErrorOrigin {
public:
    explicit ScopedScriptErrorOrigin(const ScriptErrorOrigin& origin);
    ~ScopedScriptErrorOrigin();
    ScopedScriptErrorOrigin(const ScopedScriptErrorOrigin&) = delete;
    ScopedScriptErrorOrigin& operator=(const ScopedScriptErrorOrigin&) = delete;

private:
    ScriptErrorOrigin previous_;
};

// The text ShowScriptError presents, cut to `capacity` (1024 in the site): one line
// (line ends and tabs of the engine's texts become spaces, so that a report log entry
// keeps its fields), naming the filter and its file when the thread has an origin.
void FormatScriptError(const platform::EXCEPINFO& excepInfo, platform::ULONG line,
                       platform::LONG column, platform::BSTR sourceLine, char* destination,
                       size_t capacity);
