#include "engine/journal/UndoJournal.h"

#include <pwd.h>
#include <sodium.h>
#include <sys/random.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/Codepage.h"
#include "platform/MappedFile.h"
#include "platform/Paths.h"

namespace morvanex::engine {

namespace {

using journal::Key;
using journal::Left;
using journal::State;
using journal::StateFolder;

constexpr char kMagic[8] = {'M', 'V', 'X', 'J', 'R', 'N', 'L', '2'};
// Version 4 numbers its runs and keys its checksums with the user's key. Journals of versions 3
// (records checksummed word by word) and 2 (byte by byte) are still read from a state folder
// that passes its check, so that a run made before an update can be undone after it.
constexpr std::uint32_t kVersion = 4;
constexpr std::uint32_t kWordChecksumVersion = 3;
constexpr std::uint32_t kByteChecksumVersion = 2;

// The header: magic, then the fields its checksum covers (8..64), the checksum, and what an undo
// writes later. The folder block follows: the root, then each folder, each ended by a zero.
constexpr std::size_t kHeaderSize = 80;
constexpr std::size_t kFoldersSizeAt = 12;
constexpr std::size_t kStartedAt = 16;
constexpr std::size_t kSequenceAt = 24;
constexpr std::size_t kNonceAt = 32;
constexpr std::size_t kFoldersChecksumAt = 48;
constexpr std::size_t kRootSizeAt = 56;
constexpr std::size_t kPidAt = 60;
constexpr std::size_t kHeaderChecked = 8;  // the checksum covers bytes 8..64
constexpr std::size_t kHeaderChecksumAt = 64;
constexpr std::size_t kUndoPassesAt = 72;

// A record: the words written as it is ended or undone, then the checksum of everything after
// it (its fixed fields and its paths, one contiguous stretch).
constexpr std::size_t kRecordHeaderSize = 128;
constexpr std::size_t kLeftAt = 4;
constexpr std::size_t kAfterChecksumAt = 8;  // covers the time the change left and the checksum
constexpr std::size_t kAfterAt = 16;
constexpr std::size_t kAfterChecked = 24;
constexpr std::size_t kChecksumAt = 32;
constexpr std::size_t kCheckedFrom = 40;
constexpr std::size_t kIndexAt = 124;

// Journals of the earlier versions.
constexpr std::size_t kOldHeaderSize = 64;
constexpr std::size_t kOldHeaderChecksumAt = 56;
constexpr std::size_t kOldHeaderChecked = 32;
constexpr std::size_t kOldUndoPassesAt = 32;
constexpr std::size_t kOldRecordHeaderSize = 120;
constexpr std::size_t kOldBirthAt = 80;
constexpr std::size_t kOldChecksumAt = 88;
constexpr std::size_t kOldAfterAt = 96;
constexpr std::size_t kOldAfterChecksumAt = 112;

// No path the host accepts is longer; a longer length is damage.
constexpr std::uint32_t kLongestPath = 1 << 16;
constexpr std::uint32_t kLongestFolders = 1u << 28;
constexpr const char* kSuffix = ".journal";
constexpr const char* kKeyName = "key";
constexpr const char* kNewKeyName = "key.new";
constexpr const char* kLockName = "lock";
// The group's and others' write bits, and all their bits, of a mode.
constexpr std::uint32_t kWritableByOthers = 0022;
constexpr std::uint32_t kOpenToOthers = 0077;

std::size_t Padded(std::size_t n) {
    return (n + 7) & ~std::size_t{7};
}

template <typename T>
void Put(unsigned char* at, T value) {
    std::memcpy(at, &value, sizeof value);
}

template <typename T>
T Get(const unsigned char* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// SipHash-2-4 (libsodium's crypto_shorthash) under a key: without the key no one can make a
// checksum that matches, and any damaged byte changes it.
std::uint64_t Keyed(const Key& key, const unsigned char* data, std::size_t size) {
    unsigned char out[crypto_shorthash_BYTES];
    crypto_shorthash(out, data, size, key.data());
    return Get<std::uint64_t>(out);
}

// Each run's records are checksummed with a key of their own, made from the user's key and the
// run's random nonce: a record copied from another journal does not verify.
Key RunKey(const Key& user, const unsigned char* nonce) {
    unsigned char message[17];
    std::memcpy(message, nonce, 16);
    Key key;
    for (unsigned char half = 0; half < 2; ++half) {
        message[16] = half;
        crypto_shorthash(key.data() + 8 * half, message, sizeof message, user.data());
    }
    return key;
}

// The unkeyed checksums of the earlier versions: FNV-1a over 64 bits, byte by byte (version 2
// records, and the header and the ended change of both) and eight bytes a step (version 3).
std::uint64_t Checksum(const unsigned char* data, std::size_t size,
                       std::uint64_t hash = 0xcbf29ce484222325ULL) {
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= data[i];
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::uint64_t WordChecksum(const unsigned char* data, std::size_t size,
                           std::uint64_t hash = 0xcbf29ce484222325ULL) {
    constexpr std::uint64_t kOdd = 0x9E3779B97F4A7C15ULL;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, sizeof word);
        hash = (hash ^ word) * kOdd;
    }
    return Checksum(data + i, size - i, hash);
}

std::atomic_ref<std::uint32_t> StateWord(unsigned char* record) {
    return std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(record));
}

bool IsKnownState(std::uint32_t value) {
    switch (static_cast<State>(value)) {
        case State::Intended:
        case State::Done:
        case State::Void:
        case State::Undone:
            return true;
        default:
            return false;
    }
}

int RandomBytes(unsigned char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t got = ::getrandom(data, size, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += got;
        size -= static_cast<std::size_t>(got);
    }
    return 0;
}

std::string SystemText(int error) {
    return platform::Cp932FromUtf8(std::strerror(error));
}

std::string Uid(std::uint32_t uid) {
    return std::to_string(static_cast<unsigned long>(uid));
}

// Reads the file as long as its status found it (the journal is read, never mapped, by an undo:
// a file cut short meanwhile is then simply shorter).
int ReadAll(platform::FileHandle& file, const platform::HandleStatus& status, std::string& bytes) {
    // Read once into its place: a journal of many records is megabytes. A size beyond any run's
    // (a file made to look so) is not taken on trust.
    constexpr std::uint64_t kReserveAtMost = std::uint64_t{1} << 30;
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(std::min(status.size, kReserveAtMost)));
    return file.ReadAt(0, static_cast<std::size_t>(status.size), bytes);
}

// Why an open journal file is not the user's own (empty when it is): another owner, or, for a
// journal of an earlier version (whose checksums carry no key), another writer it lets in.
std::string FileProblem(const platform::HandleStatus& status, bool keyed) {
    if (!status.regular) return platform::Sjis("通常のファイルではありません");
    if (status.owner != ::geteuid()) {
        return platform::Sjis("別のユーザー(uid ") + Uid(status.owner) +
               platform::Sjis(")のファイルです");
    }
    if (!keyed && (status.permissions & kWritableByOthers) != 0)
        return platform::Sjis("他のユーザーも書き込めるファイルです");
    return {};
}

std::string NameOf(const std::string& path) {
    std::string name = path.substr(path.rfind('/') + 1);
    if (name.ends_with(kSuffix)) name.resize(name.size() - std::strlen(kSuffix));
    return name;
}

std::vector<std::string> SplitFolders(std::string_view block) {
    std::vector<std::string> folders;
    while (!block.empty()) {
        const std::size_t end = block.find('\0');
        const std::string_view folder = block.substr(0, end);
        if (!folder.empty()) folders.push_back(platform::Cp932FromUtf8(folder));
        if (end == std::string_view::npos) break;
        block.remove_prefix(end + 1);
    }
    return folders;
}

// Room for as many records as the bytes could hold: the tail never used is never touched.
void Reserve(std::size_t size, std::size_t at, std::size_t headerSize, journal::Run& run,
             std::vector<std::uint64_t>* offsets) {
    const std::size_t most = at < size ? (size - at) / headerSize : 0;
    run.records.reserve(run.records.size() + most);
    if (offsets != nullptr) offsets->reserve(offsets->size() + most);
}

void ParseLegacyRecords(const unsigned char* data, std::size_t size, std::size_t at,
                        journal::Run& run, std::vector<std::uint64_t>* offsets) {
    const bool words = run.version == kWordChecksumVersion;
    Reserve(size, at, kOldRecordHeaderSize, run, offsets);
    for (;;) {
        if (at + kOldRecordHeaderSize > size) {
            run.cutShort = true;  // a finished or killed run always leaves an empty record here
            return;
        }
        const unsigned char* record = data + at;
        const auto state = Get<std::uint32_t>(record);
        const auto oldSize = Get<std::uint32_t>(record + 8);
        const auto newSize = Get<std::uint32_t>(record + 12);
        const auto viaSize = Get<std::uint32_t>(record + 16);
        if (state == 0 && oldSize == 0 && newSize == 0) return;
        if (oldSize > kLongestPath || newSize > kLongestPath || viaSize > kLongestPath) {
            run.cutShort = true;  // nothing after this can be found
            return;
        }
        const std::size_t pathBytes = std::size_t{oldSize} + newSize + viaSize;
        const std::size_t recordSize = kOldRecordHeaderSize + Padded(pathBytes);
        if (recordSize > size - at) {
            run.cutShort = true;
            return;
        }
        journal::Record& r = run.records.emplace_back();
        const auto sum = words ? &WordChecksum : &Checksum;
        const std::uint64_t checksum =
            sum(record + kOldRecordHeaderSize, pathBytes,
                sum(record + 4, kOldChecksumAt - 4, 0xcbf29ce484222325ULL));
        r.damaged = checksum != Get<std::uint64_t>(record + kOldChecksumAt) || !IsKnownState(state);
        r.state = static_cast<State>(state);
        r.changes = Get<std::uint32_t>(record + 4);
        r.before.modificationNs = Get<std::uint32_t>(record + 20);
        r.before.identity.device = Get<std::uint64_t>(record + 24);
        r.before.identity.inode = Get<std::uint64_t>(record + 32);
        r.before.creation = Get<std::int64_t>(record + 40);
        r.before.modification = Get<std::int64_t>(record + 48);
        r.before.access = Get<std::int64_t>(record + 56);
        r.before.size = Get<std::int64_t>(record + 64);
        r.before.accessNs = Get<std::uint32_t>(record + 72);
        r.before.attributes = record[76];
        r.before.link = record[77] != 0;
        r.before.birth = Get<std::int64_t>(record + kOldBirthAt);
        const char* paths = reinterpret_cast<const char*>(record + kOldRecordHeaderSize);
        r.oldPath = platform::Cp932FromUtf8(std::string_view(paths, oldSize));
        r.newPath = platform::Cp932FromUtf8(std::string_view(paths + oldSize, newSize));
        r.viaPath = platform::Cp932FromUtf8(std::string_view(paths + oldSize + newSize, viaSize));
        r.afterModification = r.before.modification;
        r.afterModificationNs = r.before.modificationNs;
        const auto after = Get<std::uint64_t>(record + kOldAfterChecksumAt);
        if (!r.damaged && r.state != State::Intended && after != 0 &&
            after == Checksum(record + kOldAfterAt, 16)) {
            r.afterModification = Get<std::int64_t>(record + kOldAfterAt);
            r.afterModificationNs = Get<std::uint32_t>(record + kOldAfterAt + 8);
        }
        if (offsets != nullptr) offsets->push_back(at);
        at += recordSize;
    }
}

void ParseRecords(const unsigned char* data, std::size_t size, std::size_t at, const Key& runKey,
                  journal::Run& run, std::vector<std::uint64_t>* offsets) {
    Reserve(size, at, kRecordHeaderSize, run, offsets);
    for (;;) {
        if (at + kRecordHeaderSize > size) {
            run.cutShort = true;  // a finished or killed run always leaves an empty record here
            return;
        }
        const unsigned char* record = data + at;
        const auto state = Get<std::uint32_t>(record);
        const auto oldSize = Get<std::uint32_t>(record + 44);
        const auto newSize = Get<std::uint32_t>(record + 48);
        const auto viaSize = Get<std::uint32_t>(record + 52);
        if (state == 0 && oldSize == 0 && newSize == 0) return;
        if (oldSize > kLongestPath || newSize > kLongestPath || viaSize > kLongestPath) {
            run.cutShort = true;  // nothing after this can be found
            return;
        }
        const std::size_t pathBytes = std::size_t{oldSize} + newSize + viaSize;
        const std::size_t recordSize = kRecordHeaderSize + Padded(pathBytes);
        if (recordSize > size - at) {
            run.cutShort = true;
            return;
        }
        journal::Record& r = run.records.emplace_back();
        // The index ties the record to its place: one moved or repeated does not verify.
        r.damaged =
            Keyed(runKey, record + kCheckedFrom, kRecordHeaderSize - kCheckedFrom + pathBytes) !=
                Get<std::uint64_t>(record + kChecksumAt) ||
            Get<std::uint32_t>(record + kIndexAt) != run.records.size() - 1 || !IsKnownState(state);
        r.state = static_cast<State>(state);
        r.changes = Get<std::uint32_t>(record + 40);
        r.before.identity.device = Get<std::uint64_t>(record + 56);
        r.before.identity.inode = Get<std::uint64_t>(record + 64);
        r.before.birth = Get<std::int64_t>(record + 72);
        r.before.creation = Get<std::int64_t>(record + 80);
        r.before.modification = Get<std::int64_t>(record + 88);
        r.before.access = Get<std::int64_t>(record + 96);
        r.before.size = Get<std::int64_t>(record + 104);
        r.before.modificationNs = Get<std::uint32_t>(record + 112);
        r.before.accessNs = Get<std::uint32_t>(record + 116);
        r.before.attributes = record[120];
        r.before.link = record[121] != 0;
        const char* paths = reinterpret_cast<const char*>(record + kRecordHeaderSize);
        r.oldPath = platform::Cp932FromUtf8(std::string_view(paths, oldSize));
        r.newPath = platform::Cp932FromUtf8(std::string_view(paths + oldSize, newSize));
        r.viaPath = platform::Cp932FromUtf8(std::string_view(paths + oldSize + newSize, viaSize));
        r.afterModification = r.before.modification;
        r.afterModificationNs = r.before.modificationNs;
        const auto after = Get<std::uint64_t>(record + kAfterChecksumAt);
        if (!r.damaged && r.state != State::Intended &&
            after == Keyed(runKey, record + kAfterAt, kAfterChecked)) {
            r.afterModification = Get<std::int64_t>(record + kAfterAt);
            r.afterModificationNs = Get<std::uint32_t>(record + kAfterAt + 8);
        }
        const auto left = Get<std::uint32_t>(record + kLeftAt);
        if (!r.damaged && left >> 16 <= static_cast<std::uint32_t>(Left::AttributesAndTimes)) {
            r.left = static_cast<Left>(left >> 16);
            r.leftError = static_cast<int>(left & 0xFFFF);
        }
        if (offsets != nullptr) offsets->push_back(at);
        at += recordSize;
    }
}

// A journal of an earlier version: its header's unkeyed checksum, then its records.
bool ParseLegacy(const std::string& bytes, journal::Run& run, std::vector<std::uint64_t>* offsets) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto rootSize = Get<std::uint32_t>(data + 12);
    if (rootSize > kLongestPath || kOldHeaderSize + Padded(rootSize) > bytes.size() ||
        Checksum(data + kOldHeaderSize, rootSize, Checksum(data, kOldHeaderChecked)) !=
            Get<std::uint64_t>(data + kOldHeaderChecksumAt)) {
        return false;
    }
    run.started = Get<std::int64_t>(data + 16);
    run.undoPasses = Get<std::uint32_t>(data + kOldUndoPassesAt);
    // These versions record no folders (a list's run recorded the job's folder as its root):
    // such a journal is trusted as the user's own file in the user's checked folder, and its
    // records are not confined.
    run.root = platform::Cp932FromUtf8(std::string_view(bytes.data() + kOldHeaderSize, rootSize));
    ParseLegacyRecords(data, bytes.size(), kOldHeaderSize + Padded(rootSize), run, offsets);
    return true;
}

journal::Run Parse(const std::string& path, const std::string& bytes,
                   const platform::HandleStatus& status, const StateFolder& folder,
                   std::vector<std::uint64_t>* offsets) {
    journal::Run run;
    run.path = path;
    run.name = NameOf(path);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() < kOldHeaderSize || std::memcmp(data, kMagic, sizeof kMagic) != 0) {
        run.problem = platform::Sjis("Undoの記録ファイルではありません");
        return run;
    }
    run.version = Get<std::uint32_t>(data + 8);
    const bool keyed = run.version == kVersion;
    if (!keyed && run.version != kWordChecksumVersion && run.version != kByteChecksumVersion) {
        run.problem = platform::Sjis("このバージョンでは読めない記録です");
        return run;
    }
    run.problem = FileProblem(status, keyed);
    if (!run.problem.empty()) return run;
    if (!keyed) {
        run.readable = ParseLegacy(bytes, run, offsets);
        if (!run.readable) run.problem = platform::Sjis("記録の先頭が壊れています");
        return run;
    }
    if (!folder.HasKey()) {
        run.problem = platform::Sjis("記録を確かめる鍵(key)がありません");
        return run;
    }
    const auto foldersSize = Get<std::uint32_t>(data + kFoldersSizeAt);
    const auto rootSize = Get<std::uint32_t>(data + kRootSizeAt);
    const Key runKey = RunKey(folder.UserKey(), data + kNonceAt);
    if (bytes.size() < kHeaderSize ||
        Keyed(folder.UserKey(), data + kHeaderChecked, kHeaderChecksumAt - kHeaderChecked) !=
            Get<std::uint64_t>(data + kHeaderChecksumAt)) {
        run.problem = platform::Sjis(
            "別のユーザーが書いた記録か、鍵が作り直される前の記録か、先頭が壊れた記録です");
        return run;
    }
    if (foldersSize > kLongestFolders || rootSize > foldersSize ||
        kHeaderSize + Padded(foldersSize) > bytes.size() ||
        Keyed(runKey, data + kHeaderSize, foldersSize) !=
            Get<std::uint64_t>(data + kFoldersChecksumAt)) {
        run.problem = platform::Sjis("記録の先頭が壊れています");
        return run;
    }
    run.readable = true;
    run.sequence = Get<std::uint64_t>(data + kSequenceAt);
    run.started = Get<std::int64_t>(data + kStartedAt);
    run.undoPasses = Get<std::uint32_t>(data + kUndoPassesAt);
    const std::string_view block(bytes.data() + kHeaderSize, foldersSize);
    run.root = platform::Cp932FromUtf8(block.substr(0, rootSize));
    run.folders = SplitFolders(block.substr(std::min<std::size_t>(rootSize + 1, block.size())));
    ParseRecords(data, bytes.size(), kHeaderSize + Padded(foldersSize), runKey, run, offsets);
    return run;
}

// A journal file of the folder and where it stands in the order of runs.
struct Listed {
    std::string name;       // the file's name (CP932)
    bool verified = false;  // its header shows it is the user's
    int tier = 1;           // 2: numbered; 1: a journal of an earlier version
    std::uint64_t number = 0;
    // Its header could not be read (a system error, not a header of someone else's): what it
    // is stays unknown, so it is never removed, and no run is numbered below its name.
    bool unread = false;
};

// Where a file's name puts it when its header cannot be trusted: our names are the run's number
// (with "-N" when the name was taken); the earlier versions' names hold their start.
void ClassifyByName(Listed& entry) {
    const std::string_view stem =
        std::string_view(entry.name).substr(0, entry.name.size() - std::strlen(kSuffix));
    const std::size_t digits = stem.find_first_not_of("0123456789");
    const std::size_t numberEnd = digits == std::string_view::npos ? stem.size() : digits;
    const bool numbered =
        numberEnd > 0 && numberEnd <= 19 &&
        (numberEnd == stem.size() ||
         (stem[numberEnd] == '-' && numberEnd + 1 < stem.size() &&
          stem.find_first_not_of("0123456789", numberEnd + 1) == std::string_view::npos));
    entry.tier = numbered ? 2 : 1;
    entry.number =
        numbered ? std::strtoull(std::string(stem.substr(0, numberEnd)).c_str(), nullptr, 10) : 0;
}

Listed Classify(const StateFolder& folder, std::string name) {
    Listed entry;
    entry.name = std::move(name);
    ClassifyByName(entry);
    int error = 0;
    const std::unique_ptr<platform::FileHandle> file =
        folder.Folder().Open(entry.name, platform::FileAccess::kRead, error);
    // A link is never followed (ELOOP): it is no journal of ours.
    if (file == nullptr) {
        entry.unread = error != ELOOP;
        return entry;
    }
    std::string head;
    platform::HandleStatus status;
    if (file->ReadAt(0, kHeaderSize, head) != 0 || file->Status(status) != 0) {
        entry.unread = true;
        return entry;
    }
    const std::size_t got = head.size();
    head.resize(kHeaderSize);  // zeros past the end of a shorter file
    const auto* data = reinterpret_cast<const unsigned char*>(head.data());
    const auto version = Get<std::uint32_t>(data + 8);
    if (got < kOldHeaderSize || std::memcmp(data, kMagic, sizeof kMagic) != 0 ||
        !FileProblem(status, version == kVersion).empty()) {
        return entry;
    }
    if (version == kVersion) {
        if (folder.HasKey() && got == kHeaderSize &&
            Keyed(folder.UserKey(), data + kHeaderChecked, kHeaderChecksumAt - kHeaderChecked) ==
                Get<std::uint64_t>(data + kHeaderChecksumAt)) {
            entry.verified = true;
            entry.tier = 2;
            entry.number = Get<std::uint64_t>(data + kSequenceAt);
        }
    } else if (version == kWordChecksumVersion || version == kByteChecksumVersion) {
        const auto rootSize = Get<std::uint32_t>(data + 12);
        std::string root;
        if (rootSize > kLongestPath) return entry;
        if (file->ReadAt(kOldHeaderSize, rootSize, root) != 0) {
            entry.unread = true;
            return entry;
        }
        if (root.size() == rootSize && Checksum(reinterpret_cast<const unsigned char*>(root.data()),
                                                root.size(), Checksum(data, kOldHeaderChecked)) ==
                                           Get<std::uint64_t>(data + kOldHeaderChecksumAt)) {
            entry.verified = true;
            entry.tier = 1;
            entry.number = 0;
        }
    }
    return entry;
}

// The journal files of an open state folder, newest first; 0 or the error of the listing.
int ListJournals(const StateFolder& folder, std::vector<Listed>& entries) {
    entries.clear();
    std::vector<std::string> names;
    if (const int error = folder.Folder().List(names)) return error;
    for (std::string& name : names) {
        if (name.size() > std::strlen(kSuffix) && name.ends_with(kSuffix) && name[0] != '.')
            entries.push_back(Classify(folder, std::move(name)));
    }
    std::sort(entries.begin(), entries.end(), [](const Listed& a, const Listed& b) {
        if (a.tier != b.tier) return a.tier > b.tier;
        if (a.number != b.number) return a.number > b.number;
        return a.name > b.name;
    });
    return 0;
}

std::string NoFolderProblem() {
    return platform::Sjis(
        "Undoの記録を置くフォルダがありません: XDG_STATE_HOMEが絶対パスではなく、パスワード"
        "ファイルにユーザーのホームフォルダもありません。\nXDG_STATE_HOMEに自分だけが書き込める"
        "フォルダを指定してください。");
}

}  // namespace

namespace journal {

std::size_t Run::Count(State state) const {
    return static_cast<std::size_t>(
        std::count_if(records.begin(), records.end(),
                      [state](const Record& r) { return !r.damaged && r.state == state; }));
}

std::size_t Run::Damaged() const {
    return (cutShort ? 1 : 0) +
           static_cast<std::size_t>(std::count_if(records.begin(), records.end(),
                                                  [](const Record& r) { return r.damaged; }));
}

std::size_t Run::Files() const {
    std::size_t files = 0;
    for (const Record& r : records)
        files += r.state != State::Void && (r.changes & kParked) == 0 ? 1 : 0;
    return files;
}

std::size_t Run::Pending() const {
    return Count(State::Intended) + Count(State::Done);
}

StateFolder::~StateFolder() {
    Close();
}

void StateFolder::Close() {
    m_folder.reset();
    m_hasKey = false;
    m_key.fill(0);
}

int StateFolder::Refuse(int error, std::string problem) {
    Close();
    m_problem = std::move(problem);
    return error;
}

int StateFolder::Open(platform::FileSystem& fileSystem, const std::string& folder, bool create) {
    Close();
    m_problem.clear();
    m_path = folder;
    static std::once_flag sodium;
    std::call_once(sodium, [] {
        if (sodium_init() < 0) std::abort();  // never: it only fails without a random source
    });
    if (folder.empty() || folder[0] != '/') return Refuse(ENOENT, NoFolderProblem());
    int error = 0;
    m_folder = fileSystem.OpenFolder(folder, false, error);
    if (m_folder == nullptr && error == ENOENT && create) {
        m_folder = fileSystem.OpenFolder(folder, true, error);
        if (m_folder == nullptr) {
            return Refuse(error, platform::Sjis("Undoの記録フォルダを作れません: ") + folder +
                                     " : " + SystemText(error));
        }
    }
    if (m_folder == nullptr) {
        // Missing, for a reader: no run has been recorded yet.
        return Refuse(
            error, error == ENOENT && !create ? std::string() : folder + " : " + SystemText(error));
    }
    platform::HandleStatus status;
    if ((error = m_folder->Status(status)) != 0)
        return Refuse(error, folder + " : " + SystemText(error));
    if (status.owner != ::geteuid()) {
        return Refuse(EPERM,
                      platform::Sjis("Undoの記録フォルダ ") + folder +
                          platform::Sjis(" は別のユーザー(uid ") + Uid(status.owner) +
                          platform::Sjis(")のものなので使えません。\n自分のフォルダをXDG_STATE_"
                                         "HOMEに指定するか、管理者にこのフォルダを削除してもら"
                                         "ってください。"));
    }
    if ((status.permissions & kWritableByOthers) != 0) {
        const std::string quoted = "'" + folder + "'";
        return Refuse(EPERM, platform::Sjis("Undoの記録フォルダ ") + folder +
                                 platform::Sjis(" には他のユーザーも書き込めるので使えません。\n"
                                                "自分だけのフォルダにしてください: chmod 700 ") +
                                 quoted);
    }
    return LoadKey(create);
}

std::unique_ptr<platform::FileHandle> StateFolder::Lock(bool exclusive, int& error) const {
    std::unique_ptr<platform::FileHandle> lock =
        m_folder->Open(kLockName, platform::FileAccess::kCreate, error);
    if (lock != nullptr && (error = lock->Lock(exclusive, true)) != 0) lock.reset();
    return lock;
}

int StateFolder::LoadKey(bool create) {
    const std::string keyPath = m_path + kKeyName;
    int error = 0;
    std::unique_ptr<platform::FileHandle> file =
        m_folder->Open(kKeyName, platform::FileAccess::kRead, error);
    if (file == nullptr) {
        if (error == ENOENT && !create) return 0;  // no run of this version yet
        if (error != ENOENT) return Refuse(error, keyPath + " : " + SystemText(error));
        // Made whole under a name of its own and linked into place under the folder's lock, so
        // that no one ever reads half a key, and two runs at once end with one key.
        const std::unique_ptr<platform::FileHandle> lock = Lock(true, error);
        if (lock == nullptr) return Refuse(error, m_path + kLockName + " : " + SystemText(error));
        m_folder->Remove(kNewKeyName);
        Key key;
        int made = RandomBytes(key.data(), key.size());
        std::unique_ptr<platform::FileHandle> out;
        if (made == 0) out = m_folder->Open(kNewKeyName, platform::FileAccess::kCreateNew, made);
        if (made == 0) {
            made = out->WriteAt(
                0, std::string_view(reinterpret_cast<const char*>(key.data()), key.size()));
        }
        if (made == 0) made = out->Sync();
        out.reset();
        if (made == 0) {
            made = m_folder->Link(kNewKeyName, kKeyName);
            if (made == EEXIST) made = 0;  // another run made it meanwhile: that one is the key
        }
        m_folder->Remove(kNewKeyName);
        if (made != 0) return Refuse(made, keyPath + " : " + SystemText(made));
        return LoadKey(false);
    }
    // A key that cannot be read is reported with the system's error: only one that was read
    // is called damaged (its removal makes every earlier journal impossible to verify).
    platform::HandleStatus status;
    std::string bytes;
    if ((error = file->Status(status)) == 0 && status.regular && status.size == m_key.size())
        error = file->ReadAt(0, m_key.size(), bytes);
    file.reset();
    if (error != 0) return Refuse(error, keyPath + " : " + SystemText(error));
    if (status.owner != ::geteuid()) {
        return Refuse(EPERM, platform::Sjis("Undoの記録の鍵 ") + keyPath +
                                 platform::Sjis(" は別のユーザー(uid ") + Uid(status.owner) +
                                 platform::Sjis(")のものなので使えません。削除してください。"));
    }
    if ((status.permissions & kOpenToOthers) != 0) {
        return Refuse(EPERM, platform::Sjis("Undoの記録の鍵 ") + keyPath +
                                 platform::Sjis(" は他のユーザーも読み書きできるので使えません。\n"
                                                "自分だけのファイルにしてください: chmod 600 '") +
                                 keyPath + "'");
    }
    if (bytes.size() != m_key.size()) {
        return Refuse(EINVAL, platform::Sjis("Undoの記録の鍵 ") + keyPath +
                                  platform::Sjis(" が壊れています。削除してください(それまでの"
                                                 "記録はUndoできなくなります)。"));
    }
    std::memcpy(m_key.data(), bytes.data(), m_key.size());
    m_hasKey = true;
    return 0;
}

std::vector<std::string> ListRuns(const std::string& folder, platform::FileSystem& fileSystem,
                                  int* error) {
    std::vector<std::string> paths;
    StateFolder state;
    int failed = state.Open(fileSystem, folder, false);
    std::vector<Listed> listed;
    if (failed == 0) failed = ListJournals(state, listed);
    for (const Listed& entry : listed) paths.push_back(folder + entry.name);
    if (error != nullptr) *error = failed;
    return paths;
}

namespace {

// Opens a journal file in its (checked) state folder and reads it; null when it could not be
// opened or read, with `error` set and `run` saying why where there is more to say. A reader
// (kRead) learns whether a run or an undo holds the file; a writer (kReadWrite) locks it.
std::unique_ptr<platform::FileHandle> OpenAndRead(platform::FileSystem& fileSystem,
                                                  const std::string& path,
                                                  platform::FileAccess access, Run& run,
                                                  std::vector<std::uint64_t>* offsets,
                                                  bool& running, int& error) {
    StateFolder folder;
    const std::size_t slash = path.rfind('/');
    run = {};
    run.path = path;
    run.name = NameOf(path);
    if ((error = folder.Open(fileSystem, path.substr(0, slash + 1), false)) != 0) {
        run.problem = !folder.Problem().empty() ? folder.Problem() : SystemText(error);
        return nullptr;
    }
    std::unique_ptr<platform::FileHandle> file =
        folder.Folder().Open(path.substr(slash + 1), access, error);
    if (file == nullptr) {
        run.problem = SystemText(error);
        return nullptr;
    }
    if (access == platform::FileAccess::kRead) {
        running = file->Lock(false, false) == EWOULDBLOCK;
    } else if ((error = file->Lock(true, false)) != 0) {
        return nullptr;
    }
    std::string bytes;
    platform::HandleStatus status;
    if ((error = file->Status(status)) == 0) error = ReadAll(*file, status, bytes);
    if (error != 0) {
        run.problem = SystemText(error);
        return nullptr;
    }
    run = Parse(path, bytes, status, folder, offsets);
    return file;
}

}  // namespace

Run ReadRun(const std::string& path, platform::FileSystem& fileSystem) {
    Run run;
    bool running = false;
    int error = 0;
    OpenAndRead(fileSystem, path, platform::FileAccess::kRead, run, nullptr, running, error);
    run.running = running;
    return run;
}

RunFile::~RunFile() {
    Close();
}

int RunFile::Open(const std::string& path, platform::FileSystem& fileSystem) {
    Close();
    bool running = false;
    int error = 0;
    m_file = OpenAndRead(fileSystem, path, platform::FileAccess::kReadWrite, m_run, &m_offsets,
                         running, error);
    platform::HandleStatus status;
    if (m_file != nullptr && m_file->Status(status) == 0 && status.size > 0 &&
        m_file->Map(static_cast<std::size_t>(status.size), m_data) == 0) {
        m_mapped = static_cast<std::size_t>(status.size);
    } else {
        m_data = nullptr;
    }
    return error;
}

int RunFile::WriteWord(std::uint64_t offset, std::uint32_t value) {
    if (m_data != nullptr && offset + sizeof value <= m_mapped) {
        const bool stored = platform::MappedFile::Guarded(
            [&] { std::memcpy(m_data + offset, &value, sizeof value); });
        return stored ? 0 : EIO;
    }
    return m_file->WriteAt(offset,
                           std::string_view(reinterpret_cast<const char*>(&value), sizeof value));
}

int RunFile::SetState(std::size_t i, State state) {
    if (m_file == nullptr || i >= m_offsets.size()) return EBADF;
    if (const int error = WriteWord(m_offsets[i], static_cast<std::uint32_t>(state))) return error;
    m_run.records[i].state = state;
    return 0;
}

int RunFile::SetLeft(std::size_t i, Left reason, int error) {
    if (m_file == nullptr || i >= m_offsets.size()) return EBADF;
    // The earlier versions have no room for it.
    if (m_run.version != kVersion) return 0;
    const std::uint32_t value =
        (static_cast<std::uint32_t>(reason) << 16) | (static_cast<std::uint32_t>(error) & 0xFFFF);
    if (const int failed = WriteWord(m_offsets[i] + kLeftAt, value)) return failed;
    m_run.records[i].left = reason;
    m_run.records[i].leftError = error;
    return 0;
}

int RunFile::CountUndoPass() {
    if (m_file == nullptr || !m_run.readable) return EBADF;
    const std::uint32_t passes = m_run.undoPasses + 1;
    const std::uint64_t at = m_run.version == kVersion ? kUndoPassesAt : kOldUndoPassesAt;
    if (const int error = WriteWord(at, passes)) return error;
    m_run.undoPasses = passes;
    return 0;
}

void RunFile::Close() {
    m_file.reset();
    m_data = nullptr;
    m_mapped = 0;
    m_run = {};
    m_offsets.clear();
}

}  // namespace journal

UndoJournal::UndoJournal(std::string folder) : m_folder(std::move(folder)) {}

UndoJournal::~UndoJournal() {
    EndRun();
}

std::string UndoJournal::DefaultFolder() {
    std::string folder;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
        folder = state;
    } else {
        // The password entry, not $HOME: a changed or missing HOME must not move the journals
        // into a folder someone else chose or shares.
        passwd entry{};
        passwd* found = nullptr;
        std::vector<char> buffer(1024);
        int error = 0;
        while ((error = ::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found)) ==
                   ERANGE &&
               buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
        }
        if (error != 0 || found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/')
            return {};
        folder = std::string(found->pw_dir);
        if (folder.back() != '/') folder += '/';
        folder += ".local/state";
    }
    if (folder.back() != '/') folder += '/';
    return platform::Cp932FromUtf8(folder + "morvanex/");
}

int UndoJournal::BeginRun(platform::FileSystem& fileSystem, std::string_view root,
                          platform::Timestamp now, const std::vector<std::string>& folders) {
    EndRun();
    m_fileSystem = &fileSystem;
    m_problem.clear();
    m_runPath.clear();
    m_written = 0;
    if (m_folder.empty()) {
        m_problem = NoFolderProblem();
        return ENOENT;
    }
    if (const int error = m_state.Open(fileSystem, m_folder, true)) {
        m_problem = m_state.Problem();
        m_state.Close();
        return error;
    }
    if (!m_state.HasKey()) {  // made a moment ago and gone again
        m_state.Close();
        return ENOENT;
    }
    // The folder block: the root, then the folders the records must lie in.
    std::string block;
    platform::Utf8FromCp932(root, block);
    const std::size_t rootSize = block.size();
    block += '\0';
    std::string host;
    for (const std::string& folder :
         folders.empty() ? std::vector<std::string>{std::string(root)} : folders) {
        platform::Utf8FromCp932(folder, host);
        block.append(host).append(1, '\0');
    }
    if (rootSize > kLongestPath || block.size() > kLongestFolders) {
        m_state.Close();
        return ENAMETOOLONG;
    }

    // The number is taken, and the oldest journals make room, under the folder's lock: two runs
    // beginning at once get two numbers, whatever the clock says.
    int error = 0;
    std::unique_ptr<platform::FileHandle> lock = m_state.Lock(true, error);
    std::vector<Listed> listed;
    // Without the whole listing the run's number would not be known to be the highest.
    if (error == 0) error = ListJournals(m_state, listed);
    if (error != 0) {
        m_state.Close();
        return error;
    }
    std::uint64_t highest = 0;
    for (const Listed& entry : listed) {
        if ((entry.verified || entry.unread) && entry.tier == 2)
            highest = std::max(highest, entry.number);
    }
    // Files that cannot be verified go first; then the oldest. One that a run or an undo still
    // holds stays, and so does one that could not be read.
    std::vector<const Listed*> byAge;
    for (const Listed& entry : listed) {
        if (entry.verified) byAge.push_back(&entry);
    }
    for (const Listed& entry : listed) {
        if (!entry.verified && !entry.unread) byAge.push_back(&entry);
    }
    for (std::size_t i = kRunsKept - 1; i < byAge.size(); ++i) {
        const std::unique_ptr<platform::FileHandle> file =
            m_state.Folder().Open(byAge[i]->name, platform::FileAccess::kRead, error);
        if (file != nullptr && file->Lock(true, false) == 0)
            m_state.Folder().Remove(byAge[i]->name);
    }
    error = CreateRunFile(highest + 1);
    const std::size_t headerSize = kHeaderSize + Padded(block.size());
    if (error == 0) error = m_file.Reserve(headerSize + kRecordHeaderSize);
    unsigned char nonce[16];
    if (error == 0) error = RandomBytes(nonce, sizeof nonce);
    if (error == 0) {
        m_runKey = RunKey(m_state.UserKey(), nonce);
        unsigned char* data = m_file.Data();
        const std::uint64_t sequence = highest + 1;
        const bool stored = platform::MappedFile::Guarded([&] {
            std::memcpy(data, kMagic, sizeof kMagic);
            Put<std::uint32_t>(data + 8, kVersion);
            Put<std::uint32_t>(data + kFoldersSizeAt, static_cast<std::uint32_t>(block.size()));
            Put<std::int64_t>(data + kStartedAt, now);
            Put<std::uint64_t>(data + kSequenceAt, sequence);
            std::memcpy(data + kNonceAt, nonce, sizeof nonce);
            std::memcpy(data + kHeaderSize, block.data(), block.size());
            Put<std::uint64_t>(data + kFoldersChecksumAt,
                               Keyed(m_runKey, data + kHeaderSize, block.size()));
            Put<std::uint32_t>(data + kRootSizeAt, static_cast<std::uint32_t>(rootSize));
            Put<std::uint32_t>(data + kPidAt, static_cast<std::uint32_t>(::getpid()));
            Put<std::uint64_t>(data + kHeaderChecksumAt,
                               Keyed(m_state.UserKey(), data + kHeaderChecked,
                                     kHeaderChecksumAt - kHeaderChecked));
        });
        if (!stored) error = EIO;
    }
    if (error != 0 && m_file.IsOpen()) m_state.Folder().Remove(m_runPath.substr(m_folder.size()));
    lock.reset();
    m_state.Close();
    if (error != 0) {
        m_file.Close();
        m_runPath.clear();
        return error;
    }
    m_end = headerSize;
    m_writing = true;
    return 0;
}

// The journal file of run `sequence`, named by its number (the name only shows it: the order
// comes from the header).
int UndoJournal::CreateRunFile(std::uint64_t sequence) {
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        char name[48];
        if (attempt == 0) {
            std::snprintf(name, sizeof name, "%06llu", static_cast<unsigned long long>(sequence));
        } else {
            std::snprintf(name, sizeof name, "%06llu-%d", static_cast<unsigned long long>(sequence),
                          attempt);
        }
        m_runPath = m_folder + name + kSuffix;
        error = m_file.CreateLocked(m_state.Folder(), std::string(name) + kSuffix);
    }
    return error;
}

int UndoJournal::Intend(std::string_view oldPath, std::string_view newPath,
                        std::string_view viaPath, const platform::FileStatus& before,
                        std::uint32_t changes) {
    if (!m_writing) return EBADF;
    // Paths are kept in the host's own form: the journal outlives this process.
    std::string& paths = m_buffer;
    std::string& part = m_part;
    platform::Utf8FromCp932(oldPath, paths);
    const std::size_t oldSize = paths.size();
    platform::Utf8FromCp932(newPath, part);
    paths += part;
    const std::size_t newSize = part.size();
    platform::Utf8FromCp932(viaPath, part);
    paths += part;
    const std::size_t viaSize = part.size();
    // A relative path would name another file for an undo started elsewhere.
    if (!paths.starts_with('/') || (newSize > 0 && paths[oldSize] != '/') ||
        (viaSize > 0 && paths[oldSize + newSize] != '/')) {
        return EINVAL;
    }
    if (oldSize > kLongestPath || newSize > kLongestPath || viaSize > kLongestPath)
        return ENAMETOOLONG;
    const std::size_t size = kRecordHeaderSize + Padded(paths.size());
    // One more record header beyond this record stays zero: it marks the end of the records.
    if (const int error = m_file.Reserve(m_end + size + kRecordHeaderSize)) return error;
    unsigned char* record = m_file.Data() + m_end;
    const auto index = static_cast<std::uint32_t>(m_written);
    const bool stored = platform::MappedFile::Guarded([&] {
        Put<std::uint32_t>(record + 40, changes);
        Put<std::uint32_t>(record + 44, static_cast<std::uint32_t>(oldSize));
        Put<std::uint32_t>(record + 48, static_cast<std::uint32_t>(newSize));
        Put<std::uint32_t>(record + 52, static_cast<std::uint32_t>(viaSize));
        Put<std::uint64_t>(record + 56, before.identity.device);
        Put<std::uint64_t>(record + 64, before.identity.inode);
        Put<std::int64_t>(record + 72, before.birth);
        Put<std::int64_t>(record + 80, before.creation);
        Put<std::int64_t>(record + 88, before.modification);
        Put<std::int64_t>(record + 96, before.access);
        Put<std::int64_t>(record + 104, before.size);
        Put<std::uint32_t>(record + 112, before.modificationNs);
        Put<std::uint32_t>(record + 116, before.accessNs);
        record[120] = before.attributes;
        record[121] = before.link ? 1 : 0;
        Put<std::uint32_t>(record + kIndexAt, index);
        std::memcpy(record + kRecordHeaderSize, paths.data(), paths.size());
        Put<std::uint64_t>(record + kChecksumAt,
                           Keyed(m_runKey, record + kCheckedFrom,
                                 kRecordHeaderSize - kCheckedFrom + paths.size()));
        StateWord(record).store(static_cast<std::uint32_t>(State::Intended),
                                std::memory_order_release);
    });
    if (!stored) return EIO;
    m_lastRecord = m_end;
    m_end += size;
    ++m_written;
    return 0;
}

bool UndoJournal::Done(platform::Timestamp modification, std::uint32_t modificationNs) {
    if (!m_writing) return false;
    unsigned char* record = m_file.Data() + m_lastRecord;
    return platform::MappedFile::Guarded([&] {
        Put<std::int64_t>(record + kAfterAt, modification);
        Put<std::uint32_t>(record + kAfterAt + 8, modificationNs);
        Put<std::uint64_t>(record + kAfterChecksumAt,
                           Keyed(m_runKey, record + kAfterAt, kAfterChecked));
        StateWord(record).store(static_cast<std::uint32_t>(State::Done), std::memory_order_release);
    });
}

bool UndoJournal::Void() {
    return SetLastState(State::Void);
}

bool UndoJournal::SetLastState(State state) {
    if (!m_writing) return false;
    unsigned char* record = m_file.Data() + m_lastRecord;
    return platform::MappedFile::Guarded([&] {
        StateWord(record).store(static_cast<std::uint32_t>(state), std::memory_order_release);
    });
}

long UndoJournal::RecordedNow() const {
    if (m_runPath.empty()) return -1;
    const journal::Run run = journal::ReadRun(m_runPath, *m_fileSystem);
    if (!run.readable) return -1;
    return static_cast<long>(std::count_if(run.records.begin(), run.records.end(),
                                           [](const journal::Record& r) { return !r.damaged; }));
}

int UndoJournal::EndRun() {
    if (!m_file.IsOpen()) return 0;
    // A cut file keeps its cut: growing it back would only fill it with zeros, and an undo
    // reads what it still holds.
    std::size_t size = 0;
    int error = 0;
    if (m_writing && m_written > 0 && m_file.FileSize(size) == 0 && size < m_end) error = EIO;
    // Every record was in the page cache the moment it was stored, which is all a killed
    // process needs; the disk gets the journal by the kernel's writeback, started here and not
    // waited for, so a run of many files does not end in a long flush.
    if (m_writing && error == 0) m_file.Truncate(m_end + kRecordHeaderSize);
    m_file.SyncLater();
    m_file.Close();
    m_writing = false;
    return error;
}

}  // namespace morvanex::engine
