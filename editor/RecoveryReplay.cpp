// The replay of a recovery journal onto freshly loaded tables (declared in RecoveryJournal.h).
#include "editor/RecoveryJournal.h"

#include "editor/TesselDoc.h"

#include <QUndoStack>

ReplayOutcome ReplayJournal(CTesselDoc* document, const std::vector<JournalEntry>& entries,
                            const std::set<std::u16string>& skipTables,
                            const std::function<void(const JournalEntry&)>& beforeStep)
{
    struct Slot
    {
        const CommandRecord* record;
        bool applied;
    };
    std::vector<Slot> steps;
    std::size_t index = 0;
    ReplayOutcome outcome;
    QUndoStack* stack = document->UndoStack();
    for (std::size_t e = 0; e < entries.size(); ++e)
    {
        const JournalEntry& entry = entries[e];
        const auto stop = [&](const QString& why)
        {
            outcome.stoppedAt = static_cast<int>(e);
            outcome.stopReason = why;
        };
        if (entry.kind == JournalEntry::Gap)
        {
            stop(entry.reason);
            break;
        }
        if (entry.kind == JournalEntry::Back)
        {
            if (index == 0)
            {
                stop(QStringLiteral("撤消没有对应的更改"));
                break;
            }
            --index;
            if (steps[index].applied)
            {
                if (!stack->canUndo())
                {
                    stop(QStringLiteral("撤消没有对应的更改"));
                    break;
                }
                document->Undo();
                ++outcome.applied;
            }
            else
                ++outcome.skipped;
            continue;
        }
        bool skip = false;
        for (const std::u16string& table : entry.tables)
            skip = skip || skipTables.count(table) != 0;
        if (index < steps.size() && *steps[index].record == entry.record)
        {
            // A redo of the step undone before.
            if (steps[index].applied)
            {
                if (!stack->canRedo())
                {
                    stop(QStringLiteral("重做没有对应的更改"));
                    break;
                }
                if (beforeStep)
                    beforeStep(entry);
                document->Redo();
                ++outcome.applied;
            }
            else
                ++outcome.skipped;
            ++index;
            continue;
        }
        steps.resize(index);
        if (skip)
        {
            ++outcome.skipped;
        }
        else
        {
            if (beforeStep)
                beforeStep(entry);
            if (!document->PushRecord(entry.record))
            {
                stop(QStringLiteral("第 %1 项更改与表的内容不符").arg(e + 1));
                break;
            }
            ++outcome.applied;
        }
        steps.push_back({&entry.record, !skip});
        ++index;
    }
    return outcome;
}

ReplayOutcome RecoverJournal(CTesselDoc* document, RecoveryJournal* journal,
                             const std::vector<JournalEntry>& entries,
                             const std::set<std::u16string>& skipTables)
{
    // The views are rebuilt once at the end instead of following thousands of single changes;
    // the journal learns which tables each step touches from the entry instead of the signals.
    document->SetCurrentRow(nullptr);
    const bool blocked = document->blockSignals(true);
    const ReplayOutcome outcome = ReplayJournal(document, entries, skipTables,
                                                [journal](const JournalEntry& entry)
                                                {
                                                    if (journal != nullptr)
                                                        journal->NoteTouched(entry.tables);
                                                });
    document->blockSignals(blocked);
    if (outcome.applied > 0)
    {
        emit document->tablesReloaded();
        document->SetModifiedFlag(true);
        emit document->modifiedChanged(document->IsModified());
    }
    return outcome;
}
