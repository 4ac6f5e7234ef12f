// Ports through which the engine reaches the rest of the program.
//
// The engine is plain C++ without Qt or OS headers. Whatever it needs from the
// outside (the parameter store, the event log, the message texts, the screen,
// the receiving program, the clock, sound, the windows) it asks for through one
// of these small interfaces; the layers above implement them, and the tests
// implement them with fakes.
#pragma once

#include <cstdint>
#include <string>

namespace okulon {

// Value returned by IParameters::GetParamInt for a parameter row that does not exist.
inline constexpr std::int32_t NoIntValue = -189234554;

// The numbered parameters (parameter N lives in row N - 1). Texts are UTF-8.
// Reads repair a bad value to its built-in default: an integer read of a cell
// that is not a whole number returns 0 once and leaves the default in the
// cell; a text read of a blank cell returns the default.
class IParameters {
public:
    virtual ~IParameters() = default;
    virtual std::int32_t GetParamInt(int n) = 0;
    virtual std::string GetParamText(int n) = 0;
    virtual void SetParamInt(int n, std::int32_t value) = 0;
    virtual void SetParamText(int n, const std::string& text) = 0;
};

// The event log. code: tens digit 1 = window line, 2 = time-stamped window line;
// units digit 1 = text to the log file, 2 = text and line break, 3 = time stamp,
// text and line break.
class IEventLog {
public:
    virtual ~IEventLog() = default;
    virtual void WriteLog(const std::string& text, int code) = 0;
};

// Numbered message texts of the current language (1-based; "" when absent).
class IMessages {
public:
    virtual ~IMessages() = default;
    virtual std::string GetMessageText(int k) const = 0;
};

} // namespace okulon
