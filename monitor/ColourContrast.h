#pragma once

#include "monitor/IDrawSurface.h"

// Contrast of text and marks against their background, as the web's accessibility guidelines
// measure it: a ratio from 1 (same luminance) to 21 (black on white).

// Relative luminance of an sRGB colour, 0 to 1.
double RelativeLuminance(Colour c);
double ContrastRatio(Colour a, Colour b);

// Text needs 4.5, marks such as a trace or a bar 3.
inline constexpr double kTextContrast = 4.5;
inline constexpr double kMarkContrast = 3.0;

// colour itself when it reaches minimum against background; else black or white (whichever
// the background leaves more room for), a colour moved toward it only as far as it must.
Colour ReadableOn(Colour colour, Colour background, double minimum = kTextContrast);
