#include "tools/common/process.hpp"

#include <glib.h>
#include <sys/wait.h>

#include <stdexcept>

#include "platform/gobject_ptr.hpp"

namespace tools {

ProcessResult runProcess(const std::vector<std::string>& argv) {
  std::vector<char*> cArgv;
  for (const auto& arg : argv) cArgv.push_back(const_cast<char*>(arg.c_str()));
  cArgv.push_back(nullptr);

  char* out = nullptr;
  char* err = nullptr;
  int waitStatus = 0;
  platform::GErrorOut error;
  gboolean started = g_spawn_sync(nullptr, cArgv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, &out, &err,
                                  &waitStatus, error.out());
  platform::GCharPtr outOwner(out), errOwner(err);
  if (!started) throw std::runtime_error(error.message());

  ProcessResult result;
  result.standardOutput = out ? out : "";
  result.standardError = err ? err : "";
  result.exitStatus = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
  return result;
}

}  // namespace tools
