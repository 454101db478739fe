#include "cli/MappingFile.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/Codepage.h"
#include "platform/StatusReads.h"
#include "platform/TextEscape.h"

namespace morvanex::cli {

namespace {

std::string LinePrefix(std::size_t line) {
    return "line " + std::to_string(line) + ": ";
}

// A name as a message shows it: on one line, whatever bytes it holds.
std::string Shown(std::string_view name) {
    return "'" + platform::Escaped(name, platform::EscapeBytes::kControlsAndInvalidUtf8) + "'";
}

// The fields of one record and the line it starts on.
struct Record {
    std::size_t line = 0;
    std::vector<std::string> fields;
};

// Tab-separated: one record per line, fields unescaped as the tsv preview wrote them.
void ReadTsv(std::string_view text, std::vector<Record>& records,
             std::vector<std::string>& errors) {
    std::size_t line = 0;
    for (std::size_t start = 0; start < text.size();) {
        ++line;
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view row = text.substr(start, end - start);
        start = end + 1;
        if (row.ends_with('\r')) row.remove_suffix(1);
        Record& record = records.emplace_back();
        record.line = line;
        for (std::size_t column = 1;; ++column) {
            const std::size_t tab = row.find('\t');
            std::size_t bad = 0;
            if (!platform::Unescape(row.substr(0, tab), record.fields.emplace_back(), &bad)) {
                errors.push_back(LinePrefix(line) + "column " + std::to_string(column) +
                                 ": a backslash starts no escape (\\\\, \\t, \\r, \\n, \\xHH) at " +
                                 Shown(row.substr(bad, 4)));
                break;
            }
            if (tab == std::string_view::npos) break;
            row.remove_prefix(tab + 1);
        }
    }
}

// RFC 4180: a field in double quotes may hold the separator, line breaks and doubled quotes; a
// record ends at a line break (CR LF or LF) outside quotes.
void ReadCsv(std::string_view text, char separator, std::vector<Record>& records,
             std::vector<std::string>& errors) {
    std::size_t line = 1;
    std::size_t i = 0;
    while (i < text.size()) {
        Record& record = records.emplace_back();
        record.line = line;
        for (;;) {
            std::string& field = record.fields.emplace_back();
            if (i < text.size() && text[i] == '"') {
                const std::size_t opened = line;
                ++i;
                for (;;) {
                    if (i >= text.size()) {
                        errors.push_back(LinePrefix(opened) +
                                         "a quoted field starts here and is never closed");
                        return;
                    }
                    if (text[i] == '"') {
                        if (i + 1 < text.size() && text[i + 1] == '"') {
                            field += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (text[i] == '\n') ++line;
                    field += text[i++];
                }
                const bool ends = i >= text.size() || text[i] == separator || text[i] == '\n' ||
                                  (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n');
                if (!ends) {
                    errors.push_back(LinePrefix(line) +
                                     "text follows the closing quote of a field (a quote inside "
                                     "a quoted field is written twice)");
                    // The rest of the line is no field of this row.
                    while (i < text.size() && text[i] != '\n') ++i;
                }
            } else {
                while (i < text.size() && text[i] != separator && text[i] != '\n') {
                    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') break;
                    field += text[i++];
                }
            }
            if (i < text.size() && text[i] == separator) {
                ++i;
                continue;
            }
            if (i < text.size() && text[i] == '\r') ++i;
            if (i < text.size() && text[i] == '\n') {
                ++i;
                ++line;
            }
            break;
        }
    }
}

bool IsBlank(const Record& record) {
    return record.fields.size() == 1 && record.fields[0].empty();
}

// The path's segments without "." and empty ones; false on "..".
bool Segments(std::string_view path, std::vector<std::string_view>& segments) {
    segments.clear();
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view segment = path.substr(0, slash);
        if (segment == "..") return false;
        if (!segment.empty() && segment != ".") segments.push_back(segment);
        if (slash == std::string_view::npos) break;
        path.remove_prefix(slash + 1);
    }
    return true;
}

std::string Joined(const std::vector<std::string_view>& segments, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) out += '/';
        out += segments[i];
    }
    return out;
}

}  // namespace

MappingRead ReadMapping(std::string_view bytes, const MappingFormat& format) {
    MappingRead read;
    const platform::WrittenText written = platform::DetectWrittenText(bytes);
    // Read as the host's text: a CP932 trail byte may be any separator or a backslash.
    std::string converted;
    std::string_view text = written.text;
    if (!written.utf8) {
        platform::Utf8FromCp932(written.text, converted);
        text = converted;
    }
    char separator = format.separator;
    if (separator == '\0') {
        separator =
            text.substr(0, text.find('\n')).find('\t') != std::string_view::npos ? '\t' : ',';
    }
    std::vector<Record> records;
    if (separator == '\t') {
        ReadTsv(text, records, read.errors);
    } else {
        ReadCsv(text, separator, records, read.errors);
    }
    if (!read.errors.empty()) return read;

    bool headerSkipped = !format.header;
    read.rows.reserve(records.size());
    for (Record& record : records) {
        if (IsBlank(record)) continue;
        if (!headerSkipped) {
            headerSkipped = true;
            continue;
        }
        const std::string at = LinePrefix(record.line);
        if (record.fields.size() < 2) {
            read.errors.push_back(
                at +
                "one column; a mapping needs two, the old name and the new "
                "one, separated by '" +
                (separator == '\t' ? std::string("\\t") : std::string(1, separator)) + "'");
            continue;
        }
        bool extra = false;
        for (std::size_t i = 2; i < record.fields.size(); ++i)
            extra = extra || !record.fields[i].empty();
        if (extra) {
            read.errors.push_back(at + std::to_string(record.fields.size()) +
                                  " columns; a mapping has two, the old name and the new one "
                                  "(a name with the separator in it is quoted)");
            continue;
        }
        if (record.fields[0].empty() || record.fields[1].empty()) {
            read.errors.push_back(at + (record.fields[0].empty() ? "the old name is empty"
                                                                 : "the new name is empty"));
            continue;
        }
        if (record.fields[0].find('\0') != std::string::npos ||
            record.fields[1].find('\0') != std::string::npos) {
            read.errors.push_back(at + "a name holds a NUL byte, which no name can hold");
            continue;
        }
        read.rows.push_back(
            {record.line, std::move(record.fields[0]), std::move(record.fields[1])});
    }
    return read;
}

MappedTargets ResolveMapping(const std::vector<MappingRow>& rows, std::string_view folder,
                             platform::FileSystem& fileSystem) {
    MappedTargets mapped;
    mapped.sources.reserve(rows.size());
    mapped.names.reserve(rows.size());
    std::vector<std::pair<std::size_t, std::string>>
        errors;                      // by line, to be said in the file's order
    std::vector<std::size_t> rowOf;  // each source's row
    rowOf.reserve(rows.size());
    std::unordered_map<std::string, std::size_t> lineOf;  // each old path's row
    lineOf.reserve(rows.size());
    std::vector<std::string_view> from;
    std::vector<std::string_view> to;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const MappingRow& row = rows[r];
        const std::string at = LinePrefix(row.line);
        if (row.oldPath.starts_with('/') || !Segments(row.oldPath, from) || from.empty()) {
            errors.emplace_back(row.line, at + Shown(row.oldPath) +
                                              " is not a path below the folder (relative, "
                                              "without '..')");
            continue;
        }
        const std::string relative = Joined(from, from.size());
        const std::string folderPart = Joined(from, from.size() - 1);
        if (!Segments(row.newPath, to) || to.empty() || row.newPath.ends_with('/')) {
            errors.emplace_back(row.line,
                                at + "the new name " + Shown(row.newPath) + " is not a name");
            continue;
        }
        if (to.size() > 1 &&
            (row.newPath.starts_with('/') || Joined(to, to.size() - 1) != folderPart)) {
            errors.emplace_back(
                row.line,
                at + "the new name " + Shown(row.newPath) +
                    " would move the file to another folder; it is renamed in "
                    "its own folder (" +
                    (folderPart.empty() ? std::string("the folder itself") : Shown(folderPart)) +
                    ")");
            continue;
        }
        if (const auto [earlier, added] = lineOf.try_emplace(relative, row.line); !added) {
            errors.emplace_back(row.line, at + Shown(row.oldPath) + " is already renamed by line " +
                                              std::to_string(earlier->second));
            continue;
        }
        mapped.sources.push_back(platform::Cp932FromUtf8(std::string(folder) + relative));
        mapped.names.push_back(platform::Cp932FromUtf8(to.back()));
        rowOf.push_back(r);
    }
    lineOf = {};
    // Each old file as it is now, read from the folder's handle where it lies right in it.
    mapped.statuses.resize(mapped.sources.size());
    fileSystem.Anchor(platform::Cp932FromUtf8(folder));
    {
        platform::StatusReads reads(mapped.sources.size(), [&](std::size_t i) {
            return fileSystem.GetStatus(mapped.sources[i], mapped.statuses[i]);
        });
        for (std::size_t i = 0; i < mapped.sources.size(); ++i) {
            if (const int error = reads.Next(i)) {
                const MappingRow& row = rows[rowOf[i]];
                errors.emplace_back(row.line, LinePrefix(row.line) + Shown(row.oldPath) + ": " +
                                                  std::strerror(error));
            }
        }
    }
    fileSystem.Anchor({});
    std::stable_sort(errors.begin(), errors.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& error : errors) mapped.errors.push_back(std::move(error.second));
    return mapped;
}

}  // namespace morvanex::cli
