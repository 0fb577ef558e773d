#pragma once
// Nimbrel's command line: `nimbrel build ...` runs one build through the real
// main loop. Progress texts go to stderr, the finished app's path to stdout.
// Exit status: 0 built, 1 the build failed, 2 usage error or bad input.

namespace frontend {

int runCommandLine(int argc, char** argv);

}  // namespace frontend
