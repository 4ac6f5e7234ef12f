// Lists and texts built into the program.
#pragma once

#include <array>

namespace okulon::builtin {

extern const std::array<const char*, 128> DefaultSettings;
extern const std::array<const char*, 192> mDialogList;
extern const std::array<const char*, 132> mDefaultColors;
extern const std::array<const char*, 172> mDefaultConfig;
extern const std::array<const char*, 288> mLDefaultEnglish;
extern const std::array<const char*, 288> mLDefaultRussian;
// The French slot holds the English texts.
inline const std::array<const char*, 288>& mLDefaultFrench = mLDefaultEnglish;

// The line that separates the sections of a language text: two backslashes,
// eighteen equals signs, two backslashes.
inline constexpr const char* LanguageSeparator = "\\\\==================\\\\";

} // namespace okulon::builtin
