// The Evaluate Run dialog: the log of a run, its evaluation (a sine with dwell, a slowly increasing steer
// or a handling evaluation) and what that needs.
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

// The kinds in the order the box lists them after "As the program".
constexpr RunKind Offered[] = {RunKind::SineWithDwell, RunKind::SlowlyIncreasingSteer,
                               RunKind::Step,          RunKind::Sine,
                               RunKind::Response,      RunKind::Understeer,
                               RunKind::Rollover};

QString KindTitle(RunKind kind) {
    if (const auto handling = HandlingKindOf(kind)) return InfoOf(*handling).title;
    return kind == RunKind::SineWithDwell ? "Sine with dwell" : "Slowly increasing steer";
}

} // namespace

std::optional<HandlingKind> HandlingKindOf(RunKind kind) {
    switch (kind) {
    case RunKind::Step:
        return HandlingKind::Step;
    case RunKind::Sine:
        return HandlingKind::Sine;
    case RunKind::Response:
        return HandlingKind::Response;
    case RunKind::Understeer:
        return HandlingKind::Understeer;
    case RunKind::Rollover:
        return HandlingKind::Rollover;
    default:
        return std::nullopt;
    }
}

std::optional<RunKind> RunKindNamed(const std::string &evaluation) {
    if (evaluation == "swd") return RunKind::SineWithDwell;
    if (evaluation == "sis") return RunKind::SlowlyIncreasingSteer;
    for (RunKind kind : Offered)
        if (const auto handling = HandlingKindOf(kind); handling && evaluation == InfoOf(*handling).name)
            return kind;
    return std::nullopt;
}

namespace {} // namespace

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
    KindBox->addItem("As the program");
    for (RunKind kind : Offered) KindBox->addItem(KindTitle(kind));
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
    RatioEdit = NumberBox(this, "RatioEdit", 100, "", "not given", 2);
    WheelbaseEdit = NumberBox(this, "WheelbaseEdit", 20, " m", "not given", 3);
    form->addRow("Steering &ratio:", RatioEdit);
    form->addRow("&Wheelbase:", WheelbaseEdit);
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
    KindBox->setItemText(
        0, kind ? QString("As the program: %1")
                      .arg(HandlingKindOf(*kind) ? KindTitle(*kind) : KindTitle(*kind).toLower())
                : QString("As the program (not recognised): sine with dwell"));
    AEdit->setSpecialValueText(seriesA ? QString("from the program: %1 deg").arg(*seriesA)
                                       : QString("from the program (none)"));
    KindChanged();
}

QString TEvaluateRunDlg::LogFile() const { return FileEdit->text().trimmed(); }

RunKind TEvaluateRunDlg::Kind() const {
    const int index = KindBox->currentIndex();
    if (index >= 1 && index <= static_cast<int>(std::size(Offered))) return Offered[index - 1];
    return m_programKind.value_or(RunKind::SineWithDwell);
}

VehicleLogOptions TEvaluateRunDlg::Options() const {
    VehicleLogOptions options;
    const auto handling = HandlingKindOf(Kind());
    options.needsYawRate = handling ? NeedsYawRate(*handling) : Kind() == RunKind::SineWithDwell;
    options.needsRoll = handling && NeedsRoll(*handling);
    if (options.needsYawRate) options.yawColumn = ColumnOf(YawColumnBox);
    options.ayColumn = ColumnOf(AyColumnBox);
    if (AyUnitBox->currentIndex() > 0)
        options.ayUnit =
            AyUnitBox->currentIndex() == 1 ? AccelerationUnit::G : AccelerationUnit::MetresPerSecondSquared;
    return options;
}

HandlingOptions TEvaluateRunDlg::Handling() const {
    HandlingOptions options;
    options.steeringRatio = RatioEdit->value();
    options.wheelbase = WheelbaseEdit->value();
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
    const auto handling = HandlingKindOf(Kind());
    for (QWidget *field : {AEdit, GvwrEdit}) field->setEnabled(swd);
    YawColumnBox->setEnabled(handling ? NeedsYawRate(*handling) : swd);
    for (QWidget *field : {FitLowEdit, FitHighEdit})
        field->setEnabled(Kind() == RunKind::SlowlyIncreasingSteer);
    for (QWidget *field : {RatioEdit, WheelbaseEdit}) field->setEnabled(Kind() == RunKind::Understeer);
    if (handling) {
        const HandlingKindInfo &info = InfoOf(*handling);
        NoteLabel->setText(QString("The run is cleaned, filtered, zeroed and evaluated as %1; each step and "
                                   "figure is listed by name. %2")
                               .arg(QString(info.title), *info.criterion
                                                             ? QString("Judged: %1.").arg(info.criterion)
                                                             : QString("It gives figures, no verdict.")));
        return;
    }
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
