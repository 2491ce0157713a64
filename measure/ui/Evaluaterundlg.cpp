// The Evaluate Run dialog: the log of a sine-with-dwell run and what its verdict needs.
#include "measure/ui/Evaluaterundlg.h"

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

const char *const Automatic = "(automatic)";

QComboBox *ColumnBox(QWidget *parent, const char *name) {
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true); // a name or a number from 1
    box->addItem(Automatic);
    box->setMinimumContentsLength(18);
    return box;
}

std::string ColumnOf(const QComboBox *box) {
    const QString text = box->currentText().trimmed();
    return text == Automatic || text.isEmpty() ? std::string() : text.toLatin1().toStdString();
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

} // namespace

TEvaluateRunDlg::TEvaluateRunDlg(QWidget *parent) : QDialog(parent) {
    setObjectName("EvaluateRunDlg");
    setWindowTitle("Evaluate Run");
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
    YawColumnBox = ColumnBox(this, "YawColumnBox");
    AyColumnBox = ColumnBox(this, "AyColumnBox");
    AyUnitBox = new QComboBox(this);
    AyUnitBox->setObjectName("AyUnitBox");
    AyUnitBox->addItems({Automatic, "g", "m/s2"});
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return;
    const QByteArray start = file.read(64 * 1024);
    QStringList names;
    for (const std::string &name :
         LogColumnNames(std::string_view(start.constData(), static_cast<std::size_t>(start.size()))))
        names << QString::fromLatin1(name.c_str());
    for (QComboBox *box : {YawColumnBox, AyColumnBox}) {
        const QString chosen = box->currentText();
        while (box->count() > 1) box->removeItem(1);
        box->addItems(names);
        box->setCurrentText(chosen);
    }
}

void TEvaluateRunDlg::BrowseBtnClick() {
    const QString current = LogFile();
    FileRequest request{FileDialogKind::Open,
                        "Open Run Log",
                        current.isEmpty() ? QString() : QFileInfo(current).absolutePath(),
                        {},
                        {"Logs (*.csv *.txt *.tsv *.dat *.log *.vbo *.VBO)", "All files (*)"},
                        {},
                        false,
                        {},
                        true};
    const QString path = ChooseFile(this, request);
    if (path.isEmpty()) return;
    FileEdit->setText(path);
    ReadColumns(path);
}
