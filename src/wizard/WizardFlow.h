#pragma once

#include <optional>

#include "settings/RenameSettings.h"

// Which wizard page follows which: a pure function of the page left, the button used, the
// operations switched on in the settings and the task kind. The driver opens what it says.
namespace morvanex::wizard {

// One kind per page the wizard can show; the driver keeps one slot per kind.
enum class PageKind {
    // Both flows, and the template tasks.
    Welcome,
    TaskSelection,
    TargetFolder,
    CopyDestination,
    SequenceSettings,
    Final,
    LetterCase,
    Extension,
    Attributes,
    DroppedFiles,
    // The all-options flow.
    FileSelection,
    AllCopyDestination,
    Rename,
    AllLetterCase,
    AllAttributes,
    TimeStamp,
    CommonOptions,
    OperationSelection,
    StringReplace,
};
inline constexpr int kPageKindCount = 19;

enum class WizardButton {
    Back,
    Next,
    Close,
    TemplateFlow,    // the welcome page's way into the template tasks
    AllOptionsFlow,  // the welcome page's way into the all-options flow
};

// The five template tasks, and the all-options flow.
inline constexpr int kTaskSequence = 0;
inline constexpr int kTaskFolderSequence = 1;
inline constexpr int kTaskLetterCase = 2;
inline constexpr int kTaskExtension = 3;
inline constexpr int kTaskAttributes = 4;
inline constexpr int kTaskAllOptions = 100;

// What the choice of the next page depends on.
struct FlowState {
    int taskKind = 0;
    bool copy = false;
    bool freeSelect = false;
    bool rename = false;
    bool letterCase = false;
    bool stringReplace = false;
    bool attributes = false;
    bool timeStamp = false;

    static FlowState Of(const settings::RenameSettings& settings, int taskKind);
};

// The page to open after `from` when `button` was used; nothing: the wizard ends.
std::optional<PageKind> NextPage(PageKind from, WizardButton button, const FlowState& state);

// The page a start mode opens: 2 the task selection, 3 the file selection, else the welcome.
PageKind StartPage(int mode);

}  // namespace morvanex::wizard
