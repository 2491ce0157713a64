// The Messages dialog: the message lines of the last compile in a read-only memo.
#pragma once

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
    // Loads the Messages text of the last compile and shows the dialog modally.
    void ShowCompileMessages();

    QPlainTextEdit *ErrMemo;
    QPushButton *OKBtn;
    QPushButton *HelpBtn;

private slots:
    void OKBtnClick();
};
