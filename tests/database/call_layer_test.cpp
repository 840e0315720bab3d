#include "database/call_layer.h"
#include "database/record_buffers.h"
#include "database_fixture.h"
#include "services/shared_values.h"
#include "services/trace_log.h"

#include <QDir>
#include <tuple>

namespace qn3::testing {
namespace {

using namespace database;
namespace msgbox = services::msgbox;

class CallLayerTest : public DatabaseTest {
protected:
    CallLayerTest()
    {
        for (int f : {17, 18, 26, 34, 35})
            FichiersAOuvrir[0][f].fill(-1);
        LongueurEnrBtr[17] = 1000;
        LongueurEnrBtr[18] = 250;
        NomSectionBtr[0][17] = QStringLiteral("Frad017");
        user.messageBoxAnswer = msgbox::AnswerIgnore;
    }
    void call(int16_t op, int16_t file, QString key = QStringLiteral("KEY0000001"), int32_t station = 1,
              const QString& caller = QStringLiteral("Lib_Test:Appel"))
    {
        CleBtr = key;
        int16_t reserve = 0;
        BTRieve(0, op, CleBtr, 0, file, station, caller, reserve);
    }
    ScriptedRecordManager rm;
    platform::ScopedInstall<RecordManagerAccess> installRm{rm};
};

struct RuleCase {
    int16_t op, file;
    std::deque<int16_t> statuses;
    int16_t status;
    size_t calls, boxes;
    std::vector<uint32_t> sleeps;
};

TEST_F(CallLayerTest, StatusRules)
{
    const std::vector<uint32_t> tenHalves(10, 500), elevenSeconds(11, 1000);
    const RuleCase cases[] = {
        {5, 17, {4}, 4, 1, 0, {}},      {6, 17, {9}, 9, 1, 0, {}},     {2, 17, {5}, 5, 1, 0, {}},
        {3, 17, {4}, 4, 1, 1, {}},      {2, 17, {9}, 9, 1, 1, {}},     {3, 35, {7}, 7, 1, 0, {}},
        {3, 35, {54}, 0, 1, 0, {}},     {3, 34, {54}, 54, 1, 1, {}},   {2, 35, {7, 0}, 0, 2, 1, {}},
        {6, 26, {7, 0}, 7, 2, 0, {}},   {6, 26, {7, 4, 0}, 0, 3, 1, {}}, {7, 34, {7}, 7, 1, 0, {}},
        {5, 17, {2}, 2, 1, 1, {}},      {5, 17, {3000}, 3000, 1, 1, {}},
        // A persisting conflict: ten pauses and re-reads, then given up as 80.
        {3, 17, std::deque<int16_t>(21, 80), 80, 21, 0, tenHalves},
        {6, 17, std::deque<int16_t>(11, 80), 80, 11, 0, tenHalves},
        {5, 17, std::deque<int16_t>(11, 84), 0, 12, 1, elevenSeconds},
    };
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "op " << c.op << " file " << c.file << " first " << c.statuses.front());
        rm.calls.clear();
        user.messageBoxes.clear();
        clock.sleeps.clear();
        rm.statuses = c.statuses;
        call(c.op, c.file);
        EXPECT_EQ(StatutBtr, c.status);
        EXPECT_EQ(rm.calls.size(), c.calls);
        EXPECT_EQ(user.messageBoxes.size(), c.boxes);
        EXPECT_EQ(clock.sleeps, c.sleeps);
        EXPECT_TRUE(HistoriqueBtr[0][0].startsWith(QStringLiteral("S:%1 File:%2").arg(c.statuses.front()).arg(c.file)));
    }
    EXPECT_EQ(user.endRequests, 0);
    EXPECT_TRUE(traces(QStringLiteral("Err: Conflit persistant (80) sur le fichier: Frad017 Station:1 OP:3")));
}

// After a conflict the cursor goes back onto the record by its address (Get
// Position, then Get Direct into a scratch image): the caller's record and
// key stay for the retry.
TEST_F(CallLayerTest, AConflictOnAWriteRepositionsByAddress)
{
    const QByteArray address("\x07\0\0\0", 4);
    rm.fill = [&](uint16_t op, char* data, int32_t* length) {
        if (op == 22)
            std::memcpy(data, address.constData(), *length = 4);
        if (op == 23)
            std::memset(data + 4, 'o', *length - 4);
    };
    for (int16_t op : {3, 4}) {
        SCOPED_TRACE(op);
        rm.calls.clear();
        clock.sleeps.clear();
        EnrBtr(17)->setTexte(0, 14, QStringLiteral("CALLER RECORD"));
        rm.statuses = {80};
        call(op, 17, QStringLiteral("CALLER KEY"));
        EXPECT_EQ(StatutBtr, 0);
        EXPECT_EQ(clock.sleeps, std::vector<uint32_t>{500});
        ASSERT_EQ(rm.calls.size(), 4u);
        EXPECT_EQ(std::tuple(rm.calls[1].op, rm.calls[2].op, rm.calls[2].data.left(4)), std::tuple(22, 23, address));
        EXPECT_EQ(std::tuple(rm.calls[3].op, rm.calls[3].data.left(13), rm.calls[3].key),
                  std::tuple(op, QByteArray("CALLER RECORD"), QByteArray("CALLER KEY")));
    }
}

TEST_F(CallLayerTest, AbortEndsTheProgramAfterWritingTheLog)
{
    loadSettings();
    services::TraceLog(0, -1, -1, QStringLiteral("still buffered"), false, false);
    user.messageBoxAnswers = {msgbox::AnswerAbort};
    rm.statuses = std::deque<int16_t>(11, 84);
    call(5, 17);
    EXPECT_EQ(user.endRequests, 1);
    EXPECT_EQ(rm.calls.size(), 11u); // nothing more after the Abort
    EXPECT_TRUE(readLog(todayLogName()).contains("still buffered"));
}

TEST_F(CallLayerTest, RefusedCallsMakeNoCall)
{
    QDir().mkpath(host(services::RepLogs));
    call(5, 17, QStringLiteral("K"), 11);
    EXPECT_EQ(StatutBtr, 4);
    call(6, 17, QStringLiteral("K"), 11);
    EXPECT_EQ(StatutBtr, 9);
    call(20, 17); // no transaction open: not even a history line
    EXPECT_EQ(StatutBtr, 9);
    EXPECT_TRUE(rm.calls.empty());
    EXPECT_TRUE(traces(QStringLiteral("Err: N° station hors limite: 11")));

    call(5, 43);
    call(5, 17, QStringLiteral("K"), 5, QString()); // file 17 marked, file 14 not
    call(5, 14, QStringLiteral("K"), 5);
    EXPECT_EQ(StatutBtr, 20);
    EXPECT_EQ(user.endRequests, 2);
    // Ending the program wrote the line to the day's log.
    EXPECT_TRUE(readLog(todayLogName()).contains("Err: Fichier #: 43 non ouvert"));
    EXPECT_TRUE(user.messageBoxes.back().text.startsWith(QStringLiteral("Fichier:  |")));
    EXPECT_EQ(rm.calls.size(), 1u);
}

TEST_F(CallLayerTest, HistoryAndKeys)
{
    call(5, 17, QString());
    EXPECT_EQ(CleBtr, QString(100, u' '));
    call(11, 17, QStringLiteral("AB") + QChar(255));
    EXPECT_EQ(rm.calls.back().key.left(3), "ABz");
    call(5, 17, QStringLiteral("A\tB") + QChar(255));
    EXPECT_EQ(CleBtr, QStringLiteral("A B "));
    call(5, 17, QStringLiteral("AB") + QChar(255), 1, QStringLiteral("  "));
    EXPECT_EQ(CleBtr, QStringLiteral("AB") + QChar(255));
    call(5, 17, QStringLiteral("K") + QChar(0x4E2D), 1, QString()); // outside the code page: as the manager had it
    EXPECT_EQ(CleBtr, QStringLiteral("K?"));
    call(5, 17, QStringLiteral("K7"), 0);
    call(6, 17); // the seventh line: the first one goes
    call(19, 17, QString(), 1);
    EXPECT_TRUE(TransactionBtr);
    call(21, 17);
    EXPECT_FALSE(TransactionBtr);
    const auto& h = HistoriqueBtr[0];
    EXPECT_EQ(h[0], QStringLiteral("S:0 File:17 Station:1 OP:21 K:00 [KEY0000001] [Lib_Test:Appel]"));
    EXPECT_TRUE(h[3].startsWith(QStringLiteral("S:0 File:17 Station:1 OP:05 K:00 [K7]")));
    EXPECT_TRUE(h[4].startsWith(QStringLiteral("S:0 File:17 Station:1 OP:05 K:00 [A B ]")));
    EXPECT_TRUE(h[5].startsWith(QStringLiteral("S:0 File:17 Station:1 OP:11 K:00 [ABz]")));
}

TEST_F(CallLayerTest, LengthsAndSavedPositions)
{
    rm.fill = [](uint16_t op, char* data, int32_t* length) {
        if (op == 5) {
            std::memset(data, 'x', *length);
            *length = 249;
        } else if (op == 22) {
            std::memcpy(data, "\x07\0\0\0", 4);
            *length = 4;
        }
    };
    call(5, 18);
    EXPECT_EQ(EnrBtr(18)->image(), QByteArray(248, 'x'));
    EXPECT_EQ(rm.calls.back().length, 250);
    EXPECT_EQ(LongueurEnrBtr[18], 249);
    call(2, 18);
    EXPECT_EQ(rm.calls.back().length, 249);
    EXPECT_EQ(rm.calls.back().data.right(1), "x"); // the tail of the last read goes back

    const QByteArray saved("\x07\0\0\0EFGHIJKLMN", 14);
    EnrBtr(17)->setTexte(0, 14, QStringLiteral("ABCDEFGHIJKLMN"));
    call(22, 17);
    EXPECT_EQ(PositionSauveeBtr, QString::fromLatin1(saved));
    EnrBtr(17)->setTexte(0, 14, QString());
    LongueurEnrBtr[17] = 1000;
    call(23, 17);
    EXPECT_EQ(rm.calls.back().data.left(14), saved);
    call(22, 18); // no leading fields: the buffer and the saved position stay
    EXPECT_EQ(EnrBtr(18)->image() + PositionSauveeBtr.toLatin1(), QByteArray(248, 'x') + saved);
}

} // namespace
} // namespace qn3::testing
