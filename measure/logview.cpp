// A log looked into: its columns summarised, and its channels as a table to write.
#include "measure/logview.h"

#include "compiler/format.h"
#include "files/fileio.h"

#include <algorithm>
#include <cmath>

std::vector<ColumnSummary> SummariseColumns(const LogTable &table, const LogInfo &info) {
    std::vector<ColumnSummary> columns;
    for (const TableColumn &c : table.columns) {
        ColumnSummary s{c.number, c.name, c.unit, 0, c.empty, 0, 0, c.bad, c.form, std::nullopt, {}};
        bool any = false;
        for (double written : c.values) {
            if (std::isnan(written)) continue;
            const double v = written + c.base;
            s.low = any ? std::min(s.low, v) : v;
            s.high = any ? std::max(s.high, v) : v;
            any = true;
            ++s.numbers;
        }
        for (const ChannelChoice &choice : info.choices) {
            if (choice.taken.number == c.number && !s.takenFor)
                s.takenFor = choice.kind;
            else if (std::any_of(
                         choice.candidates.begin(), choice.candidates.end(),
                         [&](const ChannelCandidate &candidate) { return candidate.number == c.number; }))
                s.namedAs.push_back(choice.kind);
        }
        columns.push_back(std::move(s));
    }
    return columns;
}

namespace {

// The log's gaps as the comparison sees them: breaks longer than five median intervals.
bool InGap(const std::vector<double> &time, std::size_t i, double limit) {
    return time[i + 1] - time[i] > limit;
}

} // namespace

LogExtract ExtractChannels(const VehicleLog &log, const std::vector<ChannelKind> &asked, double rate) {
    LogExtract extract;
    std::vector<ChannelKind> kinds{ChannelKind::Time};
    if (asked.empty()) {
        for (const ChannelKindInfo &info : ChannelKinds())
            if (info.kind != ChannelKind::Time && !ChannelValues(log, info.kind).empty())
                kinds.push_back(info.kind);
    } else {
        for (ChannelKind kind : asked) {
            if (kind == ChannelKind::Time || std::find(kinds.begin(), kinds.end(), kind) != kinds.end())
                continue;
            if (ChannelValues(log, kind).empty())
                throw FormatError(std::string("the log has no ") + ChannelKindName(kind) +
                                  " column to write");
            kinds.push_back(kind);
        }
    }
    std::vector<double> grid = log.time;
    if (rate > 0) {
        grid.clear();
        const double limit = 5 * IntervalsOf(log.time).median;
        std::size_t i = 0;
        for (long k = 0;; ++k) {
            const double t = log.time.front() + static_cast<double>(k) / rate;
            if (t > log.time.back()) break;
            while (i + 2 < log.time.size() && log.time[i + 1] <= t) ++i;
            if (!InGap(log.time, i, limit) || t == log.time[i] || t == log.time[i + 1]) grid.push_back(t);
        }
    }
    for (ChannelKind kind : kinds) {
        const ChannelKindInfo &info = KindInfo(kind);
        const std::string unit = kind == ChannelKind::Time ? "s" : info.unit;
        extract.kinds.push_back(kind);
        extract.headers.push_back(std::string(info.name) + (unit.empty() ? "" : " [" + unit + "]"));
        const std::vector<double> &values = ChannelValues(log, kind);
        if (rate <= 0 || kind == ChannelKind::Time) {
            extract.values.push_back(kind == ChannelKind::Time ? grid : values);
            continue;
        }
        std::vector<double> column;
        column.reserve(grid.size());
        std::size_t i = 0;
        for (double t : grid) {
            while (i + 2 < log.time.size() && log.time[i + 1] <= t) ++i;
            const double u = std::clamp((t - log.time[i]) / (log.time[i + 1] - log.time[i]), 0.0, 1.0);
            column.push_back(kind == ChannelKind::Mark ? (u >= 1 ? values[i + 1] : values[i])
                                                       : values[i] + u * (values[i + 1] - values[i]));
        }
        extract.values.push_back(std::move(column));
    }
    return extract;
}

std::string ExtractCsv(const LogExtract &extract, const std::vector<std::string> &comments) {
    std::string text;
    for (const std::string &comment : comments) text += "# " + comment + "\n";
    for (std::size_t k = 0; k < extract.headers.size(); ++k) text += (k ? "," : "") + extract.headers[k];
    text += "\n";
    const std::size_t rows = extract.values.front().size();
    for (std::size_t i = 0; i < rows; ++i) {
        for (std::size_t k = 0; k < extract.values.size(); ++k)
            text += (k ? "," : "") + ShortestText(extract.values[k][i]);
        text += "\n";
    }
    return text;
}
