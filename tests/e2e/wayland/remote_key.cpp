// Types keys through mutter's remote-desktop interface on the session bus, as a remote-desktop
// client would: starts a session, writes "ready", then for each line of standard input (an
// evdev key code) presses and releases that key and writes "sent <code>". Ends at the end of
// its input. The session (and the keyboard it adds to the seat) lives as long as this
// process's bus connection. Exit status 77 when there is no remote-desktop service, 1 on
// other failures.
#include <dbus/dbus.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

DBusConnection* bus = nullptr;
const char* const Service = "org.gnome.Mutter.RemoteDesktop";

// Calls `method` on `path` with the arguments appended by `append`; the reply (null on error).
template <typename Append>
DBusMessage* Call(const char* path, const char* interface, const char* method, Append append) {
    DBusMessage* call = dbus_message_new_method_call(Service, path, interface, method);
    append(call);
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus, call, 10000, &error);
    dbus_message_unref(call);
    if (!reply) std::fprintf(stderr, "remote_key: %s: %s\n", method, error.message);
    dbus_error_free(&error);
    return reply;
}

} // namespace

int main() {
    DBusError error;
    dbus_error_init(&error);
    bus = dbus_bus_get(DBUS_BUS_SESSION, &error);
    if (!bus) return 1;
    if (!dbus_bus_name_has_owner(bus, Service, nullptr)) return 77;
    DBusMessage* reply = Call("/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop",
                              "CreateSession", [](DBusMessage*) {});
    const char* path = nullptr;
    if (!reply || !dbus_message_get_args(reply, nullptr, DBUS_TYPE_OBJECT_PATH, &path,
                                         DBUS_TYPE_INVALID))
        return 1;
    const std::string session = path;
    dbus_message_unref(reply);
    const char* const iface = "org.gnome.Mutter.RemoteDesktop.Session";
    if (!(reply = Call(session.c_str(), iface, "Start", [](DBusMessage*) {}))) return 1;
    dbus_message_unref(reply);
    std::printf("ready\n");
    std::fflush(stdout);
    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
        const dbus_uint32_t code = static_cast<dbus_uint32_t>(std::strtoul(line, nullptr, 10));
        for (const dbus_bool_t pressed : {TRUE, FALSE}) {
            reply = Call(session.c_str(), iface, "NotifyKeyboardKeycode", [&](DBusMessage* m) {
                dbus_message_append_args(m, DBUS_TYPE_UINT32, &code, DBUS_TYPE_BOOLEAN,
                                         &pressed, DBUS_TYPE_INVALID);
            });
            if (!reply) return 1;
            dbus_message_unref(reply);
        }
        std::printf("sent %u\n", code);
        std::fflush(stdout);
    }
    if ((reply = Call(session.c_str(), iface, "Stop", [](DBusMessage*) {})))
        dbus_message_unref(reply);
    return 0;
}
