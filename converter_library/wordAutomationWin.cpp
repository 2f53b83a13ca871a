// Word automation by late binding: every name is resolved with GetIDsOfNames and called with Invoke, no type library;
// see wordAutomation.h. Runs on the conversion worker thread, in its single-threaded apartment.
//
// Two choices of our own:
// - A BSTR argument that cannot be built (out of memory) fails the step it belongs to, like a failed call: no
//   exception, no end of the process, and the usual clean-up follows.
// - Word may never answer (a dialog nobody sees, a hung add-in). Each call to it is watched: one that has not returned
//   within the call limit (ten minutes by default, long enough for Word to open or save a very large document) ends
//   the Word instance, which makes the call return with a failure, so the step fails and the conversion ends instead of
//   hanging the module window's conversion forever. Once the instance is ended the clean-up calls are not sent.
//   Releasing an interface is a call to Word too, and is watched the same way. When the instance's process cannot be
//   told apart from another Word (see wordInstance.h), its calls go unwatched rather than risk ending the user's own
//   Word with their unsaved work.
#include "wordAutomation.h"

#include "wordInstance.h"

#include <atomic>
#include <iterator>

namespace {
constexpr wchar_t kWordProgId[] = L"Word.Application";
// Word's file formats for SaveAs: wdFormatRTF and wdFormatDocumentDefault.
constexpr int32_t kWordFormatRtf = 6;
constexpr int32_t kWordFormatDocumentDefault = 16;
constexpr uint32_t kDefaultCallLimitMs = 10 * 60 * 1000;

// Written by tests on their main thread while no conversion runs; read by the conversion worker thread.
std::atomic<uint32_t> gCallLimitMs{kDefaultCallLimitMs};

// What one call holds, released in the order the clean-up gives.
struct WordSession {
    WordInstance instance;
    ScopedComPtr<IDispatch> application;
    ScopedComPtr<IDispatch> documents;
    ScopedComPtr<IDispatch> document;
};

// One remote call, watched (see above). Once the instance was ended, nothing more is sent to it.
template <typename Call> HRESULT watchedCall(WordInstance& instance, Call&& call) {
    if (instance.ended)
        return RPC_E_DISCONNECTED;
    ScopedTimerQueueTimer watch;
    (void)armCallWatch(watch, instance, gCallLimitMs.load()); // an unknown instance is called unwatched
    const HRESULT result = call();
    watch.reset(); // waits for a watch that is firing right now, so `ended` is settled below
    return instance.ended ? RPC_E_DISCONNECTED : result;
}

// Releases one of Word's interfaces, watched like a call: the release goes to Word's process.
void releaseWatched(WordInstance& instance, ScopedComPtr<IDispatch>& object) {
    (void)watchedCall(instance, [&] {
        object.reset();
        return S_OK;
    });
    object.reset(); // already done, unless the instance was ended before
}

// Resolves `name` on `object` and invokes it with `params` (arguments last-first). `result` may be null. Fails without
// invoking when the name is unknown.
bool callByName(WordInstance& instance, IDispatch* object, const wchar_t* name, WORD flags, DISPPARAMS& params,
                VARIANT* result) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)}; // GetIDsOfNames only reads it
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(
            watchedCall(instance, [&] { return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id); })))
        return false;
    return SUCCEEDED(watchedCall(instance, [&] {
        return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
    }));
}

// A property put: the value is the one argument, named DISPID_PROPERTYPUT as IDispatch requires.
bool putProperty(WordInstance& instance, IDispatch* object, const wchar_t* name, VARIANT& value) {
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&value, &putId, 1, 1};
    return callByName(instance, object, name, DISPATCH_PROPERTYPUT, params, nullptr);
}

// Calls `name` (flags: a method or a property get) with up to one argument and takes the dispatch pointer it returns
// into `out`; false when the call fails or returns no dispatch pointer.
bool getObject(WordInstance& instance, IDispatch* object, const wchar_t* name, WORD flags, VARIANT* argument,
               ScopedComPtr<IDispatch>& out) {
    DISPPARAMS params = {argument, nullptr, argument != nullptr ? 1u : 0u, 0};
    ScopedVariantArray<1> result;
    if (!callByName(instance, object, name, flags, params, result.data()))
        return false;
    *out.put() = result.releaseDispatch(0);
    return bool(out);
}

// A method whose result nobody needs.
bool callMethod(WordInstance& instance, IDispatch* object, const wchar_t* name, VARIANT* arguments, UINT count) {
    DISPPARAMS params = {arguments, nullptr, count, 0};
    return callByName(instance, object, name, DISPATCH_METHOD, params, nullptr);
}

// The extension as Windows reads it: from the last dot of the file name on ("name.rtf", ".rtf"), else empty.
std::wstring extensionOf(const std::wstring& path) {
    const size_t dot = path.find_last_of(L'.');
    const size_t separator = path.find_last_of(L"\\/:");
    if (dot == std::wstring::npos || (separator != std::wstring::npos && separator > dot))
        return {};
    return path.substr(dot);
}

bool setBstr(VARIANT& value, const std::wstring& text) {
    ScopedBstr built(SysAllocStringLen(text.data(), UINT(text.size())));
    if (built.get() == nullptr)
        return false;
    value.vt = VT_BSTR;
    value.bstrVal = built.release(); // the VARIANT owns (and frees) it from here
    return true;
}

void setI2(VARIANT& value, int16_t number) {
    value.vt = VT_I2;
    value.iVal = number;
}

void setI4(VARIANT& value, int32_t number) {
    value.vt = VT_I4;
    value.lVal = number;
}

// Steps 3 to 7 on a started application; the session keeps what they opened for the clean-up.
WordStepResult runDocumentSteps(WordSession& session, const std::wstring& documentPath,
                                const std::wstring& targetPath) {
    IDispatch* application = session.application.get();
    ScopedVariantArray<1> visible;
    setI2(visible[0], 0);
    if (!putProperty(session.instance, application, L"Visible", visible[0]))
        return WordStepResult::Visible;
    ScopedVariantArray<1> displayAlerts;
    setI4(displayAlerts[0], 0);
    if (!putProperty(session.instance, application, L"DisplayAlerts", displayAlerts[0]))
        return WordStepResult::DisplayAlerts;
    if (!getObject(session.instance, application, L"Documents", DISPATCH_PROPERTYGET, nullptr, session.documents))
        return WordStepResult::Documents;
    ScopedVariantArray<1> fileName;
    if (!setBstr(fileName[0], documentPath) || !getObject(session.instance, session.documents.get(), L"Open",
                                                          DISPATCH_METHOD, fileName.data(), session.document))
        return WordStepResult::Open;
    // SaveAs(FileName, FileFormat): in the array the last argument comes first.
    const bool asRtf = extensionOf(targetPath) == L".rtf"; // exactly: ".RTF" is saved as .docx
    ScopedVariantArray<2> saveAs;
    setI4(saveAs[0], asRtf ? kWordFormatRtf : kWordFormatDocumentDefault);
    if (!setBstr(saveAs[1], targetPath) ||
        !callMethod(session.instance, session.document.get(), L"SaveAs", saveAs.data(), 2))
        return WordStepResult::SaveAs;
    return WordStepResult::Ok;
}

// Whatever failed: the opened document is closed without saving, Word quits, and every interface is released once,
// in this order. Results are ignored; a name Word does not know is simply not called.
void endSession(WordSession& session) {
    if (session.document) {
        ScopedVariantArray<1> saveChanges;
        setI4(saveChanges[0], 0); // wdDoNotSaveChanges
        (void)callMethod(session.instance, session.document.get(), L"Close", saveChanges.data(), 1);
        releaseWatched(session.instance, session.document);
    }
    releaseWatched(session.instance, session.documents);
    if (session.application) {
        (void)callMethod(session.instance, session.application.get(), L"Quit", nullptr, 0);
        releaseWatched(session.instance, session.application);
    }
}
} // namespace

void setWordCallLimit(uint32_t milliseconds) {
    gCallLimitMs.store(milliseconds != 0 ? milliseconds : kDefaultCallLimitMs);
}

WordStepResult saveAsWithWord(const std::wstring& documentPath, const std::wstring& targetPath) {
    CLSID classId = {};
    if (FAILED(CLSIDFromProgID(kWordProgId, &classId)))
        return WordStepResult::ClassLookup;
    WordSession session;
    const std::vector<DWORD> before = serverProcessIds(classId);
    if (FAILED(CoCreateInstance(classId, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(session.application.put()))) ||
        !session.application)
        return WordStepResult::ApplicationStart;
    findStartedInstance(session.instance, classId, before);
    const WordStepResult result = runDocumentSteps(session, documentPath, targetPath);
    endSession(session);
    return result;
}
