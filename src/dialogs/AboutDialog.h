#pragma once

#include <QDialog>

// The about box: version, maker, and a button that opens the maker's support page.
namespace morvanex::dialogs {

class AboutDialog : public QDialog {
    Q_OBJECT

  public:
    static constexpr const char* kHomePage = "https://pelvarin.example.jp/morvanex/";

    explicit AboutDialog(QWidget* parent);
};

}  // namespace morvanex::dialogs
