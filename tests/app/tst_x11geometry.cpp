#include "app/frm1.h"
#include "settings/IniTxt.h"
#include "support/TestWindow.h"
#include "support/XServer.h"

#include <QApplication>
#include <QTest>

// Starts and closes the program again and again under a real window manager
// (openbox on a real X server): the window comes back where and as large as
// it was, frame included, and the stored geometry does not creep.
class TestX11Geometry : public QObject
{
    Q_OBJECT

    QStringList stored(const TestWindow &env)
    {
        QStringList values;
        for (const char *key : {"frmTop", "frmLeft", "frmHeight", "frmWidth"})
            values << ReadIniValue(env.ini(), QStringLiteral("UserSettings"), QLatin1String(key), QString());
        return values;
    }

private slots:
    void fiveStartsStoreTheSameGeometry_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::newRow("first start") << QByteArray();
        QTest::newRow("stored geometry")
            << QByteArray("[UserSettings]\r\nfrmTop=1500\r\nfrmLeft=2250\r\nfrmHeight=8100\r\nfrmWidth=9000\r\n");
    }

    void fiveStartsStoreTheSameGeometry()
    {
        QFETCH(QByteArray, ini);
        TestWindow env;
        if (!ini.isEmpty())
            WriteIniValue(env.ini(), QStringLiteral("UserSettings"), QStringLiteral("frmTop"), QStringLiteral("1500")),
                WriteIniValue(env.ini(), QStringLiteral("UserSettings"), QStringLiteral("frmLeft"), QStringLiteral("2250")),
                WriteIniValue(env.ini(), QStringLiteral("UserSettings"), QStringLiteral("frmHeight"), QStringLiteral("8100")),
                WriteIniValue(env.ini(), QStringLiteral("UserSettings"), QStringLiteral("frmWidth"), QStringLiteral("9000"));
        QStringList first;
        for (int start = 1; start <= 5; ++start) {
            env.start();
            // The window manager has framed and placed the window.
            QTRY_VERIFY(env.window->frameGeometry() != env.window->geometry());
            QTest::qWait(300);
            env.window->close();
            const QStringList values = stored(env);
            if (start == 1) {
                first = values;
                if (!ini.isEmpty())
                    QCOMPARE(values, (QStringList{"1500", "2250", "8100", "9000"}));
            } else {
                QCOMPARE(values, first);
            }
        }
    }
};

TAROVIK_X11_TEST_MAIN(TestX11Geometry, true)
#include "tst_x11geometry.moc"
