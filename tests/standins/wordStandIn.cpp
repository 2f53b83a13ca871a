// A stand-in for Microsoft Word's automation server, for the tests of wordAutomationWin.cpp: a local COM server
// program that answers IDispatch by name for the few members the converter calls, treats a document as its bytes,
// logs every call with its argument types and values, and fails, forgets a name or hangs on request. See
// wordStandIn.h for its switches and its log. It has no type library and no window; COM marshals its IDispatch with
// the system's standard proxy.
#include "wordStandIn.h"
#include "scopedWin.h"

#include <shellapi.h>

#include <cstdio>
#include <iterator>
#include <new>
#include <string>

namespace {
enum class ObjectKind { Application, Documents, Document };

enum class Member { Visible, DisplayAlerts, Documents, Quit, Open, SaveAs, Close };

struct MemberRow {
    ObjectKind object; // whose member it is
    const wchar_t* name;
    Member member; // also its DISPID, plus kFirstDispId
};
constexpr MemberRow kMembers[] = {
    // object                 name               member
    {ObjectKind::Application, L"Visible", Member::Visible},
    {ObjectKind::Application, L"DisplayAlerts", Member::DisplayAlerts},
    {ObjectKind::Application, L"Documents", Member::Documents},
    {ObjectKind::Application, L"Quit", Member::Quit},
    {ObjectKind::Documents, L"Open", Member::Open},
    {ObjectKind::Document, L"SaveAs", Member::SaveAs},
    {ObjectKind::Document, L"Close", Member::Close},
};
constexpr DISPID kFirstDispId = 100;

// Set once from the command line before the class is registered; read on the server's only apartment thread.
struct Options {
    std::wstring logPath;
    std::wstring failName;
    std::wstring unknownName;
    std::wstring hangName;
    std::wstring emptyName;
};
Options gOptions;
// Objects alive, whether Quit was called, and why the server ends; the apartment thread only.
long gLiveObjects = 0;
bool gQuitCalled = false;
const wchar_t* gExitReason = nullptr;
// After Quit the stand-in waits this long for the client's release of the application (logged, so that the test
// sees it) before it ends all the same.
constexpr UINT kQuitGraceMs = 3000;

// COM calls this, so nothing may throw out of it: a line that cannot be written is dropped.
void logLine(const std::wstring& line) noexcept try {
    if (gOptions.logPath.empty())
        return;
    const std::wstring text = line + L"\n";
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(size_t(bytes > 0 ? bytes : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), utf8.data(), bytes, nullptr, nullptr);
    ScopedHandle file(CreateFileW(gOptions.logPath.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file.isValid())
        WriteFile(file.get(), utf8.data(), DWORD(utf8.size()), &written, nullptr);
} catch (...) {
}

void endServer(const wchar_t* reason) {
    if (gExitReason == nullptr) {
        gExitReason = reason;
        PostQuitMessage(0);
    }
}

VOID CALLBACK quitGraceEnded(HWND /*window*/, UINT /*message*/, UINT_PTR /*timer*/, DWORD /*time*/) {
    endServer(L"quit");
}

bool sameName(const std::wstring& a, const wchar_t* b) {
    return CompareStringOrdinal(a.c_str(), int(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

const wchar_t* objectName(ObjectKind kind) {
    switch (kind) {
    case ObjectKind::Application:
        return L"app";
    case ObjectKind::Documents:
        return L"documents";
    case ObjectKind::Document:
        return L"document";
    }
    return L"?";
}

std::wstring lcidText(LCID lcid) {
    wchar_t text[16] = {};
    swprintf(text, std::size(text), L"%04x", unsigned(lcid));
    return text;
}

std::wstring iidText(REFIID iid) {
    return iid == IID_NULL ? L"null" : L"other";
}

std::wstring argumentText(const VARIANT& value) {
    switch (value.vt) {
    case VT_I2:
        return L"I2:" + std::to_wstring(value.iVal);
    case VT_I4:
        return L"I4:" + std::to_wstring(value.lVal);
    case VT_BSTR:
        return L"BSTR:" + std::wstring(value.bstrVal != nullptr ? value.bstrVal : L"", SysStringLen(value.bstrVal));
    default:
        return L"VT" + std::to_wstring(value.vt);
    }
}

std::wstring paramsText(const DISPPARAMS* params) {
    std::wstring named;
    std::wstring args;
    if (params != nullptr) {
        for (UINT i = 0; i < params->cNamedArgs && params->rgdispidNamedArgs != nullptr; ++i)
            named += (i > 0 ? L"," : L"") + std::to_wstring(params->rgdispidNamedArgs[i]);
        for (UINT i = 0; i < params->cArgs && params->rgvarg != nullptr; ++i)
            args += (i > 0 ? L"|" : L"") + argumentText(params->rgvarg[i]);
    }
    return L"named=" + named + L" args=" + args;
}

// The first positional argument as a string, or null when there is none or it is no BSTR.
BSTR firstBstrArgument(const DISPPARAMS* params) {
    if (params == nullptr || params->cArgs == 0 || params->rgvarg == nullptr)
        return nullptr;
    const VARIANT& first = params->rgvarg[params->cArgs - 1];
    return first.vt == VT_BSTR ? first.bstrVal : nullptr;
}

bool readWholeFile(const wchar_t* path, std::string& bytes) {
    ScopedHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file.isValid() || !GetFileSizeEx(file.get(), &size) || size.QuadPart > 64 * 1024 * 1024)
        return false;
    bytes.assign(size_t(size.QuadPart), '\0');
    DWORD read = 0;
    return bytes.empty() ||
           (ReadFile(file.get(), bytes.data(), DWORD(bytes.size()), &read, nullptr) && read == DWORD(bytes.size()));
}

bool writeWholeFile(const wchar_t* path, const std::string& bytes) {
    ScopedHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.isValid() && WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
           written == DWORD(bytes.size());
}

class StandInObject final : public IDispatch {
public:
    StandInObject(ObjectKind kind, std::string bytes) : kind_(kind), bytes_(std::move(bytes)) { ++gLiveObjects; }
    ~StandInObject() {
        logLine(std::wstring(L"released ") + objectName(kind_));
        if (--gLiveObjects == 0)
            endServer(gQuitCalled ? L"quit" : L"released");
    }
    StandInObject(const StandInObject&) = delete;
    StandInObject& operator=(const StandInObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch)
            return E_NOINTERFACE;
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long left = --references_;
        if (left == 0)
            delete this;
        return ULONG(left);
    }

    // IDispatch, without type information.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT /*index*/, LCID /*lcid*/, ITypeInfo** info) override {
        if (info != nullptr)
            *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
        try {
            return idsOfNames(iid, names, count, lcid, ids);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* /*exception*/, UINT* /*argumentError*/) override {
        try {
            return invoke(id, iid, lcid, flags, params, result);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

private:
    HRESULT idsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) {
        if (names == nullptr || ids == nullptr || count == 0)
            return E_INVALIDARG;
        std::wstring line = std::wstring(L"names ") + objectName(kind_) + L" ";
        for (UINT i = 0; i < count; ++i)
            line += (i > 0 ? L"," : L"") + std::wstring(names[i] != nullptr ? names[i] : L"");
        line += L" count=" + std::to_wstring(count) + L" lcid=" + lcidText(lcid) + L" iid=" + iidText(iid);
        // Only the member name is looked up; named arguments (names 1 and on) are not supported.
        ids[0] = DISPID_UNKNOWN;
        for (UINT i = 1; i < count; ++i)
            ids[i] = DISPID_UNKNOWN;
        const std::wstring name = names[0] != nullptr ? names[0] : L"";
        for (const MemberRow& row : kMembers) {
            if (row.object == kind_ && sameName(name, row.name) && !sameName(gOptions.unknownName, row.name))
                ids[0] = kFirstDispId + DISPID(row.member);
        }
        const bool known = ids[0] != DISPID_UNKNOWN && count == 1;
        logLine(line + (known ? L"" : L" unknown"));
        return known ? S_OK : DISP_E_UNKNOWNNAME;
    }

    HRESULT invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result) {
        const MemberRow* row = nullptr;
        for (const MemberRow& candidate : kMembers) {
            if (candidate.object == kind_ && kFirstDispId + DISPID(candidate.member) == id)
                row = &candidate;
        }
        if (row == nullptr)
            return DISP_E_MEMBERNOTFOUND;
        logLine(std::wstring(L"invoke ") + objectName(kind_) + L"." + row->name + L" flags=" + std::to_wstring(flags) +
                L" lcid=" + lcidText(lcid) + L" iid=" + iidText(iid) + L" " + paramsText(params));
        if (sameName(gOptions.hangName, row->name)) {
            for (;;)
                Sleep(INFINITE); // until the converter ends this process, or the lifetime limit does
        }
        if (sameName(gOptions.failName, row->name))
            return E_FAIL;
        if (sameName(gOptions.emptyName, row->name))
            return S_OK; // success without the object asked for

        switch (row->member) {
        case Member::Visible:
        case Member::DisplayAlerts:
        case Member::Close:
            return S_OK;
        case Member::Quit:
            gQuitCalled = true; // ends at the application's release, or after the grace period
            if (SetTimer(nullptr, 0, kQuitGraceMs, quitGraceEnded) == 0)
                endServer(L"quit");
            return S_OK;
        case Member::Documents:
            return returnObject(result, new StandInObject(ObjectKind::Documents, {}));
        case Member::Open: {
            const BSTR path = firstBstrArgument(params);
            std::string bytes;
            if (path == nullptr || !readWholeFile(path, bytes))
                return E_FAIL; // Word reports a file it cannot open the same way: a failed call
            return returnObject(result, new StandInObject(ObjectKind::Document, std::move(bytes)));
        }
        case Member::SaveAs: {
            const BSTR path = firstBstrArgument(params);
            return path != nullptr && writeWholeFile(path, bytes_) ? S_OK : E_FAIL;
        }
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    static HRESULT returnObject(VARIANT* result, StandInObject* object) {
        ScopedComPtr<IDispatch> held(object); // released here unless handed to the result
        if (result == nullptr)
            return S_OK;
        VariantInit(result);
        result->vt = VT_DISPATCH;
        result->pdispVal = object;
        object->AddRef();
        return S_OK;
    }

    ObjectKind kind_;
    std::string bytes_; // a document's contents
    long references_ = 1;
};

class ApplicationFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IClassFactory)
            return E_NOINTERFACE;
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    // The factory lives as long as the program; COM's references to it are not counted.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        StandInObject* application = new (std::nothrow) StandInObject(ObjectKind::Application, {});
        if (application == nullptr)
            return E_OUTOFMEMORY;
        ScopedComPtr<IDispatch> held(application);
        return application->QueryInterface(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL /*lock*/) override { return S_OK; }
};

// Ends the process when no test ended it in time. A thread function: nothing may throw out of it.
DWORD WINAPI lifetimeLimit(void* /*unused*/) {
    Sleep(word_stand_in::kLifetimeMs);
    logLine(L"exit lifetime");
    TerminateProcess(GetCurrentProcess(), 3);
    return 3;
}

void readOptions() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr)
        return;
    const struct {
        const wchar_t* prefix;
        std::wstring* value;
    } switches[] = {{L"--log=", &gOptions.logPath},
                    {L"--fail=", &gOptions.failName},
                    {L"--unknown=", &gOptions.unknownName},
                    {L"--hang=", &gOptions.hangName},
                    {L"--empty=", &gOptions.emptyName}};
    for (int i = 1; i < count; ++i) {
        const std::wstring argument = arguments[i];
        for (const auto& entry : switches) {
            const std::wstring prefix = entry.prefix;
            if (argument.compare(0, prefix.size(), prefix) == 0)
                *entry.value = argument.substr(prefix.size());
        }
    }
    LocalFree(arguments);
}
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        readOptions();
    } catch (...) {
        return 1;
    }
    ScopedHandle limit(CreateThread(nullptr, 0, lifetimeLimit, nullptr, 0, nullptr));
    ScopedComApartment apartment;
    CLSID classId = {};
    static ApplicationFactory factory;
    DWORD cookie = 0;
    // Single use, as Word registers itself: every CoCreateInstance of the class starts a process of its own.
    if (!limit.isValid() || !apartment.entered() ||
        FAILED(CLSIDFromString(const_cast<LPOLESTR>(word_stand_in::kClassText), &classId)) ||
        FAILED(CoRegisterClassObject(classId, &factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &cookie))) {
        logLine(L"exit failed");
        return 1;
    }
    logLine(L"started");
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    logLine(std::wstring(L"exit ") + (gExitReason != nullptr ? gExitReason : L"message"));
    CoRevokeClassObject(cookie);
    // Ended at once rather than through ExitProcess: under Wine a normal exit can stall for half a minute when the
    // client releases its last proxies at the same moment, and the stand-in has nothing left to write.
    TerminateProcess(GetCurrentProcess(), 0);
    return 0;
}
