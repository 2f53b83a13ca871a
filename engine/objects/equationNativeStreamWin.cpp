// The Windows build reads compound files through COM structured storage on memory: nothing touches the disk.
// Damaged files are turned away by the engine's own reader first: a cut-off compound file could keep ole32 busy for
// minutes (seen under Wine), and one that the strict reader refuses holds no stream worth converting.
#include "objects/equationObjectUnwrap.h"

#include "mtef/hexText.h"
#include "objects/compoundFileReader.h"
#include "scopedWin.h"

#include <objbase.h>
#include <windows.h>

#include <vector>

StreamReadStatus readEquationNativeStream(std::string_view compoundFileHex, std::string& outputHex) {
    const size_t size = compoundFileHex.size() / 2;
    ScopedGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, size));
    if (memory.get() == nullptr)
        return StreamReadStatus::Failed;
    {
        ScopedGlobalLock lock(memory.get());
        if (lock.data() == nullptr)
            return StreamReadStatus::Failed;
        auto* bytes = static_cast<uint8_t*>(lock.data());
        decodeHexText(compoundFileHex, bytes);
        std::vector<uint8_t> stream;
        switch (readCompoundFileStream(bytes, size, u"Equation Native", stream)) {
        case CompoundFileStatus::Ok:
            break;
        case CompoundFileStatus::NotCompoundFile:
        case CompoundFileStatus::Unsupported:
            return StreamReadStatus::NotStorage;
        case CompoundFileStatus::Corrupt:
        case CompoundFileStatus::StreamNotFound:
            return StreamReadStatus::Failed;
        }
    }

    ScopedComPtr<ILockBytes> lockBytes;
    if (FAILED(CreateILockBytesOnHGlobal(memory.get(), TRUE, lockBytes.put())))
        return StreamReadStatus::Failed;
    memory.release(); // the lock-bytes object frees the block when it goes

    ScopedComPtr<IStorage> storage;
    if (FAILED(StgOpenStorageOnILockBytes(lockBytes.get(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0,
                                          storage.put())))
        return StreamReadStatus::NotStorage;

    ScopedComPtr<IStream> stream;
    if (FAILED(storage->OpenStream(L"Equation Native", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.put())))
        return StreamReadStatus::Failed;
    STATSTG info{};
    if (FAILED(stream->Stat(&info, STATFLAG_NONAME)))
        return StreamReadStatus::Failed;
    if (info.cbSize.QuadPart == 0)
        return StreamReadStatus::Ok;
    // A stream cannot be larger than the file that holds it: check before taking memory for it.
    if (info.cbSize.QuadPart > size)
        return StreamReadStatus::Failed;
    std::vector<uint8_t> bytes(size_t(info.cbSize.QuadPart));
    ULONG read = 0;
    if (stream->Read(bytes.data(), ULONG(bytes.size()), &read) != S_OK || read != bytes.size())
        return StreamReadStatus::Failed;
    appendHexText(outputHex, bytes.data(), bytes.size());
    return StreamReadStatus::Ok;
}
