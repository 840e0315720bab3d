#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The ANSI code page of the suite's files: Windows-1252.
//
// The conversion is lossless for every byte value: the five bytes the code
// page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+0081, U+008D,
// U+008F, U+0090, U+009D and come back unchanged, because record images, keys
// and position blocks pass through here as text.
namespace qn3::platform::ansi {

// A character the code page cannot hold becomes '?'.
QByteArray encode(QStringView text);
QString decode(QByteArrayView bytes);

// One character each way; `toByte` gives '?' for characters outside the code page.
char16_t toUnicode(unsigned char byte);
unsigned char toByte(char16_t character);

} // namespace qn3::platform::ansi
