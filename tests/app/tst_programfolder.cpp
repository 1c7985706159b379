#include "app/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Init.ini beside the executable when that folder can be written, else in the
// user's configuration folder.
class TestProgramFolder : public QObject
{
    Q_OBJECT

private slots:
    void writableFolderIsKept()
    {
        QTemporaryDir exe, config;
        QCOMPARE(ProgramFolder::choose(exe.path(), config.filePath("cfg")), exe.path());
        QVERIFY(!QDir(config.filePath("cfg")).exists());
        QCOMPARE(QDir(exe.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }

    void unwritableFolderGivesConfigFolder()
    {
        QTemporaryDir dir;
        // Not a folder at all: nothing can be created in it, not even by root.
        const QString file = dir.filePath("not-a-folder");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        const QString config = dir.filePath("config/Tarovik_RS232");
        QVERIFY(!ProgramFolder::writable(file));
        QCOMPARE(ProgramFolder::choose(file, config), config);
        QVERIFY(QDir(config).exists());
    }
};

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "tst_programfolder.moc"
