#include "link/QtSerialLine.h"
#include "pty/PseudoTerminal.h"
#include "settings/frmSettings.h"
#include "support/FakeUserMessages.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The settings dialog's port scan over the real serial line: ports are the
// program folder's ports/COMn links to pseudo-terminals.
class TestPortScan : public QObject
{
    Q_OBJECT

private slots:
    void listsLinkedPorts()
    {
        QTemporaryDir folder;
        PseudoTerminal com2, com3, com7;
        QVERIFY(com2.linkAs(folder.path(), 2));
        QVERIFY(com3.linkAs(folder.path(), 3));
        QVERIFY(com7.linkAs(folder.path(), 7));
        // COM5 leads to a device that is not there.
        QVERIFY(QFile::link(QStringLiteral("/dev/no-such-tty"), QDir(folder.path()).filePath("ports/COM5")));

        // Another holder of COM3 (a QSerialPort lock) makes it unavailable, not absent.
        QtSerialLine holder(folder.path());
        QCOMPARE(holder.setCommPort(3), 0);
        QCOMPARE(holder.setPortOpen(true), 0);

        QFile ini(QDir(folder.path()).filePath("Init.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[LastSettings]\r\nCommNom=7\r\n");
        ini.close();

        QtSerialLine line(folder.path());
        FakeUserMessages messages;
        frmSettings dialog(ini.fileName(), line, messages, {}, QIcon());
        auto *box = dialog.findChild<QComboBox *>(QStringLiteral("lstCommNom"));
        QStringList listed;
        for (int i = 0; i < box->count(); ++i)
            listed << box->itemText(i);
        // Real serial ports of the machine may be listed too; ours must be
        // there, in ascending order, and the dangling link must not.
        QVERIFY2(listed.contains("2") && listed.contains("3") && listed.contains("7"), qPrintable(listed.join(',')));
        QVERIFY(!listed.contains("5"));
        QVERIFY(listed.indexOf("2") < listed.indexOf("3") && listed.indexOf("3") < listed.indexOf("7"));
        QCOMPARE(dialog.liveSettings().portText(), QStringLiteral("7"));
        QVERIFY(!line.portOpen());
        QVERIFY(messages.messages().isEmpty());
    }
};

QTEST_MAIN(TestPortScan)
#include "tst_portscan.moc"
