// The first-run dialog: asks for the machine version when no defaults file exists yet.
#include "romfiles/ui/FirstRun.h"

#include "uikit/Forms.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const char *const IntroLines[] = {
    "This appears to be the first execution of the Quillard program on this computer.",
    "",
    "Please select the desired compatibility mode below before continuing with the program.",
    "The selection may be changed at any time using the \"Preferences\" option on the \"File\" menu.",
    "",
    "This is necessary to identify the Corvan version for which programs are to be compiled.",
    "There is a difference only in the handling of the WaitForRollPeak function for use with roll rate",
    "feedback. Corvan 1 and Corvan 2 machines require the use of an Aux EPROM for this function.",
    "Corvan 3 machines do not need to use the Aux EPROM, though a switch-selection will allow it if",
    "it is important to create EPROMs compatible with all machines.",
    "",
    "If you are unsure of your Corvan version, please note the following:",
    "Corvan 1 and Corvan 2 machines have three main pieces: the machine itself, a battery box, and",
    "an electronics box.",
    "Corvan 3 machines have only two: the machine and a combined battery/electronics box.",
};

} // namespace

TFirstRunDialog::TFirstRunDialog(QWidget *parent) : QDialog(parent) {
    setObjectName("FirstRunDialog");
    setWindowTitle("First Run - Please select Corvan machine version");
    // No close button in the title bar.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto *layout = new QVBoxLayout(this);

    auto *intro = new QPlainTextEdit(this);
    intro->setObjectName("IntroText");
    QStringList lines;
    for (const char *line : IntroLines) lines << line;
    intro->setPlainText(lines.join('\n'));
    intro->setReadOnly(true);
    intro->setFrameShape(QFrame::NoFrame);
    intro->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    intro->setFocusPolicy(Qt::NoFocus);
    intro->viewport()->setAutoFillBackground(false);
    intro->setMinimumSize(620, 260);
    layout->addWidget(intro);

    auto *group = new QGroupBox("Corvan Machine Version Compatibility", this);
    group->setObjectName("CorvanVerGroup");
    auto *groupLayout = new QVBoxLayout(group);
    Corvan2Select =
        AddChoice(groupLayout, group, "Corvan2Select", "Corvan 1, 2, and 3 compatible",
                  {"* AuxROM required for Roll rate feedback.",
                   "* For Corvan 3, Compatibility switch on Program Module must be set properly."},
                  "USE IF COMPATIBILITY WITH CORVAN 2 MACHINES IS REQUIRED");
    Corvan3Select = AddChoice(groupLayout, group, "Corvan3Select", "Corvan 3 compatible only",
                              {"* AuxROM not required for Roll rate feedback.",
                               "* Compatibility switch on Program Module must be set properly."},
                              "USE IF EPROM WILL BE USED ONLY IN CORVAN 3 MACHINE");
    Corvan3Select->setChecked(true);
    layout->addWidget(group);

    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    layout->addWidget(OKBtn, 0, Qt::AlignHCenter);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    // A click on either choice (re)enables OK; it is enabled from the start anyway.
    connect(Corvan2Select, &QRadioButton::clicked, OKBtn, [this] { OKBtn->setEnabled(true); });
    connect(Corvan3Select, &QRadioButton::clicked, OKBtn, [this] { OKBtn->setEnabled(true); });
}

bool TFirstRunDialog::Corvan3Only() const { return Corvan3Select->isChecked(); }
