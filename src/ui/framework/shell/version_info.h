#pragma once
// The executable's version record: the fixed file version and a small table
// of strings, compiled in from the project version.
//
//   VersionText(ExecutableVersionRecord()->fileVersion) -> "1.2.0.0"
#include <QString>
#include <array>
#include <map>

struct TVersionRecord {
  std::array<int, 4> fileVersion{};
  std::map<QString, QString> strings;  // "FileDescription", "InternalName", ...

  QString String(const QString& name) const;
};

// The record compiled into this executable; null if it has none.
const TVersionRecord* ExecutableVersionRecord();

// "1.2.0.0"
QString VersionText(const std::array<int, 4>& version);
