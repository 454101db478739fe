#include "settings/RenameSettings.h"

namespace morvanex::settings {

bool RenameSettings::SamePersistentFields(const RenameSettings& other) const {
    return SelectFile == other.SelectFile && CopyToDir == other.CopyToDir &&
           RenameOption == other.RenameOption && LetterChangeOption == other.LetterChangeOption &&
           StringChangeOption == other.StringChangeOption &&
           AttributeOption == other.AttributeOption && TimeStampOption == other.TimeStampOption &&
           CommonOption == other.CommonOption;
}

}  // namespace morvanex::settings
