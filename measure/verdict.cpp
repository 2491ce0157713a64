// Run and campaign states: invalid over fail over pass.
#include "measure/verdict.h"

#include <algorithm>

const char *RunStateName(RunState state) {
    switch (state) {
    case RunState::Pass:
        return "pass";
    case RunState::Fail:
        return "fail";
    case RunState::Invalid:
        break;
    }
    return "invalid";
}

const char *RunStateTitle(RunState state) {
    switch (state) {
    case RunState::Pass:
        return "PASS";
    case RunState::Fail:
        return "FAIL";
    case RunState::Invalid:
        break;
    }
    return "INVALID";
}

const char *RunConditionName(RunCondition) { return "speed"; }
const char *RunConditionText(RunCondition) { return "the speed at BOS (80 +/- 2 km/h)"; }

const std::vector<RunCondition> &RunConditions() {
    static const std::vector<RunCondition> all{RunCondition::Speed};
    return all;
}

std::optional<RunCondition> RunConditionNamed(const std::string &name) {
    for (RunCondition c : RunConditions())
        if (name == RunConditionName(c)) return c;
    return std::nullopt;
}

void RunVerdict::Invalid(const std::string &why) {
    if (std::find(m_invalid.begin(), m_invalid.end(), why) == m_invalid.end()) m_invalid.push_back(why);
}
void RunVerdict::Fail(const std::string &why) { m_failed.push_back(why); }
void RunVerdict::Stated(RunCondition condition) {
    if (std::find(m_stated.begin(), m_stated.end(), condition) == m_stated.end())
        m_stated.push_back(condition);
}

RunState RunVerdict::State() const {
    if (!m_invalid.empty()) return RunState::Invalid;
    return m_failed.empty() ? RunState::Pass : RunState::Fail;
}

std::string RunVerdict::Reason() const {
    const std::vector<std::string> &reasons = m_invalid.empty() ? m_failed : m_invalid;
    std::string text;
    for (const std::string &r : reasons) text += (text.empty() ? "" : "; ") + r;
    return text;
}

void RunOutcome::Take(const RunVerdict &judged) {
    verdict = judged;
    state = judged.State();
    reason = judged.Reason();
    pass = state == RunState::Pass;
}

CampaignVerdict JudgeCampaign(const std::vector<RunState> &runs, bool aKnown) {
    CampaignVerdict v;
    for (RunState s : runs) {
        v.passed += s == RunState::Pass;
        v.failed += s == RunState::Fail;
        v.invalid += s == RunState::Invalid;
    }
    if (v.failed > 0) {
        v.state = RunState::Fail;
        v.reason = std::to_string(v.failed) + " of " + std::to_string(runs.size()) + " runs failed";
    } else if (runs.empty()) {
        v.reason = "the campaign has no runs";
    } else if (v.invalid > 0) {
        v.reason = std::to_string(v.invalid) + " of " + std::to_string(runs.size()) + " runs are invalid";
    } else if (!aKnown) {
        v.reason = "A is not known, so the runs that the lateral displacement applies to are not known";
    } else {
        v.state = RunState::Pass;
    }
    return v;
}
