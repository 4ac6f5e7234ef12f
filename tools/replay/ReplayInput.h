// What okulon-replay reads: its arguments, the frame images and the events file.
#pragma once

#include "Bitmap.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <variant>
#include <vector>

namespace okulon::replay {

struct Options {
    QString profile;
    QString events;
    QString dumpMatrix;
    QString dumpParams;
    QStringList frameArgs; // files or folders, as given
};

// An error that ends the tool with exit code 2; the text is one line.
struct InputError {
    QString message;
};

template <class T>
using Result = std::variant<T, InputError>;

Result<Options> ParseArguments(const QStringList& args);

// Files and folders to frame files; a folder stands for its *.png and *.bmp
// files in byte-wise name order.
Result<QStringList> ExpandFrames(const QStringList& frameArgs);

// Frames larger than this are refused (a header may claim anything).
inline constexpr int MaxFrameSide = 16384;

// Loads a PNG or BMP frame as the engine's bitmap.
Result<Bitmap> LoadFrame(const QString& file);
// Checks that a frame file can be read, without decoding it.
std::optional<InputError> CheckFrame(const QString& file);

enum class Verb {
    Idle,
    Click,
    Arm,
    StartStop,
    Calibrate,
    F11,
    Weights,
    Set,
    Apply,
    Structure,
    LoadMatrix,
    SaveMatrix,
    ClearMatrix,
};

enum class Button { Left, Right, Middle };

struct Event {
    int frame = 0;
    Verb verb = Verb::Idle;
    int line = 0;
    Button button = Button::Left;
    int x = 0;
    int y = 0;
    int number = 0; // arm: K; set: N
    QString text;   // set: the value; structure / load-matrix / save-matrix: the path
};

// "FRAME VERB ARGS..." per line; blank lines and lines starting with # are
// skipped. Errors name the file and the line.
Result<std::vector<Event>> ParseEvents(const QString& text, const QString& fileName);
Result<std::vector<Event>> ReadEvents(const QString& fileName);

} // namespace okulon::replay
