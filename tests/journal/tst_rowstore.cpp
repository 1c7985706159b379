#include "common/AnsiText.h"
#include "journal/RowStore.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The journal's compact row store: every row reads back exactly as it was
// set, whether it fits the code page or not, through edits, removals and
// the packing they cause.
class TestRowStore : public QObject
{
    Q_OBJECT

    static QStringList textsOf(const RowStore &store)
    {
        QStringList texts;
        for (qsizetype r = 0; r < store.size(); ++r)
            texts << store.text(r);
        return texts;
    }

    // A store holding row between two others.
    static RowStore around(const QString &row)
    {
        RowStore store;
        store.append(u"before\tx\ty"_s);
        store.append(row);
        store.append(u"after\tx\ty"_s);
        return store;
    }

private slots:
    // Fields handed as the file's bytes, in one pass: each as field() reads
    // it, asked in any order, a field past the row's last one empty (the
    // next row's bytes never read), also once an edit moved the row.
    void encodedFields_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<bool>("asText");
        QTest::newRow("cells") << u"12\t  1,5\tкг\tпартия"_s << false << false;
        QTest::newRow("empty fields") << u"\t\t\t"_s << false << false;
        QTest::newRow("one field") << u"7"_s << false << false;
        QTest::newRow("empty row") << QString() << false << false;
        QTest::newRow("edited longer, moved") << u"1\t2\tx"_s << true << false;
        QTest::newRow("kept as text") << u"1\t2\t✓"_s << false << true;
    }
    void encodedFields()
    {
        QFETCH(QString, row);
        QFETCH(bool, edited);
        QFETCH(bool, asText);
        RowStore store = around(row);
        if (edited)
            store.replaceField(1, 0, u"1000"_s);
        const int fields[] = {4, -1, 0, 2, 1, 3};
        const int count = int(std::size(fields));
        QByteArrayView out[count];
        QCOMPARE(store.encodedFields(1, fields, out, count), !asText);
        if (asText)
            return;
        for (int k = 0; k < count; ++k)
            QCOMPARE(out[k].toByteArray(), fields[k] < 0 ? QByteArray() : AnsiText::encode(store.field(1, fields[k])));
    }

    void fieldEdits_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("after");
        QTest::newRow("same length, in place") << u"12\t1\tнота"_s << 0 << u"11"_s << u"11\t1\tнота"_s;
        QTest::newRow("longer") << u"9\t1\tнота"_s << 0 << u"10"_s << u"10\t1\tнота"_s;
        QTest::newRow("shorter, last field") << u"1\t2\tпартия"_s << 2 << u"п"_s << u"1\t2\tп"_s;
        QTest::newRow("emptied") << u"1\t2\tx"_s << 1 << QString() << u"1\t\tx"_s;
        QTest::newRow("a character the code page has not") << u"1\t2\tx"_s << 2 << u"✓ готово"_s
                                                            << u"1\t2\t✓ готово"_s;
        QTest::newRow("wide row, field edited") << u"1\t€½\tx"_s << 0 << u"27"_s << u"27\t€½\tx"_s;
        QTest::newRow("wide row, made narrow") << u"1\t2\t½"_s << 2 << u"ok"_s << u"1\t2\tok"_s;
        QTest::newRow("the unassigned byte and NUL") << u"1\t\u0098\t"_s << 2 << u"a\0b"_s
                                                     << u"1\t\u0098\ta\0b"_s;
    }

    void fieldEdits()
    {
        QFETCH(QString, row);
        QFETCH(int, col);
        QFETCH(QString, cell);
        QFETCH(QString, after);
        RowStore store = around(row);
        QCOMPARE(store.text(1), row);
        store.replaceField(1, col, cell);
        QCOMPARE(textsOf(store), (QStringList{u"before\tx\ty"_s, after, u"after\tx\ty"_s}));
        const QStringList fields = after.split(u'\t');
        for (int c = 0; c < fields.size(); ++c)
            QCOMPARE(store.field(1, c), fields[c]);
        QCOMPARE(store.field(1, 2, 1), fields[2].left(1));
        QCOMPARE(store.field(1, fields.size()), QString()); // past the last field
    }

    // The file's bytes of a row from a field on, whatever way it is kept.
    void encodedFrom()
    {
        RowStore store;
        store.appendEncoded("3\t12,5\t\xEF\xE0\xF0\xF2\xE8\xFF");
        store.append(u"4\t7\tпартия ½"_s);
        QCOMPARE(store.text(0), u"3\t12,5\tпартия"_s);
        QByteArray out = "<";
        store.appendEncodedFrom(0, 1, out);
        store.appendEncodedFrom(1, 1, out);
        QCOMPARE(out, QByteArray("<12,5\t\xEF\xE0\xF0\xF2\xE8\xFF" "7\t\xEF\xE0\xF0\xF2\xE8\xFF ?"));
    }

    // Rows removed and rewritten leave bytes behind; the store packs them
    // away without losing or reordering a row.
    void removalsAndRewritesPack()
    {
        RowStore store;
        QStringList expected;
        for (int r = 0; r < 40000; ++r) {
            const QString row = r % 1000 == 0 ? u"%1\tзаметка ½ %1"_s.arg(r) : u"%1\tзаметка %1, склад"_s.arg(r);
            store.append(row);
            expected << row;
        }
        store.remove(100, 30000);
        expected.remove(100, 30000);
        QCOMPARE(textsOf(store), expected);
        for (int r = 0; r < store.size(); ++r) {
            store.replaceField(r, 0, QString::number(r + 1) + u"-й"_s);
            expected[r] = QString::number(r + 1) + u"-й"_s + expected[r].mid(expected[r].indexOf(u'\t'));
        }
        for (int r = 0; r < store.size(); r += 2) {
            store.replace(r, u"переписана %1"_s.arg(r));
            expected[r] = u"переписана %1"_s.arg(r);
        }
        QCOMPARE(textsOf(store), expected);
        store.remove(0, store.size());
        QCOMPARE(store.size(), 0);
        store.append(u"снова"_s);
        QCOMPARE(textsOf(store), QStringList{u"снова"_s});
        store.replaceField(0, 3, u"x"_s); // a field the row has not
        store.append(u"½"_s);
        store.replaceField(1, 1, u"x"_s);
        QCOMPARE(textsOf(store), (QStringList{u"снова"_s, u"½"_s}));
    }
};

QTEST_GUILESS_MAIN(TestRowStore)
#include "tst_rowstore.moc"
