#include "supervisor/ReaderThread.h"

#include <QThread>

ReaderThread::ReaderThread(const QString &conninfo, ReaderTimeouts timeouts)
    : m_thread(new QThread), m_reader(new CentralReader(conninfo, timeouts))
{
    m_reader->moveToThread(m_thread);
    QObject::connect(m_thread, &QThread::finished, m_reader, &QObject::deleteLater);
    m_thread->start();
    QMetaObject::invokeMethod(m_reader, &CentralReader::start, Qt::QueuedConnection);
}

ReaderThread::~ReaderThread()
{
    m_thread->quit();
    if (m_thread->wait(200)) {
        delete m_thread;
        return;
    }
    // Still waiting on the server: it ends within its timeout and then
    // deletes the reader; the thread object goes with the program.
    QObject::connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
}
