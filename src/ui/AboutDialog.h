#pragma once

#include <QDialog>

// Help > About: the program's name and version, its makers and the rights notice.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent);
    static QString text();
};
