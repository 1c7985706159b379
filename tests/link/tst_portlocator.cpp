#include "link/PortLocator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TstPortLocator : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void linkPathNamesComN();
#ifndef Q_OS_WIN
    void withoutLinkFallsBackToTtyS();
    void linkResolvesToItsDevice_data();
    void linkResolvesToItsDevice();
    void linkToMissingTargetMeansNoPort();
    void fileInPlaceOfLinkIsTheDevice();
#endif
    void numbersBelowOneNameNoPort();
    void legacyUartNodes_data();
    void legacyUartNodes();

private:
    QString ports() const { return m_dir->filePath(QStringLiteral("ports")); }
    QString makeDevice(const QString &name);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TstPortLocator::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkpath(ports()));
}

QString TstPortLocator::makeDevice(const QString &name)
{
    const QString path = m_dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    return QFileInfo(path).canonicalFilePath();
}

void TstPortLocator::linkPathNamesComN()
{
    const PortLocator locator(m_dir->path());
    QCOMPARE(locator.linkPath(3), QDir(m_dir->path()).filePath(QStringLiteral("ports/COM3")));
}

#ifndef Q_OS_WIN
void TstPortLocator::withoutLinkFallsBackToTtyS()
{
    const PortLocator locator(m_dir->path());
    QCOMPARE(locator.devicePath(1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(locator.devicePath(16), QStringLiteral("/dev/ttyS15"));
    // A folder without ports/ at all behaves the same.
    QCOMPARE(PortLocator(m_dir->filePath(QStringLiteral("nowhere"))).devicePath(2),
             QStringLiteral("/dev/ttyS1"));
}

void TstPortLocator::linkResolvesToItsDevice_data()
{
    QTest::addColumn<QString>("target"); // as written into the link
    QTest::addColumn<bool>("viaSecondLink");
    QTest::newRow("absolute") << QStringLiteral("ABS") << false;
    QTest::newRow("relative to ports/") << QStringLiteral("../ttyFAKE") << false;
    QTest::newRow("chain of links") << QStringLiteral("ABS") << true;
}

void TstPortLocator::linkResolvesToItsDevice()
{
    QFETCH(QString, target);
    QFETCH(bool, viaSecondLink);
    const QString device = makeDevice(QStringLiteral("ttyFAKE"));
    QVERIFY(!device.isEmpty());
    QString linkTarget = target == QLatin1String("ABS") ? device : target;
    if (viaSecondLink) {
        const QString byId = m_dir->filePath(QStringLiteral("by-id"));
        QVERIFY(QFile::link(device, byId));
        linkTarget = byId;
    }
    QVERIFY(QFile::link(linkTarget, ports() + QStringLiteral("/COM3")));

    const PortLocator locator(m_dir->path());
    QCOMPARE(locator.devicePath(3), device);
    QCOMPARE(locator.devicePath(4), QStringLiteral("/dev/ttyS3")); // other numbers unaffected
}

void TstPortLocator::linkToMissingTargetMeansNoPort()
{
    QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("unplugged")), ports() + QStringLiteral("/COM2")));
    QCOMPARE(PortLocator(m_dir->path()).devicePath(2), QString());
}

void TstPortLocator::fileInPlaceOfLinkIsTheDevice()
{
    const QString device = makeDevice(QStringLiteral("ports/COM5"));
    QVERIFY(!device.isEmpty());
    QCOMPARE(PortLocator(m_dir->path()).devicePath(5), device);
}
#endif

void TstPortLocator::numbersBelowOneNameNoPort()
{
    const PortLocator locator(m_dir->path());
    QCOMPARE(locator.devicePath(0), QString());
    QCOMPARE(locator.devicePath(-1), QString());
}

void TstPortLocator::legacyUartNodes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("legacy");
    QTest::newRow("ttyS0") << QStringLiteral("/dev/ttyS0") << true;
    QTest::newRow("ttyS31") << QStringLiteral("/dev/ttyS31") << true;
    QTest::newRow("no number") << QStringLiteral("/dev/ttyS") << false;
    QTest::newRow("suffix") << QStringLiteral("/dev/ttyS0x") << false;
    QTest::newRow("USB adapter") << QStringLiteral("/dev/ttyUSB0") << false;
    QTest::newRow("pseudo-terminal") << QStringLiteral("/dev/pts/3") << false;
    QTest::newRow("elsewhere") << QStringLiteral("/tmp/dev/ttyS0") << false;
}

void TstPortLocator::legacyUartNodes()
{
    QFETCH(QString, path);
    QFETCH(bool, legacy);
    QCOMPARE(PortLocator::isLegacyUartNode(path), legacy);
}

QTEST_GUILESS_MAIN(TstPortLocator)
#include "tst_portlocator.moc"
