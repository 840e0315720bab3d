#include "database/call_layer.h"
#include "database/record_buffers.h"
#include "database_fixture.h"
#include "recordmanager/btrcall.h"

#include <QDir>

#include <array>
#include <string>

namespace qn3::testing {
namespace {

using namespace database;

constexpr int16_t kFichier = 17;
constexpr int32_t kLongueur = 1000;
const QString kCle = QStringLiteral("MEME CLE 00001");

// The conflict retry on a real record file: two records share the value of
// a key that allows duplicates, the caller stands on the second one and
// another handle changes that record before the caller writes it.
class ConflictRetryTest : public DatabaseTest {
protected:
    ConflictRetryTest()
    {
        QDir().mkpath(host(QStringLiteral("C:\\Data")));
        // 1000-byte records, key 0 on the first 14 bytes, duplicates allowed.
        std::array<char, 160> spec{};
        const auto put = [&](size_t at, uint16_t value) {
            spec[at] = static_cast<char>(value & 0xff);
            spec[at + 1] = static_cast<char>(value >> 8);
        };
        put(0, kLongueur);
        put(2, 4096);
        put(4, 1);
        put(16, 1);
        put(18, 14);
        put(20, 3);
        QByteArray path = "C:\\Data\\CONFLIT.bt6 ";
        int32_t length = static_cast<int32_t>(spec.size());
        PositionBlock creation;
        creation.fill(' ');
        EXPECT_EQ(BTRCALL(14, creation.data(), spec.data(), &length, path.data(), int16_t(path.size()), 0), 0);
        path.append(255 - path.size(), ' ');
        for (PositionBlock* block : {&PositionBtr[0][kFichier][0], &autre}) {
            block->fill(' ');
            length = kLongueur;
            EXPECT_EQ(BTRCALL(0, block->data(), nullptr, &length, path.data(), 255, 0), 0);
        }
        FichiersAOuvrir[0][kFichier][0] = -1;
        LongueurEnrBtr[kFichier] = kLongueur;
        NomSectionBtr[0][kFichier] = QStringLiteral("Frad017");
        user.messageBoxAnswer = services::msgbox::AnswerIgnore;

        for (const char* contenu : {"A", "B"}) {
            enr().setTexte(0, 14, kCle);
            enr().setTexte(14, 20, QString::fromLatin1(contenu));
            appel(2);
            EXPECT_EQ(StatutBtr, 0);
        }
        // The caller stands on B, the second record of the key's value.
        appel(5);
        appel(6);
        EXPECT_EQ(enr().texte(14, 20).trimmed(), QStringLiteral("B"));
    }
    ~ConflictRetryTest() override
    {
        for (PositionBlock* block : {&PositionBtr[0][kFichier][0], &autre})
            BTRCALL(1, block->data(), nullptr, nullptr, nullptr, 0, 0);
    }

    static EnregistrementBtr& enr() { return *EnrBtr(kFichier); }
    static void appel(int16_t operation, const QString& cle = kCle)
    {
        CleBtr = cle;
        int16_t reserve = 0;
        BTRieve(0, operation, CleBtr, 0, kFichier, 1, QStringLiteral("Lib_Test:Conflit"), reserve);
    }

    // Another handle on the file rewrites B, as another program would.
    void autreEcritB()
    {
        QByteArray data(kLongueur, ' '), key = kCle.toLatin1();
        key.append(255 - key.size(), ' ');
        int32_t length = kLongueur;
        ASSERT_EQ(BTRCALL(5, autre.data(), data.data(), &length, key.data(), 255, 0), 0);
        ASSERT_EQ(BTRCALL(6, autre.data(), data.data(), &length, key.data(), 255, 0), 0);
        ASSERT_TRUE(data.mid(14).startsWith("B "));
        data.replace(14, 7, "B autre");
        ASSERT_EQ(BTRCALL(3, autre.data(), data.data(), &length, key.data(), 255, 0), 0);
    }

    // The contents of the records in key order, "|" after each.
    std::string contenus()
    {
        std::string vus;
        QByteArray data(kLongueur, ' '), key(255, ' ');
        int32_t length = kLongueur;
        for (int16_t s = BTRCALL(12, autre.data(), data.data(), &length, key.data(), 255, 0); s == 0;
             s = BTRCALL(6, autre.data(), data.data(), &length, key.data(), 255, 0))
            vus += data.mid(14, 20).trimmed().toStdString() + '|';
        return vus;
    }

    PositionBlock autre;
};

TEST_F(ConflictRetryTest, AnUpdateAfterAConflictWritesTheRecordTheCallerRead)
{
    autreEcritB();
    enr().setTexte(14, 20, QStringLiteral("B appelant"));
    appel(3);
    EXPECT_EQ(StatutBtr, 0);
    EXPECT_EQ(clock.sleeps.size(), 1u);
    EXPECT_EQ(contenus(), "A|B appelant|");
    EXPECT_EQ(enr().texte(14, 20).trimmed(), QStringLiteral("B appelant"));
}

TEST_F(ConflictRetryTest, ADeleteAfterAConflictDeletesTheRecordTheCallerRead)
{
    autreEcritB();
    appel(4);
    EXPECT_EQ(StatutBtr, 0);
    EXPECT_EQ(clock.sleeps.size(), 1u);
    EXPECT_EQ(contenus(), "A|");
}

// The caller gives its record a new key value and passes that value as the
// key: no record has it yet, yet the retry finds the record it read.
TEST_F(ConflictRetryTest, AnUpdateThatChangesTheKeyFindsItsRecordAfterAConflict)
{
    autreEcritB();
    const QString nouvelle = QStringLiteral("AUTRE CLE 0001");
    enr().setTexte(0, 14, nouvelle);
    enr().setTexte(14, 20, QStringLiteral("B appelant"));
    appel(3, nouvelle);
    EXPECT_EQ(StatutBtr, 0);
    EXPECT_EQ(contenus(), "B appelant|A|");
}

TEST_F(ConflictRetryTest, ARecordDeletedMeanwhileIsNotReplacedByAnother)
{
    QByteArray data(kLongueur, ' '), key = kCle.toLatin1();
    key.append(255 - key.size(), ' ');
    int32_t length = kLongueur;
    ASSERT_EQ(BTRCALL(5, autre.data(), data.data(), &length, key.data(), 255, 0), 0);
    ASSERT_EQ(BTRCALL(6, autre.data(), data.data(), &length, key.data(), 255, 0), 0);
    ASSERT_EQ(BTRCALL(4, autre.data(), data.data(), &length, key.data(), 255, 0), 0);
    enr().setTexte(14, 20, QStringLiteral("B appelant"));
    appel(3);
    EXPECT_EQ(StatutBtr, 80);
    EXPECT_EQ(clock.sleeps.size(), 10u);
    EXPECT_EQ(contenus(), "A|");
    EXPECT_TRUE(traces(QStringLiteral("Err: Conflit persistant (80) sur le fichier: Frad017 Station:1 OP:3")));
}

} // namespace
} // namespace qn3::testing
