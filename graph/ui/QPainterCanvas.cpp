// The plot library's canvas over a QPainter: the graph image, SVG and PNG output and printer pages.
#include "graph/ui/QPainterCanvas.h"

#include "uikit/Latin1.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPagedPaintDevice>
#include <QPalette>

#include <cmath>

namespace {

QColor ToQColor(Color c) { return QColor(c.r, c.g, c.b); }

Qt::PenStyle ToQPenStyle(PenStyle style) {
    switch (style) {
    case PenStyle::Solid:
        return Qt::SolidLine;
    case PenStyle::Dash:
        return Qt::DashLine;
    case PenStyle::Dot:
        return Qt::DotLine;
    case PenStyle::Clear:
        return Qt::NoPen;
    }
    return Qt::SolidLine;
}

QPen ToQPen(const Pen &pen) {
    QPen qpen(ToQColor(pen.color));
    qpen.setWidth(pen.width > 1 ? pen.width : 0); // 0: the one-pixel cosmetic pen
    qpen.setStyle(ToQPenStyle(pen.style));
    qpen.setCapStyle(Qt::RoundCap);
    qpen.setJoinStyle(Qt::RoundJoin);
    return qpen;
}

} // namespace

QFont ResolveFont(const Font &font) {
    QString family = FromLatin1(font.name);
    if (!QFontDatabase::hasFamily(family) && family.compare("Arial", Qt::CaseInsensitive) == 0)
        family = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    QFont qfont(family);
    qfont.setStyleHint(QFont::SansSerif);
    qfont.setPointSize(font.pointSize > 0 ? font.pointSize : 8);
    qfont.setBold(font.bold);
    return qfont;
}

QPainterCanvas::QPainterCanvas(QPainter &painter)
    : m_painter(painter), m_qfont(ResolveFont(m_font)), m_qpen(ToQPen(m_pen)), m_qpenOf(m_pen) {}

void QPainterCanvas::ApplyPen() {
    // A trace draws thousands of lines with one pen: its Qt pen is made once. The painter is given it
    // with every line all the same (a text or a restarted painter changes the painter's pen).
    if (!(m_qpenOf == m_pen)) {
        m_qpen = ToQPen(m_pen);
        m_qpenOf = m_pen;
    }
    m_painter.setPen(m_qpen);
    m_painter.setRenderHint(QPainter::Antialiasing, false);
}

QFontMetrics QPainterCanvas::Metrics() const {
    if (m_painter.isActive()) return QFontMetrics(m_qfont, m_painter.device());
    return QFontMetrics(m_qfont);
}

void QPainterCanvas::MoveTo(int x, int y) { m_position = QPoint(x, y); }

void QPainterCanvas::LineTo(int x, int y) {
    const QPoint end(x, y);
    if (m_painter.isActive()) {
        ApplyPen();
        m_painter.drawLine(m_position, end);
    }
    m_position = end;
}

void QPainterCanvas::Rectangle(int left, int top, int right, int bottom) {
    if (!m_painter.isActive() || right <= left || bottom <= top) return;
    // Left..Right-1 by Top..Bottom-1, outline included.
    if (m_brush.style == BrushStyle::Solid)
        m_painter.fillRect(QRect(left, top, right - left, bottom - top), ToQColor(m_brush.color));
    if (m_pen.style != PenStyle::Clear) {
        ApplyPen();
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
    }
}

void QPainterCanvas::TextOut(int x, int y, const std::string &text) {
    if (!m_painter.isActive() || text.empty()) return;
    m_painter.setFont(m_qfont);
    m_painter.setPen(Qt::black);
    m_painter.drawText(QPoint(x, y + Metrics().ascent()), FromLatin1(text));
}

int QPainterCanvas::TextWidth(const std::string &text) {
    return Metrics().horizontalAdvance(FromLatin1(text));
}

int QPainterCanvas::TextHeight(const std::string &) { return Metrics().height(); }

int QPainterCanvas::FontHeight() {
    const int dpi = m_painter.isActive() ? m_painter.device()->logicalDpiY() : 96;
    return static_cast<int>(std::lround(m_qfont.pointSizeF() * dpi / 72.0));
}

void QPainterCanvas::SetFont(const Font &font) {
    if (font == m_font) return; // resolving a family asks the font database, which is slow
    m_font = font;
    m_qfont = ResolveFont(font);
}

Color QPainterCanvas::WindowColor() const {
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) return Colors::White;
    const QColor c = QGuiApplication::palette().color(QPalette::Base);
    return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue())};
}

QPainterPageDevice::QPainterPageDevice(QPagedPaintDevice &device) : m_device(device), m_canvas(m_painter) {}

int QPainterPageDevice::PageWidth() const { return m_device.width(); }

int QPainterPageDevice::PageHeight() const { return m_device.height(); }

void QPainterPageDevice::BeginJob() {
    m_painter.begin(&m_device);
    m_page = 1;
}

void QPainterPageDevice::NewPage() {
    m_device.newPage();
    ++m_page;
}

void QPainterPageDevice::EndJob() {
    if (m_painter.isActive()) m_painter.end();
}
