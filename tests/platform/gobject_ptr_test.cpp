#include "platform/gobject_ptr.hpp"

#include <gtest/gtest.h>

namespace {

using platform::GRef;
using platform::WeakRef;

// A floating object as every new GTK widget is: whoever sinks it first owns it.
GObject* newFloating() { return G_OBJECT(g_object_new(G_TYPE_INITIALLY_UNOWNED, nullptr)); }

TEST(GRefTest, RetainSinksAFloatingObjectSoAParentCannotFreeItEarly) {
  WeakRef<GObject> weak;
  {
    auto held = GRef<GObject>::retain(newFloating());
    weak.set(held.get());
    EXPECT_FALSE(g_object_is_floating(held.get()));
    // A parent that sinks then drops the child (a container removing it).
    g_object_ref_sink(held.get());
    g_object_unref(held.get());
    EXPECT_TRUE(weak.get()) << "the holder's reference keeps it alive";
  }
  EXPECT_FALSE(weak.get()) << "freed with the last holder, answered null";
}

}  // namespace
