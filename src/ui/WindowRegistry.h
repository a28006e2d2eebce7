#pragma once

#include "ports/OtherWindows.h"

#include <QLocalServer>
#include <QObject>
#include <QPointer>

class QWidget;

// One window per deck on this computer. Every running Quorix of the user listens on a local
// socket of its own in the user's runtime folder, and a small file there, named after the
// deck's real path, says which socket has that deck open. Opening a deck first asks the
// socket its file names: the window that has it comes forward instead. A file whose program
// is gone no longer answers and is taken away.
class WindowRegistry : public QObject, public OtherWindows {
    Q_OBJECT
public:
    explicit WindowRegistry(QObject* parent = nullptr);
    ~WindowRegistry() override;

    // The window to bring forward when another Quorix asks for the deck it holds.
    void setWindow(QWidget* window);

    bool bringForward(const QString& path) override;
    void holding(const QString& path) override;

    // $XDG_RUNTIME_DIR/quorix, or another folder that is the user's alone; empty when none
    // can be had (one window per deck is then not kept).
    static QString folder();

private:
    static QString claimFile(const QString& path);
    static void removeStale();
    void onConnection();
    void release();

    QLocalServer m_server;
    QPointer<QWidget> m_window;
    QString m_claim; // the file that says this window holds its deck
};
