// Writing a large EML file the way a page's message goes: one 20 MB binary
// attachment handed over as Base64 text and a 1 MB HTML body, through
// AttatchmentManager::createEmlFile. The floor, measured in the same run, is
// decoding the same Base64 text with a plain table decoder and writing the
// same EML bytes to a file; the project's decoder is timed beside it. Prints
// the medians and their ratio (aim: at most 2.5), and the peak memory
// of the first write and of later writes as a multiple of the Base64 text's
// size (aim: at most 5).
//
// Also the file names of many attachments that share one name, as the Mail
// and Thunderbird roads number them, against the floor of putting the same
// numbered names, lower-cased, into a hash set; the time per name must not
// grow with their number.
//
// Also page text made to be slow: an address list of quotes that never
// close, one of comments closed only past the addresses after them, and a
// message body of quotes and backslashes for the Mail AppleScript and its
// shell wrapper, each against the floor of one plain pass over the same
// text (its UTF-8 bytes, and a copy escaped character by character). The time per character must not grow with the length.
// So also for address lists of one shape repeated (comments, quotes and brackets that pair or not, in and around
// addresses), from 0.5 M to 2 M characters.

#include "core/Base64.h"
#include "mail/AttachmentFileNames.h"
#include "mail/AttatchmentManager.h"
#include "mail/Email.h"
#include "mail/MailText.h"
#include "core/MacToolKit.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>

namespace {

const int ATTACHMENT_BYTES = 20 * 1024 * 1024;
const int BODY_CHARS = 1024 * 1024;
const int MEMORY_WRITES = 5;
const int TIME_ROUNDS = 9;

// The process's resident high-water mark in bytes, from /proc.
double peakRss()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() * 1024;
    }
    return 0;
}

// Sets the high-water mark back to the present resident size, so that the
// next reading belongs to what runs in between.
bool resetPeakRss()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1 && clearRefs.flush();
}

// The least a decoder does: one table lookup per character, four characters
// into three bytes. For padded text of the standard alphabet only.
QByteArray tableDecoded(const QString& text)
{
    static const QByteArray ALPHABET = QByteArrayLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
    uchar value[128] = {};
    for (int i = 0; i < ALPHABET.size(); ++i)
        value[uchar(ALPHABET.at(i))] = uchar(i);
    const ushort* in = text.utf16();
    const int n = text.size();
    QByteArray bytes(n / 4 * 3, Qt::Uninitialized);
    uchar* out = reinterpret_cast<uchar*>(bytes.data());
    for (int i = 0; i < n; i += 4, out += 3) {
        const quint32 group = value[in[i] & 0x7f] << 18 | value[in[i + 1] & 0x7f] << 12
                              | value[in[i + 2] & 0x7f] << 6 | value[in[i + 3] & 0x7f];
        out[0] = uchar(group >> 16);
        out[1] = uchar(group >> 8);
        out[2] = uchar(group);
    }
    bytes.chop(text.endsWith(QLatin1String("==")) ? 2 : text.endsWith(QLatin1Char('=')) ? 1 : 0);
    return bytes;
}

double median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// The Base64 text is built a block at a time, so that making the input does
// not itself set the peak.
void fillMessage(Email& email, const QString& dir)
{
    QString base64;
    base64.reserve((ATTACHMENT_BYTES + 2) / 3 * 4);
    QByteArray block(57 * 1024, Qt::Uninitialized);
    QRandomGenerator random(1);
    for (int left = ATTACHMENT_BYTES; left > 0; left -= block.size()) {
        random.fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
        base64 += QString::fromLatin1(block.left(qMin(left, block.size())).toBase64());
    }
    QString html = QStringLiteral("<html><body>");
    while (html.size() < BODY_CHARS) {
        html += QStringLiteral("<p class=\"row\">Row text with = signs, \u00fcml\u00e4uts and a long tail of words "
                               "that goes on and on past the seventy-six column limit.</p>\n");
    }
    email.tempDir = dir;
    email.subject = QStringLiteral("Large message");
    email.body = html + QStringLiteral("</body></html>");
    email.isHtml = true;
    email.addAttachment(QStringLiteral("data.bin"), base64, true);
}

} // namespace

class BenchEml : public QObject
{
    Q_OBJECT

private slots:
    void writeAgainstFloor()
    {
        QTemporaryDir dir;
        Email email;
        fillMessage(email, dir.path());
        const QString& base64 = email.attachmentData.first();
        const double base64Size = base64.size();
        AttatchmentManager manager;
        const auto write = [&]() {
            const QString path = manager.createEmlFile(&email);
            QVERIFY(!path.isNull());
            QVERIFY(QFile::remove(path));
        };

        // Peak memory: the first write of the process, then later ones.
        QVERIFY2(resetPeakRss(), "/proc/self/clear_refs cannot be written");
        write();
        const double firstPeak = peakRss();
        double laterPeak = 0;
        for (int i = 1; i < MEMORY_WRITES; ++i) {
            QVERIFY(resetPeakRss());
            write();
            laterPeak = qMax(laterPeak, peakRss());
        }

        // The EML bytes the floor writes: one message as written.
        const QString emlPath = manager.createEmlFile(&email);
        QFile eml(emlPath);
        QVERIFY(eml.open(QIODevice::ReadOnly));
        const QByteArray emlBytes = eml.readAll();
        eml.close();
        QVERIFY(QFile::remove(emlPath));
        const QString floorPath = dir.filePath(QStringLiteral("floor.eml"));
        QCOMPARE(tableDecoded(base64), Base64::fromBase64(base64));

        // Time: the rounds alternate, so that both sides meet the same load.
        QVector<double> writeMs;
        QVector<double> floorMs;
        QVector<double> decoderMs;
        QElapsedTimer timer;
        for (int round = 0; round < TIME_ROUNDS; ++round) {
            timer.start();
            write();
            writeMs << timer.nsecsElapsed() / 1e6;

            timer.start();
            QCOMPARE(Base64::fromBase64(base64).size(), ATTACHMENT_BYTES);
            decoderMs << timer.nsecsElapsed() / 1e6;

            timer.start();
            const QByteArray decoded = tableDecoded(base64);
            QFile floor(floorPath);
            QVERIFY(floor.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(floor.write(emlBytes), qint64(emlBytes.size()));
            QVERIFY(floor.flush());
            floor.close();
            floorMs << timer.nsecsElapsed() / 1e6;
            QCOMPARE(decoded.size(), ATTACHMENT_BYTES);
        }

        const double writeMedian = median(writeMs);
        const double floorMedian = median(floorMs);
        qInfo("EML file %.1f MB, Base64 text %.1f MB (%d rounds)", emlBytes.size() / 1048576.0,
              base64Size / 1048576.0, TIME_ROUNDS);
        qInfo("write %.1f ms, floor (decode + write the same bytes) %.1f ms: ratio %.2f (aim <= 2.5); "
              "Base64::fromBase64 alone %.1f ms",
              writeMedian, floorMedian, writeMedian / floorMedian, median(decoderMs));
        qInfo("peak RSS: first write %.1f MB = %.2f x the Base64 size, later writes %.1f MB = %.2f x (aim <= 5)",
              firstPeak / 1048576.0, firstPeak / base64Size, laterPeak / 1048576.0, laterPeak / base64Size);
    }

    void namesAlikeAgainstFloor()
    {
        for (const int count : { 1000, 4000, 16000 }) {
            const QStringList names = QVector<QString>(count, QStringLiteral("Report.txt")).toList();
            QVector<double> namesMs;
            QVector<double> floorMs;
            QElapsedTimer timer;
            for (int round = 0; round < TIME_ROUNDS; ++round) {
                timer.start();
                const QStringList files = AttachmentFileNames::files(names);
                namesMs << timer.nsecsElapsed() / 1e6;
                QCOMPARE(files.last(), QStringLiteral("Report (%1).txt").arg(count));

                timer.start();
                QSet<QString> taken;
                QStringList floor;
                floor << names.first();
                taken.insert(names.first().toLower());
                for (int n = 2; n <= count; ++n) {
                    floor << QStringLiteral("Report (%1).txt").arg(n);
                    taken.insert(floor.last().toLower());
                }
                floorMs << timer.nsecsElapsed() / 1e6;
                QCOMPARE(floor, files);
            }
            qInfo("%5d attachments of one name: %.2f ms (%.2f us a name), floor (numbered names into a set) %.2f ms: "
                  "ratio %.2f",
                  count, median(namesMs), median(namesMs) * 1000 / count, median(floorMs), median(namesMs) / median(floorMs));
        }
    }
    void longPageTextAgainstFloor()
    {
        const auto escapedByHand = [](const QString& text) {
            QString escaped;
            escaped.reserve(text.size() * 2);
            for (const QChar c : text) {
                if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
                    escaped += QLatin1Char('\\');
                escaped += c;
            }
            return escaped;
        };
        for (const int repeats : { 100000, 400000, 1600000 }) {
            const QString openQuotes = QStringLiteral("\\\"x").repeated(repeats);
            // Comments closed only past the addresses after them: each "(" is a character of its item.
            const QString farComments = QStringLiteral("a@b.c (x,").repeated(repeats / 3) + QStringLiteral(")").repeated(repeats / 3);
            const QString quotedBody = QStringLiteral("\"\\ x").repeated(repeats);
            Email email;
            email.to = QStringLiteral("ann@example.com");
            email.body = quotedBody;
            QVector<double> addressMs, addressFloorMs, commentsMs, commentsFloorMs, scriptMs, scriptFloorMs;
            QElapsedTimer timer;
            for (int round = 0; round < TIME_ROUNDS; ++round) {
                timer.start();
                QVERIFY(!MailText::addressField(QStringLiteral("To"), openQuotes).isEmpty());
                addressMs << timer.nsecsElapsed() / 1e6;

                timer.start();
                QVERIFY(!openQuotes.toUtf8().toBase64().isEmpty());
                addressFloorMs << timer.nsecsElapsed() / 1e6;

                timer.start();
                QVERIFY(!MailText::addressField(QStringLiteral("To"), farComments).isEmpty());
                commentsMs << timer.nsecsElapsed() / 1e6;

                timer.start();
                QVERIFY(!farComments.toUtf8().toBase64().isEmpty());
                commentsFloorMs << timer.nsecsElapsed() / 1e6;

                timer.start();
                QVERIFY(MacToolKit::toBash(email.toMailAppAppleScript()).size() > quotedBody.size());
                scriptMs << timer.nsecsElapsed() / 1e6;

                timer.start();
                QVERIFY(escapedByHand(escapedByHand(quotedBody)).size() > quotedBody.size());
                scriptFloorMs << timer.nsecsElapsed() / 1e6;
            }
            qInfo("%8d characters: address list of open quotes %.1f ms (%.1f ns a character), floor (UTF-8 and Base64) "
                  "%.1f ms: ratio %.2f; Mail script of quotes %.1f ms (%.1f ns a character), floor (two escapes by hand) "
                  "%.1f ms: ratio %.2f",
                  openQuotes.size(), median(addressMs), median(addressMs) * 1e6 / openQuotes.size(), median(addressFloorMs),
                  median(addressMs) / median(addressFloorMs), median(scriptMs), median(scriptMs) * 1e6 / quotedBody.size(),
                  median(scriptFloorMs), median(scriptMs) / median(scriptFloorMs));
            qInfo("%8d characters: address list of comments closed past addresses %.1f ms (%.1f ns a character), floor "
                  "(UTF-8 and Base64) %.1f ms: ratio %.2f",
                  farComments.size(), median(commentsMs), median(commentsMs) * 1e6 / farComments.size(), median(commentsFloorMs),
                  median(commentsMs) / median(commentsFloorMs));
        }
    }

    // Address lists made of one shape repeated: comments, quotes and brackets that pair or not, in and around
    // addresses. Each is read in one pass: the time per character stays the same from 0.5 M to 2 M characters.
    void addressShapesAgainstFloor()
    {
        const QVector<QPair<const char*, QString>> shapes = {
            { "\"(x)\"", QStringLiteral("\"(x)\"") },
            { "a(x)(x)...@example.com", QStringLiteral("(x)") },
            { "(\")", QStringLiteral("(\")") },
            { "(a@b;", QStringLiteral("(a@b;") },
            { "a@b (x;c@d) ", QStringLiteral("a@b (x;c@d) ") },
            { "(n; a@b c) ", QStringLiteral("(n; a@b c) ") },
            { "(n; a@b) c@d;", QStringLiteral("(n; a@b) c@d;") },
            { "x<", QStringLiteral("x<") },
            { "a@[b", QStringLiteral("a@[b") },
            { "(;@) a:", QStringLiteral("(;@) a:") },
            { "\\\"(", QStringLiteral("\\\"(") },
        };
        for (const auto& shape : shapes) {
            for (const int size : { 500000, 1000000, 2000000 }) {
                QString list = shape.second.repeated(size / shape.second.size());
                if (shape.second == QStringLiteral("(x)"))
                    list = QStringLiteral("a") + list + QStringLiteral("@example.com");
                QVector<double> addressMs, floorMs;
                QElapsedTimer timer;
                for (int round = 0; round < 3; ++round) {
                    timer.start();
                    QVERIFY(!MailText::addressField(QStringLiteral("To"), list).isEmpty());
                    addressMs << timer.nsecsElapsed() / 1e6;
                    timer.start();
                    QVERIFY(!list.toUtf8().toBase64().isEmpty());
                    floorMs << timer.nsecsElapsed() / 1e6;
                }
                qInfo("%-24s %8d characters: address list %.1f ms (%.1f ns a character), floor (UTF-8 and Base64) %.1f ms: "
                      "ratio %.1f",
                      shape.first, list.size(), median(addressMs), median(addressMs) * 1e6 / list.size(), median(floorMs),
                      median(addressMs) / median(floorMs));
            }
        }
    }
};

QTEST_GUILESS_MAIN(BenchEml)

#include "bench_eml.moc"
