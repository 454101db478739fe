#include "engine/Interaction.h"

namespace morvanex::engine {

void Interaction::ShowNotice(Notice notice, const std::string& text, int) {
    ShowMessage(text,
                notice == Notice::AttributeHint ? MessageIcon::Exclamation : MessageIcon::None);
}

int ProgressPosition(unsigned total, int current) {
    if (total == 0) return 0;
    return static_cast<int>(static_cast<double>(current) / static_cast<double>(total) * 100.0);
}

}  // namespace morvanex::engine
