#pragma once
// GNOME's idle time: mutter offers no Wayland idle protocol, only its idle monitor on the
// session bus (org.gnome.Mutter.IdleMonitor). A plain libdbus-1 client, without Qt.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct DBusConnection;
struct DBusMessage;

namespace platform::wayland {

class GnomeIdle {
  public:
    // Connects to the session bus and asks for a watch that fires after `milliseconds` of idle
    // time; null when there is no session bus or no idle monitor on it (`why` says which).
    static std::unique_ptr<GnomeIdle> Open(std::uint64_t milliseconds, std::string& why);
    ~GnomeIdle();
    GnomeIdle(const GnomeIdle&) = delete;
    GnomeIdle& operator=(const GnomeIdle&) = delete;

    // The connection's descriptor, to wait on.
    int Fd() const;
    // Reads what the bus sent and handles the watches that fired. False when the bus or the
    // idle monitor went away.
    bool Service();
    // Whether messages read earlier (while a call waited for its answer) wait to be handled.
    bool Pending() const;
    // True once for each idle period that began and that no input has ended since.
    bool TakeIdle();
    // After a show: an idle period that began during the show counts only while it still goes
    // on (the idle time is at least the watch's); the watch for the user's return is armed
    // again if it is not.
    void ShowEnded();

  private:
    GnomeIdle() = default;
    // Calls a method of the idle monitor; the watch id it answers, 0 on failure.
    std::uint32_t Call(const char* method, const std::uint64_t* interval);
    void Handle(DBusMessage* message);
    void ArmUserActive();
    // The monitor's idle time in milliseconds; nothing when it does not answer.
    std::optional<std::uint64_t> IdleTime();

    DBusConnection* bus_ = nullptr;
    std::string owner_; // the monitor's unique bus name: only its signals count
    std::uint64_t interval_ = 0;
    std::uint32_t idleWatch_ = 0;
    std::uint32_t activeWatch_ = 0;
    bool idle_ = false;
    bool gone_ = false;
};

} // namespace platform::wayland
