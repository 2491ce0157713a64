// A canvas that records what is drawn, with fixed text metrics: every character 6 pixels wide,
// every text 12 pixels high.
#pragma once

#include "graph/canvas.h"
#include "graph/print.h"

#include <string>
#include <vector>

struct RecordedLine {
    int x1, y1, x2, y2;
    Pen pen;
};
struct RecordedText {
    int x, y;
    std::string text;
    Font font;
};
struct RecordedRectangle {
    int left, top, right, bottom;
    Pen pen;
    Brush brush;
};

class RecordingCanvas : public Canvas {
public:
    static constexpr int CharWidth = 6;
    static constexpr int CharHeight = 12;

    std::vector<RecordedLine> lines;
    std::vector<RecordedText> texts;
    std::vector<RecordedRectangle> rectangles;
    int fontHeight = 20; // FontHeight() for every font

    void Clear() {
        lines.clear();
        texts.clear();
        rectangles.clear();
    }
    // Lines of nonzero length.
    std::vector<RecordedLine> DrawnLines() const {
        std::vector<RecordedLine> drawn;
        for (const auto &line : lines)
            if (line.x1 != line.x2 || line.y1 != line.y2) drawn.push_back(line);
        return drawn;
    }

    void MoveTo(int x, int y) override {
        m_x = x;
        m_y = y;
    }
    void LineTo(int x, int y) override {
        lines.push_back({m_x, m_y, x, y, m_pen});
        MoveTo(x, y);
    }
    void Rectangle(int left, int top, int right, int bottom) override {
        rectangles.push_back({left, top, right, bottom, m_pen, m_brush});
    }
    void TextOut(int x, int y, const std::string &text) override { texts.push_back({x, y, text, m_font}); }
    int TextWidth(const std::string &text) override { return CharWidth * static_cast<int>(text.size()); }
    int TextHeight(const std::string &) override { return CharHeight; }
    int FontHeight() override { return fontHeight; }
    Pen GetPen() const override { return m_pen; }
    void SetPen(const Pen &pen) override { m_pen = pen; }
    Brush GetBrush() const override { return m_brush; }
    void SetBrush(const Brush &brush) override { m_brush = brush; }
    Font GetFont() const override { return m_font; }
    void SetFont(const Font &font) override { m_font = font; }

private:
    int m_x = 0, m_y = 0;
    Pen m_pen;
    Brush m_brush;
    Font m_font{"Courier", 10, false};
};

// A page device drawing into a recording canvas; job events go into a log.
class RecordingPrinter : public PageDevice {
public:
    RecordingCanvas canvas;
    int width = 2000, height = 2700;
    std::vector<std::string> log; // "begin", "newpage", "end"
    int page = 0;

    int PageWidth() const override { return width; }
    int PageHeight() const override { return height; }
    void BeginJob() override {
        log.push_back("begin");
        page = 1;
    }
    void NewPage() override {
        log.push_back("newpage");
        ++page;
    }
    int PageNumber() const override { return page; }
    void EndJob() override { log.push_back("end"); }

    void MoveTo(int x, int y) override { canvas.MoveTo(x, y); }
    void LineTo(int x, int y) override { canvas.LineTo(x, y); }
    void Rectangle(int l, int t, int r, int b) override { canvas.Rectangle(l, t, r, b); }
    void TextOut(int x, int y, const std::string &text) override { canvas.TextOut(x, y, text); }
    int TextWidth(const std::string &text) override { return canvas.TextWidth(text); }
    int TextHeight(const std::string &text) override { return canvas.TextHeight(text); }
    int FontHeight() override { return canvas.FontHeight(); }
    Pen GetPen() const override { return canvas.GetPen(); }
    void SetPen(const Pen &pen) override { canvas.SetPen(pen); }
    Brush GetBrush() const override { return canvas.GetBrush(); }
    void SetBrush(const Brush &brush) override { canvas.SetBrush(brush); }
    Font GetFont() const override { return canvas.GetFont(); }
    void SetFont(const Font &font) override { canvas.SetFont(font); }
};
