// The Windows build lets the Equation Editor 3.x server write the object: the new "Equation Native" goes into a
// copy of the template compound file in global memory, OleLoad hands that storage to the server, and OleCreateFromData
// makes a fresh object from the loaded one's data object in a second, empty in-memory compound file, whose bytes are
// the result. Everything lives in memory for the call only; nothing touches the disk.
#include "objects/equationObjectServer.h"

#include "objects/equationObjectTemplate.h"
#include "scopedWin.h"

#include <objbase.h>
#include <ole2.h>
#include <windows.h>

#include <cstring>

namespace {
constexpr DWORD kOpenMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr DWORD kCreateMode = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

// A lock-bytes object over a new movable global block holding `size` bytes of `data`; the block goes with it.
bool lockBytesOnCopy(const uint8_t* data, size_t size, ScopedComPtr<ILockBytes>& lockBytes) {
    ScopedGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, size));
    if (memory.get() == nullptr)
        return false;
    if (size != 0) {
        ScopedGlobalLock lock(memory.get());
        if (lock.data() == nullptr)
            return false;
        std::memcpy(lock.data(), data, size);
    }
    if (FAILED(CreateILockBytesOnHGlobal(memory.get(), TRUE, lockBytes.put())))
        return false;
    memory.release(); // the lock-bytes object frees the block when it goes
    return true;
}

// The template with the new stream, and the empty compound file for the server's object.
bool prepareStorages(const std::vector<uint8_t>& equationNative, ScopedComPtr<ILockBytes>& templateBytes,
                     ScopedComPtr<ILockBytes>& newBytes, ScopedComPtr<IStorage>& templateStorage,
                     ScopedComPtr<IStorage>& newStorage) {
    if (!lockBytesOnCopy(kEquationTemplateImage.data(), kEquationTemplateImage.size(), templateBytes) ||
        !lockBytesOnCopy(nullptr, 0, newBytes))
        return false;
    if (FAILED(
            StgOpenStorageOnILockBytes(templateBytes.get(), nullptr, kOpenMode, nullptr, 0, templateStorage.put())) ||
        FAILED(StgCreateDocfileOnILockBytes(newBytes.get(), kCreateMode, 0, newStorage.put())))
        return false;
    // The stream is closed again before the server opens it: a stream opened for exclusive use once cannot be opened
    // a second time.
    ScopedComPtr<IStream> stream;
    if (FAILED(templateStorage->OpenStream(L"Equation Native", nullptr, kOpenMode, 0, stream.put())))
        return false;
    ULARGE_INTEGER size;
    size.QuadPart = equationNative.size();
    ULONG written = 0;
    return SUCCEEDED(stream->SetSize(size)) &&
           SUCCEEDED(stream->Write(equationNative.data(), ULONG(equationNative.size()), &written)) &&
           written == equationNative.size();
}

// The server loads the template's object, and a new object is made from its data object in `newStorage`.
bool letServerRebuild(IStorage* templateStorage, IStorage* newStorage) {
    ScopedComPtr<IOleObject> loaded;
    if (FAILED(OleLoad(templateStorage, IID_IOleObject, nullptr, reinterpret_cast<void**>(loaded.put()))) ||
        FAILED(loaded->Close(OLECLOSE_SAVEIFDIRTY)))
        return false;
    ScopedComPtr<IDataObject> data;
    if (FAILED(loaded->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(data.put()))))
        return false;
    ScopedComPtr<IOleObject> created;
    if (FAILED(OleCreateFromData(data.get(), IID_IOleObject, OLERENDER_DRAW, nullptr, nullptr, newStorage,
                                 reinterpret_cast<void**>(created.put()))))
        return false;
    return SUCCEEDED(created->Close(OLECLOSE_SAVEIFDIRTY));
}

// The bytes written through `lockBytes`.
bool readAll(ILockBytes* lockBytes, std::vector<uint8_t>& out) {
    STATSTG info{};
    if (FAILED(lockBytes->Stat(&info, STATFLAG_NONAME)) || info.cbSize.QuadPart > MAXDWORD)
        return false;
    if (info.cbSize.QuadPart == 0)
        return true;
    out.resize(size_t(info.cbSize.QuadPart));
    ULARGE_INTEGER offset;
    offset.QuadPart = 0;
    ULONG read = 0;
    if (FAILED(lockBytes->ReadAt(offset, out.data(), ULONG(out.size()), &read)) || read != out.size()) {
        out.clear();
        return false;
    }
    return true;
}
} // namespace

EquationServerStatus rebuildEquationObject(const std::vector<uint8_t>& equationNative,
                                           std::vector<uint8_t>& compoundFile) {
    compoundFile.clear();
    if (ULONG(equationNative.size()) != equationNative.size()) // IStream::Write takes a 32-bit count
        return EquationServerStatus::StorageFailed;
    // Declared in this order so that the storages go before the lock-bytes objects under them.
    ScopedComPtr<ILockBytes> templateBytes;
    ScopedComPtr<ILockBytes> newBytes;
    ScopedComPtr<IStorage> templateStorage;
    ScopedComPtr<IStorage> newStorage;
    if (!prepareStorages(equationNative, templateBytes, newBytes, templateStorage, newStorage))
        return EquationServerStatus::StorageFailed;
    if (!letServerRebuild(templateStorage.get(), newStorage.get()))
        return EquationServerStatus::ServerFailed;
    // The new storage lets go first, so that everything it still holds is written to its lock bytes.
    newStorage.reset();
    if (!readAll(newBytes.get(), compoundFile))
        return EquationServerStatus::ServerFailed;
    return EquationServerStatus::Ok;
}
