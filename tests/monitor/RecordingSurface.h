#pragma once

#include "monitor/IDrawSurface.h"

#include <string>
#include <vector>

// Records every drawing call. Text extents come from a fixed-pitch font: 7 pixels a character,
// 12 pixels high.
class RecordingSurface : public IDrawSurface {
public:
    static constexpr int kCharWidth = 7;
    static constexpr int kTextHeight = 12;

    enum class Kind { Fill, SetPen, MoveTo, LineTo, Text };
    struct Call {
        Kind kind;
        Rect rect;
        Colour colour;
        Pen pen;
        int x = 0;
        int y = 0;
        std::string text;
        int align = 0;
    };

    void FillRect(const Rect& rect, Colour colour) override {
        calls.push_back({Kind::Fill, rect, colour, {}, 0, 0, {}, 0});
    }
    void SetPen(const Pen& pen) override {
        calls.push_back({Kind::SetPen, {}, pen.colour, pen, 0, 0, {}, 0});
    }
    void MoveTo(int x, int y) override { calls.push_back({Kind::MoveTo, {}, {}, {}, x, y, {}, 0}); }
    void LineTo(int x, int y) override { calls.push_back({Kind::LineTo, {}, {}, {}, x, y, {}, 0}); }
    void DrawText(int x, int y, const std::string& text, int align, Colour colour) override {
        calls.push_back({Kind::Text, {}, colour, {}, x, y, text, align});
    }
    TextSize TextExtent(const std::string& text) override {
        return {static_cast<int>(text.size()) * kCharWidth, kTextHeight};
    }

    std::vector<Call> Of(Kind kind) const {
        std::vector<Call> out;
        for (const Call& c : calls)
            if (c.kind == kind)
                out.push_back(c);
        return out;
    }
    // The calls after the last SetPen with this pen colour.
    std::vector<Call> After(Colour penColour) const {
        std::vector<Call> out;
        for (const Call& c : calls) {
            if (c.kind == Kind::SetPen) {
                if (c.pen.colour == penColour)
                    out.clear();
                continue;
            }
            out.push_back(c);
        }
        return out;
    }
    const Call* FindText(const std::string& text) const {
        for (const Call& c : calls)
            if (c.kind == Kind::Text && c.text == text)
                return &c;
        return nullptr;
    }

    std::vector<Call> calls;
};
