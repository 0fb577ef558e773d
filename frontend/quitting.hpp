#pragma once
// Ending the process without leaving half-written apps behind: the window's
// Quit, the application's shutdown and the signals that end `nimbrel` (the
// command line and the desktop application alike) all go through here.

#include <chrono>

namespace frontend {

// How long quitting waits for builds and icon searches to tidy up.
inline constexpr std::chrono::seconds quitWaitLimit{10};

// Main thread: cancels every build and icon search (and any begun later),
// runs the main loop until their workers have ended, at most quitWaitLimit,
// then removes the rooms of builds still running and refuses their swaps, so
// whatever was at a destination stays as it was.
void stopAllWork();

// SIGINT, SIGTERM and SIGHUP: stopAllWork, then the signal ends the process
// as it would have.
void stopAllWorkOnSignals();

}  // namespace frontend
