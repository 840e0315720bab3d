#include "platform/version_resource.h"

#include "platform_test_files.h"
#include "support/pe_builder.h"

#include <QCoreApplication>
#include <QtEndian>

using namespace qn3::platform;
namespace pe = qn3::testing::pe;

namespace {

// The version block of a French program that also carries English strings.
QByteArray converterBlock()
{
    return pe::versionBlock({.fileVersionMS = (3u << 16) | 10, .fileVersionLS = 27, .productVersionMS = (3u << 16) | 10,
                             .productVersionLS = (2u << 16) | 27, .translations = {{0x040C, 1252}, {0x0409, 1200}},
                             .tables = {{"040C04E4", {{"CompanyName", "Société Sonore"},
                                                      {"ProductName", "Convertisseur"}, {"Comments", QString()}}},
                                        {"040904B0", {{"ProductName", "Converter"}}}}});
}

TEST(VersionResource, ReadsFixedPartTranslationsAndStringsOfAProgram)
{
    for (const bool pe32Plus : {false, true}) {
        const auto resource = version::readVersionResource(pe::image(converterBlock(), pe32Plus));
        ASSERT_TRUE(resource.present && resource.fixed) << pe32Plus;
        const auto& fixed = *resource.fixed;
        EXPECT_EQ(std::tuple(fixed.signature, fixed.fileVersionMS, fixed.fileVersionLS, fixed.productVersionLS),
                  std::tuple(0xFEEF04BDu, 0x3000Au, 27u, 0x2001Bu));
        ASSERT_EQ(resource.translations.size(), 2u);
        EXPECT_EQ(version::translationKey(resource.translations[0]), QStringLiteral("040C04E4"));
        EXPECT_EQ(resource.stringValue(u"040C04E4", u"CompanyName"), QStringLiteral("Société Sonore"));
        EXPECT_EQ(resource.stringValue(u"040c04e4", u"productname"), QStringLiteral("Convertisseur"));
        EXPECT_EQ(resource.stringValue(u"040904B0", u"ProductName"), QStringLiteral("Converter"));
        EXPECT_EQ(resource.stringValue(u"040C04E4", u"Comments"), QString());
        EXPECT_EQ(resource.stringValue(u"040C04E4", u"LegalCopyright"), QString());
    }
    pe::VersionSpec bare; // a block without strings still gives its fixed part
    bare.fileVersionMS = 0x20005;
    const auto resource = version::readVersionResource(pe::image(pe::versionBlock(bare)));
    ASSERT_TRUE(resource.present && resource.fixed);
    EXPECT_EQ(resource.fixed->fileVersionMS, 0x20005u);
    EXPECT_TRUE(resource.translations.empty() && resource.stringTables.empty());
}

TEST(VersionResource, FilesAreReadThroughTheirWindowsPathAndThoseWithoutAWholeResourceGiveNothing)
{
    qn3::testing::TempPrefix prefix;
    qn3::testing::put(prefix.driveC() + QStringLiteral("/Prog/Conv.exe"), pe::image(converterBlock()));
    EXPECT_EQ(version::readFileVersionResource(u"C:\\Prog\\Conv.exe").stringValue(u"040C04E4", u"ProductName"),
              QStringLiteral("Convertisseur"));
    EXPECT_FALSE(version::readFileVersionResource(u"C:\\Prog\\Missing.exe").present);
    EXPECT_FALSE(version::readFileVersionResource(u"").present);

    EXPECT_FALSE(version::readVersionResource(pe::image({})).present) << "program without resources";
    EXPECT_FALSE(version::readVersionResource("MZ plain text that only starts like a program").present);

    // This ELF test program.
    EXPECT_FALSE(version::readVersionResource(qn3::testing::contents(QCoreApplication::applicationFilePath())).present);

    const QByteArray whole = pe::image(converterBlock());
    for (qsizetype length = 0; length < whole.size(); ++length)
        EXPECT_FALSE(version::readVersionResource(QByteArrayView(whole).first(length)).present)
            << "the data entry's size reaches the end of the file, cut at " << length;
}

TEST(VersionResource, DamagedBlocksAndHostileHeadersKeepWhatCanBeReadAndNeverLoop)
{
    const QByteArray block = converterBlock();
    const int blockAt = pe::SectionRawOffset + 88;

    // A string node claiming zero length ends its table there.
    QByteArray zeroLength = pe::image(block);
    const int company = zeroLength.indexOf(QByteArray("C\0o\0m\0p\0a\0n\0y", 14)) - 6;
    ASSERT_GT(company, blockAt);
    zeroLength.replace(company, 2, QByteArray(2, '\0'));
    auto resource = version::readVersionResource(zeroLength);
    EXPECT_TRUE(resource.present);
    EXPECT_EQ(resource.stringValue(u"040C04E4", u"CompanyName"), QString());
    EXPECT_EQ(resource.translations.size(), 2u) << "the sibling blocks are still read";

    // The root claiming more than the data entry holds.
    QByteArray longRoot = pe::image(block);
    longRoot.replace(blockAt, 2, "\xFF\xFF");
    EXPECT_FALSE(version::readVersionResource(longRoot).present);

    // A wrong signature drops only the fixed part.
    QByteArray badSignature = pe::image(block);
    badSignature[badSignature.indexOf(QByteArray("\xBD\x04\xEF\xFE", 4))] = 0;
    resource = version::readVersionResource(badSignature);
    EXPECT_TRUE(resource.present);
    EXPECT_FALSE(resource.fixed.has_value());
    EXPECT_EQ(resource.stringValue(u"040C04E4", u"ProductName"), QStringLiteral("Convertisseur"));

    const QByteArray good = pe::image(converterBlock());
    auto patched = [&good](int at, uint32_t value) {
        QByteArray copy = good;
        qToLittleEndian(value, copy.data() + at);
        return copy;
    };
    const int tree = pe::SectionRawOffset;
    const int sectionTable = pe::PeHeaderOffset + 24 + 224;
    // Sizes and counts larger than the file are bounded by it: the real data is still found there.
    const std::tuple<const char*, QByteArray, QString> cases[] = {
        {"PE header beyond the file", patched(0x3C, 0xFFFFFFF0u), QString()},
        {"section raw data beyond the file", patched(sectionTable + 20, 0xFFFFFF00u), QString()},
        {"type directory pointing at itself", patched(tree + 20, 0x80000000u), QString()},
        {"name directory pointing back at the root", patched(tree + 24 + 20, 0x80000000u), QString()},
        {"data entry RVA outside every section", patched(tree + 72, 0x7FFFFFF0u), QString()},
        {"data entry size past the section", patched(tree + 76, 0x7FFFFFFFu), QString()},
        {"section size wrapping around", patched(sectionTable + 16, 0xFFFFFFFFu), QStringLiteral("Convertisseur")},
        {"huge entry counts", patched(tree + 12, 0xFFFFFFFFu), QStringLiteral("Convertisseur")}};
    for (const auto& [what, image, product] : cases) {
        const auto read = version::readVersionResource(image);
        EXPECT_EQ(read.present, !product.isEmpty()) << what;
        EXPECT_EQ(read.stringValue(u"040C04E4", u"ProductName"), product) << what;
    }
}

TEST(VersionResource, BuildNumbersAreADateAndTime)
{
    const auto build = version::programBuildNumbers();
    EXPECT_GE(build.major, 2024);
    EXPECT_TRUE(QDate(build.major, build.minor / 100, build.minor % 100).isValid()) << build.minor;
    EXPECT_LT(build.revision / 100, 24);
    EXPECT_LT(build.revision % 100, 60);
}

} // namespace
