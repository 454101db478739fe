#include "engine/naming/RegexReplace.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "engine/ResultCodes.h"
#include "engine/naming/NameSteps.h"
#include "platform/Codepage.h"

namespace morvanex::engine {

namespace {

// The work one name may cost, all pairs and all start positions together, counted in the
// pattern items PCRE2 tries (an automatic callout before each). A name is a few hundred bytes:
// the patterns people write (dates, numbers, case, ranges of characters) take a few thousand at
// most even on a name of the full 259 bytes; a pattern that backtracks without end reaches the
// budget within a tenth of a second. PCRE2's own match limit starts again at every start
// position, so it bounds no name by itself: it is kept at what the budget has left, beside the
// depth and heap limits.
constexpr std::uint64_t kWorkPerName = 1'000'000;
constexpr std::uint32_t kDepthLimit = 100'000;
constexpr std::uint32_t kHeapLimitKiB = 64 * 1024;

// \C would match single bytes of a character and cut it in two.
constexpr std::uint32_t kCompileOptions =
    PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_NEVER_BACKSLASH_C | PCRE2_AUTO_CALLOUT;

// A replacement that made the name longer than any intermediate name may be.
constexpr int kNameTooLong = 1;

// A piece of an after text: a literal, or the group whose match goes there.
struct Piece {
    std::string literal;
    int group = -1;
};

std::string PcreMessage(int code) {
    std::array<PCRE2_UCHAR, 256> buffer{};
    if (pcre2_get_error_message(code, buffer.data(), buffer.size()) < 0)
        return "error " + std::to_string(code);
    return reinterpret_cast<const char*>(buffer.data());
}

// Characters of UTF-8 text before a byte offset (a byte that is not UTF-8 counts as one).
std::size_t CharactersBefore(std::string_view utf8, std::size_t offset) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < offset && i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) ++count;
    }
    return count;
}

std::string PairLabel(const char* side, std::size_t index, const std::string& cp932Text) {
    return platform::Sjis(side) + std::to_string(index + 1) + " : " + cp932Text + "\n";
}

// Splits an after text into pieces; false with the reason (CP932) on a "$" that names nothing.
bool ParseAfter(std::string_view after, const pcre2_code* code, std::vector<Piece>& pieces,
                std::string& reason) {
    std::uint32_t groups = 0;
    pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &groups);
    pieces.clear();
    Piece literal;
    const auto flush = [&] {
        if (!literal.literal.empty()) pieces.push_back(std::move(literal));
        literal = {};
    };
    const auto group = [&](long number) {
        if (number > static_cast<long>(groups)) {
            reason = platform::Sjis("グループ ") + std::to_string(number) +
                     platform::Sjis(" はありません(この正規表現のグループは ") +
                     std::to_string(groups) + platform::Sjis(" 個です)。");
            return false;
        }
        flush();
        pieces.push_back({{}, static_cast<int>(number)});
        return true;
    };
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (after[i] != '$') {
            literal.literal += after[i];
            continue;
        }
        const char next = i + 1 < after.size() ? after[i + 1] : '\0';
        const std::size_t close = next == '{' ? after.find('}', i + 2) : std::string_view::npos;
        if (next == '$') {
            literal.literal += '$';
            ++i;
        } else if (next >= '0' && next <= '9') {
            if (!group(next - '0')) return false;
            ++i;
        } else if (close != std::string_view::npos && close > i + 2) {
            const std::string name(after.substr(i + 2, close - i - 2));
            long number = 0;
            if (name.find_first_not_of("0123456789") == std::string::npos) {
                // Beyond six digits it is no group of any pattern a name could use.
                number = name.size() > 6 ? 1'000'000 : std::stol(name);
            } else {
                const int found = pcre2_substring_number_from_name(
                    code, reinterpret_cast<PCRE2_SPTR>(name.c_str()));
                if (found < 0) {
                    reason = platform::Sjis("名前が ") + platform::Cp932FromUtf8(name) +
                             platform::Sjis(found == PCRE2_ERROR_NOUNIQUESUBSTRING
                                                ? " のグループが複数あります。"
                                                : " のグループはありません。");
                    return false;
                }
                number = found;
            }
            if (!group(number)) return false;
            i = close;
        } else {
            reason = platform::Sjis("$ の後には 0-9、{名前}、$ のいずれかを書きます(") +
                     std::to_string(CharactersBefore(after, i) + 1) +
                     platform::Sjis("文字目の $)。");
            return false;
        }
    }
    flush();
    return true;
}

}  // namespace

struct RegexPairs::Impl {
    struct Pair {
        std::size_t index = 0;
        std::string cp932Before;
        std::string cp932After;
        pcre2_code* code = nullptr;
        pcre2_match_data* match = nullptr;
        std::vector<Piece> pieces;
    };
    std::vector<Pair> pairs;
    bool compiled = false;
    pcre2_match_context* context = nullptr;
    // Reused for every name of a run.
    std::string subject;
    std::string result;
    // What the name being replaced may still cost (see kWorkPerName).
    std::uint64_t workLeft = 0;

    Impl() {
        context = pcre2_match_context_create(nullptr);
        if (context == nullptr) return;
        pcre2_set_depth_limit(context, kDepthLimit);
        pcre2_set_heap_limit(context, kHeapLimitKiB);
        pcre2_set_callout(context, CountWork, this);
    }
    ~Impl() {
        Clear();
        pcre2_match_context_free(context);
    }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    void Clear() {
        for (Pair& pair : pairs) {
            pcre2_match_data_free(pair.match);
            pcre2_code_free(pair.code);
        }
        pairs.clear();
        compiled = false;
    }

    static int CountWork(pcre2_callout_block* /*block*/, void* data) {
        std::uint64_t& left = static_cast<Impl*>(data)->workLeft;
        if (left == 0) return PCRE2_ERROR_MATCHLIMIT;
        --left;
        return 0;
    }

    // Every match of one pair in `subject` replaced, into `result`; 0, kNameTooLong or PCRE2's
    // error.
    int Replace(const Pair& pair) {
        result.clear();
        const auto* text = reinterpret_cast<PCRE2_SPTR>(subject.data());
        const std::size_t length = subject.size();
        std::size_t copied = 0;
        std::size_t start = 0;
        std::size_t emptyAt = 0;
        std::uint32_t options = 0;
        while (start <= length) {
            pcre2_set_match_limit(context, static_cast<std::uint32_t>(
                                               std::min<std::uint64_t>(workLeft + 1, UINT32_MAX)));
            const int rc =
                pcre2_match(pair.code, text, length, start, options, pair.match, context);
            if (rc == PCRE2_ERROR_NOMATCH) {
                if (options == 0) break;
                // PCRE2 steps over bytes that are not UTF-8 without trying the place after them
                // when they end the name: one more try from the next character (such a byte
                // being one of its own).
                const std::size_t size = platform::Utf8SequenceLength(subject, emptyAt);
                start = emptyAt + (size == 0 ? 1 : size);
                options = 0;
                continue;
            }
            if (rc < 0) return rc;
            const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(pair.match);
            const std::uint32_t captured = pcre2_get_ovector_count(pair.match);
            // \K inside a lookaround can put a match's start after its end or before text
            // already replaced: no replacement can be placed there.
            if (ovector[0] > ovector[1] || ovector[0] < copied) return PCRE2_ERROR_BADSUBSPATTERN;
            result.append(subject, copied, ovector[0] - copied);
            for (const Piece& piece : pair.pieces) {
                if (piece.group < 0) {
                    result += piece.literal;
                } else if (static_cast<std::uint32_t>(piece.group) < captured &&
                           ovector[2 * piece.group] != PCRE2_UNSET) {
                    const PCRE2_SIZE from = ovector[2 * piece.group];
                    result.append(subject, from, ovector[2 * piece.group + 1] - from);
                }
            }
            if (result.size() > kMostNameBytes) return kNameTooLong;
            copied = ovector[1];
            start = ovector[1];
            if (ovector[0] == ovector[1]) {
                if (start == length) break;
                // An empty match is not taken twice at one place: a non-empty one may follow
                // here, or any one further on. The search is not anchored, so that PCRE2 itself
                // keeps the place before a byte that is not UTF-8: it never starts a match at
                // such a byte, only ends a piece of text there.
                options = PCRE2_NOTEMPTY_ATSTART;
                emptyAt = start;
            } else {
                options = 0;
            }
        }
        result.append(subject, copied, std::string::npos);
        return result.size() > kMostNameBytes ? kNameTooLong : 0;
    }
};

RegexPairs::RegexPairs() : m_impl(std::make_unique<Impl>()) {}
RegexPairs::~RegexPairs() = default;
RegexPairs::RegexPairs(RegexPairs&&) noexcept = default;
RegexPairs& RegexPairs::operator=(RegexPairs&&) noexcept = default;

bool RegexPairs::Ready() const {
    return m_impl != nullptr && m_impl->compiled;
}

bool RegexPairs::Compile(std::span<const std::string> before, std::span<const std::string> after,
                         std::string& detail) {
    if (m_impl == nullptr) m_impl = std::make_unique<Impl>();
    m_impl->Clear();
    detail.clear();
    const std::size_t count = std::min(before.size(), after.size());
    for (std::size_t p = 0; p < count; ++p) {
        if (before[p].empty()) continue;
        Impl::Pair pair;
        pair.index = p;
        pair.cp932Before = before[p];
        pair.cp932After = after[p];
        const std::string pattern = platform::Utf8FromCp932(before[p]);
        int error = 0;
        PCRE2_SIZE offset = 0;
        pair.code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                  kCompileOptions, &error, &offset, nullptr);
        if (pair.code == nullptr) {
            detail = PairLabel("置換前の文字列", p, before[p]) +
                     platform::Sjis("正規表現の誤り(位置 ") +
                     std::to_string(CharactersBefore(pattern, offset)) +
                     "): " + platform::Cp932FromUtf8(PcreMessage(error));
            m_impl->Clear();
            return false;
        }
        pair.match = pcre2_match_data_create_from_pattern(pair.code, nullptr);
        std::string reason;
        if (pair.match == nullptr || m_impl->context == nullptr) {
            detail = PairLabel("置換前の文字列", p, before[p]) +
                     platform::Cp932FromUtf8(PcreMessage(PCRE2_ERROR_NOMEMORY));
        } else if (!ParseAfter(platform::Utf8FromCp932(after[p]), pair.code, pair.pieces, reason)) {
            detail = PairLabel("置換後の文字列", p, after[p]) + reason;
        }
        if (!detail.empty()) {
            pcre2_match_data_free(pair.match);
            pcre2_code_free(pair.code);
            m_impl->Clear();
            return false;
        }
        m_impl->pairs.push_back(std::move(pair));
    }
    m_impl->compiled = true;
    return true;
}

int RegexPairs::Apply(std::string& name, std::string& detail) const {
    Impl& impl = *m_impl;
    if (impl.pairs.empty()) return kSuccess;
    impl.workLeft = kWorkPerName;
    platform::Utf8FromCp932(name, impl.subject);
    for (const Impl::Pair& pair : impl.pairs) {
        const int error = impl.Replace(pair);
        if (error == kNameTooLong) {
            detail = PairLabel("置換後の文字列", pair.index, pair.cp932After) +
                     platform::Sjis("置換で名前が長くなりすぎました(") +
                     std::to_string(kMostNameBytes) + platform::Sjis(" バイト超)。");
            return MRVN_ERROR_SYSTEM_ERROR;
        }
        if (error != 0) {
            detail = PairLabel("置換前の文字列", pair.index, pair.cp932Before) +
                     platform::Sjis("照合を打ち切りました: ") +
                     platform::Cp932FromUtf8(PcreMessage(error));
            return MRVN_ERROR_BAD_REGEX;
        }
        impl.subject.swap(impl.result);
    }
    platform::Cp932FromUtf8(impl.subject, impl.result);
    // A byte that is not UTF-8 takes two bytes in CP932.
    if (impl.result.size() > kMostNameBytes) {
        detail = platform::Sjis("置換で名前が長くなりすぎました(") +
                 std::to_string(kMostNameBytes) + platform::Sjis(" バイト超)。");
        return MRVN_ERROR_SYSTEM_ERROR;
    }
    name.assign(impl.result);
    return kSuccess;
}

std::string RegexPairsProblem(const settings::StringChangeOptionSection& option) {
    if (option.EnableStringChange == 0 || option.UseRegex == 0) return {};
    RegexPairs pairs;
    std::string detail;
    if (pairs.Compile(option.ChangeBefore, option.ChangeAfter, detail)) return {};
    return RunErrorMessage(MRVN_ERROR_BAD_REGEX, 0, "") + "\n" + detail;
}

}  // namespace morvanex::engine
