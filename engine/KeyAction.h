// The key and action configured for a row of the matrix of samples, and for
// the case that no row matches.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace okulon {

struct KeyAction {
    std::int32_t KeyCode = 0; // virtual-key code; 0 or less = inert
    std::uint8_t Action = 0;  // 1 key down, 2 key up, 3 press, anything else nothing
    bool operator==(const KeyAction&) const = default;
};

inline constexpr int ActionKeyDown = 1;
inline constexpr int ActionKeyUp = 2;
inline constexpr int ActionPress = 3;

// Parses "code action" (for example "32 2") into entry. A text of two
// characters or fewer leaves entry as it is. At every blank, in order, the
// key code becomes the integer before it and the action the one character
// after it, so the last blank decides. Returns an error text when a part is
// not an integer; entry then holds what the blanks before the failing one gave.
std::optional<std::string> ParseKeyAction(const std::string& text, KeyAction& entry);

// Whole-text signed decimal integer as the parameter store reads it: leading
// blanks and one sign allowed, nothing after the digits.
std::optional<std::int32_t> ParseInt32(const std::string& text);

} // namespace okulon
