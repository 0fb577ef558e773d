#include "frontend/quitting.hpp"

#include <glib-unix.h>

#include <csignal>

#include "builder/staging.hpp"
#include "platform/work.hpp"

namespace frontend {
namespace {

gboolean stopAndEnd(gpointer signalNumber) {
  stopAllWork();
  const int signal = GPOINTER_TO_INT(signalNumber);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
  return G_SOURCE_REMOVE;
}

}  // namespace

void stopAllWork() {
  platform::cancelAllWork();
  platform::waitForAllWork(quitWaitLimit);
  builder::StagedBundle::abandonAll();
}

void stopAllWorkOnSignals() {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) g_unix_signal_add(signal, stopAndEnd, GINT_TO_POINTER(signal));
}

}  // namespace frontend
