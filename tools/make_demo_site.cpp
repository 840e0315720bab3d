#include "tools/demo_site.h"

#include "platform/windows_path.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

// Makes a demonstration site in the prefix (QN3_PREFIX, else the user's) so
// that the program starts on it straight to a ready main window. A site that
// exists is never written over; --program installs (or refreshes) the
// program in the site's program folder either way. A making stopped on its
// way (Ctrl+C) leaves no site settings file: the next run finishes the site.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Makes a demonstration site of QN3_Tools_Vandrel."));
    parser.addHelpOption();
    const QCommandLineOption stations(QStringLiteral("stations"), QStringLiteral("Stations of the base (1-10)."),
                                      QStringLiteral("count"), QStringLiteral("2"));
    const QCommandLineOption program(QStringLiteral("program"),
                                     QStringLiteral("Program to install in the site's program folder."),
                                     QStringLiteral("file"));
    const QCommandLineOption bases(QStringLiteral("bases"), QStringLiteral("Bases of the site (1-20)."),
                                   QStringLiteral("count"), QStringLiteral("1"));
    parser.addOption(stations);
    parser.addOption(bases);
    parser.addOption(program);
    parser.process(app);

    QTextStream err(stderr);
    QTextStream out(stdout);
    bool numeric = false;
    const int count = parser.value(stations).toInt(&numeric);
    bool numericBases = false;
    const int baseCount = parser.value(bases).toInt(&numericBases);
    if (!numeric || !numericBases) {
        err << "make_demo_site: --stations and --bases take a number\n";
        return 2;
    }
    QString problem;
    if (qn3::tools::demoSiteExists()) {
        out << "A site exists already; it is left as it is.\n";
        if (parser.isSet(program))
            problem = qn3::tools::installProgram(parser.value(program));
    } else {
        problem = qn3::tools::makeDemoSite({count, parser.value(program), baseCount});
    }
    if (!problem.isEmpty()) {
        err << "make_demo_site: " << problem << '\n';
        return 1;
    }
    out << "Program folder: " << qn3::platform::paths::toHost(QString::fromUtf16(qn3::tools::kDemoProgramFolder))
        << '\n';
    return 0;
}
