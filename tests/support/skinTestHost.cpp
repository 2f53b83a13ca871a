// The window tests' host of the skinned window framework. See skinTestHost.h.
#include "skinTestHost.h"

#include "controls.h"
#include "labels.h"
#include "scopedWin.h"
#include "skinnedDialog.h"

#include <windowsx.h>

namespace skin_test {
namespace {
// Tables and record of the current session: written on the dialog thread while it runs, and by configureHost
// before it starts.
std::vector<ControlRecord> gControls;
std::vector<LabelRecord> gLabels;
std::vector<ButtonStyle> gStyles;
std::vector<EditFieldRecord> gEditFields;
std::vector<DropDownRecord> gDropDowns;
HostRecord gRecord;

constexpr int32_t kShown = ControlFlags::Visible;

// The selector of each list, by list id.
constexpr int32_t kListSelectors[kListCount] = {kSelector, kSelector2, kSelector3, kSelector4};

void buildControls(HostLook look, bool fieldAndLists) {
    gControls.clear();
    gControls.push_back(newControlRecord(ControlKind::MinimiseButton, kMinimise, 420, 0, 46, 31, kShown, L""));
    gControls.push_back(newControlRecord(ControlKind::CloseButton, kClose, 466, 0, 46, 31, kShown, L""));
    if (look == HostLook::ConverterLibrary) {
        gControls.push_back(newControlRecord(ControlKind::TabButton, kTabFirst, 16, 56, 120, 26,
                                             kShown | ControlFlags::Checked, L"Conversion"));
        gControls.push_back(
            newControlRecord(ControlKind::TabButton, kTabSecond, 136, 56, 120, 26, kShown, L"Statistics"));
    }
    const int32_t top = look == HostLook::ConverterLibrary ? 100 : 70;
    gControls.push_back(
        newControlRecord(ControlKind::CheckBox, kCheckTicked, 24, top, 20, 20, kShown | ControlFlags::Checked, L""));
    gControls.push_back(newControlRecord(ControlKind::CheckBox, kCheckPlain, 24, top + 30, 20, 20, kShown, L""));
    gControls.push_back(
        newControlRecord(ControlKind::SelectorButton, kSelector, 24, top + 70, 150, 26, kShown, L"English"));
    if (look == HostLook::SettingsProgram)
        gControls.push_back(newControlRecord(ControlKind::HelpButton, kHelp, 476, 56, 22, 22, kShown, L""));
    const int32_t bottom = look == HostLook::ConverterLibrary ? 400 : 436;
    gControls.push_back(
        newControlRecord(ControlKind::LinkButton, kLink, 24, bottom, 150, 26, kShown, L"Veltrim on the web"));
    gControls.push_back(newControlRecord(ControlKind::PushButton, kPush, 368, bottom, 120, 26, kShown, L"Close"));
    if (fieldAndLists) {
        gControls.push_back(
            newControlRecord(ControlKind::SelectorButton, kSelector2, 200, top + 70, 150, 26, kShown, L"Alpha"));
        gControls.push_back(
            newControlRecord(ControlKind::SelectorButton, kSelector3, 24, top + 260, 150, 26, kShown, L"one"));
        gControls.push_back(
            newControlRecord(ControlKind::SelectorButton, kSelector4, 200, top + 260, 150, 26, kShown, L"apple"));
    }
    gControls.push_back(controlTableEnd());
}

// The edit field and the lists; the lists' windows are made on the calling thread, which must be the dialog's.
void buildFieldAndLists(HostLook look, bool fieldAndLists) {
    gEditFields.clear();
    gDropDowns.clear();
    if (fieldAndLists) {
        const int32_t top = look == HostLook::ConverterLibrary ? 100 : 70;
        gEditFields.push_back(newEditFieldRecord(1, kEditField, 380, top + 71, 100, 24, EditFieldFlags::Visible, L""));
        gEditFields.push_back(newEditFieldRecord(1, 2, 380, top + 100, 100, 24, EditFieldFlags::SkipTab, L"hidden"));
        for (int32_t id = 0; id < kListCount; ++id)
            gDropDowns.push_back(
                newDropDown(L"ListboxMain", id % 2 == 1 ? kSortedDropDown : 1, id, 0, 0, 146, 0, kListItems[id]));
    }
    gEditFields.push_back(editFieldTableEnd());
    gDropDowns.push_back(dropDownTableEnd());
}

void commitList(int32_t index) {
    const std::wstring text = dropDownSelectionText(index);
    gRecord.commits.emplace_back(index, text);
    if (index >= 0 && index < kListCount)
        setControlCaption(kListSelectors[index], text);
    hideDropDowns();
    layoutDropDowns();
    redrawWindow(kRedrawControls);
}

// A selector opens its list with the selector's caption selected, as the settings program's do.
bool openListOf(int32_t controlId) {
    for (int32_t id = 0; id < kListCount; ++id) {
        if (kListSelectors[id] != controlId || gDropDowns.size() <= 1)
            continue;
        fillDropDown(id, gControls[size_t(findControlIndex(controlId))].caption);
        showDropDown(id, true);
        layoutDropDowns();
        return true;
    }
    return false;
}

void buildLabels(HostLook look) {
    const int32_t top = look == HostLook::ConverterLibrary ? 100 : 70;
    gLabels.clear();
    gLabels.push_back(newControlRecord(LabelKind::LabelHeading, kLabelHeading, 44, 8, 300, 24, kShown,
                                       look == HostLook::ConverterLibrary ? L"Veltrim Sembrik" : L"Veltrim Sorvanta"));
    gLabels.push_back(newControlRecord(LabelKind::LabelLeft, kLabelLeft, 52, top, 400, 20, kShown,
                                       L"Convert equations to Office Math"));
    gLabels.push_back(newControlRecord(LabelKind::LabelBold, kLabelBold, 52, top + 30, 400, 20, kShown,
                                       L"Keep the Equation Editor 3.x objects"));
    gLabels.push_back(newControlRecord(LabelKind::LabelMultiLine, kLabelMulti, 24, top + 120, 460, 60, kShown,
                                       L"Mathematics & text: first line\nsecond line\nthird line"));
    gLabels.push_back(
        newControlRecord(LabelKind::LabelCentred, kLabelCentred, 0, top + 200, 512, 20, kShown, L"Ready."));
    gLabels.push_back(newControlRecord(6, kLabelOddKind, 24, top + 230, 200, 20, kShown, L"never drawn"));
    gLabels.push_back(controlTableEnd());
}

void command(HWND window, int32_t id) {
    gRecord.commands.push_back(id);
    if (openListOf(id))
        return;
    switch (id) {
    case kCheckTicked:
    case kCheckPlain:
        toggleControlChecked(id);
        break;
    case kTabFirst:
    case kTabSecond:
        setControlChecked(kTabFirst, id == kTabFirst);
        setControlChecked(kTabSecond, id == kTabSecond);
        break;
    case kClose:
        EndDialog(window, 2);
        return;
    default:
        break;
    }
    redrawWindow(kRedrawControls);
}

void onKeyDown(HWND window, UINT key) {
    gRecord.keysDown.push_back(key);
    switch (key) {
    case VK_SHIFT:
        gRecord.shiftDown = true;
        return;
    case VK_TAB:
        if (gRecord.shiftDown)
            focusPreviousControl();
        else
            focusNextControl();
        redrawWindow(kRedrawControls);
        return;
    case VK_RETURN:
    case VK_SPACE:
        if (keyboardNavigation() && highlightedControlId() >= 0)
            command(window, highlightedControlId());
        return;
    case VK_ESCAPE:
        EndDialog(window, kEndedByEscape);
        return;
    default:
        return;
    }
}

void onMouse(HWND window, UINT message, LPARAM lParam) {
    const int32_t hit = hitTestControl(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    switch (message) {
    case WM_MOUSEMOVE:
        hoverControl(hit);
        break;
    case WM_LBUTTONDOWN:
        // What the system does with a real click: the window takes the focus (an open list loses it).
        SetFocus(window);
        pressControl(hit);
        break;
    default: { // WM_LBUTTONUP: a click is a press and a release over the same control
        const int32_t index = findControlIndex(hit);
        const bool wasPressed = index >= 0 && (gControls[size_t(index)].flags & ControlFlags::Pressed) != 0;
        releaseControl(hit);
        if (wasPressed) {
            command(window, hit);
            return;
        }
        break;
    }
    }
    redrawWindow(kRedrawControls);
}

void onInitDialog(HWND window) {
    // Away from the screen's centre, where the X pointer of the test display rests, and with the pointer taken to the
    // far corner (a test before may have left it anywhere): only the test's own mouse messages may reach the window.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    SetWindowPos(window, nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    attachSkinnedWindow(window);
    loadWindowIcons();
    createEditWindows();
    refreshEdits(false);
    GetClientRect(window, &gRecord.clientAtStart);
    const int32_t index = findControlIndex(kMinimise);
    gRecord.minimiseVisibleAtStart = index >= 0 && (gControls[size_t(index)].flags & ControlFlags::Visible) != 0;
    testing_support::reportSessionWindow(window);
}

INT_PTR CALLBACK hostDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == testing_support::sessionJobMessage()) {
            testing_support::runSessionJob(lParam);
            return TRUE;
        }
        switch (message) {
        case WM_INITDIALOG:
            onInitDialog(window);
            return TRUE;
        case WM_ERASEBKGND:
            SetWindowLongPtrW(window, DWLP_MSGRESULT, 1);
            return TRUE;
        case WM_PAINT: {
            ScopedPaint paint(window);
            redrawWindow(kRedrawFace);
            refreshEdits(false);
            return TRUE;
        }
        case WM_KEYDOWN:
            onKeyDown(window, UINT(wParam));
            return TRUE;
        case WM_KEYUP:
            if (wParam == VK_SHIFT)
                gRecord.shiftDown = false;
            return TRUE;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            onMouse(window, message, lParam);
            return TRUE;
        default:
            return FALSE;
        }
    } catch (...) {
        return FALSE;
    }
}

} // namespace

std::wstring winePath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath)
        path += c == '/' ? L'\\' : wchar_t(static_cast<unsigned char>(c));
    return path;
}

std::wstring artworkFolder(HostLook look) {
    return winePath(VELTRIM_ARTWORK_DIR) +
           (look == HostLook::ConverterLibrary ? L"\\converterLibrary\\" : L"\\settingsProgram\\");
}

std::vector<ControlRecord>& hostControls() {
    return gControls;
}
std::vector<LabelRecord>& hostLabels() {
    return gLabels;
}
std::vector<ButtonStyle>& hostStyles() {
    return gStyles;
}
std::vector<EditFieldRecord>& hostEditFields() {
    return gEditFields;
}
std::vector<DropDownRecord>& hostDropDowns() {
    return gDropDowns;
}
HostRecord& hostRecord() {
    return gRecord;
}

const wchar_t* const kListItems[kListCount] = {
    L"English\nDeutsch\nFran\u00E7ais\nEspa\u00F1ol\nItaliano\nPolski\nSvenska\n",
    L"Zeta\nAlpha\nMid\n",
    L"one\ntwo\nthree\n",
    L"pear\napple\nfig\n",
};

void configureHost(HostLook look, const std::wstring& skinName, const std::wstring& skinFolder, bool fieldAndLists) {
    SkinHost& host = skinHost();
    const bool library = look == HostLook::ConverterLibrary;
    host.instance = GetModuleHandleW(nullptr);
    host.uiFontFace = chooseUiFontFace();
    host.dropDowns = nullptr;
    buildControls(look, fieldAndLists);
    host.controls = gControls.data();
    buildFieldAndLists(look, fieldAndLists);
    buildLabels(look);
    if (library)
        gStyles.assign(kConverterLibraryButtonStyles.begin(), kConverterLibraryButtonStyles.end());
    else
        gStyles.assign(kSettingsProgramButtonStyles.begin(), kSettingsProgramButtonStyles.end());
    gRecord = HostRecord{};
    host.windowWidth = 512;
    host.windowHeight = library ? 453 : 489;
    host.title = library ? L"Veltrim Sembrik" : L"Veltrim Sorvanta";
    host.notInstalledMessage =
        library ? L"Veltrim Sembrik is not properly installed." : L"Veltrim Sorvanta are not properly installed.";
    host.textScale = 100;
    const std::wstring artwork = artworkFolder(look);
    host.skinFolder = skinFolder.empty() ? artwork + L"skins\\" : skinFolder;
    host.skinName = skinName;
    host.defaultBackground = artwork + L"background.bmp";
    host.defaultButtonStrip = artwork + L"buttons.bmp";
    host.iconFile = artwork + L"window.ico";
    host.controls = gControls.data();
    host.labels = gLabels.data();
    host.editFields = gEditFields.data();
    host.dropDowns = gDropDowns.data();
    host.buttonStyles = gStyles.data();
    if (library)
        host.skinGroups.assign(kConverterLibrarySkinGroups.begin(), kConverterLibrarySkinGroups.end());
    else
        host.skinGroups.assign(kSettingsProgramSkinGroups.begin(), kSettingsProgramSkinGroups.end());
    host.skinPrefix = library ? L'M' : L'D';
    host.minimiseControlId = kMinimise;
    host.dialogProc = hostDialogProc;
    host.commitHandler = commitList;
    host.dropDownSelectors.clear();
    for (int32_t id = 0; id < kListCount; ++id)
        host.dropDownSelectors.push_back({id, kListSelectors[id]});
}

DialogSession::DialogSession(HostLook look, const std::wstring& skinName, bool withOwner,
                             const std::wstring& skinFolder)
    : DialogSession(look, skinName, HostExtras{withOwner, false, std::wstring()}, skinFolder) {}

DialogSession::DialogSession(HostLook look, const std::wstring& skinName, const HostExtras& extras,
                             const std::wstring& skinFolder)
    : WindowSession(99) {
    startThread([look, skinName, extras, skinFolder]() -> INT_PTR {
        configureHost(look, skinName, skinFolder, extras.fieldAndLists);
        if (!extras.title.empty())
            skinHost().title = extras.title;
        loadButtonSkin();
        loadBackgroundBitmap();
        ScopedWindow owner = extras.owner ? testing_support::makeOwnerWindow() : ScopedWindow();
        const INT_PTR result = runSkinnedDialog(owner.get());
        // The lists have no owner: they outlive the dialog unless the host destroys them.
        destroyDropDowns();
        releaseSkinnedWindow();
        freeEditFonts();
        freeWindowIcons();
        freeButtonStyleBitmaps();
        freeBackgroundBitmap();
        return result;
    });
    waitForReportedWindow(10000);
}

void writeSolidBitmap(const std::wstring& path, int32_t width, int32_t height, COLORREF colour) {
    const uint32_t stride = (uint32_t(width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = stride * uint32_t(height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + imageBytes;
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = imageBytes;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    std::string row(stride, '\0');
    for (int32_t x = 0; x < width; ++x) {
        row[size_t(x) * 3] = char(GetBValue(colour));
        row[size_t(x) * 3 + 1] = char(GetGValue(colour));
        row[size_t(x) * 3 + 2] = char(GetRValue(colour));
    }
    for (int32_t y = 0; y < height; ++y)
        bytes += row;
    ScopedHandle out(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    WriteFile(out.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr);
}

COLORREF bitmapPixel(HBITMAP bitmap, int32_t x, int32_t y) {
    ScopedCreatedDC dc(CreateCompatibleDC(nullptr));
    ScopedSelectObject selection(dc.get(), bitmap);
    return GetPixel(dc.get(), x, y);
}

HBITMAP loadBitmapFile(const std::wstring& path) {
    return static_cast<HBITMAP>(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

const ButtonStyle* styleRow(int32_t styleId) {
    const int32_t row = findButtonStyle(styleId);
    return row < 0 ? nullptr : &skinHost().buttonStyles[row];
}

} // namespace skin_test
