// The program file named by an OLE LocalServer32 registration. Portable and pure: it reads text only, never the file
// system, so the native tests cover it.
#pragma once

#include <string>

// The executable of a LocalServer32 command line, without quotes or arguments; empty when the line names none.
// Leading and trailing blanks (space, tab) are ignored. Then:
//   - A line starting with a quote names the text up to the next quote; without a closing quote the rest of the line
//     is read by the unquoted rules below.
//   - An unquoted line that ends in ".exe" (any letter case) is the path as it stands, blanks included.
//   - Otherwise the path is the longest prefix that ends in ".exe" and is followed by a blank, and the rest are
//     arguments. Longest, because an unquoted path may hold blanks ("C:\Program Files\...") and folder names ending
//     in ".exe" are rarer than arguments that do not; an argument that itself ends in ".exe" is read as part of the
//     path.
//   - A line with no such ".exe" is the path as it stands: with no extension to go by, blanks cannot be told from
//     argument separators.
std::wstring serverExecutablePath(const std::wstring& commandLine);
