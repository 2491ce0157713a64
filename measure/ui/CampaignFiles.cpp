// The window's campaign: its files read, A and the GVWR chosen, the logs paired and judged by the core.
#include "measure/ui/CampaignFiles.h"

#include "files/fileio.h"
#include "measure/vehicle.h"
#include "uikit/Forms.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr ReadLimit RunListLimit{16 * MiB};

// What reading the file gives; a failure named by the file.
template <typename Read> auto Reading(const QString &path, Read read) -> decltype(read()) {
    try {
        return read();
    } catch (const FileError &e) { // names the file itself
        throw CampaignFilesError(e.what());
    } catch (const std::exception &e) {
        throw CampaignFilesError(ToPath(path) + ": " + e.what());
    }
}

// The a_deg of evaluate sis --json's document.
double SisAmplitudeA(const QString &path) {
    const std::string bytes = Reading(path, [&] { return ReadFileBytes(ToPath(path), RunListLimit); });
    const QJsonObject document =
        QJsonDocument::fromJson(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()))).object();
    const double a = document.value("a_deg").toDouble(0);
    if (!(a > 0)) {
        const QString why = document.value("a_reason").toString();
        throw CampaignFilesError(ToPath(path) + ": holds no a_deg" +
                                 (why.isEmpty() ? std::string() : " (" + why.toStdString() + ")") +
                                 ": write it with evaluate sis ... --json");
    }
    return a;
}

// Whether the name comes before the other with the numbers in them taken as numbers: "swd-2" before
// "swd-10"; else as the characters compare, case ignored.
bool NameBefore(const QString &a, const QString &b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit()) ++ei;
            while (ej < b.size() && b[ej].isDigit()) ++ej;
            const QString na = a.mid(i, ei - i).remove(QRegularExpression("^0+")),
                          nb = b.mid(j, ej - j).remove(QRegularExpression("^0+"));
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (na != nb) return na < nb;
            i = ei;
            j = ej;
        } else {
            const QChar ca = a[i].toLower(), cb = b[j].toLower();
            if (ca != cb) return ca < cb;
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

} // namespace

JudgedCampaign JudgeCampaignFiles(const CampaignFiles &files) {
    if (files.runList.isEmpty()) throw CampaignFilesError("Choose the run list of the series.");
    JudgedCampaign judged;
    judged.runList = files.runList;
    const RunList list = Reading(
        files.runList, [&] { return ParseRunList(ReadFileBytes(ToPath(files.runList), RunListLimit)); });
    std::optional<double> vehicleGvwr;
    if (!files.vehicleFile.isEmpty())
        vehicleGvwr = Reading(files.vehicleFile, [&] {
            return ParseVehicleParameters(ReadFileBytes(ToPath(files.vehicleFile), ProgramFileLimit)).gvwr;
        });
    std::vector<AmplitudeCandidate> candidates{
        {files.a > 0 ? std::optional(files.a) : std::nullopt, "Evaluate Campaign"}};
    if (!files.sisResults.isEmpty())
        candidates.push_back(
            {SisAmplitudeA(files.sisResults), ToPath(QFileInfo(files.sisResults).fileName())});
    candidates.push_back({list.a, "the run list"});
    const CampaignA a = ChooseAmplitudeA(candidates);
    const Gvwr gvwr =
        ChooseGvwr(files.gvwr > 0 ? std::optional(files.gvwr) : std::nullopt, files.info, vehicleGvwr);
    CampaignSettings settings;
    settings.regulation = files.regulation;
    settings.pairing = files.pairing;
    if (files.speedStated) settings.swd.accepted = {RunCondition::Speed};

    std::vector<std::string> logFiles;
    for (const QString &log : files.logs) logFiles.push_back(ToPath(log));
    try {
        if (files.pairing != Pairing::Logged) judged.paired = PairLogs(list, logFiles, files.pairing);
        std::vector<LoggedProgram> logged;
        for (const QString &log : files.logs) {
            judged.logs.push_back(
                Reading(log, [&] { return ReadVehicleLog(ToPath(log), VehicleLogOptions{}); }));
            logged.push_back({judged.logs.back().info.set, judged.logs.back().info.program});
        }
        if (files.pairing == Pairing::Logged)
            judged.paired = PairLogs(list, logFiles, Pairing::Logged, logged);
    } catch (const CampaignError &e) {
        throw CampaignFilesError(e.what());
    }
    judged.result = JudgeCampaignRuns(judged.paired, judged.logs, list, settings, a, gvwr, files.info);
    return judged;
}

QStringList FolderLogs(const QString &folder) {
    // Name filters ignore case unless asked not to.
    QStringList sorted =
        QDir(folder).entryList({"*.csv", "*.txt", "*.tsv", "*.dat", "*.log", "*.vbo"}, QDir::Files);
    std::sort(sorted.begin(), sorted.end(), NameBefore);
    QStringList paths;
    for (const QString &name : sorted) paths << QDir(folder).filePath(name);
    return paths;
}
