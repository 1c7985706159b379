#pragma once

#include <QObject>

class JournalGrid;
class NoteEditor;
class UserMessages;

// Deletion of the selected block of journal rows, after the operator's
// confirmation, and the renumbering of the position column.
class RowOperations : public QObject
{
    Q_OBJECT

public:
    RowOperations(JournalGrid &grid, UserMessages &messages, NoteEditor &notes, QObject *parent = nullptr);

    // Removes the rows of the operator's selected block (either way round).
    // When they are all the journal rows, one empty row stays in their place.
    void DeleteSelectedRows();
    // Position column := row index; the running numbers keep their gaps.
    void RenumberRows();

signals:
    void rowsDeleted();

private:
    JournalGrid &m_grid;
    UserMessages &m_messages;
    NoteEditor &m_notes;
};
