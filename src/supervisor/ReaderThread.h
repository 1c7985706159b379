#pragma once

#include "supervisor/CentralReader.h"

class QThread;

// A CentralReader on a thread of its own, started. Ending it never waits
// on the network: the thread is asked to finish and given a moment; one
// still held by a silent server (at most the answer timeout) is left to end
// by itself and clean up after itself, never joined by the window thread.
class ReaderThread
{
public:
    explicit ReaderThread(const QString &conninfo, ReaderTimeouts timeouts = {});
    ~ReaderThread();
    ReaderThread(const ReaderThread &) = delete;
    ReaderThread &operator=(const ReaderThread &) = delete;

    CentralReader *reader() const { return m_reader; }

private:
    QThread *m_thread;
    CentralReader *m_reader;
};
