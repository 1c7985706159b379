#include "common/AnsiText.h"
#include "journal/JournalGrid.h"
#include "link/ScaleReading.h"
#include "journal/JournalLayout.h"
#include "report/DecimalNumber.h"
#include "report/JournalTotals.h"
#include "report/TotalsText.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// Running totals over the journal model: sums per unit, decimals, rows that
// are no number, selections, deletions, loads and layout rebuilds.
class TestJournalTotals : public QObject
{
    Q_OBJECT

    static void weighing(JournalGrid &grid) { JournalLayout::apply(JournalLayout::weighing(), grid); }

    static void add(JournalGrid &grid, const QString &weight, const QString &unit = QStringLiteral("kg"))
    {
        grid.AddItem(QStringLiteral("%1\t%1\t%2\t%3\tS\t01.02.2026 10:00:00\t").arg(grid.Rows()).arg(weight, unit));
    }

    static QString text(const JournalTotals &t) { return TotalsText::line(t.whole()); }

    // The reading as the recorder's rule defines it: a text the recorder takes
    // as a weight, then its digits as an exact mantissa (at most 18 digits
    // and MaxDecimals decimals). The totals' one-pass reading must agree.
    static std::optional<DecimalNumber> recorderReading(const QString &text)
    {
        QString comma = text;
        comma.replace(QLatin1Char('.'), QLatin1Char(','));
        if (!singleFromDecimalComma(comma))
            return std::nullopt;
        QString digits;
        bool negative = false;
        for (const QChar c : std::as_const(comma)) {
            if (c == QLatin1Char('-'))
                negative = true;
            else if (c == QLatin1Char(',') || (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
                digits += c;
        }
        const qsizetype point = digits.indexOf(QLatin1Char(','));
        const QString whole = point < 0 ? digits : digits.left(point);
        const QString fraction = point < 0 ? QString() : digits.mid(point + 1);
        QString significant = whole + fraction;
        while (significant.startsWith(QLatin1Char('0')) && significant.size() > fraction.size())
            significant.remove(0, 1);
        if (fraction.size() > DecimalNumber::MaxDecimals || significant.size() > 18)
            return std::nullopt;
        DecimalNumber n;
        n.mantissa = significant.isEmpty() ? 0 : significant.toLongLong();
        n.decimals = int(fraction.size());
        if (negative)
            n.mantissa = -n.mantissa;
        return n;
    }

    static bool sameReading(const std::optional<DecimalNumber> &a, const std::optional<DecimalNumber> &b)
    {
        return a.has_value() == b.has_value() && (!a || (a->mantissa == b->mantissa && a->decimals == b->decimals));
    }

    // Every figure of two summaries, for journals that must total alike.
    static void compareSummaries(const JournalTotals::Summary &a, const JournalTotals::Summary &b)
    {
        QCOMPARE(a.rows, b.rows);
        QCOMPARE(a.notNumbers, b.notNumbers);
        QCOMPARE(a.units.size(), b.units.size());
        for (qsizetype u = 0; u < a.units.size(); ++u) {
            const JournalTotals::Unit &x = a.units[u];
            const JournalTotals::Unit &y = b.units[u];
            QCOMPARE(x.unit, y.unit);
            QCOMPARE(x.rows, y.rows);
            QCOMPARE(x.decimals, y.decimals);
            QCOMPARE(x.sum, y.sum);
            QCOMPARE(x.mean, y.mean);
            QCOMPARE(x.min, y.min);
            QCOMPARE(x.max, y.max);
            QCOMPARE(x.stdDev, y.stdDev);
            QCOMPARE(x.counting, y.counting);
            QCOMPARE(x.quantitySum, y.quantitySum);
        }
    }

    // "unit=sum" of every unit, in order of appearance.
    static QStringList sums(const JournalTotals::Summary &s)
    {
        QStringList list;
        for (const JournalTotals::Unit &u : s.units)
            list << u.unit + QLatin1Char('=') + u.sum;
        return list;
    }

private slots:
    void readsWeightsAsTheRecorder_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("number");
        QTest::addColumn<qint64>("mantissa");
        QTest::addColumn<int>("decimals");
        QTest::newRow("point") << "  12.500" << true << qint64(12500) << 3;
        QTest::newRow("comma") << "1,25" << true << qint64(125) << 2;
        QTest::newRow("sign and blanks") << "-  0.750 " << true << qint64(-750) << 3;
        QTest::newRow("plus") << "+3" << true << qint64(3) << 0;
        QTest::newRow("leading zeros") << "0007.0" << true << qint64(70) << 1;
        QTest::newRow("only fraction") << ".5" << true << qint64(5) << 1;
        QTest::newRow("dashes") << "--.---" << false << qint64(0) << 0;
        QTest::newRow("letters") << "12kg" << false << qint64(0) << 0;
        QTest::newRow("two points") << "1.2.3" << false << qint64(0) << 0;
        QTest::newRow("empty") << "" << false << qint64(0) << 0;
        QTest::newRow("too many digits") << "1234567890123456789" << false << qint64(0) << 0;
    }
    void readsWeightsAsTheRecorder()
    {
        QFETCH(QString, text);
        QFETCH(bool, number);
        const std::optional<DecimalNumber> n = DecimalNumber::read(text);
        QCOMPARE(n.has_value(), number);
        if (number) {
            QFETCH(qint64, mantissa);
            QFETCH(int, decimals);
            QCOMPARE(n->mantissa, mantissa);
            QCOMPARE(n->decimals, decimals);
        }
    }

    void readsAsTheRecorderRule_data()
    {
        QTest::addColumn<QString>("text");
        const char *const texts[] = {
            "", " ", "\t", "0", "-0", "+0", "00", "0.0", "0,000", "5.", "5,", ".5", ",5", ".", ",", "-", "+",
            "- ", "-.", "- 5", "-\t5", "+ 5", "5 -", "+-5", "-+5", "--5", " 12.5 ", "12 .5", "12. 5", "1.2.3",
            "1,2.3", "1.2,3", "1e5", "1E5", "1e-3", "e5", "0x10", "inf", "nan", "Infinity", "12kg", "kg", "a",
            "١٢", "1_000", "1 000", "123456789012345678", "1234567890123456789", "0.123456789", "0.1234567890",
            "000000000000000000000001", "1.000000000", "1.0000000000", "99999999999999999.9",
            "340282346638528859811704183484516925440", "340282346638528859811704183484516925440.1",
            "999999999999999999999999999999999999999",
            "  -  0.750  ", "\r\n7\r\n", "7\v", "\f7",
        };
        for (const char *t : texts)
            QTest::newRow(t) << QString::fromUtf8(t);
        // Blanks beyond ASCII, as QString::trimmed takes them.
        QTest::newRow("no-break space") << QStringLiteral("\u00A012,5\u00A0");
        QTest::newRow("em space after sign") << QStringLiteral("-\u20035");
        QTest::newRow("fullwidth digit") << QStringLiteral("\uFF11");
        QTest::newRow("400 digits") << QString(400, QLatin1Char('9'));
        QTest::newRow("310 digits, fraction") << QString(310, QLatin1Char('9')) + QStringLiteral(",5");
        QTest::newRow("many leading zeros") << QString(300, QLatin1Char('0')) + QStringLiteral("1.5");
    }
    void readsAsTheRecorderRule()
    {
        QFETCH(QString, text);
        const std::optional<DecimalNumber> fast = DecimalNumber::read(text);
        const std::optional<DecimalNumber> reference = recorderReading(text);
        QCOMPARE(fast.has_value(), reference.has_value());
        if (fast) {
            QCOMPARE(fast->mantissa, reference->mantissa);
            QCOMPARE(fast->decimals, reference->decimals);
        }
    }

    // Random texts over the characters the grammar turns on.
    void readsRandomTextsAsTheRecorderRule()
    {
        const QString alphabet = QStringLiteral("0123456789 -+.,e\t\u00A0a0");
        QRandomGenerator random(17);
        for (int k = 0; k < 20000; ++k) {
            QString text;
            const int length = random.bounded(9);
            for (int c = 0; c < length; ++c)
                text += alphabet.at(random.bounded(int(alphabet.size())));
            const std::optional<DecimalNumber> fast = DecimalNumber::read(text);
            const std::optional<DecimalNumber> reference = recorderReading(text);
            QVERIFY2(fast.has_value() == reference.has_value(), qPrintable(text));
            if (fast)
                QVERIFY2(fast->mantissa == reference->mantissa && fast->decimals == reference->decimals,
                         qPrintable(text));
        }
    }

    // A cell as the file's bytes reads as its decoded text does: every byte
    // alone, before digits, after a sign and after digits.
    void readsCodePageBytesAsTheirText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        for (int b = 0; b < 256; ++b) {
            const QByteArray c(1, char(b));
            QTest::addRow("%02x alone", b) << c;
            QTest::addRow("%02x before digits", b) << c + "12.5";
            QTest::addRow("%02x after a sign", b) << "-" + c + "3";
            QTest::addRow("%02x after digits", b) << "7,25" + c;
        }
    }
    void readsCodePageBytesAsTheirText()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(sameReading(DecimalNumber::read(QByteArrayView(bytes)), DecimalNumber::read(AnsiText::decode(bytes))));
    }

    // Random cells over the bytes the grammar turns on, the code page's
    // blanks and look-alikes among them.
    void readsRandomCodePageBytesAsTheirText()
    {
        const QByteArray alphabet("0123456789 -+.,e\t\xA0\x98\x85\xB9\xE0\x0B\x1F");
        QRandomGenerator random(1251);
        for (int k = 0; k < 20000; ++k) {
            QByteArray bytes;
            const int length = random.bounded(10);
            for (int c = 0; c < length; ++c)
                bytes += alphabet.at(random.bounded(int(alphabet.size())));
            QVERIFY2(sameReading(DecimalNumber::read(QByteArrayView(bytes)), DecimalNumber::read(AnsiText::decode(bytes))),
                     bytes.toHex().constData());
        }
    }

    // The totals read rows kept as the file's bytes straight from them and
    // rows kept as text (a character the code page has not) through the
    // model: both total alike, through loads, edits and deletions.
    void rowsKeptAsTextTotalAlike_data()
    {
        QTest::addColumn<QStringList>("rows"); // weight, unit, quantity
        QTest::addColumn<QStringList>("sums");
        QTest::addColumn<qint64>("notNumbers");
        QTest::newRow("blanks of the code page around")
            << QStringList{u"1.5|kg|1"_s, u"\u00A02.5|\u00A0kg|2"_s, u"3|kg\u00A0| 3 "_s, u"1| kg |\u00A04"_s}
            << QStringList{u"kg=8,0"_s} << qint64(0);
        QTest::newRow("units taking turns")
            << QStringList{u"1|kg|1"_s, u"2|g|1"_s, u"3|kg|1"_s, u"4|g|1"_s, u"5|кг|1"_s, u"6|kg|1"_s}
            << QStringList{u"kg=10"_s, u"g=6"_s, u"кг=5"_s} << qint64(0);
        QTest::newRow("texts and blanks")
            << QStringList{u"|kg|1"_s, u"  |kg|1"_s, u"x|kg|1"_s, u"--|kg|"_s, u"1,25|kg|шт"_s, u"\u00A0|kg|1"_s}
            << QStringList{u"kg=1,25"_s} << qint64(2);
        QTest::newRow("wide mantissas")
            << QStringList{u"12345678901.5|kg|5000000000"_s, u"-2147483649|kg|2147483647"_s, u"0.5|kg|1"_s}
            << QStringList{u"kg=10198195253,0"_s} << qint64(0);
        QTest::newRow("a weight longer than is shown")
            << QStringList{u"1"_s + QString(JournalGrid::MaxShownLength - 1, u' ') + u"x|kg|1"_s, u"2|kg|1"_s}
            << QStringList{u"kg=3"_s} << qint64(0);
    }
    void rowsKeptAsTextTotalAlike()
    {
        QFETCH(QStringList, rows);
        QFETCH(QStringList, sums);
        QFETCH(qint64, notNumbers);
        JournalGrid bytes;
        JournalGrid text;
        JournalLayout::apply(JournalLayout::counting(), bytes);
        JournalLayout::apply(JournalLayout::counting(), text);
        JournalTotals bytesTotals(bytes);
        JournalTotals textTotals(text);
        QList<QByteArray> lines;
        QStringList textRows;
        for (int r = 0; r < rows.size(); ++r) {
            const QStringList cells = rows[r].split(u'|');
            const QString line = u"%1\t%2\t%3\tS\t%4\t0.125\t05.03.2024 9:05:07\t"_s.arg(r + 1).arg(cells[0], cells[1], cells[2]);
            lines << AnsiText::encode(line + u"партия"_s);
            textRows << QString::number(r + 1) + u'\t' + line + u"✓ партия"_s;
        }
        bytes.addFileLines(QList<QByteArrayView>(lines.cbegin(), lines.cend()));
        text.addItems(textRows);
        compareSummaries(bytesTotals.whole(), textTotals.whole());
        QCOMPARE(this->sums(bytesTotals.whole()), sums);
        QCOMPARE(bytesTotals.whole().notNumbers, notNumbers);
        compareSummaries(bytesTotals.range(1, int(rows.size()) - 1), textTotals.range(1, int(rows.size()) - 1));
        // An edit of the weight and the unit, then a deletion: subtracted and
        // read again alike.
        for (JournalGrid *grid : {&bytes, &text}) {
            grid->setTextMatrix(1, 2, u"\u00A010,125"_s);
            grid->setTextMatrix(1, 3, u" g"_s);
            grid->setTextMatrix(2, 5, u"9"_s);
            grid->RemoveItems(3, 1);
        }
        compareSummaries(bytesTotals.whole(), textTotals.whole());
        QCOMPARE(this->sums(bytesTotals.range(0, 0)), QStringList{u"g=10,125"_s});
        compareSummaries(bytesTotals.range(0, 1), textTotals.range(0, 1));
    }

    void sumsWithTheMostDecimals()
    {
        JournalGrid grid;
        weighing(grid);
        JournalTotals totals(grid);
        for (const char *w : {"1.000", "2.500", "0.750"})
            add(grid, QLatin1String(w));
        const JournalTotals::Summary s = totals.whole();
        QCOMPARE(s.rows, 3);
        QCOMPARE(s.units.size(), 1);
        QCOMPARE(s.units[0].sum, QStringLiteral("4,250"));
        QCOMPARE(text(totals), QStringLiteral("Итого: 3 строки, сумма 4,250 kg, среднее 1,417, мин. 0,750, "
                                              "макс. 2,500, ст. откл. 0,946"));
        add(grid, QStringLiteral("0.0001"));
        QCOMPARE(totals.whole().units[0].sum, QStringLiteral("4,2501"));
        QCOMPARE(totals.whole().units[0].decimals, 4);
    }

    void unitsApartAndTextsCountedApart()
    {
        JournalGrid grid;
        weighing(grid);
        JournalTotals totals(grid);
        add(grid, QStringLiteral("1.5"), QStringLiteral("kg"));
        add(grid, QStringLiteral("250"), QStringLiteral("g "));
        add(grid, QStringLiteral("----"), QStringLiteral("kg"));
        add(grid, QStringLiteral("2.5"), QStringLiteral(" kg"));
        const JournalTotals::Summary s = totals.whole();
        QCOMPARE(s.rows, 4);
        QCOMPARE(s.notNumbers, 1);
        QCOMPARE(s.units.size(), 2);
        QCOMPARE(s.units[0].unit, QStringLiteral("kg"));
        QCOMPARE(s.units[0].sum, QStringLiteral("4,0"));
        QCOMPARE(s.units[1].unit, QStringLiteral("g"));
        QCOMPARE(s.units[1].sum, QStringLiteral("250"));
        QVERIFY(text(totals).contains(QStringLiteral("kg: 2 строки, сумма 4,0 kg")));
        QVERIFY(text(totals).contains(QStringLiteral("g: 1 строка, сумма 250 g")));
        QVERIFY(text(totals).endsWith(QStringLiteral("вес не число: 1 строка")));
    }

    void deletionsSubtractAndFindExtremesAgain()
    {
        JournalGrid grid;
        weighing(grid);
        JournalTotals totals(grid);
        for (const char *w : {"5", "1", "9", "3"})
            add(grid, QLatin1String(w));
        QCOMPARE(totals.whole().units[0].max, 9.0);
        grid.RemoveItems(2, 2); // 1 and 9
        const JournalTotals::Unit u = totals.whole().units[0];
        QCOMPARE(u.rows, 2);
        QCOMPARE(u.sum, QStringLiteral("8"));
        QCOMPARE(u.min, 3.0);
        QCOMPARE(u.max, 5.0);
        QCOMPARE(u.stdDev, std::sqrt(2.0));
        grid.RemoveItems(1, 1);
        QCOMPARE(totals.whole().units[0].stdDev, 0.0);
        QCOMPARE(totals.whole().units[0].mean, 3.0);
    }

    // Mantissas beyond 32 bits are kept apart from the rows' entries: sums
    // stay exact through edits and deletions, and freed places are reused.
    void wideMantissasStayExact()
    {
        JournalGrid grid;
        JournalLayout::apply(JournalLayout::counting(), grid);
        JournalTotals totals(grid);
        grid.AddItem(QStringLiteral("1\t1\t12345678901.5\tkg\tS\t5000000000\t0.125\tt\t"));
        grid.AddItem(QStringLiteral("2\t2\t-2147483649\tkg\tS\t2147483647\t0.125\tt\t"));
        grid.AddItem(QStringLiteral("3\t3\t0.5\tkg\tS\t1\t0.125\tt\t"));
        JournalTotals::Unit u = totals.whole().units[0];
        QCOMPARE(u.sum, QStringLiteral("10198195253,0"));
        QCOMPARE(u.quantitySum, QStringLiteral("7147483648"));
        QCOMPARE(u.min, -2147483649.0);
        QCOMPARE(u.max, 12345678901.5);
        grid.setTextMatrix(1, 2, QStringLiteral("99999999999.25"));
        grid.setTextMatrix(1, 5, QStringLiteral("7"));
        u = totals.whole().units[0];
        QCOMPARE(u.sum, QStringLiteral("97852516350,75"));
        QCOMPARE(u.quantitySum, QStringLiteral("2147483655"));
        grid.RemoveItems(2, 1);
        grid.AddItem(QStringLiteral("3\t3\t-4000000000\tkg\tS\t3000000000\t0.125\tt\t"));
        u = totals.whole().units[0];
        QCOMPARE(u.sum, QStringLiteral("95999999999,75"));
        QCOMPARE(u.quantitySum, QStringLiteral("3000000008"));
        QCOMPARE(u.min, -4000000000.0);
        QCOMPARE(totals.range(0, 0).units[0].sum, QStringLiteral("99999999999,25"));
    }

    void deletingEveryRowLeavesNoRow()
    {
        JournalGrid grid;
        weighing(grid);
        JournalTotals totals(grid);
        add(grid, QStringLiteral("1"));
        add(grid, QStringLiteral("2"));
        // What deleting every row leaves: one row with empty cells.
        grid.RemoveItems(1, 1);
        for (int c = 0; c < grid.Cols(); ++c)
            grid.setTextMatrix(1, c, QString());
        QCOMPARE(text(totals), QStringLiteral("Итого: 0 строк"));
    }

    void selectionRange()
    {
        JournalGrid grid;
        weighing(grid);
        JournalTotals totals(grid);
        for (const char *w : {"1.1", "2.2", "3.3", "x"})
            add(grid, QLatin1String(w));
        const JournalTotals::Summary s = totals.range(1, 3);
        QCOMPARE(s.rows, 3);
        QCOMPARE(s.notNumbers, 1);
        QCOMPARE(s.units[0].sum, QStringLiteral("5,5"));
        QCOMPARE(s.units[0].min, 2.2);
        QVERIFY(TotalsText::line(s, true).startsWith(QStringLiteral("Итого: выделено 3 строки, сумма 5,5 kg")));
    }

    void countingSumsQuantities()
    {
        JournalGrid grid;
        JournalLayout::apply(JournalLayout::counting(), grid);
        JournalTotals totals(grid);
        grid.AddItem(QStringLiteral("1\t1\t1.250\tkg\tS\t10\t0.125\tt\t"));
        grid.AddItem(QStringLiteral("2\t2\t2.500\tkg\tS\t20\t0.125\tt\t"));
        grid.AddItem(QStringLiteral("3\t3\t0.100\tkg\tS\t--\t0.125\tt\t"));
        const JournalTotals::Unit u = totals.whole().units[0];
        QVERIFY(u.counting);
        QCOMPARE(u.quantitySum, QStringLiteral("30"));
        QVERIFY(text(totals).endsWith(QStringLiteral(", количество 30")));
    }

    void followsLoadsAndRebuilds()
    {
        JournalGrid grid;
        weighing(grid);
        JournalTotals totals(grid);
        QSignalSpy changed(&totals, &JournalTotals::changed);
        grid.addItems({QStringLiteral("1\t1\t2\tkg\tS\tt\t"), QStringLiteral("2\t2\t3\tkg\tS\tt\t")});
        QCOMPARE(totals.whole().units[0].sum, QStringLiteral("5"));
        QVERIFY(!changed.isEmpty());
        JournalLayout::apply(JournalLayout::counting(), grid);
        QCOMPARE(totals.whole().rows, 0);
        grid.AddItem(QStringLiteral("1\t1\t7\tkg\tS\t3\t1\tt\t"));
        QCOMPARE(totals.whole().units[0].sum, QStringLiteral("7"));
        QCOMPARE(totals.whole().units[0].quantitySum, QStringLiteral("3"));
        // A note edited changes nothing; a weight cell changed is read again.
        changed.clear();
        grid.setTextMatrix(1, 8, QStringLiteral("примечание"));
        QVERIFY(changed.isEmpty());
        grid.setTextMatrix(1, 2, QStringLiteral("8.5"));
        QCOMPARE(totals.whole().units[0].sum, QStringLiteral("8,5"));
    }

    void wordForms_data()
    {
        QTest::addColumn<qint64>("n");
        QTest::addColumn<QString>("text");
        QTest::newRow("1") << qint64(1) << "1 строка";
        QTest::newRow("3") << qint64(3) << "3 строки";
        QTest::newRow("5") << qint64(5) << "5 строк";
        QTest::newRow("11") << qint64(11) << "11 строк";
        QTest::newRow("12") << qint64(12) << "12 строк";
        QTest::newRow("21") << qint64(21) << "21 строка";
        QTest::newRow("104") << qint64(104) << "104 строки";
    }
    void wordForms()
    {
        QFETCH(qint64, n);
        QFETCH(QString, text);
        QCOMPARE(TotalsText::rows(n), text);
    }
};

QTEST_GUILESS_MAIN(TestJournalTotals)
#include "tst_journaltotals.moc"
