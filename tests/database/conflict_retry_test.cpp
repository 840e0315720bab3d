#include "database/call_layer.h"
#include "database/record_buffers.h"
#include "database_fixture.h"
#include "recordmanager/btrcall.h"

#include <QDir>
#include <QtEndian>

#include <string>

namespace qn3::testing {
namespace {

using namespace database;

constexpr int16_t kFichier = 17;
constexpr int32_t kLongueur = 1000;
const QString kCle = QStringLiteral("MEME CLE 00001");

// One call straight to the record manager: `data` of its own length, `key`
// padded with blanks to 255 bytes.
int16_t btr(uint16_t op, PositionBlock& block, QByteArray& data, QByteArray key = kCle.toLatin1())
{
    key.append(255 - key.size(), ' ');
    int32_t length = static_cast<int32_t>(data.size());
    return BTRCALL(op, block.data(), data.data(), &length, key.data(), 255, 0);
}

// The conflict retry on a real record file: two records, A then B, share the
// value of a key that allows duplicates, the caller stands on B and another
// handle changes B before the caller writes it.
class ConflictRetryTest : public DatabaseTest {
protected:
    ConflictRetryTest()
    {
        QDir().mkpath(host(QStringLiteral("C:\\Data")));
        FichiersAOuvrir[0][kFichier][0] = -1;
        LongueurEnrBtr[kFichier] = kLongueur;
        NomSectionBtr[0][kFichier] = QStringLiteral("Frad017");
        user.messageBoxAnswer = services::msgbox::AnswerIgnore;
    }
    ~ConflictRetryTest() override { fermer(); }

    // A new file holding A and B, open on both handles; the caller on B.
    void monter()
    {
        fermer();
        // 1000-byte records, one key on bytes 1-14, duplicates allowed.
        QByteArray spec(160, '\0'), none;
        for (const auto& [at, value] : {std::pair{0, kLongueur}, {2, 4096}, {4, 1}, {16, 1}, {18, 14}, {20, 3}})
            qToLittleEndian<quint16>(quint16(value), spec.data() + at);
        PositionBlock creation;
        creation.fill(' ');
        ASSERT_EQ(btr(14, creation, spec, "C:\\Data\\CONFLIT.bt6"), 0);
        for (PositionBlock* block : {&PositionBtr[0][kFichier][0], &autre}) {
            block->fill(' ');
            ASSERT_EQ(btr(0, *block, none, "C:\\Data\\CONFLIT.bt6"), 0);
        }
        for (const char* contenu : {"A", "B"}) {
            enr().setTexte(0, 14, kCle);
            enr().setTexte(14, 20, QString::fromLatin1(contenu));
            appel(2);
            ASSERT_EQ(StatutBtr, 0);
        }
        appel(5);
        appel(6);
        ASSERT_EQ(enr().texte(14, 20).trimmed(), QStringLiteral("B"));
    }
    void fermer()
    {
        QByteArray none;
        for (PositionBlock* block : {&PositionBtr[0][kFichier][0], &autre})
            btr(1, *block, none, {});
    }

    static EnregistrementBtr& enr() { return *EnrBtr(kFichier); }
    static void appel(int16_t operation, const QString& cle = kCle)
    {
        CleBtr = cle;
        int16_t reserve = 0;
        BTRieve(0, operation, CleBtr, 0, kFichier, 1, QStringLiteral("Lib_Test:Conflit"), reserve);
    }

    // Another handle on the file, as another program would, rewrites B
    // (operation 3) or deletes it (4).
    void autreChangeB(uint16_t operation)
    {
        QByteArray data(kLongueur, ' ');
        ASSERT_EQ(btr(5, autre, data), 0);
        ASSERT_EQ(btr(6, autre, data), 0);
        ASSERT_TRUE(data.mid(14).startsWith("B "));
        data.replace(14, 7, "B autre");
        ASSERT_EQ(btr(operation, autre, data), 0);
    }

    // The contents of the records in key order, "|" after each.
    std::string contenus()
    {
        std::string vus;
        QByteArray data(kLongueur, ' ');
        for (int16_t s = btr(12, autre, data, {}); s == 0; s = btr(6, autre, data, {}))
            vus += data.mid(14, 20).trimmed().toStdString() + '|';
        return vus;
    }

    PositionBlock autre{};
};

// The retry acts on the record the caller read, never on A that shares its
// key value, even when the caller gives the record a new key value (which no
// record has yet); a record deleted meanwhile is not replaced by another.
TEST_F(ConflictRetryTest, AWriteAfterAConflictActsOnTheRecordTheCallerRead)
{
    struct Cas { uint16_t autreOp, op; QString cle; int16_t statut; size_t attentes; std::string contenus; };
    const Cas cases[] = {
        {3, 3, kCle, 0, 1, "A|B appelant|"},
        {3, 4, kCle, 0, 1, "A|"},
        {3, 3, QStringLiteral("AUTRE CLE 0001"), 0, 1, "B appelant|A|"},
        {4, 3, kCle, 80, 10, "A|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.autreOp << " then " << c.op << " " << c.cle.toStdString());
        monter();
        autreChangeB(c.autreOp);
        clock.sleeps.clear();
        enr().setTexte(0, 14, c.cle);
        enr().setTexte(14, 20, QStringLiteral("B appelant"));
        appel(int16_t(c.op), c.cle);
        EXPECT_EQ(StatutBtr, c.statut);
        EXPECT_EQ(clock.sleeps.size(), c.attentes);
        EXPECT_EQ(contenus(), c.contenus);
    }
}

} // namespace
} // namespace qn3::testing
