#include "engine/journal/Undo.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <unordered_set>
#include <utility>

#include "engine/plan/FolderTraits.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"

namespace morvanex::engine {

namespace {

using journal::Record;
using journal::State;

using journal::Left;

constexpr platform::Timestamp kTimeTolerance = platform::kCardTimeSteps;
// How many records an undo left the history lists for one run.
constexpr std::size_t kLeftShown = 20;

std::string Problem(const std::string& path, const char* utf8Reason) {
    return path + platform::Sjis(" : ") + platform::Sjis(utf8Reason);
}

std::string SystemProblem(const std::string& path, int error) {
    return path + " : " + platform::Cp932FromUtf8(std::strerror(error));
}

// True when `found` is the file the record changed. A record without an identity names no file.
// Where the file system keeps identity, the device and inode must match, and then the birth time
// where both record one (an inode number freed by a deleted file is soon given to a new one);
// without a birth time, also the size and the modification time the run left. Where it numbers
// files per mount only, the numbers say nothing: kind, size and modification time decide, within
// FAT's two seconds. `restored`: the file may also carry the time it had before the run (found
// under its old name, an earlier undo may have given its times back before it was stopped).
bool IsTheFile(const Record& record, const platform::FileStatus& found, bool identityKept,
               bool restored) {
    const platform::FileStatus& before = record.before;
    if (before.identity == platform::FileIdentity{}) return false;
    if (found.link != before.link ||
        ((found.attributes ^ before.attributes) & platform::attr::kDirectory) != 0) {
        return false;
    }
    const bool birthKnown = before.birth != 0 && found.birth != 0;
    if (birthKnown && found.birth != before.birth) return false;
    if (identityKept && found.identity != before.identity) return false;
    if (identityKept && birthKnown) return true;
    if (found.size != before.size) return false;
    const auto at = [&](platform::Timestamp seconds, std::uint32_t ns) {
        if (identityKept) return found.modification == seconds && found.modificationNs == ns;
        const platform::Timestamp difference = found.modification - seconds;
        return difference <= kTimeTolerance && difference >= -kTimeTolerance;
    };
    return at(record.afterModification, record.afterModificationNs) ||
           (restored && at(before.modification, before.modificationNs));
}

enum class Where { Nowhere, New, Via, Old };

// Whether the file system of a path's folder keeps inode numbers (the mount's answer).
bool KeepsIdentity(LastFolderTraits& traits, const std::string& path) {
    return traits.Of(platform::DirectoryOf(path)).keepsIdentity;
}

// Where the file of a record is, and its status as found there.
Where Locate(const Record& record, platform::FileSystem& fileSystem, LastFolderTraits& traits,
             platform::FileStatus& found) {
    const bool moved = (record.changes & journal::kMoved) != 0;
    const auto at = [&](const std::string& path, bool restored) {
        return !path.empty() && fileSystem.GetEntryStatus(path, found) == 0 &&
               IsTheFile(record, found, KeepsIdentity(traits, path), restored);
    };
    // A file found under the temporary name is parked there (under the new name there may be
    // another link of the same file). Then the new path: where the file system ignores case,
    // the old path finds the file under its new spelling too.
    if (moved && at(record.viaPath, false)) return Where::Via;
    if (moved && at(record.newPath, false)) return Where::New;
    if (at(record.oldPath, true)) return Where::Old;
    return Where::Nowhere;
}

// True when a path's part below its folder climbs out of it ("..").
bool ClimbsOut(std::string_view rest) {
    for (std::size_t from = 0; from <= rest.size();) {
        const std::size_t end = std::min(rest.find('/', from), rest.size());
        if (rest.substr(from, end - from) == "..") return true;
        from = end + 1;
    }
    return false;
}

// The folders a run recorded: a record is taken back only when its paths lie inside them, so a
// journal can never send a file anywhere the run did not work.
class RunFolders {
  public:
    explicit RunFolders(const journal::Run& run)
        : m_folders(run.folders.begin(), run.folders.end()) {}
    bool Hold(const Record& record) {
        return Holds(record.oldPath) && Holds(record.newPath) &&
               (record.viaPath.empty() || Holds(record.viaPath));
    }

  private:
    bool Holds(std::string_view path) {
        const auto inside = [&](std::string_view folder) {
            return path.size() > folder.size() && path.starts_with(folder) &&
                   !ClimbsOut(path.substr(folder.size()));
        };
        // Runs work folder by folder: the folder that held the last path mostly holds this one.
        if (!m_last.empty() && inside(m_last)) return true;
        for (std::size_t slash = path.rfind('/'); slash != std::string_view::npos;
             slash = slash == 0 ? std::string_view::npos : path.rfind('/', slash - 1)) {
            const std::string_view folder = path.substr(0, slash + 1);
            if (m_folders.contains(folder)) {
                if (!inside(folder)) return false;
                m_last = folder;
                return true;
            }
        }
        return false;
    }

    std::unordered_set<std::string_view> m_folders;
    std::string_view m_last;
};

// Gives the file at `path` (found as `found`) back what the run changed besides its name: both
// are tried, and what the system refused is said (Left::None when nothing was), with the first
// error.
std::pair<Left, int> RestoreStatus(const Record& record, const std::string& path,
                                   const platform::FileStatus& found,
                                   platform::FileSystem& fileSystem) {
    int attributes = 0;
    int times = 0;
    if ((record.changes & journal::kAttributes) != 0) {
        attributes = fileSystem.SetAttributes(path, record.before.attributes, &found);
    }
    // A folder's times are not given back: moving its contents back changes them again.
    if ((record.changes & journal::kTimes) != 0 &&
        (record.before.attributes & platform::attr::kDirectory) == 0) {
        times = fileSystem.RestoreTimes(path, record.before, &found);
    }
    if (attributes != 0)
        return {times != 0 ? Left::AttributesAndTimes : Left::Attributes, attributes};
    if (times != 0) return {Left::Times, times};
    return {Left::None, 0};
}

// A run stopped between taking a new name and moving its file there (where the file system
// can refuse a taken name only so) leaves that name as an empty file of its own. It is removed
// before the record is taken back: an empty file at the temporary name, or at the new name while
// the file itself is still at its old one (a move is never half made), made since the run began.
void RemoveReservations(const Record& record, platform::Timestamp started,
                        platform::FileSystem& fileSystem, LastFolderTraits& traits) {
    if (record.state != State::Intended || (record.changes & journal::kMoved) == 0) return;
    const auto reservation = [&](const std::string& path) {
        platform::FileStatus found;
        return !path.empty() && fileSystem.GetStatus(path, found) == 0 && !found.link &&
               (found.attributes & platform::attr::kDirectory) == 0 && found.size == 0 &&
               found.modification + kTimeTolerance >= started &&
               !(record.before.identity != platform::FileIdentity{} &&
                 found.identity == record.before.identity);
    };
    if (reservation(record.viaPath)) fileSystem.DeleteFile(record.viaPath);
    platform::FileStatus atOld;
    if (!platform::EqualNoCase(record.newPath, record.oldPath) && reservation(record.newPath) &&
        fileSystem.GetStatus(record.oldPath, atOld) == 0 &&
        IsTheFile(record, atOld, KeepsIdentity(traits, record.oldPath), false)) {
        fileSystem.DeleteFile(record.newPath);
    }
}

// A temporary name beside `path` for a change of letter case, when the record has none.
std::string TemporaryBeside(const std::string& path) {
    return platform::DirectoryOf(path) + ".morvanex-case-" + std::to_string(::getpid());
}

}  // namespace

bool DiffersOnlyInCase(std::string_view a, std::string_view b) {
    return a != b && platform::EqualNoCase(a, b);
}

int MoveKeepingCase(platform::FileSystem& fileSystem, const std::string& from,
                    const std::string& to, const std::string& via,
                    const platform::FileStatus* expected) {
    const int error = fileSystem.Move(from, to, expected);
    if (error != EEXIST || via.empty() || !DiffersOnlyInCase(from, to)) return error;
    // Where the file system ignores case, `to` is `from` itself and the move refuses it.
    if (const int parked = fileSystem.Move(from, via, expected)) return parked;
    // FAT through FUSE gives a renamed file the time of its rename: from the temporary name just
    // made, the file is checked by its identity where the file system keeps one, and else taken
    // as the move left it.
    const platform::FileStatus* parkedAs =
        expected != nullptr && fileSystem.TraitsOf(platform::DirectoryOf(via)).keepsIdentity
            ? expected
            : nullptr;
    const int moved = fileSystem.Move(via, to, parkedAs);
    // A file system that tells case apart and holds both names: the other file stays, and
    // this one goes back to its name.
    if (moved != 0) fileSystem.Move(via, from, parkedAs);
    return moved;
}

std::vector<UndoStep> PlanUndo(const journal::Run& run) {
    std::vector<UndoStep> steps;
    steps.reserve(run.records.size());
    for (std::size_t i = run.records.size(); i-- > 0;) {
        const Record& r = run.records[i];
        if (r.damaged || (r.state != State::Done && r.state != State::Intended)) continue;
        steps.push_back({r.newPath, r.oldPath});
    }
    return steps;
}

std::string LeftProblem(const Record& r, Left reason, int error) {
    const bool moved = (r.changes & journal::kMoved) != 0;
    switch (reason) {
        case Left::Missing:
            return Problem(
                moved ? r.newPath : r.oldPath,
                "ファイルが見つからないか、別のファイルに変わっているため元に戻せません。");
        case Left::NameTaken:
            return Problem(r.oldPath, "元の名前のファイルがすでに存在します。");
        case Left::Outside:
            return Problem(r.newPath + " -> " + r.oldPath,
                           "記録された処理のフォルダの外を指しているため元に戻しません。");
        case Left::System:
            return SystemProblem(moved ? r.newPath : r.oldPath, error);
        case Left::Attributes:
            return Problem(r.oldPath, "属性を元に戻せませんでした: ") +
                   platform::Cp932FromUtf8(std::strerror(error));
        case Left::Times:
            return Problem(r.oldPath, "日時を元に戻せませんでした: ") +
                   platform::Cp932FromUtf8(std::strerror(error));
        case Left::AttributesAndTimes:
            return Problem(r.oldPath, "属性と日時を元に戻せませんでした: ") +
                   platform::Cp932FromUtf8(std::strerror(error));
        case Left::None:
            break;
    }
    return Problem(moved ? r.newPath : r.oldPath, "元に戻せませんでした。");
}

UndoReport UndoRun(const std::string& journalPath, platform::FileSystem& fileSystem,
                   Interaction* progress, const StopRequest* stop) {
    journal::RunFile file;
    UndoReport report;
    if ((report.error = file.Open(journalPath, fileSystem)) != 0) {
        // The state folder or the file refused: say which, and why.
        if (!file.Contents().problem.empty())
            report.problems.push_back(journalPath + " : " + file.Contents().problem);
        return report;
    }
    if (!file.Contents().readable) {
        report.error = EINVAL;
        report.problems.push_back(journalPath + " : " + file.Contents().problem);
        return report;
    }
    return UndoRun(file, fileSystem, progress, stop);
}

UndoReport UndoRun(journal::RunFile& file, platform::FileSystem& fileSystem, Interaction* progress,
                   const StopRequest* stop) {
    UndoReport report = UndoRecords(
        file.Contents(), fileSystem, progress,
        [&](std::size_t i) { return file.SetState(i, State::Undone); },
        [&](std::size_t i, Left reason, int error) { file.SetLeft(i, reason, error); }, stop);
    // What it could not give back has been said: the next plain undo goes to the run before.
    if (!report.Complete() && !report.stopped) file.CountUndoPass();
    return report;
}

UndoReport UndoRecords(const journal::Run& run, platform::FileSystem& fileSystem,
                       Interaction* progress, const std::function<int(std::size_t)>& markUndone,
                       const std::function<void(std::size_t, Left, int)>& markLeft,
                       const StopRequest* stop) {
    UndoReport report;
    report.damaged = run.Damaged();
    RunFolders folders(run);
    LastFolderTraits traits(fileSystem);
    const bool confined = !run.folders.empty();
    const std::size_t total = run.records.size();
    for (std::size_t i = total; i-- > 0;) {
        if (stop != nullptr && stop->Requested()) {
            report.stopped = true;
            break;
        }
        const Record& r = run.records[i];
        if (progress != nullptr)
            progress->Progress(static_cast<unsigned>(total), static_cast<int>(i));
        if (r.damaged) {
            report.problems.push_back(Problem(r.oldPath, "記録が壊れているため元に戻せません。"));
            continue;
        }
        if (r.state != State::Done && r.state != State::Intended) continue;
        const auto leave = [&](Left reason, int error) {
            report.problems.push_back(LeftProblem(r, reason, error));
            if (markLeft) markLeft(i, reason, error);
        };
        if (confined && !folders.Hold(r)) {
            leave(Left::Outside, 0);
            continue;
        }
        RemoveReservations(r, run.started, fileSystem, traits);
        platform::FileStatus found;
        // The common record, a file under its new name: its move back reads the status the
        // check needs. Anything else (found elsewhere, not found, not the file) is looked for.
        const bool plain = (r.changes & journal::kMoved) != 0 && r.viaPath.empty() &&
                           !r.newPath.empty() && !DiffersOnlyInCase(r.newPath, r.oldPath);
        int plainError = ENOENT;
        if (plain) {
            const bool kept = KeepsIdentity(traits, r.newPath);
            plainError = fileSystem.MoveIf(
                r.newPath, r.oldPath,
                [&](const platform::FileStatus& entry) { return IsTheFile(r, entry, kept, false); },
                found);
        }
        if (plainError == EEXIST) {
            leave(Left::NameTaken, 0);
            continue;
        }
        const Where where = plainError == 0 ? Where::Old : Locate(r, fileSystem, traits, found);
        if (where == Where::Nowhere) {
            // A change the run only intended, whose file is found under neither name, never
            // happened to this file: there is nothing of it to take back, and nothing is moved.
            leave(Left::Missing, 0);
            continue;
        }
        if (where != Where::Old) {
            const std::string& from = where == Where::New ? r.newPath : r.viaPath;
            // A temporary name only for a change of letter case (MoveKeepingCase uses no other).
            const std::string via = !r.viaPath.empty() ? r.viaPath
                                    : DiffersOnlyInCase(from, r.oldPath)
                                        ? TemporaryBeside(r.oldPath)
                                        : std::string();
            if (const int error =
                    MoveKeepingCase(fileSystem, from, r.oldPath,
                                    where == Where::Via ? std::string() : via, &found)) {
                if (error == EEXIST) {
                    leave(Left::NameTaken, 0);
                } else {
                    leave(Left::System, error);
                }
                continue;
            }
            ++report.restored;
        } else if (plainError == 0) {
            ++report.restored;
        } else if (r.state == State::Done && (r.changes & journal::kMoved) != 0) {
            ++report.alreadyBack;  // an earlier undo moved it and was stopped before its mark
        } else {
            ++report.restored;
        }
        if (const auto [reason, error] = RestoreStatus(r, r.oldPath, found, fileSystem);
            reason != Left::None) {
            // The name is back; the record stays pending, so that an undo of the run named later
            // gives back the rest once the file system takes it.
            leave(reason, error);
            continue;
        }
        if (const int error = markUndone(i)) {
            report.problems.push_back(SystemProblem(run.path, error));
            break;
        }
    }
    if (progress != nullptr && !report.stopped) progress->ProgressDone();
    return report;
}

namespace {

// Opens the state folder for a reader: 0 with the folder usable, 1 when there is none yet (no
// run was recorded), -1 with `refusal` set when it fails its check.
int CheckFolder(const std::string& journalFolder, platform::FileSystem& fileSystem,
                std::string& refusal) {
    journal::StateFolder state;
    const int error = state.Open(fileSystem, journalFolder, false);
    if (error == 0) return 0;
    if (error == ENOENT && state.Problem().empty()) return 1;
    refusal = !state.Problem().empty() ? state.Problem() : SystemProblem(journalFolder, error);
    return -1;
}

std::string RefusalOf(const journal::Run& run) {
    if (run.running) {
        return platform::Sjis("実行中の処理があるためUndoできません(") + run.name +
               platform::Sjis(")。\n終了してからもう一度実行してください。");
    }
    return platform::Sjis("Undoの記録ファイルを使えません(") + run.problem +
           platform::Sjis(")。\n") + run.path +
           platform::Sjis("\nこれより前の処理をUndoするには、このファイルを削除してください。");
}

// The files a run left where an undo would look for them, for the check that no newer run
// holds one of them.
class PendingFiles {
  public:
    explicit PendingFiles(const journal::Run& run) {
        for (const Record& r : run.records) {
            if (r.damaged || (r.state != State::Done && r.state != State::Intended)) continue;
            m_paths.insert((r.changes & journal::kMoved) != 0 ? r.newPath : r.oldPath);
            const platform::FileIdentity& id = r.before.identity;
            if (id != platform::FileIdentity{})
                m_files.emplace(std::pair(id.device, id.inode), r.before.birth);
        }
    }
    // The first change of `newer` not taken back that starts at one of the paths or was made
    // to one of the files; null when there is none.
    const Record* HeldBy(const journal::Run& newer) const {
        for (const Record& r : newer.records) {
            if (r.damaged || (r.state != State::Done && r.state != State::Intended)) continue;
            if (m_paths.contains(r.oldPath)) return &r;
            const platform::FileIdentity& id = r.before.identity;
            const auto [from, to] = m_files.equal_range(std::pair(id.device, id.inode));
            for (auto it = from; it != to; ++it) {
                if (it->second == 0 || r.before.birth == 0 || it->second == r.before.birth)
                    return &r;
            }
        }
        return nullptr;
    }

  private:
    std::unordered_set<std::string> m_paths;
    std::multimap<std::pair<std::uint64_t, std::uint64_t>, std::int64_t> m_files;
};

}  // namespace

UndoChoice ChooseRunToUndo(const std::string& journalFolder, platform::FileSystem& fileSystem,
                           std::string_view name, bool hold) {
    UndoChoice choice;
    const int folder = CheckFolder(journalFolder, fileSystem, choice.refusal);
    std::vector<std::string> newer;  // the journals after the chosen one, newest first
    int listError = 0;
    const std::vector<std::string> runs =
        folder == 0 ? journal::ListRuns(journalFolder, fileSystem, &listError)
                    : std::vector<std::string>{};
    // A folder that cannot be listed is no folder without runs.
    if (listError != 0) {
        choice.refusal = SystemProblem(journalFolder, listError);
        return choice;
    }
    for (const std::string& path : runs) {
        std::unique_ptr<journal::RunFile> file;
        journal::Run read;
        if (hold) {
            file = std::make_unique<journal::RunFile>();
            const int error = file->Open(path, fileSystem);
            if (error == EWOULDBLOCK) {
                read.path = path;
                read.name = file->Contents().name;
                read.running = true;
            }
        } else {
            read = journal::ReadRun(path, fileSystem);
        }
        const journal::Run& run = file != nullptr && !read.running ? file->Contents() : read;
        if (run.running || !run.readable) {
            choice.refusal = RefusalOf(run);
            return choice;
        }
        const bool chosen = name.empty()
                                ? !run.Settled() && (run.Pending() > 0 || run.Damaged() > 0)
                                : run.name == name;
        if (!chosen) {
            newer.push_back(path);
            continue;
        }
        if (run.Pending() == 0 && run.Damaged() == 0) {
            choice.refusal = run.name + platform::Sjis("には元に戻す変更が残っていません。");
            return choice;
        }
        // One newer journal at a time: each may hold many records.
        const PendingFiles files(newer.empty() ? journal::Run{} : run);
        for (const std::string& newerPath : newer) {
            const journal::Run later = journal::ReadRun(newerPath, fileSystem);
            if (later.running || !later.readable) {
                choice.refusal = RefusalOf(later);
                return choice;
            }
            if (const Record* held = files.HeldBy(later)) {
                choice.refusal = platform::Sjis("後の処理 ") + later.name +
                                 platform::Sjis(" が、") + run.name +
                                 platform::Sjis(" で変更したファイルをさらに変更しています:\n") +
                                 held->oldPath + platform::Sjis("\n先に ") + later.name +
                                 platform::Sjis(" をUndoしてください。");
                return choice;
            }
        }
        if (hold) {
            choice.file = std::move(file);
        } else {
            choice.run = std::move(read);
        }
        return choice;
    }
    if (!name.empty() && choice.refusal.empty()) {
        choice.refusal =
            std::string(name) + platform::Sjis(
                                    " という処理は記録にありません。historyに表示される名前を"
                                    "指定してください。");
    }
    return choice;
}

std::vector<std::string> DescribeHistory(const std::string& journalFolder,
                                         platform::FileSystem& fileSystem, std::string* refusal) {
    std::vector<std::string> lines;
    std::string problem;
    if (CheckFolder(journalFolder, fileSystem, problem) != 0) {
        if (refusal != nullptr) *refusal = problem;
        return lines;
    }
    int listError = 0;
    const std::vector<std::string> runs = journal::ListRuns(journalFolder, fileSystem, &listError);
    if (listError != 0) {
        if (refusal != nullptr) *refusal = SystemProblem(journalFolder, listError);
        return lines;
    }
    for (const std::string& path : runs) {
        const journal::Run run = journal::ReadRun(path, fileSystem);
        const bool incomplete = run.Settled() && (run.Pending() > 0 || run.Damaged() > 0);
        std::string state;
        if (run.running) {
            state = "running";
        } else if (!run.readable) {
            state = "unreadable";
        } else if (incomplete) {
            state = "undo-incomplete";
        } else if (run.Damaged() > 0) {
            state = "damaged";
        } else if (run.Count(State::Intended) > 0 && run.Count(State::Undone) == 0) {
            state = "interrupted";
        } else if (run.Pending() == 0 && run.Count(State::Undone) > 0) {
            state = "undone";
        } else if (run.Count(State::Undone) > 0) {
            state = "partly-undone";
        } else if (run.Pending() == 0) {
            state = "nothing-to-undo";
        } else {
            state = "done";
        }
        char when[32] = "-";
        if (run.readable) {
            const platform::LocalTime t = platform::ToLocalTime(run.started);
            std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month,
                          t.day, t.hour, t.minute, t.second);
        }
        const std::size_t changed = run.Files();
        lines.push_back(run.name + "  " + when + "  " + state + "  " + std::to_string(changed) +
                        "  " + run.root);
        if (!run.readable && !run.running) lines.push_back("    " + run.problem);
        if (!incomplete) continue;
        // What the undo could not give back, newest first as it went.
        std::size_t shown = 0;
        std::size_t more = 0;
        for (std::size_t i = run.records.size(); i-- > 0;) {
            const Record& r = run.records[i];
            if (r.damaged || (r.state != State::Done && r.state != State::Intended)) continue;
            if (shown == kLeftShown) {
                ++more;
                continue;
            }
            lines.push_back("    " + LeftProblem(r, r.left, r.leftError));
            ++shown;
        }
        if (more > 0) {
            lines.push_back(platform::Sjis("    …ほか") + std::to_string(more) +
                            platform::Sjis("件"));
        }
        if (run.Damaged() > 0) {
            lines.push_back(platform::Sjis("    記録が壊れているため元に戻せないもの: ") +
                            std::to_string(run.Damaged()) + platform::Sjis("件"));
        }
    }
    return lines;
}

}  // namespace morvanex::engine
