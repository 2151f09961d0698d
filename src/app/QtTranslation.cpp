#include "app/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace sorvel {

bool loadQtTranslation(QCoreApplication& app, const QString& folder) {
    const QString dir = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    auto* t = new QTranslator(&app);
    if (!t->load(QStringLiteral("qtbase_ja"), dir) || !QCoreApplication::installTranslator(t)) {
        delete t;
        return false;
    }
    return true;
}

}  // namespace sorvel
