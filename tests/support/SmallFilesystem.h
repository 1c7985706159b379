#pragma once

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <unistd.h>

// A small filesystem of its own (tmpfs) in a folder, so that a test can meet
// a full disk or a read-only mount even as root. Mounting needs root, or sudo
// without a password (a developer's or CI's unprivileged account): where both
// are refused, mount() is false and the test skips. Unmounted when it goes.
class SmallFilesystem
{
public:
    explicit SmallFilesystem(QString folder) : m_folder(std::move(folder)) {}
    ~SmallFilesystem()
    {
        if (m_mounted)
            asRoot(QStringLiteral("umount"), {m_folder});
    }
    SmallFilesystem(const SmallFilesystem &) = delete;
    SmallFilesystem &operator=(const SmallFilesystem &) = delete;

    // options as for mount -o, e.g. "size=64k".
    bool mount(const QString &options)
    {
        QDir().mkpath(m_folder);
        m_mounted = asRoot(QStringLiteral("mount"),
                        {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), options,
                         QStringLiteral("tmpfs"), m_folder})
            == 0;
        return m_mounted;
    }
    bool remountReadOnly()
    {
        return asRoot(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro"), m_folder}) == 0;
    }

    QString path() const { return m_folder; }
    QString filePath(const QString &name) const { return QDir(m_folder).filePath(name); }

    // The exit code of a program run to its end; -1 when it did not end normally.
    static int run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(program, arguments);
        return process.waitForFinished() && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

private:
    static int asRoot(const QString &program, const QStringList &arguments)
    {
        if (::geteuid() == 0)
            return run(program, arguments);
        return run(QStringLiteral("sudo"), QStringList{QStringLiteral("-n"), program} + arguments);
    }

    QString m_folder;
    bool m_mounted = false;
};
