// The Evaluate Campaign dialog: what a campaign is judged with, the table of its runs and its verdict.
#include "measure/ui/Evaluatecampaigndlg.h"

#include "measure/ui/Campaigninfoform.h"
#include "measure/ui/LogFields.h"
#include "uikit/Forms.h"
#include "uikit/Latin1.h"
#include "uikit/Modal.h"
#include "uikit/Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <array>

namespace {

// A file's name with a Browse... button beside it.
QHBoxLayout *FileRow(QWidget *parent, const char *name, QLineEdit *&edit, QPushButton *&browse) {
    edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMinimumWidth(360);
    browse = new QPushButton("Browse...", parent);
    browse->setObjectName(QString(name).replace("Edit", "Btn"));
    auto *row = new QHBoxLayout;
    row->addWidget(edit, 1);
    row->addWidget(browse);
    return row;
}

// A row of the form whose field is a layout: its label moves to the field named.
void AddRow(QFormLayout *form, const QString &label, QLayout *field, QWidget *buddy) {
    form->addRow(label, field);
    if (auto *text = qobject_cast<QLabel *>(form->labelForField(field))) text->setBuddy(buddy);
}

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

// Asks for an existing file of the kind, starting in the folder of the current one.
QString ChooseExisting(QWidget *parent, const QString &title, const QString &current, const QString &filter) {
    FileRequest request;
    request.title = title;
    request.directory = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    request.filters = {filter, "All files (*)"};
    request.mustExist = true;
    return ChooseFile(parent, request);
}

// "12.34 % (+22.66)": a figure with its margin to its limit, where it is judged.
QString WithMargin(double value, int decimals, const char *unit, const std::optional<double> &margin) {
    std::string text = FigureText(value, decimals, unit);
    text += margin ? " (" + MarginText(*margin, decimals) + ")" : std::string(" (not judged)");
    return FromLatin1(text);
}

QColor StateColour(RunState state) {
    switch (state) {
    case RunState::Pass:
        return {0xd6, 0xf0, 0xd6};
    case RunState::Fail:
        return {0xf6, 0xcc, 0xcc};
    case RunState::Invalid:
        break;
    }
    return {0xf8, 0xe6, 0xb8};
}

// The cells of a judged run, in column order.
QStringList RowCells(const CampaignRunResult &c) {
    const SwdResult &r = c.result;
    QStringList cells{QString::number(c.run.run), QFileInfo(FromPath(c.log)).fileName(),
                      RunStateTitle(r.state), FromLatin1(c.direction)};
    QString amplitude = FromLatin1(FigureText(c.run.amplitude, 2, "deg"));
    if (r.processed) amplitude += FromLatin1(" / " + FigureText(r.measuredAmplitude, 2, "deg"));
    cells << amplitude;
    cells << (c.speedAtBos ? WithMargin(*c.speedAtBos, 1, "km/h", c.margins.speed) : QString("not logged"));
    if (r.processed)
        cells << WithMargin(r.ratio1, 2, "%", c.margins.ratio1)
              << WithMargin(r.ratio2, 2, "%", c.margins.ratio2)
              << WithMargin(r.displacement, 3, "m", c.margins.displacement);
    else
        cells << QString() << QString() << QString();
    cells << QString::number(c.dropouts) << QString::number(c.warnings) << FromLatin1(r.reason);
    return cells;
}

} // namespace

TEvaluateCampaignDlg::TEvaluateCampaignDlg(QWidget *parent) : QDialog(parent) {
    setObjectName("EvaluateCampaignDlg");
    setWindowTitle("Evaluate Campaign");
    auto *layout = new QVBoxLayout(this);
    Pages = new QTabWidget(this);
    Pages->setObjectName("Pages");
    layout->addWidget(Pages);
    auto *runs = new QWidget(Pages);
    auto *runsLayout = new QVBoxLayout(runs);
    auto *form = new QFormLayout;
    QHBoxLayout *runListRow = FileRow(runs, "RunListEdit", RunListEdit, RunListBtn);
    AddRow(form, "&Run list:", runListRow, RunListEdit);

    LogList = new QListWidget(runs);
    LogList->setObjectName("LogList");
    LogList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LogList->setMaximumHeight(90);
    AddFilesBtn = new QPushButton("Add &Files...", runs);
    AddFilesBtn->setObjectName("AddFilesBtn");
    AddFolderBtn = new QPushButton("Add Fol&der...", runs);
    AddFolderBtn->setObjectName("AddFolderBtn");
    RemoveBtn = new QPushButton("Re&move", runs);
    RemoveBtn->setObjectName("RemoveBtn");
    auto *logButtons = new QVBoxLayout;
    for (QPushButton *button : {AddFilesBtn, AddFolderBtn, RemoveBtn}) logButtons->addWidget(button);
    logButtons->addStretch(1);
    auto *logRow = new QHBoxLayout;
    logRow->addWidget(LogList, 1);
    logRow->addLayout(logButtons);
    AddRow(form, "Lo&gs:", logRow, LogList);

    PairingBox = new QComboBox(runs);
    PairingBox->setObjectName("PairingBox");
    PairingBox->addItems({"in the order given", "by the file names (set and program, or run number)",
                          "by the set and program each log names"});
    form->addRow("Pair &by:", PairingBox);
    AEdit = NumberBox(runs, "AEdit", 1000, " deg", "from the SIS results, else the run list");
    form->addRow("&A (steer at 0.3 g):", AEdit);
    QHBoxLayout *sisRow = FileRow(runs, "SisEdit", SisEdit, SisBtn);
    AddRow(form, "A from &SIS results:", sisRow, SisEdit);
    GvwrEdit = NumberBox(runs, "GvwrEdit", 100000, " kg", "from the test information, else the vehicle file");
    form->addRow("Gross vehicle &weight rating:", GvwrEdit);
    QHBoxLayout *vehicleRow = FileRow(runs, "VehicleEdit", VehicleEdit, VehicleBtn);
    AddRow(form, "Vehicle fi&le:", vehicleRow, VehicleEdit);
    RegulationBox = new QComboBox(runs);
    RegulationBox->setObjectName("RegulationBox");
    for (Regulation regulation : Regulations()) RegulationBox->addItem(RegulationName(regulation));
    form->addRow("Regula&tion:", RegulationBox);
    SpeedStatedBox = new QCheckBox(FromLatin1(std::string("Speed &held as stated, not logged: ") +
                                              RunConditionText(RunCondition::Speed)),
                                   runs);
    SpeedStatedBox->setObjectName("SpeedStatedBox");
    form->addRow("", SpeedStatedBox);
    runsLayout->addLayout(form);

    auto *actions = new QHBoxLayout;
    EvaluateBtn = new QPushButton("&Evaluate", runs);
    EvaluateBtn->setObjectName("EvaluateBtn");
    EvaluateBtn->setDefault(true);
    OpenRunBtn = new QPushButton("Open R&un", runs);
    OpenRunBtn->setObjectName("OpenRunBtn");
    OpenRunBtn->setToolTip("Show the run's graph and figures in the window (or double-click its row)");
    ReportBtn = new QPushButton("Write Re&port...", runs);
    ReportBtn->setObjectName("ReportBtn");
    for (QPushButton *button : {EvaluateBtn, OpenRunBtn, ReportBtn}) actions->addWidget(button);
    actions->addStretch(1);
    runsLayout->addLayout(actions);

    RunTable = new QTableWidget(0, ColumnCount, runs);
    RunTable->setObjectName("RunTable");
    // Each figure with its margin to its limit in brackets: how far the run is from failing it.
    RunTable->setHorizontalHeaderLabels(
        {"Run", "Log", "State", "First steer", "Amplitude\ncommanded / measured", "Speed at BOS\n(margin)",
         "Yaw rate ratio\nat 1.00 s (margin)", "Yaw rate ratio\nat 1.75 s (margin)", "Displacement\n(margin)",
         "Dropouts", "Warnings", "Reason"});
    RunTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    RunTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    RunTable->setSelectionMode(QAbstractItemView::SingleSelection);
    RunTable->verticalHeader()->hide();
    RunTable->horizontalHeader()->setStretchLastSection(true);
    RunTable->setWordWrap(false);
    runsLayout->addWidget(RunTable, 1);
    VerdictLabel = new QLabel(runs);
    VerdictLabel->setObjectName("VerdictLabel");
    VerdictLabel->setWordWrap(true);
    VerdictLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    runsLayout->addWidget(VerdictLabel);
    Pages->addTab(runs, "Ru&ns");

    InfoForm = new TCampaignInfoForm(Pages);
    Pages->addTab(InfoForm, "Test &information");

    auto *foot = new QHBoxLayout;
    foot->addStretch(1);
    CloseBtn = new QPushButton("&Close", this);
    CloseBtn->setObjectName("CloseBtn");
    CloseBtn->setAutoDefault(false);
    foot->addWidget(CloseBtn);
    layout->addLayout(foot);

    connect(RunListBtn, &QPushButton::clicked, this, [this] {
        const QString path = ChooseExisting(this, "Open Run List", RunListEdit->text(), "Run lists (*.json)");
        if (!path.isEmpty()) RunListEdit->setText(path);
    });
    connect(SisBtn, &QPushButton::clicked, this, [this] {
        const QString path =
            ChooseExisting(this, "Open SIS Results", SisEdit->text(), "SIS results (*.json)");
        if (!path.isEmpty()) SisEdit->setText(path);
    });
    connect(VehicleBtn, &QPushButton::clicked, this, [this] {
        const QString path =
            ChooseExisting(this, "Open Vehicle File", VehicleEdit->text(), "Vehicle files (*.txt)");
        if (!path.isEmpty()) VehicleEdit->setText(path);
    });
    connect(AddFilesBtn, &QPushButton::clicked, this, &TEvaluateCampaignDlg::AddFilesBtnClick);
    connect(AddFolderBtn, &QPushButton::clicked, this, &TEvaluateCampaignDlg::AddFolderBtnClick);
    connect(RemoveBtn, &QPushButton::clicked, this, [this] { qDeleteAll(LogList->selectedItems()); });
    connect(EvaluateBtn, &QPushButton::clicked, this, &TEvaluateCampaignDlg::Evaluate);
    connect(OpenRunBtn, &QPushButton::clicked, this, [this] {
        if (CurrentRun() >= 0) emit runOpened(CurrentRun());
    });
    connect(RunTable, &QTableWidget::cellDoubleClicked, this, [this](int row) { emit runOpened(row); });
    connect(RunTable, &QTableWidget::currentCellChanged, this, &TEvaluateCampaignDlg::UpdateButtons);
    connect(ReportBtn, &QPushButton::clicked, this, [this] {
        if (m_judged) emit reportAsked();
    });
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
    Recall();
    UpdateButtons();
    resize(1180, 720);
}

QStringList TEvaluateCampaignDlg::Logs() const {
    QStringList logs;
    for (int k = 0; k < LogList->count(); ++k) logs << LogList->item(k)->text();
    return logs;
}

CampaignFiles TEvaluateCampaignDlg::Files() const {
    CampaignFiles files;
    files.runList = RunListEdit->text().trimmed();
    files.logs = Logs();
    static constexpr std::array pairings{Pairing::Order, Pairing::Name, Pairing::Logged}; // the box's order
    files.pairing = pairings[static_cast<std::size_t>(PairingBox->currentIndex())];
    files.a = AEdit->value();
    files.sisResults = SisEdit->text().trimmed();
    files.gvwr = GvwrEdit->value();
    files.vehicleFile = VehicleEdit->text().trimmed();
    files.regulation = Regulations()[static_cast<std::size_t>(RegulationBox->currentIndex())];
    files.speedStated = SpeedStatedBox->isChecked();
    files.info = InfoForm->Info();
    return files;
}

bool TEvaluateCampaignDlg::Evaluate() {
    try {
        m_judged = JudgeCampaignFiles(Files());
    } catch (const std::exception &e) {
        m_judged.reset();
        ShowJudged();
        ShowError(this, e);
        return false;
    }
    Remember();
    ShowJudged();
    return true;
}

int TEvaluateCampaignDlg::CurrentRun() const {
    const int row = RunTable->currentRow();
    return m_judged && row >= 0 && row < static_cast<int>(m_judged->result.runs.size()) ? row : -1;
}

void TEvaluateCampaignDlg::ShowJudged() {
    RunTable->clearContents();
    RunTable->setRowCount(m_judged ? static_cast<int>(m_judged->result.runs.size()) : 0);
    if (!m_judged) {
        VerdictLabel->clear();
        UpdateButtons();
        return;
    }
    const CampaignResult &campaign = m_judged->result;
    for (int row = 0; row < RunTable->rowCount(); ++row) {
        const CampaignRunResult &c = campaign.runs[static_cast<std::size_t>(row)];
        const QStringList cells = RowCells(c);
        for (int column = 0; column < ColumnCount; ++column) {
            auto *item = new QTableWidgetItem(cells[column]);
            item->setBackground(StateColour(c.result.state));
            item->setForeground(Qt::black);
            if (column != LogColumn && column != ReasonColumn && column != DirectionColumn)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (column == ReasonColumn || column == WarningsColumn) {
                QStringList tip{FromLatin1(c.result.reason)};
                for (const std::string &w : c.result.warnings) tip << FromLatin1("Warning: " + w);
                tip.removeAll(QString());
                item->setToolTip(tip.join('\n'));
            }
            RunTable->setItem(row, column, item);
        }
    }
    RunTable->resizeColumnsToContents();
    const CampaignVerdict &v = campaign.verdict;
    QString text = QString("<b>Campaign: %1</b>, %2 runs: passed %3, failed %4, invalid %5")
                       .arg(RunStateTitle(v.state))
                       .arg(campaign.runs.size())
                       .arg(v.passed)
                       .arg(v.failed)
                       .arg(v.invalid);
    if (!v.reason.empty()) text += ": " + FromLatin1(v.reason).toHtmlEscaped();
    const std::string a = campaign.a.value > 0
                              ? "A " + FigureText(campaign.a.value, 1, "deg") + " from " + campaign.a.source
                              : std::string("A not known, so the campaign cannot pass");
    const std::string gvwr = campaign.gvwr.kg > 0 ? "GVWR " + FigureText(campaign.gvwr.kg, 0, "kg") +
                                                        " from " + campaign.gvwr.source
                                                  : std::string("GVWR not given (at most 3500 kg)");
    text += "<br>" + FromLatin1(a + "; " + gvwr + "; " + RegulationName(campaign.regulation)).toHtmlEscaped();
    // The reasons in full, which the table's last column may have to shorten.
    for (const CampaignRunResult &c : campaign.runs)
        if (!c.result.reason.empty())
            text += QString("<br>Run %1 %2: ").arg(c.run.run).arg(RunStateTitle(c.result.state)) +
                    FromLatin1(c.result.reason).toHtmlEscaped();
    VerdictLabel->setText(text);
    UpdateButtons(); // no row chosen yet, so that each shows the colour of its state
}

void TEvaluateCampaignDlg::UpdateButtons() {
    OpenRunBtn->setEnabled(CurrentRun() >= 0);
    ReportBtn->setEnabled(m_judged.has_value());
}

void TEvaluateCampaignDlg::AddFilesBtnClick() {
    FileRequest request;
    request.kind = FileDialogKind::OpenMany;
    request.title = "Add Logs";
    request.filters = {"Logs (*.csv *.txt *.tsv *.dat *.log *.vbo *.VBO)", "All files (*)"};
    request.mustExist = true;
    LogList->addItems(ChooseFiles(this, request));
}

void TEvaluateCampaignDlg::AddFolderBtnClick() {
    FileRequest request;
    request.kind = FileDialogKind::Folder;
    request.title = "Add the Logs of a Folder";
    const QString folder = ChooseFile(this, request);
    if (folder.isEmpty()) return;
    const QStringList logs = FolderLogs(folder);
    if (logs.isEmpty()) ShowError(this, folder + " holds no log (.csv, .txt, .tsv, .dat, .log, .vbo).");
    LogList->addItems(logs);
}

void TEvaluateCampaignDlg::Remember() const {
    SetPreferenceValue("campaign/runList", RunListEdit->text());
    SetPreferenceValue("campaign/logs", Logs());
    SetPreferenceValue("campaign/pairing", PairingBox->currentIndex());
    SetPreferenceValue("campaign/a", AEdit->value());
    SetPreferenceValue("campaign/sisResults", SisEdit->text());
    SetPreferenceValue("campaign/gvwr", GvwrEdit->value());
    SetPreferenceValue("campaign/vehicleFile", VehicleEdit->text());
    SetPreferenceValue("campaign/regulation", RegulationBox->currentIndex());
    SetPreferenceValue("campaign/speedStated", SpeedStatedBox->isChecked());
    SetPreferenceValue("campaign/infoFile", InfoForm->FileName());
}

void TEvaluateCampaignDlg::Recall() {
    auto index = [](const char *key, const QComboBox *box) {
        return qBound(0, PreferenceValue(key, 0).toInt(), box->count() - 1);
    };
    RunListEdit->setText(PreferenceValue("campaign/runList", QString()).toString());
    LogList->addItems(PreferenceValue("campaign/logs", QStringList()).toStringList());
    PairingBox->setCurrentIndex(index("campaign/pairing", PairingBox));
    AEdit->setValue(PreferenceValue("campaign/a", 0.0).toDouble());
    SisEdit->setText(PreferenceValue("campaign/sisResults", QString()).toString());
    GvwrEdit->setValue(PreferenceValue("campaign/gvwr", 0.0).toDouble());
    VehicleEdit->setText(PreferenceValue("campaign/vehicleFile", QString()).toString());
    RegulationBox->setCurrentIndex(index("campaign/regulation", RegulationBox));
    SpeedStatedBox->setChecked(PreferenceValue("campaign/speedStated", false).toBool());
    const QString info = PreferenceValue("campaign/infoFile", QString()).toString();
    if (!info.isEmpty() && QFileInfo::exists(info)) InfoForm->OpenFile(info);
}
