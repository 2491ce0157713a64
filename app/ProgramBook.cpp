// The program tabs: the 16 program editors on a notebook with the tab bar under it, and the caret.
#include "app/ProgramBook.h"

#include <QStackedWidget>
#include <QTabBar>
#include <QTextBlock>
#include <QVBoxLayout>

#include <algorithm>

namespace {

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

} // namespace

TProgramBook::TProgramBook(QWidget *parent) : QFrame(parent) {
    setObjectName("TabFrame");
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_notebook = new QStackedWidget(this);
    m_notebook->setObjectName("PgmNotebook");
    m_notebook->setFrameShape(QFrame::StyledPanel);
    m_tabs = new TProgramTabs(this);
    m_tabs->setObjectName("TabControl1");
    m_tabs->setShape(QTabBar::RoundedSouth);
    m_tabs->setExpanding(false);
    m_tabs->setUsesScrollButtons(true);
    m_tabs->setDrawBase(false);
    layout->addWidget(m_notebook, 1);
    layout->addWidget(m_tabs);
    for (int i = 0; i < ProgramCount; ++i) {
        auto *editor = new TProgramText(m_notebook);
        editor->setObjectName(QString("ProgramText%1").arg(i));
        SetProgramLines(*editor, DefaultProgram());
        connect(editor, &TProgramText::caretMayHaveMoved, this, &TProgramBook::RefreshCaret);
        connect(editor, &TProgramText::setDropped, this, &TProgramBook::setDropped);
        connect(editor->document(), &QTextDocument::contentsChanged, this,
                [this, i] { emit programEdited(i); });
        m_notebook->addWidget(editor);
        m_tabs->addTab(QString::number(i));
        m_editors[i] = editor;
    }
    connect(m_tabs, &QTabBar::currentChanged, m_notebook, &QStackedWidget::setCurrentIndex);
}

int TProgramBook::CurrentProgram() const { return m_tabs->currentIndex(); }

TProgramText *TProgramBook::CurrentEditor() const { return m_editors[CurrentProgram()]; }

ProgramSet TProgramBook::Texts() const {
    ProgramSet set;
    for (int i = 0; i < ProgramCount; ++i) set[i] = ProgramLines(*m_editors[i]);
    return set;
}

void TProgramBook::SetTexts(const ProgramSet &set) {
    for (int i = 0; i < ProgramCount; ++i) SetProgramLines(*m_editors[i], set[i]);
}

// The documents' own modification state: the highlighter's recolouring does not touch it, and an
// edit undone back to the saved text clears it again.
bool TProgramBook::Changed() const {
    return std::any_of(m_editors.begin(), m_editors.end(),
                       [](const TProgramText *editor) { return editor->document()->isModified(); });
}

void TProgramBook::MarkSaved() {
    for (TProgramText *editor : m_editors) editor->document()->setModified(false);
}

void TProgramBook::ShowProgram(int program) {
    m_tabs->setCurrentIndex(program);
    m_tabs->repaint();
    m_notebook->repaint();
}

void TProgramBook::SelectProgram(int program) {
    m_tabs->setCurrentIndex(program);
    CurrentEditor()->setFocus();
}

void TProgramBook::StepProgram(int step) {
    SelectProgram(((CurrentProgram() + step) % ProgramCount + ProgramCount) % ProgramCount);
}

void TProgramBook::SetEditorFont(const QFont &font) {
    for (TProgramText *editor : m_editors) editor->setFont(font);
}

void TProgramBook::RefreshCaret() {
    const QTextCursor cursor = CurrentEditor()->textCursor();
    const int position = cursor.selectionStart();
    const QTextBlock block = CurrentEditor()->document()->findBlock(position);
    m_caretLine = block.blockNumber() + 1;
    m_caretColumn = position - block.position() + 1;
    emit caretMoved();
}

void TProgramBook::FocusCurrentAtStart() {
    TProgramText *editor = CurrentEditor();
    editor->setFocus();
    editor->moveCursor(QTextCursor::Start);
    RefreshCaret();
}
