// The selectors' portable rules; see selectorRules.h.
#include "selectorRules.h"

#include "settingsText.h"

#include <cwchar>
#include <cwctype>

std::wstring shortenCaption(const std::wstring& text) {
    if (text.size() <= kSelectorCaptionMax)
        return text;
    return text.substr(0, kSelectorCaptionMax - 1) + L"...";
}

const wchar_t* scaleItem(int32_t textScale) {
    if (textScale < 100)
        return L"75%";
    if (textScale > 100)
        return L"125%";
    return L"100%";
}

int32_t scaleOfItem(const std::wstring& item) {
    if (item == L"75%")
        return 75;
    if (item == L"125%")
        return 125;
    return 100;
}

const wchar_t* editorItem(int32_t isEE, int32_t isEE2007) {
    if (isEE == 0)
        return L"MathType";
    return isEE2007 != 0 ? L"Microsoft Equation" : L"Equation Editor 3";
}

bool showsMathTypeStyle(int32_t isEE, int32_t isEE2007) {
    return isEE != 0 && isEE2007 == 0;
}

std::wstring languageFontFace(const std::wstring& entry) {
    // LOGFONT holds 31 characters and the terminating zero.
    constexpr size_t kFaceMax = 31;
    if (entry.empty())
        return L"Tahoma";
    return entry.substr(0, kFaceMax);
}

int32_t languageFontPointSize(const std::wstring* entry) {
    constexpr int32_t kDefault = 9;
    if (entry == nullptr)
        return kDefault;
    // Decimal as strtol reads it: leading blanks and a sign, then digits up to the first other unit. A value too
    // long for a long is out of range either way.
    wchar_t* end = nullptr;
    const long size = std::wcstol(entry->c_str(), &end, 10);
    if (end == entry->c_str() || size < 6 || size > 14)
        return kDefault;
    return int32_t(size);
}

std::wstring displayNameOf(const std::wstring& entry) {
    std::wstring name;
    name.reserve(entry.size());
    for (size_t i = 0; i < entry.size(); ++i) {
        if (entry[i] == L'\r' || entry[i] == L'\n') {
            if (entry[i] == L'\r' && i + 1 < entry.size() && entry[i + 1] == L'\n')
                ++i; // CR LF is one line break
            name += L' ';
            continue;
        }
        name += entry[i];
    }
    return name;
}

namespace {
bool sameFolderName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const wchar_t x = a[i] < 0x80 ? wchar_t(std::towlower(a[i])) : a[i];
        const wchar_t y = b[i] < 0x80 ? wchar_t(std::towlower(b[i])) : b[i];
        if (x != y)
            return false;
    }
    return true;
}
int32_t countItems(const std::wstring& list) {
    int32_t count = 0;
    for (wchar_t unit : list)
        count += unit == L'\n' ? 1 : 0;
    return count;
}
} // namespace

int32_t folderPosition(const std::wstring& folderNames, const std::wstring& name) {
    int32_t position = 0;
    size_t start = 0;
    for (size_t end = folderNames.find(L'\n'); end != std::wstring::npos; end = folderNames.find(L'\n', start)) {
        if (sameFolderName(folderNames.substr(start, end - start), name))
            return position;
        ++position;
        start = end + 1;
    }
    return -1;
}

bool folderOfItem(const std::wstring& items, const std::wstring& folderNames, const std::wstring& item,
                  std::wstring& folder) {
    const int32_t position = indexOfListItem(items, item);
    if (position < 0)
        return false; // a text that is no item of the list: nothing is chosen
    if (position == 0) {
        folder.clear();
        return true;
    }
    // Item i stands for folder i - 1; a list whose items outnumber its folders names none for the extra ones.
    if (position - 1 >= countItems(folderNames))
        return false;
    folder = listItemAt(folderNames, position - 1);
    return true;
}

std::wstring itemOfFolder(const std::wstring& items, const std::wstring& folderNames, const std::wstring& folder) {
    const int32_t position = folderPosition(folderNames, folder);
    if (position < 0 || position + 1 >= countItems(items))
        return listItemAt(items, 0);
    return listItemAt(items, position + 1);
}
