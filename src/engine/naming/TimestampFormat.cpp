#include "engine/naming/TimestampFormat.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "engine/naming/NameSteps.h"

namespace morvanex::engine {

namespace {

enum class Output : std::uint8_t {
    Year4,
    Year2,
    Month,
    Day,
    Hour,
    Minute,
    Second,
    WeekdayJapanese,
    WeekdayEnglish,
    Text,  // a fixed text
};

struct Token {
    char chunk[kTokenBytes];
    Output output;
    const char* text;  // UTF-8 source of a fixed text; converted once to CP932
};

constexpr std::array<Token, 24> kTokens = {{
    {{'%', '4', 'Y', 'E'}, Output::Year4, nullptr},
    {{'%', '2', 'Y', 'E'}, Output::Year2, nullptr},
    {{'%', '2', 'M', 'O'}, Output::Month, nullptr},
    {{'%', '2', 'D', 'A'}, Output::Day, nullptr},
    {{'%', '2', 'H', 'O'}, Output::Hour, nullptr},
    {{'%', '2', 'M', 'I'}, Output::Minute, nullptr},
    {{'%', '2', 'S', 'E'}, Output::Second, nullptr},
    {{'%', '0', 'W', 'K'}, Output::WeekdayJapanese, nullptr},
    {{'%', '1', 'W', 'K'}, Output::WeekdayEnglish, nullptr},
    {{'%', '0', '_', '_'}, Output::Text, "_"},
    {{'%', '0', '-', '-'}, Output::Text, "-"},
    {{'%', '0', '\'', '\''}, Output::Text, "'"},
    {{'%', '0', 'K', 'N'}, Output::Text, "年"},
    {{'%', '0', 'K', 'G'}, Output::Text, "月"},
    {{'%', '0', 'K', 'H'}, Output::Text, "日"},
    {{'%', '0', 'K', 'Z'}, Output::Text, "時"},
    {{'%', '0', 'K', 'F'}, Output::Text, "分"},
    {{'%', '0', 'K', 'B'}, Output::Text, "秒"},
    {{'%', '0', 'L', '1'}, Output::Text, "("},
    {{'%', '0', 'R', '1'}, Output::Text, ")"},
    {{'%', '0', 'L', '2'}, Output::Text, "{"},
    {{'%', '0', 'R', '2'}, Output::Text, "}"},
    {{'%', '0', 'L', '3'}, Output::Text, "["},
    {{'%', '0', 'R', '3'}, Output::Text, "]"},
}};

constexpr std::array<const char*, 7> kJapaneseWeekdays = {"日", "月", "火", "水", "木", "金", "土"};
constexpr std::array<const char*, 7> kEnglishWeekdays = {"Sun", "Mon", "Tue", "Wed",
                                                         "Thu", "Fri", "Sat"};

// The CP932 texts of the fixed outputs, converted once for the life of the process.
struct Texts {
    std::array<std::string, kTokens.size()> token;
    std::array<std::string, 7> japaneseWeekday;
};

const Texts& GetTexts() {
    static const Texts texts = [] {
        Texts t;
        for (std::size_t i = 0; i < kTokens.size(); ++i) {
            if (kTokens[i].text != nullptr) t.token[i] = platform::Sjis(kTokens[i].text);
        }
        for (std::size_t i = 0; i < kJapaneseWeekdays.size(); ++i) {
            t.japaneseWeekday[i] = platform::Sjis(kJapaneseWeekdays[i]);
        }
        return t;
    }();
    return texts;
}

int TokenIndex(const char* chunk) {
    for (std::size_t i = 0; i < kTokens.size(); ++i) {
        if (std::memcmp(chunk, kTokens[i].chunk, kTokenBytes) == 0) return static_cast<int>(i);
    }
    return -1;
}

int WeekdayIndex(int weekday) {
    return ((weekday % 7) + 7) % 7;
}

void AppendToken(std::string& out, int index, const platform::LocalTime& t) {
    switch (kTokens[static_cast<std::size_t>(index)].output) {
        case Output::Year4:
            AppendZeroFilled(out, t.year, 4);
            break;
        // A year below 100 is its own remainder, so it is written as it is.
        case Output::Year2:
            AppendZeroFilled(out, t.year % 100, 2);
            break;
        case Output::Month:
            AppendZeroFilled(out, t.month, 2);
            break;
        case Output::Day:
            AppendZeroFilled(out, t.day, 2);
            break;
        case Output::Hour:
            AppendZeroFilled(out, t.hour, 2);
            break;
        case Output::Minute:
            AppendZeroFilled(out, t.minute, 2);
            break;
        case Output::Second:
            AppendZeroFilled(out, t.second, 2);
            break;
        case Output::WeekdayJapanese:
            out += GetTexts().japaneseWeekday[static_cast<std::size_t>(WeekdayIndex(t.weekday))];
            break;
        case Output::WeekdayEnglish:
            out += kEnglishWeekdays[static_cast<std::size_t>(WeekdayIndex(t.weekday))];
            break;
        case Output::Text:
            out += GetTexts().token[static_cast<std::size_t>(index)];
            break;
    }
}

}  // namespace

void AppendTimestampFormat(const platform::LocalTime& local, std::string_view format,
                           std::string& out, std::size_t maxBytes) {
    const std::size_t start = out.size();
    const std::size_t chunks = format.size() / kTokenBytes;
    for (std::size_t k = 0; k < chunks; ++k) {
        const int index = TokenIndex(format.data() + k * kTokenBytes);
        if (index >= 0) AppendToken(out, index, local);
    }
    if (out.size() - start > maxBytes) {
        const std::string_view added(out.data() + start, out.size() - start);
        out.resize(start + platform::FitLength(added, maxBytes));
    }
}

std::string ExpandTimestampFormat(platform::Timestamp time, std::string_view format,
                                  std::size_t bufferSize) {
    std::string result;
    if (bufferSize == 0) return result;
    result.reserve(64);
    AppendTimestampFormat(platform::ToLocalTime(time), format, result, bufferSize - 1);
    return result;
}

}  // namespace morvanex::engine
