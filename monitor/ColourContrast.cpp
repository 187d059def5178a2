#include "monitor/ColourContrast.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {
// sRGB channel to linear light, once per value: lists ask for it at every cell they paint.
double Linear(uint8_t channel) {
    static const auto table = [] {
        std::array<double, 256> t{};
        for (std::size_t i = 0; i < t.size(); ++i) {
            double c = static_cast<double>(i) / 255.0;
            t[i] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        return t;
    }();
    return table[channel];
}

uint8_t Mix(uint8_t from, uint8_t to, double t) {
    return static_cast<uint8_t>(std::lround(from + (to - from) * t));
}
} // namespace

double RelativeLuminance(Colour c) {
    return 0.2126 * Linear(c.r) + 0.7152 * Linear(c.g) + 0.0722 * Linear(c.b);
}

double ContrastRatio(Colour a, Colour b) {
    double la = RelativeLuminance(a);
    double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Colour ReadableOn(Colour colour, Colour background, double minimum) {
    if (ContrastRatio(colour, background) >= minimum)
        return colour;
    // Black reaches more contrast on a light background, white on a dark one.
    const Colour target = ContrastRatio(Colour{0, 0, 0}, background) >=
                                  ContrastRatio(Colour{255, 255, 255}, background)
                              ? Colour{0, 0, 0}
                              : Colour{255, 255, 255};
    // A grey (the palette's text) becomes plain black or white; a colour keeps its hue.
    if (std::max({colour.r, colour.g, colour.b}) - std::min({colour.r, colour.g, colour.b}) < 40)
        return target;
    for (int step = 1; step <= 20; ++step) {
        double t = step / 20.0;
        Colour mixed{Mix(colour.r, target.r, t), Mix(colour.g, target.g, t),
                     Mix(colour.b, target.b, t)};
        if (ContrastRatio(mixed, background) >= minimum)
            return mixed;
    }
    return target;
}
