// Verify Images: the files read back from the programmer, and the comparison's report.
#include "romfiles/ui/Verifydlg.h"

#include "romfiles/build.h"
#include "uikit/Forms.h"
#include "uikit/Modal.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TVerifyDlg::TVerifyDlg(QWidget *parent) : QDialog(parent) {
    setObjectName("VerifyDlg");
    setWindowTitle("Verify Images");
    auto *layout = new QVBoxLayout(this);
    auto *note = new QLabel("Compare the images read back from the EPROM programmer with the set as it is "
                            "now built, word by word.",
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto *grid = new QGridLayout;
    BinEdit = new QLineEdit(this);
    BinEdit->setObjectName("BinEdit");
    BinEdit->setMinimumWidth(360);
    AuxEdit = new QLineEdit(this);
    AuxEdit->setObjectName("AuxEdit");
    AuxEdit->setPlaceholderText("(none: the EPROM image alone)");
    BinBrowse = new QPushButton("Browse...", this);
    AuxBrowse = new QPushButton("Browse...", this);
    auto *binLabel = new QLabel("&EPROM image:", this);
    auto *auxLabel = new QLabel("&Aux image:", this);
    binLabel->setBuddy(BinEdit);
    auxLabel->setBuddy(AuxEdit);
    grid->addWidget(binLabel, 0, 0);
    grid->addWidget(BinEdit, 0, 1);
    grid->addWidget(BinBrowse, 0, 2);
    grid->addWidget(auxLabel, 1, 0);
    grid->addWidget(AuxEdit, 1, 1);
    grid->addWidget(AuxBrowse, 1, 2);
    layout->addLayout(grid);
    const DialogButtons buttons = AddDialogButtons(this, layout);
    OKBtn = buttons.ok;
    OKBtn->setText("&Verify");
    CancelBtn = buttons.cancel;
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(BinBrowse, &QPushButton::clicked, this, [this] {
        Browse(BinEdit, "EPROM Image Read Back", {"EPROM files (*.bin)", "All files (*.*)"});
    });
    connect(AuxBrowse, &QPushButton::clicked, this, [this] {
        Browse(AuxEdit, "Aux Image Read Back", {"Aux files (*.aux)", "All files (*.*)"});
    });
    connect(BinEdit, &QLineEdit::textChanged, this, [this] { OKBtn->setEnabled(!BinPath().isEmpty()); });
    OKBtn->setEnabled(false);
}

void TVerifyDlg::Offer(const QString &binPath) {
    BinEdit->setText(binPath);
    const QString aux = binPath.isEmpty() ? QString() : FromPath(AuxPathFor(ToPath(binPath)));
    AuxEdit->setText(!aux.isEmpty() && QFileInfo::exists(aux) ? aux : QString());
}

QString TVerifyDlg::BinPath() const { return BinEdit->text().trimmed(); }

QString TVerifyDlg::AuxPath() const { return AuxEdit->text().trimmed(); }

void TVerifyDlg::Browse(QLineEdit *edit, const QString &title, const QStringList &filters) {
    const QString folder = QFileInfo(edit->text().isEmpty() ? BinPath() : edit->text()).absolutePath();
    const QString path =
        ChooseFile(this, {FileDialogKind::Open, title, folder, {}, filters, {}, false, {}, true});
    if (path.isEmpty()) return;
    if (edit == BinEdit)
        Offer(path);
    else
        edit->setText(path);
}

TVerifyReportDlg::TVerifyReportDlg(QWidget *parent) : QDialog(parent) {
    setObjectName("VerifyReportDlg");
    setWindowTitle("Verify Images");
    auto *layout = new QVBoxLayout(this);
    ReportMemo = FixedFontMemo(this, "ReportMemo", true);
    ReportMemo->setMinimumSize(600, 240);
    layout->addWidget(ReportMemo, 1);
    auto *box = new QDialogButtonBox(this);
    CopyBtn = box->addButton("&Copy", QDialogButtonBox::ActionRole);
    CopyBtn->setToolTip("Copy the report to the clipboard");
    CloseBtn = box->addButton(QDialogButtonBox::Close);
    layout->addWidget(box);
    connect(CopyBtn, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(ReportText()); });
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
}

void TVerifyReportDlg::SetLines(const QStringList &lines) { ReportMemo->setPlainText(lines.join('\n')); }

QString TVerifyReportDlg::ReportText() const { return ReportMemo->toPlainText(); }
