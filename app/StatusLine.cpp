// The status line of the main window: the step under the mouse at its left, the caret and the graph
// position at its right, and the panel that says what a long command is doing.
#include "app/StatusLine.h"

#include "app/ProgramText.h"

#include <QLabel>

TStatusLine::TStatusLine(QWidget *client) : QObject(client) {
    m_bar = new QLabel(client);
    m_bar->setObjectName("StatusBar");
    m_bar->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_bar->setFont(ArialFont(11));
    QPalette pal = m_bar->palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    m_bar->setPalette(pal);

    m_progress = new QLabel("Status", client);
    m_progress->setObjectName("StatusPanel");
    m_progress->setFrameShape(QFrame::Box);
    m_progress->setAlignment(Qt::AlignCenter);
    m_progress->setAutoFillBackground(true);
    m_progress->hide();

    m_readout = new QLabel(client);
    m_readout->setObjectName("CursorReadout");
    m_readout->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_readout->setFont(ArialFont(11));
    m_readout->setPalette(pal);
}

void TStatusLine::Place(int width, int height) {
    const int top = height - Height;
    m_bar->setGeometry(0, top, width, Height);
    // Over the left of the status line, clear of the graph's axis labels.
    m_progress->setGeometry(0, top, 240, Height);
    // The read-out shares the line, left of the caret and graph position text.
    m_readout->setGeometry(4, top, qMax(0, width - 340), Height);
}

QString TStatusLine::PositionText(int line, int column, QPointF graph) {
    return QString("Line:%1 Col:%2     Graph Pos: (%3,%4)")
        .arg(line)
        .arg(column)
        .arg(graph.x(), 0, 'f', 2)
        .arg(graph.y(), 0, 'f', 2);
}

void TStatusLine::ShowPosition(int line, int column, QPointF graph) {
    m_bar->setText(PositionText(line, column, graph));
}

void TStatusLine::ShowProgress(const QString &text) {
    m_progress->setText(text);
    m_progress->show();
    m_progress->raise();
    m_progress->repaint();
}

void TStatusLine::HideProgress() { m_progress->hide(); }

void TStatusLine::ShowReadout(const QString &text) { m_readout->setText(text); }
