// The portable rules of the main window's selectors and localisation: selector captions, the scale and editor
// items of the settings, the UI font a language file asks for, and which folder a chosen list item stands for.
// The window code that applies them is in selectorsWin.cpp and languageTextsWin.cpp.
#pragma once

#include <cstdint>
#include <string>

// Captions longer than 18 characters are cut to 17 and end in "...".
constexpr size_t kSelectorCaptionMax = 18;
std::wstring shortenCaption(const std::wstring& text);

// The scale item of a text scale ("75%" below 100, "125%" above, else "100%"), and the scale of an item.
const wchar_t* scaleItem(int32_t textScale);
int32_t scaleOfItem(const std::wstring& item);

// The editor item of the settings: "MathType" when isEE is 0, else "Microsoft Equation" when isEE2007 is set, else
// "Equation Editor 3".
const wchar_t* editorItem(int32_t isEE, int32_t isEE2007);
// The MathType style box and its label are shown only with Equation Editor 3.x.
bool showsMathTypeStyle(int32_t isEE, int32_t isEE2007);

// The face a valid language file asks for: "Tahoma" when its entry is empty or missing; at most 31 characters.
std::wstring languageFontFace(const std::wstring& entry);
// The size in points a valid language file asks for: its entry read as a decimal number; 9 when missing, not a
// number, below 6 or above 14.
int32_t languageFontPointSize(const std::wstring* entry);

// The display name of a language or skin from its file's entry 1: one line, every line break in it (CR LF, CR or LF,
// which the entry's escapes can make) a blank, so that the name stays one item of a list whose items end in LF.
std::wstring displayNameOf(const std::wstring& entry);

// The position of `name` in a list of folder names (each ended by LF), folder names compared without regard to
// ASCII letter case as the file system does; -1 when absent.
int32_t folderPosition(const std::wstring& folderNames, const std::wstring& name);

// The folder a chosen item of the skin or language list stands for. The list's items are the default item and then
// one display name per folder of `folderNames`, in the same order; the first item whose text is `item` counts (so
// two folders with one display name both map to the first). True with `folder` empty for the default item; false,
// `folder` untouched, for a text that is no item or names no folder.
bool folderOfItem(const std::wstring& items, const std::wstring& folderNames, const std::wstring& item,
                  std::wstring& folder);
// The item standing for a folder: the display name of the folder's position, or the default (first) item when the
// folder is not listed.
std::wstring itemOfFolder(const std::wstring& items, const std::wstring& folderNames, const std::wstring& folder);
