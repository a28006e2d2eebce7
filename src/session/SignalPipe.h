#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGHUP and SIGINT, turned into a signal of the event loop: the handler only writes
// the signal's number into a pipe, and the work is done here, outside it.
class SignalPipe : public QObject {
    Q_OBJECT
public:
    explicit SignalPipe(QObject* parent = nullptr);
    ~SignalPipe() override;

Q_SIGNALS:
    void received(int signal);

private:
    void onReadable();
    QSocketNotifier* m_notifier = nullptr;
};
