#pragma once

#include <QString>

// A demonstration site in the prefix (QN3_PREFIX): the program installed in
// the suite's program folder, the site settings file beside it, and each
// base with its system file, its "ZT_SYS.ini" and "ZT_BTR.ini", and an empty
// record file for every file and station the start-up opens. A site of one
// base keeps its files in "Config\" and "C:\QN_Data\"; in a site of several,
// base N has its own folders named "Base_0N" (configuration, data, logs,
// local, shared and sound folders), its system file written under its own
// section as the site generator writes it, and N - 1 stations more than the
// first base.
namespace qn3::tools {

// The suite's program folder of the demo site; the program runs from here.
inline constexpr char16_t kDemoProgramFolder[] = u"C:\\Sonvarek\\Quillon\\";

struct DemoSiteOptions {
    int stations = 2;    // of the first base; 1 to 10
    QString program;     // host path of the program to install; empty: none
    int bases = 1;       // 1 to 20; with the stations, no base above 10 stations
};

// True when the prefix already holds a site settings file: a demo site is
// never written over one.
bool demoSiteExists();

// Writes the site and its record files, then installs the program, and puts
// the site settings file in place last, in one step: a run stopped on the
// way leaves no site, and the next run finishes it (record files already
// made are kept). Returns an empty text, or what went wrong (a record file
// that could not be made, ...).
QString makeDemoSite(const DemoSiteOptions& options);

// Copies `program` into the demo site's program folder, replacing an older
// copy. Returns an empty text or what went wrong.
QString installProgram(const QString& program);

} // namespace qn3::tools
