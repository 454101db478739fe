#include "platform/IniFile.h"

#include "platform/Codepage.h"

namespace morvanex::platform {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace

std::string_view IniValue(std::string_view text) {
    return Unquote(Trim(text));
}

IniReader::IniReader(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    Section* current = nullptr;
    bool currentIsDuplicate = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = Trim(line);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            const std::string_view name =
                Trim(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
            currentIsDuplicate = false;
            for (auto& section : m_sections) {
                if (EqualNoCase(section.name, name)) currentIsDuplicate = true;
            }
            if (!currentIsDuplicate) {
                m_sections.push_back({std::string(name), {}});
                current = &m_sections.back();
            }
            continue;
        }
        const std::size_t equals = line.find('=');
        if (current == nullptr || currentIsDuplicate || equals == std::string_view::npos) continue;
        const std::string_view key = Trim(line.substr(0, equals));
        bool known = false;
        for (const auto& entry : current->entries) {
            if (EqualNoCase(entry.key, key)) known = true;
        }
        if (!known) {
            current->entries.push_back(
                {std::string(key), std::string(IniValue(line.substr(equals + 1)))});
        }
    }
}

std::optional<std::string> IniReader::Find(std::string_view section, std::string_view key) const {
    for (const auto& s : m_sections) {
        if (!EqualNoCase(s.name, Trim(section))) continue;
        for (const auto& entry : s.entries) {
            if (EqualNoCase(entry.key, Trim(key))) return entry.value;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

std::string IniReader::GetString(std::string_view section, std::string_view key,
                                 std::string_view fallback, std::size_t bufferSize) const {
    const std::optional<std::string> value = Find(section, key);
    const std::string_view result = value ? std::string_view(*value) : fallback;
    return CutToFit(result, bufferSize > 0 ? bufferSize - 1 : 0);
}

std::string IniWriter::Encode(std::string_view value) {
    const bool blankAtEnd = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
    const bool quotedAlready =
        value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
    if (!blankAtEnd && !quotedAlready) return std::string(value);
    return "\"" + std::string(value) + "\"";
}

void IniWriter::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (!m_hasSection || !EqualNoCase(m_section, section)) {
        m_text += "[" + std::string(section) + "]\r\n";
        m_section = section;
        m_hasSection = true;
    }
    m_text.append(key).append("=").append(Encode(value)).append("\r\n");
}

}  // namespace morvanex::platform
