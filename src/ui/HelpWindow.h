#pragma once

#include <QDialog>

class QTextBrowser;
class UserInterface;

// The help document, shown at its contents in a window of its own.
class HelpWindow : public QDialog {
    Q_OBJECT
public:
    HelpWindow(const QString& document, QWidget* parent);

    // Help > Contents: the window of the parent, brought forward when it is open already; a
    // message that says where Quorix looked when the document is nowhere.
    static void open(QWidget* parent, UserInterface& ui);

    // Where the help document lies: beside the program, in the installed data folder, or in
    // the user's data folders. Empty when it is nowhere.
    static QString locate();
    static QStringList searchPaths();

private:
    QTextBrowser* m_browser;
};
