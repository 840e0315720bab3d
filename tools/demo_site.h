#pragma once

#include <QString>

// A demonstration site in the prefix (QN3_PREFIX): the program installed in
// the suite's program folder, the site settings file beside it, one base
// with its system file, its "ZT_SYS.ini" and "ZT_BTR.ini", and an empty
// record file for every file and station the start-up opens.
namespace qn3::tools {

// The suite's program folder of the demo site; the program runs from here.
inline constexpr char16_t kDemoProgramFolder[] = u"C:\\Sonvarek\\Quillon\\";

struct DemoSiteOptions {
    int stations = 2;    // 1 to 10
    QString program;     // host path of the program to install; empty: none
};

// True when the prefix already holds a site settings file: a demo site is
// never written over one.
bool demoSiteExists();

// Writes the site and its record files. Returns an empty text, or what went
// wrong (a record file that could not be made, ...).
QString makeDemoSite(const DemoSiteOptions& options);

// Copies `program` into the demo site's program folder, replacing an older
// copy. Returns an empty text or what went wrong.
QString installProgram(const QString& program);

} // namespace qn3::tools
