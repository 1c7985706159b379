#pragma once

#include <QLabel>
#include <QTimer>

#include <functional>

class LiveSettings;
class SerialLine;

// lblReception, beside the recorder's message pane: whether reception is on,
// the port, the scale type's name and the state of the link.
class ReceptionLabel : public QLabel
{
    Q_OBJECT

public:
    ReceptionLabel(const SerialLine &line, const LiveSettings &settings, std::function<QString()> scaleType,
                   QWidget *parent = nullptr);

    // The link's state as the line reports it ("связь есть", "связь потеряна,
    // ожидание"); empty when the line tells none.
    void setLinkState(const QString &state);

    void refresh();

private:
    const SerialLine &m_line;
    const LiveSettings &m_settings;
    std::function<QString()> m_scaleType;
    QString m_linkState;
    QTimer m_poll; // the port opens and closes without telling
};
