#include "DeckSession.h"

#include "CommandBinder.h"
#include "UserInterface.h"
#include "files/Export.h"
#include "files/FileNames.h"
#include "output/Printing.h"

#include <QLocale>

DeckSession::DeckSession(QSettings& settings, UserInterface& ui, QObject* parent)
    : QObject(parent)
    , m_ui(ui)
    , m_profile(settings)
    , m_characterSet(CharacterSet::forCodePage(CharacterSet::localeCodePage()))
    , m_document(m_deck, ui, m_profile)
    , m_commands(m_deck, ui, m_characterSet)
    , m_mail(m_characterSet)
    , m_recovery(m_deck, m_document, m_characterSet) {
    m_deck.addObserver(&m_relay);
    connect(&m_document, &Document::fileTaken, this, &DeckSession::onFileTaken);
    connect(&m_document, &Document::fileChanged, this, &DeckSession::documentChanged);
    connect(&m_document, &Document::fileChanged, this, [this] {
        // A card file is never written, so nothing can be overwritten there.
        m_watch.watch(m_document.isImported() ? QString() : m_document.filePath());
    });
    connect(&m_watch, &FileWatch::changed, this, [this] {
        m_reloadTries = 0;
        onFileChanged();
    });
    m_reloadRetry.setSingleShot(true);
    m_reloadRetry.setInterval(400);
    connect(&m_reloadRetry, &QTimer::timeout, this, &DeckSession::onFileChanged);
    connect(&m_recovery, &RecoveryCopy::failed, this, [this](const QString& reason) {
        m_ui.statusMessage(
            QStringLiteral("Quorix cannot keep a recovery copy of unsaved work: %1").arg(reason));
    });
}

DeckSession::~DeckSession() {
    m_deck.removeObserver(&m_relay);
}

void DeckSession::Relay::deckChanged(DeckChanges changes) {
    m_session.m_recovery.deckChanged();
    Q_EMIT m_session.deckChanged(changes);
}

void DeckSession::Relay::modifiedChanged(bool modified) {
    // Saved or discarded, the work needs no copy any more.
    if (modified)
        m_session.m_recovery.deckChanged();
    else
        m_session.m_recovery.remove();
    Q_EMIT m_session.modifiedChanged(modified);
}

void DeckSession::setCharacterSet(int codePage) {
    if (!m_document.filePath().isEmpty())
        m_profile.setCharacterSetOf(m_document.filePath(), codePage);
    if (codePage == m_characterSet.codePage())
        return;
    m_characterSet = CharacterSet::forCodePage(codePage);
    Q_EMIT characterSetChanged();
}

void DeckSession::onFileTaken(Document::Origin origin) {
    const QString path = m_document.filePath();
    const int remembered = path.isEmpty() ? 0 : m_profile.characterSetOf(path);
    switch (origin) {
    case Document::Origin::SavedAs:
    case Document::Origin::ImportedByCommand:
        setCharacterSet(remembered && origin != Document::Origin::SavedAs
                            ? remembered
                            : m_characterSet.codePage());
        break;
    case Document::Origin::Recovered:
        break; // the copy says which
    default:
        setCharacterSet(remembered ? remembered : CharacterSet::localeCodePage());
        break;
    }
}

void DeckSession::onFileChanged() {
    if (m_ui.dialogOpen()) {
        m_reloadRetry.start(); // looked at again once the dialog is gone
        return;
    }
    switch (m_document.reloadIfChanged()) {
    case Document::Reload::Reloaded:
        m_ui.statusMessage(QStringLiteral("Another program changed the deck's file; Quorix has "
                                          "read it again."));
        break;
    case Document::Reload::Unreadable:
        // Perhaps still being written: tried again for about two seconds.
        if (++m_reloadTries < 5)
            m_reloadRetry.start();
        break;
    case Document::Reload::NotNeeded:
        break;
    }
}

void DeckSession::offerRecovery() {
    QStringList setAside;
    const std::vector<RecoveryCopy::Found> copies = RecoveryCopy::leftOver(&setAside);
    for (const RecoveryCopy::Found& copy : copies) {
        const QString deck =
            copy.deckPath.isEmpty()
                ? QStringLiteral("an untitled deck")
                : QStringLiteral("the deck \"%1\"").arg(FileNames::display(copy.deckPath));
        const QString when = QLocale().toString(copy.lastChange.toLocalTime(), QLocale::LongFormat);
        const int choice = m_ui.choiceBox(
            QStringLiteral("Quorix ended without saving the changes to %1.\nThe last change was "
                           "made on %2.\n\nRecover the unsaved work?")
                .arg(deck, when),
            QStringLiteral("Quorix"), MessageIcon::Question,
            {QStringLiteral("&Recover"), QStringLiteral("&Discard"),
             QStringLiteral("&Keep for Later")},
            0);
        if (choice == 1) {
            RecoveryCopy::discard(copy);
        } else if (choice == 0 && m_document.mayDiscardChanges()) {
            if (RecoveryCopy::read(copy, m_document)) {
                if (CharacterSet::isSupported(copy.codePage))
                    setCharacterSet(copy.codePage);
                m_recovery.adopt(copy);
                break;
            }
            setAside << RecoveryCopy::folder() + QStringLiteral("/set-aside/") + copy.id;
        }
    }
    if (!setAside.isEmpty())
        m_ui.standardMessageBox(
            QStringLiteral("A recovery copy could not be read, or was left by a newer Quorix, "
                           "and was set aside:\n%1")
                .arg(setAside.join(u'\n')));
}

void DeckSession::keepWorkForNextStart() {
    m_recovery.writeNow();
}

void DeckSession::bindCommands(CommandBinder& binder) {
    m_document.bindCommands(binder);
    m_commands.bindCommands(binder);
    const auto cards = [this] { return !m_deck.isEmpty(); };
    const auto path = [this] { return m_document.filePath(); };

    binder.bind(
        Cmd::ExportText,
        [this, path] { Export::ExportText(m_deck, m_characterSet, m_ui, m_profile, path()); },
        cards);
    binder.bind(
        Cmd::ExportCommaDelimited,
        [this, path] {
            Export::ExportCommaDelimited(m_deck, m_characterSet, m_ui, m_profile, path());
        },
        cards);

    binder.bind(
        Cmd::PrintCard, [this, path] { Printing::PrintCard(m_deck, m_characterSet, path(), m_ui); },
        cards);
    binder.bind(
        Cmd::PrintList, [this, path] { Printing::PrintList(m_deck, m_characterSet, path(), m_ui); },
        cards);
    binder.bind(
        Cmd::PrintTag, [this, path] { Printing::PrintTag(m_deck, m_characterSet, path(), m_ui); },
        cards);

    binder.bind(
        Cmd::SendCard, [this] { m_mail.SendCard(m_deck, m_ui); },
        [this] { return !m_deck.isEmpty() && IsMailAvailable(); });
    binder.bind(
        Cmd::SendList, [this, path] { m_mail.SendList(m_deck, path(), m_ui); }, cards);
    binder.bind(
        Cmd::SendTag, [this, path] { m_mail.SendTag(m_deck, path(), m_ui); }, cards);

    for (int codePage : CharacterSet::codePages()) {
        binder.bind(Cmd::CharacterSet + codePage, [this, codePage] { setCharacterSet(codePage); });
        binder.bindChecked(Cmd::CharacterSet + codePage,
                           [this, codePage] { return m_characterSet.codePage() == codePage; });
    }
}
