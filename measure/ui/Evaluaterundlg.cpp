// The Evaluate Run dialog: the log of a sine-with-dwell or a slowly increasing steer run and what its
// evaluation needs.
#include "measure/ui/Evaluaterundlg.h"

#include "measure/sis.h"
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
                          const QString &zero, int decimals = 1) {
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    box->setRange(0, high);
    box->setDecimals(decimals);
    box->setSuffix(suffix);
    box->setSpecialValueText(zero); // shown for 0
    return box;
}

const char *KindName(RunKind kind) {
    return kind == RunKind::SineWithDwell ? "sine with dwell" : "slowly increasing steer";
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
    form->addRow("&Log file:", fileRow.layout);
    KindBox = new QComboBox(this);
    KindBox->setObjectName("KindBox");
    KindBox->addItems({"As the program", "Sine with dwell", "Slowly increasing steer"});
    form->addRow("&Evaluation:", KindBox);
    YawColumnBox = ColumnBox(this, "YawColumnBox");
    AyColumnBox = ColumnBox(this, "AyColumnBox");
    AyUnitBox = new QComboBox(this);
    AyUnitBox->setObjectName("AyUnitBox");
    AyUnitBox->addItems({AutomaticColumn, "g", "m/s2"});
    auto *ayRow = new QHBoxLayout;
    ayRow->addWidget(AyColumnBox, 1);
    ayRow->addWidget(AyUnitBox);
    form->addRow("&Yaw rate column:", YawColumnBox);
    form->addRow("Lateral a&cceleration column:", ayRow);
    AEdit = NumberBox(this, "AEdit", 1000, " deg", "from the program");
    GvwrEdit = NumberBox(this, "GvwrEdit", 100000, " kg", "at most 3500 kg");
    form->addRow("&A (steer at 0.3 g):", AEdit);
    form->addRow("&Gross vehicle weight rating:", GvwrEdit);
    const SisOptions sis;
    FitLowEdit = NumberBox(this, "FitLowEdit", 2, " g", "", 3);
    FitLowEdit->setValue(sis.fitLow);
    FitHighEdit = NumberBox(this, "FitHighEdit", 2, " g", "", 3);
    FitHighEdit->setMinimum(0.001);
    FitHighEdit->setValue(sis.fitHigh);
    auto *fitRow = new QHBoxLayout;
    fitRow->addWidget(FitLowEdit);
    fitRow->addWidget(new QLabel("to", this));
    fitRow->addWidget(FitHighEdit);
    fitRow->addStretch(1);
    form->addRow("&Fit from:", fitRow);
    NoteLabel = new QLabel(this);
    NoteLabel->setObjectName("NoteLabel");
    NoteLabel->setWordWrap(true);
    layout->addLayout(form);
    layout->addWidget(NoteLabel);
    const DialogButtons buttons = AddDialogButtons(this, layout);
    OKBtn = buttons.ok;
    CancelBtn = buttons.cancel;
    connect(OKBtn, &QPushButton::clicked, this, [this] {
        if (LogFile().isEmpty())
            ShowError(this, "Choose the log of the run.");
        else if (Kind() == RunKind::SlowlyIncreasingSteer && !(FitLow() < FitHigh()))
            ShowError(this, "The fit runs from a lower lateral acceleration to a higher one.");
        else
            accept();
    });
    connect(BrowseBtn, &QPushButton::clicked, this, &TEvaluateRunDlg::BrowseBtnClick);
    connect(KindBox, &QComboBox::currentIndexChanged, this, &TEvaluateRunDlg::KindChanged);
    KindChanged();
}

void TEvaluateRunDlg::SetProgram(std::optional<RunKind> kind, std::optional<double> seriesA) {
    m_programKind = kind;
    KindBox->setItemText(0, kind ? QString("As the program: %1").arg(KindName(*kind))
                                 : QString("As the program (not recognised): sine with dwell"));
    AEdit->setSpecialValueText(seriesA ? QString("from the program: %1 deg").arg(*seriesA)
                                       : QString("from the program (none)"));
    KindChanged();
}

QString TEvaluateRunDlg::LogFile() const { return FileEdit->text().trimmed(); }

RunKind TEvaluateRunDlg::Kind() const {
    switch (KindBox->currentIndex()) {
    case 1:
        return RunKind::SineWithDwell;
    case 2:
        return RunKind::SlowlyIncreasingSteer;
    default:
        return m_programKind.value_or(RunKind::SineWithDwell);
    }
}

VehicleLogOptions TEvaluateRunDlg::Options() const {
    VehicleLogOptions options;
    options.needsYawRate = Kind() == RunKind::SineWithDwell;
    if (options.needsYawRate) options.yawColumn = ColumnOf(YawColumnBox);
    options.ayColumn = ColumnOf(AyColumnBox);
    if (AyUnitBox->currentIndex() > 0)
        options.ayUnit =
            AyUnitBox->currentIndex() == 1 ? AccelerationUnit::G : AccelerationUnit::MetresPerSecondSquared;
    return options;
}

double TEvaluateRunDlg::AmplitudeA() const { return AEdit->value(); }

double TEvaluateRunDlg::Gvwr() const { return GvwrEdit->value(); }

double TEvaluateRunDlg::FitLow() const { return FitLowEdit->value(); }

double TEvaluateRunDlg::FitHigh() const { return FitHighEdit->value(); }

void TEvaluateRunDlg::ReadColumns(const QString &path) {
    const QStringList names = HeaderColumns(path);
    for (QComboBox *box : {YawColumnBox, AyColumnBox}) FillColumns(box, names);
}

// What the chosen evaluation reads and judges; the fields it has no use for are greyed.
void TEvaluateRunDlg::KindChanged() {
    const bool swd = Kind() == RunKind::SineWithDwell;
    for (QWidget *field : {static_cast<QWidget *>(YawColumnBox), static_cast<QWidget *>(AEdit),
                           static_cast<QWidget *>(GvwrEdit)})
        field->setEnabled(swd);
    for (QWidget *field : {FitLowEdit, FitHighEdit}) field->setEnabled(!swd);
    NoteLabel->setText(
        swd ? "The run is filtered, zeroed and judged as a sine with dwell: yaw rate ratios at COS + 1.000 s "
              "and "
              "1.750 s, lateral displacement at BOS + 1.07 s from 5 A on. Without A here, the program's "
              "\"standard series, A ...\" note gives it."
            : "The run is filtered and zeroed, and its steer is regressed on the lateral acceleration "
              "between the "
              "two levels as it rises: the steer at 0.3 g is read off the line. A is the mean of the series' "
              "absolute angles.");
}

void TEvaluateRunDlg::BrowseBtnClick() {
    const QString path = ChooseLogFile(this, "Open Run Log", LogFile());
    if (path.isEmpty()) return;
    FileEdit->setText(path);
    ReadColumns(path);
}
