#pragma once

// tessaly-cross --to-cp932: the cp932 copy of a UTF-8 or UTF-16 file, or of
// one sheet of an Excel workbook, made beside it as the desktop program
// makes it when such a file is placed.

#include "cli/cli_arguments.h"
#include "cli/cli_run.h"

namespace tessaly::cli {

// Makes the copy and prints its path: kExitSuccess; kExitFailure (with the
// reason on stderr) when it cannot be made or a copy exists already and
// --overwrite was not given; kExitUsage for --sheet with a file that is no
// workbook.
int run_to_cp932(const Arguments& a, Console& console);

}  // namespace tessaly::cli
