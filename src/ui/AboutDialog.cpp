#include "AboutDialog.h"

#include "DialogUnits.h"
#include "Pictures.h"

#include <QLabel>
#include <QPushButton>

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Quorix..."));
    const DialogUnits du(fontMetrics());

    auto* icon = new QLabel(this);
    icon->setPixmap(Pictures::applicationIcon().pixmap(32, 32));
    icon->setGeometry(du.rect(17, 15, 20, 20));

    auto* lines = new QLabel(text(), this);
    lines->setAlignment(Qt::AlignCenter);
    lines->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lines->setGeometry(du.rect(47, 9, 122, 30).adjusted(0, 0, du.x(30), du.y(4)));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setGeometry(du.rect(82, 50, 50, 14).translated(du.x(15), du.y(4)));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(du.x(217) + du.x(30), du.y(74) + du.y(4));
}

QString AboutDialog::text() {
    return QStringLiteral("Quorix %1\nCopyright \u00A9 2026 The Quorix developers\n"
                          "Free software: GNU GPL, version 3 or later")
        .arg(QStringLiteral(QUORIX_VERSION));
}
