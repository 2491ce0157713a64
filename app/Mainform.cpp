// The main window: graph on top, command buttons at the left, 16 program editors on tabs, status line.
#include "app/Mainform.h"

#include "app/About.h"
#include "app/Helpview.h"
#include "app/Modal.h"
#include "compiler/Errdial.h"
#include "compiler/compile.h"
#include "compiler/state.h"
#include "graph/QPainterCanvas.h"
#include "graph/plot.h"
#include "graph/programgraph.h"
#include "romfiles/FirstRun.h"
#include "romfiles/Prefdlg.h"
#include "romfiles/build.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabBar>
#include <QTextBlock>
#include <QVBoxLayout>

namespace {

const QStringList kSetFilters = {"Rom Files (*.rom)", "Text Files (*.txt)", "All Files (*.*)"};

QString FromLatin1(const std::string &text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}
std::string ToLatin1(const QString &text) {
    std::string bytes;
    for (QChar c : text) bytes += c.unicode() <= 0xFF ? char(c.unicode()) : '?';
    return bytes;
}

// Design geometry of the form, in pixels.
constexpr int ButtonLeft = 8, ButtonWidth = 72, ButtonHeight = 18, LargeButtonHeight = 20;
constexpr int ButtonTops[7] = {210, 232, 254, 276, 298, 320, 342};
constexpr int ImgPanelHeight = 201;
constexpr int TabLeft = 88, TabTop = ImgPanelHeight + 8;
constexpr int StatusBarHeight = 15;

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
    const QString text = editor.toPlainText();
    ProgramText lines;
    if (text.isEmpty()) return lines;
    const QStringList parts = text.split('\n');
    lines.reserve(std::size_t(parts.size()));
    for (const QString &part : parts) {
        std::string line;
        line.reserve(std::size_t(part.size()));
        for (QChar c : part) line += c.unicode() <= 0xFF ? char(c.unicode()) : '?';
        lines.push_back(std::move(line));
    }
    if (text.endsWith('\n')) lines.pop_back();
    return lines;
}

void SetProgramLines(QPlainTextEdit &editor, const ProgramText &lines) {
    QString text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\n';
        text += QString::fromLatin1(lines[i].data(), qsizetype(lines[i].size()));
    }
    // A last empty line needs a break of its own: a break at the very end starts no line.
    if (!lines.empty() && lines.back().empty()) text += '\n';
    editor.setPlainText(text);
}

TProgramText::TProgramText(QWidget *parent) : QPlainTextEdit(parent) {
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
    QPlainTextEdit::keyReleaseEvent(event);
    emit caretMayHaveMoved();
}

void TProgramText::mousePressEvent(QMouseEvent *event) {
    QPlainTextEdit::mousePressEvent(event);
    emit caretMayHaveMoved();
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

void TGrImage::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.drawImage(0, 0, m_picture);
}

void TGrImage::mouseMoveEvent(QMouseEvent *event) {
    const QPoint p = event->position().toPoint();
    emit mouseMoved(p.x(), p.y());
}

TForm1::TForm1(QWidget *parent) : QMainWindow(parent) {
    setObjectName("Form1");
    setWindowTitle("Helmcraft - Untitled");
    CreateMenus();
    CreateControls();
    for (auto &program : m_savedSet) program = DefaultProgram();
    resize(706, 542 + menuBar()->sizeHint().height());
    FormResize();
}

TForm1::~TForm1() = default;

void TForm1::CreateMenus() {
    File1 = menuBar()->addMenu("&File");
    New1 = File1->addAction("&New", this, &TForm1::New1Click);
    Open1 = File1->addAction("&Open...", this, &TForm1::Open1Click);
    Save1 = File1->addAction("&Save", this, &TForm1::Save1Click);
    SaveAs1 = File1->addAction("Save &As...", this, &TForm1::SaveAs1Click);
    File1->addSeparator();
    Preferences1 = File1->addAction("Preferences...", this, &TForm1::Preferences1Click);
    EditorFont1 = File1->addAction("Editor Font", this, &TForm1::EditorFont1Click);
    EditorFont1->setStatusTip("Set the font for editor and printer");
    EditorFont1->setToolTip("Set the font for editor and printer");
    File1->addSeparator();
    Print1 = File1->addAction("&Print...");
    PrintSetup1 = File1->addAction("P&rint Setup...");
    File1->addSeparator();
    Exit1 = File1->addAction("E&xit", this, &QWidget::close);
    File1->setToolTipsVisible(true);
    // Printing is not offered yet.
    Print1->setEnabled(false);
    PrintSetup1->setEnabled(false);

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
    connect(Edit1, &QMenu::aboutToShow, this, &TForm1::Edit1Click);

    View1 = menuBar()->addMenu("&View");
    DisplayAuxBits1 = View1->addAction("Display Selected Aux ROM Bits");
    DisplayAuxBits1->setCheckable(true);
    DisplayAuxBits1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    SelectAuxBits1 = View1->addAction("&Select Aux ROM Bits to Display...");
    // The aux-bit display is not offered yet.
    DisplayAuxBits1->setEnabled(false);
    SelectAuxBits1->setEnabled(false);

    Help1 = menuBar()->addAction("&Help", this, &TForm1::Help1Click);
    About1 = menuBar()->addAction("&About", this, &TForm1::About1Click);
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
    // Import and Export are not offered yet.
    ImportButton->setEnabled(false);
    ExportButton->setEnabled(false);

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
    ImgPanel->setGeometry(0, 0, width, qMax(1, TabFrame->y() - 0 - 8));
    GrImage->setGeometry(ImgPanel->contentsRect());
    StatusPanel->setGeometry(ButtonLeft, 8, 200, 20);

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

bool TForm1::SetChanged() const { return ProgramSetTexts() != m_savedSet; }

void TForm1::MarkSetSaved() { m_savedSet = ProgramSetTexts(); }

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
    RefreshStatusLine();
}

void TForm1::Edit1Click() { Clear1->setText(QString("Clear Program #%1").arg(CurrentProgram())); }

void TForm1::Clear1Click() {
    ClearGraphToAxes();
    SetProgramLines(*CurrentEditor(), DefaultProgram());
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
}

void TForm1::ClearGraphToAxes() {
    ::ClearGraphToAxes();
    GrImage->update();
}

// A post-compile notice: a modal warning box while the compile runs.
CompileOptions TForm1::Options() {
    return {Settings().corvan3Only, [this](const std::string &text) { ShowWarning(this, FromLatin1(text)); }};
}

void TForm1::ShowButtonClick() {
    const int program = CurrentProgram();
    ShowButton->setCursor(Qt::WaitCursor);
    ShowStatus(QString("Compiling Program #%1...").arg(program));
    const CompilerState &compiler = Compiler();
    if (CompileProgram(ProgramLines(*CurrentEditor()), Options())) {
        if (compiler.WarningCount > 0) ErrDialog->ShowCompileMessages();
        SetProgramWorld(compiler.steps, compiler.endIndex, compiler.MaxSteer);
        RestoreFullViewport();
        ClearViewport(1);
        DrawAxes(8, 10);
        ShowStatus(QString("Plotting Program #%1...").arg(program));
        DrawProgramTrace(compiler.steps);
        SaveSnapshot();
        SetDrawColor(Colors::Black);
        m_shownProgram = program;
        GrImage->update();
    } else {
        ErrDialog->ShowCompileMessages();
    }
    HideStatus();
    ShowButton->unsetCursor();
    CurrentEditor()->setFocus();
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
                        FromLatin1(settings.epromDir),
                        setName + ".bin",
                        {"EPROM files (*.bin)", "All files (*.*)"},
                        "bin",
                        true};
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
    callbacks.programFailed = [this](int, const std::vector<std::string> &lines) {
        ErrDialog->SetLines(lines);
        RunModal(*ErrDialog);
    };
    try {
        const BuildOutcome outcome = BuildSet(ProgramSetTexts(), ToLatin1(binPath), Options(), callbacks);
        HideStatus();
        if (outcome.success)
            ShowInformation(this, FromLatin1(outcome.text));
        else
            ShowError(this, FromLatin1(outcome.text));
        settings.epromDir = ToLatin1(QFileInfo(binPath).absolutePath());
    } catch (const std::exception &e) {
        HideStatus();
        ShowError(this, FromLatin1(e.what()));
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
        FileRequest request{
            FileDialogKind::Open, "Open", FromLatin1(Settings().programDir), {}, kSetFilters, {}, false};
        const QString path = ChooseFile(this, request);
        if (!path.isEmpty()) {
            try {
                // The whole set is read before anything changes: a rejected file changes nothing.
                const ProgramSet set = ReadProgramSet(ToLatin1(path));
                for (int i = 0; i < ProgramCount; ++i) SetProgramLines(*m_editors[i], set[i]);
                m_setFileName = path;
                UpdateCaption();
                MarkSetSaved();
                Settings().programDir = ToLatin1(QFileInfo(path).absolutePath());
            } catch (const std::exception &e) {
                ShowError(this, FromLatin1(e.what()));
            }
        }
    }
    FocusCurrentEditorAtStart();
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
                        FromLatin1(Settings().programDir),
                        m_setFileName,
                        kSetFilters,
                        "rom",
                        true};
    const QString path = ChooseFile(this, request);
    bool saved = false;
    if (!path.isEmpty() && WriteSet(path)) {
        m_setFileName = path;
        UpdateCaption();
        Settings().programDir = ToLatin1(QFileInfo(path).absolutePath());
        saved = true;
    }
    CurrentEditor()->setFocus();
    return saved;
}

// Writes the set under the path; on success the caption names it. A failure is reported and
// changes nothing.
bool TForm1::WriteSet(const QString &path) {
    try {
        WriteProgramSet(ToLatin1(path), ProgramSetTexts());
    } catch (const std::exception &e) {
        ShowError(this, FromLatin1(e.what()));
        return false;
    }
    if (path == m_setFileName) UpdateCaption();
    MarkSetSaved();
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
    ErrDialog = new TErrDialog(this);
    FirstRunDialog = new TFirstRunDialog(this);
    PreferencesDialog = new TPreferencesDialog(this);
    PreferencesDialog->LoadSettings(*FirstRunDialog);
    AboutBox = new TAboutBox(this);
    HelpWindow = new THelpWindow(this);
}

void TForm1::closeEvent(QCloseEvent *event) {
    if (AskToSaveChanges())
        event->accept();
    else
        event->ignore();
}
