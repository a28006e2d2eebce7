#pragma once

#include <QApplication>

#include <memory>

class DeckFrame;
class DeckSession;
class QSettings;
class SignalPipe;
class WindowPort;
class WindowRegistry;

// The application: selects the settings, puts together the window's port, the deck session and
// the main window, loads the deck named on the command line and shows the window.
class DeckApp : public QApplication {
    Q_OBJECT
public:
    DeckApp(int& argc, char** argv);
    ~DeckApp() override;

    // False when there is nothing to run: the deck named is open in another Quorix window,
    // which has come forward.
    bool InitInstance();
    DeckFrame* frame() const { return m_frame.get(); }

    // Arguments that Qt never saw (those after "--"), taken as they are.
    void addStartupArguments(const QStringList& arguments) { m_arguments << arguments; }
    // A deck whose cards the window shows untitled, in place of a deck to open.
    void setStartupCopy(const QString& path) { m_copyOf = path; }
    // A recovery copy to bring back, in place of the offers of every copy.
    void setStartupRecovery(const QString& copyPath) { m_recover = copyPath; }
    // The deck path of a command line: the arguments after the program name joined by single
    // blanks, since the shell has already split and unquoted them.
    static QString startupPath(const QStringList& arguments);

private:
    // The arguments after the program name that Qt left, with the exact bytes of each.
    QStringList m_arguments;
    QString m_copyOf;
    QString m_recover;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<WindowRegistry> m_windows;
    std::unique_ptr<SignalPipe> m_signals;
    std::unique_ptr<WindowPort> m_port;
    std::unique_ptr<DeckSession> m_session;
    std::unique_ptr<DeckFrame> m_frame;
};
