#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/Codepage.h"
#include "widgets/ButtonsOnlyDialog.h"
#include "widgets/WindowContext.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Edits the timestamp format of one name part: either one of the 17 presets (fixed mode) or a
// text built token by token (free mode), previewed for the moment the dialog was opened. The
// part's FormatType, FixedFormatNum and Year2Digit remember the choice for the next time.
// OK hands back the edited text and records the choice; Cancel hands back the text it was
// given and leaves the part as it was.
namespace morvanex::pages {

class TimeStampFormatDialog : public widgets::ButtonsOnlyDialog {
    Q_OBJECT

  public:
    static constexpr int kPresetCount = 17;
    static constexpr int kHelpTopic = 47;

    // partIndex is the slot 0..11 whose dialog state is read and written; the text may grow to
    // maxBytes (less than a whole field when the caller puts a prefix in front of it).
    TimeStampFormatDialog(const widgets::WindowContext& context, int partIndex,
                          std::string_view format, QWidget* parent,
                          std::size_t maxBytes = platform::kMaxTextBytes);

    // The format text (CP932) the caller takes back after the dialog has closed.
    const std::string& FormatText() const { return m_format; }

    // A preset's format; an index outside the table gives preset 0.
    static std::string PresetFormat(int index, bool twoDigitYear);

  private:
    struct Token {
        const char* objectName;
        const char* label;  // UTF-8
        const char* token;
    };

    void CreateControls();
    int SelectedPreset() const;
    void EnterFixedMode();
    void EnterFreeMode();
    void ChoosePreset(int index);
    void AppendToken(const Token& token);
    void DeleteBack();
    void AllClear();
    void ApplyYearDigits();
    void ShowPreview();
    void FinishOk();
    void FinishCancel();

    widgets::WindowContext m_context;
    int m_part;
    std::size_t m_maxBytes;
    std::string m_format;
    const std::string m_original;
    const platform::Timestamp m_previewTime;
    bool m_fixedMode = true;

    QCheckBox* m_fixedCheck = nullptr;
    QCheckBox* m_freeCheck = nullptr;
    QButtonGroup* m_presets = nullptr;
    std::array<QRadioButton*, kPresetCount> m_presetButtons{};
    QCheckBox* m_year2Check = nullptr;
    QLineEdit* m_preview = nullptr;
    std::vector<QPushButton*> m_tokenButtons;
    QPushButton* m_deleteBack = nullptr;
    QPushButton* m_allClear = nullptr;
};

}  // namespace morvanex::pages
