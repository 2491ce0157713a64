// Program > Copy To, Move To and Swap With: the question before a program of its own is replaced,
// and every changed editor's Undo taking its change back.
#include "app/SlotCommands.h"
#include "romfiles/ui/Slotdlg.h"
#include "window_test.h"

#include <QComboBox>
#include <QTabBar>
#include <QtTest>

namespace {

const QString Source = "; source\nmaxsteer(100 deg)\nbegin\nwait(2 sec)\nend";
const QString Other = "; other\nmaxsteer(50 deg)\nbegin\nend";
const QString Default = "maxsteer(100 deg)\nbegin\n\nend";

} // namespace

class TestSlotCommands : public WindowTest {
    Q_OBJECT

    QString Text(int k) const { return m_form->Programs()->Editor(k)->toPlainText(); }

private slots:
    void initTestCase() { SetUpWindowTests(); }
    void init() { OpenWindow(); }
    void cleanup() { CloseWindow(); }

    void copyMoveAndSwapAskBeforeReplacingAProgram_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("target"); // the text in slot 9 before
        QTest::addColumn<int>("answer");     // to the question, when there is one
        QTest::addColumn<int>("questions");
        QTest::addColumn<QString>("source2"); // slot 2 after
        QTest::addColumn<QString>("target9"); // slot 9 after
        QTest::newRow("copy to an empty slot")
            << "copy" << Default << int(QMessageBox::No) << 0 << Source << Source;
        QTest::newRow("copy over a program, no")
            << "copy" << Other << int(QMessageBox::No) << 1 << Source << Other;
        QTest::newRow("move over a program, yes")
            << "move" << Other << int(QMessageBox::Yes) << 1 << Default << Source;
        QTest::newRow("move over a program, no")
            << "move" << Other << int(QMessageBox::No) << 1 << Source << Other;
        QTest::newRow("move to an empty slot")
            << "move" << QString() << int(QMessageBox::No) << 0 << Default << Source;
        QTest::newRow("swap asks nothing") << "swap" << Other << int(QMessageBox::No) << 0 << Other << Source;
    }
    void copyMoveAndSwapAskBeforeReplacingAProgram() {
        QFETCH(QString, action);
        QFETCH(QString, target);
        QFETCH(int, answer);
        QFETCH(int, questions);
        QFETCH(QString, source2);
        QFETCH(QString, target9);
        SetProgram(2, Source);
        SetProgram(9, target);
        m_form->Programs()->Tabs()->setCurrentIndex(2);
        m_answer = QMessageBox::StandardButton(answer);
        m_onDialog = [](QDialog &dialog) {
            auto *picker = qobject_cast<TProgramSlotDlg *>(&dialog);
            if (!picker) return int(QDialog::Rejected);
            picker->ProgramBox->setCurrentIndex(9);
            return int(QDialog::Accepted);
        };
        TSlotCommands &commands = *m_form->Slots();
        if (action == "copy") commands.CopyTo();
        if (action == "move") commands.MoveTo();
        if (action == "swap") commands.SwapWith();
        QCOMPARE(m_boxes.size(), questions);
        QCOMPARE(Text(2), source2);
        QCOMPARE(Text(9), target9);
        // Each editor changed undoes its change in one step.
        if (Text(9) != target) {
            QCOMPARE(m_form->Programs()->CurrentProgram(), 9);
            m_form->Programs()->Editor(9)->undo();
            QCOMPARE(Text(9), target);
        }
        if (Text(2) != Source) {
            m_form->Programs()->Editor(2)->undo();
            QCOMPARE(Text(2), Source);
        }
    }

    void theCurrentProgramCannotBeItsOwnTarget() {
        m_form->Programs()->Tabs()->setCurrentIndex(15);
        m_onDialog = [](QDialog &dialog) {
            auto *picker = qobject_cast<TProgramSlotDlg *>(&dialog);
            // Offered first: the next slot, round to 0; slot 15 itself is greyed out.
            if (picker->ProgramBox->currentIndex() != 0) return int(QDialog::Rejected);
            if (picker->ProgramBox->itemData(15, Qt::UserRole - 1).toInt() & Qt::ItemIsEnabled)
                return int(QDialog::Rejected);
            return int(QDialog::Accepted);
        };
        SetProgram(15, Source);
        m_form->Slots()->CopyTo();
        QCOMPARE(Text(0), Source);
    }
};

QTEST_MAIN(TestSlotCommands)
#include "test_slotcommands.moc"
