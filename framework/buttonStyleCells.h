// Where each button style of the two hosts sits in its button strip, and which skin.txt entries colour and offset
// which styles. Plain data without Windows types, so that the artwork generator (tools/skinArtwork) draws its
// strips from the same rows the framework cuts them with; buttonStyles.h builds the framework's style tables from
// them. Nothing here runs: a host picks its table and hands it to the framework through its host context.
#pragma once

#include <array>
#include <cstdint>

// One cell of a button strip. A style id of 0 ends a table.
struct ButtonStyleCell {
    int32_t styleId;
    int32_t srcX;
    int32_t srcY;
    int32_t width;
    int32_t height;
};

// Entries B, B+1, B+2 of skin.txt colour the styles S, S+1, S+2; B+5 .. B+8 offset the captions of S+1 and S+2.
struct SkinGroup {
    int32_t baseEntry;  // B
    int32_t firstStyle; // S, the normal look; it has no offset entries
};

// The rows stand so that a kind's checked look follows its unchecked look three rows further: the drawn controls
// rely on it. Each row is normal / highlighted / pressed of one kind, or of its checked look.
inline constexpr std::array<ButtonStyleCell, 31> kSettingsProgramStyleCells = {{
    // styleId, srcX, srcY, width, height
    {16, 0, 0, 46, 31},    {17, 46, 0, 46, 31},    {18, 92, 0, 46, 31},    // minimise
    {19, 0, 31, 46, 31},   {20, 46, 31, 46, 31},   {21, 92, 31, 46, 31},   // close
    {1, 138, 0, 20, 20},   {2, 138, 20, 20, 20},   {3, 138, 40, 20, 20},   // check box
    {4, 158, 0, 20, 20},   {5, 158, 20, 20, 20},   {6, 158, 40, 20, 20},   // check box, ticked
    {7, 178, 0, 20, 20},   {8, 178, 20, 20, 20},   {9, 178, 40, 20, 20},   // second check box kind
    {10, 198, 0, 20, 20},  {11, 198, 20, 20, 20},  {12, 198, 40, 20, 20},  // second check box kind, ticked
    {25, 218, 0, 120, 26}, {26, 218, 26, 120, 26}, {27, 218, 52, 120, 26}, // push button
    {37, 338, 0, 150, 26}, {38, 338, 26, 150, 26}, {39, 338, 52, 150, 26}, // selector
    {13, 488, 0, 150, 26}, {14, 488, 26, 150, 26}, {15, 488, 52, 150, 26}, // web link
    {22, 638, 0, 22, 22},  {23, 638, 22, 22, 22},  {24, 638, 44, 22, 22},  // help
    {0, 0, 0, 0, 0},
}};

inline constexpr std::array<ButtonStyleCell, 34> kConverterLibraryStyleCells = {{
    // styleId, srcX, srcY, width, height
    {16, 0, 0, 46, 31},    {17, 46, 0, 46, 31},    {18, 92, 0, 46, 31},    // minimise
    {19, 0, 31, 46, 31},   {20, 46, 31, 46, 31},   {21, 92, 31, 46, 31},   // close
    {1, 138, 0, 20, 20},   {2, 138, 20, 20, 20},   {3, 138, 40, 20, 20},   // check box
    {4, 158, 0, 20, 20},   {5, 158, 20, 20, 20},   {6, 158, 40, 20, 20},   // check box, ticked
    {7, 178, 0, 20, 20},   {8, 178, 20, 20, 20},   {9, 178, 40, 20, 20},   // second check box kind
    {10, 198, 0, 20, 20},  {11, 198, 20, 20, 20},  {12, 198, 40, 20, 20},  // second check box kind, ticked
    {25, 218, 0, 120, 26}, {26, 218, 26, 120, 26}, {27, 218, 52, 120, 26}, // push button
    {31, 338, 0, 120, 26}, {32, 338, 26, 120, 26}, {33, 338, 52, 120, 26}, // tab
    {34, 458, 0, 120, 26}, {35, 458, 26, 120, 26}, {36, 458, 52, 120, 26}, // tab, selected
    {37, 578, 0, 150, 26}, {38, 578, 26, 150, 26}, {39, 578, 52, 150, 26}, // selector
    {13, 728, 0, 150, 26}, {14, 728, 26, 150, 26}, {15, 728, 52, 150, 26}, // web link
    {0, 0, 0, 0, 0},
}};

inline constexpr std::array<SkinGroup, 2> kSettingsProgramSkinGroups = {{{20, 25}, {50, 37}}};
inline constexpr std::array<SkinGroup, 4> kConverterLibrarySkinGroups = {{{20, 25}, {30, 31}, {40, 34}, {50, 37}}};

// The skin.txt entries every skin has besides its groups: display name, format version, the two label colours.
inline constexpr int32_t kSkinNameEntry = 1;
inline constexpr int32_t kSkinFormatEntry = 2;
inline constexpr int32_t kPrimaryColourEntry = 10;
inline constexpr int32_t kSecondaryColourEntry = 11;
// Only a skin of this format version is used; any other falls back to the defaults.
inline constexpr int32_t kSkinFormatVersion = 2026;
