#ifndef VORNHELM_BASE64_H
#define VORNHELM_BASE64_H

#include <QByteArray>
#include <QString>

// Conversion between bytes and their Base64 text. Decoding also accepts a
// data: URL ("data:image/png;base64,iVBOR..."): only the part after its last
// "," is decoded.
class Base64
{
public:
    Base64() = delete;

    // Decodes Base64 text (standard alphabet, "=" padding optional).
    // Characters outside the alphabet, such as line breaks, are skipped.
    static QByteArray fromBase64(const QString& text);

    // Encodes bytes as Base64 text (standard alphabet, padded, one line).
    static QString toBase64(const QByteArray& data);
};

#endif // VORNHELM_BASE64_H
