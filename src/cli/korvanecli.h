#pragma once

#include "program.h"

// korvane-cli: the window's jobs from the command line, a command each.
Program korvaneCli();
// korvane-thumbnailer: the picture a file manager shows for a .mlt file.
Program korvaneThumbnailer();
