// The Evaluate Run dialog: the log of a sine-with-dwell run and what its verdict needs.
#include "measure/ui/Evaluaterundlg.h"

#include "measure/ui/LogFields.h"
#include "uikit/Forms.h"
#include "uikit/Modal.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QDoubleSpinBox *NumberBox(QWidget *parent, const char *name, double high, const QString &suffix,
                          const QString &zero) {
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    box->setRange(0, high);
    box->setDecimals(1);
    box->setSuffix(suffix);
    box->setSpecialValueText(zero); // shown for 0
    return box;
}

} // namespace

TEvaluateRunDlg::TEvaluateRunDlg(QWidget *parent) : QDialog(parent) {
    setObjectName("EvaluateRunDlg");
    setWindowTitle("Evaluate Run");
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    const LogFileRow fileRow = MakeLogFileRow(this);
    FileEdit = fileRow.edit;
    BrowseBtn = fileRow.browse;
    form->addRow("Log file:", fileRow.layout);
    YawColumnBox = ColumnBox(this, "YawColumnBox");
    AyColumnBox = ColumnBox(this, "AyColumnBox");
    AyUnitBox = new QComboBox(this);
    AyUnitBox->setObjectName("AyUnitBox");
    AyUnitBox->addItems({AutomaticColumn, "g", "m/s2"});
    auto *ayRow = new QHBoxLayout;
    ayRow->addWidget(AyColumnBox, 1);
    ayRow->addWidget(AyUnitBox);
    form->addRow("Yaw rate column:", YawColumnBox);
    form->addRow("Lateral acceleration column:", ayRow);
    AEdit = NumberBox(this, "AEdit", 1000, " deg", "from the program");
    GvwrEdit = NumberBox(this, "GvwrEdit", 100000, " kg", "at most 3500 kg");
    form->addRow("A (steer at 0.3 g):", AEdit);
    form->addRow("Gross vehicle weight rating:", GvwrEdit);
    auto *note = new QLabel("The run is filtered, zeroed and judged as a sine with dwell: yaw rate ratios at "
                            "COS + 1.000 s and 1.750 s, lateral displacement at BOS + 1.07 s from 5 A on. "
                            "Without A here, the program's \"standard series, A ...\" note gives it.",
                            this);
    note->setWordWrap(true);
    layout->addLayout(form);
    layout->addWidget(note);
    const DialogButtons buttons = AddDialogButtons(this, layout);
    OKBtn = buttons.ok;
    CancelBtn = buttons.cancel;
    connect(OKBtn, &QPushButton::clicked, this, [this] {
        if (LogFile().isEmpty())
            ShowError(this, "Choose the log of the run.");
        else
            accept();
    });
    connect(BrowseBtn, &QPushButton::clicked, this, &TEvaluateRunDlg::BrowseBtnClick);
}

QString TEvaluateRunDlg::LogFile() const { return FileEdit->text().trimmed(); }

VehicleLogOptions TEvaluateRunDlg::Options() const {
    VehicleLogOptions options;
    options.yawColumn = ColumnOf(YawColumnBox);
    options.ayColumn = ColumnOf(AyColumnBox);
    if (AyUnitBox->currentIndex() > 0)
        options.ayUnit =
            AyUnitBox->currentIndex() == 1 ? AccelerationUnit::G : AccelerationUnit::MetresPerSecondSquared;
    return options;
}

double TEvaluateRunDlg::AmplitudeA() const { return AEdit->value(); }

double TEvaluateRunDlg::Gvwr() const { return GvwrEdit->value(); }

void TEvaluateRunDlg::ReadColumns(const QString &path) {
    const QStringList names = HeaderColumns(path);
    for (QComboBox *box : {YawColumnBox, AyColumnBox}) FillColumns(box, names);
}

void TEvaluateRunDlg::BrowseBtnClick() {
    const QString path = ChooseLogFile(this, "Open Run Log", LogFile());
    if (path.isEmpty()) return;
    FileEdit->setText(path);
    ReadColumns(path);
}
