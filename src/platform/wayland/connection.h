#pragma once
// The program's own connection to the Wayland compositor, served from the Qt event loop. It
// knows the globals the show uses, every output with its place, pixel size and scale, and the
// seats' input, which it hands to the surface under the pointer or with the keyboard.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/screen.h"
#include "platform/wayland/protocols.h"

class QSocketNotifier;

namespace platform::wayland {

struct Output {
    wl_output* proxy = nullptr;
    std::uint32_t global = 0;
    std::string name;
    int x = 0, y = 0;      // place in the compositor's layout
    int width = 0, height = 0; // current mode, pixels
    int transform = 0;
    int scale = 1;
    // The compositor's preferred fractional scale × 120 once a surface on it heard it; 0 unknown.
    int preferredScale120 = 0;
    bool done = false;
    // The output's pixel size as its surfaces are drawn (the mode, turned by its transform).
    Size Pixels() const;
    double Scale() const { return preferredScale120 > 0 ? preferredScale120 / 120.0 : scale; }
};

// What a surface of the program hears of the input aimed at it. Positions are surface-local,
// in the compositor's logical units.
class InputTarget {
  public:
    virtual ~InputTarget() = default;
    virtual void PointerAt(double x, double y) = 0;
    virtual void ButtonPressed(int button) = 0;
    virtual void KeyPressed(int key) = 0;
    virtual void PointerEntered(std::uint32_t serial, wl_pointer* pointer, double x,
                                double y) = 0;
};

class Connection {
  public:
    // Connects to the compositor WAYLAND_DISPLAY names; null when there is none.
    static std::unique_ptr<Connection> Open();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Starts serving the connection from the Qt event loop (needs the application object).
    void ServeFromEventLoop();
    // Reads and dispatches whatever the compositor sent, then sends what is queued. A broken
    // connection ends the program with a line saying so and exit status 1.
    void Service();
    // Sends the queued requests and dispatches the answers until the compositor has seen them.
    void Roundtrip();
    void Flush();

    wl_display* Display() const { return display_; }
    wl_compositor* Compositor() const { return compositor_; }
    std::uint32_t CompositorVersion() const { return compositorVersion_; }
    wl_shm* Shm() const { return shm_; }
    zwlr_layer_shell_v1* LayerShell() const { return layerShell_; }
    wp_viewporter* Viewporter() const { return viewporter_; }
#ifdef LUMORA_WAYLAND_HAVE_FRACTIONAL_SCALE_V1
    wp_fractional_scale_manager_v1* FractionalScale() const { return fractionalScale_; }
#endif
    // The first global of `interface` bound at a version up to `version`; null when missing.
    void* Bind(const wl_interface* interface, std::uint32_t version);

    // Outputs whose description is complete, in the order the compositor announced them.
    std::vector<const Output*> Outputs() const;
    Output* OutputOf(wl_output* proxy);
    // Called with an output's proxy just before it goes.
    std::function<void(wl_output*)> outputGone;

    // Input for `surface` goes to `target` until it is forgotten.
    void Route(wl_surface* surface, InputTarget* target);
    void Forget(wl_surface* surface);
    // Called when the keyboard has left the program's surfaces for good (a moment passed and
    // none of them got it back).
    std::function<void()> keyboardLost;
    // Hides the pointer over the program's surfaces (at once where it is over one).
    void HidePointer(bool hide);
    bool hidePointer = false;

    // For the seats: where input for `surface` goes (null: not the program's), and the
    // keyboard's comings and goings.
    InputTarget* TargetOf(wl_surface* surface) const;
    InputTarget* KeyboardTarget() const { return TargetOf(keyboardFocus_); }
    void KeyboardEntered(wl_surface* surface);
    void KeyboardLeft(wl_surface* surface);

    struct Seat;

  private:
    Connection() = default;
    [[noreturn]] void Broken(const char* what);

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    std::uint32_t compositorVersion_ = 0;
    wl_shm* shm_ = nullptr;
    zwlr_layer_shell_v1* layerShell_ = nullptr;
    wp_viewporter* viewporter_ = nullptr;
#ifdef LUMORA_WAYLAND_HAVE_FRACTIONAL_SCALE_V1
    wp_fractional_scale_manager_v1* fractionalScale_ = nullptr;
#endif
    struct Global {
        std::uint32_t name;
        std::string interface;
        std::uint32_t version;
    };
    std::vector<Global> globals_;
    std::vector<std::unique_ptr<Output>> outputs_;
    std::vector<std::unique_ptr<Seat>> seats_;
    std::map<wl_surface*, InputTarget*> routes_;
    wl_surface* keyboardFocus_ = nullptr;
    bool keyboardHeld_ = false;
    QSocketNotifier* notifier_ = nullptr;

    friend void AddGlobal(Connection&, std::uint32_t, const char*, std::uint32_t);
    friend void RemoveGlobal(Connection&, std::uint32_t);
};

// The connection the program runs on; null when it runs on X11.
Connection* Current();
void SetCurrent(Connection* connection);

} // namespace platform::wayland
