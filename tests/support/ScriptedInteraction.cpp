#include "support/ScriptedInteraction.h"

#include "platform/Codepage.h"

namespace morvanex::test {

bool ScriptedInteraction::Showed(const std::string& utf8Start) const {
    const std::string start = platform::Cp932FromUtf8(utf8Start);
    for (const auto& message : messages) {
        if (message.starts_with(start)) return true;
    }
    return false;
}

}  // namespace morvanex::test
