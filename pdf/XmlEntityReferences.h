#ifndef VORNHELM_PDF_XMLENTITYREFERENCES_H
#define VORNHELM_PDF_XMLENTITYREFERENCES_H

#include <QSet>
#include <QString>
#include <QXmlStreamEntityDeclarations>

// References to entities whose text a document does not hold. The stream
// reader reads no external entity: it puts nothing in place of a reference
// to one, so text built from the document would lose words without a sign.
// These rules find such a reference, so that the document can be refused
// where it stands.
class XmlEntityReferences
{
public:
    XmlEntityReferences() = delete;

    // Names of the parsed entities whose text is not in the declarations:
    // external ones (SYSTEM or PUBLIC), and internal ones whose text refers
    // to one of those, however deep. A name declared more than once counts
    // as unexpanded when any of its declarations is: the list does not tell
    // parameter entities from general ones, and refusing is the safe side.
    static QSet<QString> unexpanded(const QXmlStreamEntityDeclarations& declarations);

    // Offset of the "&" of the first reference, at or after `from`, to one of
    // `names` in character data, with the name in `name`; -1 when there is
    // none. Comments, CDATA sections, processing instructions and tags
    // (quoted attribute values included) are passed over.
    static int firstReference(const QString& text, int from, const QSet<QString>& names, QString& name);

    // Line (from 1) and column (from 0) of an offset, counted as the stream
    // reader counts them: a line ends at LF, CR LF or a lone CR.
    static void lineAndColumn(const QString& text, int offset, qint64& line, qint64& column);
};

#endif
