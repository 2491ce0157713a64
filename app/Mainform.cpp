// The main window: graph on top, command buttons at the left, 16 program editors on tabs, status line.
#include "app/Mainform.h"

#include "app/About.h"
#include "app/Helpview.h"
#include "compiler/compile.h"
#include "compiler/state.h"
#include "compiler/summary.h"
#include "compiler/ui/Errdial.h"
#include "compiler/ui/Highlighter.h"
#include "graph/graphview.h"
#include "graph/plot.h"
#include "graph/programgraph.h"
#include "graph/ui/Auxbview.h"
#include "graph/ui/Printwht.h"
#include "graph/ui/QPainterCanvas.h"
#include "romfiles/build.h"
#include "romfiles/exporters.h"
#include "romfiles/fileio.h"
#include "romfiles/ui/Exportf.h"
#include "romfiles/ui/FirstRun.h"
#include "romfiles/ui/Importf.h"
#include "romfiles/ui/Prefdlg.h"
#include "romfiles/ui/Reportdlg.h"
#include "romfiles/ui/Templatedlg.h"
#include "uikit/Forms.h"
#include "uikit/Modal.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStackedWidget>
#include <QTabBar>
#include <QTextBlock>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <set>

namespace {

const QStringList kSetFilters = {"Rom Files (*.rom)", "Text Files (*.txt)", "All Files (*.*)"};

QString FromLatin1(const std::string &text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

// Design geometry of the form, in pixels.
constexpr int ButtonLeft = 8, ButtonWidth = 72, ButtonHeight = 18, LargeButtonHeight = 20;
constexpr int ButtonTops[7] = {210, 232, 254, 276, 298, 320, 342};
constexpr int ImgPanelHeight = 201;
constexpr int TabLeft = 88, TabTop = ImgPanelHeight + 8;
constexpr int StatusBarHeight = 15;
// The summary panel beside the graph: wide enough for its longest line, at most a quarter of the row.
constexpr int SummaryMinWidth = 200;
const char *const SummaryHint = "Show a program to see its duration, steer extremes, steer rate, clock "
                                "rates, flags and high current here.";
constexpr const char *SummaryWidestLine = "Steps used      16383 of 16384, 999.999 s left at 2048 Hz";

// The tab bar of the program tabs: every tab 30 pixels wide, or as wide as the style needs for "15".
class TProgramTabs : public QTabBar {
public:
    using QTabBar::QTabBar;

protected:
    QSize tabSizeHint(int index) const override {
        // Equal tabs, as wide as the style needs for the widest caption.
        const QSize widest = QTabBar::tabSizeHint(count() - 1);
        return {qMax(30, widest.width()), QTabBar::tabSizeHint(index).height()};
    }
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
};

// "Courier New" when the machine has it, else the system's fixed-pitch font; 12-pixel characters.
QFont EditorFont() {
    QFont font = QFontDatabase::families().contains("Courier New")
                     ? QFont("Courier New")
                     : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(12);
    return font;
}

// "Arial" when present, else the system's sans-serif font, at the given pixel height.
QFont ArialFont(int pixels) {
    QFont font = QFontDatabase::families().contains("Arial") ? QFont("Arial") : QApplication::font();
    if (!QFontDatabase::families().contains("Arial")) font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    return font;
}

} // namespace

ProgramText ProgramLines(const QPlainTextEdit &editor) {
    // The raw text: toPlainText() turns every non-breaking space (the Latin-1 byte A0, also the second
    // byte of UTF-8 text such as "\xC3\xA0") into a blank. Lines end at paragraph and line separators,
    // as they do in the editor.
    QString text = editor.document()->toRawText();
    text.replace(QChar::ParagraphSeparator, '\n').replace(QChar::LineSeparator, '\n');
    ProgramText lines;
    if (text.isEmpty()) return lines;
    const QStringList parts = text.split('\n');
    lines.reserve(std::size_t(parts.size()));
    for (const QString &part : parts) lines.push_back(Latin1Line(part));
    if (text.endsWith('\n')) lines.pop_back();
    return lines;
}

namespace {

QString EditorText(const ProgramText &lines) {
    QString text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\n';
        text += QString::fromLatin1(lines[i].data(), qsizetype(lines[i].size()));
    }
    // A last empty line needs a break of its own: a break at the very end starts no line.
    if (!lines.empty() && lines.back().empty()) text += '\n';
    return text;
}

QString &RecentSetsPath() {
    static QString path;
    return path;
}

} // namespace

void SetProgramLines(QPlainTextEdit &editor, const ProgramText &lines) {
    editor.setPlainText(EditorText(lines));
    editor.document()->setModified(false);
}

void ReplaceProgramLines(QPlainTextEdit &editor, const ProgramText &lines) {
    QTextCursor cursor(editor.document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(EditorText(lines));
}

void SetRecentSetsFile(const QString &path) { RecentSetsPath() = path; }
QString RecentSetsFile() { return RecentSetsPath(); }

QString DroppedSetFile(const QMimeData *data) {
    if (!data || !data->hasUrls()) return {};
    for (const QUrl &url : data->urls())
        if (url.isLocalFile() && url.toLocalFile().endsWith(".rom", Qt::CaseInsensitive))
            return url.toLocalFile();
    return {};
}

TProgramText::TProgramText(QWidget *parent) : ProgramEditor(parent) {
    setFrameShape(QFrame::NoFrame);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(false);
    setFont(EditorFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Text, Qt::black);
    setPalette(pal);
}

void TProgramText::keyReleaseEvent(QKeyEvent *event) {
    ProgramEditor::keyReleaseEvent(event);
    emit caretMayHaveMoved();
}

void TProgramText::mousePressEvent(QMouseEvent *event) {
    ProgramEditor::mousePressEvent(event);
    emit caretMayHaveMoved();
}

void TProgramText::dragEnterEvent(QDragEnterEvent *event) {
    if (DroppedSetFile(event->mimeData()).isEmpty())
        ProgramEditor::dragEnterEvent(event);
    else
        event->acceptProposedAction();
}

void TProgramText::dragMoveEvent(QDragMoveEvent *event) {
    if (DroppedSetFile(event->mimeData()).isEmpty())
        ProgramEditor::dragMoveEvent(event);
    else
        event->acceptProposedAction();
}

void TProgramText::dropEvent(QDropEvent *event) {
    const QString set = DroppedSetFile(event->mimeData());
    if (set.isEmpty()) return ProgramEditor::dropEvent(event);
    event->acceptProposedAction();
    emit setDropped(set);
}

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

void TGrImage::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.drawImage(0, 0, m_picture);
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

TForm1::TForm1(QWidget *parent) : QMainWindow(parent) {
    setObjectName("Form1");
    setWindowTitle("Helmcraft - Untitled");
    CreateMenus();
    CreateControls();
    setAcceptDrops(true);
    if (!RecentSetsFile().isEmpty())
        m_recentSets = QSettings(RecentSetsFile(), QSettings::IniFormat).value("recentSets").toStringList();
    UpdateRecentMenu();
    resize(706, 542 + menuBar()->sizeHint().height());
    FormResize();
}

TForm1::~TForm1() = default;

void TForm1::CreateMenus() {
    File1 = menuBar()->addMenu("&File");
    New1 = File1->addAction("&New", QKeySequence(Qt::CTRL | Qt::Key_N), this, &TForm1::New1Click);
    Open1 = File1->addAction("&Open...", QKeySequence(Qt::CTRL | Qt::Key_O), this, &TForm1::Open1Click);
    RecentSets1 = File1->addMenu("R&ecent Sets");
    Save1 = File1->addAction("&Save", QKeySequence(Qt::CTRL | Qt::Key_S), this, &TForm1::Save1Click);
    SaveAs1 = File1->addAction("Save &As...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this,
                               &TForm1::SaveAs1Click);
    ExportCsv1 = File1->addAction("Export Steps as &CSV...", this, &TForm1::ExportCsv1Click);
    ExportCsv1->setStatusTip("Compile the current program and save its 16384 steps as CSV");
    ExportCsv1->setToolTip(ExportCsv1->statusTip());
    File1->addSeparator();
    Preferences1 = File1->addAction("Preferences...", this, &TForm1::Preferences1Click);
    EditorFont1 = File1->addAction("Editor Font", this, &TForm1::EditorFont1Click);
    EditorFont1->setStatusTip("Set the font for editor and printer");
    EditorFont1->setToolTip("Set the font for editor and printer");
    File1->addSeparator();
    Print1 = File1->addAction("&Print...", QKeySequence(Qt::CTRL | Qt::Key_P), this, &TForm1::Print1Click);
    PrintSetup1 = File1->addAction("P&rint Setup...", this, &TForm1::PrintSetup1Click);
    File1->addSeparator();
    Exit1 = File1->addAction("E&xit", QKeySequence(Qt::CTRL | Qt::Key_Q), this, &QWidget::close);
    File1->setToolTipsVisible(true);

    Edit1 = menuBar()->addMenu("&Edit");
    Clear1 = Edit1->addAction("Clear Program", this, &TForm1::Clear1Click);
    Edit1->addSeparator();
    Cut1 = Edit1->addAction("Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X), this,
                            [this] { CurrentEditor()->cut(); });
    Copy1 = Edit1->addAction("&Copy", QKeySequence(Qt::CTRL | Qt::Key_C), this,
                             [this] { CurrentEditor()->copy(); });
    Paste1 = Edit1->addAction("&Paste", QKeySequence(Qt::CTRL | Qt::Key_V), this,
                              [this] { CurrentEditor()->paste(); });
    SelectAll1 = Edit1->addAction("Se&lect All", QKeySequence(Qt::CTRL | Qt::Key_A), this,
                                  [this] { CurrentEditor()->selectAll(); });
    // The editors' own clipboard keys would make the menu shortcuts ambiguous: the menu owns them.
    for (QAction *action : {Cut1, Copy1, Paste1, SelectAll1}) action->setShortcutContext(Qt::WindowShortcut);
    Edit1->addSeparator();
    InsertTemplate1 = Edit1->addAction("Insert &Template...", QKeySequence(Qt::CTRL | Qt::Key_T), this,
                                       &TForm1::InsertTemplate1Click);
    InsertTemplate1->setStatusTip(
        "Write a standard manoeuvre into the current program, or a series into the set");
    connect(Edit1, &QMenu::aboutToShow, this, &TForm1::Edit1Click);

    View1 = menuBar()->addMenu("&View");
    DisplayAuxBits1 = View1->addAction("Display Selected Aux ROM Bits");
    DisplayAuxBits1->setCheckable(true);
    DisplayAuxBits1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    connect(DisplayAuxBits1, &QAction::triggered, this, &TForm1::DisplayAuxClick);
    SelectAuxBits1 = View1->addAction("&Select Aux ROM Bits to Display...", this, &TForm1::AuxRomBits1Click);
    View1->addSeparator();
    ZoomIn1 = View1->addAction("Zoom &In", this, &TForm1::ZoomIn1Click);
    ZoomIn1->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    ZoomOut1 =
        View1->addAction("Zoom &Out", QKeySequence(Qt::CTRL | Qt::Key_Minus), this, &TForm1::ZoomOut1Click);
    FitGraph1 =
        View1->addAction("&Fit Graph", QKeySequence(Qt::CTRL | Qt::Key_0), this, &TForm1::FitGraph1Click);
    FitGraph1->setStatusTip("Show the whole program as Show drew it");
    for (QAction *action : {ZoomIn1, ZoomOut1, FitGraph1}) action->setShortcutContext(Qt::WindowShortcut);
    View1->addSeparator();
    ProgramSummary1 = View1->addAction("Program &Summary");
    ProgramSummary1->setCheckable(true);
    ProgramSummary1->setChecked(PreferenceValue("view/summary", true).toBool());
    connect(ProgramSummary1, &QAction::triggered, this, &TForm1::ProgramSummary1Click);

    Help1 = menuBar()->addAction("&Help", this, &TForm1::Help1Click);
    Help1->setShortcut(QKeySequence(Qt::Key_F1));
    About1 = menuBar()->addAction("&About", this, &TForm1::About1Click);

    // Show and Build have no menu item; their keys live on the window.
    ShowAction = new QAction("Show", this);
    ShowAction->setShortcut(QKeySequence(Qt::Key_F5));
    connect(ShowAction, &QAction::triggered, this, &TForm1::ShowButtonClick);
    BuildAction = new QAction("Build", this);
    BuildAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B));
    connect(BuildAction, &QAction::triggered, this, &TForm1::BuildButtonClick);
    addActions({ShowAction, BuildAction});
}

void TForm1::CreateControls() {
    m_client = new QWidget(this);
    m_client->setObjectName("Client");
    setCentralWidget(m_client);
    m_client->installEventFilter(this);

    ImgPanel = new QFrame(m_client);
    ImgPanel->setObjectName("ImgPanel");
    ImgPanel->setFrameShape(QFrame::Box);
    ImgPanel->setLineWidth(1);
    GrImage = new TGrImage(ImgPanel);
    GrImage->setObjectName("GrImage");
    connect(GrImage, &TGrImage::mouseMoved, this, &TForm1::GrImageMouseMove);

    SummaryPanel = new QFrame(m_client);
    SummaryPanel->setObjectName("SummaryPanel");
    SummaryPanel->setFrameShape(QFrame::Box);
    SummaryPanel->setLineWidth(1);
    auto *summaryLayout = new QVBoxLayout(SummaryPanel);
    summaryLayout->setContentsMargins(4, 2, 2, 2);
    summaryLayout->setSpacing(2);
    SummaryTitle = new QLabel(SummaryPanel);
    SummaryTitle->setObjectName("SummaryTitle");
    QFont bold = ArialFont(11);
    bold.setBold(true);
    SummaryTitle->setFont(bold);
    SummaryText = new QPlainTextEdit(SummaryPanel);
    SummaryText->setObjectName("SummaryText");
    SummaryText->setReadOnly(true);
    SummaryText->setFrameShape(QFrame::NoFrame);
    // A narrow window wraps the longer lines rather than hiding their ends.
    SummaryText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    SummaryText->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    SummaryText->setFocusPolicy(Qt::ClickFocus);
    QFont summaryFont = EditorFont();
    summaryFont.setPixelSize(11);
    SummaryText->setFont(summaryFont);
    summaryLayout->addWidget(SummaryTitle);
    summaryLayout->addWidget(SummaryText, 1);
    ClearSummary("Program summary", SummaryHint);

    struct ButtonDesign {
        QPushButton **button;
        const char *name, *caption, *hint;
    };
    const ButtonDesign buttons[7] = {
        {&OpenButton, "OpenButton", "Open", "Open a program set"},
        {&ImportButton, "ImportButton", "Import", "Import an ascii program"},
        {&ExportButton, "ExportButton", "Export", "Export current program to ascii text"},
        {&SaveButton, "SaveButton", "Save", "Save program set"},
        {&SaveAsButton, "SaveAsButton", "Save As", "Save Program set to new name"},
        {&ShowButton, "ShowButton", "Show", "Compile and display current program"},
        {&BuildButton, "BuildButton", "Build", "Compile all programs in set and build ROM file"},
    };
    QWidget *previous = nullptr;
    for (int i = 0; i < 7; ++i) {
        auto *button = new QPushButton(buttons[i].caption, m_client);
        button->setObjectName(buttons[i].name);
        button->setToolTip(buttons[i].hint);
        button->setGeometry(ButtonLeft, ButtonTops[i], ButtonWidth, ButtonHeight);
        button->setAutoDefault(false);
        if (previous) QWidget::setTabOrder(previous, button);
        previous = button;
        *buttons[i].button = button;
    }
    connect(OpenButton, &QPushButton::clicked, this, &TForm1::Open1Click);
    connect(SaveButton, &QPushButton::clicked, this, &TForm1::Save1Click);
    connect(SaveAsButton, &QPushButton::clicked, this, &TForm1::SaveAs1Click);
    connect(ShowButton, &QPushButton::clicked, this, &TForm1::ShowButtonClick);
    connect(BuildButton, &QPushButton::clicked, this, &TForm1::BuildButtonClick);
    connect(ImportButton, &QPushButton::clicked, this, &TForm1::ImportButtonClick);
    connect(ExportButton, &QPushButton::clicked, this, &TForm1::ExportButtonClick);

    PgmLabel = new QLabel("Program:", m_client);
    PgmLabel->setObjectName("PgmLabel");

    TabFrame = new QFrame(m_client);
    TabFrame->setObjectName("TabFrame");
    auto *tabLayout = new QVBoxLayout(TabFrame);
    tabLayout->setContentsMargins(0, 0, 0, 0);
    tabLayout->setSpacing(0);
    PgmNotebook = new QStackedWidget(TabFrame);
    PgmNotebook->setObjectName("PgmNotebook");
    PgmNotebook->setFrameShape(QFrame::StyledPanel);
    TabControl1 = new TProgramTabs(TabFrame);
    TabControl1->setObjectName("TabControl1");
    TabControl1->setShape(QTabBar::RoundedSouth);
    TabControl1->setExpanding(false);
    TabControl1->setUsesScrollButtons(true);
    TabControl1->setDrawBase(false);
    tabLayout->addWidget(PgmNotebook, 1);
    tabLayout->addWidget(TabControl1);
    for (int i = 0; i < 16; ++i) {
        auto *editor = new TProgramText(PgmNotebook);
        editor->setObjectName(QString("ProgramText%1").arg(i));
        SetProgramLines(*editor, DefaultProgram());
        connect(editor, &TProgramText::caretMayHaveMoved, this, &TForm1::RefreshCaret);
        connect(editor, &TProgramText::setDropped, this, &TForm1::OpenSetFile);
        connect(editor->document(), &QTextDocument::contentsChanged, this,
                [this, i] { CheckSummaryStale(i); });
        PgmNotebook->addWidget(editor);
        TabControl1->addTab(QString::number(i));
        m_editors[i] = editor;
    }
    connect(TabControl1, &QTabBar::currentChanged, this, &TForm1::TabControl1Change);

    StatusBar = new QLabel(m_client);
    StatusBar->setObjectName("StatusBar");
    StatusBar->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StatusBar->setFont(ArialFont(11));
    QPalette pal = StatusBar->palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    StatusBar->setPalette(pal);

    StatusPanel = new QLabel("Status", m_client);
    StatusPanel->setObjectName("StatusPanel");
    StatusPanel->setFrameShape(QFrame::Box);
    StatusPanel->setAlignment(Qt::AlignCenter);
    StatusPanel->setAutoFillBackground(true);
    StatusPanel->hide();

    CursorReadout = new QLabel(m_client);
    CursorReadout->setObjectName("CursorReadout");
    CursorReadout->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    CursorReadout->setFont(ArialFont(11));
    CursorReadout->setPalette(pal);

    FitButton = new QToolButton(ImgPanel);
    FitButton->setObjectName("FitButton");
    FitButton->setText("Fit");
    FitButton->setToolTip("Show the whole program again (Ctrl+0)");
    FitButton->hide();
    connect(FitButton, &QToolButton::clicked, this, &TForm1::FitGraph1Click);

    connect(GrImage, &TGrImage::mousePressed, this, &TForm1::GrImageMousePress);
    connect(GrImage, &TGrImage::mouseReleased, this, &TForm1::GrImageMouseRelease);
    connect(GrImage, &TGrImage::wheelTurned, this, &TForm1::GrImageWheel);
    connect(GrImage, &TGrImage::mouseLeft, this, &TForm1::GrImageMouseLeave);
    UpdateZoomActions();
}

bool TForm1::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_client && event->type() == QEvent::Resize) FormResize();
    return QMainWindow::eventFilter(watched, event);
}

// Lays the controls out for the client size: tabs to the right edge and down to the status line,
// the graph above the tabs, and the buttons enlarged while the column has room for it.
void TForm1::FormResize() {
    const int width = m_client->width(), height = m_client->height();
    const int statusTop = height - StatusBarHeight;
    StatusBar->setGeometry(0, statusTop, width, StatusBarHeight);
    TabFrame->setGeometry(TabLeft, TabTop, qMax(0, width - TabLeft - 4), qMax(0, statusTop - TabTop));
    const int tabBottom = TabFrame->y() + TabFrame->height();
    PgmLabel->setGeometry(ButtonLeft, tabBottom - 20, ButtonWidth, 16);
    // The summary panel, when shown, takes the right end of the graph's row.
    const int panelHeight = qMax(1, TabFrame->y() - 0 - 8);
    const int wanted = SummaryText->fontMetrics().horizontalAdvance(SummaryWidestLine) + 16;
    const int summaryWidth = qMax(SummaryMinWidth, qMin(wanted, width / 4));
    const bool summary = ProgramSummary1->isChecked() && width >= 3 * SummaryMinWidth;
    const int graphWidth = summary ? width - summaryWidth - 2 : width;
    ImgPanel->setGeometry(0, 0, graphWidth, panelHeight);
    SummaryPanel->setGeometry(graphWidth + 2, 0, summaryWidth, panelHeight);
    SummaryPanel->setVisible(summary);
    GrImage->setGeometry(ImgPanel->contentsRect());
    StatusPanel->setGeometry(ButtonLeft, 8, 200, 20);
    // The read-out shares the status line, left of the caret and graph position text.
    CursorReadout->setGeometry(4, statusTop, qMax(0, width - 340), StatusBarHeight);
    const QSize fit = FitButton->sizeHint();
    FitButton->setGeometry(ImgPanel->contentsRect().right() - fit.width() - 2,
                           ImgPanel->contentsRect().top() + 2, fit.width(), fit.height());

    const int room = PgmLabel->y() - BuildButton->y();
    if (!LargeButtons && room > 50)
        SetButtonsLarge(true);
    else if (LargeButtons && room <= 50)
        SetButtonsLarge(false);
    SetUpEmptyGraph();
}

void TForm1::SetButtonsLarge(bool large) {
    QPushButton *buttons[7] = {OpenButton,   ImportButton, ExportButton, SaveButton,
                               SaveAsButton, ShowButton,   BuildButton};
    for (int i = 0; i < 7; ++i) {
        const int shift = large ? 2 * (i + 1) : 0;
        buttons[i]->setGeometry(ButtonLeft, ButtonTops[i] + shift, ButtonWidth,
                                large ? LargeButtonHeight : ButtonHeight);
    }
    LargeButtons = large;
}

int TForm1::CurrentProgram() const { return TabControl1->currentIndex(); }

TProgramText *TForm1::CurrentEditor() const { return m_editors[CurrentProgram()]; }

ProgramSet TForm1::ProgramSetTexts() const {
    ProgramSet set;
    for (int i = 0; i < 16; ++i) set[i] = ProgramLines(*m_editors[i]);
    return set;
}

// The documents' own modification state: the highlighter's recolouring does not touch it, and an
// edit undone back to the saved text clears it again.
bool TForm1::SetChanged() const {
    return std::any_of(m_editors.begin(), m_editors.end(),
                       [](const TProgramText *editor) { return editor->document()->isModified(); });
}

void TForm1::MarkSetSaved() {
    for (TProgramText *editor : m_editors) editor->document()->setModified(false);
}

void TForm1::TabControl1Change(int index) { PgmNotebook->setCurrentIndex(index); }

void TForm1::RefreshCaret() {
    const QTextCursor cursor = CurrentEditor()->textCursor();
    const int position = cursor.selectionStart();
    const QTextBlock block = CurrentEditor()->document()->findBlock(position);
    m_cursorLine = block.blockNumber() + 1;
    m_cursorColumn = position - block.position() + 1;
    RefreshStatusLine();
}

QString TForm1::StatusLineText() const {
    // The stored mouse position in the units of the plot library's current viewport and world.
    const double x = PixelToWorldX(m_mouseX), y = PixelToWorldY(m_mouseY);
    return QString("Line:%1 Col:%2     Graph Pos: (%3,%4)")
        .arg(m_cursorLine)
        .arg(m_cursorColumn)
        .arg(x, 0, 'f', 2)
        .arg(y, 0, 'f', 2);
}

void TForm1::RefreshStatusLine() { StatusBar->setText(StatusLineText()); }

void TForm1::GrImageMouseMove(int x, int y) {
    m_mouseX = x;
    m_mouseY = y;
    if (m_graph.dragging && m_graph.onScreen) {
        // The world moves with the mouse: the point grabbed stays under it.
        const TViewport &a = m_graph.area;
        const TWorldWindow &w = m_graph.dragWorld;
        const long double dx = static_cast<long double>(x - m_graph.dragStart.x()) * (w.XHigh - w.XLow) /
                               qMax(1, a.Right - a.Left);
        const long double dy = static_cast<long double>(y - m_graph.dragStart.y()) * (w.YHigh - w.YLow) /
                               qMax(1, a.Bottom - a.Top);
        m_graph.world = PanWorld(w, static_cast<double>(-dx), static_cast<double>(dy));
        RedrawGraph();
    }
    RefreshStatusLine();
    UpdateCursorReadout();
}

void TForm1::GrImageMousePress(int x, int y) {
    if (!m_graph.onScreen) return;
    m_graph.dragging = true;
    m_graph.dragStart = {x, y};
    m_graph.dragWorld = m_graph.world;
    GrImage->setCursor(Qt::ClosedHandCursor);
}

void TForm1::GrImageMouseRelease(int, int) {
    if (!m_graph.dragging) return;
    m_graph.dragging = false;
    GrImage->setCursor(Qt::CrossCursor);
}

void TForm1::GrImageWheel(int x, int y, int angle) {
    // One notch (120) zooms in or out by a fifth; finer wheels turn by fractions of it.
    ZoomGraph(std::pow(0.8, angle / 120.0), x, y);
}

void TForm1::GrImageMouseLeave() {
    CursorReadout->clear();
    GrImage->SetMarker({});
}

void TForm1::ZoomGraph(double factor, int x, int y) {
    if (!m_graph.onScreen) return;
    const TWorldWindow &w = m_graph.world;
    const double fitSpan = m_graph.fit.XHigh - m_graph.fit.XLow;
    const double f = ClampZoomFactor(w.XHigh - w.XLow, fitSpan, factor);
    const TWorldWindow zoomed =
        ZoomWorld(w, ViewPoint(m_graph.area, w, x, y).x, ViewPoint(m_graph.area, w, x, y).y, f);
    // Zoomed all the way out is the graph Show drew.
    m_graph.world = std::abs(zoomed.XHigh - zoomed.XLow) >= std::abs(fitSpan) ? m_graph.fit : zoomed;
    RedrawGraph();
    m_mouseX = x;
    m_mouseY = y;
    RefreshStatusLine();
    UpdateCursorReadout();
}

// The keys zoom about the middle of the plot area.
void TForm1::ZoomIn1Click() {
    const TViewport &a = m_graph.area;
    ZoomGraph(0.5, (a.Left + a.Right) / 2, (a.Top + a.Bottom) / 2);
}

void TForm1::ZoomOut1Click() {
    const TViewport &a = m_graph.area;
    ZoomGraph(2, (a.Left + a.Right) / 2, (a.Top + a.Bottom) / 2);
}

void TForm1::FitGraph1Click() {
    if (!m_graph.steps) return;
    m_graph.world = m_graph.fit;
    m_graph.onScreen = true;
    RedrawGraph();
    UpdateCursorReadout();
}

// Keeps a copy of the shown program's steps and the world and plot area Show drew them in.
void TForm1::KeepShownGraph(const CompilerState &compiler) {
    if (!m_graph.steps) m_graph.steps = std::make_unique<StepStore>();
    for (int i = 0; i < StepCount; ++i) (*m_graph.steps)[i] = compiler.steps[i];
    m_graph.endIndex = compiler.endIndex;
    m_graph.maxSteer = compiler.MaxSteer;
    m_graph.fit = m_graph.world = Plot().worlds[1];
    m_graph.area = Plot().viewports[1];
    m_graph.onScreen = true;
    UpdateZoomActions();
}

void TForm1::ForgetShownGraph() {
    m_graph.steps.reset();
    m_graph.onScreen = false;
    m_graph.dragging = false;
    CursorReadout->clear();
    GrImage->SetMarker({});
    UpdateZoomActions();
}

// Draws the kept program in world 1 as the view stands, through the same steps as Show: at the fit
// world the picture is the one Show drew for this image size.
void TForm1::RedrawGraph() {
    if (!m_graph.steps) return;
    const QImage &picture = GrImage->Picture();
    SetGraphCanvas(&GrImage->Canvas());
    SelectViewport(1);
    SetViewportRect(1, {0, 0}, {picture.width(), picture.height()});
    const TWorldWindow &w = m_graph.world;
    SetWorldRect(1, PointD(w.XLow, w.YLow), PointD(w.XHigh, w.YHigh));
    SelectWorld(1);
    SetDrawColor(Colors::Black);
    ClearViewport(1);
    DrawAxes(8, 10);
    DrawProgramTrace(*m_graph.steps);
    SetDrawColor(Colors::Black);
    if (DisplayAuxBits1->isChecked()) {
        const bool zoomed = !(w == m_graph.fit);
        const TWorldWindow aux = AuxWorldFor(m_graph.fit, w);
        DrawAuxTraces(*m_graph.steps, m_graph.endIndex, AuxDisplay(), zoomed ? &aux : nullptr);
        SetDrawColor(Colors::Black);
    }
    m_graph.area = Plot().viewports[1];
    GrImage->update();
    UpdateZoomActions();
}

void TForm1::UpdateZoomActions() {
    ZoomIn1->setEnabled(m_graph.onScreen);
    ZoomOut1->setEnabled(m_graph.onScreen);
    FitGraph1->setEnabled(m_graph.steps != nullptr);
    FitButton->setVisible(m_graph.steps && !(m_graph.onScreen && m_graph.world == m_graph.fit));
}

// The step nearest the mouse's time, while the mouse is over the plot area of the shown program.
void TForm1::UpdateCursorReadout() {
    const TViewport &a = m_graph.area;
    const bool inside =
        m_mouseX >= a.Left && m_mouseX <= a.Right && m_mouseY >= a.Top && m_mouseY <= a.Bottom;
    if (!m_graph.onScreen || !inside) {
        CursorReadout->clear();
        GrImage->SetMarker({});
        return;
    }
    const TPointD at = ViewPoint(a, m_graph.world, m_mouseX, m_mouseY);
    const StepReading reading = ReadStepAt(*m_graph.steps, at.x);
    CursorReadout->setText(FromLatin1(StepReadingText(reading)));
    // The ring sits on the trace at that step, when the step is inside the window.
    const TWorldWindow &w = m_graph.world;
    const double fx = (reading.time - w.XLow) / (w.XHigh - w.XLow);
    const double fy = (reading.steer - w.YLow) / (w.YHigh - w.YLow);
    if (fx < 0 || fx > 1 || fy < 0 || fy > 1) {
        GrImage->SetMarker({});
        return;
    }
    GrImage->SetMarker(
        QPoint(a.Left + qRound((a.Right - a.Left) * fx), a.Bottom - qRound((a.Bottom - a.Top) * fy)));
}

// The figures of the program just compiled; they go stale when its text changes.
void TForm1::ShowSummary(int program, const CompilerState &compiler) {
    QStringList lines;
    for (const std::string &line : SummaryLines(SummarizeProgram(compiler))) lines << FromLatin1(line);
    m_summaryProgram = program;
    m_summaryLines = ProgramLines(*m_editors[program]);
    m_summaryStale = false;
    SummaryTitle->setText(QString("Program #%1").arg(program));
    SummaryText->setPlainText(lines.join('\n'));
    SummaryText->setEnabled(true);
}

void TForm1::ClearSummary(const QString &title, const QString &text) {
    m_summaryProgram = -1;
    m_summaryLines.clear();
    m_summaryStale = false;
    SummaryTitle->setText(title);
    SummaryText->setPlainText(text);
    SummaryText->setEnabled(false);
}

// An edit of the summarised program greys the figures out; undoing it back to the text of the Show
// brings them back.
void TForm1::CheckSummaryStale(int program) {
    if (program != m_summaryProgram) return;
    const bool stale = ProgramLines(*m_editors[program]) != m_summaryLines;
    if (stale == m_summaryStale) return;
    m_summaryStale = stale;
    SummaryTitle->setText(QString(stale ? "Program #%1 (changed since Show)" : "Program #%1").arg(program));
    SummaryText->setEnabled(!stale);
}

void TForm1::ProgramSummary1Click() {
    SetPreferenceValue("view/summary", ProgramSummary1->isChecked());
    FormResize();
}

// The template dialog's choice: the statements before the caret's line, the whole program, or the
// series over all 16 programs (the dialog has asked first). Each editor's change is one undoable edit.
void TForm1::InsertTemplate1Click() {
    RefreshCaret();
    TProgramText *editor = CurrentEditor();
    if (RunModal(*TemplateDlg) == QDialog::Accepted) {
        switch (TemplateDlg->Chosen()) {
        case TTemplateDlg::Choice::Insert: {
            QString text;
            for (const std::string &line : ProgramStatements(TemplateDlg->Program()))
                text += FromLatin1(line) + '\n';
            QTextCursor cursor(editor->document()->findBlockByNumber(m_cursorLine - 1));
            cursor.insertText(text);
            editor->setTextCursor(cursor);
            break;
        }
        case TTemplateDlg::Choice::Replace:
            ReplaceProgramLines(*editor, TemplateDlg->Program());
            editor->moveCursor(QTextCursor::Start);
            break;
        case TTemplateDlg::Choice::Series:
            for (int i = 0; i < ProgramCount; ++i)
                ReplaceProgramLines(*m_editors[i], TemplateDlg->Series()[i]);
            editor->moveCursor(QTextCursor::Start);
            break;
        case TTemplateDlg::Choice::None:
            break;
        }
    }
    editor->setFocus();
    RefreshCaret();
}

void TForm1::Edit1Click() { Clear1->setText(QString("Clear Program #%1").arg(CurrentProgram())); }

void TForm1::Clear1Click() {
    ClearGraphToAxes();
    ReplaceProgramLines(*CurrentEditor(), DefaultProgram());
    FocusCurrentEditorAtStart();
}

void TForm1::FocusCurrentEditorAtStart() {
    TProgramText *editor = CurrentEditor();
    editor->setFocus();
    editor->moveCursor(QTextCursor::Start);
    RefreshCaret();
}

void TForm1::EditorFont1Click() {
    QFontDialog dialog(CurrentEditor()->font(), this);
    if (RunModal(dialog) != QDialog::Accepted) return;
    const QFont font = dialog.selectedFont();
    for (TProgramText *editor : m_editors) editor->setFont(font);
}

void TForm1::About1Click() { RunModal(*AboutBox); }

void TForm1::Help1Click() { HelpWindow->ShowTopic(1); }

void TForm1::ShowStatus(const QString &text) {
    StatusPanel->setText(text);
    StatusPanel->show();
    StatusPanel->raise();
    StatusPanel->repaint();
}

void TForm1::HideStatus() { StatusPanel->hide(); }

void TForm1::SetUpEmptyGraph() {
    GrImage->NewPicture();
    ::SetUpEmptyGraph(GrImage->Canvas(), GrImage->Picture().width(), GrImage->Picture().height());
    GrImage->update();
    // The shown program stays kept: Fit draws it again at the new size.
    m_graph.onScreen = false;
    m_graph.dragging = false;
    GrImage->SetMarker({});
    UpdateZoomActions();
}

void TForm1::ClearGraphToAxes() {
    ::ClearGraphToAxes();
    GrImage->update();
    ForgetShownGraph();
}

// A post-compile notice: a modal warning box while the compile runs. Show and Build also check the
// steer rate when the preferences ask for it.
CompileOptions TForm1::Options(bool checkSteerRate) {
    return {Settings().corvan3Only, [this](const std::string &text) { ShowWarning(this, FromLatin1(text)); },
            checkSteerRate ? SteerRateLimit(Settings()) : 0.0f};
}

void TForm1::ShowButtonClick() {
    const int program = CurrentProgram();
    ShowButton->setCursor(Qt::WaitCursor);
    ShowStatus(QString("Compiling Program #%1...").arg(program));
    const CompilerState &compiler = m_compiler;
    if (CompileProgram(m_compiler, ProgramLines(*CurrentEditor()), Options(true))) {
        ShowSummary(program, compiler);
        MarkMessageLines(*CurrentEditor());
        if (compiler.WarningCount > 0) ShowMessagesAndMarkLines();
        SetProgramWorld(compiler.steps, compiler.endIndex, compiler.MaxSteer);
        RestoreFullViewport();
        ClearViewport(1);
        DrawAxes(8, 10);
        ShowStatus(QString("Plotting Program #%1...").arg(program));
        DrawProgramTrace(compiler.steps);
        // The snapshot holds the picture without aux traces: unchecking the aux display reloads it.
        SaveSnapshot();
        if (DisplayAuxBits1->isChecked()) DrawAuxTraces(compiler.steps, compiler.endIndex, AuxDisplay());
        SetDrawColor(Colors::Black);
        m_shownProgram = program;
        KeepShownGraph(compiler);
        GrImage->update();
    } else {
        ClearSummary(QString("Program #%1: errors, no summary").arg(program),
                     "The program did not compile: the Messages dialog lists why.");
        ShowMessagesAndMarkLines();
    }
    HideStatus();
    ShowButton->unsetCursor();
    CurrentEditor()->setFocus();
}

// The lines that the errors and warnings of the last compile name get the editor's error mark.
void TForm1::MarkMessageLines(TProgramText &editor) {
    std::set<int> lines;
    for (const CompileMessage &message : m_compiler.messages)
        if (message.code < Msg::FirstInformation && message.line > 0) lines.insert(message.line);
    editor.MarkErrorLines(lines);
}

// The Messages dialog for the last compile of the current program, its lines marked first so that
// the marks are there while the dialog is open.
void TForm1::ShowMessagesAndMarkLines() {
    MarkMessageLines(*CurrentEditor());
    ErrDialog->ShowCompileMessages(m_compiler);
}

void TForm1::GoToMessageLine(int line) {
    TProgramText *editor = CurrentEditor();
    if (editor->GoToLine(line) == 0) return;
    editor->setFocus();
    RefreshCaret();
}

void TForm1::SaveSnapshot() {
    if (!m_scratch.isValid() || !GrImage->Picture().save(SnapshotPath(), "BMP"))
        ShowError(this, "cannot write " + SnapshotPath());
}

void TForm1::BuildButtonClick() {
    AppSettings &settings = Settings();
    const QString setName = QFileInfo(m_setFileName).completeBaseName();
    FileRequest request{FileDialogKind::Save,
                        "Build",
                        FromPath(settings.epromDir),
                        setName + ".bin",
                        {"EPROM files (*.bin)", "All files (*.*)"},
                        "bin",
                        true,
                        {},
                        false};
    const QString binPath = ChooseFile(this, request);
    if (binPath.isEmpty()) {
        CurrentEditor()->setFocus();
        return;
    }
    BuildButton->setCursor(Qt::WaitCursor);
    BuildCallbacks callbacks;
    callbacks.programStarts = [this](int program) {
        TabControl1->setCurrentIndex(program);
        TabControl1->repaint();
        PgmNotebook->repaint();
        ShowStatus(QString("Compiling Program #%1...").arg(program));
    };
    callbacks.programFailed = [this](int program, const std::vector<std::string> &lines) {
        MarkMessageLines(*m_editors[program]);
        ErrDialog->SetLines(lines);
        RunModal(*ErrDialog);
    };
    try {
        const BuildOutcome outcome = BuildSet(m_compiler, ProgramSetTexts(), ToPath(binPath), Options(true), callbacks);
        HideStatus();
        if (outcome.success) {
            ShowInformation(this, QString::fromLocal8Bit(outcome.text.c_str()));
            // The report and the copies come from the files as they are on disk now.
            if (ImageReportDlg->SetImages(binPath)) {
                ImageReportDlg->WriteCopies();
                RunModal(*ImageReportDlg);
            }
        } else
            ShowError(this, QString::fromLocal8Bit(outcome.text.c_str()));
        settings.epromDir = ToPath(QFileInfo(binPath).absolutePath());
    } catch (const std::exception &e) {
        HideStatus();
        ShowError(this, QString::fromLocal8Bit(e.what()));
    }
    BuildButton->unsetCursor();
    CurrentEditor()->setFocus();
}

void TForm1::New1Click() {
    const auto answer = ShowBox(this, {BoxIcon::Warning,
                                       {},
                                       "This will clear ALL 16 programs!",
                                       QMessageBox::Ok | QMessageBox::Cancel,
                                       QMessageBox::Cancel});
    if (answer != QMessageBox::Ok) return;
    ClearGraphToAxes();
    for (TProgramText *editor : m_editors) SetProgramLines(*editor, DefaultProgram());
    ClearSummary("Program summary", SummaryHint);
    m_setFileName.clear();
    setWindowTitle("Helmcraft - Untitled");
    MarkSetSaved();
}

// Asks whether to save changed programs first; false when the command should not go on.
bool TForm1::AskToSaveChanges() {
    if (!SetChanged()) return true;
    const auto answer = ShowBox(this, {BoxIcon::Question,
                                       {},
                                       "Save changes to the program set?",
                                       QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                       QMessageBox::Save});
    if (answer == QMessageBox::Save) return Save1Click();
    return answer == QMessageBox::Discard;
}

void TForm1::Open1Click() {
    if (AskToSaveChanges()) {
        FileRequest request{FileDialogKind::Open,
                            "Open",
                            FromPath(Settings().programDir),
                            {},
                            kSetFilters,
                            {},
                            false,
                            {},
                            false};
        const QString path = ChooseFile(this, request);
        if (!path.isEmpty()) LoadSet(path);
    }
    FocusCurrentEditorAtStart();
}

void TForm1::OpenSetFile(const QString &path) {
    if (AskToSaveChanges()) LoadSet(path);
    FocusCurrentEditorAtStart();
}

void TForm1::OpenArguments(const QStringList &arguments) {
    if (!arguments.isEmpty()) OpenSetFile(QFileInfo(arguments.first()).absoluteFilePath());
}

// Reads the set and fills the editors. The whole set is read before anything changes: a rejected
// file changes nothing.
void TForm1::LoadSet(const QString &path) {
    try {
        const ProgramSet set = ReadProgramSet(ToPath(path));
        for (int i = 0; i < ProgramCount; ++i) SetProgramLines(*m_editors[i], set[i]);
        m_setFileName = path;
        UpdateCaption();
        MarkSetSaved();
        Settings().programDir = ToPath(QFileInfo(path).absolutePath());
        RememberSet(path);
    } catch (const std::exception &e) {
        ShowError(this, QString::fromLocal8Bit(e.what()));
        // A set that is gone leaves the recent list; one that failed otherwise stays on it.
        if (!QFileInfo::exists(path) && m_recentSets.removeAll(QFileInfo(path).absoluteFilePath()) > 0)
            RememberSet({});
    }
}

// Puts the set at the top of the recent list (an empty path only stores the list as it stands).
void TForm1::RememberSet(const QString &path) {
    if (!path.isEmpty()) {
        const QString absolute = QFileInfo(path).absoluteFilePath();
        m_recentSets.removeAll(absolute);
        m_recentSets.prepend(absolute);
        while (m_recentSets.size() > RecentSetCount) m_recentSets.removeLast();
    }
    if (!RecentSetsFile().isEmpty()) {
        QSettings settings(RecentSetsFile(), QSettings::IniFormat);
        settings.setValue("recentSets", m_recentSets);
    }
    UpdateRecentMenu();
}

void TForm1::UpdateRecentMenu() {
    RecentSets1->clear();
    for (int i = 0; i < m_recentSets.size(); ++i) {
        const QString path = m_recentSets[i];
        QString shown = QDir::toNativeSeparators(path);
        shown.replace('&', "&&");
        RecentSets1->addAction(QString("&%1 %2").arg(i + 1).arg(shown), this,
                               [this, path] { OpenSetFile(path); });
    }
    RecentSets1->setEnabled(!m_recentSets.isEmpty());
}

bool TForm1::Save1Click() {
    if (m_setFileName.isEmpty() || m_setFileName == "Untitled") return SaveAs1Click();
    const bool saved = WriteSet(m_setFileName);
    CurrentEditor()->setFocus();
    return saved;
}

bool TForm1::SaveAs1Click() {
    FileRequest request{FileDialogKind::Save,
                        "Save As",
                        FromPath(Settings().programDir),
                        m_setFileName,
                        kSetFilters,
                        "rom",
                        true,
                        {},
                        false};
    const QString path = ChooseFile(this, request);
    bool saved = false;
    if (!path.isEmpty() && WriteSet(path)) {
        m_setFileName = path;
        UpdateCaption();
        Settings().programDir = ToPath(QFileInfo(path).absolutePath());
        saved = true;
    }
    CurrentEditor()->setFocus();
    return saved;
}

// Writes the set under the path; on success the caption names it. A failure is reported and
// changes nothing.
bool TForm1::WriteSet(const QString &path) {
    try {
        WriteProgramSet(ToPath(path), ProgramSetTexts());
    } catch (const std::exception &e) {
        ShowError(this, QString::fromLocal8Bit(e.what()));
        return false;
    }
    if (path == m_setFileName) UpdateCaption();
    MarkSetSaved();
    RememberSet(path);
    return true;
}

void TForm1::UpdateCaption() { setWindowTitle(SetCaption(m_setFileName)); }

QString SetCaption(const QString &path) {
    const QFileInfo info(path);
    const QDateTime saved = info.lastModified();
    const QLocale locale = QLocale::system();
    QString stamp = locale.toString(saved.date(), QLocale::ShortFormat);
    const QTime time = saved.time();
    if (time.hour() != 0 || time.minute() != 0 || time.second() != 0) {
        // The long time format without the time zone that Qt's long format carries.
        QString format = locale.timeFormat(QLocale::LongFormat);
        format.remove(QRegularExpression(R"(\s*\bt+\b)"));
        stamp += ' ' + locale.toString(time, format.trimmed());
    }
    return "Helmcraft - " + info.fileName() + "  last saved " + stamp;
}

void TForm1::Preferences1Click() { RunModal(*PreferencesDialog); }

QString TForm1::SnapshotPath() const { return m_scratch.filePath("~imgsave.bmp"); }

// The dialogs in start-up order. Creating the Preferences dialog loads the settings, running the
// first-run dialog when there is no defaults file yet.
void TForm1::CreateDialogs() {
    ImportDlg = new TImportDlg(this);
    ExportDlg = new TExportDlg(this);
    ErrDialog = new TErrDialog(this);
    connect(ErrDialog, &TErrDialog::lineChosen, this, &TForm1::GoToMessageLine);
    FirstRunDialog = new TFirstRunDialog(this);
    PreferencesDialog = new TPreferencesDialog(this);
    PreferencesDialog->LoadSettings(*FirstRunDialog);
    PrintWhichDialog = new TPrintWhichDialog(this);
    AboutBox = new TAboutBox(this);
    AuxView = new TAuxView(AuxDisplay(), this);
    HelpWindow = new THelpWindow(this);
    TemplateDlg = new TTemplateDlg(this);
    ImageReportDlg = new TImageReportDlg(this);
}

void TForm1::ImportButtonClick() {
    const AppSettings &settings = Settings();
    const ImportDirectories directories{FromPath(settings.programDir), FromPath(settings.textDir),
                                        FromPath(settings.epromDir)};
    // The caret may have moved since the last key or click (a tab change): Insert goes before its line.
    RefreshCaret();
    TProgramText *editor = CurrentEditor();
    ProgramText program = ProgramLines(*editor);
    int cursorLine = m_cursorLine;
    const int column = m_cursorColumn;
    if (RunImport(this, *ImportDlg, directories, program, cursorLine)) {
        ReplaceProgramLines(*editor, program);
        if (ImportDlg->Mode() == ImportMode::Replace) {
            editor->moveCursor(QTextCursor::Start);
        } else {
            // The caret stays on its own line, now below the inserted ones.
            const QTextBlock block = editor->document()->findBlockByNumber(cursorLine - 1);
            QTextCursor cursor(block);
            cursor.setPosition(block.position() + qMin(column - 1, block.length() - 1));
            editor->setTextCursor(cursor);
        }
    }
    editor->setFocus();
    RefreshCaret();
}

void TForm1::ExportButtonClick() {
    const ExportOutcome outcome =
        RunExport(this, *ExportDlg, m_compiler, FromPath(Settings().textDir), ProgramLines(*CurrentEditor()), Options());
    Settings().textDir = ToPath(outcome.textDir);
    // Nothing was written: the Messages dialog says why.
    if (outcome.compileFailed) ShowMessagesAndMarkLines();
    CurrentEditor()->setFocus();
}

// The current program's step store as CSV, in the format of `quillard-cli steps`, CR LF line ends.
// The program is compiled first: a program with errors opens the Messages dialog and asks no name.
void TForm1::ExportCsv1Click() {
    const int program = CurrentProgram();
    if (!CompileProgram(m_compiler, ProgramLines(*CurrentEditor()), Options())) {
        ShowMessagesAndMarkLines();
        CurrentEditor()->setFocus();
        return;
    }
    const CompilerState &compiler = m_compiler;
    const std::string bytes =
        JoinLinesCrLf(StepsCsvLines(compiler.steps, compiler.endIndex, compiler.MaxSteer));
    const QString base = m_setFileName.isEmpty() ? QString("program")
                                                 : QFileInfo(m_setFileName).completeBaseName() + "-program";
    FileRequest request{FileDialogKind::Save,
                        "Export Steps as CSV",
                        FromPath(Settings().textDir),
                        QString("%1%2.csv").arg(base).arg(program),
                        {"CSV files (*.csv)", "All files (*.*)"},
                        "csv",
                        true,
                        {},
                        false};
    const QString path = ChooseFile(this, request);
    if (!path.isEmpty()) {
        try {
            WriteFileAtomically(ToPath(path), bytes);
            Settings().textDir = ToPath(QFileInfo(path).absolutePath());
        } catch (const std::exception &e) {
            ShowError(this, QString::fromLocal8Bit(e.what()));
        }
    }
    CurrentEditor()->setFocus();
}

void TForm1::AuxRomBits1Click() { RunModal(*AuxView); }

// The check mark has already flipped when this runs.
void TForm1::DisplayAuxClick() {
    if (m_shownProgram >= ProgramCount || !QFileInfo::exists(SnapshotPath())) return;
    // The shown program, zoomed or not, is drawn again with or without the traces.
    if (m_graph.onScreen) return RedrawGraph();
    if (DisplayAuxBits1->isChecked()) {
        // The shown program's own steps: a Build or an Export since the Show has overwritten the
        // compiler's store with another program.
        if (m_graph.steps)
            DrawAuxTraces(*m_graph.steps, m_graph.endIndex, AuxDisplay());
        else
            DrawAuxTraces(m_compiler.steps, m_compiler.endIndex, AuxDisplay());
        GrImage->update();
        return;
    }
    const QImage snapshot(SnapshotPath(), "BMP");
    if (snapshot.isNull()) {
        ShowError(this, "cannot read " + SnapshotPath());
        return;
    }
    GrImage->LoadPicture(snapshot);
    SetGraphCanvas(&GrImage->Canvas());
}

QPrinter &TForm1::Printer() {
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        // The print layout is in device pixels, made for a 300 dpi page.
        m_printer->setResolution(300);
    }
    return *m_printer;
}

void TForm1::Print1Click() {
    PrintMaterial material;
    material.programs = ProgramSetTexts();
    material.currentProgram = CurrentProgram();
    material.setFileName = m_setFileName;
    material.editorFont = CurrentEditor()->font();
    // Printing shows no boxes: a notice would stop the job half-way.
    material.options = {Settings().corvan3Only, {}};
    material.graphEnd = [this] {
        const QString path = QDir::current().filePath("imgsave.bmp");
        if (!GrImage->Picture().save(path, "BMP")) ShowError(this, "cannot write " + path);
    };
    PrintCommand(this, *PrintWhichDialog, Printer(), m_compiler, material);
    CurrentEditor()->setFocus();
}

void TForm1::PrintSetup1Click() {
    QPageSetupDialog dialog(&Printer(), this);
    RunModal(dialog);
    CurrentEditor()->setFocus();
}

void TForm1::dragEnterEvent(QDragEnterEvent *event) {
    if (!DroppedSetFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent *event) {
    const QString set = DroppedSetFile(event->mimeData());
    if (set.isEmpty()) return;
    event->acceptProposedAction();
    OpenSetFile(set);
}

void TForm1::closeEvent(QCloseEvent *event) {
    if (AskToSaveChanges())
        event->accept();
    else
        event->ignore();
}
