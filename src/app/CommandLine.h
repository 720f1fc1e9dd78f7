#pragma once

#include <QString>
#include <functional>
#include <optional>

// The program's command-line exports, run without a window:
//   ruvotimer --timesheet SESSION_FILE --pdf OUT.pdf
//   ruvotimer --result SESSION_FILE --csv OUT.csv
//   ruvotimer --laps DAY_FOLDER --csv OUT.csv
//   ruvotimer --records PERIOD [--top N] [--folder DIR] [--csv]
// (and --help). Each export is one row of the table in CommandLine.cpp.
struct CommandLineProgram {
    const char* name;  // "ruvotimer": the application's name, and the prefix of messages
    // The folder of ustawienia.ini (the track's name); asked only once the
    // application object exists.
    std::function<QString()> program_folder;
};

// Runs the command argv names and gives its exit status: 0 when the file was
// written, 2 with a one-line reason on standard error when the input or the
// command is wrong. Nothing (the program starts as usual) when argv has no command:
// no argument at all, or only Qt's own single-dash options.
std::optional<int> RunCommandLine(int argc, char* argv[], const CommandLineProgram& program);
