#include "engine/JournalUndo.h"

#include <cstring>
#include <unordered_set>

#include "platform/Codepage.h"

namespace morvanex::engine {

JournalUndoPlan PlanJournalUndo(UndoJournal& journal, platform::FileSystem& fileSystem) {
    JournalUndoPlan plan;
    std::vector<UndoJournal::Entry> entries;
    plan.found = journal.Load(entries, plan.copying);
    // Paths emptied and filled by the moves planned so far: the later checks see the state
    // the earlier moves of the undo leave behind.
    std::unordered_set<std::string> vacated;
    std::unordered_set<std::string> filled;
    const auto exists = [&](const std::string& path) {
        return filled.contains(path) || (!vacated.contains(path) && fileSystem.Exists(path));
    };
    for (std::size_t i = entries.size(); i-- > 0;) {
        const UndoJournal::Entry& e = entries[i];
        if (e.state == UndoJournal::State::Undone) continue;
        const bool newThere = exists(e.newPath);
        const bool oldThere = exists(e.oldPath);
        if (e.state == UndoJournal::State::Intended && (!newThere || oldThere)) continue;
        if (!newThere) {
            plan.skipped.push_back(e.newPath + platform::Sjis(" : 変更後のファイルが見つかりません。"));
            continue;
        }
        if (oldThere) {
            plan.skipped.push_back(e.oldPath + platform::Sjis(" : 元の名前のファイルがすでに存在します。"));
            continue;
        }
        plan.moves.push_back({i, e.newPath, e.oldPath, e.before});
        vacated.insert(e.newPath);
        filled.erase(e.newPath);
        filled.insert(e.oldPath);
        vacated.erase(e.oldPath);
    }
    return plan;
}

int ExecuteJournalUndo(UndoJournal& journal, platform::FileSystem& fileSystem,
                       const JournalUndoPlan& plan, std::vector<std::string>& problems) {
    int restored = 0;
    for (const auto& move : plan.moves) {
        if (const int error = fileSystem.Move(move.from, move.to)) {
            problems.push_back(move.from + " : " + platform::Cp932FromUtf8(std::strerror(error)));
            continue;
        }
        fileSystem.SetAttributes(move.to, move.before.attributes);
        if ((move.before.attributes & platform::attr::kDirectory) == 0) {
            fileSystem.SetTimes(move.to, move.before.creation, move.before.modification, move.before.access);
        }
        journal.MarkUndone(move.entry);
        ++restored;
    }
    journal.EndRun();
    return restored;
}

}  // namespace morvanex::engine
