// The compiler state: what one compile reads and writes. Whoever compiles owns one and passes it to
// every phase; each compile reuses and overwrites it.
#pragma once

#include "compiler/messages.h"
#include "compiler/statement.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

constexpr int StepCount = 16384;
constexpr int StepBlockSize = 2048;
constexpr int StepBlockShift = 11;

// One clock step of the compiled program.
struct StepRecord {
    float time;                        // seconds from program start
    float steer;                       // degrees
    std::uint16_t rate;                // Hz
    std::uint8_t bit15;                // high-current bit, 0 or 1
    std::uint8_t ended;                // 1 from the program's end on
    std::array<std::uint8_t, 8> flags; // duty percentages of aux flags 1..8 (element 0 is flag 1)
};
static_assert(sizeof(StepRecord) == 20);

// 16384 step records in 8 blocks of 2048, allocated once.
class StepStore {
public:
    StepStore() {
        for (auto &block : m_blocks) block = std::make_unique<StepRecord[]>(StepBlockSize);
    }
    StepRecord &operator[](int index) {
        auto i = static_cast<std::uint16_t>(index);
        return m_blocks[i >> StepBlockShift][i & (StepBlockSize - 1)];
    }
    const StepRecord &operator[](int index) const {
        auto i = static_cast<std::uint16_t>(index);
        return m_blocks[i >> StepBlockShift][i & (StepBlockSize - 1)];
    }

private:
    std::array<std::unique_ptr<StepRecord[]>, StepCount / StepBlockSize> m_blocks;
};

// A notice is a modal warning box in the window, a line on stderr in the CLI, a list entry in tests.
using NoticeHandler = std::function<void(const std::string &text)>;

// Shows a post-compile notice through the handler, when there is one.
inline void Notify(const NoticeHandler &notice, const std::string &text) {
    if (notice) notice(text);
}

// What a compile takes besides the program text.
struct CompileOptions {
    bool corvan3Only = true;  // machine-version setting: true = Corvan 3 only
    NoticeHandler notice;     // receives the post-compile notices; may be empty
    float steerRateLimit = 0; // deg/s; above 0, a successful compile whose steer rate exceeds it
                              // raises one more notice (RateViolationNotice) after the others
    // Receives that notice instead of `notice` when given.
    NoticeHandler rateNotice = nullptr;
};

struct CompilerState {
    // Cleared at the start of every compile.
    std::vector<ProgramStatement> statements;
    std::vector<int> events;   // indexes into statements, ordered by startTime (stable)
    std::vector<int> segments; // indexes into statements, program order, terminator last
    std::vector<CompileMessage> messages;
    int ErrorCount = 0;
    int WarningCount = 0;
    std::vector<std::string> messageLines; // the Messages text of the last compile

    float MaxSteer = 0;           // degrees
    float InitialSteer = 0;       // degrees
    float stepSlewRate = 4000000; // degrees per second
    int endIndex = 0;             // first step with ended set
    CompileOptions options;       // of the last compile, without its notice handler

    StepStore steps; // allocated once
};
