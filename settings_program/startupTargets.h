// Finding the folders that must hold the Word start-up template: the user's own Word STARTUP folder under the
// application-data folder (slot 0) and the STARTUP-PATH folders of the user's Word versions (slots 1 to 9). Also
// tells every Word version not to ask before running converters. Used by the template installer only.
#pragma once

#include "wordStartupRecord.h"

#include <optional>
#include <string>

// What a folder test found.
enum class FolderState {
    Present,     // the folder itself is there (not a sibling whose name merely begins like it)
    Missing,     // the folder is not there, on a volume that is: definitely missing
    Unreachable, // the volume is not there now (a network or removable drive), access failed, the path names no
                 // volume, or it names a file: nothing can be said, so nothing is changed
};
FolderState probeFolder(const std::wstring& folder);

// The application-data folder: `override` when set, else SHGetFolderPathW(CSIDL_APPDATA), else the value "AppData"
// of "Shell Folders". Empty when there is none.
std::wstring applicationDataFolder(const std::optional<std::wstring>& override);

// Fills the slots for an install (all slots receive the template): slot 0 from the application-data folder, then
// the first nine distinct STARTUP-PATH folders that are present, in the order Word's versions are enumerated. A
// STARTUP-PATH naming a definitely missing folder is deleted from that version's options; an unreachable one is
// kept. "DoNotConfirmConverterSecurity" = 1 goes to every Word version with an Options key.
void findStartupTargets(StartupSlots& slots, const std::optional<std::wstring>& appDataOverride);
