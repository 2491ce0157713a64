// Compile messages: the message list of a compile, its counts and the Messages text.
#pragma once

#include <string>
#include <vector>

struct CompileMessage {
    int line = 0;     // 1-based program line; 0 when no line is concerned
    int code = 0;     // < 100 error, 100-199 warning, 200+ information
    std::string text; // argument: function name, role word, id character or formatted time; at most 80
};

struct CompilerState;

// Discards every message of the state and zeroes both counts.
void ClearMessages(CompilerState &state);

// Appends a message (text cut to 80 characters) and counts it by its level.
void AddMessage(CompilerState &state, int line, int code, const std::string &text);

// The line that the Messages dialog shows for one message.
std::string MessageLine(const CompileMessage &message);

// Rebuilds the Messages text from the list: one line per message, then with errors an empty line
// and the summary. The lines are kept in the state (messageLines).
const std::vector<std::string> &ShowMessages(CompilerState &state);
