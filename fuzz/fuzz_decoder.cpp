// The frame decoder with the recorder on any settings and any chunks, straight
// in or through the serial line's receive path, with the journal edited and
// re-laid between chunks: no crash, no hang, and the journal stays well
// formed. Input: three length-prefixed settings texts (scale type, dead zone,
// port), one byte of check states, then steps of one control byte and a
// length-prefixed chunk.
#include "FuzzSupport.h"

#include "link/FrameLayout.h"
#include "common/Numbers.h"
#include "support/LinkRig.h"

namespace {

void checkJournal(const LinkRig &rig)
{
    const JournalGrid &j = rig.journal;
    require(j.Rows() >= 1, "the header row is there");
    for (int r = 1; r < j.Rows(); ++r) {
        for (int c = 0; c < j.Cols(); ++c) {
            const QString cell = j.TextMatrix(r, c);
            require(!cell.contains(QLatin1Char('\t')) && !cell.contains(QLatin1Char('\r'))
                        && !cell.contains(QLatin1Char('\n')),
                    "a cell is one field of one line");
        }
    }
}

// A row the recorder has just appended: numbered by its place, a weight that
// is a number.
void checkNewRow(const LinkRig &rig)
{
    const JournalGrid &j = rig.journal;
    const int last = j.Rows() - 1;
    require(j.TextMatrix(last, 0) == QString::number(last), "column 0 is the row's index");
    require(j.Row() == last && j.Col() == 1, "the new row is current");
    const QString weight = j.TextMatrix(last, 2).replace(QLatin1Char('.'), QLatin1Char(','));
    require(Numbers::parseDecimalComma(weight).has_value(), "a recorded weight is a number");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureApplication();
    FuzzInput in(data, size);
    const QString type = QString::fromLatin1(in.piece());
    const QString luft = QString::fromLatin1(in.piece());
    const QString port = QString::fromLatin1(in.piece());
    const uchar checks = in.byte();

    LinkRig rig(0);
    rig.settings.scaleType = type;
    rig.settings.luft = luft;
    rig.settings.port = port;
    rig.settings.bellState = checks % 3;
    rig.settings.writeZeroState = checks / 3 % 3;
    rig.settings.unstableState = checks / 9 % 3;
    rig.link.PreparePort(1); // as StartReading opens it, without its pause

    while (!in.atEnd()) {
        const uchar control = in.byte();
        const QByteArray chunk = in.piece();
        const int before = rig.journal.Rows();
        switch (control % 8) {
        case 0: // a chunk as the line hands it over, bytes that wait included
            rig.line.setPortOpen(true);
            rig.line.feed(chunk);
            QCoreApplication::processEvents();
            break;
        case 1: // the settings dialog rebuilds the journal for another type
            rig.setScaleType(control / 8 % ScaleTypes::Count);
            rig.settings.scaleType = type;
            break;
        case 2: // the operator deletes a row or moves the current cell
            rig.journal.RemoveItem(control / 8 % rig.journal.Rows());
            break;
        case 3:
            rig.journal.setCurrentCell(control / 8 % rig.journal.Rows(), control / 64);
            break;
        default:
            rig.decode(chunk);
            require(rig.journal.Rows() <= before + 1, "one chunk makes one row at most");
            break;
        }
        if (rig.journal.Rows() > before && control % 8 != 1)
            checkNewRow(rig);
        for (const QByteArray &answer : rig.line.outputs())
            require(answer == QByteArray(1, FrameLayouts::ACK), "the line only ever hears ACK");
    }
    checkJournal(rig);
    return 0;
}
