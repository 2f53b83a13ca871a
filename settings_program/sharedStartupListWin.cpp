// The shared "wordstartup" list; see sharedStartupList.h.
#include "sharedStartupList.h"

#include "textFile.h"
#include "wordTemplateInstaller.h"

#include <aclapi.h>

namespace {
constexpr uint64_t kReadBufferBytes = 128;
constexpr uint64_t kWriteBufferBytes = 256;

bool fileIsMissing(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
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
    EveryoneAccessDescriptor security(kSharedListRights);
    if (!security.isValid())
        return SharedListCreation::Failed;
    // CREATE_NEW: a list that is already there holds other users' folders and is never truncated here.
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, security.attributes(), CREATE_NEW,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (file.isValid())
        return SharedListCreation::Created;
    return GetLastError() == ERROR_FILE_EXISTS ? SharedListCreation::AlreadyThere : SharedListCreation::Failed;
}

SharedListContent readSharedList(const std::wstring& path) {
    SharedListContent content;
    if (fileIsMissing(path)) {
        content.rewritable = createWordStartupList(path) == SharedListCreation::Created;
        return content;
    }
    TextFileReader reader(path, kCodePageUtf8, kReadBufferBytes);
    if (readerStatus(reader) != 0)
        return content; // there, but not readable now (held by another program, no access): leave it alone
    std::wstring line;
    for (;;) {
        const size_t consumed = reader.readLine(line, kSharedListLineUnits);
        if (consumed == 0)
            break;
        if (consumed > line.size() + 1 || content.lines.size() >= kSharedListMaxLines) {
            content.lines.clear(); // an over-long line would be cut by a rewrite, a huge file is no list
            return content;
        }
        content.lines.push_back(line);
    }
    // readLine also stops at a NUL unit; what follows it would be lost by a rewrite. At the real end of the file
    // one more read gives 0 again.
    const bool atEnd = reader.readChar() == 0;
    if (!atEnd || (readerStatus(reader) & (kTextFileStopMask | TextFileStatus::DecodeSubstituted)) != 0) {
        content.lines.clear();
        return content;
    }
    content.rewritable = true;
    return content;
}

bool writeSharedList(const std::wstring& path, const std::vector<std::wstring>& lines) {
    // The code page number itself (not the Utf8 selector), so that the file starts with the UTF-8 byte-order mark.
    TextFileWriter writer(path, kCodePageUtf8, kWriteBufferBytes);
    for (const std::wstring& line : lines)
        if (writer.writeString(line + L"\r\n") == 0)
            break;
    return writerStatus(writer) == 0;
}
