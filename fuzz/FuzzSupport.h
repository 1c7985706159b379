#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Splits a fuzzer's input into pieces: each piece is preceded by its length
// byte; what is left after the last length is the rest.
class FuzzInput
{
public:
    FuzzInput(const uint8_t *data, size_t size) : m_bytes(reinterpret_cast<const char *>(data), qsizetype(size)) {}

    QByteArray piece()
    {
        if (m_pos >= m_bytes.size())
            return {};
        const qsizetype length = uchar(m_bytes[m_pos++]);
        const QByteArray p = m_bytes.mid(m_pos, length);
        m_pos += p.size();
        return p;
    }

    QByteArray rest() const { return m_bytes.mid(m_pos); }

    // The next byte, 0 past the end.
    uchar byte() { return m_pos < m_bytes.size() ? uchar(m_bytes[m_pos++]) : 0; }
    bool atEnd() const { return m_pos >= m_bytes.size(); }

private:
    QByteArray m_bytes;
    qsizetype m_pos = 0;
};

// A scratch file of this process, rewritten for every input.
inline QString scratchFile(const QString &name, const QByteArray &content)
{
    static const QString dir = [] {
        const QString d = QDir::temp().filePath(QStringLiteral("tarovik_fuzz_%1").arg(QCoreApplication::applicationPid()));
        QDir().mkpath(d);
        return d;
    }();
    const QString path = QDir(dir).filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(content);
    return path;
}

// The application object that timers and queued calls need, made once.
inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

// A broken property is a crash for the fuzzer, with the reason on stderr.
inline void require(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}
