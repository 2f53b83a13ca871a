// The command line rules of the settings program; see commandLine.h.
#include "commandLine.h"

#include <iterator>

namespace {
// The mode options in the order they are tested.
struct ModeOption {
    const wchar_t* text;
    StartMode mode;
};
constexpr ModeOption kModeOptions[] = {
    // text       mode
    {L"-pvx", StartMode::PalvexOptionsOnly},
    {L"-dnk", StartMode::DornakOptionsOnly},
    {L"-sbk", StartMode::SembrikOptionsOnly},
    {L"-proc", StartMode::MainWindowWithFileProcessing},
};

constexpr wchar_t kOwnerOption[] = L"-wnd:";
constexpr size_t kOwnerOptionLength = std::size(kOwnerOption) - 1;
// Characters that must follow the colon before the owner counts: a lone digit at the end of the line is ignored.
constexpr size_t kOwnerMinDigits = 2;

bool isCSpace(wchar_t unit) {
    return unit == L' ' || (unit >= L'\t' && unit <= L'\r');
}
} // namespace

int32_t parseDecimalLong(const std::wstring& text, size_t start) {
    size_t pos = start;
    while (pos < text.size() && isCSpace(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-')) {
        negative = text[pos] == L'-';
        ++pos;
    }
    // Accumulated as a magnitude that stops growing at the limit, so that no digit string can overflow.
    constexpr int64_t kMaxMagnitude = int64_t(INT32_MAX) + 1;
    int64_t magnitude = 0;
    for (; pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9'; ++pos) {
        magnitude = magnitude * 10 + (text[pos] - L'0');
        if (magnitude > kMaxMagnitude)
            magnitude = kMaxMagnitude;
    }
    if (negative)
        return int32_t(-magnitude);
    return magnitude > INT32_MAX ? INT32_MAX : int32_t(magnitude);
}

CommandLineOptions parseCommandLine(const std::wstring& commandLine) {
    CommandLineOptions options;
    for (const ModeOption& option : kModeOptions) {
        if (commandLine.find(option.text) != std::wstring::npos) {
            options.mode = option.mode;
            break;
        }
    }
    const size_t owner = commandLine.find(kOwnerOption);
    if (owner != std::wstring::npos && commandLine.size() >= owner + kOwnerOptionLength + kOwnerMinDigits)
        options.ownerValue = parseDecimalLong(commandLine, owner + kOwnerOptionLength);
    return options;
}
