// Find and Replace in the program editors: the searches on a document, and the dialog that asks what
// to find, what to put in its place and where.
#include "compiler/ui/Finddlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

int ReplaceAllInDocument(QTextDocument &document, const QString &text, const QString &replacement,
                         QTextDocument::FindFlags flags) {
    if (text.isEmpty()) return 0;
    flags &= ~QTextDocument::FindBackward;
    int count = 0;
    QTextCursor edit(&document);
    QTextCursor found = document.find(text, 0, flags);
    while (!found.isNull()) {
        // Every change between the first and the last is one step of the document's undo.
        if (count++ == 0) edit.beginEditBlock();
        found.insertText(replacement);
        found = document.find(text, found, flags); // from the end of the replacement
    }
    if (count > 0) edit.endEditBlock();
    return count;
}

bool SelectionMatches(const QTextCursor &cursor, const QString &text, QTextDocument::FindFlags flags) {
    if (!cursor.hasSelection() || text.isEmpty()) return false;
    const QTextCursor match =
        cursor.document()->find(text, cursor.selectionStart(), flags & ~QTextDocument::FindBackward);
    return !match.isNull() && match.selectionStart() == cursor.selectionStart() &&
           match.selectionEnd() == cursor.selectionEnd();
}

QTextCursor FindFromEdge(const QTextDocument &document, const QString &text, QTextDocument::FindFlags flags) {
    const bool backward = flags.testFlag(QTextDocument::FindBackward);
    // A backward search starts before the position: the end is the position after the last character.
    return document.find(text, backward ? document.characterCount() - 1 : 0, flags);
}

TFindDlg::TFindDlg(QWidget *parent) : QDialog(parent) {
    setObjectName("FindDlg");
    setModal(false);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(CreateTextFields());
    layout->addLayout(CreateOptionBoxes());
    layout->addWidget(CreateScope());
    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName("StatusLabel");
    StatusLabel->setWordWrap(true);
    // Room for the longest result (after Replace All in all 16) without squeezing the rest.
    StatusLabel->setMinimumHeight(3 * StatusLabel->fontMetrics().lineSpacing());
    StatusLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(StatusLabel);
    layout->addWidget(CreateButtons());
    connect(FindEdit, &QLineEdit::textEdited, this, [this] { SetStatus({}); });
}

// What to find and what to put in its place, each under its label.
QGridLayout *TFindDlg::CreateTextFields() {
    auto *grid = new QGridLayout;
    FindEdit = new QLineEdit(this);
    FindEdit->setObjectName("FindEdit");
    FindEdit->setMinimumWidth(260);
    ReplaceEdit = new QLineEdit(this);
    ReplaceEdit->setObjectName("ReplaceEdit");
    ReplaceLabel = new QLabel("Replace &with:", this);
    ReplaceLabel->setBuddy(ReplaceEdit);
    auto *findLabel = new QLabel("F&ind what:", this);
    findLabel->setBuddy(FindEdit);
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(FindEdit, 0, 1);
    grid->addWidget(ReplaceLabel, 1, 0);
    grid->addWidget(ReplaceEdit, 1, 1);
    return grid;
}

QHBoxLayout *TFindDlg::CreateOptionBoxes() {
    auto *options = new QHBoxLayout;
    MatchCaseBox = new QCheckBox("Match &case", this);
    MatchCaseBox->setObjectName("MatchCaseBox");
    WholeWordsBox = new QCheckBox("Whole w&ords", this);
    WholeWordsBox->setObjectName("WholeWordsBox");
    options->addWidget(MatchCaseBox);
    options->addWidget(WholeWordsBox);
    options->addStretch(1);
    return options;
}

// Where to search: the current program (at first) or all 16.
QGroupBox *TFindDlg::CreateScope() {
    auto *scope = new QGroupBox("Search", this);
    auto *scopeLayout = new QHBoxLayout(scope);
    ThisProgramBtn = new QRadioButton("In this &program", scope);
    ThisProgramBtn->setObjectName("ThisProgramBtn");
    AllProgramsBtn = new QRadioButton("In &all 16 programs", scope);
    AllProgramsBtn->setObjectName("AllProgramsBtn");
    ThisProgramBtn->setChecked(true);
    scopeLayout->addWidget(ThisProgramBtn);
    scopeLayout->addWidget(AllProgramsBtn);
    return scope;
}

// The buttons, each reporting its click; Return means Find Next.
QDialogButtonBox *TFindDlg::CreateButtons() {
    auto *buttons = new QDialogButtonBox(this);
    auto add = [&](const char *name, const char *text, QDialogButtonBox::ButtonRole role) {
        QPushButton *button = buttons->addButton(text, role);
        button->setObjectName(name);
        button->setAutoDefault(false);
        return button;
    };
    FindNextBtn = add("FindNextBtn", "Find &Next", QDialogButtonBox::ActionRole);
    FindPreviousBtn = add("FindPreviousBtn", "Find Pre&vious", QDialogButtonBox::ActionRole);
    ReplaceBtn = add("ReplaceBtn", "&Replace", QDialogButtonBox::ActionRole);
    ReplaceAllBtn = add("ReplaceAllBtn", "Replace A&ll", QDialogButtonBox::ActionRole);
    CloseBtn = add("CloseBtn", "Close", QDialogButtonBox::RejectRole);
    FindNextBtn->setDefault(true);
    connect(FindNextBtn, &QPushButton::clicked, this, &TFindDlg::findNext);
    connect(FindPreviousBtn, &QPushButton::clicked, this, &TFindDlg::findPrevious);
    connect(ReplaceBtn, &QPushButton::clicked, this, &TFindDlg::replaceOne);
    connect(ReplaceAllBtn, &QPushButton::clicked, this, &TFindDlg::replaceAll);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::close);
    return buttons;
}

void TFindDlg::Open(bool replace, const QString &selection) {
    m_replace = replace;
    setWindowTitle(replace ? "Replace" : "Find");
    for (QWidget *w : std::initializer_list<QWidget *>{ReplaceLabel, ReplaceEdit, ReplaceBtn, ReplaceAllBtn})
        w->setVisible(replace);
    if (!selection.isEmpty() && !selection.contains(QChar::ParagraphSeparator)) FindEdit->setText(selection);
    SetStatus({});
    show();
    raise();
    activateWindow();
    QLineEdit *edit = replace && !FindEdit->text().isEmpty() ? ReplaceEdit : FindEdit;
    edit->setFocus();
    edit->selectAll();
}

QString TFindDlg::FindText() const { return FindEdit->text(); }

QString TFindDlg::ReplaceText() const { return ReplaceEdit->text(); }

QTextDocument::FindFlags TFindDlg::Flags() const {
    QTextDocument::FindFlags flags;
    if (MatchCaseBox->isChecked()) flags |= QTextDocument::FindCaseSensitively;
    if (WholeWordsBox->isChecked()) flags |= QTextDocument::FindWholeWords;
    return flags;
}

bool TFindDlg::AllPrograms() const { return AllProgramsBtn->isChecked(); }

void TFindDlg::SetStatus(const QString &text) { StatusLabel->setText(text); }
