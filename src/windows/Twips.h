#pragma once

#include <QtGlobal>

// Window sizes and positions are designed in twips, 15 to a logical pixel.
inline constexpr double TwipsPerPixel = 15.0;
inline int TwipsToPixels(double twips) {
    return qRound(twips / TwipsPerPixel);
}
inline double PixelsToTwips(int pixels) {
    return pixels * TwipsPerPixel;
}
