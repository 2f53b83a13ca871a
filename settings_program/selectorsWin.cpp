// The four selectors of the main window and the MathType style box: lists filled from the fixed items and the
// language and skin folders on disk, a choice applied to the settings and the window, and the reload after a module
// window. See mainWindow.h; the portable rules are in selectorRules.h. A choice sets its selector's caption before
// the window is redrawn: the face is not painted again when the list closes (the system keeps the window's pixels
// under a popup), so a caption set afterwards would show the previous choice until the next repaint.
#include "mainWindow.h"

#include "mainWindowLayout.h"
#include "programSettings.h"
#include "programTexts.h"
#include "selectorRules.h"

#include "buttonStyles.h"
#include "controls.h"
#include "dropDowns.h"
#include "labels.h"
#include "messageBox.h"
#include "skinHost.h"

#include <filesystem>
#include <system_error>

namespace {
// Found when the window starts and kept for its life; UI thread only. Filled by fillSelectorLists and emptied by
// clearSelectorFolders; everything else reads them through languageFolderNames, skinFolderNames and
// skinDisplayNames.
std::wstring gLanguageFolderNames;
std::wstring gSkinFolderNames;
std::wstring gSkinDisplayNames;
std::wstring gLanguageItems;

void showInformation(ProgramText entry) {
    showMessageBox(skinHost().mainWindow, languageText(entry), kProgramTitle, MB_ICONINFORMATION);
}

void showMathTypeStyle(bool show) {
    setLabelVisible(kMathTypeStyleLabel, show);
    setControlVisible(kMathTypeStyleBox, show);
}

void commitSkin(const std::wstring& text) {
    std::wstring folder;
    if (!folderOfItem(skinDisplayNames(), skinFolderNames(), text, folder))
        return;
    liveSettings().skinName = folder;
    skinHost().skinName = folder;
    loadBackgroundBitmap();
    loadButtonSkin();
    setControlCaption(kThemeSelector, shortenCaption(text));
    redrawWindow(kRedrawFace);
}

void commitScale(const std::wstring& text) {
    liveSettings().textScale = scaleOfItem(text);
    skinHost().textScale = liveSettings().textScale;
    applyLanguageTexts();
    setControlCaption(kScaleSelector, shortenCaption(text));
    redrawWindow(kRedrawFace);
}

void commitLanguage(const std::wstring& text) {
    std::wstring folder;
    if (!folderOfItem(gLanguageItems, languageFolderNames(), text, folder))
        return;
    liveSettings().languageName = folder;
    applyLanguageTexts();
    setControlCaption(kLanguageSelector, shortenCaption(text));
    redrawWindow(kRedrawFace);
}

void commitEditor(const std::wstring& text) {
    ProgramSettings& settings = liveSettings();
    if (text == kMathTypeItem) {
        if (settings.mathTypeInstalled == 0)
            showInformation(ProgramText::MathTypeMissing);
        settings.isEE = 0;
    } else {
        if (text == kEquationEditor3Item)
            showInformation(ProgramText::EquationEditor3Note);
        settings.isEE = 1;
        settings.isEE2007 = text == kMicrosoftEquationItem ? 1 : 0;
    }
    showMathTypeStyle(showsMathTypeStyle(settings.isEE, settings.isEE2007));
    setControlCaption(kEditorSelector, shortenCaption(text));
    redrawWindow(kRedrawFace);
}

const DropDownRecord* listAt(int32_t listIndex) {
    const DropDownRecord* lists = skinHost().dropDowns;
    if (lists == nullptr || listIndex < 0)
        return nullptr;
    for (int32_t i = 0; i < listIndex; ++i)
        if (lists[i].kind == 0)
            return nullptr;
    return lists[listIndex].kind == 0 ? nullptr : &lists[listIndex];
}

void fillList(int32_t listId, const std::wstring& items, const std::wstring& selection, int32_t selector) {
    setDropDownItems(listId, items);
    fillDropDown(listId, selection);
    setControlCaption(selector, shortenCaption(selection));
}
} // namespace

int32_t listLocalisedFolders(const std::wstring& root, const std::wstring& fileName, std::wstring& folderNames,
                             std::wstring& displayNames) {
    folderNames.clear();
    displayNames.clear();
    std::error_code error;
    std::filesystem::directory_iterator entry(std::filesystem::path(root), error);
    if (error)
        return 1;
    for (const std::filesystem::directory_iterator end; entry != end; entry.increment(error)) {
        if (error)
            break;
        const std::wstring name = entry->path().filename().wstring();
        if (name.empty() || name[0] == L'.' || !entry->is_directory(error))
            continue;
        const NumberedStringMap texts = loadLocalisedFile(root + name + L"\\" + fileName);
        const auto display = texts.find(kLanguageNameEntry);
        if (!isLocalisedFileValid(texts) || display == texts.end() || display->second.empty())
            continue;
        displayNames += displayNameOf(display->second) + L"\n";
        folderNames += name + L"\n";
    }
    return 0;
}

void fillSelectorLists() {
    const DropDownRecord* editors = listAt(kEditorList);
    if (editors == nullptr || SendMessageW(editors->listBox, LB_GETCOUNT, 0, 0) > 0)
        return;
    const ProgramSettings& settings = liveSettings();
    fillList(kScaleList, kScaleItems, scaleItem(settings.textScale), kScaleSelector);
    fillList(kEditorList, kEditorItems, editorItem(settings.isEE, settings.isEE2007), kEditorSelector);
    std::wstring displayNames;
    listLocalisedFolders(settings.languageRoot, L"language.txt", gLanguageFolderNames, displayNames);
    gLanguageItems = std::wstring(kDefaultLanguageItem) + L"\n" + displayNames;
    fillList(kLanguageList, gLanguageItems, itemOfFolder(gLanguageItems, languageFolderNames(), settings.languageName),
             kLanguageSelector);
    listLocalisedFolders(settings.skinRoot, L"skin.txt", gSkinFolderNames, displayNames);
    gSkinDisplayNames = std::wstring(kDefaultSkinItem) + L"\n" + displayNames;
    fillList(kSkinList, skinDisplayNames(), itemOfFolder(skinDisplayNames(), skinFolderNames(), settings.skinName),
             kThemeSelector);
}

void commitDropDownSelection(int32_t listIndex) {
    const DropDownRecord* list = listAt(listIndex);
    // The item's text is read whole, however long a display name from a file is.
    const std::wstring text = list == nullptr ? std::wstring() : dropDownSelectionText(listIndex);
    if (list != nullptr && SendMessageW(list->listBox, LB_GETCURSEL, 0, 0) != LB_ERR) {
        switch (list->id) {
        case kSkinList:
            commitSkin(text);
            break;
        case kScaleList:
            commitScale(text);
            break;
        case kLanguageList:
            commitLanguage(text);
            break;
        case kEditorList:
            commitEditor(text);
            break;
        default:
            break;
        }
    }
    hideDropDowns();
    layoutDropDowns();
}

void syncMathTypeStyleControls() {
    const ProgramSettings& settings = liveSettings();
    setControlChecked(kMathTypeStyleBox, settings.isMTstyle != 0);
    showMathTypeStyle(showsMathTypeStyle(settings.isEE, settings.isEE2007));
}

void readMathTypeStyleCheckbox() {
    liveSettings().isMTstyle = isControlChecked(kMathTypeStyleBox) ? 1 : 0;
}

void reloadProgramSettings() {
    // Settings that went missing since the start keep the values read then: the window stays usable.
    (void)loadProgramSettings();
    const ProgramSettings& settings = liveSettings();
    SkinHost& host = skinHost();
    host.textScale = settings.textScale;
    host.skinName = settings.skinName;
    applyLanguageTexts();
    loadBackgroundBitmap();
    loadButtonSkin();
    setControlCaption(kScaleSelector, scaleItem(settings.textScale));
    setControlCaption(kThemeSelector,
                      shortenCaption(itemOfFolder(skinDisplayNames(), skinFolderNames(), settings.skinName)));
    redrawWindow(kRedrawFace);
}

const std::wstring& languageFolderNames() {
    return gLanguageFolderNames;
}
const std::wstring& skinFolderNames() {
    return gSkinFolderNames;
}
const std::wstring& skinDisplayNames() {
    return gSkinDisplayNames;
}

void clearSelectorFolders() {
    gLanguageFolderNames.clear();
    gSkinFolderNames.clear();
    gSkinDisplayNames.clear();
    gLanguageItems.clear();
}
