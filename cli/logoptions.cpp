// quillard-cli: the options that read a log (its columns, their units and the part read), written once for
// every command that reads one, and the row of the log command.
#include "cli/commands.h"
#include "cli/logcli.h"

namespace {

// The options, made when the table of the commands is (which may be before this file's other globals).
struct LogOptionSet {
    Option TimeColumn, SteerColumn, MarkColumn, TimeUnitOption, AngleUnitOption, Run, From, To;
};

const LogOptionSet &Made() {
    static const LogOptionSet set = [] {
        const Option TimeColumn =
            Text("time-column", "C", [](CliOptions &o, const Value &v) { o.logOptions.timeColumn = v.text; })
                .Help("time column: header name or number from 1 (default: the one named as a time,\n"
                      "\"time\", \"t\", \"Timestamp\", ...; else 1)");
        const Option SteerColumn =
            Text("steer-column", "C",
                 [](CliOptions &o, const Value &v) { o.logOptions.steerColumn = v.text; })
                .Help("steer column (default: the one named as the steer, \"steer\", \"SWA\",\n"
                      "\"SteeringWheelAngle\", ...; none named so is refused, with the columns)");
        const Option MarkColumn = Text("mark-column", "C", [](CliOptions &o, const Value &v) {
                                      o.logOptions.markColumn = v.text;
                                  }).Help("aux-flag channel: align the log by the flag's first rising edge");
        const Option TimeUnitOption =
            Choice("time-unit", "UNIT", {"s", "ms", "us", "ns"},
                   [](CliOptions &o, const Value &v) {
                       o.logOptions.timeUnit =
                           std::vector<TimeUnit>{TimeUnit::Seconds, TimeUnit::Milliseconds,
                                                 TimeUnit::Microseconds, TimeUnit::Nanoseconds}[v.word];
                   })
                .Help("unit of the time column (default: a \"[ms]\" in its name, else s; a date's\n"
                      "ms, us or ns since 1970 are taken as such)");
        const Option AngleUnitOption =
            Choice("angle-unit", "UNIT", {"deg", "rad"}, [](CliOptions &o, const Value &v) {
                o.logOptions.angleUnit = v.word == 1 ? AngleUnit::Radians : AngleUnit::Degrees;
            }).Help("unit of the steer column (default: a \"[rad]\" in its name, else deg)");

        // The part of the log read.
        const Option Run =
            Whole("run", "N", 1, 100000, "run number", [](CliOptions &o, const Value &v) {
                o.logOptions.part.run = static_cast<int>(v.numbers.front());
            }).Help("read run N of a log that holds several (steer activity separated by rest)");
        const Option From = Quantity("from", "T", "s", 30, [](CliOptions &o, const Value &v) {
                                o.logOptions.part.from = v.numbers.front();
                            }).Help("read the log from T s of its time on (and --to T: up to T s)");
        const Option To = Quantity("to", "T", "s", 40, [](CliOptions &o, const Value &v) {
            o.logOptions.part.to = v.numbers.front();
        });

        return LogOptionSet{TimeColumn,      SteerColumn, MarkColumn, TimeUnitOption,
                            AngleUnitOption, Run,         From,       To};
    }();
    return set;
}

// "g", or one of the spellings of m/s2.
std::size_t AccelerationWord(const std::string &text) {
    const auto unit = AccelerationUnitOf(text);
    return !unit ? 2 : *unit == AccelerationUnit::G ? 0 : 1;
}

std::vector<Option> AfterLog(std::vector<Option> options) {
    for (Option &option : options) option = option.After("log");
    return options;
}

} // namespace

const std::vector<Option> &LogReadingOptions() {
    static const std::vector<Option> options = AfterLog({
        Made().TimeColumn,
        Made().SteerColumn,
        Made().MarkColumn,
        Whole("mark-flag", "F", 1, 8, "mark flag", Set<&CliOptions::markFlag>)
            .After("mark-column")
            .Help("the program's flag (1 to 8) that the mark logs (default: its only flag)"),
        Made().TimeUnitOption,
        Made().AngleUnitOption,
        Made().Run,
        Made().From,
        Made().To,
    });
    return options;
}

const std::vector<Option> &VehicleLogReadingOptions() {
    static const std::vector<Option> options{
        Text("yaw-column", "C", [](CliOptions &o, const Value &v) { o.vehicleLog.yawColumn = v.text; })
            .Only("swd campaign step sine response rollover") // a slowly increasing steer and the understeer
                                                              // gradient are judged without the yaw rate
            .Help(
                "yaw rate (default: the one named so, \"YawRate\", \"Yaw_Rate\", \"GyroZ\", ...; deg/s, or\n"
                "[rad/s])"),
        Text("ay-column", "C", [](CliOptions &o, const Value &v) { o.vehicleLog.ayColumn = v.text; })
            .Help("lateral acceleration (default: \"LatAcc\", \"Y_Accel\", \"AccY\", \"ay\", ...)"),
        Choice("ay-unit", "UNIT", {"g", "m/s2"},
               [](CliOptions &o, const Value &v) {
                   o.vehicleLog.ayUnit =
                       v.word == 0 ? AccelerationUnit::G : AccelerationUnit::MetresPerSecondSquared;
               })
            .Spelt(AccelerationWord)
            .Help("its unit (default: the header's; without one g, where its values are plausible in g)"),
        Choice("yaw-unit", "UNIT", {"deg/s", "rad/s"},
               [](CliOptions &o, const Value &v) { o.vehicleLog.yawUnit = v.word == 0 ? "deg/s" : "rad/s"; })
            .Only("swd campaign step sine response rollover")
            .Help("the yaw rate's unit (default: the header's, else deg/s where plausible)"),
        Text("speed-column", "C", [](CliOptions &o, const Value &v) { o.vehicleLog.speedColumn = v.text; })
            .Help(
                "speed, optional (default: \"speed\", \"Velocity\", \"VehSpd\", ...; km/h, or [m/s], [mph])"),
        Choice("speed-unit", "UNIT", {"km/h", "m/s", "mph", "kn"},
               [](CliOptions &o, const Value &v) {
                   o.vehicleLog.speedUnit = std::vector<std::string>{"km/h", "m/s", "mph", "kn"}[v.word];
               })
            .Help("the speed's unit (default: the header's, else km/h)"),
        Text("roll-column", "C", [](CliOptions &o, const Value &v) { o.vehicleLog.rollColumn = v.text; })
            .Help("roll angle, optional (default: \"...roll...\"; deg, or [rad])"),
        Text("sideslip-column", "C",
             [](CliOptions &o, const Value &v) { o.vehicleLog.sideslipColumn = v.text; })
            .Help("sideslip angle, optional (default: \"sideslip\", \"SlipAngle\", \"beta\", ...)"),
        Text("roll-rate-column", "C",
             [](CliOptions &o, const Value &v) { o.vehicleLog.rollRateColumn = v.text; })
            .Help("roll rate, optional (default: \"RollRate\", \"GyroX\", ...)"),
        Text("lift-column", "C", [](CliOptions &o, const Value &v) { o.vehicleLog.liftColumn = v.text; })
            .Help("wheel lift, optional (default: \"...lift...\"; its unit stated: [mm], [cm], [m] or [in])"),
        Choice("lift-unit", "UNIT", {"mm", "cm", "m", "in"},
               [](CliOptions &o, const Value &v) {
                   o.vehicleLog.liftUnit = std::vector<std::string>{"mm", "cm", "m", "in"}[v.word];
               })
            .Only("rollover")
            .Help("the wheel lift's unit (default: the header's; without one the lift criterion is not\n"
                  "applied)"),
    };
    return options;
}

const std::vector<Option> &EvaluateLogOptions() {
    static const std::vector<Option> options = [] {
        std::vector<Option> list{Made().TimeColumn,           Made().SteerColumn,
                                 Made().MarkColumn,           Made().TimeUnitOption,
                                 Made().AngleUnitOption,      Made().Run.Only("sis swd"),
                                 Made().From.Only("sis swd"), Made().To.Only("sis swd")};
        list.insert(list.end(), VehicleLogReadingOptions().begin(), VehicleLogReadingOptions().end());
        return list;
    }();
    return options;
}

Command LogCommand() {
    std::vector<Option> options{
        Made().TimeColumn,      Made().SteerColumn, Made().MarkColumn, Made().TimeUnitOption,
        Made().AngleUnitOption, Made().Run,         Made().From,       Made().To};
    for (Option option : VehicleLogReadingOptions()) options.push_back(option.Only(""));
    options.push_back(Switch("json", Set<&CliOptions::json>));
    options.push_back(
        File("o", "OUT", Set<&CliOptions::output>)
            .Help("write the channels read (--channels), of the part read, as CSV text or, for a\n"
                  "name ending in .mat, as a MATLAB file"));
    options.push_back(Text("channels", "LIST", Set<&CliOptions::channelList>)
                          .After("o")
                          .OneOf({"steer,yaw,ay", "steer,yaw,ay,speed"})
                          .Help("the channels written, by their words (time always): steer, mark, yaw, ay,\n"
                                "speed, roll, sideslip, roll-rate, lift (default: every channel found)"));
    options.push_back(Quantity("resample", "HZ", "Hz", 100, Set<&CliOptions::resample>)
                          .Above(0, 1e6)
                          .After("o")
                          .Help("write the channels at HZ from the part's first sample, by straight lines\n"
                                "between the samples (the mark by the sample before), none inside a gap"));
    return {.name = "log",
            .usage = R"(  log FILE [VEHICLE LOG OPTIONS] [--json]
  log FILE --channels steer,yaw,ay [--run N | --from T --to T] [--resample HZ] -o CLEAN.csv|CLEAN.mat
      What is in a logger file: its format, rows, time span and sample rate, each column with its
      name, unit, range and the channel it was taken for (and why, where several fit), dropouts,
      gaps and the runs it holds (steer activity separated by rest). -o writes the channels chosen
      of the part read, in their units (deg, deg/s, g, km/h, mm), dropouts replaced.
)",
            .files = {1, 1, "log needs FILE, the logger's file", "log reads one file"},
            .options = options,
            .run = RunLog,
            .finish = FinishLog};
}
