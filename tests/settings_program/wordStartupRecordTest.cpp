// The template installer's record rules: which recorded folders count as current (every non-empty slot, also behind
// an empty slot 0), the shared list as rewritten (this user's folders first, every other line kept in order), and
// the volume roots that tell a missing folder from a drive that is not there.
#include "wordStartupRecord.h"

#include <gtest/gtest.h>

namespace {
StartupSlots slotsOf(const std::vector<std::wstring>& folders) {
    StartupSlots slots;
    for (size_t n = 0; n < folders.size() && n < slots.size(); ++n)
        slots[n] = StartupSlot{folders[n], true};
    return slots;
}

TEST(WordStartupRecord, VolumeRoots) {
    const struct {
        const wchar_t* path;
        const wchar_t* root;
    } cases[] = {
        {L"C:\\Users\\a\\STARTUP", L"C:\\"},
        {L"c:/Users/a", L"c:\\"},
        {L"Q:", L"Q:\\"},
        {L"Q:relative", L"Q:\\"},
        {L"\\\\server\\share\\Word\\STARTUP", L"\\\\server\\share\\"},
        {L"\\\\server\\share", L"\\\\server\\share\\"},
        {L"//server/share/x", L"//server/share\\"},
        {L"\\\\server", L""},
        {L"\\\\server\\", L""},
        {L"\\\\?\\D:\\long\\path", L"\\\\?\\D:\\"},
        {L"\\\\?\\UNC\\server\\share\\x", L"\\\\?\\UNC\\server\\share\\"},
        {L"\\\\?\\UNC\\server", L""},
        {L"\\\\?\\Volume{1234}\\x", L""},
        {L"\\Users\\a", L""},
        {L"relative\\folder", L""},
        {L"%APPDATA%\\x", L""},
        {L"", L""},
    };
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(volumeRootOf(cases[row].path), cases[row].root) << "row " << row;
}

TEST(WordStartupRecord, TrailingBackslash) {
    const struct {
        const wchar_t* folder;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\a\\", L"C:\\a"}, {L"C:\\a", L"C:\\a"}, {L"C:\\a\\\\", L"C:\\a\\"},
        {L"C:/a/", L"C:/a"},    {L"\\", L""},         {L"", L""},
    };
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(withoutTrailingBackslash(cases[row].folder), cases[row].expected) << "row " << row;
}

TEST(WordStartupRecord, RecordedFoldersBehindAnEmptySlotZero) {
    // No application-data folder: slot 0 is empty and the Word versions' folders follow it. Each of them is current.
    const StartupSlots slots = slotsOf({L"", L"C:\\w1", L"", L"C:\\w3"});
    const struct {
        const wchar_t* folder;
        bool recorded;
    } cases[] = {
        {L"C:\\w1", true},    {L"C:\\w3", true}, {L"c:\\w1", false},
        {L"C:\\w1\\", false}, {L"", false},      {L"C:\\w2", false},
    };
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(isRecordedFolder(slots, cases[row].folder), cases[row].recorded) << "row " << row;
    EXPECT_EQ(firstEmptySlot(slots), 0);
    EXPECT_EQ(firstEmptySlot(slotsOf({L"a", L"b"})), 2);
    EXPECT_EQ(firstEmptySlot(slotsOf({L"0", L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9"})), -1);
}

TEST(WordStartupRecord, RewrittenList) {
    const struct {
        std::vector<std::wstring> slots;
        std::vector<std::wstring> oldLines;
        std::vector<std::wstring> expected;
    } cases[] = {
        // This user's folders first, in slot order; other lines after, in their order; no duplicates of this user's.
        {{L"A", L"B"}, {L"X", L"B", L"Y", L"A"}, {L"A", L"B", L"X", L"Y"}},
        // Empty slots and empty (cleared) lines are dropped; an empty slot 0 hides nothing behind it.
        {{L"", L"B", L"", L"D"}, {L"", L"B", L"D", L"Z", L""}, {L"B", L"D", L"Z"}},
        // A removal: no slots at all leaves every other line.
        {{}, {L"X", L"Y"}, {L"X", L"Y"}},
        // Lines compare whole and case-sensitively.
        {{L"C:\\w"}, {L"c:\\w", L"C:\\w\\", L"C:\\w"}, {L"C:\\w", L"c:\\w", L"C:\\w\\"}},
        {{}, {}, {}},
    };
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(rewrittenSharedList(slotsOf(cases[row].slots), cases[row].oldLines), cases[row].expected)
            << "row " << row;
}

TEST(WordStartupRecord, RewrittenListKeepsEveryLine) {
    // Far more than fifty lines of other users: none is dropped.
    std::vector<std::wstring> oldLines;
    for (int n = 0; n < 500; ++n)
        oldLines.push_back(L"D:\\user" + std::to_wstring(n) + L"\\STARTUP");
    const std::vector<std::wstring> lines = rewrittenSharedList(slotsOf({L"C:\\mine"}), oldLines);
    ASSERT_EQ(lines.size(), 501u);
    EXPECT_EQ(lines.front(), L"C:\\mine");
    EXPECT_EQ(lines.back(), L"D:\\user499\\STARTUP");
}

TEST(WordStartupRecord, ClearListedFolder) {
    std::vector<std::wstring> lines = {L"A", L"B", L"A"};
    EXPECT_TRUE(clearListedFolder(lines, L"A"));
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"", L"B", L"A"})); // only the first
    EXPECT_FALSE(clearListedFolder(lines, L"b"));
    EXPECT_FALSE(clearListedFolder(lines, L""));
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"", L"B", L"A"}));
}
} // namespace
