#include "engine/JournalUndo.h"

#include <cerrno>
#include <cstring>

#include "platform/Codepage.h"

namespace morvanex::engine {

JournalUndoPlan PlanJournalUndo(UndoJournal& journal, platform::FileSystem& fileSystem) {
    JournalUndoPlan plan;
    std::vector<UndoJournal::Entry> entries;
    std::uint32_t flags = 0;
    plan.found = journal.Load(entries, flags);
    plan.copying = (flags & UndoJournal::kCopyRun) != 0;
    plan.restoreAttributes = (flags & UndoJournal::kChangedAttributes) != 0;
    plan.restoreTimes = (flags & UndoJournal::kChangedTimes) != 0;
    plan.moves.reserve(entries.size());
    for (std::size_t i = entries.size(); i-- > 0;) {
        UndoJournal::Entry& e = entries[i];
        if (e.state == UndoJournal::State::Undone) continue;
        if (e.state == UndoJournal::State::Intended &&
            (!fileSystem.Exists(e.newPath) || fileSystem.Exists(e.oldPath))) {
            continue;
        }
        plan.moves.push_back({i, std::move(e.newPath), std::move(e.oldPath), e.before});
    }
    return plan;
}

int ExecuteJournalUndo(UndoJournal& journal, platform::FileSystem& fileSystem,
                       const JournalUndoPlan& plan, std::vector<std::string>& problems) {
    int restored = 0;
    for (const auto& move : plan.moves) {
        if (const int error = fileSystem.Move(move.from, move.to)) {
            // The move never replaces: a taken old name or a vanished new one is left as it is.
            const char* why = error == EEXIST   ? " : 元の名前のファイルがすでに存在します。"
                              : error == ENOENT ? " : 変更後のファイルが見つかりません。"
                                                : nullptr;
            problems.push_back(why != nullptr
                                   ? (error == EEXIST ? move.to : move.from) + platform::Sjis(why)
                                   : move.from + " : " + platform::Cp932FromUtf8(std::strerror(error)));
            continue;
        }
        if (plan.restoreAttributes) fileSystem.SetAttributes(move.to, move.before.attributes);
        if (plan.restoreTimes && (move.before.attributes & platform::attr::kDirectory) == 0) {
            fileSystem.SetTimes(move.to, move.before.creation, move.before.modification,
                                move.before.access);
        }
        journal.MarkUndone(move.entry);
        ++restored;
    }
    journal.EndRun();
    return restored;
}

}  // namespace morvanex::engine
