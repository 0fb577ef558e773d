#pragma once
// A stand-in for a desktop service on the test's session bus: owns `name`,
// serves one interface at `path` and answers each call with what `answer`
// returns for it (nullptr: no values).

#include <gio/gio.h>

#include <functional>
#include <string>

#include "tests/runtime/runlet_harness.hpp"

namespace runlet_test {

class FakeBusService {
 public:
  using Answer = std::function<GVariant*(const std::string& method, GVariant* parameters)>;
  FakeBusService(GDBusConnection* bus, const char* name, const char* path, const char* interfaceXML, Answer answer)
      : bus_(bus), answer_(std::move(answer)), info_(g_dbus_node_info_new_for_xml(interfaceXML, nullptr)) {
    static const GDBusInterfaceVTable vtable = {[](GDBusConnection*, const char*, const char*, const char*, const char* method,
                                                   GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self) {
      g_dbus_method_invocation_return_value(invocation, static_cast<FakeBusService*>(self)->answer_(method, parameters));
    }, nullptr, nullptr, {}};
    object_ = g_dbus_connection_register_object(bus, path, info_->interfaces[0], &vtable, this, nullptr, nullptr);
    owner_ = g_bus_own_name_on_connection(bus, name, G_BUS_NAME_OWNER_FLAGS_NONE, [](GDBusConnection*, const char*, gpointer self) {
      static_cast<FakeBusService*>(self)->acquired_ = true;
    }, nullptr, this, nullptr);
  }
  ~FakeBusService() {
    g_bus_unown_name(owner_);
    g_dbus_connection_unregister_object(bus_, object_);
    g_dbus_node_info_unref(info_);
  }
  bool waitReady() { return waitUntil([&] { return acquired_; }); }

 private:
  GDBusConnection* bus_;  // the test's, outliving the service
  Answer answer_;
  GDBusNodeInfo* info_;
  guint object_ = 0;
  guint owner_ = 0;
  bool acquired_ = false;
};

}  // namespace runlet_test
