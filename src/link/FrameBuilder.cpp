#include "link/FrameBuilder.h"

#include "common/AnsiText.h"

#include <QList>

namespace {

enum class Align { Left, Right };

struct Placement {
    const char *name;
    FrameField field;
    QString text;
    Align align;
};

QList<Placement> placements(const FrameLayout &layout, const FrameContent &content)
{
    QList<Placement> list{
        {"status", layout.status, QString(content.status), Align::Left},
        {"weight", layout.weight, content.weight, Align::Right},
        {"unit", layout.unit, content.unit, Align::Left},
    };
    if (layout.counting) {
        list.append({"quantity", layout.quantity, content.quantity, Align::Right});
        list.append({"unit weight", layout.unitWeight, content.unitWeight, Align::Right});
    }
    return list;
}

bool encodable(const QString &text)
{
    return AnsiText::decode(AnsiText::encode(text)) == text;
}

} // namespace

namespace FrameBuilder {

QString problem(const FrameLayout &layout, const FrameContent &content)
{
    for (const Placement &p : placements(layout, content)) {
        if (!p.field.present())
            continue;
        if (p.text.size() > p.field.length)
            return QStringLiteral("%1 \"%2\" is longer than its %3 characters")
                .arg(QLatin1String(p.name), p.text).arg(p.field.length);
        if (!encodable(p.text))
            return QStringLiteral("%1 \"%2\" has characters the line cannot carry")
                .arg(QLatin1String(p.name), p.text);
    }
    return {};
}

std::optional<QByteArray> build(const FrameLayout &layout, const FrameContent &content,
                                bool withEnq)
{
    if (!problem(layout, content).isEmpty())
        return std::nullopt;

    QByteArray frame(layout.frameLength, ' ');
    frame[0] = FrameLayouts::SOH;
    frame[1] = FrameLayouts::STX;
    for (const Placement &p : placements(layout, content)) {
        if (!p.field.present())
            continue;
        const QString text = p.align == Align::Right ? p.text.rightJustified(p.field.length)
                                                     : p.text.leftJustified(p.field.length);
        frame.replace(p.field.position - 1, p.field.length, AnsiText::encode(text));
    }
    if (withEnq)
        frame[frame.size() - 1] = FrameLayouts::ENQ;
    return frame;
}

} // namespace FrameBuilder
