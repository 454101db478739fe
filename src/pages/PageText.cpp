#include "pages/PageText.h"

#include <QLineEdit>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "platform/Codepage.h"
#include "widgets/QtText.h"

namespace morvanex::pages {

int DecimalValue(const QString& text) {
    const std::string bytes = widgets::ToCp932(text);
    const long value = std::strtol(bytes.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

std::string RangeText(int first, int last) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X", std::clamp(first, 0, 255),
                  std::clamp(last, 0, 255));
    return text;
}

std::string FieldText(const QLineEdit& edit) {
    return platform::CutToFit(widgets::ToCp932(edit.text()), platform::kMaxTextBytes);
}

}  // namespace morvanex::pages
