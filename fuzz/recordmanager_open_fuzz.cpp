#include "recordmanager_fuzz_support.h"

#include <QFile>

using namespace qn3::fuzzing;

// Any bytes as a record file: open and reads answer a status, never crash,
// and never change the file; a refused one has no log or index made for it.
QN3_FUZZ_TARGET(bytes)
{
    const QString path = fuzzFolder() + QStringLiteral("/damaged.bt6");
    for (const char* suffix : {"-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
    writeFile(path, bytes);
    Block block;
    if (openFile(block, "C:\\fuzz\\damaged.bt6 ") == rm::status::Success) {
        readAround(block, 4096);
        closeFile(block);
    } else {
        // A refused file has nothing made beside it.
        require(!QFile::exists(path + QStringLiteral("-wal")) && !QFile::exists(path + QStringLiteral("-shm")));
    }
    require(readFile(path) == bytes);
}
