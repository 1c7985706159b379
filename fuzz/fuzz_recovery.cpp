// The recovery file reader on any bytes: it never crashes or hangs, what it
// gives is made of changes the program could have written, a file cut after
// its last whole change reads the same, and the journal it gives loads into
// the journal and is written back as a file that reads the same again.
#include "FuzzSupport.h"

#include "journal/JournalGrid.h"
#include "journal/JournalLayout.h"
#include "recovery/RecoveryFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<RecoveredJournal> back = readRecovery(bytes);
    if (!back)
        return 0;
    require(back->validLength > 0 && back->validLength <= bytes.size(), "the whole changes lie in the file");
    require(back->scaleType >= 0 && back->scaleType <= 5, "a scale type the program knows");
    const std::optional<RecoveredJournal> cut = readRecovery(bytes.left(back->validLength));
    require(cut && cut->storedRows == back->storedRows && cut->fileName == back->fileName && cut->label == back->label,
            "the damage after the last whole change changes nothing");

    JournalGrid grid;
    JournalLayout::apply(JournalLayout::forType(back->scaleType, {}), grid);
    grid.addItems(back->gridRows());
    require(grid.Rows() == back->rowCount() + 1, "every row is a journal row");

    QByteArray again = RecoveryFormat::header();
    RecoveryFormat::appendRecord(again, RecoveryFormat::session(back->scaleType, grid.Cols() - 1, back->fileName,
                                                                back->label));
    for (int r = 1; r < grid.Rows(); ++r)
        RecoveryFormat::appendRecord(again, RecoveryFormat::row(grid.dataText(r)));
    RecoveryFormat::appendRecord(again, RecoveryFormat::whole(grid.Rows() - 1));
    const std::optional<RecoveredJournal> reread = readRecovery(again);
    require(reread && reread->rowCount() == back->rowCount() && reread->validLength == again.size(),
            "the journal written anew reads back whole");
    const QStringList rereadRows = reread->rows();
    for (int r = 1; r < grid.Rows(); ++r)
        require(rereadRows[r - 1] == grid.dataText(r), "row by row");
    return 0;
}
