// The bookkeeping of the Word start-up template installer that needs no system: the ten record slots (per user, the
// "wordStartup%d" values), which recorded folders are current, the shared "wordstartup" list as it is rewritten, and
// the path forms of Word's STARTUP-PATH values. Files, registry and the folder tests live in the *Win.cpp files.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

constexpr size_t kStartupSlotCount = 10;

// One slot of the record: a folder (no trailing backslash; empty for an empty slot) and whether this run puts the
// template into it. A folder kept only because its old template could not be deleted stays recorded, so that a
// later run tries again, but never receives a copy: a removal must not install.
struct StartupSlot {
    std::wstring folder;
    bool receivesTemplate = false;
};
using StartupSlots = std::array<StartupSlot, kStartupSlotCount>;

// True when the folder equals (whole, case-sensitively) any non-empty slot, wherever it sits: slot 0 is empty
// when the user has no application-data folder, and the slots behind it still count.
bool isRecordedFolder(const StartupSlots& slots, const std::wstring& folder);

// The index of the first empty slot, or -1 when all ten are taken.
int firstEmptySlot(const StartupSlots& slots);

// The folder without one trailing backslash (or slash).
std::wstring withoutTrailingBackslash(std::wstring folder);

// The root of the volume a path lies on, so that a missing folder can be told from a drive that is not there now:
// "C:\" for "C:\a" (and "C:a"), "\\server\share\" for "\\server\share\a", "\\?\C:\" and "\\?\UNC\server\share\"
// for their long forms. Empty when the path names no volume (a relative path, "\a", an incomplete UNC name).
std::wstring volumeRootOf(const std::wstring& path);

// Clears (empties) the first line equal to the folder; true when there was one.
bool clearListedFolder(std::vector<std::wstring>& lines, const std::wstring& folder);

// The shared list after a run: this user's non-empty slots in slot order, then every old non-empty line that equals
// none of them, in its old order (other users' folders, and this user's folders still holding a template, stay).
std::vector<std::wstring> rewrittenSharedList(const StartupSlots& slots, const std::vector<std::wstring>& oldLines);
