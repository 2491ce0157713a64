// Compile messages.
#include "compiler/messages.h"

#include "compiler/state.h"

// TODO(#2): the catalogue.
void ClearMessages() {
    auto &s = Compiler();
    s.messages.clear();
    s.ErrorCount = s.WarningCount = 0;
}
void AddMessage(int line, int code, const std::string &text) {
    auto &s = Compiler();
    s.messages.push_back({line, code, text});
    if (code < 100) ++s.ErrorCount;
    else if (code < 200) ++s.WarningCount;
}
std::string MessageLine(const CompileMessage &m) { return std::to_string(m.code) + " " + m.text; }
const std::vector<std::string> &ShowMessages() {
    auto &s = Compiler();
    s.messageLines.clear();
    for (const auto &m : s.messages) s.messageLines.push_back(MessageLine(m));
    return s.messageLines;
}
