// Where an open file or folder really lies: its final path, links resolved, and whether it was reached by its own
// name. A name can lead elsewhere through a link, and Wine shows a link to a file as a plain file, so a check of the
// name's attributes is not enough: the open handle's final path must be its folder's final path followed by the
// name. Windows only; it opens nothing but the folder it compares with.
#pragma once

#include <windows.h>

#include <string>

// The system's final path of an open file or folder, empty when it cannot be had.
std::wstring finalPathOf(HANDLE handle);

// How the object open as a handle lies to the path it was opened by.
enum class [[nodiscard]] FinalPathMatch{
    Direct = 0, // its final path is its folder's final path and the path's last name (letter case aside)
    Elsewhere,  // it lies elsewhere: a link at the path's end led to it
    Unknown,    // a final path could not be had, or the path names no folder and file
};

// Compares the handle's final path with that of `path`'s folder followed by `path`'s last name.
FinalPathMatch finalPathMatch(HANDLE handle, const std::wstring& path);

// The same against a folder the caller holds open: the handle's final path must be the folder's followed by `name`.
FinalPathMatch finalPathMatchIn(HANDLE handle, HANDLE folder, const std::wstring& name);
