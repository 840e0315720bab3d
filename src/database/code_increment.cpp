#include "database/code_increment.h"

#include "services/trap.h"

namespace qn3::database {

QString DetermineNouveauCodePlusA(QString Code, const QString& Prefixe)
{
    services::Trap trap(u"Lib_Data_Pervasive:DetermineNouveauCodePlusA");
    trap([&] {
        Code.replace(u' ', u'0');
        for (qsizetype i = Code.size() - 1; i >= 0; --i) {
            const char16_t c = Code[i].unicode();
            if ((c >= u'0' && c <= u'8') || (c >= u'A' && c <= u'Y') || (c >= u'a' && c <= u'y')) {
                Code[i] = QChar(c + 1);
                break;
            }
            if (c == u'9') {
                Code[i] = u'A';
                break;
            }
            if (c != u'Z' && c != u'z')
                break; // not of the alphabet: the carry stops here
            Code[i] = u'0';
        }
    });
    return Prefixe + Code;
}

} // namespace qn3::database
