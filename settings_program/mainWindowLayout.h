// The main window of the settings program as data: its control, label and drop-down tables, the list contents of
// the four selectors, the fixed texts and the language file entries that replace the window's English texts. The
// framework builds its records from these rows (mainWindowWin.cpp); this header is portable, so that the native
// tests check the tables too.
#pragma once

#include "controlRecord.h"

#include <cstdint>

// Control ids of the main window; each is also the command handleMainCommand carries out.
enum MainControl : int32_t {
    kMinimiseControl = 0,
    kCloseControl = 1,
    kWebLinkControl = 2,
    kOkControl = 3,
    kCancelControl = 4,
    kApplyControl = 5,
    kHelpControl = 6,
    kPalvexOptionsControl = 7, // 7-9: a module's Options, or Download when it is not installed
    kSembrikOptionsControl = 9,
    kPalvexProcessingControl = 10, // 10-12: a module's File Processing
    kSembrikProcessingControl = 12,
    kPalvexHelpControl = 13, // 13-15: a module's help button
    kSembrikHelpControl = 15,
    kUtilitiesHelpControl = 16, // 16 and 24: the utilities' help buttons
    kThemeSelector = 17,
    kScaleSelector = 18,
    kLanguageSelector = 19,
    kEditorSelector = 20,
    kMathTypeStyleBox = 21,
    kEnableRibbonControl = 22,
    kDisableRibbonControl = 23,
    kUtilitiesHelpControl2 = 24,
    kUpdateControl = 25,
    kInfoControl = 26,
};

// Label ids that the program changes after start.
enum MainLabel : int32_t {
    kFooterLabel = 0,
    kUtilitiesLabel = 2,
    kMathTypeStyleLabel = 8, // the check box's caption; shown with it
};

// The drop-down lists by id.
enum MainList : int32_t {
    kEditorList = 0,
    kSkinList = 1,
    kScaleList = 2,
    kLanguageList = 3,
};

constexpr int32_t kMainWindowWidth = 512;
constexpr int32_t kMainWindowHeight = 489;

struct MainControlRow {
    ControlKind kind;
    int32_t id;
    int32_t x, y, width, height;
    const wchar_t* caption; // only the web link has one in the table; the others come from the language texts
};

constexpr int32_t kShownFlags = ControlFlags::Visible;

// The maker's web address, shown on the link. The dispatcher opens the pages of that site.
constexpr wchar_t kMakerSiteCaption[] = L"veltrim.example";

constexpr MainControlRow kMainControlRows[] = {
    // kind                        id   x    y    width height caption
    {ControlKind::MinimiseButton, 0, 415, 3, 46, 31, L""},
    {ControlKind::CloseButton, 1, 461, 3, 46, 31, L""},
    {ControlKind::LinkButton, 2, 300, 178, 150, 26, kMakerSiteCaption},
    {ControlKind::PushButton, 3, 16, 446, 120, 26, L""},
    {ControlKind::PushButton, 4, 136, 446, 120, 26, L""},
    {ControlKind::PushButton, 5, 256, 446, 120, 26, L""},
    {ControlKind::PushButton, 6, 376, 446, 120, 26, L""},
    {ControlKind::PushButton, 7, 183, 74, 120, 26, L""},
    {ControlKind::PushButton, 8, 183, 100, 120, 26, L""},
    {ControlKind::PushButton, 9, 183, 126, 120, 26, L""},
    {ControlKind::PushButton, 10, 303, 74, 120, 26, L""},
    {ControlKind::PushButton, 11, 303, 100, 120, 26, L""},
    {ControlKind::PushButton, 12, 303, 126, 120, 26, L""},
    {ControlKind::HelpButton, 13, 423, 76, 22, 22, L""},
    {ControlKind::HelpButton, 14, 423, 102, 22, 22, L""},
    {ControlKind::HelpButton, 15, 423, 128, 22, 22, L""},
    {ControlKind::HelpButton, 16, 390, 154, 22, 22, L""},
    {ControlKind::SelectorButton, 17, 183, 238, 150, 26, L""},
    {ControlKind::SelectorButton, 18, 183, 264, 150, 26, L""},
    {ControlKind::SelectorButton, 19, 183, 290, 150, 26, L""},
    {ControlKind::SelectorButton, 20, 183, 316, 150, 26, L""},
    {ControlKind::CheckBox, 21, 376, 318, 20, 20, L""},
    {ControlKind::PushButton, 22, 183, 342, 120, 26, L""},
    {ControlKind::PushButton, 23, 303, 342, 120, 26, L""},
    {ControlKind::HelpButton, 24, 423, 344, 22, 22, L""},
    {ControlKind::PushButton, 25, 183, 368, 120, 26, L""},
    {ControlKind::PushButton, 26, 183, 394, 120, 26, L""},
};
// The OK button holds the keyboard focus when the window opens.
constexpr int32_t kFocusAtStart = kOkControl;

struct MainLabelRow {
    LabelKind kind;
    int32_t id;
    int32_t x, y, width, height;
    const wchar_t* text; // the fixed texts; the others come from the language texts
};

// Never localised: the footer with the suite's name and year, and the suite's utilities.
constexpr wchar_t kFooterText[] = L"Veltrim Sorvanta \u00A9 2026";
constexpr wchar_t kUtilitiesText[] = L"LaTeX Open and Save As, Office Math";

constexpr MainLabelRow kMainLabelRows[] = {
    // kind                  id  x    y    width height text
    {LabelKind::LabelBold, 0, 21, 178, 270, 26, kFooterText},
    {LabelKind::LabelLeft, 1, 21, 152, 60, 26, L""},
    {LabelKind::LabelLeft, 2, 85, 152, 310, 26, kUtilitiesText},
    {LabelKind::LabelHeading, 3, 21, 208, 270, 30, L""},
    {LabelKind::LabelLeft, 4, 21, 238, 160, 26, L""},
    {LabelKind::LabelLeft, 5, 21, 264, 160, 26, L""},
    {LabelKind::LabelLeft, 6, 21, 290, 160, 26, L""},
    {LabelKind::LabelLeft, 7, 21, 316, 160, 26, L""},
    {LabelKind::LabelLeft, 8, 396, 316, 110, 26, L""},
    {LabelKind::LabelLeft, 9, 21, 342, 160, 26, L""},
    {LabelKind::LabelLeft, 10, 21, 368, 160, 26, L""},
    {LabelKind::LabelLeft, 11, 21, 394, 160, 26, L""},
};

// The drop-down lists: all hidden at start, each opened under its selector.
constexpr wchar_t kDropDownClassName[] = L"ListboxMain";
constexpr int32_t kDropDownWidth = 146;
constexpr int32_t kUnsortedList = 1;
constexpr int32_t kSortedList = 2;

struct MainDropDownRow {
    int32_t id;
    int32_t kind;
    int32_t selector; // the control that opens the list
};
constexpr MainDropDownRow kMainDropDownRows[] = {
    // id            kind           selector
    {kEditorList, kUnsortedList, kEditorSelector},
    {kSkinList, kSortedList, kThemeSelector},
    {kScaleList, kUnsortedList, kScaleSelector},
    {kLanguageList, kSortedList, kLanguageSelector},
};

// Fixed list items, each ended by a line feed.
constexpr wchar_t kEditorItems[] = L"Microsoft Equation\nEquation Editor 3\nMathType\n";
constexpr wchar_t kScaleItems[] = L"75%\n100%\n125%\n";
constexpr wchar_t kMicrosoftEquationItem[] = L"Microsoft Equation";
constexpr wchar_t kEquationEditor3Item[] = L"Equation Editor 3";
constexpr wchar_t kMathTypeItem[] = L"MathType";
// The first item of the skin and language lists: the empty folder name (the default look, English).
constexpr wchar_t kDefaultSkinItem[] = L"Colorful";
constexpr wchar_t kDefaultLanguageItem[] = L"English (Default)";

// Never localised: the File Processing buttons.
constexpr wchar_t kFileProcessingCaption[] = L"File Processing";

// Where a language entry's text goes.
enum class TextTarget : int32_t {
    Control,       // the caption of the control `id`
    Label,         // the text of the label `id`
    ModuleMissing, // the captions of those of controls 7-9 whose module is not installed
    ModuleFound,   // the captions of those whose module is installed
};

struct LanguageTextRow {
    int32_t entry; // the language file's entry number
    TextTarget target;
    int32_t id;
    const wchar_t* english;
};

// Sorted by entry (a test checks it). The message entries are in programTexts.h.
constexpr LanguageTextRow kLanguageTextRows[] = {
    // entry target                   id  English
    {100, TextTarget::Control, 3, L"OK"},
    {101, TextTarget::Control, 4, L"Cancel"},
    {102, TextTarget::Control, 5, L"Apply"},
    {103, TextTarget::Control, 6, L"Help"},
    {200, TextTarget::ModuleMissing, 0, L"Download"},
    {201, TextTarget::ModuleFound, 0, L"Options"},
    {202, TextTarget::Label, 1, L"Utilities:"},
    {220, TextTarget::Label, 3, L"System options"},
    {221, TextTarget::Label, 4, L"Theme:"},
    {222, TextTarget::Label, 5, L"Scale:"},
    {223, TextTarget::Label, 6, L"Language:"},
    {224, TextTarget::Label, 7, L"Default equation editor:"},
    {225, TextTarget::Label, 8, L"MathType style"},
    {226, TextTarget::Label, 9, L"Veltrim Math ribbon"},
    {227, TextTarget::Control, 22, L"Enable"},
    {228, TextTarget::Control, 23, L"Disable"},
    {229, TextTarget::Label, 11, L"About Veltrim"},
    {230, TextTarget::Control, 26, L"Info"},
    {231, TextTarget::Label, 10, L"Veltrim updates"},
    {232, TextTarget::Control, 25, L"Update"},
};

// language.txt: three digits, prefix "D", separator ":"; used only when entry 2 reads 2026.
constexpr int32_t kLanguageNameEntry = 1;
constexpr int32_t kFormatEntry = 2;
constexpr int32_t kFontFaceEntry = 3;
constexpr int32_t kFontSizeEntry = 4;
constexpr int32_t kFileFormat = 2026;
