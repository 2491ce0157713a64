// Program > Copy To, Move To and Swap With: the current program into another slot of the set.
#pragma once

#include <QObject>

class QWidget;
class TProgramBook;
class TProgramSlotDlg;

class TSlotCommands : public QObject {
    Q_OBJECT
public:
    TSlotCommands(TProgramBook &programs, QWidget *window);

    TProgramSlotDlg *Dialog() const { return m_dialog; }

    // Each asks for the slot, and before it replaces a program that holds more than the default
    // text. Every editor changed takes the change as one edit that its Undo takes back; the slot
    // the program went to comes to the front.
    void CopyTo();
    void MoveTo();
    void SwapWith();

private:
    enum class Action { Copy, Move, Swap };
    void Run(Action action);
    int ChooseSlot(Action action);

    TProgramBook &m_programs;
    QWidget *m_window;
    TProgramSlotDlg *m_dialog;
};
