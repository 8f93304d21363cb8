#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "qt_internal.h"

namespace platform::qt {
namespace {

int signalPipe[2] = {-1, -1};
// Watches the pipe's reading end; owned by the application object and released with it.
QPointer<QSocketNotifier> notifier;

std::function<void()>& Handler() {
    static std::function<void()> handler;
    return handler;
}

// Only async-signal-safe work here: the event loop does the rest.
void OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

void Drain() {
    char bytes[64];
    while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
    }
    if (Handler()) Handler()();
}

bool OpenPipe() {
    if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_NONBLOCK | O_CLOEXEC) != 0) return false;
    if (!notifier) {
        notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read,
                                       QCoreApplication::instance());
        QObject::connect(notifier, &QSocketNotifier::activated, [] { Drain(); });
    }
    return true;
}

bool HangUpIgnored() {
    static const bool ignored = [] {
        struct sigaction current {};
        return sigaction(SIGHUP, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
    }();
    return ignored;
}

} // namespace

void SetTerminationHandler(std::function<void()> handler) {
    Handler() = std::move(handler);
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    if (Handler() && OpenPipe()) {
        action.sa_handler = OnSignal;
        action.sa_flags = SA_RESTART;
    } else {
        action.sa_handler = SIG_DFL;
    }
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    // A hang-up (the terminal or session gone) ends the program in the same orderly way, unless
    // it was started to ignore hang-ups (nohup), which it keeps doing.
    if (!HangUpIgnored()) sigaction(SIGHUP, &action, nullptr);
}

} // namespace platform::qt
