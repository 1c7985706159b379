#include "WeightScript.h"

#include <QRegularExpression>

bool WeightScript::parse(const QString &steps, const QString &unit, const FrameLayout &layout)
{
    m_steps.clear();
    static const QRegularExpression comment(QStringLiteral("#[^\n]*"));
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    QString text = steps;
    text.remove(comment);
    const QStringList list = text.split(separators, Qt::SkipEmptyParts);
    if (list.isEmpty()) {
        m_error = QStringLiteral("no weights given");
        return false;
    }
    for (const QString &step : list) {
        if (!parseStep(step, unit, layout))
            return false;
    }
    return true;
}

bool WeightScript::parseStep(const QString &step, const QString &unit, const FrameLayout &layout)
{
    static const QRegularExpression grammar(QStringLiteral(
        "^(?:(.):)?([^*/:]+)(?:\\*([0-9]+))?(?:/([^/]*)/([^/]*))?$"));
    const QRegularExpressionMatch m = grammar.match(step);
    const int repeat = m.captured(3).isEmpty() ? 1 : m.captured(3).toInt();
    if (!m.hasMatch() || repeat < 1) {
        m_error = QStringLiteral("step \"%1\": expected [STATUS:]WEIGHT[*REPEAT][/QUANTITY/UNITWEIGHT]")
                      .arg(step);
        return false;
    }

    FrameContent reading;
    if (m.hasCaptured(1))
        reading.status = m.captured(1).at(0);
    reading.weight = m.captured(2);
    reading.unit = unit;
    reading.quantity = m.hasCaptured(4) ? m.captured(4) : QStringLiteral("0");
    reading.unitWeight = m.hasCaptured(5) ? m.captured(5) : QStringLiteral("0");

    const QString problem = FrameBuilder::problem(layout, reading);
    if (!problem.isEmpty()) {
        m_error = QStringLiteral("step \"%1\": %2").arg(step, problem);
        return false;
    }
    m_steps.append({reading, repeat});
    return true;
}
