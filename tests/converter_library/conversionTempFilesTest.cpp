// The names the temporary folder's clean-up may delete: exactly the two files of a conversion under a base as
// makeTempBaseName makes them, and nothing that merely looks like one. Portable: runs natively and under Wine.
#include "conversionTempFiles.h"

#include <gtest/gtest.h>

#include <iterator>

namespace {
TEST(ConversionTempFiles, OnlyTheConversionsOwnNames) {
    const struct {
        const wchar_t* name;
        bool ours;
    } cases[] = {
        // name                                                  ours
        {L"D9B2B383-3654-44AC-9FE4-4562A77C5E47.rtf", true},
        {L"D9B2B383-3654-44AC-9FE4-4562A77C5E47_2.rtf", true},
        {L"_123456.rtf", true},
        {L"_123456_2.rtf", true},
        {L"_18446744073709551615_2.rtf", true},               // the largest tick count
        {L"_184467440737095516150.rtf", false},               // one digit more
        {L"d9b2b383-3654-44ac-9fe4-4562a77c5e47.rtf", false}, // StringFromGUID2 writes upper case
        {L"{D9B2B383-3654-44AC-9FE4-4562A77C5E47}.rtf", false},
        {L"D9B2B383-3654-44AC-9FE4-4562A77C5E47.RTF", false},
        {L"D9B2B383-3654-44AC-9FE4-4562A77C5E47_3.rtf", false},
        {L"D9B2B383-3654-44AC-9FE4-4562A77C5E47.rtf.lnk", false},
        {L"D9B2B383-3654-44AC-9FE4-4562A77C5E47.docx", false},
        {L"D9B2B383-3654-44AC-9FE4-4562A77C5E47", false},
        {L"xD9B2B383-3654-44AC-9FE4-4562A77C5E47.rtf", false},
        {L"D9B2B383-3654-44AC-9FE4-4562A77C5E4.rtf", false}, // one digit short
        {L"D9B2B383-3654-44AC-9FE4-4562A77C5E47D.rtf", false},
        {L"D9B2B383+3654-44AC-9FE4-4562A77C5E47.rtf", false},
        {L"D9B2B38G-3654-44AC-9FE4-4562A77C5E47.rtf", false},
        {L"D9B2B383-3654-44AC-9FE4-4562A77C5E47_2_2.rtf", false},
        {L"_.rtf", false},
        {L"_12a.rtf", false},
        {L"_-12.rtf", false},
        {L"12.rtf", false},
        {L"_2.rtf", true}, // Word's RTF under the base "_2", two milliseconds after start
        {L".rtf", false},
        {L"stale.rtf", false},
        {L"thesis.docx", false},
        {L"", false},
    };
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(isConversionTempFileName(cases[row].name), cases[row].ours) << "row " << row;
}
} // namespace
