#include "DeckSession.h"

#include "RecoveryCopies.h"
#include "files/ConflictCopies.h"
#include "files/Export.h"
#include "files/FileNames.h"
#include "files/PathParts.h"
#include "files/StateFolder.h"
#include "output/Printing.h"
#include "ports/CommandBinder.h"
#include "ports/UserInterface.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cstdio>

DeckSession::DeckSession(QSettings& settings, UserInterface& ui, QObject* parent)
    : QObject(parent)
    , m_ui(ui)
    , m_profile(settings)
    , m_document(m_deck, ui, m_worker)
    , m_sets(m_deck, m_document, m_profile, ui)
    , m_documentCommands(m_document, m_deck, ui, m_profile, m_worker, m_sets)
    , m_commands(m_deck, ui, ui, m_sets.current())
    , m_mail(m_sets.current())
    , m_recovery(m_deck, m_document, m_sets.current(), m_profile, m_worker)
    , m_changes(m_document, m_deck, m_sets, ui, m_profile) {
    m_deck.addObserver(&m_relay);
    // The file dialogs start beside the deck on the screen.
    m_profile.followOpenDeck([this] { return m_document.filePath(); });
    connect(&m_document, &Document::fileTaken, &m_sets, &DeckCharacterSet::fileTaken);
    connect(&m_sets, &DeckCharacterSet::changed, this, &DeckSession::characterSetChanged);
    connect(&m_document, &Document::fileTaken, this, [this](Document::Origin origin) {
        if (origin == Document::Origin::Reread || origin == Document::Origin::Merged)
            return;
        // Another deck, or the same under another name: what was offered was for the old one.
        const bool hadOffer = m_offer.has_value();
        m_offer.reset();
        m_waiting.clear();
        m_offeredChange.reset();
        m_seenCopies.clear();
        m_mergedCopies.clear();
        if (hadOffer)
            Q_EMIT mergeOfferChanged();
        // Once the deck is shown: conflict copies already lying beside it.
        QMetaObject::invokeMethod(this, &DeckSession::lookForOtherVersions, Qt::QueuedConnection);
    });
    connect(&m_document, &Document::saved, this, &DeckSession::onWritten);
    connect(&m_document, &Document::fileChanged, this, &DeckSession::documentChanged);
    connect(&m_document.guard(), &FileGuard::changed, this, [this] {
        m_reloadTries = 0;
        onFileChanged();
    });
    m_reloadRetry.setSingleShot(true);
    m_reloadRetry.setInterval(400);
    connect(&m_reloadRetry, &QTimer::timeout, this, &DeckSession::onFileChanged);
    connect(&m_recovery, &RecoveryCopy::failed, this, [this](const QString& reason) {
        // Said once, and not in passing: a crash now would lose the work.
        m_ui.standardMessageBox(QStringLiteral("Quorix cannot keep a recovery copy of your "
                                               "unsaved work: no folder takes it.\n%1\n\nSave "
                                               "the deck to keep your work safe.")
                                    .arg(reason));
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

void DeckSession::onFileChanged() {
    if (m_ui.dialogOpen()) {
        m_reloadRetry.start(); // looked at again once the dialog is gone
        return;
    }
    switch (m_documentCommands.reloadIfChanged()) {
    case DocumentCommands::Reload::Reloaded:
        m_ui.statusMessage(QStringLiteral("Another program changed the deck's file; Quorix has "
                                          "read it again."));
        break;
    case DocumentCommands::Reload::Unreadable:
        // Perhaps still being written: tried again for about two seconds.
        if (++m_reloadTries < 5)
            m_reloadRetry.start();
        break;
    case DocumentCommands::Reload::NotNeeded:
        break;
    }
    lookForOtherVersions();
}

void DeckSession::lookForOtherVersions() {
    const QString path = m_document.guard().path();
    if (path.isEmpty() || m_document.isImported())
        return;
    // The file changed under unsaved work: offered once for each change, the newest only.
    if (m_deck.isModified() && m_document.guard().check() == FileState::Changed) {
        const std::optional<FileStamp> now = FileStamp::of(path);
        if (now && (!m_offeredChange || !now->sameMetadata(*m_offeredChange))) {
            m_offeredChange = now;
            std::erase_if(m_waiting, [](const MergeOffer& o) { return !o.conflictCopy; });
            if (!m_offer || m_offer->conflictCopy)
                m_waiting.insert(m_waiting.begin(), MergeOffer{path, false});
        }
    }
    // A copy gone meanwhile (merged on another computer, or moved away) is no longer offered.
    const auto gone = [](const MergeOffer& o) { return o.conflictCopy && !QFile::exists(o.path); };
    std::erase_if(m_waiting, gone);
    if (m_offer && gone(*m_offer)) {
        m_offer.reset();
        Q_EMIT mergeOfferChanged();
    }
    for (const QString& copy : ConflictCopies::beside(path)) {
        if (m_seenCopies.contains(copy))
            continue;
        m_seenCopies << copy;
        m_waiting.push_back(MergeOffer{copy, true});
    }
    offerNext();
}

void DeckSession::offerNext() {
    if (m_offer || m_waiting.empty())
        return;
    m_offer = m_waiting.front();
    m_waiting.erase(m_waiting.begin());
    Q_EMIT mergeOfferChanged();
}

void DeckSession::acceptMergeOffer() {
    if (!m_offer)
        return;
    const MergeOffer offer = *std::exchange(m_offer, std::nullopt);
    Q_EMIT mergeOfferChanged();
    // A conflict copy's common version with the deck is not known: both are kept whole.
    const bool merged = m_changes.mergeWith(
        offer.path, offer.conflictCopy ? ChangeMerge::Base::None : ChangeMerge::Base::Saved);
    if (merged && offer.conflictCopy)
        m_mergedCopies << offer.path;
    offerNext();
}

void DeckSession::declineMergeOffer() {
    if (!m_offer)
        return;
    m_offer.reset();
    Q_EMIT mergeOfferChanged();
    offerNext();
}

void DeckSession::onWritten() {
    // The file now holds the deck: an offer of the file's own change is out of date.
    std::erase_if(m_waiting, [](const MergeOffer& o) { return !o.conflictCopy; });
    if (m_offer && !m_offer->conflictCopy) {
        m_offer.reset();
        Q_EMIT mergeOfferChanged();
        offerNext();
    }
    const QStringList merged = std::exchange(m_mergedCopies, {});
    if (merged.isEmpty())
        return;
    QStringList names;
    for (const QString& copy : merged)
        names << FileNames::display(PathParts::fileName(copy));
    const int choice = m_ui.choiceBox(
        QStringLiteral("The deck now holds the cards of the conflict %1:\n%2\n\nMove %3 to the "
                       "trash?")
            .arg(merged.size() == 1 ? QStringLiteral("file") : QStringLiteral("files"),
                 names.join(u'\n'),
                 merged.size() == 1 ? QStringLiteral("it") : QStringLiteral("them")),
        QStringLiteral("Quorix"), MessageIcon::Question,
        {QStringLiteral("Move to &Trash"), QStringLiteral("&Keep")}, 0);
    if (choice != 0)
        return;
    QStringList failed;
    for (const QString& copy : merged) {
        if (!ConflictCopies::moveToTrash(copy))
            failed << FileNames::display(copy);
    }
    if (!failed.isEmpty())
        m_ui.standardMessageBox(
            QStringLiteral("Quorix could not move to the trash:\n%1").arg(failed.join(u'\n')));
}

bool DeckSession::recover(const RecoveryCopies::Found& found) {
    std::optional<CardBlock> cards = RecoveryCopies::read(found);
    if (!cards)
        return false;
    const RecoveryNote& note = found.note;
    Document::Takeover t;
    t.origin = Document::Origin::Recovered;
    t.cards = std::move(*cards);
    t.state = Deck::State::Unsaved;
    t.codePage = note.codePage;
    const QString name = PathParts::fileName(note.deckPath);
    if (note.imported) {
        // Work on a card file comes back untitled: the card file is never written over.
        t.proposedName = QFileInfo(name).completeBaseName() + QStringLiteral(".qrx");
    } else if (!note.deckPath.isEmpty() && m_document.openElsewhere(note.deckPath)) {
        // Another window has that deck: the work comes back beside it, as a deck of its own.
        t.proposedName = name;
        m_ui.statusMessage(QStringLiteral("The deck \"%1\" is open in another window; its "
                                          "recovered work is shown here, untitled.")
                               .arg(FileNames::display(name)));
    } else {
        t.path = note.deckPath;
        t.stamp = note.stamp;
    }
    m_document.takeOver(std::move(t));
    m_recovery.adopt(found.place, note.lastChange);
    return true;
}

void DeckSession::offerRecovery() {
    // A save in place that a crash cut short is finished first.
    for (const QString& finished : SafeWrite::finishInterruptedWrites())
        std::fprintf(stderr, "quorix: finished the interrupted save of %s\n",
                     FileNames::display(finished).toLocal8Bit().constData());
    QStringList elsewhere = m_profile.recoveryPlaces();
    const QStringList recent = m_profile.recentFiles() << m_profile.lastFile();
    for (const QString& file : recent) {
        const qsizetype cut = PathParts::lastSeparator(file);
        if (cut > 0 && !elsewhere.contains(file.left(cut)))
            elsewhere << file.left(cut);
    }
    elsewhere << QDir::homePath();
    QStringList setAside;
    const std::vector<RecoveryCopies::Found> copies =
        RecoveryCopies::leftOver(elsewhere, &setAside);
    for (const RecoveryCopies::Found& copy : copies) {
        const QString& path = copy.note.deckPath;
        const QString deck = path.isEmpty() ? QStringLiteral("an untitled deck")
                             : copy.note.imported
                                 ? QStringLiteral("the deck imported from the card file \"%1\"")
                                       .arg(FileNames::display(path))
                                 : QStringLiteral("the deck \"%1\"").arg(FileNames::display(path));
        const QString when =
            QLocale().toString(copy.note.lastChange.toLocalTime(), QLocale::LongFormat);
        const int choice = m_ui.choiceBox(
            QStringLiteral("Quorix ended without saving the changes to %1.\nThe last change was "
                           "made on %2.\n\nRecover the unsaved work?")
                .arg(deck, when),
            QStringLiteral("Quorix"), MessageIcon::Question,
            {QStringLiteral("&Recover"), QStringLiteral("&Discard"),
             QStringLiteral("&Keep for Later")},
            0);
        if (choice == 1) {
            RecoveryCopies::discard(copy);
        } else if (choice == 0 && !holdsNothing() &&
                   !(!copy.note.imported && !path.isEmpty() &&
                     FileNames::sameFile(path, m_document.filePath()))) {
            // The work of another deck comes back in a window of its own: the deck the user
            // asked for stays where it is.
            Q_EMIT recoverInOwnWindow(copy.place.folder + u'/' + copy.place.base);
            break;
        } else if (choice == 0 && m_documentCommands.mayDiscardChanges()) {
            if (recover(copy))
                break;
            setAside << copy.place.folder + u'/' + copy.place.base;
        }
    }
    // Places that hold no copy any more are not looked in again.
    for (const QString& folder : m_profile.recoveryPlaces()) {
        if (QDir(folder)
                .entryList({RecoveryCopy::hiddenBase(QStringLiteral("*"))},
                           QDir::Files | QDir::Hidden)
                .isEmpty())
            m_profile.removeRecoveryPlace(folder);
    }
    if (!setAside.isEmpty())
        m_ui.standardMessageBox(
            QStringLiteral("A recovery copy could not be read, or was left by a newer Quorix, "
                           "and was set aside:\n%1")
                .arg(setAside.join(u'\n')));
}

bool DeckSession::holdsNothing() const {
    return m_document.filePath().isEmpty() && m_deck.isEmpty() && !m_deck.isModified();
}

bool DeckSession::recoverCopy(const QString& copyPath) {
    QStringList elsewhere = m_profile.recoveryPlaces();
    const qsizetype cut = PathParts::lastSeparator(copyPath);
    if (cut > 0)
        elsewhere << copyPath.left(cut);
    QStringList setAside;
    for (const RecoveryCopies::Found& copy : RecoveryCopies::leftOver(elsewhere, &setAside)) {
        if (copy.place.folder + u'/' + copy.place.base == copyPath && recover(copy))
            return true;
    }
    m_ui.standardMessageBox(QStringLiteral("The recovery copy is no longer there, or could not "
                                           "be read:\n%1")
                                .arg(FileNames::display(copyPath)));
    return false;
}

int DeckSession::keepWorkForNextStart() {
    QString why;
    const std::optional<QString> where = m_recovery.writeNow(&why);
    if (!where) {
        std::fprintf(stderr,
                     "quorix: the unsaved work could not be kept: no place took the "
                     "recovery copy (%s)\n",
                     why.toLocal8Bit().constData());
        return 1;
    }
    if (!where->isEmpty())
        std::fprintf(stderr, "quorix: the unsaved work is kept in %s for the next start\n",
                     FileNames::display(*where).toLocal8Bit().constData());
    return 0;
}

void DeckSession::closeDeck() {
    // Saved or let go: nothing is left to recover.
    m_deck.RemoveAllCards();
    m_deck.markClean();
}

void DeckSession::bindCommands(CommandBinder& binder) {
    m_documentCommands.bindCommands(binder);
    m_commands.bindCommands(binder);
    binder.bind(Cmd::MergeChangesFrom, [this] { m_changes.MergeChangesFrom(); });
    const auto cards = [this] { return !m_deck.isEmpty(); };
    const auto path = [this] { return m_document.filePath(); };

    binder.bind(
        Cmd::ExportText,
        [this, path] { Export::ExportText(m_deck, characterSet(), m_ui, m_profile, path()); },
        cards);
    binder.bind(
        Cmd::ExportCommaDelimited,
        [this, path] {
            Export::ExportCommaDelimited(m_deck, characterSet(), m_ui, m_profile, path());
        },
        cards);

    binder.bind(
        Cmd::PrintCard, [this, path] { Printing::PrintCard(m_deck, characterSet(), path(), m_ui); },
        cards);
    binder.bind(
        Cmd::PrintList, [this, path] { Printing::PrintList(m_deck, characterSet(), path(), m_ui); },
        cards);
    binder.bind(
        Cmd::PrintTag, [this, path] { Printing::PrintTag(m_deck, characterSet(), path(), m_ui); },
        cards);

    binder.bind(
        Cmd::SendCard, [this] { m_mail.SendCard(m_deck, m_ui); },
        [this] { return !m_deck.isEmpty() && IsMailAvailable(); });
    binder.bind(
        Cmd::SendList, [this, path] { m_mail.SendList(m_deck, path(), m_ui); }, cards);
    binder.bind(
        Cmd::SendTag, [this, path] { m_mail.SendTag(m_deck, path(), m_ui); }, cards);

    // A Unicode deck has the one choice; a deck of a code page is shown in any code page.
    std::vector<int> sets = CharacterSet::codePages();
    sets.push_back(CharacterSet::Unicode);
    for (int codePage : sets) {
        binder.bind(
            Cmd::CharacterSet + codePage, [this, codePage] { setCharacterSet(codePage); },
            [this, codePage] {
                return (codePage == CharacterSet::Unicode) == characterSet().isUnicode();
            });
        binder.bindChecked(Cmd::CharacterSet + codePage,
                           [this, codePage] { return characterSet().codePage() == codePage; });
    }
}
