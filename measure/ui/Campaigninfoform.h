// The test information of a campaign as a small form: a field per entry of the campaign file (vehicle,
// VIN, test mass, GVWR, tyres, ...), opened from and saved as the file that evaluate campaign reads
// with --info.
#pragma once

#include "measure/campaigninfo.h"

#include <QString>
#include <QWidget>

#include <vector>

class QLineEdit;
class QPushButton;

class TCampaignInfoForm : public QWidget {
    Q_OBJECT
public:
    explicit TCampaignInfoForm(QWidget *parent = nullptr);

    // The information as the fields hold it, read as the campaign file is. Throws FormatError naming
    // the field for a value the file would refuse (a GVWR that is no number of kg).
    CampaignInfo Info() const;
    void SetInfo(const CampaignInfo &info);
    // The campaign file last opened or saved; empty when none.
    QString FileName() const { return m_file; }

    // Reads the campaign file into the fields; false (and a box saying why) when it cannot be read.
    bool OpenFile(const QString &path);
    // Writes the fields as the campaign file; false (and a box saying why) when it cannot be written.
    bool SaveFile(const QString &path);

    std::vector<QLineEdit *> Fields; // in the order of CampaignInfoFields()
    QPushButton *OpenBtn, *SaveBtn;

private slots:
    void OpenBtnClick();
    void SaveBtnClick();

private:
    QString m_file;
};
