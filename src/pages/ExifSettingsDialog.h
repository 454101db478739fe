#pragma once

#include <array>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "settings/RenameSettings.h"
#include "widgets/ButtonsOnlyDialog.h"
#include "widgets/WindowContext.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Edits one Exif row of the pattern page: which Exif item goes into the name (the shooting
// time with a timestamp format, the camera maker or the camera model, or a music tag: artist,
// album artist, album, title, track and disc number with their digits, year, genre, duration;
// the texts whole or a character range of them) and the row's fallback slot 6 + r, used for
// files without the item's value, and two choices of the whole job: whether it reads only JPEG
// files whose first segment is their Exif segment, and how tag texts of raw bytes are read.
// The fallback is written into the settings at once; the format text goes back to the row
// through the caller. The dialog closes only through OK, where everything is committed.
namespace morvanex::pages {

class ExifSettingsDialog : public widgets::ButtonsOnlyDialog {
    Q_OBJECT

  public:
    static constexpr int kHelpTopic = 49;
    static constexpr int kMaxPosition = 255;

    // row is the pattern page's row 0..5; format is its Exif format text.
    ExifSettingsDialog(const widgets::WindowContext& context, int row, std::string_view format,
                       QWidget* parent);

    // The row's Exif format text (CP932) after the dialog has closed.
    const std::string& FormatText() const { return m_format; }

    // The items in the order of their radio buttons.
    enum Item {
        kDateItem = 0,
        kMakerItem,
        kModelItem,
        kArtistItem,
        kAlbumArtistItem,
        kAlbumItem,
        kTitleItem,
        kTrackItem,
        kDiscItem,
        kYearItem,
        kGenreItem,
        kDurationItem,
        kItemCount
    };

  private:
    void CreateControls();
    settings::PartSlot& Fallback() const;
    QString Expand(std::string_view format) const;
    void ReadFormat();
    void ShowDatePreview();
    void EnableRangeEdits();
    // The range and digit controls as the chosen item takes them.
    void EnableItemControls();
    // The format text of a non-date item as the controls stand (without a range).
    std::string ItemToken(int item) const;
    void OnItemClicked(int item);
    void OnDateFormatButton();
    void OnFallbackChosen(int index);
    void OnFallbackFormatButton();
    // Shows the fallback slot: in stored mode its stored text, in new mode what a fresh choice
    // of its type starts from.
    void LayOutFallback(bool storedMode);
    void OnOk();

    widgets::WindowContext m_context;
    int m_row;
    std::string m_format;
    // The date format kept while the maker or model is chosen, so that going back restores it.
    std::string m_savedDateFormat;
    int m_item = kDateItem;
    const platform::Timestamp m_now;
    bool m_filling = false;

    std::array<QRadioButton*, kItemCount> m_items{};
    QComboBox* m_digits = nullptr;
    QComboBox* m_tagText = nullptr;
    QLineEdit* m_datePreview = nullptr;
    QPushButton* m_dateFormatButton = nullptr;
    QCheckBox* m_wholeText = nullptr;
    QLineEdit* m_first = nullptr;
    QLineEdit* m_last = nullptr;
    QComboBox* m_fallbackList = nullptr;
    QLabel* m_fallbackLabel = nullptr;
    QLineEdit* m_fallbackEdit = nullptr;
    QPushButton* m_fallbackButton = nullptr;
    QCheckBox* m_strictJpeg = nullptr;
};

}  // namespace morvanex::pages
