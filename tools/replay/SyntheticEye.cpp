#include "SyntheticEye.h"

#include <algorithm>

namespace okulon::replay {

namespace {

struct Rng {
    std::uint32_t state;
    std::uint32_t next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

bool insideEllipse(int x, int y, int cx, int cy, int rx, int ry)
{
    const long long dx = x - cx;
    const long long dy = y - cy;
    return dx * dx * ry * ry + dy * dy * rx * rx <= 1LL * rx * rx * ry * ry;
}

} // namespace

Bitmap RenderEyeScene(const EyeScene& scene)
{
    const Color skin = Rgb(226, 178, 148);
    const Color lid = Rgb(204, 150, 122);
    const Color lash = Rgb(58, 38, 30);
    const Color sclera = Rgb(242, 240, 236);
    const Color iris = Rgb(74, 104, 60);
    const Color pupil = Rgb(12, 10, 10);
    const Color brow = Rgb(96, 64, 44);

    Bitmap bmp(scene.screenWidth, scene.screenHeight, skin);
    const int cx = scene.eyeX + scene.jitterX;
    const int cy = scene.eyeY + scene.jitterY;
    for (int y = 0; y < scene.screenHeight; ++y) {
        for (int x = 0; x < scene.screenWidth; ++x) {
            Color c = skin;
            if (insideEllipse(x, y, cx, cy - 34, 34, 5))
                c = brow;
            if (scene.open) {
                if (insideEllipse(x, y, cx, cy, 30, 14)) {
                    c = sclera;
                    if (insideEllipse(x, y, cx, cy, 11, 11))
                        c = iris;
                    if (insideEllipse(x, y, cx, cy, 5, 5))
                        c = pupil;
                }
            } else {
                if (insideEllipse(x, y, cx, cy, 30, 14))
                    c = lid;
                if (insideEllipse(x, y, cx, cy + 4, 30, 2))
                    c = lash;
            }
            bmp.SetPixel(x, y, c);
        }
    }
    if (scene.noise > 0) {
        Rng rng{scene.seed * 2654435761u + 12345u};
        const int span = 2 * scene.noise + 1;
        for (int y = 0; y < scene.screenHeight; ++y) {
            Color* row = bmp.Row(y);
            for (int x = 0; x < scene.screenWidth; ++x) {
                const Color c = row[x];
                auto jiggle = [&](int v) {
                    return std::clamp(v + static_cast<int>(rng.next() % span) - scene.noise, 0, 255);
                };
                row[x] = Rgb(jiggle(RedOf(c)), jiggle(GreenOf(c)), jiggle(BlueOf(c)));
            }
        }
    }
    return bmp;
}

} // namespace okulon::replay
