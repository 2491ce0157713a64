// The Overlay Measured Log dialog: a data logger's file, its time, steer and mark columns and their
// units, remembered from one use to the next.
#include "measure/ui/Overlaylogdlg.h"

#include "measure/ui/LogFields.h"
#include "uikit/Forms.h"
#include "uikit/Latin1.h"
#include "uikit/Modal.h"
#include "uikit/Settings.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char *const NoMark = "(none)";

QComboBox *ChoiceBox(QWidget *parent, const char *name, const QStringList &items) {
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(items);
    return box;
}

} // namespace

TOverlayLogDlg::TOverlayLogDlg(QWidget *parent) : QDialog(parent) {
    setObjectName("OverlayLogDlg");
    setWindowTitle("Overlay Measured Log");
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    const LogFileRow fileRow = MakeLogFileRow(this);
    FileEdit = fileRow.edit;
    BrowseBtn = fileRow.browse;
    form->addRow("Log file:", fileRow.layout);
    ColumnsLabel = new QLabel(this);
    ColumnsLabel->setObjectName("ColumnsLabel");
    ColumnsLabel->setWordWrap(true);
    form->addRow("", ColumnsLabel);

    TimeColumnBox = ColumnBox(this, "TimeColumnBox");
    TimeUnitBox = ChoiceBox(this, "TimeUnitBox", {"from the header, else s", "s", "ms"});
    SteerColumnBox = ColumnBox(this, "SteerColumnBox");
    AngleUnitBox = ChoiceBox(this, "AngleUnitBox", {"from the header, else deg", "deg", "rad"});
    MarkColumnBox = ColumnBox(this, "MarkColumnBox", NoMark);
    MarkFlagBox = ChoiceBox(this, "MarkFlagBox", {"the one flag the program switches on"});
    for (int flag = 1; flag <= 8; ++flag) MarkFlagBox->addItem(QString("flag %1").arg(flag));
    auto pair = [this](QComboBox *column, QComboBox *unit) {
        auto *row = new QHBoxLayout;
        row->addWidget(column, 1);
        row->addWidget(unit);
        return row;
    };
    form->addRow("Time column:", pair(TimeColumnBox, TimeUnitBox));
    form->addRow("Steer column:", pair(SteerColumnBox, AngleUnitBox));
    form->addRow("Mark column:", pair(MarkColumnBox, MarkFlagBox));
    auto *note = new QLabel("A column is a header name or a number counted from 1. Without a mark column the "
                            "log's time 0 is the program's start and the delay is found by correlation.",
                            this);
    note->setWordWrap(true);
    layout->addLayout(form);
    layout->addWidget(note);
    const DialogButtons buttons = AddDialogButtons(this, layout);
    OKBtn = buttons.ok;
    CancelBtn = buttons.cancel;
    connect(OKBtn, &QPushButton::clicked, this, &TOverlayLogDlg::OKBtnClick);
    connect(BrowseBtn, &QPushButton::clicked, this, &TOverlayLogDlg::BrowseBtnClick);
    connect(MarkColumnBox, &QComboBox::currentTextChanged, this, &TOverlayLogDlg::UpdateMarkFlag);
    Recall();
}

QString TOverlayLogDlg::LogFile() const { return FileEdit->text().trimmed(); }

LogOptions TOverlayLogDlg::Options() const {
    LogOptions options;
    options.timeColumn = ColumnOf(TimeColumnBox);
    options.steerColumn = ColumnOf(SteerColumnBox);
    options.markColumn = ColumnOf(MarkColumnBox);
    if (TimeUnitBox->currentIndex() > 0)
        options.timeUnit = TimeUnitBox->currentIndex() == 1 ? TimeUnit::Seconds : TimeUnit::Milliseconds;
    if (AngleUnitBox->currentIndex() > 0)
        options.angleUnit = AngleUnitBox->currentIndex() == 1 ? AngleUnit::Degrees : AngleUnit::Radians;
    return options;
}

CompareOptions TOverlayLogDlg::Comparing() const { return {MarkFlagBox->currentIndex()}; }

void TOverlayLogDlg::Remember() const {
    const LogOptions options = Options();
    SetPreferenceValue("overlay/logFile", LogFile());
    SetPreferenceValue("overlay/timeColumn", FromLatin1(options.timeColumn));
    SetPreferenceValue("overlay/steerColumn", FromLatin1(options.steerColumn));
    SetPreferenceValue("overlay/markColumn", FromLatin1(options.markColumn));
    SetPreferenceValue("overlay/timeUnit", TimeUnitBox->currentIndex());
    SetPreferenceValue("overlay/angleUnit", AngleUnitBox->currentIndex());
    SetPreferenceValue("overlay/markFlag", MarkFlagBox->currentIndex());
}

void TOverlayLogDlg::Recall() {
    auto index = [](const char *key, const QComboBox *box) {
        return qBound(0, PreferenceValue(key, 0).toInt(), box->count() - 1);
    };
    FileEdit->setText(PreferenceValue("overlay/logFile", QString()).toString());
    SetColumn(TimeColumnBox, PreferenceValue("overlay/timeColumn", QString()).toString());
    SetColumn(SteerColumnBox, PreferenceValue("overlay/steerColumn", QString()).toString());
    SetColumn(MarkColumnBox, PreferenceValue("overlay/markColumn", QString()).toString());
    TimeUnitBox->setCurrentIndex(index("overlay/timeUnit", TimeUnitBox));
    AngleUnitBox->setCurrentIndex(index("overlay/angleUnit", AngleUnitBox));
    MarkFlagBox->setCurrentIndex(index("overlay/markFlag", MarkFlagBox));
    UpdateMarkFlag();
}

bool TOverlayLogDlg::ReadColumns(const QString &path) {
    QString error;
    const QStringList names = HeaderColumns(path, &error);
    for (QComboBox *box : {TimeColumnBox, SteerColumnBox, MarkColumnBox}) FillColumns(box, names);
    if (names.isEmpty())
        ColumnsLabel->setText(error.isEmpty() ? "No header line naming the columns was found."
                                              : "The file cannot be read: " + error);
    else
        ColumnsLabel->setText(QString("Columns: %1").arg(names.join(", ")));
    return !names.isEmpty();
}

void TOverlayLogDlg::BrowseBtnClick() {
    const QString path = ChooseLogFile(this, "Open Measured Log", LogFile());
    if (path.isEmpty()) return;
    FileEdit->setText(path);
    ReadColumns(path);
}

void TOverlayLogDlg::OKBtnClick() {
    if (LogFile().isEmpty()) {
        ShowError(this, "Choose the log file to overlay.");
        return;
    }
    accept();
}

void TOverlayLogDlg::UpdateMarkFlag() { MarkFlagBox->setEnabled(!ColumnOf(MarkColumnBox).empty()); }
