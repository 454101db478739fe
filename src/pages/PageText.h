#pragma once

#include <QString>
#include <string>

class QLineEdit;

// How the pattern page and its dialogs turn the texts of their controls into settings values.
namespace morvanex::pages {

// A text read as a decimal integer by the C library's rules: leading blanks skipped, an
// optional sign, digits up to the first other character; no digits give 0. Values beyond the
// range of int are held at its limits.
int DecimalValue(const QString& text);

// A character range as the settings hold it: "%02X%02X" of the first and the last position.
// Positions are held to 0..255 so that the text always stays four digits long.
std::string RangeText(int first, int last);

// The edit's text as CP932, cut to a fixed text field without splitting a character.
std::string FieldText(const QLineEdit& edit);

}  // namespace morvanex::pages
