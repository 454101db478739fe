#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

// INI text as pattern files use it (private-profile semantics): section and key
// names compare without regard to ASCII case, the first of duplicate sections and keys wins,
// blanks around names and values are trimmed and one pair of surrounding quotes is removed.
// Bytes are CP932; lines may end in CR LF or LF; a UTF-8 byte-order mark at the start is skipped.
namespace morvanex::platform {

class IniReader {
  public:
    // Reads the whole text once, in time linear in its size: sections and keys are hashed as
    // they are compared (ASCII letters folded, a trail byte never).
    explicit IniReader(std::string_view text);
    // The tables point into the reader's own copy of the text.
    IniReader(const IniReader&) = delete;
    IniReader& operator=(const IniReader&) = delete;

    // The value of a key, or nothing when the section or key is absent.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    // As the private-profile reader: the value, or `fallback` when absent; cut to fit a buffer
    // of bufferSize bytes (never splitting a character).
    std::string GetString(std::string_view section, std::string_view key, std::string_view fallback,
                          std::size_t bufferSize = 2048) const;

  private:
    struct NameHash {
        std::uint64_t seed;
        std::size_t operator()(std::string_view name) const;
    };
    struct NameEqual {
        bool operator()(std::string_view a, std::string_view b) const;
    };
    struct Key {
        std::uint32_t section;
        std::string_view name;
    };
    struct KeyHash {
        NameHash name;
        std::size_t operator()(const Key& key) const;
    };
    struct KeyEqual {
        bool operator()(const Key& a, const Key& b) const;
    };

    std::string m_text;
    std::unordered_map<std::string_view, std::uint32_t, NameHash, NameEqual> m_sections;
    std::unordered_map<Key, std::string_view, KeyHash, KeyEqual> m_values;
};

// The value a line "key=text" gives a reader: blanks at either end trimmed, then one pair of
// surrounding quotes removed.
std::string_view IniValue(std::string_view text);

// Writes sections and keys in the order they are set, lines ended by CR LF.
class IniWriter {
  public:
    void Set(std::string_view section, std::string_view key, std::string_view value);
    const std::string& Text() const { return m_text; }

    // The value as written to the file: quoted when the reader would otherwise not return it
    // unchanged (blanks at either end, or a quote at both ends).
    static std::string Encode(std::string_view value);

  private:
    std::string m_text;
    std::string m_section;
    bool m_hasSection = false;
};

}  // namespace morvanex::platform
