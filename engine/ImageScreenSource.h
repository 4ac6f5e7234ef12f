// A screen source backed by a stored picture: the engine runs on recorded or
// synthetic frames without a real screen.
#pragma once

#include "Bitmap.h"
#include "Ports.h"

#include <utility>

namespace okulon {

class ImageScreenSource : public IScreenSource {
public:
    ImageScreenSource() = default;
    explicit ImageScreenSource(Bitmap screen)
        : screen_(std::move(screen))
    {
    }
    Bitmap& Screen() { return screen_; }
    void Grab(int left, int top, int width, int height, std::vector<Color>& out) override;

private:
    Bitmap screen_;
};

} // namespace okulon
