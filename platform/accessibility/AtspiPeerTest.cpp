// Which connection reaches each application, over a real accessibility bus in
// a headless session: the recorder test app (GTK 3) over its own socket, and a
// stand-in application that hands out a network address and answers its
// children slowly over the bus; and reads of many elements made together.
#include <gtest/gtest.h>
#include <signal.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "AtspiBus.h"
#include "AtspiElement.h"
#include "AtspiPeer.h"
#include "platform/testing/HeadlessSession.h"

namespace platform::accessibility {
namespace {

constexpr const char* kRoot = "/org/a11y/atspi/accessible/root";
// Slower than the bound of an ordinary call, well within a tree call's.
constexpr int kSlowChildrenMilliseconds = kBusCallMilliseconds + 500;

constexpr const char* kStandInInterfaces = R"xml(<node>
  <interface name="org.a11y.atspi.Application">
    <method name="GetApplicationBusAddress"><arg direction="out" type="s"/></method>
  </interface>
  <interface name="org.a11y.atspi.Accessible">
    <method name="GetChildren"><arg direction="out" type="a(so)"/></method>
  </interface>
</node>)xml";

// An application on the accessibility bus, served from a thread of its own:
// its socket is a TCP address, and it lists one child after a pause.
class StandInApplication {
 public:
  StandInApplication() {
    thread_ = std::thread([this] { serve(); });
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return loop_ != nullptr; });
  }
  ~StandInApplication() {
    g_main_loop_quit(loop_);
    thread_.join();
  }
  std::string name() const { return g_dbus_connection_get_unique_name(connection_); }

 private:
  static void call(GDBusConnection* connection, const gchar*, const gchar*, const gchar*,
                   const gchar* method, GVariant*, GDBusMethodInvocation* invocation, gpointer) {
    if (g_str_equal(method, "GetApplicationBusAddress")) {
      g_dbus_method_invocation_return_value(invocation,
                                            g_variant_new("(s)", "tcp:host=127.0.0.1,port=9"));
      return;
    }
    g_usleep(kSlowChildrenMilliseconds * 1000);
    GVariantBuilder children;
    g_variant_builder_init(&children, G_VARIANT_TYPE("a(so)"));
    g_variant_builder_add(&children, "(so)", g_dbus_connection_get_unique_name(connection),
                          "/org/a11y/atspi/accessible/1");
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(a(so))", &children));
  }

  void serve() {
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    // A connection of its own to the same bus, so that it has a name of its own.
    connection_ = g_dbus_connection_new_for_address_sync(
        busAddress().c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kStandInInterfaces, nullptr);
    static const GDBusInterfaceVTable vtable{call, nullptr, nullptr, {}};
    for (GDBusInterfaceInfo** interface = node->interfaces; *interface != nullptr; ++interface) {
      g_dbus_connection_register_object(connection_, kRoot, *interface, &vtable, nullptr, nullptr,
                                        nullptr);
    }
    GMainLoop* loop = g_main_loop_new(context, FALSE);
    {
      const std::lock_guard lock(mutex_);
      loop_ = loop;
    }
    ready_.notify_one();
    g_main_loop_run(loop);
    g_main_loop_unref(loop);
    g_dbus_node_info_unref(node);
    g_dbus_connection_close_sync(connection_, nullptr, nullptr);
    g_object_unref(connection_);
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
  }

  // The address the process's own connection to the accessibility bus uses.
  std::string busAddress() const {
    GVariant* reply = g_dbus_connection_call_sync(
        sessionBus(), "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", nullptr,
        G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NONE, kBusCallMilliseconds, nullptr, nullptr);
    const gchar* text = "";
    if (reply != nullptr) g_variant_get(reply, "(&s)", &text);
    std::string address = text;
    if (reply != nullptr) g_variant_unref(reply);
    return address;
  }

  GDBusConnection* connection_ = nullptr;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable ready_;
  GMainLoop* loop_ = nullptr;
};

std::string busNameOf(pid_t pid) {
  for (const auto& application : desktopApplications()) {
    if (processIdOf(application) == pid) return application.busName;
  }
  return "";
}

// A headless session with the recorder in it, listed on the accessibility bus.
struct RecorderOnTheBus {
  testing::HeadlessSession session;
  pid_t recorder = 0;
  std::string name;
  bool start() {
    session.enterSession();
    recorder = session.start(RECORDER_BIN, {"--recording", "Shopping list", "2026-12-10", "0:42"});
    return connectAccessibilityBus() &&
           testing::waitUntil([&] { return !(name = busNameOf(recorder)).empty(); }, 20);
  }
};

TEST(ApplicationConnection, OwnSocketWhereOfferedElseTheBus) {
  RecorderOnTheBus on;
  ASSERT_TRUE(on.start());
  const pid_t recorder = on.recorder;
  const std::string& recorderName = on.name;

  // GTK's bridge serves its objects on a socket of its own, and answers there.
  GDBusConnection* peer = connectionTo(recorderName);
  ASSERT_NE(peer, nullptr);
  EXPECT_NE(peer, accessibilityBus());
  EXPECT_EQ(connectionTo(recorderName), peer) << "asked once, kept";
  DirectLink* link = directLinkTo(recorderName);
  ASSERT_NE(link, nullptr) << "calls made here go over a link of their own to the same socket";
  EXPECT_EQ(directLinkTo(recorderName), link);
  const auto windows = childrenOf({recorderName, kRoot});
  ASSERT_TRUE(windows.has_value());
  EXPECT_FALSE(windows->empty());

  // Well-known names and the bus daemon are the bus's.
  EXPECT_EQ(connectionTo("org.a11y.atspi.Registry"), accessibilityBus());
  EXPECT_EQ(connectionTo("org.freedesktop.DBus"), accessibilityBus());
  EXPECT_EQ(directLinkTo("org.a11y.atspi.Registry"), nullptr);

  // An address that is not a socket on this machine is not followed; a
  // listing that takes longer than an ordinary call still comes back.
  {
    const StandInApplication standIn;
    EXPECT_EQ(connectionTo(standIn.name()), accessibilityBus());
    EXPECT_EQ(directLinkTo(standIn.name()), nullptr);
    const auto children = childrenOf({standIn.name(), kRoot});
    ASSERT_TRUE(children.has_value());
    EXPECT_EQ(children->size(), 1u);
  }

  // Once the application has quit, its closed socket is not used.
  ASSERT_EQ(kill(recorder, SIGTERM), 0);
  EXPECT_TRUE(
      testing::waitUntil([&] { return connectionTo(recorderName) == accessibilityBus(); }, 10));
  EXPECT_TRUE(testing::waitUntil([&] { return directLinkTo(recorderName) == nullptr; }, 10));
  EXPECT_FALSE(childrenOf({recorderName, kRoot}).has_value());
}

// An application too busy to give its address at the first call is asked
// again once it answers over the bus, and then reached on its socket.
TEST(ApplicationConnection, BusyAtFirstThenItsOwnSocket) {
  RecorderOnTheBus on;
  ASSERT_TRUE(on.start());
  const pid_t recorder = on.recorder;
  const std::string& recorderName = on.name;

  ASSERT_EQ(kill(recorder, SIGSTOP), 0);
  EXPECT_EQ(connectionTo(recorderName), accessibilityBus()) << "no answer within the bound";
  ASSERT_EQ(kill(recorder, SIGCONT), 0);
  EXPECT_EQ(directLinkTo(recorderName), nullptr) << "not asked again before it has answered";
  ASSERT_TRUE(testing::waitUntil(
      [&] {
        return childrenOf({recorderName, kRoot}).has_value();
      },
      10));
  EXPECT_NE(connectionTo(recorderName), accessibilityBus());
  EXPECT_NE(directLinkTo(recorderName), nullptr);
}

// Reads made together give what the same reads one by one give, failures in
// their places.
TEST(BatchedReads, SameAsOneByOne) {
  RecorderOnTheBus on;
  ASSERT_TRUE(on.start());
  const auto ax = makeSystemAccessibility();
  std::vector<Element> elements;
  ASSERT_TRUE(testing::waitUntil(
      [&] {
        elements.clear();
        std::vector<Element> level{ax->applicationElement(on.recorder)};
        // Every element of the window's tree, level by level.
        while (!level.empty()) {
          elements.insert(elements.end(), level.begin(), level.end());
          std::vector<Element> next;
          for (const auto& element : level) {
            const auto children = ax->copyAttributeValue(element, "AXChildren");
            if (const auto* list =
                    children ? std::get_if<std::vector<Element>>(&*children) : nullptr) {
              next.insert(next.end(), list->begin(), list->end());
            }
          }
          level = std::move(next);
        }
        return elements.size() > 5;
      },
      20));
  elements.push_back(wrapReference({on.name, "/org/a11y/atspi/accessible/no_such_object"}));
  for (const char* attribute : {"AXRole", "AXChildren", "AXDescription", "AXTitle", "AXValue"}) {
    SCOPED_TRACE(attribute);
    const auto together = ax->copyAttributeValues(elements, attribute);
    ASSERT_EQ(together.size(), elements.size());
    for (std::size_t i = 0; i < elements.size(); ++i) {
      EXPECT_EQ(together[i], ax->copyAttributeValue(elements[i], attribute)) << "element " << i;
    }
    EXPECT_FALSE(together.back().has_value());
  }
}

}  // namespace
}  // namespace platform::accessibility
