#pragma once

// The whole command line of korvane-cli: finds the command and runs it; the
// process's exit status (see clioptions.h). Called once the application
// object exists.
int runCommandLine(int argc, char *argv[]);
