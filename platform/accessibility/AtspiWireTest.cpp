#include <gtest/gtest.h>

#include <string>

#include "AtspiWire.h"

namespace platform::accessibility {
namespace {

std::string text(GVariant* value) {
  gchar* printed = g_variant_print(value, TRUE);
  std::string result = printed;
  g_free(printed);
  return result;
}

// Every kind of value the accessibility calls carry comes back the same,
// type and all, through a message on the wire.
TEST(Wire, ValuesComeBackAsTheyWent) {
  const char* const kValues[] = {
      "()",
      "('org.a11y.atspi.Accessible', 'Description')",
      "(0, -1)",
      "(byte 0xff, true, int16 -2, uint16 3, -4, uint32 5, int64 -6, uint64 7, 8.5)",
      "(objectpath '/org/a11y/atspi/accessible/1', signature 'a(so)', 'Zoë ✓')",
      "(@a(so) [],)",
      "([(':1.2', objectpath '/a'), (':1.2', objectpath '/b')],)",
      "(([0, 1024, 0, 0], 0, @a{ss} {'k': 'v'}, 1, @ai [], 2, @as [], 0, false), uint32 1, 0, "
      "true)",
      "(<'boxed'>, <<uint32 1>>, <@a{sv} {'x': <[1, 2]>}>)",
  };
  for (const char* printed : kValues) {
    SCOPED_TRACE(printed);
    GVariant* value =
        g_variant_ref_sink(g_variant_parse(nullptr, printed, nullptr, nullptr, nullptr));
    ASSERT_NE(value, nullptr);
    DBusMessage* message = dbus_message_new_method_call(":1.1", "/p", "i.f", "M");
    dbus_message_set_serial(message, 1);
    ASSERT_TRUE(appendArguments(message, value));
    // As the other side reads it: serialised and parsed again by libdbus.
    char* blob = nullptr;
    int size = 0;
    ASSERT_TRUE(dbus_message_marshal(message, &blob, &size));
    DBusMessage* received = dbus_message_demarshal(blob, size, nullptr);
    dbus_free(blob);
    ASSERT_NE(received, nullptr);
    GVariant* back = argumentsOf(received);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(text(back), text(value));
    g_variant_unref(back);
    dbus_message_unref(received);
    dbus_message_unref(message);
    g_variant_unref(value);
  }
}

TEST(Wire, WhatCannotBeCarriedIsRefused) {
  DBusMessage* message = dbus_message_new_method_call(":1.1", "/p", "i.f", "M");
  GVariant* notTuple = g_variant_ref_sink(g_variant_new_string("bare"));
  EXPECT_FALSE(appendArguments(message, notTuple));
  GVariant* handle = g_variant_ref_sink(g_variant_new("(h)", 0));
  EXPECT_FALSE(appendArguments(message, handle));
  EXPECT_TRUE(appendArguments(message, nullptr));
  g_variant_unref(handle);
  g_variant_unref(notTuple);
  dbus_message_unref(message);
}

}  // namespace
}  // namespace platform::accessibility
