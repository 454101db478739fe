#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/FileSystem.h"

// The one record that describes a rename job. Its persistent fields bear the pattern-file key
// names and are grouped by the file's sections; the run-time members beside them are never
// written to a pattern file. All texts are CP932; fixed text fields hold at most 259 bytes.
namespace morvanex::settings {

// What a name-part slot produces, as chosen in the pattern page's type list (the list index).
// These are the codes job files store, and the engine composes a part by the same code: a
// stored value outside them is no part.
enum PartType : int {
    kPartNone = 0,
    kPartFixedText = 1,
    kPartFileName = 2,
    kPartExtension = 3,
    kPartFolderName = 4,
    kPartPeriod = 5,
    kPartSequence = 6,
    kPartFolderSequence = 7,
    kPartCreationTime = 8,
    kPartModificationTime = 9,
    kPartExif = 10,
    kPartFileNameRange = 11,
    kPartExtensionRange = 12,
    kPartFolderNameRange = 13,
};
inline constexpr int kPartTypeCount = 14;

// Slots 0..5 are the six rows of the pattern page; slot 6 + r is the Exif fallback of row r.
inline constexpr int kVisibleParts = 6;
inline constexpr int kPartSlots = 12;
inline constexpr int kReplacePairs = 10;
inline constexpr int kMaxRegisteredPatterns = 20;

inline constexpr const char* kDefaultTimestampFormat = "%4YE%2MO%2DA%2HO%2MI%2SE";
inline constexpr const char* kDefaultExifFormat = "%EDT%4YE%2MO%2DA%2HO%2MI%2SE";

struct PartSlot {
    int SelectedPart = kPartNone;
    std::string StrPart;
    int DigitNum = 3;
    int SkipNum = 1;
    int FormatType = 0;
    int FixedFormatNum = 0;
    int Year2Digit = 0;

    friend bool operator==(const PartSlot&, const PartSlot&) = default;
};

struct SelectFileSection {
    std::string RootDir;
    std::string FullPath;
    int SelectedRenameDrive = 0;
    int RealTimeRefresh = 0;
    int IncludeSubDir = 0;
    std::string FileFilter = "*.*";
    int FreeFileSelect = 0;
    int DropDirAction = 0;

    friend bool operator==(const SelectFileSection&, const SelectFileSection&) = default;
};

struct CopyToDirSection {
    int EnableCopy = 0;
    std::string RootDir;
    std::string FullPath;
    int SelectedCopyToDrive = 0;
    int KeepDirTree = 0;
    int RealTimeRefresh = 0;

    friend bool operator==(const CopyToDirSection&, const CopyToDirSection&) = default;
};

struct RenameOptionSection {
    int EnableRename = 1;
    int EnableDigitChange = 0;
    int DigitChangeNum = 2;
    int SelectedRenamePattern = 0;
    std::array<PartSlot, kPartSlots> Parts{};
    // 1: the Exif parts and the Exif time mode read only a JPEG whose first segment is its
    // Exif segment, and take the main directory's date-time; 0: every photo and movie format
    // the reader knows, with the shooting time. A job file without the key means 0.
    int ExifStrictJpeg = 0;
    // How the tag tokens read a text field of raw bytes (ID3v1, an ID3v2 frame marked Latin-1):
    // 0 CP932 when its bytes look like Shift-JIS, else Latin-1; 1 always CP932 (where the bytes
    // are CP932 at all); 2 never CP932. A job file without the key means 0.
    int ExifTagCp932 = 0;

    friend bool operator==(const RenameOptionSection&, const RenameOptionSection&) = default;
};

struct LetterChangeOptionSection {
    int EnableLetterChange = 0;
    int ChangeMode = 1;

    friend bool operator==(const LetterChangeOptionSection&,
                           const LetterChangeOptionSection&) = default;
};

struct StringChangeOptionSection {
    int EnableStringChange = 0;
    // Index 0 is pair number 001 of the file.
    std::array<std::string, kReplacePairs> ChangeBefore{};
    std::array<std::string, kReplacePairs> ChangeAfter{};
    // 1: each "before" text is a regular expression and each "after" text may name its groups.
    int UseRegex = 0;

    friend bool operator==(const StringChangeOptionSection&,
                           const StringChangeOptionSection&) = default;
};

struct AttributeOptionSection {
    int EnableAttribute = 0;
    int SelectedArchive = 0;  // 0 leave, 1 set, 2 clear
    int SelectedReadOnly = 0;
    int SelectedHidden = 0;
    int SelectedSystem = 0;

    friend bool operator==(const AttributeOptionSection&, const AttributeOptionSection&) = default;
};

struct TimeStampOptionSection {
    int EnableTimeStamp = 0;
    int EnableMakeTime = 0;        // 0, 1 fixed, 3 from modification, 5 from Exif
    int EnableUpdateTime = 0;      // 0, 1 fixed, 2 from creation, 5 from Exif
    int EnableLastAccessTime = 0;  // 0, 1 fixed, 2 from creation, 3 from modification, 5 Exif

    friend bool operator==(const TimeStampOptionSection&, const TimeStampOptionSection&) = default;
};

struct CommonOptionSection {
    int SortCondition = 1;  // 0 none, 1 name, 2 time, 3 name ascending, 4 size
    int SortDirection = 1;  // 1 ascending, 0 descending
    int NumberReset = 1;
    int AllAttributeFileRename = 0;
    int DirRename = 0;
    int ViewDetailResult = 0;
    int LogWrite = 0;
    int BatLogWrite = 0;
    std::string LogWritePath;
    // 1: names sort with their runs of digits compared by value ("file2" before "file10").
    int NaturalOrder = 0;
    // 1: the whole plan is checked before the first move, and the moves are ordered so that a
    // name another target frees is taken only after it is free (swaps through a temporary
    // name). 0: the targets are moved in their order and the run stops at the first name taken.
    int PlanWholeRun = 1;

    friend bool operator==(const CommonOptionSection&, const CommonOptionSection&) = default;
};

// A named preset of the twelve part slots.
struct RegisteredPattern {
    std::string Name;
    std::array<int, kPartSlots> SelectedPart{};
    std::array<std::string, kPartSlots> StrPart{};
    std::array<int, kPartSlots> DigitNum{};
    std::array<int, kPartSlots> SkipNum{};

    friend bool operator==(const RegisteredPattern&, const RegisteredPattern&) = default;
};

// One place to browse from, as the folder pages show it.
struct DriveEntry {
    std::string Root;  // the root folder, ending with the separator
    std::string Label;
    std::string Text;  // the combo text: root and label

    friend bool operator==(const DriveEntry&, const DriveEntry&) = default;
};

// The status of one target before or after a run (its path is the target's, in the run's lists).
struct FileStatusRecord {
    platform::FileStatus Status;

    friend bool operator==(const FileStatusRecord&, const FileStatusRecord&) = default;
};

// What the last real run did, for undo: pairs [0, ValidCount) of the two path lists.
struct UndoData {
    std::vector<std::string> OldPaths;
    std::vector<std::string> NewPaths;
    int ValidCount = 0;
};

// The preferences the document keeps working copies of.
struct PreferenceCopies {
    int StartWizardAtAppStart = 1;
    int UndoFlag = 1;
    int CheckRemovableFlag = 1;
    int DAndDListClear = 0;
    int FolderTreeSync = 0;

    friend bool operator==(const PreferenceCopies&, const PreferenceCopies&) = default;
};

struct RenameSettings {
    // Persistent: one member per pattern-file section.
    SelectFileSection SelectFile;
    CopyToDirSection CopyToDir;
    RenameOptionSection RenameOption;
    LetterChangeOptionSection LetterChangeOption;
    StringChangeOptionSection StringChangeOption;
    AttributeOptionSection AttributeOption;
    TimeStampOptionSection TimeStampOption;
    CommonOptionSection CommonOption;

    // Run-time members.
    std::vector<DriveEntry> DriveList;
    std::vector<RegisteredPattern> RegisteredPatterns;
    std::vector<std::string> FreeFileList;
    UndoData Undo;
    std::vector<FileStatusRecord> BeforeStatus;
    std::vector<FileStatusRecord> AfterStatus;
    platform::LocalTime MakeTimeValue;
    platform::LocalTime UpdateTimeValue;
    platform::LocalTime LastAccessTimeValue;
    PreferenceCopies Preferences;
    int AutoExecMode = 0;

    // True when the persistent fields (what a pattern file holds) are equal.
    bool SamePersistentFields(const RenameSettings& other) const;
};

}  // namespace morvanex::settings
