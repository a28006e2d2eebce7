#pragma once

#include "deck/Deck.h"
#include "files/Worker.h"
#include "ports/PrintPage.h"
#include "ports/UserInterface.h"
#include "session/DeckCharacterSet.h"
#include "session/Document.h"
#include "session/DocumentCommands.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace bench {

// Milliseconds of the median run, after one warm-up run.
inline double medianMs(int runs, const std::function<void()>& setup,
                       const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i <= runs; ++i) {
        setup();
        const auto t0 = std::chrono::steady_clock::now();
        work();
        const auto t1 = std::chrono::steady_clock::now();
        if (i > 0)
            times.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

inline void print(const char* name, double value, const char* unit) {
    std::printf("%s: %.3g %s\n", name, value, unit);
    std::fflush(stdout);
}

// Index lines and bodies of the kind people write: names, topics, dates, recipes.
inline CardBlock realisticCards(int n, unsigned seed) {
    static const char* const first[] = {"Smith",  "garden",  "Recipe",   "Meeting", "Anna",
                                        "car",    "Tax",     "books",    "Zoe",     "plumber",
                                        "Doctor", "holiday", "Birthday", "bank",    "Quotes"};
    static const char* const second[] = {"notes",     "John", "apple pie", "2024-03-11", "phone",
                                         "insurance", "list", "ideas",     "contacts",   "plan"};
    std::mt19937 rng(seed);
    CardBlock cards(static_cast<std::size_t>(n) * 160);
    for (int i = 0; i < n; ++i) {
        std::string index = first[rng() % 15];
        index += rng() % 2 ? ", " : " - ";
        index += second[rng() % 10];
        index += ' ';
        index += std::to_string(rng() % 100000);
        std::string body = "Call before noon.\r\nBring the papers for ";
        body += index;
        body += ".\r\nAsk about the second appointment and write the answer down here.";
        cards.append(index, body);
    }
    return cards;
}

// Answers nothing and shows nothing.
class NullUi : public UserInterface {
public:
    Answer messageBox(const QString&, const QString&, MessageIcon, MessageButtons) override {
        return Answer::Ok;
    }
    QString applicationName() const override { return QStringLiteral("quorix"); }
    int choiceBox(const QString&, const QString&, MessageIcon, const QStringList& choices,
                  int) override {
        return static_cast<int>(choices.size()) - 1;
    }
    std::optional<QString> fileDialog(const FileDialogRequest&) override { return {}; }
    std::optional<QByteArray> indexDialog(IndexDialogMode, const QByteArray&) override {
        return {};
    }
    void setTitle(const QString&) override {}
    void selectBodyBytes(int, int) override {}
    void statusMessage(const QString&) override {}
    PrinterSetup openPrinter(const QString&, std::unique_ptr<PrintPage>&) override {
        return PrinterSetup::Cancelled;
    }
};

// The same kind of cards in a Unicode deck, in many scripts at once: names and topics in Latin
// with accents, Cyrillic, Greek, Hebrew, Arabic, Chinese, Japanese, Korean, Devanagari, emoji.
inline CardBlock realisticUnicodeCards(int n, unsigned seed) {
    static const char* const first[] = {"Müller",  "Dvořák", "Łukasz", "Дмитрий", "Ελένη",
                                        "שרה",     "مريم",   "王伟",   "佐藤",    "김민준",
                                        "प्रिया",   "Zoë",    "garden", "Recipe",  "Überweisung",
                                        "Встреча", "Φόροι",  "😀 party"};
    static const char* const second[] = {"notes",   "Jürgen",     "tarte tatin", "2024-03-11",
                                         "телефон", "σημειώσεις", "רשימה",       "أفكار",
                                         "会議",    "연락처"};
    std::mt19937 rng(seed);
    CardBlock cards(static_cast<std::size_t>(n) * 200);
    for (int i = 0; i < n; ++i) {
        std::string index = first[rng() % std::size(first)];
        index += rng() % 2 ? ", " : " - ";
        index += second[rng() % std::size(second)];
        index += ' ';
        index += std::to_string(rng() % 100000);
        std::string body = "Call before noon. Позвонить до обеда.\r\nBring the papers for ";
        body += index;
        body += ".\r\nAsk about the second appointment — 次の予約 — and write it down.";
        cards.append(index, body);
    }
    return cards;
}

// A deck's document and its commands, with a worker of their own.
// It starts as a deck of a code page (Windows-1252 unless told), as the decks of the tests of
// code-page behaviour are.
struct DocumentOf {
    Worker worker;
    Document document;
    DeckCharacterSet sets;
    DocumentCommands commands;
    DocumentOf(Deck& deck, UserInterface& ui, Profile& profile, int codePage = 1252)
        : document(deck, ui, worker)
        , sets(deck, document, profile, ui, codePage)
        , commands(document, deck, ui, profile, worker, sets) {
        QObject::connect(&document, &Document::fileTaken, &sets, &DeckCharacterSet::fileTaken);
    }
};

} // namespace bench
