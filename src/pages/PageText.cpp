#include "pages/PageText.h"

#include <QLineEdit>
#include <algorithm>
#include <cstdio>

#include "platform/Codepage.h"
#include "settings/PatternFile.h"
#include "widgets/QtText.h"

namespace morvanex::pages {

int DecimalValue(const QString& text) {
    // The same reading as a job file's integer keys.
    return settings::ParseInteger(widgets::ToCp932(text));
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
