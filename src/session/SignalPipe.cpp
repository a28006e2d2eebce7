#include "SignalPipe.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeEnds[2] = {-1, -1};

extern "C" void onSignal(int signal) {
    const unsigned char number = static_cast<unsigned char>(signal);
    // Nothing else is safe here; a full pipe already holds a signal to act on.
    (void)!write(pipeEnds[1], &number, 1);
}

} // namespace

SignalPipe::SignalPipe(QObject* parent)
    : QObject(parent) {
    if (pipeEnds[0] < 0 && pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalPipe::onReadable);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGHUP, SIGINT})
        sigaction(signal, &action, nullptr);
}

SignalPipe::~SignalPipe() {
    for (int signal : {SIGTERM, SIGHUP, SIGINT})
        std::signal(signal, SIG_DFL);
}

void SignalPipe::onReadable() {
    unsigned char number = 0;
    while (read(pipeEnds[0], &number, 1) == 1)
        Q_EMIT received(number);
}

#else

SignalPipe::SignalPipe(QObject* parent)
    : QObject(parent) {}

SignalPipe::~SignalPipe() = default;

void SignalPipe::onReadable() {}

#endif
