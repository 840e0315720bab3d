#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// The record buffers: one per record-file number, shared by every base and
// station, each the byte image of its record as the record manager stores it
// (text fields in the ANSI code page, blank-padded; integers little-endian).
//
// Buffers exist for files 0 to 7, 9 to 38 and 40 to 42 (41 of them). The
// typed records of the import and the export are views over these images:
// they name their fields by offset and width and use the accessors below, so
// the call layer keeps moving whole images whatever fields are added.
namespace qn3::database {

class EnregistrementBtr {
public:
    EnregistrementBtr(int taille, std::vector<int> champsTete);

    // The layout's size in bytes.
    int taille() const { return static_cast<int>(image_.size()); }
    char* data() { return image_.data(); }
    const QByteArray& image() const { return image_; }

    // A text field: `largeur` bytes from `offset` (0-based). Reading decodes
    // every byte; writing cuts or blank-pads to the width.
    QString texte(int offset, int largeur) const;
    void setTexte(int offset, int largeur, const QString& valeur);
    int16_t entier16(int offset) const;
    void setEntier16(int offset, int16_t valeur);
    int32_t entier32(int offset) const;
    void setEntier32(int offset, int32_t valeur);

    // The leading fields that Get Position (22) and Get Direct (23) carry
    // as text, widths in order; empty for a record without them.
    const std::vector<int>& champsTete() const { return champsTete_; }
    // The leading fields joined at their full widths.
    QString texteTete() const;
    // Spreads `texte` over the leading fields: each takes its piece, cut or
    // blank-padded to its width.
    void setTexteTete(const QString& texte);

    // The bytes a record holds beyond the layout when the data length is the
    // longer (files 5, 18, 36), as the last read left them: written back by
    // the next write so an update never loses them.
    QByteArray& queue() { return queue_; }

    // Zeroes the image and forgets the tail, as at start-up.
    void efface();

private:
    void verifie(int offset, int largeur) const;

    QByteArray image_;
    QByteArray queue_;
    std::vector<int> champsTete_;
};

// The record buffer of file `NoFichier`, or nullptr for a file without one
// (8, 39, 43 to 50, or a number outside 0..50).
EnregistrementBtr* EnrBtr(int NoFichier);

// Test only: every buffer zeroed.
void TEST_resetRecordBuffers();

} // namespace qn3::database
