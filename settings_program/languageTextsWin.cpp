// The main window's language: the UI font of the window's face and every localised caption, label and message,
// from the chosen language.txt or in English. See mainWindow.h; the entries are in mainWindowLayout.h and
// programTexts.h.
#include "mainWindow.h"

#include "mainWindowLayout.h"
#include "programSettings.h"
#include "programTexts.h"
#include "selectorRules.h"

#include "controls.h"
#include "labels.h"
#include "scopedWin.h"
#include "skinHost.h"

#include <memory>

namespace {
// The font applyLanguageTexts made and keeps selected in the back buffer, and its selection (which puts the
// framework's font back when it ends). UI thread only.
ScopedGdiObject<HFONT> gLanguageFont;
std::unique_ptr<ScopedSelectObject> gFontSelection;

// Makes the font and selects it into the back buffer; the font it replaces is deleted once it is out of the DC.
// A font that cannot be made leaves the one there.
void selectWindowFont(const std::wstring& face, int32_t points) {
    const HDC dc = skinHost().backBuffer;
    if (dc == nullptr)
        return;
    LOGFONTW description{};
    description.lfHeight = -MulDiv(points * skinHost().textScale, GetDeviceCaps(dc, LOGPIXELSY), 7200);
    description.lfCharSet = DEFAULT_CHARSET;
    const size_t units = face.size() < LF_FACESIZE - 1 ? face.size() : LF_FACESIZE - 1;
    face.copy(description.lfFaceName, units);
    ScopedGdiObject<HFONT> font(CreateFontIndirectW(&description));
    if (font.get() == nullptr)
        return;
    if (gFontSelection == nullptr)
        gFontSelection = std::make_unique<ScopedSelectObject>(dc, font.get());
    else
        SelectObject(dc, font.get());
    gLanguageFont = std::move(font);
}

void setModuleCaptions(const std::wstring& missing, const std::wstring& found) {
    const ProgramSettings& settings = liveSettings();
    int32_t id = kPalvexOptionsControl;
    for (const SuiteModuleRow& module : kSuiteModules)
        setControlCaption(id++, (settings.*module.folder).empty() ? missing : found);
}

void setRowText(const LanguageTextRow& row, const std::wstring& text, std::wstring& missing, std::wstring& found) {
    switch (row.target) {
    case TextTarget::Control:
        setControlCaption(row.id, text);
        return;
    case TextTarget::Label:
        setLabelText(row.id, text);
        return;
    case TextTarget::ModuleMissing:
        missing = text;
        return;
    case TextTarget::ModuleFound:
        found = text;
        return;
    }
}

const std::wstring* entryOf(const NumberedStringMap& texts, int32_t entry) {
    const auto found = texts.find(entry);
    return found == texts.end() ? nullptr : &found->second;
}

bool isCurrentFormat(const NumberedStringMap& texts) {
    const std::wstring* format = entryOf(texts, kFormatEntry);
    return format != nullptr && *format == std::to_wstring(kFileFormat);
}
} // namespace

NumberedStringMap loadLocalisedFile(const std::wstring& path) {
    NumberedStringMap texts;
    loadNumberedStrings(texts, path, 3, L'D', L':');
    return texts;
}

bool isLocalisedFileValid(const NumberedStringMap& texts) {
    return isCurrentFormat(texts);
}

int32_t applyLanguageTexts() {
    // The chooser's face at 9 points until a valid file says otherwise.
    selectWindowFont(skinHost().uiFontFace, baseFontPointSize());
    std::wstring missing;
    std::wstring found;
    for (const LanguageTextRow& row : kLanguageTextRows)
        setRowText(row, row.english, missing, found);
    for (int32_t id = kPalvexProcessingControl; id <= kSembrikProcessingControl; ++id)
        setControlCaption(id, kFileProcessingCaption);
    resetLanguageTexts();
    setModuleCaptions(missing, found);

    const ProgramSettings& settings = liveSettings();
    // With no language chosen this is the language root's own file.
    const std::wstring folder = settings.languageName.empty() ? std::wstring() : settings.languageName + L"\\";
    const NumberedStringMap texts = loadLocalisedFile(settings.languageRoot + folder + L"language.txt");
    if (texts.empty())
        return 1;
    if (!isCurrentFormat(texts))
        return 0; // a file of another format is ignored entirely, its font entries too
    const std::wstring* face = entryOf(texts, kFontFaceEntry);
    selectWindowFont(languageFontFace(face == nullptr ? std::wstring() : *face),
                     languageFontPointSize(entryOf(texts, kFontSizeEntry)));
    for (const LanguageTextRow& row : kLanguageTextRows) {
        const std::wstring* text = entryOf(texts, row.entry);
        if (text != nullptr && !text->empty())
            setRowText(row, *text, missing, found);
    }
    setModuleCaptions(missing, found);
    for (ProgramText entry : kProgramTexts) {
        const std::wstring* text = entryOf(texts, int32_t(entry));
        if (text != nullptr)
            setLanguageText(entry, *text);
    }
    return 0;
}

void releaseLanguageFont() {
    gFontSelection.reset();
    gLanguageFont.reset();
}
