// The graph image: the picture of the graph, and what is drawn over it.
#include "app/GraphImage.h"

#include "app/ProgramText.h"
#include "graph/ui/QPainterCanvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace {

const QColor PinColour(200, 90, 0);

} // namespace

TGrImage::TGrImage(QWidget *parent) : QWidget(parent) {
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TGrImage::~TGrImage() {
    m_canvas.reset();
    m_painter.reset();
}

void TGrImage::NewPicture() {
    // The painter lets go of the old picture before it is replaced.
    m_canvas.reset();
    m_painter.reset();
    m_picture = QImage(qMax(1, width()), qMax(1, height()), QImage::Format_RGB32);
    m_picture.fill(Qt::white);
    m_painter = std::make_unique<QPainter>(&m_picture);
    m_canvas = std::make_unique<QPainterCanvas>(*m_painter);
    update();
}

void TGrImage::LoadPicture(const QImage &image) {
    m_canvas.reset();
    m_painter.reset();
    m_picture = image.convertToFormat(QImage::Format_RGB32);
    m_painter = std::make_unique<QPainter>(&m_picture);
    m_canvas = std::make_unique<QPainterCanvas>(*m_painter);
    update();
}

void TGrImage::SetMarker(const QPoint &at) {
    if (at == m_marker) return;
    m_marker = at;
    update();
}

void TGrImage::SetPin(int x, int top, int bottom, const QPoint &ring) {
    if (x == m_pinX && top == m_pinTop && bottom == m_pinBottom && ring == m_pinRing) return;
    m_pinX = x;
    m_pinTop = top;
    m_pinBottom = bottom;
    m_pinRing = ring;
    update();
}

void TGrImage::SetGreyed(bool greyed, const QString &note) {
    if (greyed == m_greyed && (note == m_note || !greyed)) return;
    m_greyed = greyed;
    m_note = greyed ? note : QString();
    update();
}

void TGrImage::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.drawImage(0, 0, m_picture);
    if (m_greyed) {
        painter.fillRect(rect(), QColor(240, 240, 240, 170));
        if (!m_note.isEmpty()) {
            // The note across the top, clear of the axis labels at the left.
            painter.setFont(ArialFont(12));
            const QRect text =
                painter.fontMetrics()
                    .boundingRect(rect().adjusted(60, 6, -60, 0), Qt::AlignHCenter | Qt::TextWordWrap, m_note)
                    .adjusted(-6, -3, 6, 3);
            painter.setPen(QColor(120, 120, 120));
            painter.setBrush(QColor(255, 255, 240, 230));
            painter.drawRect(text);
            painter.setPen(Qt::black);
            painter.drawText(text, Qt::AlignCenter | Qt::TextWordWrap, m_note);
        }
    }
    if (m_pinX >= 0) {
        painter.setPen(QPen(PinColour, 1, Qt::DashLine));
        painter.drawLine(m_pinX, m_pinTop, m_pinX, m_pinBottom);
        if (!m_pinRing.isNull()) {
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(PinColour, 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(QPointF(m_pinRing), 4, 4);
            painter.setRenderHint(QPainter::Antialiasing, false);
        }
    }
    if (!m_marker.isNull()) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0, 0, 255), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QPointF(m_marker), 4, 4);
    }
}

void TGrImage::mouseMoveEvent(QMouseEvent *event) {
    const QPoint p = event->position().toPoint();
    emit mouseMoved(p.x(), p.y());
}

void TGrImage::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const QPoint p = event->position().toPoint();
    emit mousePressed(p.x(), p.y());
}

void TGrImage::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    const QPoint p = event->position().toPoint();
    emit mouseReleased(p.x(), p.y());
}

void TGrImage::wheelEvent(QWheelEvent *event) {
    const QPoint p = event->position().toPoint();
    const int angle = event->angleDelta().y();
    if (angle == 0) return QWidget::wheelEvent(event);
    event->accept();
    emit wheelTurned(p.x(), p.y(), angle);
}

void TGrImage::leaveEvent(QEvent *event) {
    QWidget::leaveEvent(event);
    emit mouseLeft();
}
