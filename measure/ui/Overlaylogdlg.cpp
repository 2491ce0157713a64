// The Overlay Measured Log dialog: a data logger's file, its time, steer and mark columns and their
// units, remembered from one use to the next.
#include "measure/ui/Overlaylogdlg.h"

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

// The first entry of a column list: no column named, the reader's own choice.
const char *const Automatic = "(automatic)";
const char *const NoMark = "(none)";
// A header is far shorter than this; the rest of a large log is not read for it.
constexpr qint64 HeaderBytes = 64 * 1024;

QComboBox *ColumnBox(QWidget *parent, const char *name, const char *first) {
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true); // a name or a number from 1 that the list does not offer
    box->addItem(first);
    box->setMinimumContentsLength(18);
    return box;
}

QComboBox *ChoiceBox(QWidget *parent, const char *name, const QStringList &items) {
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(items);
    return box;
}

// The column as ReadLog takes it: empty for the first entry, else the text as typed or chosen.
std::string ColumnOf(const QComboBox *box) {
    const QString text = box->currentText().trimmed();
    return box->currentIndex() == 0 && text == box->itemText(0) ? std::string() : Latin1Line(text);
}

void SetColumn(QComboBox *box, const QString &column) {
    if (column.isEmpty())
        box->setCurrentIndex(0);
    else
        box->setCurrentText(column);
}

// Keeps the typed or chosen column while the list is filled with the header's names.
void FillColumns(QComboBox *box, const QStringList &names) {
    const QString chosen = box->currentIndex() == 0 ? QString() : box->currentText();
    while (box->count() > 1) box->removeItem(1);
    box->addItems(names);
    SetColumn(box, chosen);
}

} // namespace

TOverlayLogDlg::TOverlayLogDlg(QWidget *parent) : QDialog(parent) {
    setObjectName("OverlayLogDlg");
    setWindowTitle("Overlay Measured Log");
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    auto *fileRow = new QHBoxLayout;
    FileEdit = new QLineEdit(this);
    FileEdit->setObjectName("FileEdit");
    FileEdit->setMinimumWidth(320);
    BrowseBtn = new QPushButton("Browse...", this);
    BrowseBtn->setObjectName("BrowseBtn");
    fileRow->addWidget(FileEdit, 1);
    fileRow->addWidget(BrowseBtn);
    form->addRow("Log file:", fileRow);
    ColumnsLabel = new QLabel(this);
    ColumnsLabel->setObjectName("ColumnsLabel");
    ColumnsLabel->setWordWrap(true);
    form->addRow("", ColumnsLabel);

    TimeColumnBox = ColumnBox(this, "TimeColumnBox", Automatic);
    TimeUnitBox = ChoiceBox(this, "TimeUnitBox", {"from the header, else s", "s", "ms"});
    SteerColumnBox = ColumnBox(this, "SteerColumnBox", Automatic);
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
    QFile file(path);
    QStringList names;
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray start = file.read(HeaderBytes);
        for (const std::string &name : LogColumnNames(std::string_view(start.constData(), start.size())))
            names << QString::fromLatin1(name.c_str());
    }
    for (QComboBox *box : {TimeColumnBox, SteerColumnBox, MarkColumnBox}) FillColumns(box, names);
    if (names.isEmpty())
        ColumnsLabel->setText(file.isOpen() ? "No header line naming the columns was found."
                                            : "The file cannot be read: " + file.errorString());
    else
        ColumnsLabel->setText(QString("Columns: %1").arg(names.join(", ")));
    return !names.isEmpty();
}

void TOverlayLogDlg::BrowseBtnClick() {
    const QString current = LogFile();
    FileRequest request{FileDialogKind::Open,
                        "Open Measured Log",
                        current.isEmpty() ? QString() : QFileInfo(current).absolutePath(),
                        {},
                        {"Logs (*.csv *.txt *.tsv *.dat *.log)", "All files (*)"},
                        {},
                        false,
                        {},
                        true};
    const QString path = ChooseFile(this, request);
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
