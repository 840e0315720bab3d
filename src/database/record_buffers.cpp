#include "database/record_buffers.h"

#include "platform/ansi.h"

#include <QtEndian>

#include <array>
#include <optional>
#include <stdexcept>

namespace qn3::database {
namespace {

struct Forme {
    int taille = 0; // 0: no buffer
    std::vector<int> champsTete;
};

// Layout sizes. Most equal the catalogue's record length; the others differ
// by the alignment of the suite's record types (3: 904 for 900, 18: 248 for
// 250, ...). File 9 has the layout of file 0, file 37 that of file 35.
Forme forme(int fichier)
{
    using V = std::vector<int>;
    switch (fichier) {
    case 0: case 9: return {1000, V{5}};
    case 1: return {300, V{8}};
    case 2: return {100, V{10}};
    case 3: return {904, V{8}};
    case 4: return {104, V{10}};
    case 5: return {148, V{2, 8}};
    case 6: return {404, V{6}};
    case 7: return {108, V{6}};
    case 10: return {400, V{8}};
    case 11: return {350, V{5}};
    case 12: case 13: case 14: return {300, V{3, 15}};
    case 15: case 16: return {100, V{3, 50}};
    case 17: return {1012, V{8, 2, 2, 2}};
    case 18: return {248, V{}};
    case 19: return {1004, V{8}};
    case 20: return {300, V{5}};
    case 21: return {980, V{5}};
    case 22: return {910, V{8}};
    case 23: case 24: return {100, V{8}};
    case 25: return {250, V{4}};
    case 26: return {152, V{8}};
    case 27: return {50, V{8}};
    case 28: return {150, V{8}};
    case 29: return {100, V{5}};
    case 30: return {250, V{5}};
    case 31: return {50, V{8}};
    case 32: return {250, V{8}};
    case 33: return {100, V{8}};
    case 34: return {200, V{8}};
    case 35: case 37: return {408, V{8}};
    case 36: return {795, V{40}};
    case 38: return {900, V{8, 30, 1}};
    case 40: return {900, V{8}};
    case 41: return {900, V{10}};
    case 42: return {901, V{10, 10}};
    default: return {};
    }
}

using Table = std::array<std::optional<EnregistrementBtr>, 51>;

Table& buffers()
{
    static Table table = [] {
        Table t;
        for (int f = 0; f < static_cast<int>(t.size()); ++f) {
            Forme fo = forme(f);
            if (fo.taille > 0)
                t[f].emplace(fo.taille, std::move(fo.champsTete));
        }
        return t;
    }();
    return table;
}

} // namespace

EnregistrementBtr::EnregistrementBtr(int taille, std::vector<int> champsTete)
    : image_(taille, '\0'), champsTete_(std::move(champsTete))
{
}

void EnregistrementBtr::verifie(int offset, int largeur) const
{
    if (offset < 0 || largeur < 0 || offset + largeur > taille())
        throw std::out_of_range("field outside the record");
}

QString EnregistrementBtr::texte(int offset, int largeur) const
{
    verifie(offset, largeur);
    return platform::ansi::decode(QByteArrayView(image_.constData() + offset, largeur));
}

void EnregistrementBtr::setTexte(int offset, int largeur, const QString& valeur)
{
    verifie(offset, largeur);
    QByteArray octets = platform::ansi::encode(valeur).left(largeur);
    octets.append(largeur - octets.size(), ' ');
    std::copy(octets.cbegin(), octets.cend(), image_.begin() + offset);
}

int16_t EnregistrementBtr::entier16(int offset) const
{
    verifie(offset, 2);
    return qFromLittleEndian<int16_t>(image_.constData() + offset);
}

void EnregistrementBtr::setEntier16(int offset, int16_t valeur)
{
    verifie(offset, 2);
    qToLittleEndian(valeur, image_.data() + offset);
}

int32_t EnregistrementBtr::entier32(int offset) const
{
    verifie(offset, 4);
    return qFromLittleEndian<int32_t>(image_.constData() + offset);
}

void EnregistrementBtr::setEntier32(int offset, int32_t valeur)
{
    verifie(offset, 4);
    qToLittleEndian(valeur, image_.data() + offset);
}

QString EnregistrementBtr::texteTete() const
{
    int largeur = 0;
    for (int w : champsTete_)
        largeur += w;
    return texte(0, largeur);
}

void EnregistrementBtr::setTexteTete(const QString& texte)
{
    int offset = 0;
    for (int w : champsTete_) {
        setTexte(offset, w, texte.mid(offset, w));
        offset += w;
    }
}

void EnregistrementBtr::efface()
{
    image_.fill('\0');
    queue_.clear();
}

EnregistrementBtr* EnrBtr(int NoFichier)
{
    Table& t = buffers();
    if (NoFichier < 0 || NoFichier >= static_cast<int>(t.size()) || !t[NoFichier])
        return nullptr;
    return &*t[NoFichier];
}

void TEST_resetRecordBuffers()
{
    for (auto& b : buffers())
        if (b)
            b->efface();
}

} // namespace qn3::database
