// The conversion settings of a job: the options record (conversionOptions.h) filled from the registry, the server
// mode override file and the module's language.txt, and the job's localisable texts. For the Equation Editor 3.x
// format the loader also clears that editor's automatic conversion to another program in both registry views.
#pragma once

#include "rtf/conversionOptions.h"

#include <windows.h>

#include <cstdint>
#include <string>

// The texts a job shows; rebuilt by every load, English unless a valid language.txt replaces them.
struct JobTexts {
    std::wstring cancelButtonText;      // progress window button (entry 101)
    std::wstring cancelQuestionText;    // progress window question (entry 905)
    std::wstring pleaseWaitText;        // progress window line 2 (entry 906)
    std::wstring preparingText;         // progress window line 1 (entry 907)
    std::wstring equationEditorWarning; // the AutoConvertTo warning (entry 952)
    // Format of the statistics text: "%s" stands for each of the five values, "%%" for a percent sign. Texts from
    // language entries have their "%" doubled, so they can never act as directives.
    std::wstring statisticsFormat;
};

// Fixed texts, never localised.
constexpr wchar_t kNotInstalledText[] = L"Veltrim Sembrik is not properly installed.";
constexpr wchar_t kSuiteTitle[] = L"Veltrim Sorvanta";

// The process-wide job texts; written and read by the conversion job's thread only.
JobTexts& jobTexts();

enum class [[nodiscard]] ConversionSettingsLoadStatus : int32_t{
    Ok = 0,                     // the options and texts were loaded
    MachineSettingsMissing = 1, // the machine-wide keys or the module's install path are missing: the job refuses
};

// Loads the options and texts for the next job. Fields that no source sets keep their values.
ConversionSettingsLoadStatus loadConversionSettings(ConversionOptions& options, JobTexts& texts);
// The same for the process-wide records (conversionOptions() and jobTexts()).
ConversionSettingsLoadStatus loadConversionSettings();

// The statistics text: the format with its "%s" replaced by the arguments in order and "%%" by "%", cut to 449
// characters (the job's buffer holds 450 with the terminator). Any other "%" sequence is copied as it stands.
std::wstring formatStatistics(const std::wstring& format, const std::wstring (&arguments)[5]);
constexpr size_t kStatisticsMaxChars = 449;

// Deleting the AutoConvertTo default value goes through this function, so that tests can make it fail (the
// registry here never refuses). Null restores RegDeleteValueW.
using RegistryValueDeleter = LSTATUS (*)(HKEY key, const wchar_t* name);
void setAutoConvertToDeleter(RegistryValueDeleter deleter);
