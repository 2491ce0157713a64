// A campaign as the window names it: the run list, the logs and the files A and the GVWR may come from,
// read and handed to the core, which pairs and judges them as evaluate campaign does.
#pragma once

#include "measure/campaign.h"

#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

struct CampaignFiles {
    QString runList;  // the run list of template --series --json
    QStringList logs; // one per run, in the order given
    Pairing pairing = Pairing::Order;
    double a = 0;        // deg, given; 0: from the SIS results, else the run list
    QString sisResults;  // evaluate sis --json's document, whose a_deg is A; empty: none
    double gvwr = 0;     // kg, given; 0: from the test information, else the vehicle file
    QString vehicleFile; // simulate's vehicle file, whose gvwr_kg is the last choice; empty: none
    Regulation regulation = Regulation::Fmvss126;
    bool speedStated = false; // the speed at BOS is stated for every run, not logged (--accept speed)
    CampaignInfo info;
};

// The campaign judged, with what its runs' graphs and the report need.
struct JudgedCampaign {
    CampaignResult result;
    std::vector<VehicleLog> logs; // in the order given; result.runs[k] was judged on logs[paired[k].index]
    std::vector<PairedRun> paired;
    QString runList; // as given: the sets it names without a folder are beside it
};

// Why the files make no campaign, naming the file: one that cannot be read, a run list or SIS result
// that holds none, logs that do not pair with the runs.
class CampaignFilesError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the files, chooses A (given, the SIS results, the run list) and the GVWR (given, the test
// information, the vehicle file), pairs the logs with the runs and judges them. Throws
// CampaignFilesError.
JudgedCampaign JudgeCampaignFiles(const CampaignFiles &files);

// The log files of a folder, as Add Folder takes them: the names a logger writes (.csv, .txt, .tsv,
// .dat, .log, .vbo), in the order of their names with numbers taken as numbers (swd-2 before swd-10).
QStringList FolderLogs(const QString &folder);
