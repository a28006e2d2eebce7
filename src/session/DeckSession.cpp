#include "DeckSession.h"

#include "CommandBinder.h"
#include "UserInterface.h"
#include "files/Export.h"
#include "output/Printing.h"

DeckSession::DeckSession(QSettings& settings, UserInterface& ui, QObject* parent)
    : QObject(parent)
    , m_ui(ui)
    , m_profile(settings)
    , m_document(m_deck, ui, m_profile)
    , m_commands(m_deck, ui, m_characterSet)
    , m_mail(m_characterSet) {
    m_deck.addObserver(&m_relay);
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        if (m_deck.isModified())
            Q_EMIT changesSettled();
    });
    connect(&m_document, &Document::fileChanged, this, &DeckSession::documentChanged);
}

DeckSession::~DeckSession() {
    m_deck.removeObserver(&m_relay);
}

void DeckSession::Relay::deckChanged(DeckChanges changes) {
    if (m_session.m_deck.isModified())
        m_session.m_settle.start();
    Q_EMIT m_session.deckChanged(changes);
}

void DeckSession::Relay::modifiedChanged(bool modified) {
    if (modified)
        m_session.m_settle.start();
    else
        m_session.m_settle.stop();
    Q_EMIT m_session.modifiedChanged(modified);
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
}
