// The image report after a Build: CRC-32s and the slot map of the files as written, with Intel HEX
// and S-record copies for the EPROM programmer.
#include "romfiles/ui/Reportdlg.h"

#include "files/fileio.h"
#include "romfiles/build.h"
#include "romfiles/imagecheck.h"
#include "uikit/Forms.h"
#include "uikit/Latin1.h"
#include "uikit/Modal.h"
#include "uikit/Settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TImageReportDlg::TImageReportDlg(QWidget *parent) : QDialog(parent) {
    setObjectName("ImageReportDlg");
    setWindowTitle("Image Report");
    auto *layout = new QVBoxLayout(this);
    ReportMemo = FixedFontMemo(this, "ReportMemo", false);
    ReportMemo->setMinimumSize(560, 380);
    layout->addWidget(ReportMemo, 1);

    auto *copies = new QHBoxLayout;
    HexCheck = new QCheckBox("Intel HEX copies (.hex)", this);
    HexCheck->setObjectName("HexCheck");
    SrecCheck = new QCheckBox("S-record copies (.srec)", this);
    SrecCheck->setObjectName("SrecCheck");
    for (QCheckBox *check : {HexCheck, SrecCheck})
        check->setToolTip("Written beside the EPROM and aux files after every Build");
    HexCheck->setChecked(PreferenceValue("build/intelHex", false).toBool());
    SrecCheck->setChecked(PreferenceValue("build/srec", false).toBool());
    connect(HexCheck, &QCheckBox::toggled, this, [](bool on) { SetPreferenceValue("build/intelHex", on); });
    connect(SrecCheck, &QCheckBox::toggled, this, [](bool on) { SetPreferenceValue("build/srec", on); });
    copies->addWidget(HexCheck);
    copies->addWidget(SrecCheck);
    copies->addStretch();
    layout->addLayout(copies);
    CopiesLabel = new QLabel(this);
    CopiesLabel->setObjectName("CopiesLabel");
    CopiesLabel->setWordWrap(true);
    layout->addWidget(CopiesLabel);

    auto *box = new QDialogButtonBox(this);
    CopyBtn = box->addButton("&Copy", QDialogButtonBox::ActionRole);
    CopyBtn->setObjectName("CopyBtn");
    CopyBtn->setToolTip("Copy the report to the clipboard");
    WriteBtn = box->addButton("&Write Copies Now", QDialogButtonBox::ActionRole);
    WriteBtn->setObjectName("WriteBtn");
    WriteBtn->setToolTip("Write the checked copies of the files just built");
    VerifyBtn = box->addButton("&Verify...", QDialogButtonBox::ActionRole);
    VerifyBtn->setObjectName("VerifyBtn");
    VerifyBtn->setToolTip("Compare the images read back from the programmer with the set");
    CloseBtn = box->addButton(QDialogButtonBox::Close);
    CloseBtn->setObjectName("CloseBtn");
    layout->addWidget(box);
    connect(CopyBtn, &QPushButton::clicked, this, &TImageReportDlg::CopyBtnClick);
    connect(WriteBtn, &QPushButton::clicked, this, &TImageReportDlg::WriteBtnClick);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(VerifyBtn, &QPushButton::clicked, this, [this] {
        accept();
        emit verifyRequested(m_binPath);
    });
}

bool TImageReportDlg::SetImages(const QString &binPath) {
    m_binPath = binPath;
    m_written.clear();
    CopiesLabel->clear();
    ReportMemo->clear();
    try {
        // Under the pair's lock, so that both files come from the same build.
        const std::string bin = ToPath(binPath), aux = AuxPathFor(bin);
        std::vector<std::string> images = ReadFileGroup(aux, {bin, aux}, EpromFileLimit);
        m_bin = std::move(images[0]);
        m_aux = std::move(images[1]);
    } catch (const std::exception &e) {
        m_bin.clear();
        m_aux.clear();
        ShowError(parentWidget(), e);
        return false;
    }
    const QString aux = FromPath(AuxPathFor(ToPath(binPath)));
    QStringList lines{QDir::toNativeSeparators(binPath), QDir::toNativeSeparators(aux), QString()};
    for (const std::string &line : ReportLines(ReportImages(m_bin, m_aux))) lines << FromLatin1(line);
    ReportMemo->setPlainText(lines.join('\n'));
    // The slot table is read best without wrapping or scrolling: the memo is as wide as its widest line.
    int widest = 0;
    for (const QString &line : lines)
        widest = qMax(widest, ReportMemo->fontMetrics().horizontalAdvance(line));
    ReportMemo->setMinimumWidth(qMin(widest + 40, 1200));
    adjustSize();
    return true;
}

QString TImageReportDlg::ReportText() const { return ReportMemo->toPlainText(); }

bool TImageReportDlg::WriteCopies() {
    if (m_binPath.isEmpty() || m_bin.empty()) return true;
    std::vector<std::string> extensions;
    if (HexCheck->isChecked()) extensions.push_back(".hex");
    if (SrecCheck->isChecked()) extensions.push_back(".srec");
    bool written = true;
    try {
        const std::string bin = ToPath(m_binPath);
        const std::vector<FileContent> files = ImageCopyFiles(bin, extensions, m_bin, m_aux);
        if (!files.empty()) ReplaceFileGroup(AuxPathFor(bin), files);
        for (const FileContent &file : files) {
            m_written.removeAll(FromPath(file.path));
            m_written << FromPath(file.path);
        }
    } catch (const std::exception &e) {
        ShowError(this, e);
        written = false;
    }
    QStringList names;
    for (const QString &path : m_written) names << QFileInfo(path).fileName();
    CopiesLabel->setText(names.isEmpty() ? QString() : "Written: " + names.join(", "));
    return written;
}

void TImageReportDlg::CopyBtnClick() { QApplication::clipboard()->setText(ReportText()); }

void TImageReportDlg::WriteBtnClick() { WriteCopies(); }
