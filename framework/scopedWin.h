// Scope records for Windows resources: each closes or releases what it owns exactly once.
// This is the only place that calls CloseHandle, RegCloseKey, GlobalFree, COM's Release, SysFreeString and
// VariantClear (and, as they come, DeleteObject); everything else hands its resources to one of these records. Copying
// is deleted; moving transfers ownership.
#pragma once

#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

// A kernel handle (file, event, mutex, process ...). Both null and INVALID_HANDLE_VALUE mean "none".
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle() { close(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = other.release();
        }
        return *this;
    }

    HANDLE get() const { return handle_; }
    bool isValid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    // Gives up ownership without closing.
    HANDLE release() {
        HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    // Closes the handle now; false when the system reported a failure.
    bool close() {
        if (!isValid()) {
            handle_ = nullptr;
            return true;
        }
        BOOL ok = CloseHandle(handle_);
        handle_ = nullptr;
        return ok != FALSE;
    }

private:
    HANDLE handle_ = nullptr;
};

// An open registry key. The predefined root keys are never held here; the record only closes keys it was given by
// RegOpenKeyExW or RegCreateKeyExW.
class ScopedRegKey {
public:
    ScopedRegKey() = default;
    explicit ScopedRegKey(HKEY key) : key_(key) {}
    ~ScopedRegKey() { close(); }
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;
    ScopedRegKey(ScopedRegKey&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
    ScopedRegKey& operator=(ScopedRegKey&& other) noexcept {
        if (this != &other) {
            close();
            key_ = other.key_;
            other.key_ = nullptr;
        }
        return *this;
    }

    HKEY get() const { return key_; }
    bool isOpen() const { return key_ != nullptr; }
    // The address to hand to the opening call; whatever was held is closed first.
    HKEY* put() {
        close();
        return &key_;
    }
    void close() {
        if (key_ != nullptr)
            RegCloseKey(key_);
        key_ = nullptr;
    }

private:
    HKEY key_ = nullptr;
};

// A COM interface pointer: released once when the record goes. Fill it through put() from a creating call.
template <typename Interface> class ScopedComPtr {
public:
    ScopedComPtr() = default;
    explicit ScopedComPtr(Interface* pointer) : pointer_(pointer) {}
    ~ScopedComPtr() { reset(); }
    ScopedComPtr(const ScopedComPtr&) = delete;
    ScopedComPtr& operator=(const ScopedComPtr&) = delete;
    ScopedComPtr(ScopedComPtr&& other) noexcept : pointer_(other.pointer_) { other.pointer_ = nullptr; }
    ScopedComPtr& operator=(ScopedComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            pointer_ = other.pointer_;
            other.pointer_ = nullptr;
        }
        return *this;
    }

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // The address to hand to a call that creates the interface; whatever was held is released first.
    Interface** put() {
        reset();
        return &pointer_;
    }
    void reset() {
        if (pointer_ != nullptr)
            pointer_->Release();
        pointer_ = nullptr;
    }

private:
    Interface* pointer_ = nullptr;
};

// Enters a COM apartment on this thread for the record's lifetime (CoInitializeEx / CoUninitialize).
class ScopedComApartment {
public:
    explicit ScopedComApartment(DWORD model = COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)
        : result_(CoInitializeEx(nullptr, model)) {}
    ~ScopedComApartment() {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ScopedComApartment(const ScopedComApartment&) = delete;
    ScopedComApartment& operator=(const ScopedComApartment&) = delete;
    bool entered() const { return SUCCEEDED(result_); }

private:
    HRESULT result_;
};

// A global memory block (GlobalAlloc), freed unless ownership was handed on with release().
class ScopedGlobalMemory {
public:
    ScopedGlobalMemory() = default;
    explicit ScopedGlobalMemory(HGLOBAL memory) : memory_(memory) {}
    ~ScopedGlobalMemory() {
        if (memory_ != nullptr)
            GlobalFree(memory_);
    }
    ScopedGlobalMemory(const ScopedGlobalMemory&) = delete;
    ScopedGlobalMemory& operator=(const ScopedGlobalMemory&) = delete;
    HGLOBAL get() const { return memory_; }
    HGLOBAL release() {
        HGLOBAL memory = memory_;
        memory_ = nullptr;
        return memory;
    }

private:
    HGLOBAL memory_ = nullptr;
};

// A lock on a global memory block (GlobalLock / GlobalUnlock).
class ScopedGlobalLock {
public:
    explicit ScopedGlobalLock(HGLOBAL memory) : memory_(memory), data_(GlobalLock(memory)) {}
    ~ScopedGlobalLock() { unlock(); }
    ScopedGlobalLock(const ScopedGlobalLock&) = delete;
    ScopedGlobalLock& operator=(const ScopedGlobalLock&) = delete;
    void* data() const { return data_; }
    void unlock() {
        if (data_ != nullptr)
            GlobalUnlock(memory_);
        data_ = nullptr;
    }

private:
    HGLOBAL memory_;
    void* data_;
};

// One WM_PAINT's BeginPaint / EndPaint. dc() is null when BeginPaint failed; EndPaint then does not run, since it
// belongs only to a BeginPaint that gave a device context.
class ScopedPaint {
public:
    explicit ScopedPaint(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~ScopedPaint() {
        if (dc_ != nullptr)
            EndPaint(window_, &paint_);
    }
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;
    HDC dc() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// An object selected into a device context; the one it replaced goes back when the record goes, so that the DC is
// handed back (EndPaint, ReleaseDC, DeleteDC) as it was given. Selecting a null object selects nothing.
class ScopedSelectObject {
public:
    ScopedSelectObject(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(object != nullptr ? SelectObject(dc, object) : nullptr) {}
    ~ScopedSelectObject() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR)
            SelectObject(dc_, previous_);
    }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// An icon loaded from a file or made at run time (DestroyIcon). Shared icons (LR_SHARED, LoadIcon) never go here.
class ScopedIcon {
public:
    ScopedIcon() = default;
    explicit ScopedIcon(HICON icon) : icon_(icon) {}
    ~ScopedIcon() { reset(); }
    ScopedIcon(const ScopedIcon&) = delete;
    ScopedIcon& operator=(const ScopedIcon&) = delete;
    ScopedIcon(ScopedIcon&& other) noexcept : icon_(other.icon_) { other.icon_ = nullptr; }
    ScopedIcon& operator=(ScopedIcon&& other) noexcept {
        if (this != &other) {
            reset();
            icon_ = other.icon_;
            other.icon_ = nullptr;
        }
        return *this;
    }
    HICON get() const { return icon_; }
    void reset() {
        if (icon_ != nullptr)
            DestroyIcon(icon_);
        icon_ = nullptr;
    }

private:
    HICON icon_ = nullptr;
};

// A window this code created and must take down (DestroyWindow), unless the system or its owner did so first.
// Must go on the thread that created the window.
class ScopedWindow {
public:
    ScopedWindow() = default;
    explicit ScopedWindow(HWND window) : window_(window) {}
    ~ScopedWindow() {
        if (window_ != nullptr && IsWindow(window_))
            DestroyWindow(window_);
    }
    ScopedWindow(const ScopedWindow&) = delete;
    ScopedWindow& operator=(const ScopedWindow&) = delete;
    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

// Takes down at once a window whose handle a table record keeps: such records are copied, so they cannot own it. The
// same rule as ScopedWindow: gone already is fine, and it must be called on the window's thread.
inline void takeDownWindow(HWND window) {
    const ScopedWindow gone(window);
}

// A hook procedure installed with SetWindowsHookExW, removed when the record goes.
class ScopedWindowsHook {
public:
    explicit ScopedWindowsHook(HHOOK hook) : hook_(hook) {}
    ~ScopedWindowsHook() {
        if (hook_ != nullptr)
            UnhookWindowsHookEx(hook_);
    }
    ScopedWindowsHook(const ScopedWindowsHook&) = delete;
    ScopedWindowsHook& operator=(const ScopedWindowsHook&) = delete;
    HHOOK get() const { return hook_; }

private:
    HHOOK hook_;
};

// A window's device context from GetDC, handed back with ReleaseDC.
class ScopedWindowDC {
public:
    explicit ScopedWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~ScopedWindowDC() {
        if (dc_ != nullptr)
            ReleaseDC(window_, dc_);
    }
    ScopedWindowDC(const ScopedWindowDC&) = delete;
    ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Memory a COM call allocated for the caller (CoTaskMemAlloc), such as a ProgID string; freed with CoTaskMemFree.
template <typename Element> class ScopedCoTaskMemory {
public:
    ScopedCoTaskMemory() = default;
    ~ScopedCoTaskMemory() { reset(); }
    ScopedCoTaskMemory(const ScopedCoTaskMemory&) = delete;
    ScopedCoTaskMemory& operator=(const ScopedCoTaskMemory&) = delete;
    Element* get() const { return memory_; }
    // The address to hand to the allocating call; whatever was held is freed first.
    Element** put() {
        reset();
        return &memory_;
    }
    void reset() {
        if (memory_ != nullptr)
            CoTaskMemFree(memory_);
        memory_ = nullptr;
    }

private:
    Element* memory_ = nullptr;
};

// Memory from LocalAlloc, or handed out by a system call to be freed with LocalFree (an ACL from SetEntriesInAclW).
class ScopedLocalMemory {
public:
    ScopedLocalMemory() = default;
    explicit ScopedLocalMemory(HLOCAL memory) : memory_(memory) {}
    ~ScopedLocalMemory() { reset(); }
    ScopedLocalMemory(const ScopedLocalMemory&) = delete;
    ScopedLocalMemory& operator=(const ScopedLocalMemory&) = delete;
    HLOCAL get() const { return memory_; }
    void reset(HLOCAL memory = nullptr) {
        if (memory_ != nullptr)
            LocalFree(memory_);
        memory_ = memory;
    }

private:
    HLOCAL memory_ = nullptr;
};

// A SID made by AllocateAndInitializeSid, freed with FreeSid. Fill it through put().
class ScopedSid {
public:
    ScopedSid() = default;
    ~ScopedSid() { reset(); }
    ScopedSid(const ScopedSid&) = delete;
    ScopedSid& operator=(const ScopedSid&) = delete;
    PSID get() const { return sid_; }
    PSID* put() {
        reset();
        return &sid_;
    }
    void reset() {
        if (sid_ != nullptr)
            FreeSid(sid_);
        sid_ = nullptr;
    }

private:
    PSID sid_ = nullptr;
};

// Ownership of a mutex taken by a wait (WaitForSingleObject gave WAIT_OBJECT_0 or WAIT_ABANDONED); ReleaseMutex when
// the record goes. Must go on the thread that waited.
class ScopedMutexOwnership {
public:
    ScopedMutexOwnership() = default;
    explicit ScopedMutexOwnership(HANDLE mutex) : mutex_(mutex) {}
    ~ScopedMutexOwnership() {
        if (mutex_ != nullptr)
            ReleaseMutex(mutex_);
    }
    ScopedMutexOwnership(const ScopedMutexOwnership&) = delete;
    ScopedMutexOwnership& operator=(const ScopedMutexOwnership&) = delete;
    ScopedMutexOwnership& operator=(ScopedMutexOwnership&& other) noexcept {
        if (this != &other) {
            if (mutex_ != nullptr)
                ReleaseMutex(mutex_);
            mutex_ = other.mutex_;
            other.mutex_ = nullptr;
        }
        return *this;
    }
    bool owns() const { return mutex_ != nullptr; }

private:
    HANDLE mutex_ = nullptr;
};

// A BSTR this code allocated (SysAllocString and kin), freed once when the record goes.
class ScopedBstr {
public:
    ScopedBstr() = default;
    explicit ScopedBstr(BSTR text) : text_(text) {}
    ~ScopedBstr() { reset(); }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    BSTR get() const { return text_; }
    // Gives up ownership without freeing (to a VARIANT that now owns it, for example).
    BSTR release() {
        BSTR text = text_;
        text_ = nullptr;
        return text;
    }
    void reset() {
        if (text_ != nullptr)
            SysFreeString(text_);
        text_ = nullptr;
    }

private:
    BSTR text_ = nullptr;
};

// A row of VARIANTs, as DISPPARAMS wants them: each starts empty (VariantInit) and is cleared once when the record
// goes, which frees a BSTR and releases an interface it holds.
template <size_t Count> class ScopedVariantArray {
public:
    ScopedVariantArray() {
        for (VARIANT& value : values_)
            VariantInit(&value);
    }
    ~ScopedVariantArray() {
        for (VARIANT& value : values_)
            VariantClear(&value);
    }
    ScopedVariantArray(const ScopedVariantArray&) = delete;
    ScopedVariantArray& operator=(const ScopedVariantArray&) = delete;
    VARIANT* data() { return values_; }
    VARIANT& operator[](size_t index) { return values_[index]; }
    // The dispatch pointer held by one of them, handed to the caller, who then owns its reference; the VARIANT is
    // left empty. Null when it holds no dispatch pointer (it then keeps what it holds until the record goes).
    IDispatch* releaseDispatch(size_t index) {
        VARIANT& value = values_[index];
        if (value.vt != VT_DISPATCH)
            return nullptr;
        IDispatch* dispatch = value.pdispVal;
        value.vt = VT_EMPTY;
        value.pdispVal = nullptr;
        return dispatch;
    }

private:
    VARIANT values_[Count];
};

// A one-shot timer of the default timer queue (CreateTimerQueueTimer). Deleting it waits for a callback that is
// already running, so the callback's context may go right after the record. Never reset from its own callback.
class ScopedTimerQueueTimer {
public:
    ScopedTimerQueueTimer() = default;
    ~ScopedTimerQueueTimer() { reset(); }
    ScopedTimerQueueTimer(const ScopedTimerQueueTimer&) = delete;
    ScopedTimerQueueTimer& operator=(const ScopedTimerQueueTimer&) = delete;
    // The address to hand to CreateTimerQueueTimer; a timer held before is deleted first.
    HANDLE* put() {
        reset();
        return &timer_;
    }
    void reset() {
        if (timer_ != nullptr)
            DeleteTimerQueueTimer(nullptr, timer_, INVALID_HANDLE_VALUE);
        timer_ = nullptr;
    }

private:
    HANDLE timer_ = nullptr;
};

// A GDI object this code created (bitmap, font, brush, pen), deleted with DeleteObject. Stock objects never go here.
// It must not be selected into a DC when the record goes: selections are ScopedSelectObject records made after it,
// so they are undone first.
template <typename Object> class ScopedGdiObject {
public:
    ScopedGdiObject() = default;
    explicit ScopedGdiObject(Object object) : object_(object) {}
    ~ScopedGdiObject() { reset(); }
    ScopedGdiObject(const ScopedGdiObject&) = delete;
    ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
    ScopedGdiObject(ScopedGdiObject&& other) noexcept : object_(other.release()) {}
    ScopedGdiObject& operator=(ScopedGdiObject&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Object get() const { return object_; }
    Object release() {
        Object object = object_;
        object_ = nullptr;
        return object;
    }
    // Deletes what is held and keeps `object` instead.
    void reset(Object object = nullptr) {
        if (object_ != nullptr)
            DeleteObject(object_);
        object_ = object;
    }

private:
    Object object_ = nullptr;
};

// A device context this code created (CreateCompatibleDC, CreateDCW), deleted with DeleteDC. Window DCs from GetDC
// are ScopedWindowDC records instead.
class ScopedCreatedDC {
public:
    ScopedCreatedDC() = default;
    explicit ScopedCreatedDC(HDC dc) : dc_(dc) {}
    ~ScopedCreatedDC() { reset(); }
    ScopedCreatedDC(const ScopedCreatedDC&) = delete;
    ScopedCreatedDC& operator=(const ScopedCreatedDC&) = delete;
    ScopedCreatedDC(ScopedCreatedDC&& other) noexcept : dc_(other.dc_) { other.dc_ = nullptr; }
    ScopedCreatedDC& operator=(ScopedCreatedDC&& other) noexcept {
        if (this != &other) {
            reset();
            dc_ = other.dc_;
            other.dc_ = nullptr;
        }
        return *this;
    }
    HDC get() const { return dc_; }
    void reset() {
        if (dc_ != nullptr)
            DeleteDC(dc_);
        dc_ = nullptr;
    }

private:
    HDC dc_ = nullptr;
};

// The clipboard opened for a window (OpenClipboard / CloseClipboard). isOpen() is false when another program holds
// it; nothing is closed then.
class ScopedClipboard {
public:
    explicit ScopedClipboard(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ~ScopedClipboard() {
        if (open_)
            CloseClipboard();
    }
    ScopedClipboard(const ScopedClipboard&) = delete;
    ScopedClipboard& operator=(const ScopedClipboard&) = delete;
    bool isOpen() const { return open_; }

private:
    bool open_;
};

// A file search (FindFirstFileW / FindClose). isOpen() is false when nothing was found.
class ScopedFindHandle {
public:
    explicit ScopedFindHandle(HANDLE search) : search_(search) {}
    ~ScopedFindHandle() {
        if (isOpen())
            FindClose(search_);
    }
    ScopedFindHandle(const ScopedFindHandle&) = delete;
    ScopedFindHandle& operator=(const ScopedFindHandle&) = delete;
    bool isOpen() const { return search_ != INVALID_HANDLE_VALUE && search_ != nullptr; }

private:
    HANDLE search_;
};
