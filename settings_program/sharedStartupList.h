// The machine's shared "wordstartup" list: its security descriptor, its creation, the lock around its
// read-modify-write, the check that its folder and file are themselves and not links, and reading and rewriting it
// whole (UTF-8 with a byte-order mark, one folder a line, CR LF). Used by the template installer only.
//
// Any user may make the list's folder first, and may make it (or the list) a junction or symbolic link to a place
// of their choosing; a run with more rights than that user would then create, read or rewrite a file there. So a
// folder or list that is a link is never used, and both are held open while a run uses them, so that they cannot be
// swapped for a link meanwhile: the list is read through its held handle, and a list the run creates is held from its
// creation on.
#pragma once

#include "scopedWin.h"
#include "wordTemplateInstaller.h"

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

// What a folder or file of the shared list is.
enum class SharedListPlace : int32_t {
    Plain = 0,    // the object itself, of the kind asked for
    Missing = 1,  // not there
    Link = 2,     // a junction or symbolic link, or reached through one: never used
    Unusable = 3, // there, but of the other kind, or it could not be opened or examined
};

// Opens the folder for listing or the file for reading its data, sharing reading and writing but not deleting, and
// says what it is. Share modes bind only handles with data or delete access (one for attributes alone keeps no one
// from anything), so while `held` lives no one can rename or delete the folder or file, and so replace it by a
// link; Windows and Wine alike refuse with a sharing violation. Windows shows a link as a reparse point; Wine shows a
// file symbolic link as a plain file, so the object's final path is also compared with its folder's final path and
// its own name. `held` is set only for Plain.
SharedListPlace holdSharedListPlace(const std::wstring& path, bool directory, ScopedHandle& held);

// The list's lines as read, whether the file may be rewritten from them without losing anything, and the folder and
// file held open while the run lasts.
struct SharedListContent {
    std::vector<std::wstring> lines;
    bool rewritable = false;
    ScopedHandle heldFolder;
    ScopedHandle heldFile;
};

// Lines of the list are read up to this length (the longest Windows path); a longer line makes the list
// unrewritable rather than be cut.
constexpr size_t kSharedListLineUnits = 32767;
// A list of more lines or bytes than these is left as it is (not rewritten): a file that large is not a list of
// folders, and its old text is kept in memory while the new one is written.
constexpr size_t kSharedListMaxLines = 100000;
constexpr uint64_t kSharedListMaxBytes = uint64_t(64) << 20;

// Reads the whole list. A folder or list that is a link, or that is there but cannot be opened or read (held by
// another program, no access), gives no lines and is not rewritable; so does a list holding anything a rewrite would
// change: undecodable bytes, an over-long line, a NUL unit anywhere, an unpaired surrogate, too many lines or bytes.
// A missing list is created empty (as createWordStartupList does) in the held folder and is rewritable, once the
// new file is found, by its handle, to stand there under its own name.
SharedListContent readSharedList(const std::wstring& path);

// Rewrites the list held in `content` with these lines, each ended by CR LF, in UTF-8 with a byte-order mark. The new
// text is built whole before the file is touched and goes in with one write (`write`, WriteFile when null); when that
// write fails (a full disk), the old text is written back. False on any failure.
bool writeSharedList(const std::wstring& path, const SharedListContent& content, const std::vector<std::wstring>& lines,
                     SharedListWrite write);
