#pragma once

#include <QString>
#include <array>
#include <string>

#include "pages/Page.h"

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

// The rename pattern tab: the switch between composing new names and aligning digits, the six
// name-part rows (slots 0..5), the registered patterns and the live preview of the name the
// rows make. Date rows open the timestamp format dialog, Exif rows the Exif settings dialog.
// The Exif fallback slots 6..11 are left alone except when a registered pattern is chosen.
namespace morvanex::pages {

class RenamePatternPage : public Page {
    Q_OBJECT

  public:
    static constexpr int kPageId = 2030;
    static constexpr int kRows = 6;

    RenamePatternPage(const widgets::WindowContext& context, QWidget* parent);
    // Stores the controls first, like leaving the page.
    ~RenamePatternPage() override;

    void ShowSettings() override;
    void StoreSettings() override;
    int PageId() const override { return kPageId; }

    // The register command: asks for a name, then registers the current rows as a new pattern.
    void RegisterPattern();
    // Registers the current rows and the Exif fallbacks under the name and keeps the user's
    // patterns in the preferences. False, with a message, for an empty, too long or taken
    // name or a full table.
    bool RegisterPatternAs(const QString& name);
    // Removes the chosen pattern after asking; only the user's own patterns can be removed.
    void DeleteSelectedPattern();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    struct Row {
        QComboBox* type = nullptr;
        QLabel* label = nullptr;
        QLineEdit* text = nullptr;
        QPushButton* format = nullptr;
        QLabel* firstLabel = nullptr;
        QLineEdit* first = nullptr;
        QLabel* lastLabel = nullptr;
        QLineEdit* last = nullptr;
        QComboBox* digits = nullptr;
        QLineEdit* step = nullptr;
    };

    void CreateControls();
    void FillPatternList();
    // One row from a slot's values, as both showing the settings and choosing a pattern do.
    void FillRow(int row, int type, int digits, const std::string& text, int step);
    // The row's controls for its type; a type change also gives the string its default.
    void LayOutRow(int row, bool defaultText);
    void LayOutRows();
    void RowsOff();
    void UpdatePatternButtons();

    void OnTypeChanged(int row);
    void OnFormatButton(int row);
    // The dialog of a date or Exif row, with the row's string; the row takes its result.
    void OpenFormatDialog(int row);
    void OnPatternChosen(int index);
    void OnRenameClicked(bool checked);
    void OnDigitChangeClicked(bool checked);
    void UpdatePreview();
    void SaveUserPatterns() const;
    void Warn(const char* utf8Text) const;

    std::array<Row, kRows> m_rows{};
    QCheckBox* m_renameCheck = nullptr;
    QCheckBox* m_digitChangeCheck = nullptr;
    QComboBox* m_digitChangeList = nullptr;
    QComboBox* m_patternList = nullptr;
    QPushButton* m_registerButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
    QLineEdit* m_preview = nullptr;
    // Off until ShowSettings has finished: the preview waits for a complete page.
    bool m_shown = false;
    // On while the page itself sets its controls, so that no notification acts on them.
    bool m_filling = false;
};

}  // namespace morvanex::pages
