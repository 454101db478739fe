#include "cli/TerminalInteraction.h"

#include "engine/ResultCodes.h"
#include "platform/Codepage.h"
#include "platform/TextEscape.h"

namespace morvanex::cli {

namespace {

// A JSON string of a CP932 text. Bytes of a host name that are not UTF-8 travel as \udcXX
// escapes (as the toolkit sees them), so every name can be told apart and mapped back.
void AppendJsonString(std::string& out, const std::string& cp932) {
    static constexpr char kHex[] = "0123456789abcdef";
    const std::u16string text = platform::Utf16FromCp932(cp932);
    out += '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 15];
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out += '"';
}

}  // namespace

const char* RowStatus(const engine::ResultList& list, std::size_t row) {
    if (list.sources[row] == list.targets[row]) return "unchanged";
    if (row < list.conflicts.size()) {
        switch (list.conflicts[row]) {
            case engine::Conflict::Duplicate:
                return "duplicate";
            case engine::Conflict::Exists:
                return "exists";
            case engine::Conflict::Refused:
                return "refused";
            case engine::Conflict::Chain:
                return "chain";
            case engine::Conflict::Cycle:
                return "cycle";
            case engine::Conflict::None:
                break;
        }
    }
    return "ok";
}

void TerminalInteraction::Progress(unsigned total, int current) {
    if (!m_line.Enabled() || current < 0) return;
    const auto count = static_cast<std::uint64_t>(current);
    // The engine passes the total known so far; a run passes the number done, an undo the
    // number of records still to look at.
    const std::uint64_t done = m_countsDown ? (total > count ? total - count : 0) : count;
    m_line.Update(done, total);
}

void TerminalInteraction::ShowMessage(const std::string& text, engine::MessageIcon icon) {
    m_line.Clear();
    FILE* stream = icon == engine::MessageIcon::Exclamation || m_rowsOnStdout ? stderr : stdout;
    std::fprintf(stream, "%s\n", platform::Utf8FromCp932(text).c_str());
}

bool TerminalInteraction::AskYesNo(engine::Question question, const std::string& text) {
    m_line.Clear();
    bool answer = false;
    const char* flag = nullptr;
    switch (question) {
        case engine::Question::CreateCopyFolder:
        case engine::Question::CreateLogFolder:
            answer = m_answers.createFolders;
            flag = "--yes";
            break;
        case engine::Question::UndoAfterFailure:
            answer = m_answers.undoOnFailure;
            flag = "--undo-on-failure";
            break;
        default:  // the window's own questions: a terminal has no one to ask them of
            break;
    }
    // The answer says why it is what it is: the flag that gave it, or the flag's absence.
    std::fprintf(stderr, "%s\n-> %s", platform::Utf8FromCp932(text).c_str(), answer ? "Yes" : "No");
    if (flag != nullptr) std::fprintf(stderr, " (%s %s)", answer ? "given" : "without", flag);
    if (question == engine::Question::UndoAfterFailure && !answer && m_answers.journaled) {
        std::fputs("; 'morvanex-cli undo' takes the run back", stderr);
    }
    std::fputc('\n', stderr);
    return answer;
}

std::string TerminalNoticeText(engine::Notice notice, int count) {
    switch (notice) {
        case engine::Notice::NoUndoData:
            return "Nothing to undo: no kept run has changes left to take back (see "
                   "'morvanex-cli history').\nA copy run leaves its sources as they were: "
                   "deleting the copies takes it back.";
        case engine::Notice::DoneListFollows:
            return engine::RunDoneMessage(count);
        case engine::Notice::Stopped:
            return "Stopped by the user: " + std::to_string(count) +
                   (count == 1 ? " file" : " files") +
                   " changed; 'morvanex-cli undo' takes them back.";
        case engine::Notice::AttributeHint:
            return "Files with the read-only, hidden or system attribute are left out unless "
                   "the job takes every file:\n--set CommonOption.AllAttributeFileRename=1";
    }
    return {};
}

void TerminalInteraction::ShowNotice(engine::Notice notice, const std::string&, int count) {
    ShowMessage(TerminalNoticeText(notice, count), notice == engine::Notice::DoneListFollows
                                                       ? engine::MessageIcon::None
                                                       : engine::MessageIcon::Exclamation);
}

void TerminalInteraction::ShowResultList(const engine::ResultList& list) {
    m_line.Clear();
    FILE* out = m_rowsOnStdout ? stdout : stderr;
    std::string text;
    text.reserve(list.sources.size() * 128);
    if (m_format == ListFormat::Json) text += "[\n";
    for (std::size_t row = 0; row < list.sources.size() && row < list.targets.size(); ++row) {
        const char* status = RowStatus(list, row);
        if (row < list.conflicts.size() && engine::IsFailing(list.conflicts[row]))
            m_sawConflict = true;
        if (m_format == ListFormat::Json) {
            text += row == 0 ? "  {\"source\": " : ",\n  {\"source\": ";
            AppendJsonString(text, list.sources[row]);
            text += ", \"target\": ";
            AppendJsonString(text, list.targets[row]);
            text.append(", \"status\": \"").append(status).append("\"}");
            continue;
        }
        const std::string source = platform::Utf8FromCp932(list.sources[row]);
        const std::string target = platform::Utf8FromCp932(list.targets[row]);
        switch (m_format) {
            case ListFormat::Tsv:
                // A tab or line break inside a name must not end its field or its row.
                platform::AppendEscaped(text, source);
                text += '\t';
                platform::AppendEscaped(text, target);
                text.append("\t").append(status).append("\n");
                break;
            case ListFormat::Json:
                break;
            case ListFormat::Text:
                text.append(source).append(" -> ").append(target);
                if (status[0] != 'o') text.append("  [").append(status).append("]");
                text += '\n';
                break;
        }
        if (text.size() > (1u << 20)) {
            std::fwrite(text.data(), 1, text.size(), out);
            text.clear();
        }
    }
    if (m_format == ListFormat::Json) text += list.sources.empty() ? "]\n" : "\n]\n";
    std::fwrite(text.data(), 1, text.size(), out);
}

}  // namespace morvanex::cli
