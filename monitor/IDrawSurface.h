#pragma once

#include <cstdint>
#include <string>

// Colour of 8-bit red, green and blue.
struct Colour {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};

// A pixel rectangle; right and bottom are one past the last pixel.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Pen {
    int width = 1;
    Colour colour;
    friend bool operator==(const Pen&, const Pen&) = default;
};

struct TextSize {
    int width = 0;
    int height = 0;
};

// Text alignment flags for DrawText: one horizontal and one vertical flag, or-ed together. The
// reference point (x, y) is the text's left, right edge or centre, and its top, bottom or middle.
inline constexpr int kAlignLeft = 0x0;
inline constexpr int kAlignRight = 0x1;
inline constexpr int kAlignHCenter = 0x2;
inline constexpr int kAlignTop = 0x0;
inline constexpr int kAlignBottom = 0x4;
inline constexpr int kAlignVCenter = 0x8;

// What the graph and the meter draw with. The widget implements it over its painter, with the
// default dialog font (scaled for a printer by its vertical resolution against the screen's);
// text is drawn with a transparent background. Coordinates are device pixels.
class IDrawSurface {
public:
    virtual ~IDrawSurface() = default;
    // Fills [left, right) x [top, bottom); never called with an empty rectangle.
    virtual void FillRect(const Rect& rect, Colour colour) = 0;
    // The pen the following LineTo calls draw with (solid).
    virtual void SetPen(const Pen& pen) = 0;
    virtual void MoveTo(int x, int y) = 0;
    // A line from the current position to (x, y), which becomes the current position.
    virtual void LineTo(int x, int y) = 0;
    virtual void DrawText(int x, int y, const std::string& text, int align, Colour colour) = 0;
    virtual TextSize TextExtent(const std::string& text) = 0;
};
