#pragma once

#include <string>
#include <string_view>
#include <vector>

class QMimeData;

namespace morvanex::widgets {

// The local paths of a drop from a file manager (text/uri-list), in the order given, as CP932.
// Each URL is percent-decoded to the host's bytes and converted from there: going through a
// QString path would turn a name that is not UTF-8 into replacement characters and so name
// another file, or none. Lines that are comments, not file URLs, or name another host are left
// out.
std::vector<std::string> DroppedPaths(const QMimeData* mime);

// One file URL of a uri-list as the host's path bytes; empty when it is not a local file URL.
std::string HostPathOfFileUrl(std::string_view url);

}  // namespace morvanex::widgets
