#include "ui/framework/shell/version_info.h"

#include <QStringList>

#include "quorlin_version.h"

QString TVersionRecord::String(const QString& name) const {
  const auto it = strings.find(name);
  return it == strings.end() ? QString() : it->second;
}

const TVersionRecord* ExecutableVersionRecord() {
  static const TVersionRecord record = [] {
    TVersionRecord r;
    r.fileVersion = {QUORLIN_VERSION_MAJOR, QUORLIN_VERSION_MINOR, QUORLIN_VERSION_PATCH,
                     QUORLIN_VERSION_TWEAK};
    r.strings = {
        {QStringLiteral("CompanyName"), QStringLiteral("Atelier Quorlin")},
        {QStringLiteral("FileDescription"), QStringLiteral("Transpose texte ascii en entité html")},
        {QStringLiteral("FileVersion"), VersionText(r.fileVersion)},
        {QStringLiteral("InternalName"), QStringLiteral("Quorlin")},
        {QStringLiteral("ProductVersion"), QStringLiteral("1.0.0.0")},
        {QStringLiteral("LegalCopyright"), QString()},
        {QStringLiteral("LegalTrademarks"), QString()},
        {QStringLiteral("OriginalFilename"), QString()},
        {QStringLiteral("ProductName"), QString()},
        {QStringLiteral("Comments"), QString()},
    };
    return r;
  }();
  return &record;
}

QString VersionText(const std::array<int, 4>& version) {
  QStringList parts;
  for (int part : version) parts << QString::number(part);
  return parts.join(QLatin1Char('.'));
}
