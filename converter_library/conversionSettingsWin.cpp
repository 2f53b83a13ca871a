// Loading a job's conversion settings: registry, server mode override file, language.txt, and the AutoConvertTo
// clean-up for Equation Editor 3.x output.
#include "conversionSettings.h"

#include "settingsFiles.h"
#include "settingsKeys.h"

#include <atomic>
#include <cwchar>

namespace {
JobTexts gJobTexts; // the conversion job's thread only

// Set by tests on their main thread before a job starts.
std::atomic<RegistryValueDeleter> gAutoConvertToDeleter{nullptr};

constexpr wchar_t kEnglishWarning[] =
    L"Cannot use Equation Editor 3.x format, because the 'Convert to MathType' option is enabled.\r\n\r\n"
    L"Use 'Microsoft Equation' instead of 'Equation Editor 3.x', or turn off the 'Convert to MathType' option in "
    L"MathType's Equation Conversion Manager (choose it from the 'MathType' sub-menu of the Windows 'Start' menu, and "
    L"then move 'Microsoft Equation' from the left list ['Convert to MathType'] to the right list ['Do not "
    L"convert']).\r\n\r\nPress Cancel to abort (recommended), or OK to ignore this warning and continue.";
constexpr wchar_t kEnglishImportantNote[] =
    L"IMPORTANT! If you convert this document via 'Save As...' menu, you must reload it before editing ('Reload "
    L"current document' button).";
constexpr wchar_t kEnglishOptionsNote[] = L"You can turn off this message in Options.";
constexpr int32_t kLanguageFormatVersion = 2026;

// Language entries of the job's texts.
enum LanguageEntry : int32_t {
    kEntryFormatVersion = 2,
    kEntryCancelButton = 101,
    kEntryEquationFormat = 202,
    kEntryForceUnicode = 203,
    kEntryRestoreBroken = 204,
    kEntryAllowFonts = 205,
    kEntryCancelQuestion = 905,
    kEntryPleaseWait = 906,
    kEntryPreparing = 907,
    kEntryOptionsNote = 950,
    kEntryImportantNote = 951,
    kEntryWarning = 952,
};

// The job texts a language entry replaces.
struct TextEntry {
    int32_t entry;
    std::wstring JobTexts::*text;
};
constexpr TextEntry kTextEntries[] = {
    // entry               text of JobTexts
    {kEntryCancelButton, &JobTexts::cancelButtonText}, {kEntryCancelQuestion, &JobTexts::cancelQuestionText},
    {kEntryPleaseWait, &JobTexts::pleaseWaitText},     {kEntryPreparing, &JobTexts::preparingText},
    {kEntryWarning, &JobTexts::equationEditorWarning},
};

// The signed decimal number at the start of a text, as wcstol reads it; 0 without digits.
int32_t decimalValue(const std::wstring& text) {
    return int32_t(std::wcstol(text.c_str(), nullptr, 10));
}

// A language entry's text made safe inside the statistics format: every "%" doubled.
std::wstring literalForFormat(const std::wstring& text) {
    std::wstring literal;
    literal.reserve(text.size() + 4);
    for (wchar_t unit : text) {
        literal.push_back(unit);
        if (unit == L'%')
            literal.push_back(L'%');
    }
    return literal;
}

// The entry's text when present and not empty, else nothing.
const std::wstring* entryText(const NumberedStringMap& entries, int32_t entry) {
    const auto found = entries.find(entry);
    return found != entries.end() && !found->second.empty() ? &found->second : nullptr;
}

void setEnglishTexts(JobTexts& texts) {
    texts.cancelButtonText = L"Cancel";
    texts.cancelQuestionText = L"This will cancel converting. Continue?";
    texts.pleaseWaitText = L"Please wait while Microsoft Word configures content.";
    texts.preparingText = L"Preparing content, it may take a few minutes.";
    texts.equationEditorWarning = kEnglishWarning;
    texts.statisticsFormat = L"Equation format: %s [%s];\r\n(%s) Force Unicode;\r\n(%s) Restore broken "
                             L"equations;\r\n(%s) Allow MathType fonts.\r\n\r\n";
}

// Each part of the statistics format: its entry's text when the entry has one, else the English text, between the
// part's fixed text. The English texts hold no "%", so they need no doubling.
std::wstring statisticsFormatFrom(const NumberedStringMap& entries) {
    struct Part {
        int32_t entry;
        const wchar_t* before; // around the entry's text
        const wchar_t* after;
        const wchar_t* english; // the entry's text in English
    };
    static constexpr Part kParts[] = {
        // entry               before      after              English text
        {kEntryEquationFormat, L"", L" %s [%s];\r\n", L"Equation format:"},
        {kEntryForceUnicode, L"(%s) ", L";\r\n", L"Force Unicode"},
        {kEntryRestoreBroken, L"(%s) ", L";\r\n", L"Restore broken equations"},
        {kEntryAllowFonts, L"(%s) ", L".\r\n\r\n", L"Allow MathType fonts"},
        {kEntryImportantNote, L"", L"", kEnglishImportantNote},
        {kEntryOptionsNote, L"\r\n\r\n", L"", kEnglishOptionsNote},
    };
    std::wstring format;
    for (const Part& part : kParts) {
        format += part.before;
        if (const std::wstring* text = entryText(entries, part.entry))
            format += literalForFormat(*text);
        else
            format += part.english;
        format += part.after;
    }
    return format;
}

void applyLanguageFile(const ConversionOptions& options, JobTexts& texts) {
    // An empty language name is the language root itself; no doubled backslash then.
    std::wstring path = options.languageRoot;
    if (!options.languageName.empty())
        path += options.languageName + L"\\";
    path += L"language.txt";
    NumberedStringMap entries;
    if (loadNumberedStrings(entries, path, 3, L'M', L':') == 0)
        return;
    const auto version = entries.find(kEntryFormatVersion);
    if (version == entries.end() || decimalValue(version->second) != kLanguageFormatVersion)
        return;
    for (const TextEntry& row : kTextEntries) {
        if (const std::wstring* text = entryText(entries, row.entry))
            texts.*row.text = *text;
    }
    texts.statisticsFormat = statisticsFormatFrom(entries);
}

// Server mode: the override file's keys replace the registry's, each only when present.
void applyOverrideFile(ConversionOptions& options) {
    KeyValueMap values;
    if (loadKeyValueFile(values, options.overrideFilePath) <= 0)
        return;
    struct NumberKey {
        const wchar_t* key;
        int32_t ConversionOptions::*field;
    };
    static constexpr NumberKey kNumberKeys[] = {
        {L"isUniPrime", &ConversionOptions::isUniPrime},
        {L"isOleRestore", &ConversionOptions::isOleRestore},
        {L"isEuclid", &ConversionOptions::isEuclid},
    };
    for (const NumberKey& row : kNumberKeys) {
        const auto found = values.find(row.key);
        if (found != values.end())
            options.*row.field = decimalValue(found->second);
    }
    const auto format = values.find(L"eqVersion");
    if (format != values.end())
        options.eqVersion = equationFormatFromValue(decimalValue(format->second));
    const auto language = values.find(L"pathLanguage");
    if (language != values.end())
        options.languageName = language->second;
}

void readUserSettings(ConversionOptions& options) {
    ScopedRegKey user = openKeyForReading(HKEY_CURRENT_USER, kSembrikKeyPath, KEY_WOW64_32KEY);
    if (!user.isOpen())
        return;
    readEquationFormatField(options.eqVersion, user, L"eqVersion");
    readDwordField(options.isUniPrime, user, L"isUniPrime");
    readDwordField(options.isOleRestore, user, L"isOleRestore");
    readDwordField(options.isEuclid, user, L"isEuclid");
    readStringField(options.languageName, user, L"pathLanguage"); // even an empty one: English
    readDwordField(options.isStartup, user, L"isStartup");
    readDwordField(options.isStatistics, user, L"isStatistics");
    readDwordField(options.isProgressWin, user, L"isProgressWin", KeyClosePolicy::CloseOnSuccess);
    if (options.serverMode != 0 && !options.overrideFilePath.empty())
        applyOverrideFile(options);
}

// Clears Equation Editor 3.x's AutoConvertTo default value in one registry view; false when it stayed.
bool clearAutoConvertTo(REGSAM view) {
    const std::wstring path = std::wstring(L"SOFTWARE\\Classes\\CLSID\\") + kEquationEditorClsid + L"\\AutoConvertTo";
    ScopedRegKey reading = openKeyForReading(HKEY_LOCAL_MACHINE, path.c_str(), view);
    std::wstring target;
    if (!reading.isOpen() || !readRegString(target, reading, nullptr, KeyClosePolicy::CloseOnSuccess) || target.empty())
        return true; // nothing to clear
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_SET_VALUE | view, &opened) != ERROR_SUCCESS)
        return false;
    ScopedRegKey writing(opened);
    const RegistryValueDeleter deleter = gAutoConvertToDeleter.load();
    const LSTATUS deleted = deleter ? deleter(writing.get(), L"") : RegDeleteValueW(writing.get(), L"");
    return deleted == ERROR_SUCCESS;
}
} // namespace

JobTexts& jobTexts() {
    return gJobTexts;
}

void setAutoConvertToDeleter(RegistryValueDeleter deleter) {
    gAutoConvertToDeleter.store(deleter);
}

ConversionSettingsLoadStatus loadConversionSettings(ConversionOptions& options, JobTexts& texts) {
    options.eqVersion = EquationFormat::MicrosoftEquation;
    options.autoConvertToFlags = 0;
    {
        ScopedRegKey main = openKeyForReading(HKEY_LOCAL_MACHINE, kMainKeyPath, KEY_WOW64_32KEY);
        if (!main.isOpen())
            return ConversionSettingsLoadStatus::MachineSettingsMissing;
        readDwordField(options.serverMode, main, L"serverMode", KeyClosePolicy::CloseOnSuccess);
    }
    {
        ScopedRegKey sembrik = openKeyForReading(HKEY_LOCAL_MACHINE, kSembrikKeyPath, KEY_WOW64_32KEY);
        if (!sembrik.isOpen())
            return ConversionSettingsLoadStatus::MachineSettingsMissing;
        std::wstring installPath;
        if (!readRegString(installPath, sembrik, L"path", KeyClosePolicy::KeepOpen) || installPath.empty())
            return ConversionSettingsLoadStatus::MachineSettingsMissing;
        options.moduleFolder = installPath + L"\\sembrik\\";
        options.languageRoot = options.moduleFolder + L"language\\";
        std::wstring lcid;
        if (readRegString(lcid, sembrik, L"instLanguage", KeyClosePolicy::KeepOpen) && !lcid.empty())
            options.languageName = languageFolderFromLcid(lcid);
    }
    {
        ScopedRegKey userMain = openKeyForReading(HKEY_CURRENT_USER, kMainKeyPath, KEY_WOW64_32KEY);
        std::wstring overridePath;
        if (userMain.isOpen() && readRegString(overridePath, userMain, L"wmoptini", KeyClosePolicy::CloseOnSuccess) &&
            !overridePath.empty())
            options.overrideFilePath = overridePath;
    }
    readUserSettings(options);
    setEnglishTexts(texts);
    applyLanguageFile(options, texts);
    if (writesEquationEditor3(options)) {
        if (!clearAutoConvertTo(KEY_WOW64_32KEY))
            options.autoConvertToFlags |= kAutoConvertTo32Failed;
        if (!clearAutoConvertTo(KEY_WOW64_64KEY))
            options.autoConvertToFlags |= kAutoConvertTo64Failed;
    }
    return ConversionSettingsLoadStatus::Ok;
}

ConversionSettingsLoadStatus loadConversionSettings() {
    ConversionOptions options = conversionOptions();
    const ConversionSettingsLoadStatus result = loadConversionSettings(options, gJobTexts);
    setConversionOptions(options);
    return result;
}

std::wstring formatStatistics(const std::wstring& format, const std::wstring (&arguments)[5]) {
    std::wstring text;
    size_t next = 0;
    for (size_t i = 0; i < format.size() && text.size() <= kStatisticsMaxChars; ++i) {
        if (format[i] == L'%' && i + 1 < format.size()) {
            if (format[i + 1] == L'%') {
                text.push_back(L'%');
                ++i;
                continue;
            }
            if (format[i + 1] == L's') {
                if (next < std::size(arguments))
                    text += arguments[next++];
                ++i;
                continue;
            }
        }
        text.push_back(format[i]);
    }
    if (text.size() > kStatisticsMaxChars) {
        size_t cut = kStatisticsMaxChars;
        if (text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF)
            --cut; // never leave half a surrogate pair
        text.resize(cut);
    }
    return text;
}
