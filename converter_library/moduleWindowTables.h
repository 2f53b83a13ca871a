// The Sembrik module window as data: its drawn controls, its labels, their texts and the window's fixed strings.
// Portable (no Windows types), so that the tables' order and texts are checked natively too. The window procedure
// that acts on them is moduleWindowWin.cpp.
#pragma once

#include "controlRecord.h"

#include <array>
#include <cstdint>

// Control ids, which are also the command numbers of handleModuleCommand.
enum ModuleControlId : int32_t {
    kModuleCloseButton = 0,  // "Close": ends the dialog with 1
    kModuleMinimise = 1,     // hidden when the window has an owner
    kModuleCloseControl = 2, // the title bar's close control: a close request
    kModuleWordAddInTab = 3, // shows the "Word Add-in" page
    kModuleRawModeTab = 4,   // shows the "Raw Mode" page
    kModuleWebLink = 5,      // opens the product page
    kModuleSelectButton = 6, // "Select ...": starts a Raw Mode conversion
};

// Label ids.
enum ModuleLabelId : int32_t {
    kModuleFooterLabel = 0,
    kModuleWordAddInHeading = 1,
    kModuleWordAddInText = 2,
    kModuleRawModeHeading = 3,
    kModuleRawModeText = 4,
    kModuleStatusLabel = 1000, // the status line, written by a running conversion
};

// One row of a table as it stands when the window opens; the caption is the text set at load (most are set when the
// window starts, by initModuleWindowTexts).
struct ModuleTableRow {
    int32_t kind; // ControlKind or LabelKind
    int32_t id;
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    int32_t flags; // ControlFlags
    const wchar_t* text;
};

constexpr int32_t kModuleWindowWidth = 512;
constexpr int32_t kModuleWindowHeight = 453;

constexpr wchar_t kModuleTitle[] = L"Veltrim Sembrik";
constexpr wchar_t kModuleNotInstalledMessage[] = L"Veltrim Sembrik is not properly installed.";
constexpr wchar_t kModuleBusyMessage[] = L"Please wait until the current conversion is finished.";
// Formatted with the conversion's result when it is above 1; at most 128 characters.
constexpr wchar_t kConversionFailedFormat[] = L"Conversion failed with error code: %d";
// The web link's caption and the page it opens. The host is a placeholder in the reserved .example domain until the
// maker's site is known, as the settings program's own site address; the product page's path is the maker's own.
constexpr wchar_t kMakerHostName[] = L"veltrim.example";
constexpr wchar_t kProductPageAddress[] = L"https://veltrim.example/miravet/";
// The module id handed to showOpt's caller: "SBK" and the module's version, ten characters.
constexpr wchar_t kModuleIdText[] = L"SBK15x2026";

constexpr wchar_t kWordAddInInstructions[] =
    L"To run the Sembrik from Word:\r\n1. Open your document in Word.\r\n2. Select File > Save As > Browse.\r\n"
    L"3. Choose Microsoft Equation [Veltrim] in Save As Type list.\r\n4. Click Save.\r\n"
    L"5. Close Word and open converted document.";
constexpr wchar_t kRawModeInstructions[] =
    L"Save all documents currently open in Word, then\r\nclose Microsoft Word. Click Select to choose the\r\n"
    L"document you want to convert, then specify the\r\noutput file name.\r\nConversion may take a few minutes "
    L"depending\r\non the document size.\r\nIf Raw Mode does not work, convert your\r\ndocument from Word "
    L"instead; see Word Add-in.\r\n";

constexpr int32_t kShownFlag = ControlFlags::Visible;

// The drawn controls in table order, then the sentinel. Control 0 starts highlighted: an Enter or Space key-down that
// reaches the window first acts on it.
inline constexpr std::array<ModuleTableRow, 8> kModuleControlRows = {{
    // kind, id, x, y, width, height, flags at load, caption at load
    {int32_t(ControlKind::PushButton), kModuleCloseButton, 16, 410, 120, 26, kShownFlag | ControlFlags::Highlighted,
     L""},
    {int32_t(ControlKind::MinimiseButton), kModuleMinimise, 415, 3, 46, 31, kShownFlag, L""},
    {int32_t(ControlKind::CloseButton), kModuleCloseControl, 461, 3, 46, 31, kShownFlag, L""},
    {int32_t(ControlKind::TabButton), kModuleWordAddInTab, 18, 74, 120, 26, kShownFlag | ControlFlags::Checked, L""},
    {int32_t(ControlKind::TabButton), kModuleRawModeTab, 18, 100, 120, 26, kShownFlag, L""},
    {int32_t(ControlKind::LinkButton), kModuleWebLink, 330, 322, 150, 26, kShownFlag, kMakerHostName},
    {int32_t(ControlKind::PushButton), kModuleSelectButton, 152, 282, 120, 26, 0, L""},
    {0, -1, 0, 0, 0, 0, 0, L""},
}};

// The labels in table order, then the sentinel. Labels 1 to 4 and the status line start empty.
inline constexpr std::array<ModuleTableRow, 7> kModuleLabelRows = {{
    // kind, id, x, y, width, height, flags at load, text at load
    {int32_t(LabelKind::LabelBold), kModuleFooterLabel, 21, 322, 310, 26, kShownFlag,
     L"\u00A9 2026 Veltrim. All rights reserved."},
    {int32_t(LabelKind::LabelHeading), kModuleWordAddInHeading, 152, 70, 270, 30, 0, L""},
    {int32_t(LabelKind::LabelMultiLine), kModuleWordAddInText, 152, 100, 330, 156, 0, L""},
    {int32_t(LabelKind::LabelHeading), kModuleRawModeHeading, 152, 70, 270, 30, 0, L""},
    {int32_t(LabelKind::LabelMultiLine), kModuleRawModeText, 152, 100, 330, 156, 0, L""},
    {int32_t(LabelKind::LabelLeft), kModuleStatusLabel, 277, 282, 170, 26, 0, L""},
    {0, -1, 0, 0, 0, 0, 0, L""},
}};

// The texts initModuleWindowTexts gives the window when it starts.
struct ModuleTextRow {
    int32_t id;
    const wchar_t* text;
};
inline constexpr std::array<ModuleTextRow, 4> kModuleCaptions = {{
    // control id, caption
    {kModuleCloseButton, L"Close"},
    {kModuleSelectButton, L"Select ..."},
    {kModuleWordAddInTab, L"Word Add-in"},
    {kModuleRawModeTab, L"Raw Mode"},
}};
inline constexpr std::array<ModuleTextRow, 5> kModuleLabelTexts = {{
    // label id, text
    {kModuleWordAddInHeading, L"Word Add-in"},
    {kModuleWordAddInText, kWordAddInInstructions},
    {kModuleRawModeHeading, L"Raw Mode"},
    {kModuleRawModeText, kRawModeInstructions},
    {kModuleStatusLabel, L""},
}};

// A table row as the framework's record.
inline ControlRecord moduleRecord(const ModuleTableRow& row) {
    return ControlRecord{row.kind, row.id, row.x, row.y, row.width, row.height, row.flags, row.text};
}
