#include "files/Converter.h"
#include "support/CardfileBuilder.h"
#include "support/DocumentFixture.h"

#include <QTextStream>

class Convert : public DocumentFixture {
protected:
    QString out, err;
    int run(const QStringList& args) {
        out.clear();
        err.clear();
        QTextStream o(&out), e(&err);
        return Converter::run(args, o, e);
    }
};

TEST_F(Convert, CardFileToEveryOutputInTheProgramsOrder) {
    write(path("in.CRD"), cardfile({{"pear", "P", {}}, {"apple", "A,1", {}}}));
    EXPECT_EQ(run({path("in.CRD"), path("out.qrx")}), 0) << err.toStdString();
    ASSERT_TRUE(doc.LoadDeckFile(path("out.qrx")));
    EXPECT_EQ(indexesOf(deck), (Indexes{"apple", "pear"}));
    EXPECT_EQ(read(path("out.qrx")).mid(8, 5), QByteArray("apple"));

    EXPECT_EQ(run({path("in.CRD"), path("out.csv")}), 0);
    EXPECT_EQ(read(path("out.csv")), QByteArray("apple,A 1\npear,P\n"));
    EXPECT_EQ(run({path("out.qrx"), path("out.TXT")}), 0);
    EXPECT_TRUE(read(path("out.TXT")).startsWith("apple\r\nA,1\r\n"));

    EXPECT_EQ(run({QStringLiteral("--list"), path("in.CRD")}), 0);
    EXPECT_EQ(out, QStringLiteral("apple\npear\n"));
    EXPECT_TRUE(err.isEmpty());
}

TEST_F(Convert, LaterCardFilesAndUtf8Output) {
    // The later layout comes in as the program imports it, whatever the file is called; the
    // objects are left out, and said so.
    write(path("later.dat"),
          rrgCardfile({{"caf\xe9", "\x80 5", oleEmbedded("n", "p")}, {"b", "plain", {}}}));
    EXPECT_EQ(run({QStringLiteral("--utf8"), path("later.dat"), path("out.csv")}), 0);
    EXPECT_EQ(read(path("out.csv")), QByteArray("b,plain\ncaf\xc3\xa9,\xe2\x82\xac 5\n"));
    EXPECT_TRUE(err.contains(QStringLiteral("1 card had a picture or object, left out")))
        << err.toStdString();
    EXPECT_EQ(run({path("later.dat"), path("out.csv")}), 0);
    EXPECT_EQ(read(path("out.csv")), QByteArray("b,plain\ncaf\xe9,\x80 5\n"));
    EXPECT_EQ(run({QStringLiteral("--utf8"), path("later.dat"), path("out.qrx")}), 1);
    EXPECT_EQ(run({QStringLiteral("--version")}), 0);
    EXPECT_EQ(out, QStringLiteral("quorix-convert " QUORIX_VERSION "\n"));
}

TEST_F(Convert, ErrorsNameTheFileAndNeverLeaveAnOutput) {
    write(path("text.qrx"), "hello");
    write(path("text.crd"), "hello");
    write(path("unicode.crd"), "DKO\x02\x00");
    write(path("cut.crd"), cardfile({{"a", "some text", {}}}).chopped(3));
    write(path("keep.csv"), "old contents");
    const struct {
        QStringList args;
        const char* reason;
    } cases[] = {
        {{path("text.qrx"), path("keep.csv")}, "not a Quorix deck file or a card file"},
        {{path("text.crd"), path("keep.csv")}, "not a card file"},
        {{path("cut.crd"), path("keep.csv")}, "damaged card file: 1 card with text lost"},
        {{path("missing.crd"), path("keep.csv")}, "No such file or directory"},
        {{path("unicode.crd"), path("keep.csv")},
         "This card file is of the Unicode kind, which Quorix cannot read."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.args), 1);
        EXPECT_TRUE(err.startsWith(QStringLiteral("quorix-convert: ") + c.args[0] + u':'))
            << err.toStdString();
        EXPECT_TRUE(err.contains(QString::fromUtf8(c.reason))) << err.toStdString();
        EXPECT_EQ(err.count(u'\n'), 1);
        EXPECT_EQ(read(path("keep.csv")), QByteArray("old contents"));
    }
    write(path("good.crd"), cardfile({{"a", "b", {}}}));
    EXPECT_EQ(run({path("good.crd"), path("out.pdf")}), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("unknown output type")));
    EXPECT_FALSE(QFile::exists(path("out.pdf")));
    EXPECT_EQ(run({path("good.crd"), path("no/such/folder/out.qrx")}), 1);
}

TEST_F(Convert, HelpAndUsage) {
    EXPECT_EQ(run({QStringLiteral("--help")}), 0);
    EXPECT_TRUE(out.contains(
        QStringLiteral("quorix-convert [--codepage N] [--utf8 | --unicode] [--lossy] IN OUT")));
    EXPECT_TRUE(out.contains(QStringLiteral("--list")));
    EXPECT_EQ(run({}), 2);
    EXPECT_TRUE(err.contains(QStringLiteral("Usage")));
    EXPECT_EQ(run({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}), 2);
}

// A deck or card file of a code page becomes a Unicode deck with --unicode; a Unicode deck
// goes to a code page only whole, or with --lossy, the cards that lose characters named.
TEST_F(Convert, UnicodeDecksBothWays) {
    write(path("ru.crd"), cardfile({{"\xcf\xf0\xe8\xe2\xe5\xf2", "\xec\xe8\xf0", {}}}));
    ASSERT_EQ(run({QStringLiteral("--codepage"), QStringLiteral("1251"),
                   QStringLiteral("--unicode"), path("ru.crd"), path("ru.qrx")}),
              0)
        << err.toStdString();
    const QByteArray file = read(path("ru.qrx"));
    EXPECT_EQ(file.left(4), QByteArray::fromHex("acaa0000"));
    EXPECT_TRUE(file.contains(QStringLiteral("Привет").toUtf8()));
    EXPECT_TRUE(file.contains(QStringLiteral("мир").toUtf8()));
    EXPECT_EQ(run({QStringLiteral("--list"), path("ru.qrx")}), 0);
    EXPECT_EQ(out, QStringLiteral("Привет\n"));
    // Back to 1251 whole; to 1252 it loses every letter.
    EXPECT_EQ(run({QStringLiteral("--codepage=1251"), path("ru.qrx"), path("back.qrx")}), 0);
    EXPECT_EQ(read(path("back.qrx")).mid(8, 6), QByteArray("\xcf\xf0\xe8\xe2\xe5\xf2"));
    EXPECT_EQ(run({path("ru.qrx"), path("western.qrx")}), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("1 card loses characters in Western (Windows-1252): "
                                            "\"Привет\"")))
        << err.toStdString();
    EXPECT_FALSE(QFile::exists(path("western.qrx")));
    EXPECT_EQ(run({QStringLiteral("--lossy"), path("ru.qrx"), path("western.qrx")}), 0);
    EXPECT_TRUE(QFile::exists(path("western.qrx")));
    // A Unicode deck's text and comma-delimited forms are UTF-8.
    EXPECT_EQ(run({path("ru.qrx"), path("ru.csv")}), 0);
    EXPECT_EQ(read(path("ru.csv")), QStringLiteral("Привет,мир\n").toUtf8());
}
