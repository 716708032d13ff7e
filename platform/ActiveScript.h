// platform/ActiveScript.h: the Active Scripting interfaces between a script host (its site)
// and a script engine, named, numbered and laid out as the Windows activscp.h declares them.
#pragma once

#include "platform/Com.h"

namespace platform {

enum SCRIPTSTATE {
    SCRIPTSTATE_UNINITIALIZED = 0,
    SCRIPTSTATE_STARTED = 1,
    SCRIPTSTATE_CONNECTED = 2,
    SCRIPTSTATE_DISCONNECTED = 3,
    SCRIPTSTATE_CLOSED = 4,
    SCRIPTSTATE_INITIALIZED = 5,
};

enum SCRIPTTHREADSTATE {
    SCRIPTTHREADSTATE_NOTINSCRIPT = 0,
    SCRIPTTHREADSTATE_RUNNING = 1,
};

using SCRIPTTHREADID = DWORD;
constexpr SCRIPTTHREADID SCRIPTTHREADID_CURRENT = static_cast<SCRIPTTHREADID>(-1);
constexpr SCRIPTTHREADID SCRIPTTHREADID_BASE = static_cast<SCRIPTTHREADID>(-2);
constexpr SCRIPTTHREADID SCRIPTTHREADID_ALL = static_cast<SCRIPTTHREADID>(-3);

constexpr DWORD SCRIPTITEM_ISVISIBLE = 0x2;
constexpr DWORD SCRIPTITEM_ISSOURCE = 0x4;
constexpr DWORD SCRIPTITEM_GLOBALMEMBERS = 0x8;
constexpr DWORD SCRIPTITEM_ISPERSISTENT = 0x40;

constexpr DWORD SCRIPTINFO_IUNKNOWN = 0x1;
constexpr DWORD SCRIPTINFO_ITYPEINFO = 0x2;

constexpr DWORD SCRIPTTEXT_DELAYEXECUTION = 0x1;
constexpr DWORD SCRIPTTEXT_ISVISIBLE = 0x2;
constexpr DWORD SCRIPTTEXT_ISEXPRESSION = 0x20;
constexpr DWORD SCRIPTTEXT_ISPERSISTENT = 0x40;

// A failure that the engine has already shown through the site's OnScriptError.
constexpr HRESULT SCRIPT_E_REPORTED = static_cast<HRESULT>(0x80020101);

inline constexpr IID IID_IActiveScript = {
    0xBB1A2AE1, 0xA4F9, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};
inline constexpr IID IID_IActiveScriptParse32 = {
    0xBB1A2AE2, 0xA4F9, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};
inline constexpr IID IID_IActiveScriptParse64 = {
    0xC7EF7658, 0xE1EE, 0x480E, {0x97, 0xEA, 0xD5, 0x2C, 0xB4, 0xD7, 0x6D, 0x17}};
inline constexpr IID IID_IActiveScriptSite = {
    0xDB01A1E3, 0xA42B, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};
inline constexpr IID IID_IActiveScriptSiteWindow = {
    0xD10F6761, 0x83E9, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};
inline constexpr IID IID_IActiveScriptError = {
    0xEAE1BA61, 0xA4ED, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};
inline constexpr CLSID CLSID_VBScript = {
    0xB54F3741, 0x5B07, 0x11CF, {0xA4, 0xB0, 0x00, 0xAA, 0x00, 0x4A, 0x55, 0xE8}};

struct IActiveScriptError : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetExceptionInfo(EXCEPINFO* excepInfo) = 0;
    // Line numbers count from 0; the character position is the column, from 0.
    virtual HRESULT STDMETHODCALLTYPE GetSourcePosition(DWORD* sourceContext, ULONG* lineNumber,
                                                        LONG* charPosition) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSourceLineText(BSTR* sourceLine) = 0;

protected:
    ~IActiveScriptError() = default;
};

struct IActiveScriptSite : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetLCID(LCID* lcid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR name, DWORD returnMask, IUnknown** item,
                                                  ITypeInfo** typeInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR* version) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT* result,
                                                        const EXCEPINFO* excepInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE state) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError* error) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnEnterScript() = 0;
    virtual HRESULT STDMETHODCALLTYPE OnLeaveScript() = 0;

protected:
    ~IActiveScriptSite() = default;
};

struct IActiveScriptSiteWindow : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) = 0;

protected:
    ~IActiveScriptSiteWindow() = default;
};

struct IActiveScript : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetScriptSite(IActiveScriptSite* site) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetScriptSite(REFIID riid, void** object) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetScriptState(SCRIPTSTATE state) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetScriptState(SCRIPTSTATE* state) = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddNamedItem(LPCOLESTR name, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddTypeLib(REFGUID typeLib, DWORD major, DWORD minor,
                                                 DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetScriptDispatch(LPCOLESTR itemName,
                                                        IDispatch** dispatch) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentScriptThreadID(SCRIPTTHREADID* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetScriptThreadID(DWORD win32ThreadId,
                                                        SCRIPTTHREADID* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetScriptThreadState(SCRIPTTHREADID id,
                                                           SCRIPTTHREADSTATE* state) = 0;
    virtual HRESULT STDMETHODCALLTYPE InterruptScriptThread(SCRIPTTHREADID id,
                                                            const EXCEPINFO* excepInfo,
                                                            DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IActiveScript** copy) = 0;

protected:
    ~IActiveScript() = default;
};

// The 64-bit parse interface; this build has only the one, so the 32-bit name is the same.
struct IActiveScriptParse64 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE InitNew() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddScriptlet(LPCOLESTR defaultName, LPCOLESTR code,
                                                   LPCOLESTR itemName, LPCOLESTR subItemName,
                                                   LPCOLESTR eventName, LPCOLESTR delimiter,
                                                   DWORDLONG sourceContextCookie,
                                                   ULONG startingLine, DWORD flags, BSTR* name,
                                                   EXCEPINFO* excepInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE ParseScriptText(LPCOLESTR code, LPCOLESTR itemName,
                                                      IUnknown* context, LPCOLESTR delimiter,
                                                      DWORDLONG sourceContextCookie,
                                                      ULONG startingLine, DWORD flags,
                                                      VARIANT* result, EXCEPINFO* excepInfo) = 0;

protected:
    ~IActiveScriptParse64() = default;
};
using IActiveScriptParse = IActiveScriptParse64;
inline constexpr IID IID_IActiveScriptParse = IID_IActiveScriptParse64;

}  // namespace platform
