// Program > Copy To, Move To and Swap With: the current program into another slot of the set.
#include "app/SlotCommands.h"

#include "app/ProgramBook.h"
#include "romfiles/ui/Slotdlg.h"
#include "uikit/Modal.h"

#include <algorithm>

namespace {

// A slot that holds nothing worth keeping: the default program, or no text at all.
bool HoldsNothing(const ProgramText &text) {
    return text == DefaultProgram() || std::all_of(text.begin(), text.end(), [](const std::string &line) {
               return line.find_first_not_of(" \t") == std::string::npos;
           });
}

} // namespace

TSlotCommands::TSlotCommands(TProgramBook &programs, QWidget *window)
    : QObject(window), m_programs(programs), m_window(window), m_dialog(new TProgramSlotDlg(window)) {}

void TSlotCommands::CopyTo() { Run(Action::Copy); }

void TSlotCommands::MoveTo() { Run(Action::Move); }

void TSlotCommands::SwapWith() { Run(Action::Swap); }

int TSlotCommands::ChooseSlot(Action action) {
    const int current = m_programs.CurrentProgram();
    const char *verb = action == Action::Copy ? "Copy" : action == Action::Move ? "Move" : "Swap";
    const QString title = action == Action::Swap ? QString("Swap Program #%1 With").arg(current)
                                                 : QString("%1 Program #%2 To").arg(verb).arg(current);
    const QString prompt = action == Action::Swap
                               ? QString("The program to change places with program #%1:").arg(current)
                               : QString("The slot that program #%1 goes to:").arg(current);
    m_dialog->PrepareSlot(title, prompt, m_programs.Texts(), current);
    if (RunModal(*m_dialog) != QDialog::Accepted) return -1;
    const int target = m_dialog->Program();
    return target == current ? -1 : target;
}

void TSlotCommands::Run(Action action) {
    const int source = m_programs.CurrentProgram();
    const int target = ChooseSlot(action);
    if (target < 0) return m_programs.CurrentEditor()->setFocus();
    const ProgramText moving = ProgramLines(*m_programs.Editor(source));
    const ProgramText replaced = ProgramLines(*m_programs.Editor(target));
    // A swap keeps both programs; a copy or a move over a program of its own loses it.
    if (action != Action::Swap && !HoldsNothing(replaced) && replaced != moving) {
        const BoxRequest question{
            BoxIcon::Question, "Replace Program",
            QString("Program #%1 is not empty. Replace it with program #%2?").arg(target).arg(source),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No};
        if (ShowBox(m_window, question) != QMessageBox::Yes) return m_programs.CurrentEditor()->setFocus();
    }
    ReplaceProgramLines(*m_programs.Editor(target), moving);
    if (action == Action::Move) ReplaceProgramLines(*m_programs.Editor(source), DefaultProgram());
    if (action == Action::Swap) ReplaceProgramLines(*m_programs.Editor(source), replaced);
    m_programs.ShowProgram(target);
    m_programs.FocusCurrentAtStart();
}
