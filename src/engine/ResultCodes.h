#pragma once

#include <string>

#include "engine/Interaction.h"

// Result codes of a run and of target collection, and their messages (CP932).
namespace morvanex::engine {

enum ResultCode : int {
    kSuccess = 0,
    MRVN_ERROR_NO_COPYTOSTR = 1,
    MRVN_ERROR_NO_RENFORMAT = 2,
    MRVN_ERROR_NO_RENNUMBER = 3,
    MRVN_ERROR_NO_COPYTO = 4,
    MRVN_ERROR_NO_DIGITNUM = 5,
    MRVN_ERROR_LOWER_NUM_OVER = 6,
    MRVN_ERROR_UPPER_NUM_OVER = 7,
    MRVN_ERROR_NOT_ALLOC_MEMORY = 8,
    MRVN_ERROR_NOT_RENFILE_STR = 9,
    MRVN_ERROR_BAD_STRING_USED = 10,
    MRVN_NO_RENAME_FILE = 11,
    MRVN_PARAMETER_ERROR = 12,
    MRVN_PARAMETER_UNMATCH = 13,
    MRVN_ERROR_FILEATTRIBUTE = 14,
    MRVN_ERROR_NO_LOGWRITEDIR = 15,
    MRVN_ERROR_SAME_NAME_EXSIT = 16,
    MRVN_ERROR_SAME_NAME_EXSIT_PREVIEW = 17,
    // Ours: the undo journal could not be made or written, so nothing more is changed.
    MRVN_ERROR_NO_JOURNAL = 18,
    // Ours: a replacement pair cannot be used as a regular expression (set-up check), or
    // matching one gave up at its limits (the file named).
    MRVN_ERROR_BAD_REGEX = 19,
    // Ours: the user stopped the work between two files; what was done is recorded for undo.
    MRVN_STOPPED_BY_USER = 20,
    MRVN_ERROR_SYSTEM_ERROR = 999,
    DINFO_ERROR_NO_COUNTDIR_APP = 1001,
    DINFO_ERROR_NO_FILEINDIR_APP = 1004,
    DINFO_ERROR_BAD_LISTING_MODE = 2001,
};

// The message of a code, filled with the code, the system error code (999 and the fallback)
// and the path text (16, 17 and 18; for 10, 19 and 999 the path, when there is one, follows on
// a line of its own: which file failed, or which text holds the character).
std::string RunErrorMessage(int code, int systemError, const std::string& path);

// A real run that ended well: "変換完了。" with the number of files converted.
std::string RunDoneMessage(int doneCount);

// A run the user stopped: how many files it changed, and that undo takes them back.
std::string StoppedMessage(int doneCount);

// The undo's messages: there is nothing to undo, it ended well, it stopped at an error.
std::string NoUndoDataMessage();
std::string UndoDoneMessage();
std::string UndoFailedMessage();

// The set-up check's questions when the copy destination or the log folder is missing.
std::string CopyFolderQuestion();
std::string LogFolderQuestion();

// Shows the message of a code with the exclamation icon; returns 1. A detail, when given,
// follows on a line of its own. (An auto-exec run passes a SilentInteraction.)
int ShowRunError(Interaction& interaction, int code, int systemError, const std::string& path,
                 const std::string& detail = {});

}  // namespace morvanex::engine
