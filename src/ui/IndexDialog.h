#pragma once

#include "ports/UserInterface.h"

#include <QDialog>

#include <functional>

class CharacterSet;
class QLineEdit;

// The one-line dialog in which an index is typed for Add, Edit Index and Go To.
class IndexDialog : public QDialog {
    Q_OBJECT
public:
    // holdAnyText: asked before text the deck's code page cannot hold is left out.
    IndexDialog(QWidget* parent, const QByteArray& text, IndexDialogMode mode,
                const CharacterSet& characterSet,
                const std::function<bool(const QString&)>& holdAnyText = {});

    // What was typed, as the card's bytes.
    QByteArray text() const;
    QLineEdit* edit() const { return m_edit; }

private:
    const CharacterSet& m_characterSet;
    QLineEdit* m_edit;
};
