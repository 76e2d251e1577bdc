#pragma once

#include "command.h"

#include <memory>

// The commands of korvane-cli, each made for one run.
std::unique_ptr<Command> makeListCommand();
std::unique_ptr<Command> makeExportCommand();
std::unique_ptr<Command> makeRenderCommand();
std::unique_ptr<Command> makeGalleryCommand();
std::unique_ptr<Command> makeCheckCommand();
std::unique_ptr<Command> makeConfigCommand();
std::unique_ptr<Command> makeDiffCommand();

// The command of korvane-thumbnailer, a program of its own.
std::unique_ptr<Command> makeThumbnailCommand();
