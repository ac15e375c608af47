// The subcommands of tessellune-inspect. Each lives in its own source file and is listed once in
// the table in main.cpp; a new subcommand is one new file and one table line.
#pragma once

namespace tessellune::inspect {

// argv[0] is the subcommand's name; the result is the process exit status.
using CommandFunction = int (*)(int argc, char** argv);

struct Command {
    const char* name;
    const char* usage; // the arguments after the name, for the help text
    CommandFunction run;
};

int runPngCommand(int argc, char** argv);
int runObjCommand(int argc, char** argv);
int runRenderCommand(int argc, char** argv);
int runBakeCommand(int argc, char** argv);

} // namespace tessellune::inspect
