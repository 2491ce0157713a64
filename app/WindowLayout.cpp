// The main window's layout: graph row over program row with a splitter between them, status line.
#include "app/WindowLayout.h"

#include "app/GraphView.h"
#include "app/ProgramBook.h"
#include "app/StatusLine.h"
#include "app/SummaryPanel.h"
#include "romfiles/ui/Prefdlg.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// Design geometry of the program row, in pixels: the buttons' tops are 1 pixel below the tabs' top.
constexpr int ButtonLeft = 8, ButtonWidth = 72, ButtonHeight = 18, LargeButtonHeight = 20;
constexpr int ButtonTops[7] = {1, 23, 45, 67, 89, 111, 133};
constexpr int TabLeft = 88;
// The lowest the rows go: the graph still readable, the button column whole.
constexpr int MinGraphRow = 100, MinProgramRow = 170;
// The summary beside the graph: at least this wide, and only in a window three times as wide.
constexpr int SummaryMinWidth = 200;

} // namespace

TWindowLayout::TWindowLayout(QWidget *client, const WindowPieces &pieces)
    : QObject(client), m_client(client), m_pieces(pieces) {
    m_graphShare = std::clamp(PreferenceValue(GraphShareKey, DefaultGraphShare).toDouble(), 0.15, 0.85);
    m_summaryWidth = std::max(0, PreferenceValue(SummaryWidthKey, 0).toInt());

    m_rows = new QSplitter(Qt::Vertical, client);
    m_rows->setObjectName("GraphSplitter");
    m_rows->setChildrenCollapsible(false);
    m_graphRow = new QSplitter(Qt::Horizontal, m_rows);
    m_graphRow->setObjectName("GraphRow");
    m_graphRow->setChildrenCollapsible(false);
    m_graphColumn = new QWidget(m_graphRow);
    m_graphColumn->setObjectName("GraphColumn");
    auto *column = new QVBoxLayout(m_graphColumn);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addWidget(pieces.graph, 1);
    for (QLabel *line : pieces.underGraph) {
        line->setParent(m_graphColumn);
        line->setFixedHeight(TGraphView::CursorStripLineHeight);
        // A long line is cut at the graph's width rather than widening the column.
        line->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        column->addWidget(line);
    }
    m_graphRow->addWidget(m_graphColumn);
    m_graphRow->addWidget(pieces.summary);
    m_graphRow->setStretchFactor(0, 1);
    m_graphRow->setStretchFactor(1, 0);
    m_graphRow->setMinimumHeight(MinGraphRow);

    m_programRow = new QWidget(m_rows);
    m_programRow->setObjectName("ProgramRow");
    m_programRow->setMinimumHeight(MinProgramRow);
    for (QPushButton *button : pieces.buttons) button->setParent(m_programRow);
    pieces.programLabel->setParent(m_programRow);
    pieces.programs->setParent(m_programRow);
    m_rows->addWidget(m_graphRow);
    m_rows->addWidget(m_programRow);

    connect(m_rows, &QSplitter::splitterMoved, this, &TWindowLayout::RowsMoved);
    connect(m_graphRow, &QSplitter::splitterMoved, this, &TWindowLayout::SummaryMoved);
    client->installEventFilter(this);
    m_programRow->installEventFilter(this);
    SetButtonsLarge(false);
}

bool TWindowLayout::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Resize) {
        if (watched == m_client) PlaceClient();
        if (watched == m_programRow) PlaceProgramRow();
    }
    return QObject::eventFilter(watched, event);
}

// The rows fill the client above the status line, in the share the user last gave them; the summary
// keeps its width.
void TWindowLayout::PlaceClient() {
    const int width = m_client->width(), height = m_client->height();
    m_pieces.status->Place(width, height);
    m_placing = true;
    m_rows->setGeometry(0, 0, width, std::max(0, height - TStatusLine::Height));
    const int rows = std::max(0, m_rows->height() - m_rows->handleWidth());
    const int graph = std::clamp(static_cast<int>(std::lround(m_graphShare * rows)), MinGraphRow,
                                 std::max(MinGraphRow, rows - MinProgramRow));
    m_rows->setSizes({graph, std::max(0, rows - graph)});
    SetSummaryShown(m_summaryWanted);
    m_placing = false;
}

void TWindowLayout::SetSummaryShown(bool shown) {
    m_summaryWanted = shown;
    const int width = m_client->width();
    const bool visible = shown && width >= 3 * SummaryMinWidth;
    m_pieces.summary->setVisible(visible);
    m_graphRow->refresh(); // the graph takes the room at once
    if (!visible) return;
    int summary =
        m_summaryWidth > 0 ? m_summaryWidth : std::min(m_pieces.summary->WantedWidth(), width * 2 / 5);
    summary = std::clamp(summary, SummaryMinWidth, std::max(SummaryMinWidth, width / 2));
    const bool placing = m_placing;
    m_placing = true;
    m_graphRow->setSizes({std::max(0, width - summary - m_graphRow->handleWidth()), summary});
    m_placing = placing;
}

// The tabs take the row right of the button column; "Program:" stands at the column's foot.
void TWindowLayout::PlaceProgramRow() {
    const int width = m_programRow->width(), height = m_programRow->height();
    m_pieces.programs->setGeometry(TabLeft, 0, std::max(0, width - TabLeft - 4), height);
    m_pieces.programLabel->setGeometry(ButtonLeft, height - 20, ButtonWidth, 16);
    const int room = m_pieces.programLabel->y() - m_pieces.buttons.back()->y();
    if (!m_largeButtons && room > 50)
        SetButtonsLarge(true);
    else if (m_largeButtons && room <= 50)
        SetButtonsLarge(false);
}

void TWindowLayout::SetButtonsLarge(bool large) {
    for (std::size_t i = 0; i < m_pieces.buttons.size() && i < 7; ++i) {
        const int shift = large ? 2 * static_cast<int>(i + 1) : 0;
        m_pieces.buttons[i]->setGeometry(ButtonLeft, ButtonTops[i] + shift, ButtonWidth,
                                         large ? LargeButtonHeight : ButtonHeight);
    }
    m_largeButtons = large;
}

void TWindowLayout::RowsMoved() {
    if (m_placing) return;
    const QList<int> sizes = m_rows->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    if (total <= 0) return;
    m_graphShare = static_cast<double>(sizes.value(0)) / total;
    SetPreferenceValue(GraphShareKey, m_graphShare);
}

void TWindowLayout::SummaryMoved() {
    if (m_placing || !m_pieces.summary->isVisible()) return;
    m_summaryWidth = m_graphRow->sizes().value(1);
    SetPreferenceValue(SummaryWidthKey, m_summaryWidth);
}
