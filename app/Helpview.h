// The built-in help window: the program language, its messages and a page per command.
#pragma once

#include <QDialog>

class QTextBrowser;

class THelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget *parent = nullptr);

    // Shows the window at a help context: 1 is the contents page.
    void ShowTopic(int context);

    QTextBrowser *Browser;
};

// The HTML of one help page by its name ("contents", "language", "messages", "cmd-show", ...).
QString HelpPage(const QString &name);
