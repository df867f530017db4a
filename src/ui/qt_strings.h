#pragma once
// The core's strings are UTF-8 std::strings; Qt's are QStrings.

#include <QByteArray>
#include <QString>
#include <string>

namespace kavrel {

inline QString q(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

inline std::string str(const QString& s) {
  const QByteArray utf8 = s.toUtf8();
  return std::string(utf8.constData(), size_t(utf8.size()));
}

}  // namespace kavrel
