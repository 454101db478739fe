#include "engine/Undo.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/Codepage.h"
#include "platform/Paths.h"

namespace morvanex::engine {

namespace {

using journal::Record;
using journal::State;

// FAT keeps modification times in steps of two seconds.
constexpr platform::Timestamp kTimeTolerance = 2;

std::string Problem(const std::string& path, const char* utf8Reason) {
    return path + platform::Sjis(" : ") + platform::Sjis(utf8Reason);
}

std::string SystemProblem(const std::string& path, int error) {
    return path + " : " + platform::Cp932FromUtf8(std::strerror(error));
}

// True when `found` (at `path`) is the file the record changed.
bool IsTheFile(const Record& record, const platform::FileStatus& found, const std::string& path,
               platform::FileSystem& fileSystem) {
    if (found.link != record.before.link) return false;
    const bool known = record.before.identity != platform::FileIdentity{};
    // The same inode number with another birth is a new file that got a freed number.
    const bool reborn =
        record.before.birth != 0 && found.birth != 0 && found.birth != record.before.birth;
    if (known && found.identity == record.before.identity) return !reborn;
    if (known && fileSystem.TraitsOf(platform::DirectoryOf(path)).keepsIdentity) return false;
    // Nothing but the file's size and time to go by.
    const platform::Timestamp difference = found.modification - record.afterModification;
    return found.size == record.before.size && difference <= kTimeTolerance &&
           difference >= -kTimeTolerance;
}

enum class Where { Nowhere, New, Via, Old };

// Where the file of a record is, and its status as found there.
Where Locate(const Record& record, platform::FileSystem& fileSystem, platform::FileStatus& found) {
    const bool moved = (record.changes & journal::kMoved) != 0;
    const auto at = [&](const std::string& path) {
        return !path.empty() && fileSystem.GetStatus(path, found) == 0 &&
               IsTheFile(record, found, path, fileSystem);
    };
    // A file found under the temporary name is parked there (under the new name there may be
    // another link of the same file). Then the new path: where the file system ignores case,
    // the old path finds the file under its new spelling too.
    if (moved && at(record.viaPath)) return Where::Via;
    if (moved && at(record.newPath)) return Where::New;
    if (at(record.oldPath)) return Where::Old;
    return Where::Nowhere;
}

// Gives the file at `path` (found as `found`) back what the run changed besides its name.
void RestoreStatus(const Record& record, const std::string& path, const platform::FileStatus& found,
                   platform::FileSystem& fileSystem) {
    if ((record.changes & journal::kAttributes) != 0) {
        fileSystem.SetAttributes(path, record.before.attributes, &found);
    }
    if ((record.changes & journal::kTimes) != 0 &&
        (record.before.attributes & platform::attr::kDirectory) == 0) {
        fileSystem.RestoreTimes(path, record.before, &found);
    }
}

// A run stopped between taking a new name and moving its file there (where the file system
// can refuse a taken name only so) leaves that name as an empty file of its own. It is removed
// before the record is taken back: an empty file at the temporary name, or at the new name while
// the file itself is still at its old one (a move is never half made), made since the run began.
void RemoveReservations(const Record& record, platform::Timestamp started,
                        platform::FileSystem& fileSystem) {
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
        IsTheFile(record, atOld, record.oldPath, fileSystem)) {
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
    const int moved = fileSystem.Move(via, to, expected);
    // A file system that tells case apart and holds both names: the other file stays, and
    // this one goes back to its name.
    if (moved != 0) fileSystem.Move(via, from, expected);
    return moved;
}

std::vector<UndoStep> PlanUndo(const journal::Run& run) {
    std::vector<UndoStep> steps;
    for (std::size_t i = run.records.size(); i-- > 0;) {
        const Record& r = run.records[i];
        if (r.damaged || (r.state != State::Done && r.state != State::Intended)) continue;
        steps.push_back({r.newPath, r.oldPath});
    }
    return steps;
}

UndoReport UndoRun(const std::string& journalPath, platform::FileSystem& fileSystem,
                   Interaction* progress) {
    journal::RunFile file;
    UndoReport report;
    if ((report.error = file.Open(journalPath)) != 0) return report;
    if (!file.Contents().readable) {
        report.error = EINVAL;
        return report;
    }
    report = UndoRecords(file.Contents(), fileSystem, progress, [&](std::size_t i) {
        const int error = file.SetState(i, State::Undone);
        return error != 0 ? error : 0;
    });
    if (!report.Complete()) file.CountUndoPass();
    return report;
}

UndoReport UndoRecords(const journal::Run& run, platform::FileSystem& fileSystem,
                       Interaction* progress, const std::function<int(std::size_t)>& markUndone) {
    UndoReport report;
    report.damaged = run.Damaged();
    const std::size_t total = run.records.size();
    for (std::size_t i = total; i-- > 0;) {
        const Record& r = run.records[i];
        if (progress != nullptr)
            progress->Progress(static_cast<unsigned>(total), static_cast<int>(i));
        if (r.damaged) {
            report.problems.push_back(Problem(r.oldPath, "記録が壊れているため元に戻せません。"));
            continue;
        }
        if (r.state != State::Done && r.state != State::Intended) continue;
        RemoveReservations(r, run.started, fileSystem);
        platform::FileStatus found;
        const Where where = Locate(r, fileSystem, found);
        if (where == Where::Nowhere) {
            // A change the run only intended, whose file is found under neither name, never
            // happened to this file: there is nothing of it to take back, and nothing is moved.
            report.problems.push_back(Problem(
                (r.changes & journal::kMoved) != 0 ? r.newPath : r.oldPath,
                "ファイルが見つからないか、別のファイルに変わっているため元に戻せません。"));
            continue;
        }
        if (where != Where::Old) {
            const std::string& from = where == Where::New ? r.newPath : r.viaPath;
            const std::string via = r.viaPath.empty() ? TemporaryBeside(r.oldPath) : r.viaPath;
            if (const int error =
                    MoveKeepingCase(fileSystem, from, r.oldPath,
                                    where == Where::Via ? std::string() : via, &found)) {
                report.problems.push_back(
                    error == EEXIST ? Problem(r.oldPath, "元の名前のファイルがすでに存在します。")
                                    : SystemProblem(from, error));
                continue;
            }
            ++report.restored;
        } else if (r.state == State::Done && (r.changes & journal::kMoved) != 0) {
            ++report.alreadyBack;  // an earlier undo moved it and was stopped before its mark
        } else {
            ++report.restored;
        }
        RestoreStatus(r, r.oldPath, found, fileSystem);
        if (const int error = markUndone(i)) {
            report.problems.push_back(SystemProblem(run.path, error));
            break;
        }
    }
    if (progress != nullptr) progress->ProgressDone();
    return report;
}

UndoChoice ChooseRunToUndo(const std::string& journalFolder) {
    UndoChoice choice;
    for (const std::string& path : journal::ListRuns(journalFolder)) {
        journal::Run run = journal::ReadRun(path);
        if (run.running) {
            choice.refusal = platform::Sjis("実行中の処理があるためUndoできません(") + run.name +
                             platform::Sjis(")。\n終了してからもう一度実行してください。");
            return choice;
        }
        if (!run.readable) {
            choice.refusal =
                platform::Sjis("Undoの記録ファイルが壊れているため読めません。\n") + path +
                platform::Sjis(
                    "\nこれより前の処理をUndoするには、このファイルを削除してください。");
            return choice;
        }
        if (run.Pending() > 0 || (run.Damaged() > 0 && run.undoPasses == 0)) {
            choice.run = std::move(run);
            return choice;
        }
    }
    return choice;
}

std::vector<std::string> DescribeHistory(const std::string& journalFolder) {
    std::vector<std::string> lines;
    for (const std::string& path : journal::ListRuns(journalFolder)) {
        const journal::Run run = journal::ReadRun(path);
        std::string state;
        if (run.running) {
            state = "running";
        } else if (!run.readable) {
            state = "unreadable";
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
        const std::size_t changed = run.records.size() - run.Count(State::Void);
        lines.push_back(run.name + "  " + when + "  " + state + "  " + std::to_string(changed) +
                        "  " + run.root);
    }
    return lines;
}

}  // namespace morvanex::engine
