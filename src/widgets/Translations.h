#pragma once

// The toolkit's own texts in Japanese: Qt's Japanese catalogue, and a few texts that catalogue
// lacks (the file dialogs' type names: Qt 6 moved them to a context its Japanese catalogue has
// no entries for, so a folder's type showed as "Folder").
namespace morvanex::widgets {

// Installs both into the running application, for as long as it runs.
void InstallJapaneseTranslations();

}  // namespace morvanex::widgets
