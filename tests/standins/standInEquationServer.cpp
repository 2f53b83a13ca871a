// A stand-in for the Equation Editor 3.x OLE server, for the Wine tests of equationObjectServerWin.cpp: an in-process
// server (InprocServer32) of class Equation.3 that does what the round trip needs of the real one. It loads an
// Equation.3 storage (IPersistStorage::Load keeps its "Equation Native" stream), and its data object hands the object
// to OleCreateFromData as an embedded object storage (GetDataHere of "Embedded Object" or "Embed Source" into the
// caller's storage), which IPersistStorage::Save writes: class, user type and clipboard format, and "Equation Native".
// It has no window, no verbs and no presentation, and keeps no storage between calls.
//
// In process rather than as a local server: for a class with a local server only, OleLoad gives Wine's default
// handler, which neither starts the server on load nor asks it for data or for its storage unless the object was run
// (OleRun), so a local server would never be reached by the product's calls.
//
// Wine's OleCreateFromData asks for the "Embedded Object" and "Embed Source" formats only once the OLE clipboard has
// been used in the process (until then it asks for format 0 and falls back to IPersistStorage::Save); the product's
// thread enters COM only. So each object holds an OleInitialize of its thread while it lives and touches the OLE
// clipboard once, and the data object is asked for the object the way the real server is.
#include "scopedWin.h"

#include <ole2.h>

#include <atomic>
#include <new>
#include <vector>

namespace {
const CLSID kEquation3Class = {0x0002ce02, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr DWORD kReadMode = STGM_READ | STGM_SHARE_EXCLUSIVE;
constexpr DWORD kCreateMode = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

// Objects and class factory locks alive; the DLL may be unloaded at 0. Touched on the client's apartment thread
// only, atomic because COM may ask DllCanUnloadNow from another.
std::atomic<long> gLiveObjects{0};

bool isEmbeddedObjectFormat(CLIPFORMAT format) {
    return format != 0 && (format == RegisterClipboardFormatW(L"Embedded Object") ||
                           format == RegisterClipboardFormatW(L"Embed Source"));
}

class StandInEquation final : public IOleObject, public IDataObject, public IPersistStorage {
public:
    StandInEquation() : oleInitialised_(SUCCEEDED(OleInitialize(nullptr))) {
        ++gLiveObjects;
        if (oleInitialised_)
            (void)OleIsCurrentClipboard(nullptr); // the first use of the OLE clipboard registers its formats
    }
    ~StandInEquation() {
        if (oleInitialised_)
            OleUninitialize();
        --gLiveObjects;
    }
    StandInEquation(const StandInEquation&) = delete;
    StandInEquation& operator=(const StandInEquation&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IOleObject)
            *object = static_cast<IOleObject*>(this);
        else if (iid == IID_IDataObject)
            *object = static_cast<IDataObject*>(this);
        else if (iid == IID_IPersistStorage || iid == IID_IPersist)
            *object = static_cast<IPersistStorage*>(this);
        else
            *object = nullptr;
        if (*object == nullptr)
            return E_NOINTERFACE;
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

    // IPersistStorage
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) override {
        if (classId == nullptr)
            return E_POINTER;
        *classId = kEquation3Class;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE InitNew(IStorage* /*storage*/) override {
        equationNative_.clear();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Load(IStorage* storage) override {
        try {
            return loadEquation(storage);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE Save(IStorage* storage, BOOL /*sameAsLoad*/) override { return saveEquation(storage); }
    HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage* /*storage*/) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE HandsOffStorage() override { return S_OK; }

    // IDataObject: the object itself, as an embedded object storage.
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* /*format*/, STGMEDIUM* /*medium*/) override { return DV_E_FORMATETC; }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override {
        if (format == nullptr || medium == nullptr)
            return E_POINTER;
        if (!isEmbeddedObjectFormat(format->cfFormat) || (format->tymed & TYMED_ISTORAGE) == 0 ||
            medium->tymed != TYMED_ISTORAGE || medium->pstg == nullptr)
            return DV_E_FORMATETC;
        return saveEquation(medium->pstg);
    }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        if (format == nullptr)
            return E_POINTER;
        return isEmbeddedObjectFormat(format->cfFormat) && (format->tymed & TYMED_ISTORAGE) != 0 ? S_OK
                                                                                                 : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* /*in*/, FORMATETC* out) override {
        if (out != nullptr)
            out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* /*format*/, STGMEDIUM* /*medium*/, BOOL /*release*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD /*direction*/, IEnumFORMATETC** formats) override {
        if (formats != nullptr)
            *formats = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* /*format*/, DWORD /*flags*/, IAdviseSink* /*sink*/,
                                      DWORD* /*connection*/) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD /*connection*/) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** /*advises*/) override { return OLE_E_ADVISENOTSUPPORTED; }

    // IOleObject: an object without a window, verbs or presentation.
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* /*site*/) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override {
        if (site != nullptr)
            *site = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR /*application*/, LPCOLESTR /*document*/) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD /*saveOption*/) override { return S_OK; } // never dirty
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD /*which*/, IMoniker* /*moniker*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD /*assign*/, DWORD /*which*/, IMoniker** moniker) override {
        if (moniker != nullptr)
            *moniker = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* /*data*/, BOOL /*creation*/, DWORD /*reserved*/) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD /*reserved*/, IDataObject** data) override {
        if (data != nullptr)
            *data = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG /*verb*/, LPMSG /*message*/, IOleClientSite* /*site*/, LONG /*index*/,
                                     HWND /*parent*/, LPCRECT /*position*/) override {
        return OLEOBJ_S_CANNOT_DOVERB_NOW;
    }
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override {
        if (verbs != nullptr)
            *verbs = nullptr;
        return OLEOBJ_E_NOVERBS;
    }
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* classId) override { return GetClassID(classId); }
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD /*form*/, LPOLESTR* userType) override {
        if (userType != nullptr)
            *userType = nullptr;
        return OLE_S_USEREG;
    }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD /*aspect*/, SIZEL* /*size*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD /*aspect*/, SIZEL* /*size*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* /*sink*/, DWORD* connection) override {
        if (connection != nullptr)
            *connection = 0;
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD /*connection*/) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advises) override {
        if (advises != nullptr)
            *advises = nullptr;
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD /*aspect*/, DWORD* status) override {
        if (status == nullptr)
            return E_POINTER;
        *status = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* /*palette*/) override { return E_NOTIMPL; }

private:
    HRESULT loadEquation(IStorage* storage) {
        if (storage == nullptr)
            return E_POINTER;
        ScopedComPtr<IStream> stream;
        STATSTG info{};
        HRESULT result = storage->OpenStream(L"Equation Native", nullptr, kReadMode, 0, stream.put());
        if (SUCCEEDED(result))
            result = stream->Stat(&info, STATFLAG_NONAME);
        if (FAILED(result))
            return result;
        if (info.cbSize.QuadPart > 0x7fffffff)
            return STG_E_DOCFILECORRUPT;
        std::vector<uint8_t> bytes(size_t(info.cbSize.QuadPart));
        ULONG read = 0;
        if (!bytes.empty() && (FAILED(stream->Read(bytes.data(), ULONG(bytes.size()), &read)) || read != bytes.size()))
            return STG_E_READFAULT;
        equationNative_.swap(bytes);
        return S_OK;
    }

    HRESULT saveEquation(IStorage* storage) {
        if (storage == nullptr)
            return E_POINTER;
        HRESULT result = WriteClassStg(storage, kEquation3Class);
        if (SUCCEEDED(result))
            result = WriteFmtUserTypeStg(storage, CLIPFORMAT(RegisterClipboardFormatW(L"DS Equation")),
                                         const_cast<LPOLESTR>(L"Microsoft Equation 3.0"));
        ScopedComPtr<IStream> stream;
        if (SUCCEEDED(result))
            result = storage->CreateStream(L"Equation Native", kCreateMode, 0, 0, stream.put());
        ULONG written = 0;
        if (SUCCEEDED(result) && !equationNative_.empty())
            result = stream->Write(equationNative_.data(), ULONG(equationNative_.size()), &written);
        if (SUCCEEDED(result) && written != equationNative_.size())
            result = STG_E_WRITEFAULT;
        return result;
    }

    std::atomic<long> references_{1};
    bool oleInitialised_;
    std::vector<uint8_t> equationNative_;
};

class StandInFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        const bool known = iid == IID_IUnknown || iid == IID_IClassFactory;
        *object = known ? static_cast<IClassFactory*>(this) : nullptr;
        return known ? S_OK : E_NOINTERFACE;
    }
    // One factory for the life of the DLL: nothing to count.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        try {
            ScopedComPtr<IOleObject> created(new StandInEquation);
            return created->QueryInterface(iid, object);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        gLiveObjects += lock ? 1 : -1;
        return S_OK;
    }
};

StandInFactory gFactory; // immutable; used on the client's apartment thread
} // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID iid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (classId != kEquation3Class)
        return CLASS_E_CLASSNOTAVAILABLE;
    return gFactory.QueryInterface(iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return gLiveObjects == 0 ? S_OK : S_FALSE;
}
