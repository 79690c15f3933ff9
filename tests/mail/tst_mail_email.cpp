// The mail message as EML, read back with Python's email package (a MIME
// parser no one here wrote).

#include "mail/AttatchmentManager.h"
#include "mail/Email.h"

#include "MailTestSupport.h"

#include <QRegularExpression>
#include <QtTest>

using namespace MailTest;

namespace {

// An attachment as given (Base64 when binary), as it must come back, and the
// name of its file on the Mail and Thunderbird roads.
struct Attachment {
    QString name;
    QByteArray bytes;
    QString type;
    bool binary;
    QString back;
    QString stored;
};

Attachment file(const QString& name, const QByteArray& bytes, const char* type, bool binary = false,
                const QString& back = QString(), const QString& stored = QString())
{
    const QString backName = back.isNull() ? name : back;
    return { name, bytes, QLatin1String(type), binary, backName, stored.isNull() ? backName : stored };
}

// Where the header blocks break a rule of their own: a header ending in ";"
// (but an address list, where a group's close ends it),
// padding inside a run of encoded words, a fold inside an address that fits a
// line, a line over 78 characters that has a fold point (a blank outside
// quotes), a block that does not end with an empty line. The blocks start the message and follow each
// boundary line.
QStringList headerFaults(const QString& eml, const QStringList& boundaries)
{
    QStringList faults;
    const QString delimiters = QStringLiteral("^--(?:%1)\\n").arg(boundaries.isEmpty() ? QStringLiteral("(?!)") : boundaries.join('|'));
    const QRegularExpression block(QStringLiteral("(?:\\A|%1)((?:[\\w-]+:.*\\n(?:[ \\t].*\\n)*)+)(\\n?)").arg(delimiters),
                                   QRegularExpression::MultilineOption);
    const QRegularExpression rules[] = {
        QRegularExpression(QStringLiteral("^(?!(?:To|Cc|Bcc|From):)[\\w-]+:.*(?:\\n[ \\t].*)*;\\n(?![ \\t])"), QRegularExpression::MultilineOption),
        QRegularExpression(QStringLiteral("=\\?utf-8\\?B\\?[^?]*=\\?=\\s+=\\?utf-8\\?B\\?")),
        QRegularExpression(QStringLiteral("(?:^(?:To|Cc|Bcc|From):|,)\\s*(\\S[^,\\n]*\\n [^,\\n]*<[^>\\n]*>)(?=,|\\n(?! ))"), QRegularExpression::MultilineOption),
        QRegularExpression(QStringLiteral("^(?=.{79})(?:(?:[\\w-]+:[ \\t]|[ \\t])?+(?:\"(?:[^\"\\\\]|\\\\.)*\"|[^\\s\"])+[ \\t]+\\S|[\\w-]+:[ \\t]\\S{1,77}$)"),
                           QRegularExpression::MultilineOption),
    };
    for (auto blocks = block.globalMatch(eml); blocks.hasNext();) {
        const QRegularExpressionMatch header = blocks.next();
        if (header.captured(2).isEmpty())
            faults << QStringLiteral("no empty line after: ") + header.captured(1);
        for (const QRegularExpression& rule : rules) {
            for (auto m = rule.globalMatch(header.captured(1)); m.hasNext();) {
                const QRegularExpressionMatch fault = m.next();
                if (fault.lastCapturedIndex() == 0 || fault.capturedLength(1) <= 78)
                    faults << fault.captured();
            }
        }
    }
    return faults;
}

} // namespace

Q_DECLARE_METATYPE(QList<Attachment>)

class TestMailEmail : public QObject
{
    Q_OBJECT

    QTemporaryDir work_;

private slots:
    void initTestCase()
    {
        // An attachment's type comes from its name, not from a file of that name.
        QVERIFY(QDir::setCurrent(work_.path()));
        QVERIFY(writeFile(QStringLiteral("scan.vhx"), "%PDF-1.4\n"));
    }

    // Headers decode to the input (line breaks as blanks, other controls gone,
    // a priority out of range as normal), text parts to the body (under
    // format=flowed too where declared), attachments to their names and bytes.
    void roundTrip_data()
    {
        QTest::addColumn<bool>("html");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("recipients"); // To, Cc and Bcc alike
        QTest::addColumn<QString>("recipientsBack");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QList<Attachment>>("attachments");

        const QString uSubject = QStringLiteral("R\u00e9sum\u00e9 f\u00fcr \u65e5\u672c \U0001F600 ") + QString(60, QChar(0x00df));
        // Non-ASCII, "=41", a blank before a line end, a lone CR and a line over 998 bytes.
        const QString unicode = QStringLiteral("Gr\u00fc\u00dfe aus K\u00f6ln \u2013 \u20ac5\r\n\u65e5\u672c\u8a9e \U0001F600\r"
                                               "trailing blank \nx=41\n") + QString(1500, QLatin1Char('a'));
        const QByteArray payload("\x00\x01\xfe\xff payload", 12);
        const QString longName = QString(80, QChar(0x00e9)) + QStringLiteral(".bin");
        const QString euros = QString(100, QChar(0x20ac)) + QStringLiteral(".txt");
        const QList<Attachment> files = {
            file(QStringLiteral("image.png"), payload.repeated(400), "image/png", true),
            file(QStringLiteral("say \"hi\".txt"), QStringLiteral("Zeile 1: \u00e4\u00f6\u00fc\r\nZeile 2\r\n").toUtf8(), "text/plain"),
            file(QStringLiteral("table.csv"), "a,b\n1,2\n", "text/csv"),
            file(QStringLiteral("C:\\Users\\no") + QChar(0) + QStringLiteral("t\x7f" "es.pdf"), payload, "application/pdf", true,
                 QStringLiteral("notes.pdf")),
            file(QStringLiteral("../../etc/") + longName, payload, "application/octet-stream", true, longName),
            // Holding "=?", and named like a PDF file of the working folder.
            file(QStringLiteral("=?utf-8?B?SGFjaw==?=.txt"), "hack", "text/plain"),
            file(QStringLiteral("scan.vhx"), "not a PDF", "application/octet-stream"),
            // A message in Base64 may not be message/rfc822.
            file(QStringLiteral("forward.eml"), QStringLiteral("Subject: \u00fc\n\nhi\n").toUtf8(), "application/octet-stream"),
            // Too long for a file name; alike but for case; a line of 999 characters.
            file(QString(200, QChar(0x00fc)) + QStringLiteral(".bin"), payload, "application/octet-stream", true, QString(),
                 QString(125, QChar(0x00fc)) + QStringLiteral(".bin")),
            file(QStringLiteral("X.TXT"), "upper", "text/plain"),
            file(QStringLiteral("x.txt"), "lower", "text/plain", false, QString(), QStringLiteral("x (2).txt")),
            file(QStringLiteral("wide.txt"), QByteArray(999, 'w'), "text/plain"),
            // Cut to 255 bytes of three- and four-byte characters, the number counted; numbered past a name taken in
            // another case.
            file(euros, "euro", "text/plain", false, QString(), QString(83, QChar(0x20ac)) + QStringLiteral(".txt")),
            file(euros, "euro 2", "text/plain", false, QString(), QString(82, QChar(0x20ac)) + QStringLiteral(" (2).txt")),
            file(QStringLiteral("\U0001F600").repeated(70) + QStringLiteral(".bin"), payload, "application/octet-stream", true,
                 QString(), QStringLiteral("\U0001F600").repeated(62) + QStringLiteral(".bin")),
            file(QStringLiteral("A (2).txt"), "A2", "text/plain"),
            file(QStringLiteral("a.txt"), "a", "text/plain"),
            file(QStringLiteral("a.txt"), "a again", "text/plain", false, QString(), QStringLiteral("a (3).txt")),
        };
        QStringList many;
        for (int i = 0; i < 150; ++i)
            many << (i % 3 ? QStringLiteral("user%1@example.com") : QStringLiteral("Person Number %1 <p%1@example.net>")).arg(i);
        const QString joerg = QStringLiteral("J\u00f6rg \u00d6d\u00f6n <joerg@example.com>");

        const QString all = many.join(QLatin1Char(';')), allBack = many.join(QStringLiteral(", "));
        QTest::newRow("plain utf-8") << false << QString() << all << allBack << uSubject + QStringLiteral(" word").repeated(500) << unicode
                                     << QList<Attachment>();
        QTest::newRow("html") << true << QString() << all << allBack << uSubject << QStringLiteral("<p>Hi <b>there</b> a=b</p>\nFrom me")
                              << QList<Attachment>();
        // Addresses outside ASCII; a name too long for a line; a first word that does not fit the field name's line.
        const QString unicodeAddresses = QStringLiteral("\u0391\u03bb\u03ad\u03be\u03b1\u03bd\u03b4\u03c1\u03bf\u03c2 "
                                                        "\u03a0\u03b1\u03c0\u03b1\u03b4\u03cc\u03c0\u03bf\u03c5\u03bb\u03bf\u03c2-"
                                                        "\u0393\u03b5\u03c9\u03c1\u03b3\u03af\u03bf\u03c5 \u03c4\u03bf\u03c5 "
                                                        "\u039a\u03c9\u03bd\u03c3\u03c4\u03b1\u03bd\u03c4\u03af\u03bd\u03bf\u03c5 <alex@example.gr>, "
                                                        "j\u00f6rg@example.de, J\u00f6rg \u00d6d\u00f6n <j\u00f6rg@b\u00fccher.de>");
        QTest::newRow("empty body") << false << QString() << unicodeAddresses
                                    << QString(unicodeAddresses).replace(QStringLiteral("b\u00fccher"), QStringLiteral("xn--bcher-kva"))
                                    << QString(75, 'x') + QStringLiteral(" end") << QString() << QList<Attachment>();
        QTest::newRow("quote") << false << QString() << all << allBack << QStringLiteral("\u00e9") + QStringLiteral("\u4f1a\u8b70").repeated(30)
                               << QStringLiteral("> quoted\nreply") << QList<Attachment>();
        // Addresses with blanks inside the brackets, quoted or dotted local parts, a domain literal, a comment, a
        // quote that nothing closes; one address in a quoted local part where words would fold. A Q word of "=", "?" and "_": no cut on whole groups of three bytes.
        const QString forms = QStringLiteral("Ann <\"ann smith\"@example.org>;Zo\u00eb < zoe @ example.org >;Zo\u00eb <\"zoe smith\"@example.org>;"
                                             "Zo\u00eb <zoe@[192.0.2.1]>;Zo\u00eb <zoe@example.org> (B\u00fcro);taro..yamada@docomo.ne.jp;hanako.@ezweb.ne.jp;Ann <.ann@example.com>;"
                                             "Bo <\"bo \\\"the\\\" \\\\ man\"@example.org>;\"zoe\".\"smith\"@example.org;tom\"s@example.org;user1@example.com");
        const QString formsBack = QStringLiteral("Ann <\"ann smith\"@example.org>, Zo\u00eb <zoe@example.org>, Zo\u00eb <\"zoe smith\"@example.org>, "
                                                 "Zo\u00eb <zoe@[192.0.2.1]>, Zo\u00eb <zoe@example.org>, \"taro..yamada\"@docomo.ne.jp, \"hanako.\"@ezweb.ne.jp, "
                                                 "Ann <\".ann\"@example.com>, Bo <\"bo \\\"the\\\" \\\\ man\"@example.org>, zoe.smith@example.org, "
                                                 "\"tom\\\"s\"@example.org, user1@example.com");
        // A plain message of a few words whose recipients and subject must read back as written.
        const auto recipientsRow = [](const char* name, const QString& to, const QString& back, const QString& subject) {
            QTest::newRow(name) << false << QString() << to << back << subject << QStringLiteral("hi") << QList<Attachment>();
        };
        recipientsRow("address forms", QString(40, 'a') + QStringLiteral("@example.com;") + forms,
                      QString(40, 'a') + QStringLiteral("@example.com, ") + formsBack,
                      QStringLiteral("\u00e9\u00e9=\u00e9?\u00e9_") + QStringLiteral("\u4f1a\u8b70").repeated(20));
        // Domains outside ASCII as mail and browsers map them today; those without an ASCII form in UTF-8; a final
        // dot dropped.
        const QString domains = QStringLiteral("Dora <d@stra\u00dfe.de>;g@\u03b2\u03cc\u03bb\u03bf\u03c2.com;"
                                               "n@\u0646\u0627\u0645\u0647\u200c\u0627\u06cc.ir;K\u00e4the <k@\u0915\u094d\u200d\u0937.in>;"
                                               "j@a\u200db.de;Schnee <s@\u2603.net>;a@example.com.;Carl <c@M\u00dcNCHEN.DE.>;bob@example.com");
        const QString domainsBack = QStringLiteral("Dora <d@xn--strae-oqa.de>, g@xn--nxasmm1c.com, n@xn--mgba3gch31f060k.ir, "
                                                   "K\u00e4the <k@xn--11b2ezcw70k.in>, j@a\u200db.de, Schnee <s@\u2603.net>, "
                                                   "a@example.com, Carl <c@xn--mnchen-3ya.de>, bob@example.com");
        recipientsRow("international domains", domains, domainsBack, QStringLiteral("domains"));
        // Comments around bare addresses, groups, angle brackets inside quotes, addresses longer than a line: each
        // an address with its name, never inside an encoded word, never folded.
        const QString words = QStringLiteral("word ").repeated(54) + QStringLiteral("word");
        const QString around = QStringLiteral("ann@example.com (B\u00fcro);(B\u00fcro) fay@example.com;carol@example.com (=?utf-8?B?SGk=?=);"
                                              "dan@example.com (unclosed;eve@example.com;Zo\u00eb: z@example.com;\u00c9quipe: e@example.com;"
                                              "\"<x>\"@example.com;") + QString(258, 'a') + QStringLiteral("@example.com;\"") + words
                               + QStringLiteral("\"@example.com;bob@example.com");
        const QString aroundBack = QStringLiteral("B\u00fcro <ann@example.com>, B\u00fcro <fay@example.com>, =?utf-8?B?SGk=?= <carol@example.com>, "
                                                  "\"(unclosed\" <dan@example.com>, eve@example.com, z@example.com, e@example.com, "
                                                  "\"<x>\"@example.com, ") + QString(258, 'a') + QStringLiteral("@example.com, \"") + words
                                   + QStringLiteral("\"@example.com, bob@example.com (groups: Zo\u00eb, \u00c9quipe)");
        recipientsRow("addresses among comments and groups", around, aroundBack, QStringLiteral("s"));
        // A "," or ";" inside a closed comment: each address keeps its comment as its name, and the other recipients
        // stay; a "(" that nothing closes takes no address in.
        const QString separated = QStringLiteral("ann@example.com (B\u00fcro, K\u00f6ln);(B\u00fcro, K\u00f6ln) fay@example.com;"
                                                 "Ann <a@x.org> (home, office);gil@example.com (work (B\u00fcro, K\u00f6ln));ivy@x.org (home; office);"
                                                 "jo@x.org (a\\), b);dan@example.com (unclosed;eve@example.com (home, office);bob@example.com");
        const QString separatedBack = QStringLiteral("\"B\u00fcro, K\u00f6ln\" <ann@example.com>, \"B\u00fcro, K\u00f6ln\" <fay@example.com>, Ann <a@x.org>, "
                                                     "\"work (B\u00fcro, K\u00f6ln)\" <gil@example.com>, \"home, office\" <ivy@x.org>, \"a\\\\), b\" <jo@x.org>, "
                                                     "\"(unclosed\" <dan@example.com>, \"home, office\" <eve@example.com>, bob@example.com");
        recipientsRow("separators inside comments", separated, separatedBack, QStringLiteral("s"));
        // Groups without members, first, last and among others; comments around the words of an address and in a
        // group's name; a "(" inside a quoted local part.
        recipientsRow("groups without members, comments inside addresses",
                      QStringLiteral("Undisclosed recipients:;bob@example.com;Empty:;;Other: o@example.com;ann(x)@example.com;"
                                     "(a)cat(b)@(c)example.com(d);dan (x) @example.com;G (c): j@example.com;(c) H: k@example.com;"
                                     "\"Q\" (c): l@example.com;Zo\u00eb (c):;\"a(b\"@example.com;\"c(d)\"@example.com;a@example.com;Team:;"),
                      // compat32 reads a group without members as one empty address.
                      QStringLiteral(", bob@example.com, , o@example.com, x <ann@example.com>, a b c d <cat@example.com>, x <dan@example.com>, "
                                     "c <j@example.com>, c <k@example.com>, c <l@example.com>, , \"a(b\"@example.com, \"c(d)\"@example.com, a@example.com, "
                                     " (groups: Undisclosed recipients, Empty, Other, G, H, Q, Zo\u00eb, Team)"), QStringLiteral("s"));
        // A "(" closed only past another address takes none in; an escaped quote closes nothing.
        recipientsRow("comments beside addresses",
                      QStringLiteral("Dan <d@example.com> (unclosed;Eve <e@example.com> closing);M\u00fcller (Sales, Berlin) <m@example.de>;"
                                     "Ann <a@example.com> (home, office);\"Ann \\\" <a@example.com>;bob@example.com"),
                      QStringLiteral("Dan <d@example.com>, Eve <e@example.com>, \"M\u00fcller (Sales, Berlin)\" <m@example.de>, "
                                     "Ann <a@example.com>, \"\\\"Ann \\\\\\\"\" <a@example.com>, bob@example.com"), QStringLiteral("s"));
        // Comments beside, inside and after an address and in angle brackets, angle brackets and separators inside
        // comments, a "<" left open, a quote inside a comment: every address reads back, with the comment as its name
        // where it has none.
        recipientsRow("comments wherever they stand",
                      QStringLiteral("Ann Lee <ann@example.com> (fwd -> Bob);Bob <bob@example.com> (<3);<cy@example.com> (a>b);"
                                     "Jane <jane@example.com> (<x>);dee@example.com (see <https://x.org>);ann(x).lee@example.com;"
                                     "bo.(x)lee@example.com;cy@example(x).com;Dan <dan(work)@example.com>;Ann Lee <al@example.com;"
                                     "(note; ann@example.com) nb@example.com;a@x.org (note;b@y.org;c@z.org (home));"
                                     "Ann <an@example.com> (x (y; z) w);ann@ (home) example.com;zz@example.com (27\" monitor); Dr. Who <who@example.com>"),
                      QStringLiteral("Ann Lee <ann@example.com>, Bob <bob@example.com>, cy@example.com, Jane <jane@example.com>, "
                                     "\"see <https://x.org>\" <dee@example.com>, x <ann.lee@example.com>, x <bo.lee@example.com>, "
                                     "x <cy@example.com>, Dan <dan@example.com>, Ann Lee <al@example.com>, \"note, ann@example.com\" <nb@example.com>, "
                                     "\"(note\" <a@x.org>, b@y.org, \"home )\" <c@z.org>, Ann <an@example.com>, home <ann@example.com>, "
                                     "\"27\\\" monitor\" <zz@example.com>, \"Dr. Who\" <who@example.com>"), QStringLiteral("s"));
        // A ":" before the address ends a group's name; blanks beside dots fold around them; a group without members
        // whose comments hold what some readers refuse takes them into its name.
        recipientsRow("colons, blanks beside dots, groups some readers refuse",
                      QStringLiteral("mailto:ann@example.com;Team:bob@example.com;\"Lee, Cy\":bo@x.org;Team:(c)cy@x.org;a. ()a.5@x.de;"
                                     "<a.() a.a@x.de>;a@x.x. ()de;Ann <ann . lee@example.com>;N(<):;N:(:);(\")N:;dee@x.org"),
                      QStringLiteral("ann@example.com, bob@example.com, bo@x.org, c <cy@x.org>, a.a.5@x.de, a.a.a@x.de, a@x.x.de, "
                                     "Ann <ann.lee@example.com>, , , , dee@x.org (groups: mailto, Team, Lee, Cy, Team, N (<), N (:), (\") N)"),
                      QStringLiteral("s"));
        // What brackets hold goes whole on a line of its own where the line stays within 998 characters.
        const QString ells(1000, 'l');
        recipientsRow("named addresses longer than a line", "a@example.com;Nora <" + ells.left(910) + "@d.example>;bob@example.com",
                      "a@example.com, Nora <" + ells.left(910) + "@d.example>, bob@example.com", QStringLiteral("s"));
        // Text that is no address is the name of a group without members, which compat32 reads as one empty address:
        // every address around it reads back, and the text as the group's name.
        recipientsRow("text between addresses",
                      QStringLiteral("a@example.com;John Smith;b@example.com;\"zoe smith@example.org;c@example.com;second floor);"
                                     "d@example.com;Zo\u00eb at home;e@example.com"),
                      QStringLiteral("a@example.com, , b@example.com, , c@example.com, , d@example.com, , e@example.com "
                                     "(groups: John Smith, \"zoe smith@example.org, second floor), Zo\u00eb at home)"), QStringLiteral("s"));
        // Text too long for one encoded word: Python's default policy reads a blank between neighbouring encoded
        // words (RFC 2047 says none), here after the first 30 characters and then every 45.
        const auto blanksAtFolds = [](const QString& text) {
            QStringList words { text.left(30) };
            for (int i = 30; i < text.size(); i += 45)
                words << text.mid(i, 45);
            return words.join(QLatin1Char(' '));
        };
        const QString longNamed = "Name <" + ells + "@d.example>";
        const QString longBare = QString(987, 'b') + "@d.example.co";
        recipientsRow("named address of 1000 characters between addresses", "a@example.com;" + longNamed + ";bob@example.com",
                      "a@example.com, , bob@example.com (groups: " + blanksAtFolds(longNamed) + ")", QStringLiteral("s"));
        recipientsRow("bare address of 1000 characters between addresses", "a@example.com;" + longBare + ";bob@example.com",
                      "a@example.com, , bob@example.com (groups: " + blanksAtFolds(longBare) + ")", QStringLiteral("s"));
        QTest::newRow("html attachments utf-8") << true << QString() << all << allBack << uSubject
                                                << QStringLiteral("<p>") + unicode + QStringLiteral("</p>\n") << files;
        QTest::newRow("hostile")
            << false << joerg
            << QString(62, 'a') + QStringLiteral("@example.com;") + joerg + QStringLiteral("; \"Doe, \\\"JD\\\" \\\\ John\" <jd@x.org>;info@b\u00fccher.example;<bare@x.org>;"
                                      "ann@x.org\x01;\r\nbob@y.org;=?utf-8?B?SGFjaw==?= <h@x.org>")
            << QString(62, 'a') + QStringLiteral("@example.com, ") + joerg + QStringLiteral(", \"Doe, \\\"JD\\\" \\\\ John\" <jd@x.org>, info@xn--bcher-kva.example, bare@x.org, ann@x.org, "
                                      "bob@y.org, =?utf-8?B?SGFjaw==?= <h@x.org>")
            << QStringLiteral("=?utf-8?B?SGFjaw==?= Hello\r\nBcc: victim@x.org\nX-Evil: 1\x07\t\x1b\x7f") + QChar(0) + QLatin1String("end")
            // Not format=flowed; lines equal to the boundary prefix.
            << QStringLiteral("  Before\n------=_NextPart_\n------=_NextPart_--\nAfter") << files;
    }

    void roundTrip()
    {
        QFETCH(bool, html);
        QFETCH(QString, from);
        QFETCH(QString, recipients);
        QFETCH(QString, recipientsBack);
        QFETCH(QString, subject);
        QFETCH(QString, body);
        QFETCH(QList<Attachment>, attachments);
        Email email;
        email.from = from;
        email.readReceipt = true; // noted only with a sender
        email.priority = static_cast<Email::MailPriority>(7);
        email.to = email.cc = email.bcc = recipients;
        email.subject = subject;
        email.body = body;
        email.isHtml = html;
        for (const Attachment& attachment : attachments)
            email.addAttachment(attachment.name, attachment.binary ? QString::fromLatin1(attachment.bytes.toBase64())
                                                                   : QString::fromUtf8(attachment.bytes), attachment.binary);
        // ASCII only but in addresses, line feeds alone, no line over 998 characters.
        const QString eml = email.toEML();
        QVERIFY(!QString(eml).remove(QRegularExpression(QStringLiteral("\\S+@\\S+")))
                     .contains(QRegularExpression(QStringLiteral("[^\\x01-\\x7f]|\\r|[^\\n]{999}"))));

        // Each attachment a file of its own on the Mail and Thunderbird roads.
        email.tempDir = work_.path() + QStringLiteral("/temp");
        email.cleanTempDir();
        const auto folders = [&email]() { return QDir(email.tempDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(); };
        const int foldersBefore = folders();
        QVERIFY(email.createTempAttachments());
        // In a folder of the request's own, made only where there is something to put in it.
        QCOMPARE(folders(), foldersBefore + (attachments.isEmpty() ? 0 : 1));
        QCOMPARE(QDir(email.tempDir).entryList(QDir::Files).size(), 0);
        if (!attachments.isEmpty()) {
            QCOMPARE(QFileInfo(email.requestFolder()).path(), email.tempDir);
            QCOMPARE(QDir(email.requestFolder()).entryList(QDir::Files).size(), attachments.size());
        }
        for (const Attachment& attachment : attachments)
            QCOMPARE(readBytes(email.requestFolder() + QLatin1Char('/') + attachment.stored), attachment.bytes);

        const QString path = AttatchmentManager().createEmlFile(&email);
        const QJsonObject parsed = parseEml(path);
        QCOMPARE(strings(parsed.value(QStringLiteral("defects"))), QStringList());
        QStringList boundaries;
        for (const QJsonValue& part : parsed.value(QStringLiteral("parts")).toArray())
            boundaries << QRegularExpression::escape(field(part.toObject(), "boundary"));
        boundaries.removeAll(QString());
        const QString written = QString::fromUtf8(readBytes(path));
        // No header line over 998 characters, addresses included.
        for (const QString& line : written.left(written.indexOf(QStringLiteral("\n\n"))).split('\n'))
            QVERIFY2(line.size() <= 998, qPrintable(line.left(80)));
        QCOMPARE(headerFaults(written, boundaries).join("\n----\n"), QString());
        subject.replace(QRegularExpression(QStringLiteral("\\r\\n?|\\n")), QStringLiteral(" "));
        QCOMPARE(headerValues(parsed, "subject"), QStringList({ subject.remove(QRegularExpression("[\\x00-\\x08\\x0b-\\x1f\\x7f]")) }));
        for (const char* header : { "to", "cc", "bcc" })
            QCOMPARE(headerValues(parsed, header), QStringList({ recipientsBack }));
        // The receipt only with a sender, X-Unsent only without one.
        QCOMPARE(headerValues(parsed, "from") + headerValues(parsed, "disposition-notification-to") + headerValues(parsed, "x-unsent"),
                 from.isEmpty() ? QStringList({ "1" }) : QStringList({ from, from }));
        QCOMPARE(headerValues(parsed, "x-priority"), QStringList({ "3" }));

        // The parts in order, the message first.
        QStringList types = html ? QStringList({ "multipart/alternative", "text/plain", "text/html" }) : QStringList({ "text/plain" });
        if (!attachments.isEmpty())
            types.prepend(QStringLiteral("multipart/mixed"));
        for (const Attachment& attachment : attachments)
            types << attachment.type;
        const QString bodyBack = QString::fromUtf8(body.toUtf8().replace("\r\n", "\n").replace('\r', '\n'));
        // The last line is ended, but where it is the text as written.
        QVERIFY(written.endsWith('\n') || (attachments.isEmpty() && !html && written.endsWith(bodyBack)));
        QStringList typesBack;
        int file = 0;
        for (const QJsonValue& value : parsed.value(QStringLiteral("parts")).toArray()) {
            const QJsonObject part = value.toObject();
            typesBack << field(part, "type");
            QVERIFY(field(part, "boundary").isEmpty() || !eml.contains(field(part, "boundary"))); // each message its own
            if (part.value(QStringLiteral("file")).isString()) {
                const Attachment attachment = attachments.value(file++);
                QCOMPARE(field(part, "file"), attachment.back);
                QCOMPARE(QByteArray::fromBase64(field(part, "bytes").toLatin1()), attachment.bytes);
            } else if (part.contains(QStringLiteral("text"))) {
                QCOMPARE(field(part, "text"), bodyBack); // as its charset says
                QCOMPARE(field(part, "flowed"), bodyBack);
            }
        }
        QCOMPARE(typesBack, types);
    }
};

// Day and month names of the system locale must not reach the Date line
// (the parser reports them as a defect).
static const bool GERMAN_DATES = qputenv("LC_TIME", "de_DE.UTF-8");

QTEST_GUILESS_MAIN(TestMailEmail)

#include "tst_mail_email.moc"
