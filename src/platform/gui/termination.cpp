// SIGTERM, SIGINT and SIGHUP, and a session that ends, as a request to end: the handler only writes a byte to
// a pipe; the toolkit's loop reads it and queues the program's own way out.
#include "platform/gui/termination.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

#include "platform/gui/gui_internal.h"

namespace gui {
namespace {

int wakePipe[2] = {-1, -1};
Event endEvent;

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakePipe[1], &byte, 1);
    errno = saved;
}

void onWake() {
    char bytes[16];
    while (::read(wakePipe[0], bytes, sizeof bytes) > 0) {
    }
    detail::push(endEvent);
    // A modal dialog on the UI thread runs a loop of its own: end it, so
    // that the program's loop gets to the event.
    for (int i = 0; i < 16; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) break;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->done(QDialog::Rejected);
        else
            modal->close();
    }
}

}  // namespace

void endOnTerminationSignals(const Event& event) {
    if (!qApp || wakePipe[0] >= 0) return;
    if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    endEvent = event;
    auto* notifier = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] { onWake(); });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // A second signal takes the default action: a program stuck for good
    // still ends when asked twice.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
#ifndef QT_NO_SESSIONMANAGER
    // A session that ends asks first (X session management): the program
    // ends as its close button ends it, keeping what it keeps at exit.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, qApp,
                     [](QSessionManager&) { detail::push(endEvent); });
#endif
}

}  // namespace gui
