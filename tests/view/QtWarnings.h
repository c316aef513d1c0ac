#pragma once
// Qt's warnings during a test (the model tester reports through them),
// collected so a test can assert there were none.
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace tarvo::test {

// Collects the model tester's complaints so a test can assert there were none.
inline QStringList& QtWarnings() {
  static QStringList warnings;
  return warnings;
}

inline void CollectQtWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type != QtDebugMsg && type != QtInfoMsg) QtWarnings().append(message);
}

}  // namespace tarvo::test
