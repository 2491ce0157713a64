// The one compiler state of the process.
#include "compiler/state.h"

CompilerState &Compiler() {
    static CompilerState state;
    return state;
}

void Notify(const std::string &text) {
    const auto &handler = Compiler().options.notice;
    if (handler) handler(text);
}
