#include "engine/RunLog.h"

#include <cstdio>

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

int RunLog::Open(platform::Timestamp runStart, int targetCount, std::string* failed) {
    if (!m_options.textLog && !m_options.batchLog) return 0;
    const std::string base = m_options.folder + Stamp(runStart);
    for (int variant = 1;; ++variant) {
        const std::string name = variant == 1 ? base : base + "-" + std::to_string(variant);
        m_textPath = name + ".log";
        m_batchPath = name + "BAT.log";
        if (!m_fileSystem.Exists(m_textPath) && !m_fileSystem.Exists(m_batchPath)) break;
    }
    const std::string count = std::to_string(targetCount) + "\r\n";
    const std::string mode = platform::Sjis(m_options.copying ? kModeCopy : kModeRename);
    int error = 0;
    // A log that cannot be written is reported before the run changes anything.
    if (m_options.textLog) {
        m_text = m_fileSystem.OpenOutput(m_textPath, true, error);
        if (m_text) {
            std::string header;
            if (m_options.copying)
                header += platform::Sjis(kCopyFolder) + m_options.copyDestination + "\r\n";
            header += platform::Sjis(kFileCount) + count + mode;
            error = m_text->Append(header);
        }
        if (error != 0) {
            if (failed != nullptr) *failed = m_textPath;
            return error;
        }
    }
    if (m_options.batchLog) {
        m_batch = m_fileSystem.OpenOutput(m_batchPath, true, error);
        if (m_batch) {
            error = m_batch->Append("rem " + platform::Sjis(kCopyFolder) +
                                    m_options.copyDestination + "\r\n" + "rem " +
                                    platform::Sjis(kFileCount) + count + "rem " + mode);
        }
        if (error != 0) {
            if (failed != nullptr) *failed = m_batchPath;
            return error;
        }
    }
    return 0;
}

void RunLog::AppendLine(int number, const std::string& source, const std::string& newPath,
                        std::string_view oldName) {
    // One buffer for every line of the run: a run of many files builds no strings per line.
    if (m_text) {
        char numberText[16];
        const int digits = std::snprintf(numberText, sizeof numberText, "%05d", number);
        static const std::string arrow = platform::Sjis("  →  ");
        m_line.assign(numberText, static_cast<std::size_t>(digits));
        m_line.append(" : ").append(source).append(arrow).append(newPath).append(" \r\n");
        m_text->Append(m_line);
    }
    AppendBatchStep(newPath, oldName);
}

void RunLog::AppendBatchStep(const std::string& newPath, std::string_view oldName) {
    if (!m_batch) return;
    if (m_options.reverseBatch) {
        m_keptStarts.push_back(m_kept.size());
        m_kept.append("ren \"").append(newPath).append("\" \"").append(oldName).append("\" \r\n");
        return;
    }
    m_line.assign("ren \"").append(newPath).append("\" \"").append(oldName).append("\" \r\n");
    m_batch->Append(m_line);
}

void RunLog::Finish() {
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
