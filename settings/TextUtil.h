// Small text helpers shared by the settings code.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace okulon {

// Removes leading and trailing blanks and control characters (code points up to 32).
QString TrimBlanks(const QString& text);

// Parses a whole signed 32-bit decimal integer: leading blanks and tabs and one
// sign are allowed; an empty text, anything after the digits, or a value out of
// range gives nothing.
std::optional<std::int32_t> ParseWholeInt(const QString& text);

// The same, with 0 for a text that is not a number.
std::int32_t IntOrZero(const QString& text);

// Splits a text into lines. CR LF, LF and a lone CR each end a line; a line
// break at the very end does not start another, empty, line.
QStringList SplitLines(const QString& text);

// Joins lines, each followed by CR LF.
QByteArray JoinLinesCrLf(const QStringList& lines);

// Writes a whole file through a temporary that replaces fileName only when
// every byte has been written. False, with fileName untouched, otherwise.
bool WriteFileAtomically(const QString& fileName, const QByteArray& bytes);

} // namespace okulon
