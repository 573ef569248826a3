#pragma once
// Runs a program of the build as a user would, from a chosen directory.
#include <cstdlib>
#include <string>
#include <sys/wait.h>

#include "testutil/ScanFileWriter.h"

namespace apptest {

struct ProgramResult {
    int status = -1;
    std::string out, err;
};

// Runs `program args` in directory `cwd` (args as a shell would split them), without a display;
// `scratch` holds the captured streams.
inline ProgramResult RunProgram(
    const std::string& program, const std::string& args, const std::string& cwd, const testutil::TempDir& scratch)
{
    const std::string outFile = scratch / "stdout.txt", errFile = scratch / "stderr.txt";
    const std::string command = "cd '" + cwd + "' && QT_QPA_PLATFORM=offscreen '" + program + "' " + args + " > '"
        + outFile + "' 2> '" + errFile + "' < /dev/null";
    const int status = std::system(command.c_str());
    ProgramResult r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = testutil::ReadTextFile(outFile);
    r.err = testutil::ReadTextFile(errFile);
    return r;
}

} // namespace apptest
