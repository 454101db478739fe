#include "engine/UndoJournal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Codepage.h"

namespace morvanex::engine {

namespace {

using journal::State;

constexpr char kMagic[8] = {'M', 'V', 'X', 'J', 'R', 'N', 'L', '2'};
// Version 3 checksums its records word by word; journals of version 2 (byte by byte) are still
// read, so that a run made before an update can be undone after it.
constexpr std::uint32_t kVersion = 3;
constexpr std::uint32_t kByteChecksumVersion = 2;
constexpr std::size_t kHeaderSize = 64;
constexpr std::size_t kHeaderChecksumAt = 56;
// The header's checksum covers its first bytes and the root; what an undo writes later lies
// outside them.
constexpr std::size_t kHeaderChecked = 32;
constexpr std::size_t kUndoPassesAt = 32;
constexpr std::size_t kRecordHeaderSize = 120;
constexpr std::size_t kBirthAt = 80;
constexpr std::size_t kChecksumAt = 88;
constexpr std::size_t kAfterAt = 96;
constexpr std::size_t kAfterChecksumAt = 112;
// No path the host accepts is longer; a longer length is damage.
constexpr std::uint32_t kLongestPath = 1 << 16;
constexpr const char* kSuffix = ".journal";

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

// FNV-1a over 64 bits: any damaged byte changes it. It guards the header and the few bytes an
// ended change adds to a record.
std::uint64_t Checksum(const unsigned char* data, std::size_t size,
                       std::uint64_t hash = 0xcbf29ce484222325ULL) {
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= data[i];
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

// The same over eight bytes a step, for the records the run writes as it goes: a step is a
// bijection of the hash for any given word, so a damaged word always changes the result, and the
// chain of multiplications is an eighth as long as FNV-1a's.
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

using ChecksumFunction = std::uint64_t (*)(const unsigned char*, std::size_t, std::uint64_t);

// A record's checksum: its fixed fields, then its paths.
std::uint64_t RecordChecksum(const unsigned char* record, std::size_t pathBytes,
                             ChecksumFunction sum) {
    return sum(record + kRecordHeaderSize, pathBytes,
               sum(record + 4, kChecksumAt - 4, 0xcbf29ce484222325ULL));
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

// Creates each missing folder along the path (host form); 0 or the error of the last one.
int CreateFolders(const std::string& hostFolder) {
    for (std::size_t slash = hostFolder.find('/', 1); slash != std::string::npos;
         slash = hostFolder.find('/', slash + 1)) {
        const std::string part = hostFolder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    }
    struct stat status {};
    if (::stat(hostFolder.c_str(), &status) != 0) return errno;
    return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
}

// The name of a new run's journal: its start in local time to the nanosecond and the process,
// so that names sort in the order the runs began.
std::string NewRunName(long extra) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const platform::LocalTime local = platform::ToLocalTime(now.tv_sec);
    char name[80];
    std::snprintf(name, sizeof name, "%04d%02d%02d-%02d%02d%02d.%09ld-%d", local.year, local.month,
                  local.day, local.hour, local.minute, local.second,
                  (now.tv_nsec + extra) % 1000000000L, static_cast<int>(::getpid()));
    return name;
}

// Parses the records of a journal read into memory.
void ParseRecords(const unsigned char* data, std::size_t size, std::size_t at, journal::Run& run,
                  std::vector<std::uint64_t>* offsets, ChecksumFunction sum) {
    for (;;) {
        if (at + kRecordHeaderSize > size) {
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
        const std::size_t recordSize =
            kRecordHeaderSize + Padded(std::size_t{oldSize} + newSize + viaSize);
        if (recordSize > size - at) {
            run.cutShort = true;
            return;
        }
        journal::Record& r = run.records.emplace_back();
        const char* paths = reinterpret_cast<const char*>(record + kRecordHeaderSize);
        r.damaged = RecordChecksum(record, std::size_t{oldSize} + newSize + viaSize, sum) !=
                        Get<std::uint64_t>(record + kChecksumAt) ||
                    !IsKnownState(state);
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
        r.before.birth = Get<std::int64_t>(record + kBirthAt);
        r.oldPath = platform::Cp932FromUtf8(std::string_view(paths, oldSize));
        r.newPath = platform::Cp932FromUtf8(std::string_view(paths + oldSize, newSize));
        r.viaPath = platform::Cp932FromUtf8(std::string_view(paths + oldSize + newSize, viaSize));
        r.afterModification = r.before.modification;
        r.afterModificationNs = r.before.modificationNs;
        if (!r.damaged && r.state != State::Intended &&
            Get<std::uint64_t>(record + kAfterChecksumAt) == Checksum(record + kAfterAt, 16) &&
            Get<std::uint64_t>(record + kAfterChecksumAt) != 0) {
            r.afterModification = Get<std::int64_t>(record + kAfterAt);
            r.afterModificationNs = Get<std::uint32_t>(record + kAfterAt + 8);
        }
        if (offsets != nullptr) offsets->push_back(at);
        at += recordSize;
    }
}

// Reads the whole file (the journal is read, never mapped, by an undo: a file cut short meanwhile
// is then simply shorter).
int ReadAll(int fd, std::string& bytes) {
    bytes.clear();
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) return 0;
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

journal::Run Parse(const std::string& path, const std::string& bytes,
                   std::vector<std::uint64_t>* offsets) {
    journal::Run run;
    run.path = path;
    const std::string fileName = path.substr(path.rfind('/') + 1);
    run.name = fileName.substr(0, fileName.size() - std::strlen(kSuffix));
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() < kHeaderSize || std::memcmp(data, kMagic, sizeof kMagic) != 0) return run;
    const auto version = Get<std::uint32_t>(data + 8);
    if (version != kVersion && version != kByteChecksumVersion) return run;
    const auto rootSize = Get<std::uint32_t>(data + 12);
    if (rootSize > kLongestPath || kHeaderSize + Padded(rootSize) > bytes.size() ||
        Checksum(data + kHeaderSize, rootSize, Checksum(data, kHeaderChecked)) !=
            Get<std::uint64_t>(data + kHeaderChecksumAt)) {
        return run;
    }
    run.readable = true;
    run.started = Get<std::int64_t>(data + 16);
    run.undoPasses = Get<std::uint32_t>(data + kUndoPassesAt);
    run.root = platform::Cp932FromUtf8(std::string_view(bytes.data() + kHeaderSize, rootSize));
    ParseRecords(data, bytes.size(), kHeaderSize + Padded(rootSize), run, offsets,
                 version == kVersion ? &WordChecksum : &Checksum);
    return run;
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

std::size_t Run::Pending() const {
    return Count(State::Intended) + Count(State::Done);
}

std::vector<std::string> ListRuns(const std::string& folder) {
    std::vector<std::string> names;
    const std::string host = platform::Utf8FromCp932(folder);
    DIR* dir = ::opendir(host.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() > std::strlen(kSuffix) && name.ends_with(kSuffix) && name[0] >= '0' &&
            name[0] <= '9') {
            names.emplace_back(name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), std::greater<>());
    for (auto& name : names) name = folder + platform::Cp932FromUtf8(name);
    return names;
}

Run ReadRun(const std::string& path) {
    const int fd = ::open(platform::Utf8FromCp932(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Parse(path, {}, nullptr);
    const bool running = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    std::string bytes;
    ReadAll(fd, bytes);
    ::close(fd);
    Run run = Parse(path, bytes, nullptr);
    run.running = running;
    return run;
}

RunFile::~RunFile() {
    Close();
}

int RunFile::Open(const std::string& path) {
    Close();
    m_fd = ::open(platform::Utf8FromCp932(path).c_str(), O_RDWR | O_CLOEXEC);
    if (m_fd < 0) return errno;
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        Close();
        return error;
    }
    std::string bytes;
    if (const int error = ReadAll(m_fd, bytes)) {
        Close();
        return error;
    }
    m_run = Parse(path, bytes, &m_offsets);
    return 0;
}

int RunFile::SetState(std::size_t i, State state) {
    if (m_fd < 0 || i >= m_offsets.size()) return EBADF;
    const auto value = static_cast<std::uint32_t>(state);
    if (::pwrite(m_fd, &value, sizeof value, static_cast<off_t>(m_offsets[i])) != sizeof value) {
        return errno != 0 ? errno : EIO;
    }
    m_run.records[i].state = state;
    return 0;
}

int RunFile::CountUndoPass() {
    if (m_fd < 0 || !m_run.readable) return EBADF;
    const std::uint32_t passes = m_run.undoPasses + 1;
    if (::pwrite(m_fd, &passes, sizeof passes, kUndoPassesAt) != sizeof passes) {
        return errno != 0 ? errno : EIO;
    }
    m_run.undoPasses = passes;
    return 0;
}

void RunFile::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_run = {};
    m_offsets.clear();
}

}  // namespace journal

UndoJournal::UndoJournal(std::string folder) : m_folder(std::move(folder)) {}

UndoJournal::~UndoJournal() {
    EndRun();
}

std::string UndoJournal::DefaultFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    std::string folder;
    if (state != nullptr && state[0] == '/') {
        folder = state;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::string(home != nullptr ? home : "/tmp") + "/.local/state";
    }
    if (folder.back() != '/') folder += '/';
    return platform::Cp932FromUtf8(folder + "morvanex/");
}

int UndoJournal::BeginRun(std::string_view root, platform::Timestamp now) {
    EndRun();
    if (const int error = CreateFolders(platform::Utf8FromCp932(m_folder))) return error;
    // The oldest journals make room; one that a run or an undo still holds stays.
    const std::vector<std::string> runs = journal::ListRuns(m_folder);
    for (std::size_t i = kRunsKept - 1; i < runs.size(); ++i) {
        const std::string host = platform::Utf8FromCp932(runs[i]);
        const int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(host.c_str());
        ::close(fd);
    }
    int error = EEXIST;
    for (long attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        m_runPath = m_folder + NewRunName(attempt) + kSuffix;
        error = m_file.CreateLocked(m_runPath);
    }
    std::string hostRoot;
    platform::Utf8FromCp932(root, hostRoot);
    if (error == 0 && hostRoot.size() > kLongestPath) error = ENAMETOOLONG;
    const std::size_t headerSize = kHeaderSize + Padded(hostRoot.size());
    if (error == 0) error = m_file.Reserve(headerSize + kRecordHeaderSize);
    if (error == 0) {
        unsigned char* data = m_file.Data();
        const bool stored = platform::MappedFile::Guarded([&] {
            std::memcpy(data, kMagic, sizeof kMagic);
            Put<std::uint32_t>(data + 8, kVersion);
            Put<std::uint32_t>(data + 12, static_cast<std::uint32_t>(hostRoot.size()));
            Put<std::int64_t>(data + 16, now);
            Put<std::uint32_t>(data + 24, static_cast<std::uint32_t>(::getpid()));
            std::memcpy(data + kHeaderSize, hostRoot.data(), hostRoot.size());
            Put<std::uint64_t>(
                data + kHeaderChecksumAt,
                Checksum(data + kHeaderSize, hostRoot.size(), Checksum(data, kHeaderChecked)));
        });
        if (!stored) error = EIO;
    }
    if (error != 0) {
        if (m_file.IsOpen()) ::unlink(platform::Utf8FromCp932(m_runPath).c_str());
        m_file.Close();
        m_runPath.clear();
        return error;
    }
    m_end = headerSize;
    m_writing = true;
    return 0;
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
    const bool stored = platform::MappedFile::Guarded([&] {
        Put<std::uint32_t>(record + 4, changes);
        Put<std::uint32_t>(record + 8, static_cast<std::uint32_t>(oldSize));
        Put<std::uint32_t>(record + 12, static_cast<std::uint32_t>(newSize));
        Put<std::uint32_t>(record + 16, static_cast<std::uint32_t>(viaSize));
        Put<std::uint32_t>(record + 20, before.modificationNs);
        Put<std::uint64_t>(record + 24, before.identity.device);
        Put<std::uint64_t>(record + 32, before.identity.inode);
        Put<std::int64_t>(record + 40, before.creation);
        Put<std::int64_t>(record + 48, before.modification);
        Put<std::int64_t>(record + 56, before.access);
        Put<std::int64_t>(record + 64, before.size);
        Put<std::uint32_t>(record + 72, before.accessNs);
        record[76] = before.attributes;
        record[77] = before.link ? 1 : 0;
        Put<std::int64_t>(record + kBirthAt, before.birth);
        std::memcpy(record + kRecordHeaderSize, paths.data(), paths.size());
        Put<std::uint64_t>(record + kChecksumAt,
                           RecordChecksum(record, paths.size(), &WordChecksum));
        StateWord(record).store(static_cast<std::uint32_t>(State::Intended),
                                std::memory_order_release);
    });
    if (!stored) return EIO;
    m_lastRecord = m_end;
    m_end += size;
    return 0;
}

bool UndoJournal::Done(platform::Timestamp modification, std::uint32_t modificationNs) {
    if (!m_writing) return false;
    unsigned char* record = m_file.Data() + m_lastRecord;
    return platform::MappedFile::Guarded([&] {
        Put<std::int64_t>(record + kAfterAt, modification);
        Put<std::uint32_t>(record + kAfterAt + 8, modificationNs);
        Put<std::uint64_t>(record + kAfterChecksumAt, Checksum(record + kAfterAt, 16));
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

void UndoJournal::EndRun() {
    if (!m_file.IsOpen()) return;
    // Every record was in the page cache the moment it was stored, which is all a killed
    // process needs; the disk gets the journal by the kernel's writeback, started here and not
    // waited for, so a run of many files does not end in a long flush.
    if (m_writing) m_file.Truncate(m_end + kRecordHeaderSize);
    m_file.SyncLater();
    m_file.Close();
    m_writing = false;
}

}  // namespace morvanex::engine
