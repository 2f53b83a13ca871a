// The machine's shared "wordstartup" list: its security descriptor, its creation, the lock around its
// read-modify-write, and reading and rewriting it whole (UTF-8 with a byte-order mark, one folder a line, CR LF).
// Used by the template installer only.
#pragma once

#include "scopedWin.h"

#include <string>
#include <vector>

// A security descriptor whose DACL holds exactly one entry: Everyone (S-1-1-0) with the given rights, no
// inheritance. Its parts live as long as the record; attributes() hands it to a creating call.
class EveryoneAccessDescriptor {
public:
    explicit EveryoneAccessDescriptor(DWORD rights);
    EveryoneAccessDescriptor(const EveryoneAccessDescriptor&) = delete;
    EveryoneAccessDescriptor& operator=(const EveryoneAccessDescriptor&) = delete;

    bool isValid() const { return valid_; }
    PSECURITY_DESCRIPTOR descriptor() const { return descriptor_.get(); }
    // Null when the descriptor could not be built.
    SECURITY_ATTRIBUTES* attributes() { return valid_ ? &attributes_ : nullptr; }

private:
    ScopedSid everyone_;
    ScopedLocalMemory acl_;
    ScopedLocalMemory descriptor_;
    SECURITY_ATTRIBUTES attributes_{};
    bool valid_ = false;
};

// Holds the shared list's named mutex for its lifetime, once the wait succeeded. A wait that ends because the last
// owner died (WAIT_ABANDONED) also gives ownership: that run is over.
class SharedListLock {
public:
    SharedListLock(const wchar_t* name, DWORD timeoutMs);
    SharedListLock(const SharedListLock&) = delete;
    SharedListLock& operator=(const SharedListLock&) = delete;
    bool held() const { return ownership_.owns(); }

private:
    ScopedHandle mutex_;
    ScopedMutexOwnership ownership_; // declared after the handle: released before it is closed
};

// The list's lines as read, and whether the file may be rewritten from them without losing anything.
struct SharedListContent {
    std::vector<std::wstring> lines;
    bool rewritable = false;
};

// Lines of the list are read up to this length (the longest Windows path); a longer line makes the list
// unrewritable rather than be cut.
constexpr size_t kSharedListLineUnits = 32767;
// A list of more lines than this is left as it is (not rewritten): a file that large is not a list of folders.
constexpr size_t kSharedListMaxLines = 100000;

// Reads the whole list. A missing list is created empty (createWordStartupList) and is rewritable; a list that is
// there but cannot be opened or read (held by another program, no access), or that holds what a rewrite would
// change (undecodable bytes, an over-long line, a NUL, too many lines), gives no lines and is not rewritable.
SharedListContent readSharedList(const std::wstring& path);

// Rewrites the list with these lines, each ended by CR LF, in UTF-8 with a byte-order mark; false on any failure.
bool writeSharedList(const std::wstring& path, const std::vector<std::wstring>& lines);
