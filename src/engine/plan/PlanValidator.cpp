#include "engine/plan/PlanValidator.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <unordered_map>

#include "platform/Codepage.h"

namespace morvanex::engine {

namespace {

constexpr std::uint32_t kNone = UINT32_MAX;

// Within a stage the stop is looked at after this many targets or names: cheap beside them, and
// soon enough in a plan of a hundred thousand.
constexpr std::size_t kStopEvery = 256;

// A host path split into its folder (with the separator) and its name.
struct HostPath {
    std::string path;
    std::string_view folder;
    std::string_view name;
};

void Split(std::string_view cp932, HostPath& out) {
    platform::Utf8FromCp932(cp932, out.path);
    const std::string_view path = out.path;
    const std::size_t slash = path.rfind('/');
    out.folder = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
    out.name = slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// True when the folder's rules refuse the name, or the move of a folder.
bool Refuses(const FolderRules& rules, std::string_view name, bool movesFolder) {
    if (rules.windowsNames && RefusedByWindowsRules(name)) return true;
    if (rules.foldersStay && movesFolder) return true;
    return rules.asciiNames && std::any_of(name.begin(), name.end(), [](char c) {
               return static_cast<unsigned char>(c) >= 0x80;
           });
}

std::uint64_t HashOf(std::uint32_t folder, std::string_view key) {
    const std::uint64_t h = std::hash<std::string_view>{}(key);
    return h ^ (std::uint64_t{folder} * 0x9E3779B97F4A7C15ULL);
}

// A name's place among others of its folder: sorted by hash, equal hashes told apart by the
// names themselves.
struct Keyed {
    std::uint64_t hash;
    std::uint32_t index;
    friend bool operator<(const Keyed& a, const Keyed& b) {
        return a.hash != b.hash ? a.hash < b.hash : a.index < b.index;
    }
};

// Names by hash: sorted as operator< sorts them, and the names with one hash found at once. A
// large index is spread over buckets of the hash's top bits (names' hashes fall evenly, so a
// bucket holds a name or two), each bucket sorted on its own: linear to make where a comparison
// sort of every name was the largest part of checking a large plan, a lookup one bucket's, and
// never worse than a sort should names be made to share their top bits.
class HashIndex {
  public:
    // `keyed` in index order.
    explicit HashIndex(std::vector<Keyed> keyed = {}) {
        if (keyed.size() < kSpreadFrom) {
            std::sort(keyed.begin(), keyed.end());
            m_sorted = std::move(keyed);
            return;
        }
        m_shift = 64 - static_cast<unsigned>(std::bit_width(keyed.size()));
        m_end.assign((std::size_t{1} << (64 - m_shift)) + 1, 0);
        for (const Keyed& k : keyed) ++m_end[Bucket(k.hash) + 1];
        for (std::size_t b = 1; b < m_end.size(); ++b) m_end[b] += m_end[b - 1];
        m_sorted.resize(keyed.size());
        // Each bucket's start becomes its end, so that bucket b spans m_end[b - 1]..m_end[b].
        for (const Keyed& k : keyed) m_sorted[m_end[Bucket(k.hash)]++] = k;
        m_end.pop_back();
        for (std::size_t b = 0, begin = 0; b < m_end.size(); begin = m_end[b++]) {
            if (m_end[b] - begin > 1) std::sort(At(begin), At(m_end[b]));
        }
    }

    const std::vector<Keyed>& Sorted() const { return m_sorted; }

    // The entries with this hash, in index order.
    std::pair<const Keyed*, const Keyed*> Find(std::uint64_t hash) const {
        const Keyed* first = m_sorted.data();
        const Keyed* last = first + m_sorted.size();
        if (!m_end.empty()) {
            const std::size_t b = Bucket(hash);
            last = first + m_end[b];
            first += b == 0 ? 0 : m_end[b - 1];
        }
        first = std::lower_bound(first, last, Keyed{hash, 0});
        const Keyed* end = first;
        while (end != last && end->hash == hash) ++end;
        return {first, end};
    }

  private:
    static constexpr std::size_t kSpreadFrom = 4096;
    std::size_t Bucket(std::uint64_t hash) const {
        return static_cast<std::size_t>(hash >> m_shift);
    }
    std::vector<Keyed>::iterator At(std::size_t i) {
        return m_sorted.begin() + static_cast<std::ptrdiff_t>(i);
    }

    std::vector<Keyed> m_sorted;
    std::vector<std::uint32_t> m_end;  // per bucket, where it ends in m_sorted (large only)
    unsigned m_shift = 0;
};

class Validator {
  public:
    Validator(const PlannedMoves& moves, const PlanOptions& options, FolderKnowledge& folders)
        : m_moves(moves), m_options(options), m_knowledge(folders) {}

    PlanCheck Run() {
        const std::size_t n = m_moves.Size();
        m_check.verdicts.assign(n, Verdict::Ok);
        m_sourceFolder.assign(n, kNone);
        m_targetFolder.assign(n, kNone);
        m_targetHash.assign(n, 0);
        m_sourceHash.assign(n, 0);
        m_waitsFor.assign(n, kNone);
        const auto stopped = [&] {
            m_check.stopped =
                m_check.stopped || (m_options.stop != nullptr && m_options.stop->Requested());
            return m_check.stopped;
        };
        Describe();
        if (stopped()) return std::move(m_check);
        FindDuplicates();
        IndexSources();
        if (stopped()) return std::move(m_check);
        JudgeNames();
        if (stopped()) return std::move(m_check);
        if (m_options.wholeRun) {
            ResolveWaits();
            if (stopped()) return std::move(m_check);
            if (std::none_of(m_check.verdicts.begin(), m_check.verdicts.end(), IsConflict)) Order();
        } else {
            JudgeInOrder();
        }
        return std::move(m_check);
    }

  private:
    struct Folder {
        std::string host;
        FolderRules rules;
        bool listingRead = false;
        bool listed = false;
        PackedNames names;
        HashIndex byKey;
    };

    std::uint32_t FolderIndex(std::string_view host) {
        // Targets come folder by folder: most are in the folder of the one before.
        if (m_lastFolder != kNone && m_folders[m_lastFolder].host == host) return m_lastFolder;
        m_lastFolder = FolderOf(host);
        return m_lastFolder;
    }
    std::uint32_t FolderOf(std::string_view host) {
        const auto it = m_folderIndex.find(host);
        if (it != m_folderIndex.end()) return it->second;
        const auto index = static_cast<std::uint32_t>(m_folders.size());
        Folder& folder = m_folders.emplace_back();
        folder.host = host;
        folder.rules = m_knowledge.RulesOf(host);
        m_folderIndex.emplace(folder.host, index);
        return index;
    }

    const Folder& Listing(std::uint32_t index) {
        Folder& folder = m_folders[index];
        if (folder.listingRead) return folder;
        folder.listingRead = true;
        folder.listed = m_knowledge.ListNames(folder.host, folder.names);
        std::vector<Keyed> byKey;
        byKey.reserve(folder.names.Size());
        for (std::size_t k = 0; k < folder.names.Size(); ++k) {
            if (StopDue(k)) return folder;
            NameKey(folder.names[k], folder.rules.foldsCase, m_key);
            byKey.push_back({HashOf(index, m_key), static_cast<std::uint32_t>(k)});
        }
        folder.byKey = HashIndex(std::move(byKey));
        return folder;
    }

    // The key of target i's new name, or of its source name, in the folder that compares it.
    std::string KeyOfTarget(std::size_t i) {
        HostPath path;
        Split(m_moves.At(i).target, path);
        std::string key;
        NameKey(path.name, m_folders[m_targetFolder[i]].rules.foldsCase, key);
        return key;
    }
    std::string KeyOfSource(std::size_t i) {
        HostPath path;
        Split(m_moves.At(i).source, path);
        std::string key;
        NameKey(path.name, m_folders[m_sourceFolder[i]].rules.foldsCase, key);
        return key;
    }

    // True once the user's stop is seen, looked at on every kStopEvery-th call.
    bool StopDue(std::size_t i) {
        if (i % kStopEvery == 0 && m_options.stop != nullptr && m_options.stop->Requested())
            m_check.stopped = true;
        return m_check.stopped;
    }

    bool Moving(std::size_t i) const { return m_moves.At(i).moves; }
    bool FreesItsName(std::size_t i) const { return !m_options.copying && Moving(i); }

    void Describe() {
        HostPath source;
        HostPath target;
        for (std::size_t i = 0; i < m_moves.Size(); ++i) {
            if (StopDue(i)) return;
            const PlannedMove move = m_moves.At(i);
            if (!move.moves) {
                m_check.verdicts[i] = Verdict::Unchanged;
                continue;
            }
            Split(move.target, target);
            m_targetFolder[i] = FolderIndex(target.folder);
            const Folder& folder = m_folders[m_targetFolder[i]];
            if (Refuses(folder.rules, target.name, move.folder && !m_options.copying)) {
                m_check.verdicts[i] = Verdict::Refused;
                continue;
            }
            NameKey(target.name, folder.rules.foldsCase, m_key);
            m_targetHash[i] = HashOf(m_targetFolder[i], m_key);
            if (FreesItsName(i)) {
                Split(move.source, source);
                m_sourceFolder[i] = FolderIndex(source.folder);
                NameKey(source.name, m_folders[m_sourceFolder[i]].rules.foldsCase, m_key);
                m_sourceHash[i] = HashOf(m_sourceFolder[i], m_key);
            }
        }
    }

    bool Judged(std::size_t i) const {
        return m_check.verdicts[i] != Verdict::Ok || m_targetFolder[i] == kNone;
    }

    // A copied folder is only made where it is missing: it meets nothing.
    bool MeetsNothing(std::size_t i) const { return m_options.copying && m_moves.At(i).folder; }

    void FindDuplicates() {
        std::vector<Keyed> byTarget;
        byTarget.reserve(m_moves.Size());
        for (std::size_t i = 0; i < m_moves.Size(); ++i) {
            if (!Judged(i) && !MeetsNothing(i))
                byTarget.push_back({m_targetHash[i], static_cast<std::uint32_t>(i)});
        }
        const HashIndex index(std::move(byTarget));
        const std::vector<Keyed>& sorted = index.Sorted();
        for (std::size_t a = 0, runs = 0; a < sorted.size(); ++runs) {
            if (StopDue(runs)) return;
            std::size_t b = a + 1;
            while (b < sorted.size() && sorted[b].hash == sorted[a].hash) ++b;
            // Within a run of equal hashes (almost always one name), each target is a duplicate
            // of the first earlier one with the same folder and key.
            for (std::size_t x = a + 1; x < b; ++x) {
                const std::uint32_t later = sorted[x].index;
                const std::string key = KeyOfTarget(later);
                for (std::size_t y = a; y < x; ++y) {
                    const std::uint32_t earlier = sorted[y].index;
                    if (m_check.verdicts[earlier] == Verdict::Duplicate) continue;
                    if (m_targetFolder[earlier] == m_targetFolder[later] &&
                        KeyOfTarget(earlier) == key) {
                        m_check.verdicts[later] = Verdict::Duplicate;
                        break;
                    }
                }
            }
            a = b;
        }
    }

    void IndexSources() {
        std::vector<Keyed> bySource;
        bySource.reserve(m_moves.Size());
        for (std::size_t i = 0; i < m_moves.Size(); ++i) {
            if (FreesItsName(i) && m_sourceFolder[i] != kNone)
                bySource.push_back({m_sourceHash[i], static_cast<std::uint32_t>(i)});
        }
        m_bySource = HashIndex(std::move(bySource));
    }

    // The targets other than `self` whose source name is the name `key` in folder `folder`.
    std::vector<std::uint32_t> SourcesNamed(std::uint64_t hash, std::uint32_t folder,
                                            const std::string& key, std::size_t self) {
        std::vector<std::uint32_t> found;
        const auto [first, last] = m_bySource.Find(hash);
        for (const Keyed* it = first; it != last; ++it) {
            if (it->index != self && m_sourceFolder[it->index] == folder &&
                KeyOfSource(it->index) == key) {
                found.push_back(it->index);
            }
        }
        return found;
    }

    // True when the folder holds a name with that key other than `own` (the target's own
    // source name, which its move takes along).
    bool HeldByOther(std::uint32_t folderIndex, std::uint64_t hash, const std::string& key,
                     std::string_view own) {
        const Folder& folder = Listing(folderIndex);
        const auto [first, last] = folder.byKey.Find(hash);
        for (const Keyed* it = first; it != last; ++it) {
            const std::string_view name = folder.names[it->index];
            if (name == own) continue;
            NameKey(name, folder.rules.foldsCase, m_key);
            if (m_key == key) return true;
        }
        return false;
    }

    // Whether any source of the plan, or any name of the folder, has that hash: where none has,
    // nothing can hold the name, and its key need not be made.
    bool AnySourceHashed(std::uint64_t hash) const {
        const auto [first, last] = m_bySource.Find(hash);
        return first != last;
    }
    bool AnyNameHashed(std::uint32_t folderIndex, std::uint64_t hash) {
        const auto [first, last] = Listing(folderIndex).byKey.Find(hash);
        return first != last;
    }

    void JudgeNames() {
        HostPath source;
        for (std::size_t i = 0; i < m_moves.Size(); ++i) {
            if (StopDue(i)) return;
            if (Judged(i) || MeetsNothing(i)) continue;
            const std::uint32_t folder = m_targetFolder[i];
            // Most new names are free: no source and no name of the folder shares their hash.
            if (!(m_sourceFolder[i] == folder && m_sourceHash[i] == m_targetHash[i]) &&
                (m_options.copying || !AnySourceHashed(m_targetHash[i])) &&
                !AnyNameHashed(folder, m_targetHash[i])) {
                continue;
            }
            const std::string key = KeyOfTarget(i);
            Split(m_moves.At(i).source, source);
            const bool own = m_sourceFolder[i] == folder && m_sourceHash[i] == m_targetHash[i] &&
                             KeyOfSource(i) == key;
            const std::vector<std::uint32_t> holders =
                m_options.copying ? std::vector<std::uint32_t>{}
                                  : SourcesNamed(m_targetHash[i], folder, key, i);
            // A move takes its own name along; a copy leaves it where it is.
            const std::string_view ownName =
                FreesItsName(i) && source.folder == m_folders[folder].host ? source.name
                                                                           : std::string_view();
            if (own) {
                // Its own name in another letter case: free unless another file answers to it.
                if (!holders.empty() || HeldByOther(folder, m_targetHash[i], key, ownName))
                    m_check.verdicts[i] = Verdict::Exists;
            } else if (holders.size() == 1) {
                m_waitsFor[i] = holders.front();
            } else if (!holders.empty() || HeldByOther(folder, m_targetHash[i], key, ownName)) {
                m_check.verdicts[i] = Verdict::Exists;
            }
        }
    }

    // Follows each wait to its end: a chain whose end moves is a chain, one whose end cannot
    // move leaves its names taken, and a wait that comes back to where it began is a ring.
    void ResolveWaits() {
        enum : std::uint8_t { kNew, kOnPath, kDone };
        std::vector<std::uint8_t> mark(m_moves.Size(), kNew);
        std::vector<std::uint32_t> path;
        for (std::size_t start = 0; start < m_moves.Size(); ++start) {
            if (m_waitsFor[start] == kNone || mark[start] != kNew) continue;
            path.clear();
            std::uint32_t at = static_cast<std::uint32_t>(start);
            while (mark[at] == kNew && m_waitsFor[at] != kNone) {
                mark[at] = kOnPath;
                path.push_back(at);
                at = m_waitsFor[at];
            }
            Verdict verdict;
            std::size_t ringFrom = path.size();
            if (mark[at] == kOnPath) {
                ringFrom = static_cast<std::size_t>(std::find(path.begin(), path.end(), at) -
                                                    path.begin());
                verdict = Verdict::Exists;  // only the members before the ring: none can exist
            } else {
                const Verdict end = m_check.verdicts[at];
                verdict = IsConflict(end) ? Verdict::Exists : Verdict::Chain;
            }
            for (std::size_t k = 0; k < path.size(); ++k) {
                m_check.verdicts[path[k]] = k >= ringFrom ? Verdict::Cycle : verdict;
                mark[path[k]] = kDone;
            }
        }
    }

    // Without the whole plan, the moves come in target order: a name is free for a target only
    // when an earlier target moved its holder away.
    void JudgeInOrder() {
        for (std::size_t i = 0; i < m_moves.Size(); ++i) {
            if (m_waitsFor[i] == kNone) continue;
            const std::uint32_t holder = m_waitsFor[i];
            m_check.verdicts[i] =
                holder < i && !IsConflict(m_check.verdicts[holder]) ? Verdict::Ok : Verdict::Exists;
        }
    }

    std::size_t Depth(std::size_t i) const {
        const std::string_view source = m_moves.At(i).source;
        return static_cast<std::size_t>(std::count(source.begin(), source.end(), '/'));
    }

    // The steps of every target: a chain from its free end, a ring through a temporary name,
    // everything else on its own; then every unit that moves a folder after all the others,
    // the deepest first, so that nothing inside a folder is moved after the folder itself.
    void Order() {
        const std::size_t n = m_moves.Size();
        std::vector<std::uint32_t> waitedBy(n, kNone);
        for (std::size_t i = 0; i < n; ++i) {
            if (m_waitsFor[i] != kNone) waitedBy[m_waitsFor[i]] = static_cast<std::uint32_t>(i);
        }
        struct Unit {
            std::size_t first;  // into `steps`
            std::size_t count;
            bool movesFolder;
            std::size_t depth;
        };
        std::vector<PlanStep> steps;
        steps.reserve(n + n / 8);
        std::vector<Unit> units;
        std::vector<bool> emitted(n, false);
        const auto add = [&](std::uint32_t target, PlanStep::Kind kind) {
            steps.push_back({target, kind, false});
            emitted[target] = true;
            Unit& unit = units.back();
            ++unit.count;
            if (m_moves.At(target).folder && Moving(target)) unit.movesFolder = true;
        };
        for (std::size_t i = 0; i < n; ++i) {
            if (emitted[i]) continue;
            units.push_back({steps.size(), 0, false, 0});
            const auto target = static_cast<std::uint32_t>(i);
            if (m_check.verdicts[i] == Verdict::Cycle) {
                add(target, PlanStep::Kind::Park);
                for (std::uint32_t at = waitedBy[target]; at != target; at = waitedBy[at])
                    add(at, PlanStep::Kind::Move);
                add(target, PlanStep::Kind::Unpark);
            } else if (m_waitsFor[i] != kNone || waitedBy[i] != kNone) {
                std::uint32_t end = target;
                while (m_waitsFor[end] != kNone) end = m_waitsFor[end];
                for (std::uint32_t at = end; at != kNone; at = waitedBy[at])
                    add(at, PlanStep::Kind::Move);
            } else {
                add(target, PlanStep::Kind::Move);
            }
            steps.back().endsUnit = true;
        }
        if (std::none_of(units.begin(), units.end(), [](const Unit& u) { return u.movesFolder; })) {
            m_check.steps = std::move(steps);
            return;
        }
        for (Unit& unit : units) {
            for (std::size_t k = unit.first; unit.movesFolder && k < unit.first + unit.count; ++k)
                unit.depth = std::max(unit.depth, Depth(steps[k].target));
        }
        std::stable_sort(units.begin(), units.end(), [](const Unit& a, const Unit& b) {
            if (a.movesFolder != b.movesFolder) return !a.movesFolder;
            return a.movesFolder && a.depth > b.depth;
        });
        m_check.steps.reserve(steps.size());
        for (const Unit& unit : units) {
            m_check.steps.insert(
                m_check.steps.end(), steps.begin() + static_cast<std::ptrdiff_t>(unit.first),
                steps.begin() + static_cast<std::ptrdiff_t>(unit.first + unit.count));
        }
    }

    const PlannedMoves& m_moves;
    const PlanOptions& m_options;
    FolderKnowledge& m_knowledge;
    PlanCheck m_check;

    std::vector<Folder> m_folders;
    std::uint32_t m_lastFolder = kNone;
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    // Looked up by a view of each target's path: no copy of the folder's name per target.
    std::unordered_map<std::string, std::uint32_t, TextHash, std::equal_to<>> m_folderIndex;
    std::vector<std::uint32_t> m_sourceFolder;
    std::vector<std::uint32_t> m_targetFolder;
    std::vector<std::uint64_t> m_targetHash;
    std::vector<std::uint64_t> m_sourceHash;
    HashIndex m_bySource;
    std::vector<std::uint32_t> m_waitsFor;  // the target whose source name this one's new name is
    std::string m_key;
};

}  // namespace

PlanCheck CheckPlan(const PlannedMoves& moves, const PlanOptions& options,
                    FolderKnowledge& folders) {
    return Validator(moves, options, folders).Run();
}

PlanCheck CheckPlan(const std::vector<PlannedMove>& moves, const PlanOptions& options,
                    FolderKnowledge& folders) {
    class Listed final : public PlannedMoves {
      public:
        explicit Listed(const std::vector<PlannedMove>& moves) : m_moves(moves) {}
        std::size_t Size() const override { return m_moves.size(); }
        PlannedMove At(std::size_t i) const override { return m_moves[i]; }

      private:
        const std::vector<PlannedMove>& m_moves;
    };
    return CheckPlan(Listed(moves), options, folders);
}

}  // namespace morvanex::engine
