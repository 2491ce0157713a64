// Main window: start-up state, caret read-out, the Edit menu and the editor line conversion.
#include "app/About.h"
#include "app/GraphView.h"
#include "app/Helpview.h"
#include "app/Mainform.h"
#include "app/ProgramBook.h"
#include "app/StatusLine.h"
#include "compiler/compile.h"
#include "compiler/ui/Errdial.h"
#include "uikit/Modal.h"
#include "uikit/Settings.h"
#include "window_test.h"

#include <QAction>
#include <QFontDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolButton>
#include <QtTest>

#include <memory>

class TestMainform : public WindowTest {
    Q_OBJECT

private slots:
    void initTestCase() { SetUpWindowTests(); }
    void init() {
        OpenWindow();
        QCOMPARE(m_boxes, QStringList{});
    }
    void cleanup() { CloseWindow(); }

    void startsUntitledWithTheDefaultProgramOnEveryTab() {
        QCOMPARE(m_form->windowTitle(), QString("Helmcraft - Untitled"));
        QCOMPARE(m_form->Programs()->Tabs()->count(), 16);
        QCOMPARE(m_form->Programs()->Tabs()->currentIndex(), 0);
        QCOMPARE(m_form->Programs()->Tabs()->shape(), QTabBar::RoundedSouth);
        for (int i = 0; i < 16; ++i) {
            QCOMPARE(m_form->Programs()->Tabs()->tabText(i), QString::number(i));
            auto *editor = m_form->findChild<QPlainTextEdit *>(QString("ProgramText%1").arg(i));
            QVERIFY(editor);
            QCOMPARE(editor->toPlainText(), QString("maxsteer(100 deg)\nbegin\n\nend"));
            QCOMPARE(ProgramLines(*editor), (ProgramText{"maxsteer(100 deg)", "begin", "", "end"}));
        }
        QCOMPARE(m_form->Status()->Bar()->text(), QString());
        QVERIFY(m_form->Status()->Progress()->isHidden());
    }

    void buttonsStandInTableOrderWithTheirHints() {
        const QStringList names = {"OpenButton",   "ImportButton", "ExportButton", "SaveButton",
                                   "SaveAsButton", "ShowButton",   "BuildButton"};
        const QStringList captions = {"Open", "Import", "Export", "Save", "Save As", "Show", "Build"};
        const QStringList hints = {"Open a program set",
                                   "Import an ascii program",
                                   "Export current program to ascii text",
                                   "Save program set",
                                   "Save Program set to new name",
                                   "Compile and display current program",
                                   "Compile all programs in set and build ROM file"};
        QPushButton *previous = nullptr;
        for (int i = 0; i < names.size(); ++i) {
            auto *button = m_form->findChild<QPushButton *>(names[i]);
            QVERIFY(button);
            QCOMPARE(button->text(), captions[i]);
            QCOMPARE(button->toolTip(), hints[i]);
            QCOMPARE(button->x(), 8);
            if (previous) {
                QVERIFY(button->y() > previous->y());
                QCOMPARE(previous->nextInFocusChain(), button);
            }
            previous = button;
        }
    }

    void menusCarryTheirAccessKeysAndShortcuts() {
        QStringList top;
        for (QAction *a : m_form->menuBar()->actions()) top << a->text();
        QCOMPARE(top, (QStringList{"&File", "&Edit", "&Program", "&Build", "&View", "&Help", "&About"}));
        QStringList file;
        for (QAction *a : m_form->Actions().File1->actions()) file << (a->isSeparator() ? "-" : a->text());
        QCOMPARE(file, (QStringList{"&New",
                                    "&Open...",
                                    "R&ecent Sets",
                                    "&Save",
                                    "Save &As...",
                                    "Export Steps as &CSV...",
                                    "Overlay &Measured Log...",
                                    "Evalua&te Run...",
                                    "&Write Evaluation Report...",
                                    "Eva&luate Campaign...",
                                    "Export Campaign S&heet...",
                                    "Save &Graph As...",
                                    "-",
                                    "Preferences...",
                                    "Editor Font",
                                    "-",
                                    "&Print...",
                                    "P&rint Setup...",
                                    "-",
                                    "E&xit"}));
        QCOMPARE(m_form->Actions().EditorFont1->statusTip(), QString("Set the font for editor and printer"));
        QCOMPARE(m_form->Actions().Cut1->text(), QString("Cu&t"));
        QCOMPARE(m_form->Actions().Cut1->shortcut(), QKeySequence("Ctrl+X"));
        QCOMPARE(m_form->Actions().Copy1->shortcut(), QKeySequence("Ctrl+C"));
        QCOMPARE(m_form->Actions().Paste1->shortcut(), QKeySequence("Ctrl+V"));
        QCOMPARE(m_form->Actions().SelectAll1->text(), QString("Se&lect All"));
        QCOMPARE(m_form->Actions().SelectAll1->shortcut(), QKeySequence("Ctrl+A"));
        QCOMPARE(m_form->Actions().DisplayAuxBits1->shortcut(), QKeySequence("Ctrl+B"));
        QVERIFY(m_form->Actions().DisplayAuxBits1->isCheckable());
        QCOMPARE(m_form->Actions().SelectAuxBits1->text(), QString("&Select Aux ROM Bits to Display..."));
        // Keys of the commands whose menus name none.
        const std::pair<QAction *, const char *> keys[] = {{m_form->Actions().New1, "Ctrl+N"},
                                                           {m_form->Actions().Open1, "Ctrl+O"},
                                                           {m_form->Actions().Save1, "Ctrl+S"},
                                                           {m_form->Actions().SaveAs1, "Ctrl+Shift+S"},
                                                           {m_form->Actions().Print1, "Ctrl+P"},
                                                           {m_form->Actions().ShowAction, "F5"},
                                                           {m_form->Actions().BuildAction, "Ctrl+Shift+B"},
                                                           {m_form->Actions().Help1, "F1"},
                                                           {m_form->Actions().Exit1, "Ctrl+Q"},
                                                           {m_form->Actions().Find1, "Ctrl+F"},
                                                           {m_form->Actions().FindNext1, "F3"},
                                                           {m_form->Actions().FindPrevious1, "Shift+F3"},
                                                           {m_form->Actions().Replace1, "Ctrl+H"},
                                                           {m_form->Actions().GoToLine1, "Ctrl+G"}};
        for (const auto &[action, key] : keys) QCOMPARE(action->shortcut(), QKeySequence(key));
    }

    // Undo and Redo in the Edit menu act on the current program's own history, also with the focus
    // away from its editor.
    void undoAndRedoFollowTheCurrentProgram() {
        const TMainActions &a = m_form->Actions();
        QCOMPARE(a.Undo1->shortcut(), QKeySequence("Ctrl+Z"));
        QCOMPARE(a.Redo1->shortcuts(),
                 (QList<QKeySequence>{QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
        QVERIFY(!a.Undo1->isEnabled());
        SetProgram(2, "edited");
        QVERIFY(!a.Undo1->isEnabled()); // program 0 is current, and untouched
        m_form->Programs()->SelectProgram(2);
        QVERIFY(a.Undo1->isEnabled());
        m_form->Graph()->FitButton()->setFocus();
        a.Undo1->trigger();
        QCOMPARE(m_form->Programs()->Editor(2)->toPlainText(), QString("maxsteer(100 deg)\nbegin\n\nend"));
        QVERIFY(a.Redo1->isEnabled());
        a.Redo1->trigger();
        QCOMPARE(m_form->Programs()->Editor(2)->toPlainText(), QString("edited"));
    }

    void keysGoThroughTheProgramTabsAndTabIndentsWithBlanks() {
        const QString text = "maxsteer(100 deg)\nbegin\nwait(1 sec)\nend";
        SetProgram(7, text);
        QApplication::setActiveWindow(m_form.get());
        struct Key {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            int program; // selected after the key
        };
        const Key keys[] = {{Qt::Key_PageDown, Qt::ControlModifier, 1},
                            {Qt::Key_PageUp, Qt::ControlModifier, 0},
                            {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 15}, // round
                            {Qt::Key_Tab, Qt::ControlModifier, 0},
                            {Qt::Key_7, Qt::AltModifier, 7}};
        for (const Key &key : keys) {
            QTest::keyClick(QApplication::focusWidget(), key.key, key.modifiers);
            QCOMPARE(m_form->Programs()->CurrentProgram(), key.program);
            QCOMPARE(QApplication::focusWidget(), m_form->Programs()->CurrentEditor());
        }
        // Nothing was typed. Tab indents a statement with blanks, which the compiler skips; a tab
        // character it would not.
        QPlainTextEdit *editor = m_form->Programs()->CurrentEditor();
        QCOMPARE(editor->toPlainText(), text);
        editor->setTextCursor(QTextCursor(editor->document()->findBlockByNumber(2)));
        QTest::keyClick(editor, Qt::Key_Tab);
        QCOMPARE(editor->toPlainText(), QString(text).replace("wait", "    wait"));
        m_form->ShowButtonClick();
        QCOMPARE(m_dialogs, QStringList{});
    }

    void caretReadOutFollowsKeysAndMouse() {
        QPlainTextEdit *editor = m_form->Programs()->CurrentEditor();
        QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(m_form->Status()->Bar()->text().startsWith("Line:1 Col:1     Graph Pos: ("));
        QTextCursor cursor = editor->textCursor();
        cursor.setPosition(QString("maxsteer(100 deg)\nbeg").size());
        editor->setTextCursor(cursor);
        QTest::keyRelease(editor, Qt::Key_Shift);
        QVERIFY(m_form->Status()->Bar()->text().startsWith("Line:2 Col:4     Graph Pos: ("));
        QVERIFY(QRegularExpression(R"(Graph Pos: \(-?\d+\.\d\d,-?\d+\.\d\d\)$)")
                    .match(m_form->Status()->Bar()->text())
                    .hasMatch());
        // A tab change leaves the read-out of the previous editor.
        m_form->Programs()->Tabs()->setCurrentIndex(5);
        QVERIFY(m_form->Status()->Bar()->text().startsWith("Line:2 Col:4"));
        QCOMPARE(m_form->Programs()->Notebook()->currentWidget(), m_form->Programs()->Editor(5));
    }

    void editMenuNamesTheCurrentProgram() {
        m_form->Programs()->Tabs()->setCurrentIndex(11);
        emit m_form->Actions().Edit1->aboutToShow();
        QCOMPARE(m_form->Actions().Clear1->text(), QString("Clear Program #11"));
    }

    void clearProgramResetsOnlyTheCurrentProgramWithoutAsking() {
        m_form->Programs()->Tabs()->setCurrentIndex(3);
        m_form->Programs()->Editor(3)->setPlainText("maxsteer(10 deg)\nbegin\nwait(1 sec)\nend");
        m_form->Programs()->Editor(4)->setPlainText("x");
        m_form->Programs()->Editor(3)->moveCursor(QTextCursor::End);
        m_form->Actions().Clear1->trigger();
        QVERIFY(m_boxes.isEmpty());
        QCOMPARE(m_form->Programs()->Editor(3)->toPlainText(), QString("maxsteer(100 deg)\nbegin\n\nend"));
        QCOMPARE(m_form->Programs()->Editor(4)->toPlainText(), QString("x"));
        QVERIFY(m_form->Status()->Bar()->text().startsWith("Line:1 Col:1"));
    }

    void editorFontReachesAllSixteenEditors() {
        SetDialogHandler([](QDialog &dialog) {
            auto *fonts = qobject_cast<QFontDialog *>(&dialog);
            if (fonts) fonts->setCurrentFont(QFont("Serif", 17));
            dialog.accept();
            return int(QDialog::Accepted);
        });
        m_form->Actions().EditorFont1->trigger();
        SetDialogHandler([](QDialog &) { return int(QDialog::Accepted); });
        for (int i = 0; i < 16; ++i) QCOMPARE(m_form->Programs()->Editor(i)->font().pointSize(), 17);
    }

    void dialogsCarryTheirTexts() {
        TErrDialog *messages = m_form->Dialogs().ErrDialog;
        QCOMPARE(messages->windowTitle(), QString("Messages"));
        QVERIFY(messages->ErrMemo->isReadOnly());
        QCOMPARE(messages->ErrMemo->lineWrapMode(), QPlainTextEdit::WidgetWidth); // long messages wrap
        QVERIFY(!messages->HelpBtn->isEnabled());
        messages->SetLines({"Error in line 3: x", "", "1 Error found - Aborting..."});
        QCOMPARE(messages->ErrMemo->toPlainText(),
                 QString("Error in line 3: x\n\n1 Error found - Aborting..."));

        QCOMPARE(m_form->Dialogs().AboutBox->windowTitle(), QString("About"));
        QStringList about;
        for (QLabel *label : m_form->Dialogs().AboutBox->findChildren<QLabel *>()) {
            QVERIFY(label->font().bold());
            about << label->text();
        }
        QCOMPARE(about, (QStringList{"Helmcraft", "Quillard Version 1.51"}));
    }

    void helpOpensAtTheContentsWithLanguageAndMessages() {
        m_form->Actions().Help1->trigger();
        QVERIFY(m_form->Dialogs().HelpWindow->isVisible());
        const QString contents = m_form->Dialogs().HelpWindow->Browser->toPlainText();
        QVERIFY(contents.startsWith("Quillard help"));
        for (const char *page :
             {"Functions", "Parameter ids", "Clock rates", "Messages", "Build (Build menu, Build button)",
              "Verify Images (Build menu)", "Save Graph As (File menu)"})
            QVERIFY2(contents.contains(page), page);
        const QString functions = HelpPage("functions");
        for (const char *name :
             {"SETRATE", "SETCURRENTHIGH", "SETCURRENTLOW", "SETFLAG", "PULSEFLAG", "WAITFORROLLPEAK",
              "PULSEBRAKE", "WAIT", "STEPTO", "STEPUP", "RAMPTO", "RAMPUP", "SINE", "SQUARE", "TRIANGLE",
              "SINESWEEP", "SINESWEEPLOG", "REPEATPROGRAM", "END"})
            QVERIFY2(functions.contains(QString("<tt>%1</tt>").arg(name)), name);
        QVERIFY(HelpPage("messages").contains("Illegal clock rate: must be 256, 512, 1024, or 2048"));
        // The example of running out of steps is the line such a compile gives.
        CompilerState state;
        QVERIFY(!CompileProgram(state, {"maxsteer(100 deg)", "begin", "wait(20 sec)", "end"}, {}));
        QVERIFY(HelpPage("messages").contains(QString::fromStdString(state.messageLines.at(0))));
        QVERIFY(HelpPage("rates").contains("2048 Hz"));
        const QString examples = HelpPage("examples");
        QCOMPARE(examples.count("<h2>Program "), 16);
        QVERIFY(examples.contains("waitforrollpeak"));
    }

    void editorLinesConvertToLatin1() {
        QPlainTextEdit editor;
        const struct {
            QString text;
            ProgramText lines;
        } cases[] = {
            {"", {}},
            {"a", {"a"}},
            {"a\n", {"a"}},
            {"a\n\n", {"a", ""}},
            {"\n", {""}},
            {QString::fromUtf8("\xc3\xa9\xe2\x82\xac"), {"\xe9?"}}, // e-acute stays, euro sign becomes "?"
        };
        for (const auto &c : cases) {
            editor.setPlainText(c.text);
            QCOMPARE(ProgramLines(editor), c.lines);
            SetProgramLines(editor, c.lines);
            QCOMPARE(ProgramLines(editor), c.lines);
        }
    }
};

QTEST_MAIN(TestMainform)
#include "test_mainform.moc"
