// A host of the converter library for its window tests, as the settings program hosts it: an installation of the
// Sembrik module in a folder of its own (the default artwork as btmm, btmb and btmi, skin folders) with the suite's
// registry keys pointing at it, the library loaded by path, and its export called through GetProcAddress on a
// thread of its own with an owner window or without, so that the test's thread can post real input to the window's
// message queue and look at the result on the window's own thread (a message hook of that thread runs the test's jobs).
#pragma once

#include "suiteRegistry.h"
#include "windowSession.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

namespace sembrik_test {

// A complete installation: <root>\sembrik\ with btmm (background), btmb (button strip), btmi (icon) and
// skin\graphite\, the machine-wide keys naming <root>, and no per-user keys. Removed again at the end.
class SembrikInstallation {
public:
    SembrikInstallation();
    ~SembrikInstallation();
    SembrikInstallation(const SembrikInstallation&) = delete;
    SembrikInstallation& operator=(const SembrikInstallation&) = delete;

    testing_support::SuiteRegistry& registry() { return registry_; }
    const std::wstring& moduleFolder() const { return moduleFolder_; } // ends with a backslash
    // A skin folder of the test's own: skin.txt with these lines, and a button strip and background of one colour.
    void addSkin(const std::wstring& name, const std::string& skinLines, COLORREF stripColour);

private:
    testing_support::SuiteRegistry registry_;
    std::wstring root_;
    std::wstring moduleFolder_;
};

// A library loaded by path, never unloaded (as the settings program keeps it); the address of an export.
HMODULE loadLibraryOnce(const std::wstring& path);
template <typename Function> Function libraryEntry(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// How a session calls the library.
struct SessionCall {
    HMODULE library = nullptr;
    bool withOwner = false;
    bool throughShowOpt = false; // showOpt with the status and module id buffers, else showOptSbk
};

// One opening of the module window on a thread of its own. The session ends the window (EndDialog with 2 on its
// thread) if it still runs and waits for the thread; see windowSession.h for the posts, clicks and jobs, which a
// message hook of the window's thread runs, so that the library's own procedure never sees them.
class ModuleSession : public testing_support::WindowSession {
public:
    explicit ModuleSession(const SessionCall& call);

    HWND owner() const;
    // A click that ends the window: the release is not waited for.
    bool clickToEnd(int32_t x, int32_t y);
    // The export's result once the window has ended; -2 when it did not end in time.
    int32_t waitForEnd(DWORD milliseconds = 10000);
    // What showOpt wrote (throughShowOpt only).
    int32_t status() const;
    std::wstring moduleIdBuffer() const; // all 32 units, zeros included

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

} // namespace sembrik_test
