#include "link/StatusLine.h"

void StatusLine::lineNews(const QString &text)
{
    m_news.start();
    m_show(text);
}

void StatusLine::afterReading(const QString &text)
{
    if (held(m_news) || (!text.isEmpty() && held(m_remark)))
        return;
    if (!text.isEmpty())
        m_remark.start();
    m_show(text);
}
