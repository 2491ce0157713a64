// What the main-window tests share: a temporary folder that is the current and start-up folder with a
// defaults file naming it for every directory, a window made afresh for every test, and the modal seam
// answered and recorded.
#pragma once

#include "app/Mainform.h"
#include "app/ProgramBook.h"
#include "compiler/ui/Errdial.h"
#include "romfiles/defaults.h"
#include "uikit/Modal.h"
#include "uikit/Settings.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QtTest>

#include <functional>
#include <memory>

#ifdef QUILLARD_CLI
// What quillard-cli writes with the arguments, run in the folder: the file named by "-o" (or an error
// text when the command fails, which no comparison of bytes mistakes for a picture).
inline QByteArray CliOutputFile(const QString &dir, const QStringList &arguments) {
    QProcess cli;
    cli.setWorkingDirectory(dir);
    cli.start(QUILLARD_CLI, arguments);
    if (!cli.waitForFinished(60000) || cli.exitCode() != 0)
        return "quillard-cli failed: " + cli.readAllStandardError();
    QFile file(QDir(dir).filePath(arguments.value(arguments.indexOf("-o") + 1)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("no file written");
}
#endif

class WindowTest : public QObject {
protected:
    QTemporaryDir m_dir;
    std::unique_ptr<TForm1> m_form;
    QStringList m_boxes;  // texts of the boxes shown, in order
    QList<int> m_boxTabs; // the current program under each of them
    // The button a box answers with when it offers it, else OK.
    QMessageBox::StandardButton m_answer = QMessageBox::Ok;
    QStringList m_dialogs;                                // class names of the modal forms shown
    QStringList m_memos;                                  // Messages dialog contents, one per showing
    std::function<int(QDialog &)> m_onDialog;             // answers the modal forms of one test
    int m_dialogAnswer = QDialog::Accepted;               // answers them without it
    std::function<QString(const FileRequest &)> m_onFile; // answers the file dialogs of one test
    QString m_chosenFile;                                 // answers them without it
    FileRequest m_fileRequest;                            // the last one asked for
    int m_fileDialogs = 0;

    QString Path(const QString &name) const { return m_dir.filePath(name); }

    // Replaces the program as the user's typing would: the document counts as modified.
    void SetProgram(int k, const QString &text) {
        QTextCursor cursor(m_form->Programs()->Editor(k)->document());
        cursor.select(QTextCursor::Document);
        cursor.insertText(text);
    }

    // For initTestCase: the folder, its defaults file and the handlers of the modal seam.
    void SetUpWindowTests() {
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
        const std::string dir = m_dir.path().toStdString();
        Settings().startupDir = dir;
        WriteDefaults(dir, {dir, dir, dir, true});
        SetBoxHandler([this](QWidget *, const BoxRequest &r) {
            m_boxes << r.text;
            m_boxTabs << (m_form ? m_form->Programs()->CurrentProgram() : -1);
            return (r.buttons & m_answer) ? m_answer : QMessageBox::Ok;
        });
        SetDialogHandler([this](QDialog &dialog) {
            m_dialogs << dialog.metaObject()->className();
            if (auto *messages = qobject_cast<TErrDialog *>(&dialog))
                m_memos << messages->ErrMemo->toPlainText();
            return m_onDialog ? m_onDialog(dialog) : m_dialogAnswer;
        });
        SetFileHandler([this](QWidget *, const FileRequest &r) {
            m_fileRequest = r;
            ++m_fileDialogs;
            return m_onFile ? m_onFile(r) : m_chosenFile;
        });
    }

    // For init: nothing recorded, every box answered with OK, and a new window with its dialogs, shown
    // at the size when one is given.
    void OpenWindow(QSize size = {}) {
        m_boxes.clear();
        m_dialogs.clear();
        m_memos.clear();
        m_onDialog = nullptr;
        m_onFile = nullptr;
        m_chosenFile.clear();
        m_fileDialogs = 0;
        m_answer = QMessageBox::Ok;
        m_form = std::make_unique<TForm1>();
        m_form->CreateDialogs();
        if (size.isValid()) m_form->resize(size);
        m_form->show();
    }

    // For cleanup: unsaved changes are discarded and the window goes.
    void CloseWindow() {
        m_answer = QMessageBox::Discard;
        m_onDialog = nullptr;
        m_form.reset();
    }
};
