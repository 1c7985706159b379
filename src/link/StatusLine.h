#pragma once

#include <QElapsedTimer>
#include <QString>

#include <functional>

// The status bar's text as the link sets it. News of the line (lost, back)
// stays at least HoldMs: the readings that follow neither clear it nor put
// their own remark over it. A reading's remark comes at most once a HoldMs,
// so that a stream of readings does not flicker it.
class StatusLine
{
public:
    static constexpr int HoldMs = 5000;

    explicit StatusLine(std::function<void(const QString &)> show) : m_show(std::move(show)) {}

    void lineNews(const QString &text);
    // After a reading: an empty text clears the bar, any other is a remark.
    void afterReading(const QString &text);

    void setHoldMs(int ms) { m_holdMs = ms; }

private:
    bool held(const QElapsedTimer &since) const { return since.isValid() && since.elapsed() < m_holdMs; }

    std::function<void(const QString &)> m_show;
    QElapsedTimer m_news;
    QElapsedTimer m_remark;
    int m_holdMs = HoldMs;
};
