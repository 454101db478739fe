#include "platform/IniFile.h"

#include <algorithm>
#include <random>

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

// A start value of the hash that differs from process to process, so that no file can be made
// whose names all fall into one bucket.
std::uint64_t HashSeed() {
    static const std::uint64_t seed = [] {
        std::random_device device;
        return (std::uint64_t{device()} << 32) ^ device();
    }();
    return seed;
}

}  // namespace

std::string_view IniValue(std::string_view text) {
    return Unquote(Trim(text));
}

std::size_t IniReader::NameHash::operator()(std::string_view name) const {
    // FNV-1a over the bytes as EqualNoCase compares them: a letter folded where it starts a
    // character.
    std::uint64_t hash = 14695981039346656037ULL ^ seed;
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t size = CharSizeAt(name, i);
        auto first = static_cast<unsigned char>(name[i]);
        if (first >= 'A' && first <= 'Z') first = static_cast<unsigned char>(first - 'A' + 'a');
        hash = (hash ^ first) * 1099511628211ULL;
        for (std::size_t k = 1; k < size; ++k)
            hash = (hash ^ static_cast<unsigned char>(name[i + k])) * 1099511628211ULL;
        i += size;
    }
    return static_cast<std::size_t>(hash);
}

bool IniReader::NameEqual::operator()(std::string_view a, std::string_view b) const {
    return EqualNoCase(a, b);
}

std::size_t IniReader::KeyHash::operator()(const Key& key) const {
    return name(key.name) ^ (std::size_t{key.section} * 0x9E3779B97F4A7C15ULL);
}

bool IniReader::KeyEqual::operator()(const Key& a, const Key& b) const {
    return a.section == b.section && EqualNoCase(a.name, b.name);
}

IniReader::IniReader(std::string_view text)
    : m_text(text), m_sections(16, NameHash{HashSeed()}), m_values(256, KeyHash{{HashSeed()}}) {
    std::string_view rest = m_text;
    if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
    // At most one key a line, and a line that adds one takes some bytes: the table seldom grows
    // while the file is read, and a file of blank lines reserves nothing much.
    const auto lines = static_cast<std::size_t>(std::count(rest.begin(), rest.end(), '\n'));
    m_values.reserve(std::min(lines, rest.size() / 16) + 1);
    // The section the lines belong to; none before the first header and in a duplicate one,
    // whose keys are never read (the first of duplicate sections wins).
    std::optional<std::uint32_t> current;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = Trim(line);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            const std::string_view name =
                Trim(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
            const auto [entry, added] =
                m_sections.emplace(name, static_cast<std::uint32_t>(m_sections.size()));
            current = added ? std::optional(entry->second) : std::nullopt;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!current || equals == std::string_view::npos) continue;
        // emplace keeps the first of duplicate keys.
        m_values.emplace(Key{*current, Trim(line.substr(0, equals))},
                         IniValue(line.substr(equals + 1)));
    }
}

std::optional<std::string> IniReader::Find(std::string_view section, std::string_view key) const {
    const auto found = m_sections.find(Trim(section));
    if (found == m_sections.end()) return std::nullopt;
    const auto value = m_values.find(Key{found->second, Trim(key)});
    if (value == m_values.end()) return std::nullopt;
    return std::string(value->second);
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
