// The campaign's test information as a form of its own, read and written as the campaign file.
#include "measure/ui/Campaigninfoform.h"

#include "files/fileio.h"
#include "uikit/Forms.h"
#include "uikit/Latin1.h"
#include "uikit/Modal.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>

namespace {

// A campaign file is a screenful of short lines.
constexpr ReadLimit InfoFileLimit{1 * MiB, false, 64 * 1024};

const char *const InfoFilters = "Campaign files (*.txt *.info);;All files (*)";

} // namespace

TCampaignInfoForm::TCampaignInfoForm(QWidget *parent) : QWidget(parent) {
    setObjectName("CampaignInfoForm");
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    for (const CampaignInfoField &field : CampaignInfoFields()) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QString("Info_") + field.key);
        edit->setPlaceholderText("not given");
        form->addRow(QString(field.label) + ":", edit);
        Fields.push_back(edit);
    }
    layout->addLayout(form);
    auto *note =
        new QLabel("Saved as the campaign file that quillard-cli evaluate campaign reads with --info; "
                   "the report prints a field left empty as \"not given\". A gross vehicle weight "
                   "rating given here is used unless one is given on the Runs page.",
                   this);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto *buttons = new QHBoxLayout;
    OpenBtn = new QPushButton("&Open...", this);
    OpenBtn->setObjectName("InfoOpenBtn");
    SaveBtn = new QPushButton("Sa&ve...", this);
    SaveBtn->setObjectName("InfoSaveBtn");
    buttons->addWidget(OpenBtn);
    buttons->addWidget(SaveBtn);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->addStretch(1);
    connect(OpenBtn, &QPushButton::clicked, this, &TCampaignInfoForm::OpenBtnClick);
    connect(SaveBtn, &QPushButton::clicked, this, &TCampaignInfoForm::SaveBtnClick);
}

// The fields written as the file's lines and read back by the file's own reader, which says what it
// refuses; its line k is field k.
CampaignInfo TCampaignInfoForm::Info() const {
    const auto &fields = CampaignInfoFields();
    std::string text;
    for (std::size_t k = 0; k < fields.size(); ++k)
        text += std::string(fields[k].key) + " = " + Latin1Line(Fields[k]->text().trimmed()) + "\r\n";
    try {
        return ParseCampaignInfo(text);
    } catch (const FormatError &e) {
        const std::string what = e.what();
        const std::size_t line = std::strtoul(what.c_str() + what.find_first_of("0123456789"), nullptr, 10);
        const std::string label =
            line >= 1 && line <= fields.size() ? fields[line - 1].label : "Test information";
        throw FormatError(label + what.substr(std::min(what.find(':'), what.size())));
    }
}

void TCampaignInfoForm::SetInfo(const CampaignInfo &info) {
    const auto &fields = CampaignInfoFields();
    for (std::size_t k = 0; k < fields.size(); ++k)
        Fields[k]->setText(FromLatin1(CampaignInfoValue(info, fields[k].key)));
}

bool TCampaignInfoForm::OpenFile(const QString &path) {
    try {
        SetInfo(ParseCampaignInfo(ReadFileBytes(ToPath(path), InfoFileLimit)));
    } catch (const FileError &e) {
        ShowError(this, e);
        return false;
    } catch (const FormatError &e) {
        ShowError(this, path + ": " + FromLatin1(e.what()));
        return false;
    }
    m_file = path;
    return true;
}

bool TCampaignInfoForm::SaveFile(const QString &path) {
    try {
        WriteFileAtomically(ToPath(path), CampaignInfoText(Info()));
    } catch (const std::exception &e) {
        ShowError(this, e);
        return false;
    }
    m_file = path;
    return true;
}

void TCampaignInfoForm::OpenBtnClick() {
    FileRequest request;
    request.title = "Open Campaign File";
    request.directory = m_file.isEmpty() ? QString() : QFileInfo(m_file).absolutePath();
    request.filters = QString(InfoFilters).split(";;");
    request.mustExist = true;
    const QString path = ChooseFile(this, request);
    if (!path.isEmpty()) OpenFile(path);
}

void TCampaignInfoForm::SaveBtnClick() {
    FileRequest request;
    request.kind = FileDialogKind::Save;
    request.title = "Save Campaign File";
    request.fileName = m_file.isEmpty() ? QString("campaign.txt") : m_file;
    request.filters = QString(InfoFilters).split(";;");
    request.defaultSuffix = "txt";
    request.confirmOverwrite = true;
    const QString path = ChooseFile(this, request);
    if (!path.isEmpty()) SaveFile(path);
}
