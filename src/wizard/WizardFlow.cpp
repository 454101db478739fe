#include "wizard/WizardFlow.h"

#include <array>
#include <utility>

namespace morvanex::wizard {

namespace {

// The page of a template task; nothing for a kind that is not one.
std::optional<PageKind> TaskPage(int taskKind) {
    switch (taskKind) {
        case kTaskSequence:
        case kTaskFolderSequence:
            return PageKind::SequenceSettings;
        case kTaskLetterCase:
            return PageKind::LetterCase;
        case kTaskExtension:
            return PageKind::Extension;
        case kTaskAttributes:
            return PageKind::Attributes;
        default:
            return std::nullopt;
    }
}

bool IsTemplateTask(int taskKind) {
    return taskKind >= kTaskSequence && taskKind <= kTaskAttributes;
}

// Where the template flow's choice of files happens.
PageKind TemplateFilesPage(const FlowState& state) {
    return state.freeSelect ? PageKind::DroppedFiles : PageKind::TargetFolder;
}

// The all-options pages after the file selection, in order, each with whether it applies.
std::array<std::pair<PageKind, bool>, 6> Chain(const FlowState& state) {
    return {{{PageKind::AllCopyDestination, state.copy},
             {PageKind::Rename, state.rename},
             {PageKind::AllLetterCase, state.letterCase},
             {PageKind::StringReplace, state.stringReplace},
             {PageKind::AllAttributes, state.attributes},
             {PageKind::TimeStamp, state.timeStamp}}};
}

// The position of a page in the chain: -1 for the file selection before it, 6 for the final
// page after it.
int ChainIndex(PageKind page, const FlowState& state) {
    const auto chain = Chain(state);
    for (std::size_t i = 0; i < chain.size(); ++i) {
        if (chain[i].first == page) return static_cast<int>(i);
    }
    return page == PageKind::Final ? static_cast<int>(chain.size()) : -1;
}

PageKind NextApplicable(PageKind from, const FlowState& state) {
    const auto chain = Chain(state);
    for (int i = ChainIndex(from, state) + 1; i < static_cast<int>(chain.size()); ++i) {
        if (chain[static_cast<std::size_t>(i)].second)
            return chain[static_cast<std::size_t>(i)].first;
    }
    return PageKind::Final;
}

PageKind PreviousApplicable(PageKind from, const FlowState& state) {
    const auto chain = Chain(state);
    for (int i = ChainIndex(from, state) - 1; i >= 0; --i) {
        if (chain[static_cast<std::size_t>(i)].second)
            return chain[static_cast<std::size_t>(i)].first;
    }
    return PageKind::FileSelection;
}

std::optional<PageKind> Forward(PageKind from, const FlowState& state) {
    switch (from) {
        case PageKind::Welcome:
            return std::nullopt;
        case PageKind::TaskSelection:
            return TemplateFilesPage(state);
        case PageKind::TargetFolder:
        case PageKind::DroppedFiles:
            if (state.copy) return PageKind::CopyDestination;
            return TaskPage(state.taskKind);
        case PageKind::CopyDestination:
            return TaskPage(state.taskKind);
        case PageKind::SequenceSettings:
        case PageKind::LetterCase:
        case PageKind::Extension:
        case PageKind::Attributes:
        case PageKind::TimeStamp:
            return PageKind::Final;
        case PageKind::Final:
            return std::nullopt;
        case PageKind::OperationSelection:
            return PageKind::CommonOptions;
        case PageKind::CommonOptions:
            return PageKind::FileSelection;
        case PageKind::FileSelection:
        case PageKind::AllCopyDestination:
        case PageKind::Rename:
        case PageKind::AllLetterCase:
        case PageKind::StringReplace:
        case PageKind::AllAttributes:
            return NextApplicable(from, state);
    }
    return std::nullopt;
}

std::optional<PageKind> Backward(PageKind from, const FlowState& state) {
    switch (from) {
        case PageKind::Welcome:
            return std::nullopt;
        case PageKind::TaskSelection:
            return PageKind::Welcome;
        case PageKind::TargetFolder:
        case PageKind::DroppedFiles:
            if (IsTemplateTask(state.taskKind)) return PageKind::TaskSelection;
            return std::nullopt;
        case PageKind::CopyDestination:
            return TemplateFilesPage(state);
        case PageKind::SequenceSettings:
        case PageKind::LetterCase:
        case PageKind::Extension:
        case PageKind::Attributes:
            if (state.copy) return PageKind::CopyDestination;
            return TemplateFilesPage(state);
        case PageKind::Final:
            if (state.taskKind == kTaskAllOptions) return PreviousApplicable(from, state);
            return TaskPage(state.taskKind);
        case PageKind::OperationSelection:
            return PageKind::Welcome;
        case PageKind::CommonOptions:
            return PageKind::OperationSelection;
        case PageKind::FileSelection:
            return PageKind::CommonOptions;
        case PageKind::AllCopyDestination:
            return PageKind::FileSelection;
        case PageKind::Rename:
        case PageKind::AllLetterCase:
        case PageKind::StringReplace:
        case PageKind::AllAttributes:
        case PageKind::TimeStamp:
            return PreviousApplicable(from, state);
    }
    return std::nullopt;
}

}  // namespace

FlowState FlowState::Of(const settings::RenameSettings& settings, int taskKind) {
    FlowState state;
    state.taskKind = taskKind;
    state.copy = settings.CopyToDir.EnableCopy != 0;
    state.freeSelect = settings.SelectFile.FreeFileSelect != 0;
    state.rename = settings.RenameOption.EnableRename != 0;
    state.letterCase = settings.LetterChangeOption.EnableLetterChange != 0;
    state.stringReplace = settings.StringChangeOption.EnableStringChange != 0;
    state.attributes = settings.AttributeOption.EnableAttribute != 0;
    state.timeStamp = settings.TimeStampOption.EnableTimeStamp != 0;
    return state;
}

std::optional<PageKind> NextPage(PageKind from, WizardButton button, const FlowState& state) {
    switch (button) {
        case WizardButton::Next:
            return Forward(from, state);
        case WizardButton::Back:
            return Backward(from, state);
        case WizardButton::TemplateFlow:
            return PageKind::TaskSelection;
        case WizardButton::AllOptionsFlow:
            return PageKind::OperationSelection;
        case WizardButton::Close:
            break;
    }
    return std::nullopt;
}

PageKind StartPage(int mode) {
    if (mode == 2) return PageKind::TaskSelection;
    if (mode == 3) return PageKind::FileSelection;
    return PageKind::Welcome;
}

}  // namespace morvanex::wizard
