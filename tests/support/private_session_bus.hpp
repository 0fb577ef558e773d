#pragma once
// A D-Bus session bus of the test's own: a dbus-daemon started for one test
// and stopped with it, so names a test owns (a fake file manager, an app's
// id) never meet another test's running in parallel.

#include <gio/gio.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/gobject_ptr.hpp"

namespace testing_support {

class PrivateSessionBus {
 public:
  PrivateSessionBus() {
    const char* argv[] = {"dbus-daemon", "--session", "--nofork", "--print-address=1", nullptr};
    int out = -1;
    if (!g_spawn_async_with_pipes(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr,
                                  &pid_, nullptr, &out, nullptr, nullptr)) {
      return;
    }
    char c = 0;
    while (::read(out, &c, 1) == 1 && c != '\n') address_ += c;
    ::close(out);
    connection_ = platform::adoptGRef(g_dbus_connection_new_for_address_sync(
        address_.c_str(),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr));
  }
  ~PrivateSessionBus() {
    if (connection_) g_dbus_connection_close_sync(connection_.get(), nullptr, nullptr);
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  PrivateSessionBus(const PrivateSessionBus&) = delete;
  PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

  bool ok() const { return static_cast<bool>(connection_); }
  // For DBUS_SESSION_BUS_ADDRESS of the programs a test starts.
  const std::string& address() const { return address_; }
  GDBusConnection* connection() const { return connection_.get(); }

 private:
  GPid pid_ = 0;
  std::string address_;
  platform::GRef<GDBusConnection> connection_;
};

}  // namespace testing_support
