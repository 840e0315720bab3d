#include "engine/command_line.h"

#include <algorithm>

namespace qn3::engine {

LigneDeCommande LectureLigneDeCommande(const QStringList& arguments)
{
    LigneDeCommande ligne;
    for (const QString& argument : arguments) {
        const QString option = argument.trimmed();
        const qsizetype equals = option.indexOf(u'=');
        if (equals < 0)
            continue;
        const QString name = option.left(equals);
        const QString value = option.mid(equals + 1).trimmed();
        if (name.compare(QStringLiteral("/Wait"), Qt::CaseInsensitive) == 0) {
            bool numeric = false;
            const qlonglong wait = value.toLongLong(&numeric);
            ligne.Attente = numeric ? static_cast<int32_t>(std::clamp<qlonglong>(wait, 0, kAttenteMaximale)) : 0;
        } else if (name.compare(QStringLiteral("/Veille"), Qt::CaseInsensitive) == 0) {
            ligne.Veille = value.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0;
        }
    }
    return ligne;
}

} // namespace qn3::engine
