// Synthetic camera pictures of an eye, open or closed, with noise and a few
// pixels of jitter: the demo and the end-to-end tests run the engine on them.
#pragma once

#include "Bitmap.h"

#include <cstdint>

namespace okulon::replay {

struct EyeScene {
    int screenWidth = 400;
    int screenHeight = 300;
    int eyeX = 240; // centre of the eye on the screen
    int eyeY = 155;
    bool open = true;
    int jitterX = 0; // whole-picture shift, as a camera or head moves
    int jitterY = 0;
    int noise = 6; // each channel of each pixel moves by up to this much
    std::uint32_t seed = 1;
};

Bitmap RenderEyeScene(const EyeScene& scene);

} // namespace okulon::replay
