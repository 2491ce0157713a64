// The state of a judged run and of a campaign of runs: pass, fail, or invalid with its reason, and the
// conditions a user stated where the log does not show them.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class RunState { Pass, Fail, Invalid };
// "pass", "fail", "invalid": as text, JSON and CSV write the state.
const char *RunStateName(RunState state);
// "PASS", "FAIL", "INVALID": as verdict lines and the report's pages write it.
const char *RunStateTitle(RunState state);

// A condition of a run that the user may state where the log does not show it (--accept, or "accept"
// in a run list): it then counts as met and is printed as stated, not measured.
enum class RunCondition { Speed };
// "speed": the name --accept takes.
const char *RunConditionName(RunCondition condition);
// "the speed at BOS (80 +/- 2 km/h)": what is stated.
const char *RunConditionText(RunCondition condition);
std::optional<RunCondition> RunConditionNamed(const std::string &name);
const std::vector<RunCondition> &RunConditions();

// A run's verdict, built by the checks of its evaluation. It is a pass only when nothing made it
// invalid or failed: invalid when the log does not show a condition of the procedure or a channel it
// uses cannot be trusted (whatever the criteria say, since the run is not the test), else fail when a
// criterion is not met.
class RunVerdict {
public:
    void Invalid(const std::string &why);
    void Fail(const std::string &why);
    // A condition taken as stated, not measured.
    void Stated(RunCondition condition);
    RunState State() const;
    // The reasons of its state, "; " between them; empty for a pass.
    std::string Reason() const;
    const std::vector<std::string> &InvalidReasons() const { return m_invalid; }
    const std::vector<std::string> &FailReasons() const { return m_failed; }
    const std::vector<RunCondition> &StatedConditions() const { return m_stated; }

private:
    std::vector<std::string> m_invalid, m_failed;
    std::vector<RunCondition> m_stated;
};

// The state of a judged run as every evaluation gives it (a sine with dwell, a slowly increasing steer).
struct RunOutcome {
    RunState state = RunState::Invalid;
    std::string reason;                // why the run is invalid, or the criteria it fails; empty for a pass
    bool pass = false;                 // state is pass
    RunVerdict verdict;                // the reasons one by one, and the conditions stated
    std::vector<std::string> warnings; // what deserves a look
    // Takes the verdict's state.
    void Take(const RunVerdict &judged);
};

// The shared record of an evaluation as its steps run: what makes it invalid or failed, and what
// deserves a look.
struct RunRecord {
    RunVerdict verdict;
    std::vector<std::string> warnings;
};

// A campaign passes only when every run it needs passes and A is known; it fails when any run fails;
// otherwise it is invalid.
struct CampaignVerdict {
    RunState state = RunState::Invalid;
    int passed = 0, failed = 0, invalid = 0;
    std::string reason; // why it is not a pass; empty for a pass
};
CampaignVerdict JudgeCampaign(const std::vector<RunState> &runs, bool aKnown);
