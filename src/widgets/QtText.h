#pragma once

#include <QString>
#include <string>
#include <string_view>

// The one place where the GUI changes the encoding of text: the core works in CP932, Qt in
// UTF-16. Both directions are lossless, names CP932 lacks included.
namespace morvanex::widgets {

QString ToQString(std::string_view cp932);
std::string ToCp932(const QString& text);

// A host path as Qt's file functions take it (the core's path is CP932, the host's UTF-8).
QString ToHostPath(std::string_view cp932Path);

}  // namespace morvanex::widgets
