// Equation Editor 3.x objects against the platform's OLE (Wine's, when the tests run under Wine): the template image
// and the engine's own compound files open in structured storage; with no Equation Editor 3.x server, every object
// stays unconverted; with the stand-in server (standins/standInEquationServer.cpp) registered for the Equation.3 class,
// every real object is built through the OLE round trip and reads back to the same MTEF. Windows builds only.
//
// The tests run in this order in one program, so the server registration, made and removed by the last ones, cannot
// be seen by the first; ctest keeps other programs that register the class away (RESOURCE_LOCK).
#include "compoundFileBuilder.h"
#include "mtef/converterContext.h"
#include "mtef/hexText.h"
#include "objects/compoundFileWriter.h"
#include "objects/equationObjectConversion.h"
#include "objects/equationObjectTemplate.h"
#include "objects/equationObjectUnwrap.h"
#include "objects/equationObjectWrap.h"
#include "ole1Objects.h"
#include "realObjects.h"
#include "scopedWin.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace testing_support;

namespace {
using Bytes = std::vector<uint8_t>;

const CLSID kEquation3Class = {0x0002ce02, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr wchar_t kClassKey[] = L"SOFTWARE\\Classes\\CLSID\\{0002CE02-0000-0000-C000-000000000046}";
constexpr wchar_t kInprocServerKey[] =
    L"SOFTWARE\\Classes\\CLSID\\{0002CE02-0000-0000-C000-000000000046}\\InprocServer32";
constexpr DWORD kReadMode = STGM_READ | STGM_SHARE_EXCLUSIVE;

// A compound file as ole32 sees it: its streams by name, and its root class.
struct Ole32View {
    HRESULT result = E_FAIL; // of opening the file
    CLSID rootClass{};
    std::vector<std::wstring> names;
    std::vector<Bytes> streams; // by names' order
};

HRESULT readStream(IStorage* storage, const wchar_t* name, Bytes& out) {
    ScopedComPtr<IStream> stream;
    STATSTG info{};
    HRESULT result = storage->OpenStream(name, nullptr, kReadMode, 0, stream.put());
    if (SUCCEEDED(result))
        result = stream->Stat(&info, STATFLAG_NONAME);
    if (FAILED(result))
        return result;
    out.resize(size_t(info.cbSize.QuadPart));
    ULONG read = 0;
    if (!out.empty() && (FAILED(stream->Read(out.data(), ULONG(out.size()), &read)) || read != out.size()))
        return E_FAIL;
    return S_OK;
}

// Opens a copy of `file` through StgOpenStorageOnILockBytes in the product's mode, and reads every root element.
Ole32View openThroughOle32(const Bytes& file) {
    Ole32View view;
    ScopedGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, file.size()));
    if (memory.get() == nullptr)
        return view;
    {
        ScopedGlobalLock lock(memory.get());
        if (lock.data() == nullptr)
            return view;
        std::copy(file.begin(), file.end(), static_cast<uint8_t*>(lock.data()));
    }
    ScopedComPtr<ILockBytes> lockBytes;
    if (FAILED(view.result = CreateILockBytesOnHGlobal(memory.get(), TRUE, lockBytes.put())))
        return view;
    memory.release();
    ScopedComPtr<IStorage> storage;
    ScopedComPtr<IEnumSTATSTG> elements;
    STATSTG root{};
    view.result = StgOpenStorageOnILockBytes(lockBytes.get(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr,
                                             0, storage.put());
    if (SUCCEEDED(view.result))
        view.result = storage->Stat(&root, STATFLAG_NONAME);
    if (SUCCEEDED(view.result))
        view.result = storage->EnumElements(0, nullptr, 0, elements.put());
    if (FAILED(view.result))
        return view;
    view.rootClass = root.clsid;
    STATSTG element{};
    while (elements->Next(1, &element, nullptr) == S_OK) {
        view.names.emplace_back(element.pwcsName);
        CoTaskMemFree(element.pwcsName);
        view.streams.emplace_back();
        if (element.type != STGTY_STREAM)
            view.result = E_UNEXPECTED;
        else if (FAILED(readStream(storage.get(), view.names.back().c_str(), view.streams.back())))
            view.result = E_FAIL;
    }
    return view;
}

// The stream of that name in the view; a failure when there is none.
const Bytes* streamOf(const Ole32View& view, std::u16string_view name) {
    for (size_t i = 0; i < view.names.size(); ++i) {
        if (std::u16string(view.names[i].begin(), view.names[i].end()) == name)
            return &view.streams[i];
    }
    ADD_FAILURE() << "no such stream";
    return nullptr;
}

// What ole32 reads must be what was written: the streams, no more, and the class.
void expectOle32Reads(const Bytes& file, const CompoundFileStream* streams, size_t count, const std::string& where) {
    const Ole32View view = openThroughOle32(file);
    ASSERT_EQ(view.result, S_OK) << where;
    EXPECT_TRUE(IsEqualCLSID(view.rootClass, kEquation3Class)) << where;
    EXPECT_EQ(view.names.size(), count) << where;
    for (size_t i = 0; i < count; ++i) {
        const Bytes* read = streamOf(view, streams[i].name);
        if (read != nullptr) {
            EXPECT_EQ(*read, Bytes(streams[i].data, streams[i].data + streams[i].size)) << where << " stream " << i;
        }
    }
}

TEST(EquationObjectWrapWine, TemplateOpensInStructuredStorage) {
    ScopedComApartment apartment;
    ASSERT_TRUE(apartment.entered());
    expectOle32Reads(Bytes(kEquationTemplateImage.begin(), kEquationTemplateImage.end()),
                     kEquationTemplateStreams.data(), kEquationTemplateStreams.size(), "template");
}

// The files the native build makes (the template's streams with a new "Equation Native"), and the writer's limits.
TEST(EquationObjectWrapWine, WriterOutputOpensInStructuredStorage) {
    ScopedComApartment apartment;
    ASSERT_TRUE(apartment.entered());
    for (size_t size : {1, 41, 4095, 4096, 4097, 65563, 200000}) {
        const Bytes native = patternBytes(size, uint32_t(size));
        std::array<CompoundFileStream, kEquationTemplateStreamCount> streams = kEquationTemplateStreams;
        streams[kEquationNativeStreamIndex] = {u"Equation Native", native.data(), native.size()};
        Bytes file;
        ASSERT_TRUE(writeCompoundFile(streams.data(), streams.size(), kEquation3ClassId.data(), file));
        expectOle32Reads(file, streams.data(), streams.size(), "Equation Native of " + std::to_string(size));
    }
    std::vector<Bytes> contents;
    std::vector<std::u16string> names;
    for (size_t i = 0; i < kMaxCompoundFileStreams; ++i) {
        contents.push_back(patternBytes(i * 1500, uint32_t(i)));
        names.push_back(u"Stream " + std::u16string(1, char16_t(u'A' + i)));
    }
    std::vector<CompoundFileStream> streams;
    for (size_t i = 0; i < contents.size(); ++i)
        streams.push_back({names[i], contents[i].data(), contents[i].size()});
    Bytes file;
    ASSERT_TRUE(writeCompoundFile(streams.data(), streams.size(), kEquation3ClassId.data(), file));
    expectOle32Reads(file, streams.data(), streams.size(), "most streams");
}

// --- The server step -----------------------------------------------------------------------------------------------

void removeStandInRegistration() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kInprocServerKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kClassKey); // only when nothing else is registered under the class
}

// The \objdata hex of an OLE1 "Equation.DSMT4" object around a compound file.
std::string mathTypeObjectData(const std::string& file) {
    return testing_support::ole1ObjectHex("Equation.DSMT4", file);
}

std::string documentOf(const std::vector<RealObject>& objects) {
    std::string document = "{\\rtf1 ";
    for (const auto& object : objects)
        document += "{\\object\\objemb{\\*\\objclass Equation.DSMT4}{\\*\\objdata " + mathTypeObjectData(object.bytes) +
                    "}{\\result {\\pict 01}}} ";
    return document + "}";
}

const std::string kTemplateNativeHex = hexOfBytes(Bytes(kEquationTemplateStreams[kEquationNativeStreamIndex].data,
                                                        kEquationTemplateStreams[kEquationNativeStreamIndex].data +
                                                            kEquationTemplateStreams[kEquationNativeStreamIndex].size));

// With no Equation Editor 3.x server, OLE's default handler makes an object without the equation: nothing is built.
TEST(EquationObjectWrapWine, WithoutAServerObjectsStayAsTheyWere) {
    removeStandInRegistration(); // left by an aborted run
    ScopedComApartment apartment;
    ASSERT_TRUE(apartment.entered());
    std::string output = "left over";
    EXPECT_EQ(wrapEquationObject(output, kTemplateNativeHex), WrapStatus::Failed);
    EXPECT_EQ(output, "");

    const auto objects = realObjects();
    ASSERT_GT(objects.size(), 30u);
    const std::string document = documentOf(objects);
    const auto job = runEngineJob(document, equationEditor3Options());
    EXPECT_EQ(job.converted, 0);
    for (const auto& object : objects) {
        EXPECT_NE(job.output.find("{\\*\\objdata " + mathTypeObjectData(object.bytes) + "}{\\result {\\pict 01}}}"),
                  std::string::npos)
            << object.name;
    }
}

// The stand-in server registered for the Equation.3 class while a test runs. In the machine's classes: Wine's COM
// reads no per-user classes, and lets the tests write HKLM.
class StandInServer : public testing::Test {
protected:
    void SetUp() override {
        removeStandInRegistration();
        const std::filesystem::path dll = std::filesystem::path("Z:" VELTRIM_STAND_IN_SERVER).make_preferred();
        const std::wstring path = dll.wstring();
        constexpr wchar_t kApartment[] = L"Apartment";
        ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, kInprocServerKey, nullptr, REG_SZ, path.c_str(),
                                  DWORD((path.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, kInprocServerKey, L"ThreadingModel", REG_SZ, kApartment,
                                  DWORD(sizeof kApartment)),
                  ERROR_SUCCESS);
    }
    void TearDown() override { removeStandInRegistration(); }

    ScopedComApartment apartment_;
};

// Unwraps the built \objdata text (line breaks removed, as the RTF pass hands it over) through the platform's
// structured storage.
std::string unwrapBuilt(const std::string& built) {
    const std::string joined = testing_support::withoutLineBreaks(built);
    const RecognisedObject object = recogniseEquationObject(joined, true);
    std::string unwrapped;
    if (object.kind != ObjectEquation3 ||
        unwrapEquationObject(unwrapped, object.data, object.kind, 0) != UnwrapStatus::Ok)
        return "<not an Equation.3 object>";
    return unwrapped;
}

TEST_F(StandInServer, BuildsTheTemplatesEquation) {
    ASSERT_TRUE(apartment_.entered());
    std::string output;
    ASSERT_EQ(wrapEquationObject(output, kTemplateNativeHex), WrapStatus::Ok);
    EXPECT_EQ(output.substr(0, 62), kOle1ObjectHeaderHex);
    EXPECT_EQ(unwrapBuilt(output), kTemplateNativeHex);
}

TEST_F(StandInServer, BuildsEveryRealObject) {
    ASSERT_TRUE(apartment_.entered());
    const auto objects = realObjects();
    ASSERT_GT(objects.size(), 30u);
    for (const auto& object : objects) {
        ConverterContext& context = converterContext();
        ConversionSwitches switches{EquationFormat::EquationEditor3};
        switches.allowMathTypeFonts = 1;
        initConverterContext(context, switches);
        const std::string built = convertEquationObject(context, hexOf(object.bytes), ObjectStorage);
        ASSERT_FALSE(context.equationNative.empty()) << object.name;
        EXPECT_FALSE(built.empty()) << object.name;
        EXPECT_EQ(unwrapBuilt(built), context.equationNative) << object.name;
    }
    const auto job = runEngineJob(documentOf(objects), equationEditor3Options());
    EXPECT_EQ(job.converted, int(objects.size()));
}
} // namespace
