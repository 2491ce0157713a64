#include "compiler/compile.h"

#include <gtest/gtest.h>

TEST(Compile, EmptyTextRuns) { CompileProgram({}); }
