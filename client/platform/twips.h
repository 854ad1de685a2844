#pragma once

namespace platform {

// Layout positions are kept in twips; the screen works in pixels.
constexpr int TWIPS_PER_PIXEL = 15;

constexpr int twipsToPixels(int twips) { return twips / TWIPS_PER_PIXEL; }
constexpr int pixelsToTwips(int pixels) { return pixels * TWIPS_PER_PIXEL; }

} // namespace platform
