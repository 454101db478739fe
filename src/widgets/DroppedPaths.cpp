#include "widgets/DroppedPaths.h"

#include <QMimeData>

#include "platform/Codepage.h"

namespace morvanex::widgets {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           platform::EqualNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

std::string HostPathOfFileUrl(std::string_view url) {
    constexpr std::string_view kScheme = "file://";
    if (!StartsWithNoCase(url, kScheme)) return {};
    url.remove_prefix(kScheme.size());
    // The authority is empty or names this machine; a path on another host is not ours to open.
    const std::size_t slash = url.find('/');
    if (slash == std::string_view::npos) return {};
    const std::string_view host = url.substr(0, slash);
    if (!host.empty() && !platform::EqualNoCase(host, "localhost")) return {};
    url.remove_prefix(slash);
    // A query or fragment is not part of a file's path.
    url = url.substr(0, url.find_first_of("?#"));

    std::string path;
    path.reserve(url.size());
    for (std::size_t i = 0; i < url.size(); ++i) {
        if (url[i] == '%' && i + 2 < url.size() && HexValue(url[i + 1]) >= 0 &&
            HexValue(url[i + 2]) >= 0) {
            path.push_back(static_cast<char>(HexValue(url[i + 1]) * 16 + HexValue(url[i + 2])));
            i += 2;
        } else {
            path.push_back(url[i]);
        }
    }
    // A NUL cannot be in a host path; a URL that decodes to one names no file.
    if (path.find('\0') != std::string::npos) return {};
    return path;
}

std::vector<std::string> DroppedPaths(const QMimeData* mime) {
    std::vector<std::string> paths;
    if (mime == nullptr || !mime->hasFormat(QStringLiteral("text/uri-list"))) return paths;
    const QByteArray list = mime->data(QStringLiteral("text/uri-list"));
    const std::string_view text(list.constData(), static_cast<std::size_t>(list.size()));
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        const std::string host = HostPathOfFileUrl(line);
        if (!host.empty()) paths.push_back(platform::Cp932FromUtf8(host));
    }
    return paths;
}

}  // namespace morvanex::widgets
