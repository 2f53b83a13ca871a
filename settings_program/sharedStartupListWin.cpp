// The shared "wordstartup" list; see sharedStartupList.h.
#include "sharedStartupList.h"

#include "finalPaths.h"
#include "textFile.h"
#include "textUnits.h"

#include <aclapi.h>

#include <utility>

namespace {
constexpr uint64_t kReadBufferBytes = 128;
constexpr wchar_t kUtf8Mark[] = L"\uFEFF";

bool isMissingError(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Whether the object open as `handle` is the one named `path`, judged by final paths: its own must be its folder's
// followed by its name. A final path that cannot be had leaves the judgement to the attributes.
bool reachedDirectly(HANDLE handle, const std::wstring& path) {
    return finalPathMatch(handle, path) != FinalPathMatch::Elsewhere;
}

// The volume and file index of an open file: the same file whatever name it was opened by.
bool sameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION first{};
    BY_HANDLE_FILE_INFORMATION second{};
    return GetFileInformationByHandle(a, &first) && GetFileInformationByHandle(b, &second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber && first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

// What an open handle is: a link (by its attributes or its final path), the other kind, or the object itself.
SharedListPlace placeOf(HANDLE handle, const std::wstring& path, bool directory) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle, &information))
        return SharedListPlace::Unusable;
    // By path too: Wine shows a directory link as a reparse point there only.
    const DWORD byPath = GetFileAttributesW(path.c_str());
    const DWORD attributes = information.dwFileAttributes | (byPath != INVALID_FILE_ATTRIBUTES ? byPath : 0);
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || !reachedDirectly(handle, path))
        return SharedListPlace::Link;
    if (((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != directory)
        return SharedListPlace::Unusable;
    return SharedListPlace::Plain;
}

// Whether the file open as `file` stands directly in the folder open as `folder` under the last part of `path`, judged
// by both final paths, and is no reparse point. False when a final path cannot be had.
bool standsIn(HANDLE file, HANDLE folder, const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    BY_HANDLE_FILE_INFORMATION information{};
    if (slash == std::wstring::npos || !GetFileInformationByHandle(file, &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return false;
    return finalPathMatchIn(file, folder, path.substr(slash + 1)) == FinalPathMatch::Direct;
}

// Creates the empty list in the folder held open as `folder` and keeps it open as `held` (reading its data, sharing
// no deleting), so that it is held from its creation on. CREATE_NEW: a list that is already there holds other users'
// folders and is never truncated here; with FILE_FLAG_OPEN_REPARSE_POINT a link of that name is neither followed nor
// replaced. Before anything is written to it the new file is judged by its handle: one that does not stand in the
// held folder under its own name is never used. (No delete access is asked for to remove it again: a handle with
// delete access would keep the list's own rewrite, which does not share deleting, from opening it.)
SharedListCreation createHeldSharedList(const std::wstring& path, HANDLE folder, ScopedHandle& held) {
    held.close();
    EveryoneAccessDescriptor security(kSharedListRights);
    if (!security.isValid())
        return SharedListCreation::Failed;
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE | FILE_READ_DATA | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, security.attributes(), CREATE_NEW,
                                  FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.isValid())
        return GetLastError() == ERROR_FILE_EXISTS ? SharedListCreation::AlreadyThere : SharedListCreation::Failed;
    if (!standsIn(file.get(), folder, path))
        return SharedListCreation::Failed;
    held = std::move(file);
    return SharedListCreation::Created;
}

bool readWhole(HANDLE file, std::string& bytes) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 || uint64_t(size.QuadPart) > kSharedListMaxBytes)
        return false;
    bytes.assign(size_t(size.QuadPart), '\0');
    size_t got = 0;
    while (got < bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file, &bytes[got], DWORD(bytes.size() - got), &read, nullptr) || read == 0)
            return false;
        got += read;
    }
    return true;
}

bool writeAll(HANDLE file, const void* bytes, DWORD count) {
    DWORD written = 0;
    return WriteFile(file, bytes, count, &written, nullptr) && written == count;
}

// The file from its start holds exactly these bytes.
bool replaceContent(HANDLE file, const std::string& bytes, SharedListWrite write) {
    LARGE_INTEGER start{};
    return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && write(file, bytes.data(), DWORD(bytes.size())) &&
           SetEndOfFile(file);
}

// The list's text as the file holds it: a UTF-8 byte-order mark, then every line and CR LF.
bool encodeList(const std::vector<std::wstring>& lines, std::string& bytes) {
    std::wstring text = kUtf8Mark;
    for (const std::wstring& line : lines)
        text += line + L"\r\n";
    const int needed = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    if (needed <= 0 || uint64_t(needed) > kSharedListMaxBytes)
        return false;
    bytes.assign(size_t(needed), '\0');
    return WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), &bytes[0], needed, nullptr, nullptr) ==
           needed;
}
} // namespace

EveryoneAccessDescriptor::EveryoneAccessDescriptor(DWORD rights) {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, everyone_.put()))
        return;
    EXPLICIT_ACCESSW access{};
    access.grfAccessPermissions = rights;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPWSTR>(everyone_.get());
    PACL acl = nullptr;
    if (SetEntriesInAclW(1, &access, nullptr, &acl) != ERROR_SUCCESS)
        return;
    acl_.reset(acl);
    descriptor_.reset(LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
    if (descriptor_.get() == nullptr ||
        !InitializeSecurityDescriptor(descriptor_.get(), SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(descriptor_.get(), TRUE, acl, FALSE))
        return;
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = descriptor_.get();
    attributes_.bInheritHandle = FALSE; // no child process needs the list's handle
    valid_ = true;
}

SharedListLock::SharedListLock(const wchar_t* name, DWORD timeoutMs) {
    // Whoever creates the mutex gives every user the right to wait for it, so that a second user's run can open it.
    EveryoneAccessDescriptor security(kSharedListMutexRights);
    mutex_ = ScopedHandle(CreateMutexW(security.attributes(), FALSE, name));
    if (!mutex_.isValid())
        mutex_ = ScopedHandle(OpenMutexW(kSharedListMutexRights, FALSE, name));
    if (!mutex_.isValid())
        return;
    const DWORD waited = WaitForSingleObject(mutex_.get(), timeoutMs);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
        ownership_ = ScopedMutexOwnership(mutex_.get());
}

SharedListCreation createWordStartupList(const std::wstring& path) {
    ScopedHandle folder;
    ScopedHandle created;
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos ||
        holdSharedListPlace(path.substr(0, slash), true, folder) != SharedListPlace::Plain)
        return SharedListCreation::Failed;
    return createHeldSharedList(path, folder.get(), created);
}

SharedListPlace holdSharedListPlace(const std::wstring& path, bool directory, ScopedHandle& held) {
    held.close();
    // FILE_FLAG_OPEN_REPARSE_POINT: a link is opened as itself, not followed. Share modes bind only handles with data
    // or delete access, so the folder is held for listing and the file for reading its data; neither shares deleting.
    const DWORD access = (directory ? FILE_LIST_DIRECTORY : FILE_READ_DATA) | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    ScopedHandle handle(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT | (directory ? FILE_FLAG_BACKUP_SEMANTICS : 0),
                                    nullptr));
    if (!handle.isValid())
        return isMissingError(GetLastError()) ? SharedListPlace::Missing : SharedListPlace::Unusable;
    const SharedListPlace place = placeOf(handle.get(), path, directory);
    if (place == SharedListPlace::Plain)
        held = std::move(handle);
    return place;
}

SharedListContent readSharedList(const std::wstring& path) {
    SharedListContent content;
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos ||
        holdSharedListPlace(path.substr(0, slash), true, content.heldFolder) != SharedListPlace::Plain)
        return content;
    switch (holdSharedListPlace(path, false, content.heldFile)) {
    case SharedListPlace::Plain:
        break;
    case SharedListPlace::Missing:
        // Made in the folder just checked and held, and held itself from its creation on.
        content.rewritable =
            createHeldSharedList(path, content.heldFolder.get(), content.heldFile) == SharedListCreation::Created;
        return content;
    case SharedListPlace::Link:
    case SharedListPlace::Unusable:
        return content;
    }
    // Through the held handle: the file checked above, whatever its name leads to by now.
    TextFileReader reader(content.heldFile.get(), kCodePageUtf8, kReadBufferBytes);
    if (readerStatus(reader) != 0 || readerFileSize(reader) > kSharedListMaxBytes)
        return content; // there, but not readable now (held by another program, no access), or no list
    std::wstring line;
    for (;;) {
        // One unit more than a line may hold, so that an over-long line shows by its length.
        const size_t consumed = reader.readLine(line, kSharedListLineUnits + 1);
        const bool terminated = consumed == line.size() + 1;
        // A line ends without its terminator only at the end of the file; anywhere else it stopped at a NUL unit,
        // and a rewrite would split the line there (or lose what follows a NUL at the end).
        const bool damaged = line.size() > kSharedListLineUnits || (!terminated && !reader.atEndOfFile()) ||
                             !isWellFormedUtf16(line) || content.lines.size() >= kSharedListMaxLines;
        if (damaged) {
            content.lines.clear();
            return content;
        }
        if (consumed == 0)
            break;
        content.lines.push_back(line);
    }
    if ((readerStatus(reader) & (kTextFileStopMask | TextFileStatus::DecodeSubstituted)) != 0) {
        content.lines.clear();
        return content;
    }
    content.rewritable = true;
    return content;
}

bool writeSharedList(const std::wstring& path, const SharedListContent& content, const std::vector<std::wstring>& lines,
                     SharedListWrite write) {
    if (!content.rewritable || !content.heldFile.isValid())
        return false;
    std::string bytes;
    if (!encodeList(lines, bytes))
        return false;
    // In place: the file keeps its descriptor and owner, and its old space stays allocated for the old text.
    ScopedHandle file(CreateFileW(path.c_str(), FILE_READ_DATA | FILE_WRITE_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.isValid() || placeOf(file.get(), path, false) != SharedListPlace::Plain ||
        !sameFile(file.get(), content.heldFile.get()))
        return false;
    std::string old;
    if (!readWhole(file.get(), old))
        return false;
    if (replaceContent(file.get(), bytes, write != nullptr ? write : writeAll))
        return true;
    // The old text fits where it stood before: other users' lines are not lost with this run's.
    replaceContent(file.get(), old, writeAll);
    return false;
}
