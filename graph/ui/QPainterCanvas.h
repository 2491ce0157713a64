// The plot library's canvas over a QPainter: the graph image, SVG and PNG output and printer pages.
#pragma once

#include "graph/canvas.h"
#include "graph/print.h"

#include <QFont>
#include <QPainter>
#include <QPen>
#include <QPoint>

class QPagedPaintDevice;

// The Qt font for a canvas font; a family missing on this machine falls back to the system's
// sans-serif font where "Arial" is named.
QFont ResolveFont(const Font &font);

// A canvas drawing through a painter that the caller begins and ends. Pen, brush and font are kept
// here and handed to the painter with every drawing, so they survive a painter restarted on a new
// device. Drawing is not antialiased, like the window-system canvas it stands for.
class QPainterCanvas : public Canvas {
public:
    explicit QPainterCanvas(QPainter &painter);

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void TextOut(int x, int y, const std::string &text) override;
    int TextWidth(const std::string &text) override;
    int TextHeight(const std::string &text) override;
    int FontHeight() override;
    Pen GetPen() const override { return m_pen; }
    void SetPen(const Pen &pen) override { m_pen = pen; }
    Brush GetBrush() const override { return m_brush; }
    void SetBrush(const Brush &brush) override { m_brush = brush; }
    Font GetFont() const override { return m_font; }
    void SetFont(const Font &font) override;
    Color WindowColor() const override;

private:
    void ApplyPen();
    QFontMetrics Metrics() const;

    QPainter &m_painter;
    QPoint m_position;
    Pen m_pen;
    Brush m_brush;
    Font m_font;
    QFont m_qfont;
    // The Qt pen of the pen m_qpenOf, made again when the pen changes.
    QPen m_qpen;
    Pen m_qpenOf;
};

// A printer page device over a paged paint device (QPrinter, QPdfWriter); a job is the painter's
// begin to end on it.
class QPainterPageDevice : public PageDevice {
public:
    explicit QPainterPageDevice(QPagedPaintDevice &device);

    int PageWidth() const override;
    int PageHeight() const override;
    void BeginJob() override;
    void NewPage() override;
    int PageNumber() const override { return m_page; }
    void EndJob() override;

    void MoveTo(int x, int y) override { m_canvas.MoveTo(x, y); }
    void LineTo(int x, int y) override { m_canvas.LineTo(x, y); }
    void Rectangle(int l, int t, int r, int b) override { m_canvas.Rectangle(l, t, r, b); }
    void TextOut(int x, int y, const std::string &text) override { m_canvas.TextOut(x, y, text); }
    int TextWidth(const std::string &text) override { return m_canvas.TextWidth(text); }
    int TextHeight(const std::string &text) override { return m_canvas.TextHeight(text); }
    int FontHeight() override { return m_canvas.FontHeight(); }
    Pen GetPen() const override { return m_canvas.GetPen(); }
    void SetPen(const Pen &pen) override { m_canvas.SetPen(pen); }
    Brush GetBrush() const override { return m_canvas.GetBrush(); }
    void SetBrush(const Brush &brush) override { m_canvas.SetBrush(brush); }
    Font GetFont() const override { return m_canvas.GetFont(); }
    void SetFont(const Font &font) override { m_canvas.SetFont(font); }
    Color WindowColor() const override { return Colors::White; } // paper

private:
    QPagedPaintDevice &m_device;
    QPainter m_painter;
    QPainterCanvas m_canvas;
    int m_page = 0;
};
