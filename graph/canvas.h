// The drawing surface of the plot library: a small canvas interface with pen, brush, font and text.
#pragma once

#include <cstdint>
#include <string>

struct Color {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Color &, const Color &) = default;
};
namespace Colors {
constexpr Color Black{0, 0, 0};
constexpr Color White{255, 255, 255};
constexpr Color Red{255, 0, 0};
constexpr Color Yellow{255, 255, 0};
constexpr Color Aqua{0, 255, 255};
constexpr Color Lime{0, 255, 0};
} // namespace Colors

enum class PenStyle { Solid, Dash, Dot, Clear };
enum class BrushStyle { Solid, Clear };

struct Pen {
    Color color = Colors::Black;
    int width = 1;
    PenStyle style = PenStyle::Solid;
    friend bool operator==(const Pen &, const Pen &) = default;
};
struct Brush {
    Color color = Colors::White;
    BrushStyle style = BrushStyle::Solid;
    friend bool operator==(const Brush &, const Brush &) = default;
};
struct Font {
    std::string name = "Arial";
    int pointSize = 8;
    bool bold = false;
    friend bool operator==(const Font &, const Font &) = default;
};

// Device pixels, y growing downward. Rectangle draws the outline with the pen and fills the
// inside with the brush, covering Left..Right-1 by Top..Bottom-1 as a window-system canvas does.
class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    virtual void TextOut(int x, int y, const std::string &text) = 0; // top-left corner at (x, y)
    virtual int TextWidth(const std::string &text) = 0;
    virtual int TextHeight(const std::string &text) = 0;
    // Character height of the current font in device pixels (point size at the device's resolution).
    virtual int FontHeight() = 0;
    virtual Pen GetPen() const = 0;
    virtual void SetPen(const Pen &pen) = 0;
    virtual Brush GetBrush() const = 0;
    virtual void SetBrush(const Brush &brush) = 0;
    virtual Font GetFont() const = 0;
    virtual void SetFont(const Font &font) = 0;
    virtual Color WindowColor() const { return Colors::White; } // the system window colour
};
