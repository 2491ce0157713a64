// The status line of the main window: the step under the mouse at its left, the caret and the graph
// position at its right, and the panel that says what a long command is doing.
#pragma once

#include <QObject>
#include <QPointF>
#include <QString>

class QLabel;
class QWidget;

class TStatusLine : public QObject {
    Q_OBJECT
public:
    static constexpr int Height = 15; // pixels

    // The labels are made in the client area of the window.
    explicit TStatusLine(QWidget *client);

    QLabel *Bar() const { return m_bar; }           // caret and graph position
    QLabel *Progress() const { return m_progress; } // what a long command is doing, over the buttons
    QLabel *Readout() const { return m_readout; }   // the step under the mouse

    // The line along the bottom of a client area of that size.
    void Place(int width, int height);
    // "Line:7 Col:3     Graph Pos: (1.25,-30.00)".
    static QString PositionText(int line, int column, QPointF graph);
    void ShowPosition(int line, int column, QPointF graph);

public slots:
    void ShowProgress(const QString &text);
    void HideProgress();
    void ShowReadout(const QString &text);

private:
    QLabel *m_bar, *m_progress, *m_readout;
};
