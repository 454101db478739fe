#include "engine/UndoJournal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Codepage.h"

namespace morvanex::engine {

namespace {

constexpr char kMagic[8] = {'M', 'V', 'X', 'J', 'R', 'N', 'L', '1'};
constexpr std::size_t kHeaderSize = 64;
constexpr std::size_t kFlagsOffset = 8;
constexpr std::size_t kRecordHeaderSize = 48;

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

std::atomic_ref<std::uint32_t> StateWord(unsigned char* record) {
    return std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(record));
}

// Creates each missing folder along the path (host UTF-8).
void CreateFolders(const std::string& hostFolder) {
    for (std::size_t slash = hostFolder.find('/', 1); slash != std::string::npos;
         slash = hostFolder.find('/', slash + 1)) {
        ::mkdir(hostFolder.substr(0, slash).c_str(), 0700);
    }
}

}  // namespace

UndoJournal::UndoJournal(std::string folder)
    : m_folder(std::move(folder)), m_path(m_folder + "last-run.journal") {}

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

int UndoJournal::BeginRun(std::uint32_t flags) {
    EndRun();
    CreateFolders(platform::Utf8FromCp932(m_folder));
    // The new journal is made under a name of its own and then put in the place of the last
    // one. Emptying the last one in place would pull the file from under another run that is
    // still writing it through its mapping (another window, a script): that run would die.
    const std::string fresh = m_path + "." + std::to_string(::getpid());
    const std::string freshHost = platform::Utf8FromCp932(fresh);
    int error = m_file.Open(fresh, true);
    if (error == 0) error = m_file.Reserve(kHeaderSize + kRecordHeaderSize);
    if (error == 0) {
        std::memcpy(m_file.Data(), kMagic, sizeof kMagic);
        Put<std::uint32_t>(m_file.Data() + kFlagsOffset, flags);
        struct stat made {};
        if (::stat(freshHost.c_str(), &made) == 0) m_run = {made.st_dev, made.st_ino};
        if (std::rename(freshHost.c_str(), platform::Utf8FromCp932(m_path).c_str()) != 0) {
            error = errno;
        }
    }
    if (error != 0) {
        m_run.reset();
        m_file.Close();
        ::unlink(freshHost.c_str());
        return error;
    }
    m_end = kHeaderSize;
    m_writing = true;
    return 0;
}

void UndoJournal::BeforeMove(const std::string& oldCp932, const std::string& newCp932,
                             const platform::FileStatus& before) {
    if (!m_writing) return;
    // The journal is read by another process, where names CP932 lacks may have other codes:
    // it keeps the host's own bytes.
    std::string& oldPath = m_oldHost;
    std::string& newPath = m_newHost;
    platform::Utf8FromCp932(oldCp932, oldPath);
    platform::Utf8FromCp932(newCp932, newPath);
    const std::size_t size = kRecordHeaderSize + Padded(oldPath.size() + newPath.size());
    // One more record header beyond this record stays zero: it marks the end of the records.
    if (m_file.Reserve(m_end + size + kRecordHeaderSize) != 0) {
        // A journal that cannot grow is abandoned rather than left wrong.
        m_file.Close();
        m_writing = false;
        return;
    }
    unsigned char* record = m_file.Data() + m_end;
    Put<std::uint32_t>(record + 4, static_cast<std::uint32_t>(oldPath.size()));
    Put<std::uint32_t>(record + 8, static_cast<std::uint32_t>(newPath.size()));
    record[12] = before.attributes;
    Put<std::int64_t>(record + 16, before.creation);
    Put<std::int64_t>(record + 24, before.modification);
    Put<std::int64_t>(record + 32, before.access);
    Put<std::int64_t>(record + 40, before.size);
    std::memcpy(record + kRecordHeaderSize, oldPath.data(), oldPath.size());
    std::memcpy(record + kRecordHeaderSize + oldPath.size(), newPath.data(), newPath.size());
    StateWord(record).store(static_cast<std::uint32_t>(State::Intended), std::memory_order_release);
    m_lastRecord = m_end;
    m_end += size;
}

void UndoJournal::AfterMove() {
    if (!m_writing) return;
    StateWord(m_file.Data() + m_lastRecord)
        .store(static_cast<std::uint32_t>(State::Done), std::memory_order_release);
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

void UndoJournal::DiscardRun() {
    if (!m_run) return;
    const auto run = *m_run;
    m_run.reset();
    struct stat current {};
    if (::stat(platform::Utf8FromCp932(m_path).c_str(), &current) != 0 ||
        std::pair{current.st_dev, current.st_ino} != run) {
        return;  // another run has taken the journal over since: it stays
    }
    BeginRun(0);
    EndRun();
    m_run.reset();
}

bool UndoJournal::Load(std::vector<Entry>& entries, std::uint32_t& flags) {
    entries.clear();
    m_loadedOffsets.clear();
    EndRun();
    if (m_file.Open(m_path, false) != 0) return false;
    const unsigned char* data = m_file.Data();
    const std::size_t size = m_file.Size();
    if (size < kHeaderSize || std::memcmp(data, kMagic, sizeof kMagic) != 0) {
        m_file.Close();
        return false;
    }
    flags = Get<std::uint32_t>(data + kFlagsOffset);
    for (std::size_t at = kHeaderSize; at + kRecordHeaderSize <= size;) {
        const auto state = static_cast<State>(Get<std::uint32_t>(data + at));
        const auto oldSize = Get<std::uint32_t>(data + at + 4);
        const auto newSize = Get<std::uint32_t>(data + at + 8);
        const std::size_t recordSize = kRecordHeaderSize + Padded(std::size_t{oldSize} + newSize);
        if (state == State::Empty || state > State::Undone || recordSize > size - at) break;
        Entry entry;
        entry.state = state;
        entry.before.attributes = data[at + 12];
        entry.before.creation = Get<std::int64_t>(data + at + 16);
        entry.before.modification = Get<std::int64_t>(data + at + 24);
        entry.before.access = Get<std::int64_t>(data + at + 32);
        entry.before.size = Get<std::int64_t>(data + at + 40);
        const char* paths = reinterpret_cast<const char*>(data + at + kRecordHeaderSize);
        entry.oldPath = platform::Cp932FromUtf8(std::string_view(paths, oldSize));
        entry.newPath = platform::Cp932FromUtf8(std::string_view(paths + oldSize, newSize));
        entries.push_back(std::move(entry));
        m_loadedOffsets.push_back(at);
        at += recordSize;
    }
    return true;
}

void UndoJournal::MarkUndone(std::size_t index) {
    if (!m_file.IsOpen() || index >= m_loadedOffsets.size()) return;
    StateWord(m_file.Data() + m_loadedOffsets[index])
        .store(static_cast<std::uint32_t>(State::Undone), std::memory_order_release);
}

}  // namespace morvanex::engine
