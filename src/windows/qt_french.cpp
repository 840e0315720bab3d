#include "windows/qt_french.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace qn3::windows {

bool InstallQtFrench(QCoreApplication& application)
{
    // Owned by the application, so that the texts stay French until it ends.
    auto* catalogue = new QTranslator(&application);
    if (catalogue->load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && QCoreApplication::installTranslator(catalogue))
        return true;
    delete catalogue;
    return false;
}

} // namespace qn3::windows
