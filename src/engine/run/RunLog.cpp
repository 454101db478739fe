#include "engine/run/RunLog.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>

#include "engine/naming/NameSteps.h"
#include "platform/Codepage.h"

namespace morvanex::engine {

namespace {

// The wide blanks of the headers are ideographic spaces (U+3000); the colon is full-width.
constexpr const char* kCopyFolder = "コピー先フォルダ \u3000\u3000： ";
constexpr const char* kFileCount = "総変換ファイル数 \u3000\u3000\u3000\u3000： ";
constexpr const char* kModeCopy =
    "モード\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000 ： コピー\r\n\r\n";
constexpr const char* kModeRename =
    "モード\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000 ： リネーム\r\n\r\n";

// A line's number is written with at least five digits.
constexpr int kNumberDigits = 5;

// How many numbered names a run tries before it gives up on a folder full of taken names.
constexpr int kMostNameVariants = 1000;

constexpr const char* kSharedFolder =
    "ログ保存先フォルダは他のユーザーも書き込めるフォルダ(スティッキービットなし)のため、ログを作り"
    "ませんでした。自分だけが書き込めるフォルダか、/tmp のようにスティッキービットのあるフォルダを"
    "指定してください。";
// In place of a rename-back line whose names cannot be written as a command. It holds none of
// the characters the command interpreter reads even in a remark (" % ! ^ & | < >).
constexpr const char* kNotACommand =
    "このファイルは名前にコマンドとして書けない文字を含むため、元に戻す行を書けませんでした。";

// Between quotes the command interpreter takes & ^ < > | as they are, but still expands % and
// (with delayed expansion) !, ends the quoted text at ", and ends the line at a line break.
constexpr std::array<bool, 256> kUnquotable = [] {
    std::array<bool, 256> bytes{};
    for (std::size_t c = 0; c < 0x20; ++c) bytes[c] = true;
    for (const unsigned char c : {'"', '%', '!', '\x7F'}) bytes[c] = true;
    return bytes;
}();
bool IsQuotable(std::string_view text) {
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return kUnquotable[static_cast<unsigned char>(c)]; });
}

std::string Stamp(platform::Timestamp time) {
    const platform::LocalTime t = platform::ToLocalTime(time);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

}  // namespace

RunLog::RunLog(platform::FileSystem& fileSystem, RunLogOptions options)
    : m_fileSystem(fileSystem), m_options(std::move(options)) {}

int RunLog::Create(const std::string& path, std::unique_ptr<platform::OutputFile>& file) {
    int error = 0;
    file = m_fileSystem.OpenOutput(path, platform::OutputMode::kNew, error);
    return file ? 0 : error;
}

int RunLog::Open(platform::Timestamp runStart, int targetCount, std::string* failed,
                 std::string* detail) {
    if (!m_options.textLog && !m_options.batchLog) return 0;
    const std::string base = m_options.folder + Stamp(runStart);
    int error = EEXIST;
    const std::string* failedPath = &m_textPath;
    for (int variant = 1; variant <= kMostNameVariants && error == EEXIST; ++variant) {
        const std::string name = variant == 1 ? base : base + "-" + std::to_string(variant);
        m_textPath = name + ".log";
        m_batchPath = name + "BAT.log";
        // The two logs of a run share their name: a name taken by another run's other log is
        // skipped too.
        if ((!m_options.textLog && m_fileSystem.Exists(m_textPath)) ||
            (!m_options.batchLog && m_fileSystem.Exists(m_batchPath))) {
            continue;
        }
        failedPath = &m_textPath;
        error = m_options.textLog ? Create(m_textPath, m_text) : 0;
        if (error != 0 || !m_options.batchLog) continue;
        failedPath = &m_batchPath;
        if ((error = Create(m_batchPath, m_batch)) != 0 && m_text) {
            // The text log just made (empty, this run's own) gives way with the name.
            m_text.reset();
            m_fileSystem.DeleteFile(m_textPath);
        }
    }
    if (error != 0) {
        if (failed != nullptr) *failed = *failedPath;
        if (detail != nullptr && error == EPERM) *detail = platform::Sjis(kSharedFolder);
        return error;
    }
    const std::string count = std::to_string(targetCount) + "\r\n";
    const std::string mode = platform::Sjis(m_options.copying ? kModeCopy : kModeRename);
    // A log that cannot be written is reported before the run changes anything.
    if (m_text) {
        std::string header;
        if (m_options.copying)
            header += platform::Sjis(kCopyFolder) + m_options.copyDestination + "\r\n";
        header += platform::Sjis(kFileCount) + count + mode;
        if ((error = m_text->Append(header)) != 0) {
            if (failed != nullptr) *failed = m_textPath;
            return error;
        }
    }
    if (m_batch) {
        error =
            m_batch->Append("rem " + platform::Sjis(kCopyFolder) + m_options.copyDestination +
                            "\r\n" + "rem " + platform::Sjis(kFileCount) + count + "rem " + mode);
        if (error != 0) {
            if (failed != nullptr) *failed = m_batchPath;
            return error;
        }
    }
    return 0;
}

void RunLog::AppendLine(int number, const std::string& source, const std::string& newPath,
                        std::string_view oldName) {
    // Each line is made right in the block it is written with: a run of many files builds no
    // strings per line.
    if (m_text) {
        static const std::string arrow = platform::Sjis("  →  ");
        AppendZeroFilled(m_textGathered, number, kNumberDigits);
        m_textGathered.append(" : ").append(source).append(arrow).append(newPath).append(" \r\n");
        WriteFull(*m_text, m_textGathered);
    }
    AppendBatchStep(number, newPath, oldName);
}

void RunLog::AppendBatchStep(int number, const std::string& newPath, std::string_view oldName) {
    if (!m_batch) return;
    std::string& line = m_options.reverseBatch ? m_kept : m_batchGathered;
    if (m_options.reverseBatch) m_keptStarts.push_back(m_kept.size());
    if (IsQuotable(newPath) && IsQuotable(oldName)) {
        line.append("ren \"").append(newPath).append("\" \"").append(oldName).append("\" \r\n");
    } else {
        static const std::string remark = platform::Sjis(kNotACommand);
        line.append("rem ");
        AppendZeroFilled(line, number, kNumberDigits);
        line.append(" : ").append(remark).append("\r\n");
    }
    if (!m_options.reverseBatch) WriteFull(*m_batch, m_batchGathered);
}

void RunLog::WriteFull(platform::OutputFile& file, std::string& gathered) {
    constexpr std::size_t kBlock = 64 * 1024;
    if (gathered.size() < kBlock) return;
    file.Append(gathered);
    gathered.clear();
}

void RunLog::WriteGathered() {
    if (m_text && !m_textGathered.empty()) m_text->Append(m_textGathered);
    if (m_batch && !m_batchGathered.empty()) m_batch->Append(m_batchGathered);
    m_textGathered.clear();
    m_batchGathered.clear();
}

RunLog::~RunLog() {
    WriteGathered();
}

void RunLog::Finish() {
    WriteGathered();
    if (!m_batch || m_keptStarts.empty()) return;
    std::string reversed;
    reversed.reserve(m_kept.size());
    std::size_t end = m_kept.size();
    for (std::size_t k = m_keptStarts.size(); k-- > 0;) {
        reversed.append(m_kept, m_keptStarts[k], end - m_keptStarts[k]);
        end = m_keptStarts[k];
    }
    m_batch->Append(reversed);
    m_kept.clear();
    m_keptStarts.clear();
}

}  // namespace morvanex::engine
