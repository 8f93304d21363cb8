#include "platform/wayland/gnome_idle.h"

#include <dbus/dbus.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

namespace platform::wayland {
namespace {

const char* const MonitorName = "org.gnome.Mutter.IdleMonitor";
const char* const Path = "/org/gnome/Mutter/IdleMonitor/Core";
const char* const Interface = "org.gnome.Mutter.IdleMonitor";

// The session bus's address: the environment's, else the per-user bus in the runtime folder.
// Nothing otherwise: the bus is never started from here.
std::string SessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return address;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return {};
    const std::string socket = std::string(runtime) + "/bus";
    struct stat st {};
    if (::stat(socket.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) return {};
    return "unix:path=" + socket;
}

} // namespace

std::unique_ptr<GnomeIdle> GnomeIdle::Open(std::uint64_t milliseconds, std::string& why) {
    const std::string address = SessionBusAddress();
    if (address.empty()) {
        why = "no session bus";
        return nullptr;
    }
    DBusError error;
    dbus_error_init(&error);
    std::unique_ptr<GnomeIdle> idle(new GnomeIdle);
    idle->bus_ = dbus_connection_open_private(address.c_str(), &error);
    if (idle->bus_) {
        dbus_connection_set_exit_on_disconnect(idle->bus_, FALSE);
        if (!dbus_bus_register(idle->bus_, &error)) {
            dbus_connection_close(idle->bus_);
            dbus_connection_unref(idle->bus_);
            idle->bus_ = nullptr;
        }
    }
    if (!idle->bus_) {
        why = std::string("the session bus refused the connection: ") +
              (error.message ? error.message : "unknown error");
        dbus_error_free(&error);
        return nullptr;
    }
    const std::string fired = std::string("type='signal',path='") + Path + "',interface='" +
                              Interface + "',member='WatchFired'";
    const std::string owner = std::string("type='signal',sender='org.freedesktop.DBus',"
                                          "interface='org.freedesktop.DBus',member="
                                          "'NameOwnerChanged',arg0='") +
                              MonitorName + "'";
    dbus_bus_add_match(idle->bus_, fired.c_str(), nullptr);
    dbus_bus_add_match(idle->bus_, owner.c_str(), nullptr);
    idle->interval_ = milliseconds;
    idle->idleWatch_ = idle->Call("AddIdleWatch", &milliseconds);
    if (!idle->idleWatch_) {
        why = "none on the session bus";
        return nullptr;
    }
    return idle;
}

GnomeIdle::~GnomeIdle() {
    if (!bus_) return;
    // The monitor drops the watches of a client that leaves the bus.
    dbus_connection_close(bus_);
    dbus_connection_unref(bus_);
}

int GnomeIdle::Fd() const {
    int fd = -1;
    return dbus_connection_get_unix_fd(bus_, &fd) ? fd : -1;
}

std::optional<std::uint64_t> GnomeIdle::IdleTime() {
    DBusMessage* call =
        dbus_message_new_method_call(MonitorName, Path, Interface, "GetIdletime");
    if (!call) return std::nullopt;
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus_, call, 10000, nullptr);
    dbus_message_unref(call);
    if (!reply) return std::nullopt;
    dbus_uint64_t milliseconds = 0;
    const bool read = dbus_message_get_args(reply, nullptr, DBUS_TYPE_UINT64, &milliseconds,
                                            DBUS_TYPE_INVALID);
    dbus_message_unref(reply);
    return read ? std::optional<std::uint64_t>(milliseconds) : std::nullopt;
}

std::uint32_t GnomeIdle::Call(const char* method, const std::uint64_t* interval) {
    DBusMessage* call = dbus_message_new_method_call(MonitorName, Path, Interface, method);
    if (!call) return 0;
    if (interval) {
        const dbus_uint64_t value = *interval;
        dbus_message_append_args(call, DBUS_TYPE_UINT64, &value, DBUS_TYPE_INVALID);
    }
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus_, call, 10000, &error);
    dbus_message_unref(call);
    dbus_uint32_t id = 0;
    if (reply) {
        if (!dbus_message_get_args(reply, &error, DBUS_TYPE_UINT32, &id, DBUS_TYPE_INVALID))
            id = 0;
        if (const char* sender = dbus_message_get_sender(reply)) owner_ = sender;
        dbus_message_unref(reply);
    }
    dbus_error_free(&error);
    return id;
}

void GnomeIdle::ArmUserActive() {
    if (!activeWatch_) activeWatch_ = Call("AddUserActiveWatch", nullptr);
}

void GnomeIdle::Handle(DBusMessage* message) {
    if (dbus_message_is_signal(message, "org.freedesktop.DBus", "NameOwnerChanged")) {
        const char *name = nullptr, *before = nullptr, *after = nullptr;
        if (dbus_message_get_args(message, nullptr, DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING,
                                  &before, DBUS_TYPE_STRING, &after, DBUS_TYPE_INVALID) &&
            std::strcmp(name, MonitorName) == 0 && owner_ == before)
            gone_ = true;
        return;
    }
    if (!dbus_message_is_signal(message, Interface, "WatchFired")) return;
    const char* sender = dbus_message_get_sender(message);
    const char* path = dbus_message_get_path(message);
    if (!sender || owner_ != sender || !path || std::strcmp(path, Path) != 0) return;
    dbus_uint32_t id = 0;
    if (!dbus_message_get_args(message, nullptr, DBUS_TYPE_UINT32, &id, DBUS_TYPE_INVALID))
        return;
    if (id == idleWatch_) {
        // The watch for the user's return goes with each idle period: armed all the time it
        // would wake this process at every key press.
        idle_ = true;
        ArmUserActive();
    } else if (id != 0 && id == activeWatch_) {
        // Such a watch fires once; the monitor drops it.
        activeWatch_ = 0;
        idle_ = false;
    }
}

bool GnomeIdle::Service() {
    if (!dbus_connection_read_write(bus_, 0)) return false;
    while (DBusMessage* message = dbus_connection_pop_message(bus_)) {
        Handle(message);
        dbus_message_unref(message);
    }
    return !gone_ && dbus_connection_get_is_connected(bus_);
}

bool GnomeIdle::Pending() const {
    return dbus_connection_get_dispatch_status(bus_) == DBUS_DISPATCH_DATA_REMAINS;
}

bool GnomeIdle::TakeIdle() {
    const bool began = idle_;
    idle_ = false;
    return began;
}

void GnomeIdle::ShowEnded() {
    // Input right after an idle period began may come before that watch is armed; the idle
    // time tells whether the period is still going on.
    if (idle_) {
        const std::optional<std::uint64_t> idleTime = IdleTime();
        if (idleTime && *idleTime < interval_) idle_ = false;
    }
    ArmUserActive();
}

} // namespace platform::wayland
