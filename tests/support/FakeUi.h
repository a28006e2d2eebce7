#pragma once

#include "deck/Deck.h"
#include "ports/PrintPage.h"
#include "ports/UserInterface.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <deque>
#include <optional>
#include <ostream>
#include <vector>

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QByteArray& b, std::ostream* os) {
    *os << '"' << b.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '[' << l.join(QStringLiteral(", ")).toStdString() << ']';
}

// A user interface port that answers from a script and records what the core showed.
// An unexpected message box or dialog fails the test, and so does an answer left unused.
class FakeUi : public UserInterface {
public:
    ~FakeUi() override;

    // Script: the answers, in the order the boxes and dialogs will appear.
    FakeUi& answer(Answer a);
    // A file, and the file type chosen where the dialog offers several.
    // filter: the file type chosen; -1 keeps the one the dialog offers first.
    FakeUi& choose(const QString& path, int filter = -1);
    FakeUi& cancelDialog();
    FakeUi& type(const QByteArray& text);
    // The button of a choice box, counted from 0.
    FakeUi& pick(int choice);
    FakeUi& cancelIndex();

    struct Message {
        QString text;
        QString caption;
        MessageIcon icon;
        MessageButtons buttons;
    };
    std::vector<Message> messages;
    std::vector<FileDialogRequest> fileDialogs;
    std::vector<std::pair<IndexDialogMode, QByteArray>> indexDialogs;
    // Every call in order: "message:<text>", "open:<filter>", "save:<filter>", "index:<mode>",
    // "title:<title>", "select:<start>-<end>", and "relabel" for every change of a watched
    // deck that the window would show.
    QStringList log;

    QString title;
    QStringList lastChoices;
    int lastDefaultChoice = -1;
    int cardCount = -1;
    int relabels = 0;
    std::pair<int, int> selection{-1, -1};

    // Follows the deck's announcements as the window does: counts its redraws and its cards.
    void watch(Deck& deck);

    Answer messageBox(const QString& text, const QString& caption, MessageIcon icon,
                      MessageButtons buttons) override;
    QString applicationName() const override { return QStringLiteral("quorix"); }
    int choiceBox(const QString& text, const QString& caption, MessageIcon icon,
                  const QStringList& choices, int defaultChoice) override;
    std::optional<QString> fileDialog(const FileDialogRequest& request) override;
    std::optional<QByteArray> indexDialog(IndexDialogMode mode, const QByteArray& text) override;
    void setTitle(const QString& t) override;
    void selectBodyBytes(int start, int end) override;
    void statusMessage(const QString& text) override { log << QStringLiteral("status:") + text; }
    bool dialogOpen() const override { return dialogShown; }
    bool dialogShown = false;
    // No printer unless a test says otherwise.
    PrinterSetup openPrinter(const QString&, std::unique_ptr<PrintPage>&) override {
        ADD_FAILURE() << "unexpected print dialog";
        return PrinterSetup::Cancelled;
    }

private:
    class Watcher : public DeckObserver {
    public:
        explicit Watcher(FakeUi& ui)
            : m_ui(ui) {}
        void deckChanged(DeckChanges changes) override;
        FakeUi& m_ui;
        Deck* m_deck = nullptr;
    };
    Watcher m_watcher{*this};
    std::deque<Answer> m_answers;
    std::deque<int> m_picks;
    std::deque<std::optional<std::pair<QString, int>>> m_paths;
    std::deque<std::optional<QByteArray>> m_texts;
};
