#include "widgets/Preferences.h"

#include <QFile>
#include <QSettings>

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "widgets/QtText.h"

namespace morvanex::widgets {

namespace {

constexpr const char* kMaker = "Pelvarin";
constexpr const char* kApplication = "MorvaneX";
constexpr const char* kOlderApplication = "Morvane";
constexpr const char* kGroup = "Settings/";
constexpr const char* kUserPatterns = "UserPatterns";

QString Key(const char* name) {
    return QString::fromLatin1(kGroup) + QString::fromLatin1(name);
}

// The slot keys of a stored pattern carry the pattern-file names and slot numbers.
QString SlotKey(const char* name, int slot) {
    return QString::asprintf("%s%02d", name, slot);
}

int IntOr(const QVariant& value, int fallback) {
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok ? number : fallback;
}

// A group is removed only when it has no groups below it; its values go with it.
bool DeleteKey(QSettings& store, const QString& group) {
    store.beginGroup(group);
    const bool leaf = store.childGroups().isEmpty();
    store.endGroup();
    if (!leaf || !store.childGroups().contains(group)) return false;
    store.remove(group);
    return true;
}

}  // namespace

int Preferences::ReadInt(const char* name) const {
    const QSettings store(kMaker, kApplication);
    bool ok = false;
    const int value = store.value(Key(name), kMissing).toInt(&ok);
    // A value that is not a number reads as a missing one.
    return ok ? value : kMissing;
}

int Preferences::ReadIntWithDefault(const char* name, int fallback) const {
    const int value = ReadInt(name);
    if (value != kMissing) return value;
    WriteInt(name, fallback);
    return fallback;
}

void Preferences::WriteInt(const char* name, int value) const {
    QSettings store(kMaker, kApplication);
    store.setValue(Key(name), value);
}

int Preferences::StartWizardAtAppStart() const {
    return ReadIntWithDefault("StartWizardAtAppStart", 1);
}
void Preferences::SetStartWizardAtAppStart(int value) const {
    WriteInt("StartWizardAtAppStart", value);
}
int Preferences::StoredStartWizardAtAppStart() const {
    return ReadInt("StartWizardAtAppStart");
}

std::optional<WindowRect> Preferences::SavedWindowRect(int screenWidth, int screenHeight) const {
    WindowRect rect;
    for (auto [name, field] : {std::pair{"RectTop", &rect.top},
                               {"RectBottom", &rect.bottom},
                               {"RectLeft", &rect.left},
                               {"RectRight", &rect.right}}) {
        *field = ReadInt(name);
        if (*field == kMissing) return std::nullopt;
    }
    if (rect.top < 0 || rect.top > screenHeight) rect.top = 0;
    if (rect.left < 0 || rect.left > screenWidth) rect.left = 0;
    return rect;
}

void Preferences::SetWindowRect(const WindowRect& rect) const {
    WriteInt("RectTop", rect.top);
    WriteInt("RectBottom", rect.bottom);
    WriteInt("RectLeft", rect.left);
    WriteInt("RectRight", rect.right);
}

int Preferences::UndoFlag() const {
    return ReadIntWithDefault("UndoFlag", 1);
}
void Preferences::SetUndoFlag(int value) const {
    WriteInt("UndoFlag", value);
}
int Preferences::SettingViewer() const {
    return ReadIntWithDefault("SettingViewer", 0);
}
void Preferences::SetSettingViewer(int value) const {
    WriteInt("SettingViewer", value);
}
int Preferences::SettingViewerMoveSwitch() const {
    return ReadIntWithDefault("SettingViewerMoveSwitch", 0);
}
void Preferences::SetSettingViewerMoveSwitch(int value) const {
    WriteInt("SettingViewerMoveSwitch", value);
}
int Preferences::CheckRemovableFlag() const {
    return ReadIntWithDefault("CheckRemovableFlag", 1);
}
void Preferences::SetCheckRemovableFlag(int value) const {
    WriteInt("CheckRemovableFlag", value);
}
int Preferences::AppExecWithOpenMVXFlag() const {
    return ReadIntWithDefault("AppExecWithOpenMVXFlag", 0);
}
void Preferences::SetAppExecWithOpenMVXFlag(int value) const {
    WriteInt("AppExecWithOpenMVXFlag", value);
}
int Preferences::StoredAppExecWithOpenMVXFlag() const {
    return ReadInt("AppExecWithOpenMVXFlag");
}

std::optional<std::string> Preferences::StoredAutoExecPath() const {
    const QSettings store(kMaker, kApplication);
    const QVariant value = store.value(Key("AppExecWithOpenMVXFilePath"));
    if (!value.isValid()) return std::nullopt;
    std::string path = ToCp932(value.toString());
    if (path == kNotFound) return std::nullopt;
    return platform::CutToFit(path, platform::kMaxPathBytes);
}

bool Preferences::AutoExecPath(std::string& path) const {
    if (std::optional<std::string> stored = StoredAutoExecPath()) {
        path = *stored;
        return true;
    }
    SetAutoExecPath("");
    path.clear();
    return false;
}

void Preferences::SetAutoExecPath(const std::string& path) const {
    QSettings store(kMaker, kApplication);
    store.setValue(Key("AppExecWithOpenMVXFilePath"), ToQString(path));
}

int Preferences::DAndDListClear() const {
    return ReadIntWithDefault("DAndDListClear", 0);
}
void Preferences::SetDAndDListClear(int value) const {
    WriteInt("DAndDListClear", value);
}
int Preferences::FolderTreeSync() const {
    return ReadIntWithDefault("FolderTreeSync", 0);
}
void Preferences::SetFolderTreeSync(int value) const {
    WriteInt("FolderTreeSync", value);
}

std::vector<settings::RegisteredPattern> Preferences::UserPatterns() const {
    QSettings store(kMaker, kApplication);
    std::vector<settings::RegisteredPattern> patterns;
    const int count = store.beginReadArray(kUserPatterns);
    for (int i = 0; i < count; ++i) {
        store.setArrayIndex(i);
        settings::RegisteredPattern pattern;
        pattern.Name =
            platform::CutToFit(ToCp932(store.value("Name").toString()), kMaxPatternNameBytes);
        if (pattern.Name.empty()) continue;
        for (int slot = 0; slot < settings::kPartSlots; ++slot) {
            const auto s = static_cast<std::size_t>(slot);
            pattern.SelectedPart[s] = IntOr(store.value(SlotKey("SelectedPart", slot)), 0);
            pattern.StrPart[s] = platform::CutToFit(
                ToCp932(store.value(SlotKey("StrPart", slot)).toString()), platform::kMaxTextBytes);
            pattern.DigitNum[s] = IntOr(store.value(SlotKey("DigitNum", slot)), 3);
            pattern.SkipNum[s] = IntOr(store.value(SlotKey("SkipNum", slot)), 1);
        }
        patterns.push_back(std::move(pattern));
    }
    store.endArray();
    return patterns;
}

void Preferences::SetUserPatterns(const std::vector<settings::RegisteredPattern>& patterns) const {
    QSettings store(kMaker, kApplication);
    // A shorter list must not leave the entries of a longer one behind.
    store.remove(kUserPatterns);
    store.beginWriteArray(kUserPatterns, static_cast<int>(patterns.size()));
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        const settings::RegisteredPattern& pattern = patterns[i];
        store.setArrayIndex(static_cast<int>(i));
        store.setValue("Name", ToQString(pattern.Name));
        for (int slot = 0; slot < settings::kPartSlots; ++slot) {
            const auto s = static_cast<std::size_t>(slot);
            store.setValue(SlotKey("SelectedPart", slot), pattern.SelectedPart[s]);
            store.setValue(SlotKey("StrPart", slot), ToQString(pattern.StrPart[s]));
            store.setValue(SlotKey("DigitNum", slot), pattern.DigitNum[s]);
            store.setValue(SlotKey("SkipNum", slot), pattern.SkipNum[s]);
        }
    }
    store.endArray();
}

settings::PreferenceCopies Preferences::ReadCopies() const {
    settings::PreferenceCopies copies;
    copies.StartWizardAtAppStart = StartWizardAtAppStart();
    copies.UndoFlag = UndoFlag();
    copies.CheckRemovableFlag = CheckRemovableFlag();
    copies.DAndDListClear = DAndDListClear();
    copies.FolderTreeSync = FolderTreeSync();
    return copies;
}

void Preferences::WriteCopies(const settings::PreferenceCopies& copies) const {
    SetUndoFlag(copies.UndoFlag);
    SetCheckRemovableFlag(copies.CheckRemovableFlag);
    SetDAndDListClear(copies.DAndDListClear);
    SetFolderTreeSync(copies.FolderTreeSync);
}

void Preferences::RemoveObsoleteKeys() {
    {
        QSettings older(kMaker, kOlderApplication);
        DeleteKey(older, "Settings");
        older.remove("WizardSetting/StartWizardAtAppStart");
        DeleteKey(older, "WizardSetting");
        // The "Morvane" store itself goes only when nothing below it is left.
        if (older.childGroups().isEmpty()) older.clear();
        older.sync();
        // On Linux the store is a file of its own: an empty one is removed with it.
        if (older.allKeys().isEmpty() && QFile::exists(older.fileName())) {
            QFile::remove(older.fileName());
        }
    }
    QSettings current(kMaker, kApplication);
    current.remove("WizardSetting/StartWizardAtAppStart");
    DeleteKey(current, "WizardSetting");
}

}  // namespace morvanex::widgets
