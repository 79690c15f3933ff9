// The mail text rules, output for output: header folding, encoded words, addresses, parameters, QP and Base64,
// and an HTML body's line breaks as a browser shows them.
#include "core/Base64.h"
#include "mail/HtmlLineBreaks.h"
#include "mail/MailAddress.h"
#include "mail/MailText.h"
#include <QtTest>

class TestMailText : public QObject
{
    Q_OBJECT
private slots:
    void encoders_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("text folds at blanks") << "subject" << QString("word ").repeated(40).trimmed()
            << QStringLiteral("Subject: word word word word word word word word word word word word word word\n"
                              " word word word word word word word word word word word word word word word\n"
                              " word word word word word word word word word word word\n");
        QTest::newRow("long word as encoded words") << "subject" << QString(100, 'x')
            << QStringLiteral("Subject: =?utf-8?B?eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4?=\n"
                              " =?utf-8?B?eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4?=\n"
                              " =?utf-8?B?eHh4eHh4eHh4eHh4eA==?=\n");
        QTest::newRow("encoded-word look-alike") << "subject" << QStringLiteral("=?utf-8?B?SGFjaw==?=\x01\r\n")
            << QStringLiteral("Subject: =?utf-8?B?PT91dGYtOD9CP1NHRmphdz09Pz0g?=\n");
        QTest::newRow("addresses fold between addresses") << "to"
            << "user0@example.com;user1@example.com;user2@example.com;user3@example.com;user4@example.com;"
               "user5@example.com,user6@example.com;user7@example.com"
            << QStringLiteral("To: user0@example.com, user1@example.com, user2@example.com,\n"
                              " user3@example.com, user4@example.com, user5@example.com, user6@example.com,\n"
                              " user7@example.com\n");
        QTest::newRow("display names") << "to"
            << QStringLiteral("J\u00f6rg \u00d6d\u00f6n <joerg@example.com>; \"Doe, \\\"JD\\\" \\\\ John\" <jd@x.org>;"
                              "info@b\u00fccher.example;Ann Lee <ann@x.org>;;<bare@x.org>;J\u00f6rg at home")
            << QStringLiteral("To: =?utf-8?B?SsO2cmcgw5Zkw7Zu?= <joerg@example.com>,\n"
                              " \"Doe, \\\"JD\\\" \\\\ John\" <jd@x.org>, info@xn--bcher-kva.example,\n"
                              " Ann Lee <ann@x.org>, <bare@x.org>, =?utf-8?B?SsO2cmcgYXQgaG9tZQ==?= :;\n");
        QTest::newRow("name in one word where it fits one") << "to"
            << QStringLiteral("ann@x.org;J\u00f6rg \u00d6d\u00f6n M\u00fcller-L\u00fcdenscheidt von B\u00e4r <j@x.org>")
            << "To: ann@x.org,\n =?utf-8?B?SsO2cmcgw5Zkw7ZuIE3DvGxsZXItTMO8ZGVuc2NoZWlkdCB2b24gQsOkcg==?=\n <j@x.org>\n";
        QTest::newRow("what is no address goes as text") << "to"
            << QStringLiteral("Zo\u00eb <not an address>;<a@b.org> home (x);zoe smith@example.org;Zo\u00eb <zoe@example.org> (Zo\u00eb);a <b> <c@d.org>")
            << "To: =?utf-8?B?Wm/DqyA8bm90IGFuIGFkZHJlc3M+?= :;, <a@b.org> (home \\(x\\)),\n"
               " \"zoe smith@example.org\":;, =?utf-8?B?Wm/Dqw==?= <zoe@example.org>\n (=?utf-8?B?Wm/Dqw==?=), \"a <b>\" <c@d.org>\n";
        // An address has a local part and a domain: one word alone, in angle brackets or not, makes some readers refuse
        // the whole list.
        QTest::newRow("address without a domain") << "to" << "John;Ann <word>;Team: John;John (boss);bob@example.com"
            << "To: John:;, \"Ann <word>\":;, \"Team: John\":;, \"John (boss)\":;, bob@example.com\n";
        QTest::newRow("no address") << "to" << " ; ," << QString();
        // An address is never encoded, folded or split: a comment goes after it, the name of a group before it.
        QTest::newRow("comments around bare addresses") << "to"
            << QStringLiteral("ann@example.com (B\u00fcro);(B\u00fcro) fay@example.com;carol@example.com (=?utf-8?B?SGk=?=);"
                              "dan@example.com (unclosed;eve@example.com;gil@example.com (the office of the people who keep the books "
                              "in order on the second floor)")
            << "To: ann@example.com (=?utf-8?B?QsO8cm8=?=),\n fay@example.com (=?utf-8?B?QsO8cm8=?=),\n"
               " carol@example.com (=?utf-8?B?PT91dGYtOD9CP1NHaz0/PQ==?=),\n dan@example.com (\\(unclosed), eve@example.com,"
               " gil@example.com (the office of\n the people who keep the books in order on the second floor)\n";
        // A "," or ";" inside a closed comment is part of it; nested comments and escaped characters count. A comment
        // holding a "," goes encoded: Python's getaddresses as Debian ships it counts every "," outside quotes.
        QTest::newRow("separators inside comments") << "to"
            << QStringLiteral("ann@example.com (B\u00fcro, K\u00f6ln);(B\u00fcro, K\u00f6ln) fay@example.com;Ann <a@x.org> (home, office);"
                              "gil@example.com (work (B\u00fcro, K\u00f6ln));hal@x.org (a (b, c));ivy@x.org (home; office);"
                              "jo@x.org (a\\), b);bob@example.com")
            << "To: ann@example.com (=?utf-8?B?QsO8cm8sIEvDtmxu?=),\n fay@example.com (=?utf-8?B?QsO8cm8sIEvDtmxu?=), Ann <a@x.org>\n"
               " (=?utf-8?B?aG9tZSwgb2ZmaWNl?=),\n gil@example.com (=?utf-8?B?d29yayAoQsO8cm8sIEvDtmxuKQ==?=),\n"
               " hal@x.org (=?utf-8?B?YSAoYiwgYyk=?=), ivy@x.org (home; office),\n jo@x.org (=?utf-8?B?YVwpLCBi?=), bob@example.com\n";
        // The "(" after dan is closed by nothing: eve's ")" closes eve's own "(", so dan's takes no address in. Inside
        // quotes a "(" is plain ("Lee (home" pairs with no ")"), inside a comment a quote (kim's).
        QTest::newRow("a comment left open beside closed ones") << "to"
            << "dan@example.com (unclosed;eve@example.com (home, office);fay@example.com;\"Lee (home\" <lee@x.org>;"
               "kim@x.org (5\" tall, wide);\"Max) M\" <max@x.org>"
            << "To: dan@example.com (\\(unclosed),\n eve@example.com (=?utf-8?B?aG9tZSwgb2ZmaWNl?=), fay@example.com,\n"
               " \"Lee (home\" <lee@x.org>, kim@x.org (=?utf-8?B?NSIgdGFsbCwgd2lkZQ==?=),\n \"Max) M\" <max@x.org>\n";
        // A "(" whose ")" lies past a separator with an address between them closes nothing: Dan keeps his address.
        QTest::newRow("a comment does not span an address") << "to"
            << QStringLiteral("Dan <d@example.com> (unclosed;Eve <e@example.com> closing);M\u00fcller (Sales, Berlin) <m@example.de>;"
                              "x@example.com (a@b closing;bob@example.com")
            << "To: Dan <d@example.com> (\\(unclosed), Eve <e@example.com> (closing\\)),\n"
               " =?utf-8?B?TcO8bGxlciAoU2FsZXMsIEJlcmxpbik=?= <m@example.de>,\n x@example.com (\\(a@b closing), bob@example.com\n";
        // Comments around the words of an address are taken out and follow it; inside quotes a "(" is text.
        QTest::newRow("comments inside an address") << "to"
            << "ann(x)@example.com;(a)cat(b)@(c)example.com(d);dan (x) @example.com;\"a(b\"@example.com;\"c(d)\"@example.com;bob@example.com"
            << "To: ann@example.com (x), cat@example.com (a) (b) (c) (d), dan@example.com (x),\n"
               " \"a(b\"@example.com, \"c(d)\"@example.com, bob@example.com\n";
        QTest::newRow("comments in a group's name") << "to"
            << QStringLiteral("G (c): j@example.com;(c) H: k@example.com;\"Q\" (c): l@example.com (m);Big (c) Team: n@x.org;Zo\u00eb (c): z@x.org;o@x.org")
            << "To: G: j@example.com (c);, H: k@example.com (c);, Q: l@example.com (c) (m);,\n Big Team: n@x.org (c);,"
               " =?utf-8?B?Wm/Dqw==?= : z@x.org (c);, o@x.org\n";
        // Wherever a comment stands between the tokens of an address it is taken out and follows it: beside a dot, in
        // the domain, in angle brackets, after "@". Between two words it leaves them apart. A "<" that nothing closes
        // before one address reads as its angle bracket.
        QTest::newRow("comments taken out wherever they stand") << "to"
            << "ann(x).lee@example.com;bo.(x)lee@example.com;cy@example(x).com;Dan <dan(work)@example.com>;Ann Lee <ann@example.com;"
               "ann@ (home) example.com;<(c) e@x.org (d)>;a(x)b@example.com"
            << "To: ann.lee@example.com (x), bo.lee@example.com (x), cy@example.com (x),\n Dan <dan@example.com> (work), Ann Lee <ann@example.com>,\n"
               " ann@example.com (home), <e@x.org> (c) (d), \"a(x)b@example.com\":;\n";
        // A ":" outside quotes before the "@" ends a group's name, and is never part of a local part.
        QTest::newRow("colon before the address") << "to"
            << "mailto:ann@example.com;Team:bob@example.com;\"Lee, Cy\":bo@x.org;Team:(c)bo@x.org;\"a:b\"@x.org;x@y(a:b).org;"
               "Ann <mailto:ann@x.org>"
            << "To: mailto: ann@example.com;, Team: bob@example.com;, \"Lee, Cy\": bo@x.org;,\n"
               " Team: bo@x.org (c);, \"a:b\"@x.org, x@y.org (a:b), \"Ann <mailto:ann@x.org>\":;\n";
        // Blanks beside a dot of a local part or a domain fold around it; between two words they stay.
        QTest::newRow("blanks beside dots") << "to"
            << "a. ()a.5@x.de;<a.() a.a@x.de>;a@x.x. ()de;Ann <ann . lee@example.com>;<ann lee@example.com>;ann lee@example.com"
            << "To: a.a.5@x.de (), <a.a.a@x.de> (), a@x.x.de (), Ann <ann.lee@example.com>,\n"
               " <\"ann lee\"@example.com>, \"ann lee@example.com\":;\n";
        // Quotes: an escaped one ends nothing, one inside a word opens a quoted string in it, whose "(" is no comment.
        // A "[" closed only past a separator opens no domain literal.
        QTest::newRow("escaped quotes in a quoted name") << "to" << "\"Ann \\\"A;B\\\" Lee\" <ann@x.org>;bob@x.org"
                                                        << "To: \"Ann \\\"A;B\\\" Lee\" <ann@x.org>, bob@x.org\n";
        QTest::newRow("quoted string inside a word") << "to" << "ann\"(x)\"@example.com" << "To: \"ann(x)\"@example.com\n";
        QTest::newRow("bracket closed past separators") << "to" << "Ann [x;bob@y.org;c@z.org]"
                                                       << "To: \"Ann [x\":;, bob@y.org, \"c@z.org]\":;\n";
        // What a comment holds is never an angle bracket, an address or a separator; a display name keeps its comments.
        QTest::newRow("angle brackets inside comments") << "to"
            << "Ann Lee <ann@example.com> (fwd -> Bob);Bob <bob@example.com> (<3);<cy@example.com> (a>b);Jane <jane@example.com> (<x>);"
               "dee@example.com (see <https://x.org>);Fay (<home>) <fay@x.org>;Ann <ann@x.org (home)"
            << "To: Ann Lee <ann@example.com> (fwd -> Bob), Bob <bob@example.com> (<3),\n <cy@example.com> (a>b), Jane <jane@example.com> (<x>),\n"
               " dee@example.com (see <https://x.org>), \"Fay (<home>)\" <fay@x.org>,\n Ann <ann@x.org> (home)\n";
        // A "(" whose ")" lies past a separator, with an address between: the comment where that alone names an address,
        // otherwise a stray "(" and the items apart. A nested ")" closes the nested comment only.
        QTest::newRow("comment holding addresses before one") << "to" << "(note; ann@example.com) bob@example.com"
                                                            << "To: bob@example.com (note; ann@example.com)\n";
        QTest::newRow("comment holding a group without members") << "to" << "(note; Team:; a@b.org) bob@example.com"
                                                                << "To: bob@example.com (note; Team:; a@b.org)\n";
        // A group without members names no recipient: apart, the items name a@b.org alone, as the comment's reading does.
        QTest::newRow("comment holding a group without members and an address") << "to" << "(x; Team:; a@b.org; c) bob@example.com"
                                                                                << "To: bob@example.com (x; Team:; a@b.org; c)\n";
        QTest::newRow("comment closed past two addresses") << "to" << "a@x.org (note;b@y.org;c@z.org (home))"
                                                          << "To: a@x.org (\\(note), b@y.org, c@z.org (home) (\\))\n";
        // Where both readings name one address, the comment's is taken: a ")" that pairs with nothing is no part of an
        // address.
        QTest::newRow("comment or stray parenthesis, one address either way") << "to"
            << "a1.x@y(,@home).org;(< , <) k9.cy@y.org;<)a@x.org>;Ann <ann@x.org> (home, <work>);(a; <b@x.org>) c@y.org"
            << "To: a1.x@y.org (=?utf-8?B?LEBob21l?=), k9.cy@y.org (=?utf-8?B?PCAsIDw=?=),\n \"<)a@x.org>\":;,"
               " Ann <ann@x.org> (=?utf-8?B?aG9tZSwgPHdvcms+?=),\n c@y.org (a; <b@x.org>)\n";
        QTest::newRow("nested comment holding a separator") << "to" << "Ann <ann@example.com> (x (y; z) w);bob@example.com"
                                                           << "To: Ann <ann@example.com> (x \\(y; z\\) w), bob@example.com\n";
        QTest::newRow("two addresses and a stray parenthesis") << "to" << "ann@example.com) bob@example.com;a@b.org ( c@d.org"
                                                              << "To: \"ann@example.com) bob@example.com\":;, a@b.org (\\( c@d.org)\n";
        // A quote inside a comment goes as a quoted pair: left as it is, some readers pair it with the next quote.
        QTest::newRow("quotes inside comments") << "to" << "ann@example.com (27\" monitor); Dr. Who <who@example.com>;kim@x.org (5\" tall"
            << "To: ann@example.com (27\\\" monitor), \"Dr. Who\" <who@example.com>,\n kim@x.org (\\(5\\\" tall)\n";
        // A group without members is closed at once, its comments before its ":", wherever it stands.
        QTest::newRow("empty group first") << "to" << "Undisclosed recipients:;bob@example.com"
                                           << "To: Undisclosed recipients:;, bob@example.com\n";
        QTest::newRow("empty group last") << "to" << "a@example.com;Team:;" << "To: a@example.com, Team:;\n";
        QTest::newRow("empty groups among others") << "to"
            << QStringLiteral("Empty:;;Other: o@example.com;Zo\u00eb:;Team (c):;Zo\u00eb (c) (d):;Crew: (e);\"A, B\" :;x@y.org")
            << "To: Empty:;, Other: o@example.com;, =?utf-8?B?Wm/Dqw==?= :;, Team (c):;,\n"
               " =?utf-8?B?Wm/Dqw==?= (c) (d):;, Crew (e):;, \"A, B\":;, x@y.org\n";
        // Comments holding "<", ">", '"' or ":" make some readers refuse the whole list around a group without members:
        // they go in its name.
        QTest::newRow("empty groups with comments some readers refuse") << "to"
            << "a@x.de,N(<):,N:(:),(\")N:,Crew (e):;,Big (<) Team (x):;b@x.de"
            << "To: a@x.de, \"N (<)\":;, \"N (:)\":;, \"(\\\") N\":;, Crew (e):;,\n \"Big Team (<) (x)\":;, b@x.de\n";
        const QString sixteenWords = QStringLiteral("word ").repeated(16).trimmed();
        QTest::newRow("group names longer than a line") << "to" << "\"" + sixteenWords + "\": g@x.org;\"" + sixteenWords + "\":;h@x.org"
            << "To: =?utf-8?B?d29yZCB3b3JkIHdvcmQgd29yZCB3b3JkIHdvcmQgd29yZCB3b3JkIHdvcmQg?=\n"
               " =?utf-8?B?d29yZCB3b3JkIHdvcmQgd29yZCB3b3JkIHdvcmQgd29yZA==?= : g@x.org;,\n"
               " =?utf-8?B?d29yZCB3b3JkIHdvcmQgd29yZCB3b3JkIHdvcmQgd29yZCB3b3JkIHdvcmQg?=\n"
               " =?utf-8?B?d29yZCB3b3JkIHdvcmQgd29yZCB3b3JkIHdvcmQgd29yZA==?= :;, h@x.org\n";
        QTest::newRow("groups closed after their address") << "to"
            << QStringLiteral("Zo\u00eb: z@example.com;\u00c9quipe: e@example.com (B\u00fcro);\"A, B\": b@x.org;bob@example.com")
            << "To: =?utf-8?B?Wm/Dqw==?= : z@example.com;, =?utf-8?B?w4lxdWlwZQ==?= :\n"
               " e@example.com (=?utf-8?B?QsO8cm8=?=);, \"A, B\": b@x.org;, bob@example.com\n";
        QTest::newRow("angle brackets inside quotes") << "to" << "\"<x>\"@example.com;x <\"<y>\"@example.com> (c);bob@example.com"
            << "To: \"<x>\"@example.com, x <\"<y>\"@example.com> (c), bob@example.com\n";
        QTest::newRow("text that would leave a quote or a comment open") << "to" << "\"zoe smith@example.org;a@x.org;second floor);bob@example.com"
            << "To: \"\\\"zoe smith@example.org\":;, a@x.org, \"second floor)\":;, bob@example.com\n";
        // Text that is no address is the name of a group without members: as words alone it makes some readers
        // refuse the whole list.
        QTest::newRow("text as a group's name") << "to" << QStringLiteral("John Smith;a@x.org;Dr. J. Smith;Zo\u00eb Smith (home;b@x.org")
            << "To: John Smith:;, a@x.org, \"Dr. J. Smith\":;,\n =?utf-8?B?Wm/DqyBTbWl0aCAoaG9tZQ==?= :;, b@x.org\n";
        const QString words = QStringLiteral("word ").repeated(55).trimmed();
        QTest::newRow("long addresses on lines of their own") << "to"
            << QString(258, 'a') + "@example.com;\"" + words + "\"@example.com;" + QString(908, 'b') + "@example.com"
            << "To: " + QString(258, 'a') + "@example.com,\n \"" + words + "\"@example.com,\n " + QString(908, 'b') + "@example.com\n";
        // What angle brackets hold goes whole on a line of its own within 998 characters; longer, the item is text, the
        // name of a group without members.
        const QString ells(1000, 'l');
        QTest::newRow("named address longer than a header line may be") << "to"
            << "a@example.com;Name <" + ells + "@d.example>;bob@example.com"
            << "To: a@example.com, =?utf-8?B?TmFtZSA8" + QString("bGxs").repeated(8) + "?=\n"
                   + (" =?utf-8?B?" + QString("bGxs").repeated(15) + "?=\n").repeated(21) + " =?utf-8?B?" + QString("bGxs").repeated(10)
                   + "bEBkLmV4YW1wbGU+?= :;,\n bob@example.com\n";
        QTest::newRow("named address of 920 characters") << "to"
            << "a@example.com;Name <" + ells.left(910) + "@d.example>;bob@example.com"
            << "To: a@example.com, =?utf-8?B?TmFtZQ==?=\n <" + ells.left(910) + "@d.example>,\n bob@example.com\n";
        // A bare address and its comment on one line where the blank before them, the address, the comment and the
        // "," make at most 78.
        const QString bareAddress = QString(40, 'l') + "@x.org";
        QTest::newRow("bare address and comment up to the 78th place") << "to"
            << "a@x.org;" + bareAddress + " (" + QString(27, 'c') + ");b@x.org;" + bareAddress + " (" + QString(28, 'c') + ");d@x.org"
            << "To: a@x.org,\n " + bareAddress + " (" + QString(27, 'c') + "),\n b@x.org, " + bareAddress + "\n ("
                   + QString(28, 'c') + "), d@x.org\n";
        // An escaped quote closes nothing: the quote before Ann is a character and bob stays apart.
        QTest::newRow("escaped quote") << "to" << "\"Ann \\\" <a@example.com>;bob@example.com"
            << "To: \"\\\"Ann \\\\\\\"\" <a@example.com>, bob@example.com\n";
        // The "," after a named address that ends in the 78th place goes to the next line with it.
        const QString local(49, 'l');
        QTest::newRow("named address up to the 78th place") << "to"
            << "a@x.org;Ann Lee <" + local + "@x.org>;b@x.org;Bo <" + local + "bo12345678901@x.org> (c);d@x.org"
            << "To: a@x.org,\n Ann Lee <" + local + "@x.org>, b@x.org,\n Bo <" + local + "bo12345678901@x.org>\n (c), d@x.org\n";
        QTest::newRow("long parameter") << "filename" << QString(100, 'n') + ".txt"
            << "filename*0*=utf-8''nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn\n"
               "filename*1*=nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn.txt";
        const QString euro = "%E2%82%AC";
        QTest::newRow("parameter lines of three-byte characters") << "filename" << QString(40, QChar(0x20ac)) + ".txt"
            << "filename*0*=utf-8''" + euro.repeated(5) + "\nfilename*1*=" + euro.repeated(6) + "\nfilename*2*=" + euro.repeated(6)
                   + "\nfilename*3*=" + euro.repeated(6) + "\nfilename*4*=" + euro.repeated(6) + "\nfilename*5*=" + euro.repeated(6)
                   + "\nfilename*6*=" + euro.repeated(5) + ".txt";
        QTest::newRow("quoted parameter") << "filename" << "a b.txt" << "filename=\"a b.txt\"";
        QTest::newRow("quoted parameter of 72") << "filename" << QString(61, 'n') << "filename=\"" + QString(61, 'n') + "\"";
        QTest::newRow("parameter of 73 split") << "filename" << QString(62, 'n')
            << "filename*0*=utf-8''" + QString(53, 'n') + "\nfilename*1*=" + QString(9, 'n');
        QTest::newRow("qp soft break at end") << "qp" << "a=b \nc" << "a=3Db=20\nc=";
        QTest::newRow("qp 76 places") << "qp" << QString(80, 'q') << QString(75, 'q') + "=\nqqqqq=";
        QTest::newRow("qp last place kept for the soft break") << "qp" << QString(75, 'q') << QString(75, 'q') + "=";
        QTest::newRow("qp no 77th place before it") << "qp" << QString(76, 'q') << QString(75, 'q') + "=\nq=";
        QTest::newRow("qp escape at a line end within 76") << "qp" << QString(74, 'q') + "\u00e9\nx" << QString(74, 'q') + "=\n=E9\nx=";
        // Base64 from the page: accepted, and wrapped "as is", exactly where decoding and encoding give it back.
        const QByteArray bytes = QByteArray("\x01\x10\x83\x10\x51\x87\x20\x92\x8b\x30\xd3\x8f\xff", 13).repeated(4495);
        QTest::newRow("base64 across blocks, padded") << "base64" << QString::fromLatin1(bytes.toBase64()) << "as is";
        QTest::newRow("base64 stray bits") << "base64" << "QR==" << QString();
        QTest::newRow("base64 data URL") << "base64" << "data:text/plain;base64,QUJD" << QString();
        QTest::newRow("base64 line break") << "base64" << "QUJD\nREVG" << QString();
        QTest::newRow("base64 no padding") << "base64" << "QUJDRA" << QString();
        QTest::newRow("base64 padding inside") << "base64" << "QQ==QQ==" << QString();
        QTest::newRow("base64 outside ASCII") << "base64" << QStringLiteral("QU\u0142D") << QString();
    }

    void encoders()
    {
        QFETCH(QString, kind);
        QFETCH(QString, input);
        QFETCH(QString, output);
        if (kind == "subject")
            QCOMPARE(MailText::textField("Subject", input), output);
        else if (kind == "to")
            QCOMPARE(MailText::addressField("To", input), output);
        // No line over 998 characters, and none over 78 that has a blank outside quotes to fold at.
        if (kind == "to" || kind == "subject") {
            for (const QString& line : output.split('\n')) {
                QVERIFY2(line.size() <= 998, qPrintable(line));
                const QString unquoted = QString(line).remove(QRegularExpression(QStringLiteral("^(?:[\\w-]+:)? |\"(?:[^\"\\\\]|\\\\.)*\"")));
                QVERIFY2(line.size() <= 78 || !unquoted.contains(' '), qPrintable(line));
            }
        }
        else if (kind == "qp")
            QCOMPARE(QString::fromLatin1(MailText::quotedPrintable(input.toLatin1(), true)), output);
        else if (kind == "base64") {
            QCOMPARE(MailText::isPlainBase64(input), !output.isEmpty());
            QBuffer wrapped, encoded;
            QVERIFY(wrapped.open(QIODevice::WriteOnly) && encoded.open(QIODevice::WriteOnly));
            QVERIFY(MailText::writeBase64Lines(encoded, Base64::fromBase64(input)));
            QCOMPARE(QByteArray::fromBase64(encoded.data()), Base64::fromBase64(input));
            if (!output.isEmpty()) {
                QVERIFY(MailText::writeBase64Lines(wrapped, input));
                QCOMPARE(wrapped.data(), encoded.data());
            }
        } else
            QCOMPARE(MailText::parameterLines(kind, input).join('\n'), output);
    }

    // An address goes whole on a line of its own where that line, whatever field it is in, stays within 998
    // characters: up to 920 characters. Longer, its item is text, encoded over lines of their own.
    void longAddresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("whole");
        const auto row = [](const char* name, const QString& local, bool whole) { QTest::newRow(name) << local + "@d.example" << whole; };
        row("920 characters", QString(910, 'l'), true);
        row("921 characters", QString(911, 'l'), false);
        row("995 characters", QString(985, 'l'), false);
    }

    void longAddresses()
    {
        QFETCH(QString, address);
        QFETCH(bool, whole);
        for (const QString& form : { "Name <" + address + ">", address, "Team: " + address }) {
            const QString field = MailText::addressField("Disposition-Notification-To", "a@example.com;" + form + ";bob@example.com");
            QCOMPARE(field.contains(address), whole);
            QVERIFY(field.contains("a@example.com") && field.contains("bob@example.com"));
            for (const QString& line : field.split('\n'))
                QVERIFY2(line.size() <= 998, qPrintable(QString::number(line.size())));
        }
    }

    // One address as a header carries it; null where the text is none. Blanks are part of an unquoted local part
    // only inside angle brackets.
    // No line break is left: a browser's blank where it is one, a "<br>" where it ends a line.
    void htmlLineBreaks_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("shown");
        QTest::newRow("paragraphs") << "<p>Hello Anna,\nthis goes on\nacross three lines.</p>\n<p>Second.</p>\n"
                                    << "<p>Hello Anna, this goes on across three lines.</p> <p>Second.</p> ";
        QTest::newRow("list") << "<ul>\n  <li>one</li>\n  <li>two</li>\n</ul>" << "<ul>   <li>one</li>   <li>two</li> </ul>";
        QTest::newRow("pre keeps its lines and blanks") << "<p>a\nb</p><pre>col one  col two\n\trow 1    2\n</pre>\nc"
                                                        << "<p>a b</p><pre>col one  col two<br>\trow 1    2<br></pre> c";
        QTest::newRow("CR LF and CR alone, each one break") << "a\r\nb\rc\n\r<pre>d\r\ne\rf\n\rg</pre>"
                                                            << "a b c  <pre>d<br>e<br>f<br><br>g</pre>";
        QTest::newRow("inside a tag, in pre too") << "<a\nhref=\"x\"\r\n>link</a><pre\nclass=\"y\">1\n<b\n>2</b></pre>"
                                                  << "<a href=\"x\" >link</a><pre class=\"y\">1<br><b >2</b></pre>";
        QTest::newRow("the break right after pre dropped") << "<pre>\nfirst\n</pre><pre>\r\n\nsecond</pre>"
                                                           << "<pre>first<br></pre><pre><br>second</pre>";
        QTest::newRow("pre in any case, with attributes") << "<PRE class=\"x\" title='a>b'>\n1\n2</Pre >\n3"
                                                         << "<PRE class=\"x\" title='a>b'>1<br>2</Pre > 3";
        QTest::newRow("pre never closed") << "<p>x\n</p><pre>1\n2\n" << "<p>x </p><pre>1<br>2<br>";
        QTest::newRow("nested pre") << "<pre>1\n<pre>2\n</pre>3\n</pre>4\n" << "<pre>1<br><pre>2<br></pre>3<br></pre>4 ";
        QTest::newRow("names that are no pre") << "<prefix>a\nb</prefix><pre-x>c\nd</pre-x></pre>e\nf<pre>g\n</prefix>h\n</pre>"
                                               << "<prefix>a b</prefix><pre-x>c d</pre-x></pre>e f<pre>g<br></prefix>h<br></pre>";
        QTest::newRow("pre in a comment, script or style opens nothing")
            << "<!-- <pre>\n -->a\n<script>x = '<pre>';\n</script >b\n<STYLE>p {}\n</style>c\n<!--><pre>d\ne</pre>"
            << "<!-- <pre>  -->a <script>x = '<pre>'; </script >b <STYLE>p {} </style>c <!--><pre>d<br>e</pre>";
        QTest::newRow("a < that opens nothing") << "1 <\n2 <= 3\n<" << "1 < 2 <= 3 <";
        QTest::newRow("no line break") << "<p>as it is</p>" << "<p>as it is</p>";
    }
    void htmlLineBreaks()
    {
        QFETCH(QString, html);
        QFETCH(QString, shown);
        QCOMPARE(HtmlLineBreaks::asBrowserShows(html), shown);
    }

    void addressForms_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("bare");
        QTest::addColumn<QString>("inBrackets");
        const QString none;
        QTest::newRow("blanks around") << " zoe @ example.org " << "zoe@example.org" << "zoe@example.org";
        QTest::newRow("no dot-atom, domain outside ASCII") << QStringLiteral("j\u00f6..rg@b\u00fccher.de")
                                                          << QStringLiteral("\"j\u00f6..rg\"@xn--bcher-kva.de")
                                                          << QStringLiteral("\"j\u00f6..rg\"@xn--bcher-kva.de");
        QTest::newRow("quoted parts that are a dot-atom") << "\"zoe\".\"smith\"@example.org" << "zoe.smith@example.org"
                                                         << "zoe.smith@example.org";
        QTest::newRow("blank inside") << "zoe smith@example.org" << none << "\"zoe smith\"@example.org";
        QTest::newRow("quote and backslash escaped") << "a\"b\\c@x.org" << "\"a\\\"b\\\\c\"@x.org" << "\"a\\\"b\\\\c\"@x.org";
        QTest::newRow("empty quoted local part") << "\"\"@x.org" << "\"\"@x.org" << "\"\"@x.org";
        QTest::newRow("@ in quotes, IPv6 literal") << "\"a@b\"@[IPv6:2001:db8::1]" << "\"a@b\"@[IPv6:2001:db8::1]"
                                                  << "\"a@b\"@[IPv6:2001:db8::1]";
        QTest::newRow("blank in literal") << "zoe@[192.0.2.1 5]" << none << none;
        QTest::newRow("no local part") << "@example.org" << none << none;
        QTest::newRow("no domain") << "zoe@" << none << none;
        QTest::newRow("254 characters") << QString(242, 'a') + "@example.org" << QString(242, 'a') + "@example.org"
                                        << QString(242, 'a') + "@example.org";
        QTest::newRow("255 characters") << QString(243, 'a') + "@example.org" << none << none;
        // Domains outside ASCII as mail and browsers map them today, not the older way that maps these letters
        // away and so names other domains.
        const auto international = [](const char* name, const QString& given, const QString& form) {
            QTest::newRow(name) << given << form << form;
        };
        international("sharp s kept", QStringLiteral("d@stra\u00dfe.de"), "d@xn--strae-oqa.de");
        international("Greek final sigma kept", QStringLiteral("g@\u03b2\u03cc\u03bb\u03bf\u03c2.com"), "g@xn--nxasmm1c.com");
        international("ZWNJ kept", QStringLiteral("n@\u0646\u0627\u0645\u0647\u200c\u0627\u06cc.ir"), "n@xn--mgba3gch31f060k.ir");
        international("ZWJ kept", QStringLiteral("k@\u0915\u094d\u200d\u0937.in"), "k@xn--11b2ezcw70k.in");
        // No ASCII form: as given, in UTF-8.
        international("ZWJ where it may not stand", QStringLiteral("j@a\u200db.de"), QStringLiteral("j@a\u200db.de"));
        international("symbol", QStringLiteral("s@\u2603.net"), QStringLiteral("s@\u2603.net"));
        international("mapped to what no host name holds", QStringLiteral("p@a\u2474.de"), QStringLiteral("p@a\u2474.de"));
        // The final dot names the same domain.
        international("final dot", "a@example.com.", "a@example.com");
        international("final dot outside ASCII", QStringLiteral("c@M\u00dcNCHEN.DE."), "c@xn--mnchen-3ya.de");
        international("final full stop mapped", QStringLiteral("c@m\u00fcnchen.de\u3002"), "c@xn--mnchen-3ya.de");
        QTest::newRow("domain of a dot") << "a@." << none << none;
        QTest::newRow("empty labels") << "a@.example.com" << none << none;
        QTest::newRow("two final dots") << "a@example.com.." << none << none;
        QTest::newRow("empty domain literal") << "a@[]" << none << none;
        QTest::newRow("empty label outside ASCII") << QStringLiteral("a@b\u00fccher..de") << none << none;
        QTest::newRow("angle brackets inside quotes") << "\"<x>\"@example.com" << "\"<x>\"@example.com" << "\"<x>\"@example.com";
        QTest::newRow("@ inside a domain literal") << "zoe@[a@b]" << "zoe@[a@b]" << "zoe@[a@b]";
        QTest::newRow("unpaired quote and blank") << "\"zoe smith@example.org" << none << "\"\\\"zoe smith\"@example.org";
        QTest::newRow("unpaired quote and angle bracket") << "\"zoe<smith@example.org" << none << none;
        QTest::newRow("quote that pairs, over 254 characters") << "\"" + QString(250, 'a') + " \"@example.org" << none << none;
    }

    void addressForms()
    {
        QFETCH(QString, given);
        QFETCH(QString, bare);
        QFETCH(QString, inBrackets);
        QCOMPARE(MailAddress::headerForm(given, false), bare);
        QCOMPARE(MailAddress::headerForm(given, true), inBrackets);
        // The length of a mail path alone tells the two forms apart; a longer one is still an address.
        const QString anyLength = MailAddress::headerFormOfAnyLength(given, false);
        QCOMPARE(anyLength.size() > 254 ? QString() : anyLength, bare);
        if (given.size() > 254 && !given.contains("<"))
            QCOMPARE(anyLength, given);
    }
};

QTEST_GUILESS_MAIN(TestMailText)
#include "tst_mail_text.moc"
