// Qt's own texts (context menus, stock buttons and dialogs) in Japanese.
#pragma once

#include <QString>

class QCoreApplication;

namespace sorvel {

// Installs Qt's Japanese translation from folder (by default the system's
// Qt translations folder). False, and nothing changes, when it is missing.
bool loadQtTranslation(QCoreApplication& app, const QString& folder = QString());

}  // namespace sorvel
