// The Messages dialog: the message lines of the last compile in a read-only memo. A double-click on
// a line that names a program line closes the dialog and reports that line.
#pragma once

#include "compiler/state.h"

#include <QDialog>

#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;

class TErrDialog : public QDialog {
    Q_OBJECT
public:
    explicit TErrDialog(QWidget *parent = nullptr);

    // Replaces the memo with the given lines (Latin-1), one memo line each.
    void SetLines(const std::vector<std::string> &lines);
    // Loads the Messages text of the state's last compile and shows the dialog modally.
    void ShowCompileMessages(const CompilerState &state);

    QPlainTextEdit *ErrMemo;
    QPushButton *OKBtn;
    QPushButton *HelpBtn;

signals:
    // The program line (from 1) that a double-clicked message names.
    void lineChosen(int line);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void OKBtnClick();
};
