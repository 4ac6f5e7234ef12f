#include "KeyAction.h"

#include <limits>

namespace okulon {

std::optional<std::int32_t> ParseInt32(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    long long v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
        if (v > 2147483648LL)
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v > std::numeric_limits<std::int32_t>::max() || v < std::numeric_limits<std::int32_t>::min())
        return std::nullopt;
    return static_cast<std::int32_t>(v);
}

std::optional<std::string> ParseKeyAction(const std::string& text, KeyAction& entry)
{
    if (text.size() <= 2)
        return std::nullopt;
    for (std::size_t j = 0; j < text.size(); ++j) {
        if (text[j] != ' ')
            continue;
        const auto code = ParseInt32(text.substr(0, j));
        if (!code)
            return "'" + text.substr(0, j) + "' is not a valid integer value (key and action \"" + text + "\")";
        // The key code is taken before the action is read, so a failing
        // action leaves the new key code in place.
        entry.KeyCode = *code;
        const std::string actionText = j + 1 < text.size() ? text.substr(j + 1, 1) : std::string();
        const auto action = ParseInt32(actionText);
        if (!action)
            return "'" + actionText + "' is not a valid integer value (key and action \"" + text + "\")";
        // A single character converts to 0..9 (a sign alone is not a number).
        entry.Action = static_cast<std::uint8_t>(*action);
    }
    return std::nullopt;
}

} // namespace okulon
