// The graph image: the picture of the graph, and what is drawn over it (never into it): the read-out
// marker, the pinned cursor, the veil of an out-of-date picture.
#pragma once

#include "graph/canvas.h"

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <memory>

class QPainter;

// The graph image: shows a bitmap, cross-hair cursor, reports mouse movement, presses, releases and
// the wheel in image pixels.
class TGrImage : public QWidget {
    Q_OBJECT
public:
    explicit TGrImage(QWidget *parent = nullptr);
    ~TGrImage() override;
    QImage &Picture() { return m_picture; }
    // A new blank bitmap of the control's size replaces the picture; the canvas draws on it.
    void NewPicture();
    // The picture becomes the image (its size too), as loading a bitmap file into it does.
    void LoadPicture(const QImage &image);
    ::Canvas &Canvas() { return *m_canvas; }
    // A small ring drawn over the picture (not into it) at a pixel; a null point hides it.
    void SetMarker(const QPoint &at);
    QPoint Marker() const { return m_marker; }
    // The pinned cursor: a dashed line down the plot area at a pixel column, and a ring where it meets
    // the trace (none when the point is null); x < 0 hides it.
    void SetPin(int x, int top, int bottom, const QPoint &ring);
    int PinX() const { return m_pinX; }
    // A pale veil over the picture (not in it) with a note saying why: what it shows is out of date.
    void SetGreyed(bool greyed, const QString &note = {});
    bool Greyed() const { return m_greyed; }
    QString Note() const { return m_note; }
signals:
    void mouseMoved(int x, int y);
    void mousePressed(int x, int y);
    void mouseReleased(int x, int y);
    // Eighths of a degree, positive away from the user, as the wheel event counts them.
    void wheelTurned(int x, int y, int angle);
    void mouseLeft();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QImage m_picture;
    std::unique_ptr<QPainter> m_painter; // open on the picture while it is shown
    std::unique_ptr<::Canvas> m_canvas;
    QPoint m_marker;
    int m_pinX = -1, m_pinTop = 0, m_pinBottom = 0;
    QPoint m_pinRing;
    bool m_greyed = false;
    QString m_note;
};
