// The compound file reader against the platform's structured storage (ole32; Wine's when the tests run under Wine):
// files ole32 writes in memory must read the same through readCompoundFileStream as through IStorage, stream by
// stream and name by name, and so must the real equation objects. Windows builds only.
#include "objects/compoundFileReader.h"
#include "realObjects.h"
#include "scopedWin.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

void PrintTo(CompoundFileStatus status, std::ostream* out) {
    *out << compoundFileStatusText(status);
}

using namespace testing_support;

namespace {
constexpr DWORD kCreateMode = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr DWORD kReadMode = STGM_READ | STGM_SHARE_EXCLUSIVE;

struct StreamSpec {
    std::u16string name;
    std::vector<uint8_t> bytes;
};

std::wstring wide(std::u16string_view name) {
    return std::wstring(name.begin(), name.end());
}

std::vector<uint8_t> pattern(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t((uint32_t(i) * 2654435761u + seed * 0x9e3779b9u) >> 24);
    return bytes;
}

HRESULT writeStreams(IStorage* storage, const std::vector<StreamSpec>& streams) {
    for (const StreamSpec& entry : streams) {
        ScopedComPtr<IStream> stream;
        HRESULT result = storage->CreateStream(wide(entry.name).c_str(), kCreateMode, 0, 0, stream.put());
        ULONG written = 0;
        if (SUCCEEDED(result) && !entry.bytes.empty())
            result = stream->Write(entry.bytes.data(), ULONG(entry.bytes.size()), &written);
        if (FAILED(result))
            return result;
        if (written != entry.bytes.size())
            return E_FAIL;
    }
    return S_OK;
}

// Fills a new root storage: `streams` and, when `subStreams` is not empty, a storage "Sub" holding them; commits.
HRESULT writeContent(IStorage* root, const std::vector<StreamSpec>& streams,
                     const std::vector<StreamSpec>& subStreams) {
    HRESULT result = writeStreams(root, streams);
    if (SUCCEEDED(result) && !subStreams.empty()) {
        ScopedComPtr<IStorage> sub;
        result = root->CreateStorage(L"Sub", kCreateMode, 0, 0, sub.put());
        if (SUCCEEDED(result))
            result = writeStreams(sub.get(), subStreams);
        if (SUCCEEDED(result))
            result = sub->Commit(STGC_DEFAULT);
    }
    if (SUCCEEDED(result))
        result = root->Commit(STGC_DEFAULT);
    return result;
}

// The bytes of a version 3 compound file that ole32 writes into global memory.
std::vector<uint8_t> writeInMemory(const std::vector<StreamSpec>& streams, const std::vector<StreamSpec>& subStreams) {
    ScopedComPtr<ILockBytes> lockBytes;
    ScopedComPtr<IStorage> root;
    HRESULT result = CreateILockBytesOnHGlobal(nullptr, TRUE, lockBytes.put());
    if (SUCCEEDED(result))
        result = StgCreateDocfileOnILockBytes(lockBytes.get(), kCreateMode, 0, root.put());
    if (SUCCEEDED(result))
        result = writeContent(root.get(), streams, subStreams);
    HGLOBAL memory = nullptr;
    STATSTG stat{};
    if (SUCCEEDED(result))
        result = GetHGlobalFromILockBytes(lockBytes.get(), &memory);
    if (SUCCEEDED(result))
        result = lockBytes->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(result) || stat.cbSize.QuadPart > GlobalSize(memory))
        return {};
    ScopedGlobalLock lock(memory);
    const auto* data = static_cast<const uint8_t*>(lock.data());
    return data ? std::vector<uint8_t>(data, data + size_t(stat.cbSize.QuadPart)) : std::vector<uint8_t>{};
}

// The bytes of a version 4 compound file (4096-byte sectors): ole32 writes those only to files.
std::vector<uint8_t> writeVersion4(const std::vector<StreamSpec>& streams, const std::vector<StreamSpec>& subStreams) {
    testing_support::TempFolder folder;
    const std::filesystem::path path = folder.file("version4.cfb");
    {
        STGOPTIONS options{};
        options.usVersion = 1;
        options.ulSectorSize = 4096;
        ScopedComPtr<IStorage> root;
        HRESULT result = StgCreateStorageEx(path.wstring().c_str(), kCreateMode, STGFMT_DOCFILE, 0, &options, nullptr,
                                            IID_IStorage, reinterpret_cast<void**>(root.put()));
        if (SUCCEEDED(result))
            result = writeContent(root.get(), streams, subStreams);
        if (FAILED(result))
            return {};
    }
    const std::string bytes = readFileBytes(path);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// ole32's view of a compound file: lock bytes over a copy in global memory of our own. `lockBytes` is empty when
// the copy could not be made.
struct Ole32File {
    explicit Ole32File(const std::vector<uint8_t>& file) : memory(GlobalAlloc(GMEM_MOVEABLE, file.size())) {
        if (memory.get() == nullptr)
            return;
        {
            ScopedGlobalLock lock(memory.get());
            if (lock.data() == nullptr)
                return;
            std::copy(file.begin(), file.end(), static_cast<uint8_t*>(lock.data()));
        }
        if (FAILED(CreateILockBytesOnHGlobal(memory.get(), FALSE, lockBytes.put())))
            lockBytes.reset();
    }
    ScopedGlobalMemory memory;
    ScopedComPtr<ILockBytes> lockBytes; // declared after the memory, so released before the memory is freed
};

// A root stream read through ole32: S_OK with its bytes, or the failure.
HRESULT readThroughOle32(ILockBytes* lockBytes, std::u16string_view name, std::vector<uint8_t>& out) {
    out.clear();
    ScopedComPtr<IStorage> storage;
    ScopedComPtr<IStream> stream;
    STATSTG stat{};
    HRESULT result = StgOpenStorageOnILockBytes(lockBytes, nullptr, kReadMode, nullptr, 0, storage.put());
    if (SUCCEEDED(result))
        result = storage->OpenStream(wide(name).c_str(), nullptr, kReadMode, 0, stream.put());
    if (SUCCEEDED(result))
        result = stream->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(result))
        return result;
    out.resize(size_t(stat.cbSize.QuadPart));
    for (size_t done = 0; done < out.size();) {
        ULONG read = 0;
        result = stream->Read(out.data() + done, ULONG(out.size() - done), &read);
        if (FAILED(result) || read == 0)
            return FAILED(result) ? result : E_FAIL;
        done += read;
    }
    return S_OK;
}

std::string describe(std::u16string_view name) {
    std::string text;
    for (char16_t unit : name) {
        if (unit >= 0x20 && unit < 0x7f) {
            text += char(unit);
        } else {
            static const char kHex[] = "0123456789abcdef";
            text += std::string("\\u") + kHex[unit >> 12] + kHex[(unit >> 8) & 15] + kHex[(unit >> 4) & 15] +
                    kHex[unit & 15];
        }
    }
    return text;
}

// Both readers agree on `name`: found by both with the same bytes (and `expected`, when given), or by neither.
void expectSameRead(const std::vector<uint8_t>& file, std::u16string_view name, const std::vector<uint8_t>* expected,
                    const std::string& where) {
    const Ole32File opened(file);
    ASSERT_TRUE(opened.lockBytes) << where;
    std::vector<uint8_t> ours;
    std::vector<uint8_t> theirs;
    const CompoundFileStatus status = readCompoundFileStream(file.data(), file.size(), name, ours);
    const HRESULT result = readThroughOle32(opened.lockBytes.get(), name, theirs);
    EXPECT_EQ(status == CompoundFileStatus::Ok, SUCCEEDED(result))
        << where << " " << describe(name) << ": reader " << compoundFileStatusText(status) << ", ole32 0x" << std::hex
        << result;
    EXPECT_EQ(ours, theirs) << where << " " << describe(name);
    if (expected != nullptr) {
        EXPECT_EQ(ours, *expected) << where << " " << describe(name);
    }
}

bool runningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

const std::vector<StreamSpec> kStreams = {
    {u"Empty", pattern(0, 1)},
    {u"One", pattern(1, 2)},
    {u"\u0001CompObj", pattern(63, 3)},
    {u"Mini sector", pattern(64, 4)},
    {u"Equation Native", pattern(4095, 5)},
    {u"At cutoff", pattern(4096, 6)},
    {u"Above cutoff", pattern(4097, 7)},
    {u"Large", pattern(100000, 8)},
    {u"\u00ff\u00e0\u00e9", pattern(10, 9)}, // y diaeresis, a grave, e acute
};
const std::vector<StreamSpec> kSubStreams = {{u"Inner", pattern(300, 10)}, {u"Equation Native", pattern(5000, 11)}};

// Names that differ in ASCII case, names that are not there, and names of the sub-storage only.
const std::u16string kOtherNames[] = {u"EQUATION NATIVE", u"equation native", u"LARGE",
                                      u"\u0001compobj",   u"Inner",           u"Sub",
                                      u"Equation Nativ",  u"Nothing"};

void expectFileReadsAlike(const std::vector<uint8_t>& file, const std::string& where) {
    ASSERT_FALSE(file.empty()) << where;
    for (const StreamSpec& entry : kStreams)
        expectSameRead(file, entry.name, &entry.bytes, where);
    for (const std::u16string& name : kOtherNames)
        expectSameRead(file, name, nullptr, where);
}

TEST(CompoundFileWine, ReadsWhatOle32WritesInVersion3) {
    ScopedComApartment apartment;
    ASSERT_TRUE(apartment.entered());
    const std::vector<uint8_t> file = writeInMemory(kStreams, kSubStreams);
    ASSERT_GE(file.size(), 512u);
    EXPECT_EQ(file[26], 3);
    expectFileReadsAlike(file, "version 3");
}

TEST(CompoundFileWine, ReadsWhatOle32WritesInVersion4) {
    ScopedComApartment apartment;
    ASSERT_TRUE(apartment.entered());
    const std::vector<uint8_t> file = writeVersion4(kStreams, kSubStreams);
    ASSERT_GE(file.size(), 4096u);
    EXPECT_EQ(file[26], 4);
    expectFileReadsAlike(file, "version 4");
}

// The reader upper-cases Latin-1 letters as the format and Windows do. Wine's ole32 upper-cases ASCII only, so
// under Wine it does not find a stream by its Latin-1 name in the other case.
TEST(CompoundFileWine, Latin1LettersInTheOtherCase) {
    ScopedComApartment apartment;
    ASSERT_TRUE(apartment.entered());
    const std::vector<uint8_t> file = writeInMemory(kStreams, {});
    const std::u16string upper = u"\u0178\u00c0\u00c9";
    std::vector<uint8_t> ours;
    EXPECT_EQ(readCompoundFileStream(file.data(), file.size(), upper, ours), CompoundFileStatus::Ok);
    EXPECT_EQ(ours, kStreams.back().bytes);
    const Ole32File opened(file);
    ASSERT_TRUE(opened.lockBytes);
    std::vector<uint8_t> theirs;
    const HRESULT result = readThroughOle32(opened.lockBytes.get(), upper, theirs);
    if (runningUnderWine()) {
        EXPECT_EQ(result, STG_E_FILENOTFOUND);
    } else {
        EXPECT_EQ(result, S_OK);
        EXPECT_EQ(theirs, ours);
    }
}

// "Equation Native" alone, as equation objects hold it, at every size around the cutoff and the sectors.
TEST(CompoundFileWine, ReadsSingleStreamsOfEverySize) {
    ScopedComApartment apartment;
    ASSERT_TRUE(apartment.entered());
    for (size_t size : {0, 1, 63, 64, 4095, 4096, 4097, 100000}) {
        const std::vector<StreamSpec> streams = {{u"Equation Native", pattern(size, uint32_t(size))}};
        expectSameRead(writeInMemory(streams, {}), streams[0].name, &streams[0].bytes, "size " + std::to_string(size));
    }
}

// A stream large enough that the FAT outgrows the header's 109 slots and ole32 writes DIFAT sectors.
TEST(CompoundFileWine, ReadsThroughOle32sDifat) {
    ScopedComApartment apartment;
    ASSERT_TRUE(apartment.entered());
    const std::vector<StreamSpec> streams = {{u"Huge", pattern(8 << 20, 12)}, {u"Equation Native", pattern(99, 13)}};
    const std::vector<uint8_t> file = writeInMemory(streams, {});
    ASSERT_GT(file.size(), 8u << 20);
    const uint32_t fatSectors = uint32_t(file[44]) | uint32_t(file[45]) << 8 | uint32_t(file[46]) << 16;
    EXPECT_GT(fatSectors, 109u) << "no DIFAT written";
    for (const StreamSpec& entry : streams)
        expectSameRead(file, entry.name, &entry.bytes, "DIFAT");
}

// The real equation objects.
TEST(CompoundFileWine, ReadsTheRealObjectsAlike) {
    ScopedComApartment apartment;
    ASSERT_TRUE(apartment.entered());
    int objects = 0;
    for (const char* folder : {"mathtype3", "mathtype5"}) {
        for (const testing_support::RealObject& object : testing_support::realObjectsIn(folder)) {
            const std::string& bytes = object.bytes;
            const std::vector<uint8_t> file(bytes.begin(), bytes.end());
            const std::string where = object.path.filename().string();
            ASSERT_FALSE(file.empty()) << where;
            expectSameRead(file, u"Equation Native", nullptr, where);
            expectSameRead(file, u"\u0001CompObj", nullptr, where);
            ++objects;
        }
    }
    EXPECT_GT(objects, 0);
}
} // namespace
