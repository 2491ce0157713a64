// MATLAB level-5 files as logs, through libmatio: a time vector and the channel vectors of its length.
// Built only where MATLAB files are read (QUILLARD_MAT_FILES).
#pragma once

#include "measure/logtable.h"

#include <string_view>

// The vectors of the file (double, single, integer or logical, N x 1 or 1 x N), top-level or fields of a
// 1 x 1 struct, as the columns of a table: those as long as the time vector of the group that holds the
// steer (each time vector, by its name, heads the group of the vectors of its length; compare --mat
// writes the compared steps beside the log as read, log_time and log_steer), else of the first group.
// A file without a vector of two or more values is a FormatError, and so is one the library cannot read.
LogTable MatLogTable(std::string_view bytes);
