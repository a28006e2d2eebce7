#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// The modeless Find dialog: the text to look for, Find Next and Close. The search always
// goes forward through the whole deck and ignores case, so there are no options.
class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(QWidget* parent);

    void setText(const QByteArray& text);
    QByteArray text() const;
    QLineEdit* edit() const { return m_edit; }
    QPushButton* findNextButton() const { return m_findNext; }

Q_SIGNALS:
    void findNext(const QByteArray& text);

private:
    QLineEdit* m_edit;
    QPushButton* m_findNext;
};
