// Find, Find Next and Previous, Replace and Go to Line on the program editors: in the current program
// or through all 16.
#include "app/FindCommands.h"

#include "app/ProgramBook.h"
#include "compiler/ui/Finddlg.h"
#include "uikit/Modal.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QSpinBox>
#include <QTextBlock>
#include <QVBoxLayout>

namespace {

// The line number of Go to Line: digits only; a number past the last line (or 0) may be typed and
// becomes the nearest line when the dialog is confirmed, where a spin box would refuse the key and
// leave the number half typed.
class TLineBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;
    QValidator::State validate(QString &input, int &) const override {
        if (input.isEmpty()) return QValidator::Intermediate;
        for (QChar c : input)
            if (!c.isDigit()) return QValidator::Invalid;
        bool ok = false;
        const qlonglong value = input.toLongLong(&ok);
        return ok && value >= minimum() && value <= maximum() ? QValidator::Acceptable
                                                              : QValidator::Intermediate;
    }
    void fixup(QString &input) const override {
        if (input.isEmpty()) return;
        bool ok = false;
        const qlonglong value = input.toLongLong(&ok);
        input = QString::number(!ok || value > maximum() ? maximum() : qMax<qlonglong>(value, minimum()));
    }
};

} // namespace

TFindCommands::TFindCommands(TProgramBook &programs, QWidget *window)
    : QObject(window), m_programs(programs), m_window(window), m_dialog(new TFindDlg(window)) {
    connect(m_dialog, &TFindDlg::findNext, this, &TFindCommands::FindNext);
    connect(m_dialog, &TFindDlg::findPrevious, this, &TFindCommands::FindPrevious);
    connect(m_dialog, &TFindDlg::replaceOne, this, &TFindCommands::ReplaceOne);
    connect(m_dialog, &TFindDlg::replaceAll, this, &TFindCommands::ReplaceAll);
}

void TFindCommands::Find() { m_dialog->Open(false, m_programs.CurrentEditor()->textCursor().selectedText()); }

void TFindCommands::Replace() {
    m_dialog->Open(true, m_programs.CurrentEditor()->textCursor().selectedText());
}

bool TFindCommands::FindNext() { return FindFrom(false); }

bool TFindCommands::FindPrevious() { return FindFrom(true); }

bool TFindCommands::FindFrom(bool backward) {
    const QString text = m_dialog->FindText();
    if (text.isEmpty()) {
        // F3 before anything was looked for asks what to look for.
        Find();
        return false;
    }
    QTextDocument::FindFlags flags = m_dialog->Flags();
    if (backward) flags |= QTextDocument::FindBackward;
    const int current = m_programs.CurrentProgram();
    QTextCursor found =
        m_programs.CurrentEditor()->document()->find(text, m_programs.CurrentEditor()->textCursor(), flags);
    int program = current;
    QString where;
    // On through the other programs, or round to the current one's other end.
    const int others = m_dialog->AllPrograms() ? ProgramCount : 1;
    for (int step = 1; found.isNull() && step <= others; ++step) {
        program = others == 1 ? current : (current + (backward ? ProgramCount - step : step)) % ProgramCount;
        found = FindFromEdge(*m_programs.Editor(program)->document(), text, flags);
        if (program != current)
            where = QString("Found in program #%1.").arg(program);
        else
            where = others > 1
                        ? QString("Went round all 16 programs.")
                        : QString("Went on from the %1 of the program.").arg(backward ? "end" : "start");
    }
    if (found.isNull()) {
        m_dialog->SetStatus(QString("\"%1\" was not found.").arg(text));
        QApplication::beep();
        return false;
    }
    if (program != current) m_programs.ShowProgram(program);
    TProgramText *editor = m_programs.Editor(program);
    editor->setTextCursor(found);
    editor->ensureCursorVisible();
    m_programs.RefreshCaret();
    m_dialog->SetStatus(where);
    return true;
}

void TFindCommands::ReplaceOne() {
    TProgramText *editor = m_programs.CurrentEditor();
    QTextCursor cursor = editor->textCursor();
    if (SelectionMatches(cursor, m_dialog->FindText(), m_dialog->Flags())) {
        cursor.insertText(m_dialog->ReplaceText());
        editor->setTextCursor(cursor);
    }
    FindNext();
}

int TFindCommands::ReplaceAll() {
    const QString text = m_dialog->FindText();
    if (text.isEmpty()) return 0;
    const bool all = m_dialog->AllPrograms();
    const int current = m_programs.CurrentProgram();
    int total = 0, programs = 0;
    for (int k = all ? 0 : current; k <= (all ? ProgramCount - 1 : current); ++k) {
        const int count = ReplaceAllInDocument(*m_programs.Editor(k)->document(), text,
                                               m_dialog->ReplaceText(), m_dialog->Flags());
        total += count;
        programs += count > 0;
    }
    if (total == 0)
        m_dialog->SetStatus(QString("\"%1\" was not found.").arg(text));
    else if (all)
        m_dialog->SetStatus(QString("%1 replaced in %2 of the 16 programs; Undo in each program takes its "
                                    "replacements back.")
                                .arg(total == 1 ? QString("1 match") : QString("%1 matches").arg(total))
                                .arg(programs));
    else
        m_dialog->SetStatus(QString("%1 replaced in program #%2.")
                                .arg(total == 1 ? QString("1 match") : QString("%1 matches").arg(total))
                                .arg(current));
    m_programs.RefreshCaret();
    return total;
}

void TFindCommands::GoToLine() {
    TProgramText *editor = m_programs.CurrentEditor();
    m_programs.RefreshCaret();
    const int lines = editor->document()->blockCount();
    QDialog dialog(m_window);
    dialog.setObjectName("GoToLineDlg");
    dialog.setWindowTitle("Go to Line");
    auto *layout = new QVBoxLayout(&dialog);
    auto *label = new QLabel(
        QString("Line of program #%1 (1 to %2):").arg(m_programs.CurrentProgram()).arg(lines), &dialog);
    auto *box = new TLineBox(&dialog);
    box->setObjectName("LineBox");
    box->setRange(1, lines);
    box->setValue(qBound(1, m_programs.CaretLine(), lines));
    box->selectAll();
    label->setBuddy(box);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(box);
    layout->addWidget(buttons);
    if (RunModal(dialog) == QDialog::Accepted) {
        box->interpretText(); // a number past the end becomes the last line
        editor->setTextCursor(QTextCursor(editor->document()->findBlockByNumber(box->value() - 1)));
        editor->centerCursor();
    }
    editor->setFocus();
    m_programs.RefreshCaret();
}
