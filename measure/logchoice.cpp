// The channels of a log picked from its table: the choice of each column, the rows read, the time laid
// and the part kept.
#include "measure/logchoice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

std::string LineText(int line) { return "line " + std::to_string(line); }

std::string ColumnList(const LogTable &table) {
    std::string list;
    for (const TableColumn &column : table.columns) list += (list.empty() ? "" : ", ") + column.name;
    return list;
}

// "column 3 "Yaw_Rate [deg/s]"".
std::string ColumnText(const ChannelCandidate &c) {
    return "column " + std::to_string(c.number) + " \"" + c.name + "\"";
}

ChannelCandidate CandidateOf(const TableColumn &column, ChannelKind kind) {
    const ChannelKindInfo &info = KindInfo(kind);
    ChannelCandidate c{column.number,           column.name, column.unit, MatchName(kind, column.name),
                       KindOfUnit(column.unit), true};
    c.unitFits =
        c.unitKind == UnitKind::Unknown || info.unitKind == UnitKind::Unknown || c.unitKind == info.unitKind;
    return c;
}

// Whether another kind claims the column by one of its own names where this kind has only a word of it.
bool ClaimedElsewhere(const TableColumn &column, ChannelKind kind, NameMatch match) {
    if (match == NameMatch::Own) return false;
    return std::any_of(ChannelKinds().begin(), ChannelKinds().end(), [&](const ChannelKindInfo &other) {
        return other.kind != kind && MatchName(other.kind, column.name) == NameMatch::Own;
    });
}

// 2: a stated unit of the channel's kind; 1: no unit, or one the reader does not know; 0: another kind's.
int UnitRank(const ChannelCandidate &c, ChannelKind kind) {
    if (!c.unitFits) return 0;
    return c.unitKind != UnitKind::Unknown && KindInfo(kind).unitKind != UnitKind::Unknown ? 2 : 1;
}

// The 0-based index of the column a user named by header name or by number.
std::size_t FindColumn(const LogTable &table, const std::string &wanted) {
    const std::size_t count = table.columns.size();
    if (!wanted.empty() &&
        std::all_of(wanted.begin(), wanted.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const std::size_t number = wanted.size() > 6 ? 0 : std::stoul(wanted);
        if (number < 1 || number > count)
            throw FormatError("there is no column " + wanted + ": the header names " + std::to_string(count) +
                              " columns");
        return number - 1;
    }
    const std::string full = LowerCase(TrimBlanks(wanted));
    for (std::size_t i = 0; i < count; ++i)
        if (LowerCase(TrimBlanks(table.columns[i].name)) == full) return i;
    const std::string base = SplitColumnName(wanted).base;
    for (std::size_t i = 0; i < count; ++i)
        if (SplitColumnName(table.columns[i].name).base == base) return i;
    throw FormatError("no column \"" + wanted + "\" in the header (its columns: " + ColumnList(table) + ")");
}

// Why a cell of a column read is not a number, naming its line and column.
FormatError BadCellError(const TableColumn &column, char separator) {
    const BadCell &bad = *column.bad;
    std::string message = LineText(bad.line) + ", column " + std::to_string(column.number) + " \"" +
                          column.name + "\": \"" + bad.text + "\" is not a " +
                          (bad.notFinite ? "finite number" : "number");
    if (!bad.notFinite && separator != ',' && bad.text.find(',') != std::string::npos)
        message += " (the log must use a decimal point)";
    return FormatError(message);
}

// Why a log whose every row was skipped has no rows: the columns read that are empty in every one.
FormatError NoRows(const LogTable &table, const std::vector<const TableColumn *> &columns, int skipped) {
    std::string empty;
    for (const TableColumn *c : columns)
        if (skipped > 0 && c->empty == table.Rows())
            empty += (empty.empty() ? "" : ", ") + std::string("column ") + std::to_string(c->number) +
                     " \"" + c->name + "\"";
    if (!empty.empty())
        return FormatError("every one of the log's " + std::to_string(skipped) +
                           " rows has an empty cell in " + empty + ": the column holds no numbers");
    return FormatError("the log has no rows of numbers below its header (" + LineText(table.headerLine) +
                       ")");
}

// The columns whose unit is of the channel's kind, for the message of a channel not found.
std::string OfItsUnit(const LogTable &table, ChannelKind kind) {
    const UnitKind unit = KindInfo(kind).unitKind;
    std::string list;
    for (const TableColumn &column : table.columns)
        if (unit != UnitKind::Unknown && KindOfUnit(column.unit) == unit)
            list += (list.empty() ? "" : ", ") + std::to_string(column.number) + " \"" + column.name + "\"";
    if (list.empty()) return "";
    return std::string("; of them ") + (list.find(',') != std::string::npos ? "columns " : "column ") + list +
           " hold" + (list.find(',') != std::string::npos ? " " : "s ") + UnitKindText(unit);
}

ChannelError MissingChannel(const LogTable &table, const ChannelChoice &choice) {
    const ChannelKind kind = choice.kind;
    if (kind == ChannelKind::Steer) {
        std::string place;
        if (table.columns.size() >= 2) {
            const TableColumn &second = table.columns[1];
            place = "; by its place it would be column 2 \"" + second.name + "\"";
            for (const ChannelKindInfo &info : ChannelKinds())
                if (MatchName(info.kind, second.name) != NameMatch::None) {
                    place += std::string(", named as ") + (info.kind == ChannelKind::Time ? "the " : "a ") +
                             info.name;
                    break;
                }
        }
        return ChannelError(choice, ChannelProblem::Unnamed,
                            "no column's name says it is the steer (its columns: " + ColumnList(table) + ")" +
                                place);
    }
    return ChannelError(choice, ChannelProblem::Missing,
                        std::string("the log has no ") + ChannelKindName(kind) +
                            " column (its columns: " + ColumnList(table) + ")" + OfItsUnit(table, kind));
}

// The steer's column whose header states another quantity's unit.
void CheckSteerUnit(const ChannelChoice &choice, const LogTable &table) {
    const ChannelCandidate &c = choice.taken;
    if (c.unitFits || c.unitKind == UnitKind::Unknown) return;
    const std::string holds = std::string(UnitKindText(c.unitKind)) + " (" + c.unit + ")";
    const std::string note =
        table.unitNote.empty() ? "" : " (" + table.unitNote + ": units may be paired with the wrong columns)";
    if (choice.basis == ChoiceBasis::Option)
        throw ChannelError(choice, ChannelProblem::OtherUnit,
                           ColumnText(c) + " holds " + holds + ", not a steer angle" + note);
    throw ChannelError(choice, ChannelProblem::OtherUnit,
                       ColumnText(c) + " is named the steer but holds " + holds + note);
}

} // namespace

const char *ChoiceBasisName(ChoiceBasis basis) {
    switch (basis) {
    case ChoiceBasis::Option:
        return "option";
    case ChoiceBasis::Only:
        return "only";
    case ChoiceBasis::Unit:
        return "unit";
    case ChoiceBasis::OwnName:
        return "own name";
    case ChoiceBasis::Order:
        return "order";
    case ChoiceBasis::Position:
        return "position";
    case ChoiceBasis::None:
        break;
    }
    return "none";
}

bool ChannelChoice::Said() const {
    return basis == ChoiceBasis::Unit || basis == ChoiceBasis::OwnName || basis == ChoiceBasis::Order ||
           basis == ChoiceBasis::Position;
}

std::string ChoiceText(const ChannelChoice &choice) {
    const char *kind = ChannelKindName(choice.kind);
    const std::string a = std::string(choice.kind == ChannelKind::Time ? "the " : "a ") + kind;
    std::string text = std::string(kind) + ": " + ColumnText(choice.taken) + " taken";
    std::string others;
    for (const ChannelCandidate &c : choice.candidates)
        if (c.number != choice.taken.number)
            others +=
                (others.empty() ? "" : ", ") + ColumnText(c) +
                (choice.basis == ChoiceBasis::Unit ? (c.unit.empty() ? " with no unit" : " in " + c.unit)
                                                   : "");
    switch (choice.basis) {
    case ChoiceBasis::Order:
        text += ", the first of " + std::to_string(choice.candidates.size()) + " columns named as " + a +
                " alike";
        break;
    case ChoiceBasis::Unit:
        text += ", the one named as " + a + " whose unit " + choice.taken.unit + " is " +
                UnitKindText(KindInfo(choice.kind).unitKind) + "'s";
        break;
    case ChoiceBasis::OwnName:
        text += ", the one named as " + a + " by a name of its own";
        break;
    case ChoiceBasis::Position:
        return text + " by its place: no column is named as " + a;
    case ChoiceBasis::Option:
    case ChoiceBasis::Only:
    case ChoiceBasis::None:
        break;
    }
    return others.empty() ? text : text + " (also " + others + ")";
}

std::string ChoiceLine(const ChannelChoice &choice, const PickHints &hints) {
    const std::string hint = hints.column ? hints.column(choice) : "";
    return ChoiceText(choice) + (hint.empty() ? "" : "; " + hint);
}

std::vector<std::string> ReadingNotes(const LogInfo &info, const PickHints &hints) {
    std::vector<std::string> notes;
    for (const ChannelChoice &c : info.choices) {
        if (c.Said()) notes.push_back(ChoiceLine(c, hints));
        if (!c.notRead.empty()) notes.push_back(c.notRead);
    }
    if (info.runs.size() > 1 && info.part.empty()) {
        std::string runs;
        for (const LogRun &r : info.runs) {
            char text[80];
            std::snprintf(text, sizeof text, "%s%d: %.3f to %.3f s", runs.empty() ? "" : ", ", r.number,
                          r.start, r.end);
            runs += text;
        }
        notes.push_back("the log holds " + std::to_string(info.runs.size()) +
                        " runs (steer away from its rest, with rest between): " + runs +
                        "; it was read whole" + (hints.run.empty() ? "" : "; " + hints.run));
    }
    return notes;
}

ChannelChoice ChooseColumn(const LogTable &table, ChannelKind kind, const std::string &given) {
    ChannelChoice choice;
    choice.kind = kind;
    for (const TableColumn &column : table.columns) {
        const ChannelCandidate c = CandidateOf(column, kind);
        if (c.match != NameMatch::None && !ClaimedElsewhere(column, kind, c.match))
            choice.candidates.push_back(c);
    }
    if (!given.empty()) {
        choice.taken = CandidateOf(table.columns[FindColumn(table, given)], kind);
        choice.basis = ChoiceBasis::Option;
        return choice;
    }
    const auto &all = choice.candidates;
    if (all.empty()) {
        if (kind == ChannelKind::Time && !table.columns.empty()) {
            choice.taken = CandidateOf(table.columns.front(), kind);
            choice.basis = ChoiceBasis::Position;
        }
        return choice;
    }
    auto rank = [&](const ChannelCandidate &c) {
        return std::pair(UnitRank(c, kind), c.match == NameMatch::Own);
    };
    const auto best = std::max_element(all.begin(), all.end(),
                                       [&](const auto &a, const auto &b) { return rank(a) < rank(b); });
    choice.taken = *best;
    if (all.size() == 1) {
        choice.basis = ChoiceBasis::Only;
        return choice;
    }
    int alike = 0, sameUnit = 0;
    for (const ChannelCandidate &c : all) {
        alike += rank(c) == rank(*best);
        sameUnit += UnitRank(c, kind) == UnitRank(*best, kind);
    }
    choice.basis = alike > 1 ? ChoiceBasis::Order : sameUnit == 1 ? ChoiceBasis::Unit : ChoiceBasis::OwnName;
    return choice;
}

TableRead ReadTableChannels(const LogTable &table, const std::vector<ChannelRequest> &requests) {
    TableRead read;
    std::vector<const TableColumn *> columns; // of the channels taken, in request order
    for (const ChannelRequest &r : requests) {
        ChannelRead channel;
        channel.choice.kind = r.kind;
        if (r.byName || !r.column.empty()) channel.choice = ChooseColumn(table, r.kind, r.column);
        if (!channel.choice.Taken() && r.needed) throw MissingChannel(table, channel.choice);
        if (r.kind == ChannelKind::Steer && channel.choice.Taken() && !r.angleGiven)
            CheckSteerUnit(channel.choice, table);
        if (channel.choice.Taken() && !r.needed && r.column.empty()) {
            const TableColumn &column =
                table.columns[static_cast<std::size_t>(channel.choice.taken.number - 1)];
            if (column.bad) {
                channel.choice.notRead = ColumnText(channel.choice.taken) + " is named as " +
                                         (r.kind == ChannelKind::Time ? "the " : "a ") +
                                         ChannelKindName(r.kind) + " but holds \"" + column.bad->text +
                                         "\" on " + LineText(column.bad->line) +
                                         ", no number: it is not read";
                channel.choice.taken = {};
                channel.choice.basis = ChoiceBasis::None;
            }
        }
        if (channel.choice.Taken()) {
            channel.column = &table.columns[static_cast<std::size_t>(channel.choice.taken.number - 1)];
            columns.push_back(channel.column);
        }
        read.channels.push_back(std::move(channel));
    }
    for (ChannelRead &c : read.channels)
        if (c.column) c.values.reserve(table.Rows());
    const TableColumn *time = read.channels.front().column; // the time comes first
    read.channels.front().base = time->base;
    double previous = 0;
    int previousLine = 0;
    for (std::size_t row = 0; row < table.Rows(); ++row) {
        const int line = table.lines[row];
        bool empty = false;
        for (const TableColumn *c : columns) {
            if (!std::isnan(c->values[row])) continue;
            if (c->bad && c->bad->line == line) throw BadCellError(*c, table.separator);
            empty = true;
        }
        if (empty) {
            if (read.skippedRows++ == 0) read.firstSkippedLine = line;
            continue;
        }
        const double t = time->values[row];
        if (!read.lines.empty() && !(t > previous))
            throw FormatError(LineText(line) + ": time " + Number(t) + " is not after the time " +
                              Number(previous) + " of " + LineText(previousLine) + ": times must increase");
        previous = t, previousLine = line;
        for (ChannelRead &c : read.channels)
            if (c.column) c.values.push_back(c.column->values[row]);
        read.lines.push_back(line);
    }
    if (read.lines.empty()) throw NoRows(table, columns, read.skippedRows);
    if (read.lines.size() == 1)
        throw FormatError("the log has only one row (" + LineText(read.lines.front()) +
                          "): it needs at least two");
    return read;
}

const ChannelChoice *LogInfo::ChoiceOf(ChannelKind kind) const {
    for (const ChannelChoice &c : choices)
        if (c.kind == kind) return &c;
    return nullptr;
}

void KeepRows(std::vector<double> &values, std::size_t first, std::size_t last) {
    if (values.empty()) return;
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(last + 1), values.end());
    values.erase(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(first));
}

std::vector<double> LaidTime(const ChannelRead &time, double factor, const LogTable &table, LogInfo &info) {
    std::vector<double> seconds = time.values;
    if (factor != 1)
        for (double &t : seconds) t *= factor;
    const std::string guessed = info.time.unitGuessed;
    info.time = LayTime(seconds, time.column->form, time.base * factor);
    info.time.unitGuessed = guessed;
    info.format = table.format;
    info.headerLine = table.headerLine;
    info.set = table.set;
    info.program = table.program;
    info.namedOnLine = table.namedOnLine;
    info.recorded = table.recorded;
    return seconds;
}

void KeepPart(std::vector<double> &time, const std::vector<double> &steer,
              std::vector<std::vector<double> *> others, std::vector<int> &lines, const LogPart &part,
              LogInfo &info) {
    if (!steer.empty()) info.runs = RunsOf(time, steer);
    if (!part.Whole()) {
        const PartRows rows = SelectPart(time, info.runs, part);
        info.part = rows.text;
        others.push_back(&time);
        for (std::vector<double> *values : others) KeepRows(*values, rows.first, rows.last);
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(rows.last + 1), lines.end());
        lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(rows.first));
    }
    info.intervals = IntervalsOf(time);
    info.gaps = GapsOf(time, lines);
}
