// Find and Replace in the program editors: the searches on a document, and the dialog that asks what
// to find, what to put in its place and where.
#pragma once

#include <QDialog>
#include <QTextCursor>
#include <QTextDocument>

class QCheckBox;
class QDialogButtonBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Replaces every match of the text in the document as one edit, which one undo takes back; returns
// the number of matches replaced. A replacement that holds the text is not searched again.
int ReplaceAllInDocument(QTextDocument &document, const QString &text, const QString &replacement,
                         QTextDocument::FindFlags flags);

// Whether the cursor's selection is exactly a match of the text (by the flags' case and word rules).
bool SelectionMatches(const QTextCursor &cursor, const QString &text, QTextDocument::FindFlags flags);

// The first match from the start of the document, or the last one before its end with FindBackward.
QTextCursor FindFromEdge(const QTextDocument &document, const QString &text, QTextDocument::FindFlags flags);

// The Find and Replace dialog. It stays open beside the window; its buttons report what is asked.
class TFindDlg : public QDialog {
    Q_OBJECT
public:
    explicit TFindDlg(QWidget *parent = nullptr);

    // Shows the dialog for Find or for Replace, the find text preset to a selection of one line.
    void Open(bool replace, const QString &selection);
    bool ReplaceShown() const { return m_replace; }

    QString FindText() const;
    QString ReplaceText() const;
    // Case-insensitive unless Match case is ticked, as the program language is.
    QTextDocument::FindFlags Flags() const;
    bool AllPrograms() const;
    void SetStatus(const QString &text);

    QLineEdit *FindEdit, *ReplaceEdit;
    QLabel *ReplaceLabel, *StatusLabel;
    QCheckBox *MatchCaseBox, *WholeWordsBox;
    QRadioButton *ThisProgramBtn, *AllProgramsBtn;
    QPushButton *FindNextBtn, *FindPreviousBtn, *ReplaceBtn, *ReplaceAllBtn, *CloseBtn;

signals:
    void findNext();
    void findPrevious();
    void replaceOne();
    void replaceAll();

private:
    QGridLayout *CreateTextFields();
    QHBoxLayout *CreateOptionBoxes();
    QGroupBox *CreateScope();
    QDialogButtonBox *CreateButtons();

    bool m_replace = false;
};
