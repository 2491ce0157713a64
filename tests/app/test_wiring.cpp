// The window's wiring of Import, Export, the aux display, printing, message navigation, the keys and
// opening from the command line, every box and dialog answered through the modal seam.
#include "app/GraphView.h"
#include "app/Mainform.h"
#include "app/ProgramBook.h"
#include "app/SetFiles.h"
#include "app/StatusLine.h"
#include "compiler/state.h"
#include "compiler/ui/Errdial.h"
#include "graph/ui/Auxbview.h"
#include "graph/ui/Printwht.h"
#include "romfiles/defaults.h"
#include "romfiles/ui/Exportf.h"
#include "romfiles/ui/Importf.h"
#include "uikit/Modal.h"
#include "uikit/Settings.h"
#include "window_test.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

void WriteText(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList ReadLines(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromLatin1(file.readAll()).split("\r\n");
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

void CheckRadio(QWidget *group, const QString &caption) {
    for (QRadioButton *button : group->findChildren<QRadioButton *>())
        if (button->text() == caption) return button->click();
    QFAIL(qPrintable("no radio button " + caption));
}

// The selected text of an editor as the program line it covers.
QString SelectedLine(QPlainTextEdit *editor) { return editor->textCursor().selectedText(); }

} // namespace

class TestWiring : public WindowTest {
    Q_OBJECT

    void Import(const QString &file, const QString &type, bool insert) {
        m_onDialog = [=](QDialog &dialog) {
            auto *import = qobject_cast<TImportDlg *>(&dialog);
            if (!import) return int(QDialog::Rejected);
            CheckRadio(import->FileTypeGroup, type);
            (insert ? import->RBInsert : import->RBReplace)->setChecked(true);
            import->EBInfile->setText(file);
            return int(QDialog::Accepted);
        };
        QTest::mouseClick(m_form->Controls().ImportButton, Qt::LeftButton);
    }

private slots:
    void initTestCase() {
        SetUpWindowTests();
        SetRecentSetsFile(Path("config/recent.conf"));
        m_dialogAnswer = QDialog::Rejected;
    }
    void init() { OpenWindow({900, 700}); }
    void cleanup() { CloseWindow(); }

    void importReplaceAndInsertReachTheEditor() {
        WriteText(Path("points.txt"), "0 0\n1 10\n");
        Import("points.txt", "Time and Value Ascii file", false);
        QCOMPARE(m_boxes, QStringList{});
        QCOMPARE(m_form->Programs()->Editor(0)->toPlainText(),
                 QString("maxsteer(200.000 deg)\nbegin\nsetrate(256 hz)\n"
                         "stepto(0.000d)\nrampto(10.000d,1.0000s)\nend"));
        QVERIFY(m_form->Status()->Bar()->text().startsWith("Line:1 Col:1"));
        QVERIFY(m_form->Programs()->Changed());

        // Insert goes before the caret's line, even when no key or click told the window about it.
        WriteText(Path("two.txt"), "a\r\nb\r\n");
        m_form->Programs()->Tabs()->setCurrentIndex(4);
        m_form->Programs()->Editor(4)->moveCursor(QTextCursor::Start);
        m_form->Programs()->Editor(4)->moveCursor(QTextCursor::Down);
        m_form->Programs()->Editor(4)->moveCursor(QTextCursor::Right);
        Import("two.txt", "Text", true);
        QCOMPARE(ProgramLines(*m_form->Programs()->Editor(4)),
                 (ProgramText{"maxsteer(100 deg)", "a", "b", "begin", "", "end"}));
        QVERIFY(m_form->Status()->Bar()->text().startsWith("Line:4 Col:2"));
        // The import is one edit: undo gives the program back.
        m_form->Programs()->Editor(4)->undo();
        QCOMPARE(ProgramLines(*m_form->Programs()->Editor(4)), DefaultProgram());
    }

    void failingImportLeavesTheText() {
        WriteText(Path("bad.txt"), "0 0\n1 x\n");
        Import("bad.txt", "Time and Value Ascii file", false);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(ProgramLines(*m_form->Programs()->Editor(0)), DefaultProgram());
        QVERIFY(!m_form->Programs()->Changed());
    }

    void exportWritesTheFileAndKeepsTheFolder() {
        const QString folder = Path("exports");
        QVERIFY(QDir().mkpath(folder));
        Settings().textDir = folder.toStdString();
        SetProgram(0, "maxsteer(100 deg)\nbegin\nsetrate(256 hz)\nrampto(10 deg, 1 sec)\nend");
        m_onDialog = [](QDialog &dialog) {
            auto *exportDlg = qobject_cast<TExportDlg *>(&dialog);
            exportDlg->EBOutfile->setText("steer.txt");
            return int(QDialog::Accepted);
        };
        QTest::mouseClick(m_form->Controls().ExportButton, Qt::LeftButton);
        const QStringList lines = ReadLines(folder + "/steer.txt");
        QCOMPARE(lines.size(), m_form->LastCompile().endIndex + 1);
        QCOMPARE(lines.at(1), QString("   0.004   0.039"));
        QCOMPARE(m_form->Controls().ExportButton->toolTip(), QString("Export current program to ascii text"));

        // A failed compile writes nothing and says why; Cancel still keeps the dialog's folder.
        SetProgram(0, "maxsteer(100 deg)\nbegin\nstpto(10 deg)\nend");
        m_onDialog = [](QDialog &dialog) {
            if (auto *exportDlg = qobject_cast<TExportDlg *>(&dialog))
                exportDlg->EBOutfile->setText("bad.txt");
            return int(QDialog::Accepted);
        };
        m_form->ExportButtonClick();
        QVERIFY(!QFile::exists(folder + "/bad.txt"));
        QCOMPARE(m_dialogs.last(), QString("TErrDialog"));
        QCOMPARE(m_form->Programs()->Editor(0)->ErrorLines(), std::set<int>{3});
        m_onDialog = [](QDialog &dialog) {
            static_cast<TExportDlg &>(dialog).SetFolder(QDir::tempPath());
            return int(QDialog::Rejected);
        };
        m_form->ExportButtonClick();
        QCOMPARE(QString::fromStdString(Settings().textDir), QDir::tempPath());
    }

    void auxToggleBeforeAnyShowOnlyFlipsTheCheck() {
        const QImage before = m_form->Graph()->Image()->Picture().copy();
        m_form->Actions().DisplayAuxBits1->trigger();
        QVERIFY(m_form->Actions().DisplayAuxBits1->isChecked());
        QCOMPARE(m_form->Graph()->Image()->Picture(), before);
        m_form->Actions().DisplayAuxBits1->trigger();
        QVERIFY(!m_form->Actions().DisplayAuxBits1->isChecked());
        QCOMPARE(m_form->Graph()->Image()->Picture(), before);
    }

    void auxToggleAfterShowDrawsAndUncheckingRestoresTheSnapshot() {
        SetProgram(0, "maxsteer(100 deg)\nbegin\nsetflag(1 bit, 100 %)\nrampto(50 deg, 2 sec)\n"
                      "setflag(1 bit, 0 %)\nwait(1 sec)\nend");
        m_form->ShowButtonClick();
        QCOMPARE(m_form->Graph()->ShownProgram(), 0);
        const QImage shown = m_form->Graph()->Image()->Picture().copy();
        m_form->Actions().DisplayAuxBits1->trigger();
        const QImage withAux = m_form->Graph()->Image()->Picture().copy();
        QVERIFY(withAux != shown);
        // A resize keeps the graph with its traces; unchecking draws it without them, as Show would.
        m_form->resize(800, 600);
        QCoreApplication::processEvents();
        QVERIFY(m_form->Graph()->Image()->Picture().size() != shown.size());
        m_form->Actions().DisplayAuxBits1->trigger();
        const QImage resized = m_form->Graph()->Image()->Picture().copy();
        m_form->ShowButtonClick();
        QCOMPARE(m_form->Graph()->Image()->Picture(), resized);
        // Show with the item checked draws the traces over the snapshot it saves.
        m_form->Actions().DisplayAuxBits1->trigger();
        m_form->resize(900, 700);
        m_form->ShowButtonClick();
        QCOMPARE(m_form->Graph()->Image()->Picture(), withAux);
        QCOMPARE(QImage(m_form->Graph()->SnapshotPath()).convertToFormat(QImage::Format_RGB32), shown);
        // The selection dialog edits the settings that the traces are drawn with.
        m_onDialog = [](QDialog &dialog) {
            auto *aux = qobject_cast<TAuxView *>(&dialog);
            aux->CBB[7]->setChecked(true);
            aux->OKBtnClick();
            return int(QDialog::Accepted);
        };
        m_form->Actions().SelectAuxBits1->trigger();
        QCOMPARE(m_dialogs, QStringList{"TAuxView"});
        QVERIFY(AuxDisplay().selected[7]);
        AuxDisplay() = {};
    }

    void printOfProgramsThreeThruFiveMakesThreePages() {
        for (int k = 3; k <= 5; ++k)
            SetProgram(k, QString("maxsteer(100 deg)\nbegin\n; program %1\nend").arg(k));
        QPrinter &printer = m_form->Printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(Path("texts.pdf"));
        auto answer = [](PrintSource source, int first, int last) {
            return [=](QDialog &dialog) {
                if (auto *which = qobject_cast<TPrintWhichDialog *>(&dialog)) {
                    which->findChildren<QRadioButton *>().at(int(source))->setChecked(true);
                    which->fromgraph->setValue(first);
                    which->thrugraph->setValue(last);
                }
                return int(QDialog::Accepted);
            };
        };
        m_onDialog = answer(PrintSource::Programs, 3, 5);
        m_form->Actions().Print1->trigger();
        QCOMPARE(m_dialogs, (QStringList{"TPrintWhichDialog", "QPrintDialog"}));
        QFile pdf(Path("texts.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLatin1(pdf.readAll()).count(QRegularExpression("/Type\\s*/Page(?!s)")), 3);

        // Graphs leave the on-screen picture in the working directory.
        printer.setOutputFileName(Path("graphs.pdf"));
        m_onDialog = answer(PrintSource::Graphs, 0, 3);
        m_form->Print1Click();
        QVERIFY(QFile::exists(Path("graphs.pdf")));
        QCOMPARE(QImage(Path("imgsave.bmp")).size(), m_form->Graph()->Image()->Picture().size());
        QCOMPARE(m_boxes, QStringList{});

        m_dialogs.clear();
        m_form->Actions().PrintSetup1->trigger();
        QCOMPARE(m_dialogs, QStringList{"QPageSetupDialog"});
    }

    // No two items of a menu, no two menus of the bar and no two controls of a dialog answer to the same
    // Alt key: the second would never be reached by it.
    void everyMnemonicIsOnlyOnceInItsMenuOrDialog() {
        const auto mnemonic = [](const QString &text) -> QChar {
            for (qsizetype i = 0; i + 1 < text.size(); ++i) {
                if (text[i] != '&') continue;
                if (text[i + 1] == '&') {
                    ++i;
                    continue;
                }
                return text[i + 1].toLower();
            }
            return {};
        };
        const auto check = [&](const QString &where, const QStringList &texts) {
            QMap<QChar, QString> seen;
            for (const QString &text : texts) {
                const QChar key = mnemonic(text);
                if (key.isNull()) continue;
                QVERIFY2(!seen.contains(key),
                         qPrintable(where + ": Alt+" + key + " is both " + seen[key] + " and " + text));
                seen[key] = text;
            }
        };
        QStringList bar;
        for (QAction *menu : m_form->menuBar()->actions()) {
            bar << menu->text();
            if (!menu->menu()) continue;
            QStringList items;
            for (QAction *item : menu->menu()->actions()) items << item->text();
            check(menu->text(), items);
        }
        check("the menu bar", bar);
        const QList<QDialog *> dialogs = m_form->findChildren<QDialog *>();
        QVERIFY(dialogs.size() > 8);
        for (QDialog *dialog : dialogs) {
            QStringList controls;
            for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>())
                controls << button->text();
            for (QGroupBox *box : dialog->findChildren<QGroupBox *>()) controls << box->title();
            for (QLabel *label : dialog->findChildren<QLabel *>())
                if (label->buddy()) controls << label->text();
            check(dialog->metaObject()->className(), controls);
        }
    }

    void shortcutsReachTheirActions() {
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        QWidget *editor = m_form->Programs()->CurrentEditor();
        editor->setFocus();
        m_answer = QMessageBox::Cancel;
        const struct {
            QAction *action;
            QKeyCombination key;
        } cases[] = {
            {m_form->Actions().New1, Qt::CTRL | Qt::Key_N},
            {m_form->Actions().Open1, Qt::CTRL | Qt::Key_O},
            {m_form->Actions().Save1, Qt::CTRL | Qt::Key_S},
            {m_form->Actions().SaveAs1, Qt::CTRL | Qt::SHIFT | Qt::Key_S},
            {m_form->Actions().Print1, Qt::CTRL | Qt::Key_P},
            {m_form->Actions().ShowAction, QKeyCombination(Qt::Key_F5)},
            {m_form->Actions().BuildAction, Qt::CTRL | Qt::SHIFT | Qt::Key_B},
            {m_form->Actions().Help1, QKeyCombination(Qt::Key_F1)},
            {m_form->Actions().DisplayAuxBits1, Qt::CTRL | Qt::Key_B},
        };
        for (const auto &c : cases) {
            QSignalSpy triggered(c.action, &QAction::triggered);
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : editor, c.key.key(),
                            c.key.keyboardModifiers());
            QVERIFY2(triggered.count() == 1, qPrintable(c.action->text()));
            m_form->activateWindow();
            editor->setFocus();
        }
        QCOMPARE(m_form->Graph()->ShownProgram(), 0); // F5 ran Show
        QTest::keyClick(editor, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!m_form->isVisible());
    }

    void failedShowMarksTheLinesAndDoubleClickGoesThere() {
        m_form->Programs()->Tabs()->setCurrentIndex(2);
        SetProgram(2, "maxsteer(100 deg)\nbegin\nstpto(10 deg)\nwait(1 sec)\nsetrate(300 hz)\nend");
        QString memo, clicked;
        m_onDialog = [&](QDialog &dialog) -> int {
            auto *messages = qobject_cast<TErrDialog *>(&dialog);
            messages->show();
            memo = messages->ErrMemo->toPlainText();
            const QTextBlock block = messages->ErrMemo->document()->findBlockByNumber(1);
            clicked = block.text();
            const QPoint at = messages->ErrMemo->cursorRect(QTextCursor(block)).center() + QPoint(20, 0);
            QTest::mouseDClick(messages->ErrMemo->viewport(), Qt::LeftButton, {}, at);
            return messages->result();
        };
        m_form->ShowButtonClick();
        QVERIFY(memo.startsWith("Error in line 3"));
        QVERIFY(clicked.startsWith("Error in line 5"));
        QVERIFY(m_form->Dialogs().ErrDialog->isHidden()); // the double-click closed it
        QCOMPARE(m_form->Programs()->Editor(2)->ErrorLines(), (std::set<int>{3, 5}));
        QCOMPARE(SelectedLine(m_form->Programs()->Editor(2)), QString("setrate(300 hz)"));
        QVERIFY(m_form->Status()->Bar()->text().startsWith("Line:5 Col:1"));
        // A good Show clears the marks.
        SetProgram(2, "maxsteer(100 deg)\nbegin\nend");
        m_form->ShowButtonClick();
        QCOMPARE(m_form->Programs()->Editor(2)->ErrorLines(), std::set<int>{});
    }

    void commandLineDropAndRecentSetsOpenThroughOpen() {
        const QString example = QUILLARD_EXAMPLES "/manoeuvres.rom";
        QFile::copy(example, Path("copy.rom"));
        m_form->OpenArguments({example});
        QVERIFY(m_form->windowTitle().startsWith("Helmcraft - manoeuvres.rom  last saved "));
        QVERIFY(ProgramLines(*m_form->Programs()->Editor(9)).at(0).starts_with("; Brake in a turn"));
        QVERIFY(!m_form->Programs()->Changed());

        // A wrong file changes nothing (after the unsaved-changes question).
        WriteText(Path("junk.rom"), "no marker\r\n");
        SetProgram(1, "edited");
        m_answer = QMessageBox::Discard;
        m_form->OpenArguments({Path("junk.rom")});
        QCOMPARE(m_boxes, (QStringList{"Save changes to the program set?", "Wrong file format!"}));
        QCOMPARE(m_form->Programs()->Editor(1)->toPlainText(), QString("edited"));
        QCOMPARE(m_form->SetFiles()->FileName(), QFileInfo(example).absoluteFilePath());

        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(Path("copy.rom"))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(m_form.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(m_form.get(), &drop);
        QCOMPARE(m_form->SetFiles()->FileName(), Path("copy.rom"));

        // The list survives into the next window, latest first, and its items open the set.
        const QStringList expected{Path("copy.rom"), QFileInfo(example).absoluteFilePath()};
        QCOMPARE(m_form->SetFiles()->RecentSets().mid(0, 2), expected);
        m_form.reset();
        init();
        QCOMPARE(m_form->SetFiles()->RecentSets().mid(0, 2), expected);
        m_form->Actions().RecentSets1->actions().at(1)->trigger();
        QCOMPARE(m_form->SetFiles()->FileName(), QFileInfo(example).absoluteFilePath());
        QCOMPARE(m_form->Actions().RecentSets1->actions().at(0)->text(),
                 "&1 " + QFileInfo(example).absoluteFilePath());
    }
};

QTEST_MAIN(TestWiring)
#include "test_wiring.moc"
