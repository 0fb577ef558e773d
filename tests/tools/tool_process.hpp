#pragma once
// Runs a built tool (or a system program such as icns2png) as a real process,
// with extra environment variables, and captures what it writes.

#include <gio/gio.h>
#include <sys/wait.h>

#include <map>
#include <string>
#include <vector>

namespace tools_test {

struct Run {
  int exitStatus = -1;
  std::string out;
  std::string err;
};

inline Run run(const std::string& program, const std::vector<std::string>& args,
               const std::map<std::string, std::string>& env = {}) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  char** envp = g_get_environ();
  for (const auto& [key, value] : env) envp = g_environ_setenv(envp, key.c_str(), value.c_str(), TRUE);

  char* out = nullptr;
  char* err = nullptr;
  int status = 0;
  GError* error = nullptr;
  Run result;
  if (g_spawn_sync(nullptr, argv.data(), envp, G_SPAWN_SEARCH_PATH, nullptr, nullptr, &out, &err, &status, &error)) {
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = out;
    result.err = err;
  } else {
    result.err = error->message;
    g_error_free(error);
  }
  g_free(out);
  g_free(err);
  g_strfreev(envp);
  return result;
}

}  // namespace tools_test
