// The link against a small peer-to-peer server on a socket of its own, served
// by GDBus from a thread of its own as an application's bridge would.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "AtspiCalls.h"
#include "AtspiDirectLink.h"

namespace platform::accessibility {
namespace {

constexpr const char* kPath = "/test/object";
constexpr const char* kInterface = "test.Peer";
constexpr const char* kServerInterface = R"xml(<node>
  <interface name="test.Peer">
    <method name="Echo"><arg direction="in" type="s"/><arg direction="out" type="s"/></method>
    <method name="Fail"/>
    <method name="Sleep"><arg direction="in" type="u"/></method>
    <method name="HangUp"/>
  </interface>
</node>)xml";

class PeerServer {
 public:
  PeerServer() {
    directory_ = g_dir_make_tmp("link-test-XXXXXX", nullptr);
    thread_ = std::thread([this] { serve(); });
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return loop_ != nullptr; });
  }
  ~PeerServer() {
    g_main_loop_quit(loop_);
    thread_.join();
    g_free(directory_);
  }
  std::string address() const { return address_; }

 private:
  static void call(GDBusConnection* connection, const gchar*, const gchar*, const gchar*,
                   const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
                   gpointer) {
    if (g_str_equal(method, "Echo")) {
      const gchar* text = nullptr;
      g_variant_get(parameters, "(&s)", &text);
      g_dbus_method_invocation_return_value(invocation, g_variant_new("(s)", text));
    } else if (g_str_equal(method, "Sleep")) {
      guint32 milliseconds = 0;
      g_variant_get(parameters, "(u)", &milliseconds);
      g_usleep(milliseconds * 1000UL);
      g_dbus_method_invocation_return_value(invocation, nullptr);
    } else if (g_str_equal(method, "HangUp")) {
      // Whatever was answered before goes out first.
      g_object_unref(invocation);
      g_dbus_connection_flush_sync(connection, nullptr, nullptr);
      g_dbus_connection_close(connection, nullptr, nullptr, nullptr);
    } else {
      g_dbus_method_invocation_return_dbus_error(invocation, "test.Peer.Error", "failed");
    }
  }

  static gboolean accept(GDBusServer*, GDBusConnection* connection, gpointer data) {
    auto* self = static_cast<PeerServer*>(data);
    static const GDBusInterfaceVTable vtable{call, nullptr, nullptr, {}};
    g_dbus_connection_register_object(connection, kPath, self->node_->interfaces[0], &vtable,
                                      nullptr, nullptr, nullptr);
    self->connections_.push_back(G_DBUS_CONNECTION(g_object_ref(connection)));
    return TRUE;
  }

  void serve() {
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    node_ = g_dbus_node_info_new_for_xml(kServerInterface, nullptr);
    gchar* guid = g_dbus_generate_guid();
    const std::string listen = std::string("unix:path=") + directory_ + "/socket";
    GDBusServer* server = g_dbus_server_new_sync(listen.c_str(), G_DBUS_SERVER_FLAGS_NONE, guid,
                                                 nullptr, nullptr, nullptr);
    g_free(guid);
    g_signal_connect(server, "new-connection", G_CALLBACK(accept), this);
    g_dbus_server_start(server);
    GMainLoop* loop = g_main_loop_new(context, FALSE);
    {
      const std::lock_guard lock(mutex_);
      address_ = g_dbus_server_get_client_address(server);
      loop_ = loop;
    }
    ready_.notify_one();
    g_main_loop_run(loop);
    g_dbus_server_stop(server);
    for (GDBusConnection* connection : connections_) g_object_unref(connection);
    g_object_unref(server);
    g_main_loop_unref(loop);
    g_dbus_node_info_unref(node_);
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
  }

  gchar* directory_ = nullptr;
  GDBusNodeInfo* node_ = nullptr;
  std::vector<GDBusConnection*> connections_;  // the server thread's only
  std::string address_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable ready_;
  GMainLoop* loop_ = nullptr;
};

// A call of the server's; the parameters stay alive with the call list.
struct Calls {
  std::vector<ObjectCall> calls;
  std::vector<Variant> parameters;
  void add(const char* method, GVariant* arguments = nullptr) {
    if (arguments != nullptr) parameters.emplace_back(g_variant_ref_sink(arguments));
    calls.push_back({{":1.1", kPath}, kInterface, method, arguments});
  }
};

std::string echoed(const Variant& reply) {
  const Variant text = ofType(reply ? Variant(g_variant_ref(reply.get())) : nullptr, "(s)");
  if (!text) return "<none>";
  const gchar* value = nullptr;
  g_variant_get(text.get(), "(&s)", &value);
  return value;
}

TEST(DirectLink, RepliesInOrderWithFailuresInPlace) {
  const PeerServer server;
  const auto link = DirectLink::open(server.address());
  ASSERT_NE(link, nullptr);
  // More calls than are ever in flight; a call never made and a failing one
  // among them.
  Calls calls;
  for (int i = 0; i < 300; ++i) {
    if (i == 7) {
      calls.add("Not a method name");
    } else if (i == 8) {
      calls.add("Fail");
    } else {
      calls.add("Echo", g_variant_new("(s)", std::to_string(i).c_str()));
    }
  }
  const auto replies = link->exchange(calls.calls, 3000);
  ASSERT_TRUE(replies.has_value());
  ASSERT_EQ(replies->size(), 300u);
  for (std::size_t i = 0; i < 300; ++i) {
    if (i == 7 || i == 8) continue;
    EXPECT_EQ(echoed((*replies)[i]), std::to_string(i));
  }
  EXPECT_EQ((*replies)[7], nullptr) << "never made";
  EXPECT_EQ((*replies)[8], nullptr) << "answered with an error";
  EXPECT_TRUE(link->connected());
}

TEST(DirectLink, SilenceForTheBoundIsNoAnswerAndTheLinkRecovers) {
  const PeerServer server;
  const auto link = DirectLink::open(server.address());
  ASSERT_NE(link, nullptr);
  Calls calls;
  calls.add("Sleep", g_variant_new("(u)", 1500u));
  EXPECT_FALSE(link->exchange(calls.calls, 300).has_value());
  // The late reply is not taken for a later call's.
  Calls later;
  later.add("Echo", g_variant_new("(s)", "after"));
  const auto replies = link->exchange(later.calls, 3000);
  ASSERT_TRUE(replies.has_value());
  EXPECT_EQ(echoed((*replies)[0]), "after");
}

TEST(DirectLink, ClosedByThePeerEndsTheExchange) {
  const PeerServer server;
  const auto link = DirectLink::open(server.address());
  ASSERT_NE(link, nullptr);
  Calls calls;
  calls.add("Echo", g_variant_new("(s)", "first"));
  calls.add("HangUp");
  calls.add("Echo", g_variant_new("(s)", "never"));
  const auto replies = link->exchange(calls.calls, 3000);
  ASSERT_TRUE(replies.has_value());
  EXPECT_EQ(echoed((*replies)[0]), "first");
  EXPECT_EQ((*replies)[1], nullptr);
  EXPECT_EQ((*replies)[2], nullptr);
  EXPECT_FALSE(link->connected());
  EXPECT_EQ(DirectLink::open(std::string("unix:path=") + "/nonexistent/socket"), nullptr);
}

}  // namespace
}  // namespace platform::accessibility
