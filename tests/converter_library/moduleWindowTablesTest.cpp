// The module window's tables as data: ids unique and each table ended by its sentinel, every control and label
// inside the window, every text row naming a record that is there, and the module id's length (its buffer holds 31
// characters and a zero).
#include "moduleWindowTables.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <set>

namespace {
template <size_t N> void checkTable(const std::array<ModuleTableRow, N>& rows, const char* name) {
    std::set<int32_t> ids;
    for (size_t i = 0; i + 1 < N; ++i) {
        const ModuleTableRow& row = rows[i];
        EXPECT_NE(row.kind, 0) << name << " row " << i;
        EXPECT_TRUE(ids.insert(row.id).second) << name << " row " << i << ": id " << row.id << " twice";
        EXPECT_GE(row.x, 0) << name << " row " << i;
        EXPECT_GE(row.y, 0) << name << " row " << i;
        EXPECT_LE(row.x + row.width, kModuleWindowWidth) << name << " row " << i;
        EXPECT_LE(row.y + row.height, kModuleWindowHeight) << name << " row " << i;
    }
    EXPECT_EQ(rows[N - 1].kind, 0) << name << ": no sentinel";
    EXPECT_EQ(rows[N - 1].id, -1) << name << ": no sentinel";
}

template <size_t N, size_t M>
void checkTextsNameRecords(const std::array<ModuleTextRow, N>& texts, const std::array<ModuleTableRow, M>& rows,
                           const char* name) {
    for (size_t i = 0; i < N; ++i) {
        bool found = false;
        for (size_t j = 0; j + 1 < M; ++j)
            found = found || rows[j].id == texts[i].id;
        EXPECT_TRUE(found) << name << " row " << i << ": no record " << texts[i].id;
    }
}

TEST(ModuleWindowTables, IdsUniqueInsideTheWindowAndEnded) {
    checkTable(kModuleControlRows, "controls");
    checkTable(kModuleLabelRows, "labels");
}

TEST(ModuleWindowTables, TextsNameRecordsOfTheirTables) {
    checkTextsNameRecords(kModuleCaptions, kModuleControlRows, "captions");
    checkTextsNameRecords(kModuleLabelTexts, kModuleLabelRows, "label texts");
}

TEST(ModuleWindowTables, ModuleIdFitsItsBuffer) {
    EXPECT_EQ(std::wcslen(kModuleIdText), 10u);
    EXPECT_EQ(std::wcsncmp(kModuleIdText, L"SBK", 3), 0);
}

TEST(ModuleWindowTables, OnlyControlZeroStartsHighlighted) {
    for (size_t i = 0; i + 1 < kModuleControlRows.size(); ++i)
        EXPECT_EQ((kModuleControlRows[i].flags & ControlFlags::Highlighted) != 0, kModuleControlRows[i].id == 0)
            << "row " << i;
}
} // namespace
