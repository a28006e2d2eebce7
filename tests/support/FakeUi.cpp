#include "FakeUi.h"

#include <gtest/gtest.h>

FakeUi::~FakeUi() {
    if (m_watcher.m_deck)
        m_watcher.m_deck->removeObserver(&m_watcher);
    EXPECT_TRUE(m_answers.empty()) << m_answers.size() << " message answers left unused";
    EXPECT_TRUE(m_paths.empty()) << m_paths.size() << " file dialog answers left unused";
    EXPECT_TRUE(m_texts.empty()) << m_texts.size() << " index dialog answers left unused";
    EXPECT_TRUE(m_picks.empty()) << m_picks.size() << " choice box answers left unused";
}

FakeUi& FakeUi::answer(Answer a) {
    m_answers.push_back(a);
    return *this;
}

FakeUi& FakeUi::choose(const QString& path, int filter) {
    m_paths.emplace_back(std::pair(path, filter));
    return *this;
}

FakeUi& FakeUi::cancelDialog() {
    m_paths.emplace_back(std::nullopt);
    return *this;
}

FakeUi& FakeUi::type(const QByteArray& text) {
    m_texts.emplace_back(text);
    return *this;
}

FakeUi& FakeUi::pick(int choice) {
    m_picks.push_back(choice);
    return *this;
}

int FakeUi::choiceBox(const QString& text, const QString& caption, MessageIcon icon,
                      const QStringList& choices, int defaultChoice) {
    messages.push_back({text, caption, icon, MessageButtons::Ok});
    log << QStringLiteral("choice:") + text;
    lastChoices = choices;
    lastDefaultChoice = defaultChoice;
    if (m_picks.empty()) {
        ADD_FAILURE() << "unexpected choice box: " << text.toStdString();
        return static_cast<int>(choices.size()) - 1;
    }
    const int choice = m_picks.front();
    m_picks.pop_front();
    return choice;
}

FakeUi& FakeUi::cancelIndex() {
    m_texts.emplace_back(std::nullopt);
    return *this;
}

Answer FakeUi::messageBox(const QString& text, const QString& caption, MessageIcon icon,
                          MessageButtons buttons) {
    messages.push_back({text, caption, icon, buttons});
    log << QStringLiteral("message:") + text;
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected message box: " << text.toStdString();
        return buttons == MessageButtons::Ok ? Answer::Ok : Answer::Cancel;
    }
    const Answer a = m_answers.front();
    m_answers.pop_front();
    return a;
}

std::optional<QString> FakeUi::fileDialog(const FileDialogRequest& request) {
    fileDialogs.push_back(request);
    log << (request.kind == FileDialogRequest::Kind::Open ? QStringLiteral("open:")
                                                          : QStringLiteral("save:")) +
               request.filter;
    if (m_paths.empty()) {
        ADD_FAILURE() << "unexpected file dialog: " << request.filter.toStdString();
        return std::nullopt;
    }
    const auto chosen = m_paths.front();
    m_paths.pop_front();
    if (!chosen)
        return std::nullopt;
    if (request.chosenFilter && chosen->second >= 0)
        *request.chosenFilter = chosen->second;
    return chosen->first;
}

std::optional<QByteArray> FakeUi::indexDialog(IndexDialogMode mode, const QByteArray& text) {
    indexDialogs.emplace_back(mode, text);
    log << QStringLiteral("index:%1").arg(static_cast<int>(mode));
    if (m_texts.empty()) {
        ADD_FAILURE() << "unexpected index dialog";
        return std::nullopt;
    }
    auto typed = m_texts.front();
    m_texts.pop_front();
    return typed;
}

void FakeUi::setTitle(const QString& t) {
    title = t;
    log << QStringLiteral("title:") + t;
}

void FakeUi::watch(Deck& deck) {
    m_watcher.m_deck = &deck;
    cardCount = deck.count();
    deck.addObserver(&m_watcher);
}

void FakeUi::Watcher::deckChanged(DeckChanges changes) {
    m_ui.cardCount = m_deck->count();
    if (changes & ~DeckChanges(DeckChange::Tags)) {
        ++m_ui.relabels;
        m_ui.log << QStringLiteral("relabel");
    }
}

void FakeUi::selectBodyBytes(int start, int end) {
    selection = {start, end};
    log << QStringLiteral("select:%1-%2").arg(start).arg(end);
}
