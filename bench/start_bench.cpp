// The start of the program with a deck of a million cards written by Quorix, against the start
// with an empty deck and a plain read of the same file; and the program's memory against the
// file's size. Each start is a process of its own (this program, run again as the child).
#include "BenchSupport.h"
#include "files/Profile.h"
#include "ui/DeckApp.h"
#include "ui/DeckFrame.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstring>

using namespace bench;

namespace {

constexpr int Cards = 1000000;

// The resident memory and its peak, in bytes, from /proc/self/status.
std::pair<double, double> residentMemory() {
    QFile status(QStringLiteral("/proc/self/status"));
    double rss = 0, peak = 0;
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            const auto kb = [&] {
                return line.mid(6).trimmed().split(' ').value(0).toDouble() * 1024;
            };
            if (line.startsWith("VmRSS:"))
                rss = kb();
            else if (line.startsWith("VmHWM:"))
                peak = kb();
        }
    }
    return {rss, peak};
}

// The child: starts as the program does, with the deck named on its command line when there is
// one, and reports the time from its start to the window shown and idle (its first paint, the
// deferred start steps and whatever they posted done; the deck's hash is taken as it is read),
// and its memory then.
int startOnce(int argc, char* argv[]) {
    const auto t0 = std::chrono::steady_clock::now();
    DeckApp app(argc, argv);
    if (!app.InitInstance())
        return 2;
    app.frame()->repaint();
    for (int round = 0; round < 3; ++round) {
        QEventLoop idle;
        QTimer::singleShot(0, &idle, &QEventLoop::quit);
        idle.exec();
    }
    app.frame()->repaint();
    const auto t1 = std::chrono::steady_clock::now();
    const auto [rss, peak] = residentMemory();
    std::printf("%f %f %f\n", std::chrono::duration<double, std::milli>(t1 - t0).count(), rss,
                peak);
    std::fflush(stdout);
    std::_Exit(0); // the teardown of a million cards is not part of the figure
}

struct Start {
    double ms = 0;
    double rss = 0;
    double peak = 0;
};

Start runChild(const QString& program, const QStringList& arguments) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, QStringList{QStringLiteral("--start")} + arguments);
    if (!child.waitForFinished(120000) || child.exitCode() != 0)
        std::abort();
    const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
    if (figures.size() != 3)
        std::abort();
    return {figures[0].toDouble(), figures[1].toDouble(), figures[2].toDouble()};
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc >= 2 && std::strcmp(argv[1], "--start") == 0) {
        argv[1] = argv[0];
        return startOnce(argc - 1, argv + 1);
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    // The children keep their settings, window claims and recovery copies in here.
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QDir().mkpath(path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(name, QFile::encodeName(path));
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");

    const QString deckPath = dir.filePath(QStringLiteral("million.qrx"));
    {
        QSettings settings(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
        Profile profile(settings);
        NullUi ui;
        Deck deck;
        deck.appendCards(realisticCards(Cards, 5));
        deck.SortByIndex();
        DocumentOf doc(deck, ui, profile);
        if (!doc.commands.WriteDeckFile(deckPath))
            return 1;
    }
    const double fileSize = static_cast<double>(QFileInfo(deckPath).size());

    const double rawRead = medianMs(
        5, [] {},
        [&] {
            QFile in(deckPath);
            in.open(QIODevice::ReadOnly);
            if (in.readAll().size() != fileSize)
                std::abort();
        });

    const QString self = QCoreApplication::applicationFilePath();
    std::vector<double> empty, full;
    Start last;
    for (int i = 0; i < 6; ++i) {
        const Start withoutDeck = runChild(self, {});
        last = runChild(self, {deckPath});
        if (i > 0) { // the first pair warms the caches
            empty.push_back(withoutDeck.ms);
            full.push_back(last.ms);
        }
    }
    std::sort(empty.begin(), empty.end());
    std::sort(full.begin(), full.end());
    const double emptyMs = empty[empty.size() / 2];
    const double fullMs = full[full.size() / 2];
    print("open_1m_vs_raw_read", (fullMs - emptyMs) / rawRead, "x");
    print("open_1m_rss_vs_file", std::max(last.rss, last.peak) / fileSize, "x");
    std::fprintf(stderr,
                 "note: 1m: start with a %.0f-byte deck %.0f ms, with none %.0f ms, raw read "
                 "%.0f ms; memory %.0f MiB resident, %.0f MiB at most\n",
                 fileSize, fullMs, emptyMs, rawRead, last.rss / 1048576, last.peak / 1048576);

    // The same with a Unicode deck of a million cards of mixed scripts.
    const QString unicodePath = dir.filePath(QStringLiteral("million-unicode.qrx"));
    {
        QSettings settings(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
        Profile profile(settings);
        NullUi ui;
        Deck deck;
        DocumentOf doc(deck, ui, profile, CharacterSet::Unicode);
        deck.appendCards(realisticUnicodeCards(Cards, 6));
        deck.SortByIndex();
        if (!doc.commands.WriteDeckFile(unicodePath))
            return 1;
    }
    const double unicodeSize = static_cast<double>(QFileInfo(unicodePath).size());
    const double rawReadUnicode = medianMs(
        5, [] {},
        [&] {
            QFile in(unicodePath);
            in.open(QIODevice::ReadOnly);
            if (in.readAll().size() != unicodeSize)
                std::abort();
        });
    std::vector<double> emptyU, fullU;
    Start lastU;
    for (int i = 0; i < 6; ++i) {
        const Start withoutDeck = runChild(self, {});
        lastU = runChild(self, {unicodePath});
        if (i > 0) {
            emptyU.push_back(withoutDeck.ms);
            fullU.push_back(lastU.ms);
        }
    }
    std::sort(emptyU.begin(), emptyU.end());
    std::sort(fullU.begin(), fullU.end());
    const double emptyUMs = emptyU[emptyU.size() / 2];
    const double fullUMs = fullU[fullU.size() / 2];
    print("open_1m_unicode_vs_raw_read", (fullUMs - emptyUMs) / rawReadUnicode, "x");
    print("open_1m_unicode_rss_vs_file", std::max(lastU.rss, lastU.peak) / unicodeSize, "x");
    std::fprintf(stderr,
                 "note: 1m unicode: start with a %.0f-byte deck %.0f ms, with none %.0f ms, raw "
                 "read %.0f ms; memory %.0f MiB resident, %.0f MiB at most\n",
                 unicodeSize, fullUMs, emptyUMs, rawReadUnicode, lastU.rss / 1048576,
                 lastU.peak / 1048576);
    return 0;
}
