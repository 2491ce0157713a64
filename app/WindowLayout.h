// The main window's layout: the graph row (the graph with the lines under it, the summary beside it)
// over the program row (the command buttons and the program tabs), a splitter between the two rows,
// and the status line along the bottom.
#pragma once

#include <QObject>

#include <vector>

class QLabel;
class QPushButton;
class QSplitter;
class QWidget;
class TGraphView;
class TProgramBook;
class TStatusLine;
class TSummaryPanel;

// What the layout places; made by the window, in the client area.
struct WindowPieces {
    TGraphView *graph;
    std::vector<QLabel *> underGraph; // the lines under the graph, each shown only when it has something
    TSummaryPanel *summary;
    std::vector<QPushButton *> buttons; // the command buttons, top to bottom
    QLabel *programLabel;               // "Program:", at the foot of the button column
    TProgramBook *programs;
    TStatusLine *status;
};

class TWindowLayout : public QObject {
    Q_OBJECT
public:
    // The share of the two rows' height that the graph row takes at first.
    static constexpr double DefaultGraphShare = 0.45;
    // Settings keys: the graph row's share of the height and the summary's width, kept from one
    // start to the next.
    static constexpr const char *GraphShareKey = "view/graphShare";
    static constexpr const char *SummaryWidthKey = "view/summaryWidth";

    TWindowLayout(QWidget *client, const WindowPieces &pieces);

    QSplitter *Splitter() const { return m_rows; }     // graph row over program row
    QSplitter *GraphRow() const { return m_graphRow; } // graph column beside the summary
    double GraphShare() const { return m_graphShare; }
    // The summary beside the graph, when the window is wide enough for it.
    void SetSummaryShown(bool shown);
    // The command buttons are 20 pixels high (18 as designed) while the column has room for it.
    bool LargeButtons() const { return m_largeButtons; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void PlaceClient();
    void PlaceProgramRow();
    void SetButtonsLarge(bool large);
    void RowsMoved();
    void SummaryMoved();

    QWidget *m_client;
    WindowPieces m_pieces;
    QSplitter *m_rows;
    QSplitter *m_graphRow;
    QWidget *m_graphColumn;
    QWidget *m_programRow;
    double m_graphShare;
    int m_summaryWidth; // pixels; 0 until the summary is first shown
    bool m_summaryWanted = true;
    bool m_largeButtons = false;
    bool m_placing = false; // the layout itself is moving the splitters
};
