// Writing a large EML file: one 20 MB binary attachment handed over as
// Base64 text and a 1 MB HTML body. Reports the time and the peak memory
// of the process; the peak should stay under 8 times the Base64 text.

#include "mail/AttatchmentManager.h"
#include "mail/Email.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

namespace {

qint64 peakRssBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

double megabytes(qint64 bytes)
{
    return double(bytes) / (1024.0 * 1024.0);
}

} // namespace

class BenchEml : public QObject
{
    Q_OBJECT

private:
    // The message of the benchmark; the Base64 text's size goes to base64Size.
    static void fillMessage(Email& email, qint64& base64Size)
    {
        const int attachmentBytes = 20 * 1024 * 1024;
        const int htmlChars = 1024 * 1024;

        // The page's Base64 text, built a block at a time so that making the
        // input does not itself set the peak.
        QString base64;
        base64.reserve((attachmentBytes + 2) / 3 * 4);
        quint32 x = 2463534242u;
        QByteArray block(57 * 1024, Qt::Uninitialized);
        for (int done = 0; done < attachmentBytes; done += block.size()) {
            const int n = qMin(block.size(), attachmentBytes - done);
            for (int i = 0; i < n; ++i) {
                x ^= x << 13;
                x ^= x >> 17;
                x ^= x << 5;
                block[i] = char(x);
            }
            base64 += QString::fromLatin1(block.left(n).toBase64());
        }
        QString html;
        html.reserve(htmlChars + 256);
        html += QStringLiteral("<html><body>");
        while (html.size() < htmlChars) {
            html += QStringLiteral("<p class=\"row\">Row text with = signs, \u00fcml\u00e4uts and a long tail of words "
                                   "that goes on and on past the seventy-six column limit.</p>\n");
        }
        html += QStringLiteral("</body></html>");

        email.to = QStringLiteral("ann@x.org");
        email.subject = QStringLiteral("Large message");
        email.body = html;
        email.isHtml = true;
        base64Size = base64.size();
        email.addAttachment(QStringLiteral("data.bin"), base64, true);
    }

private slots:
    // Runs first, once, so that the peak belongs to one write.
    void peakMemory()
    {
        QTemporaryDir dir;
        Email email;
        email.tempDir = dir.path();
        qint64 base64Size = 0;
        fillMessage(email, base64Size);

        const qint64 peakBefore = peakRssBytes();
        AttatchmentManager manager;
        QElapsedTimer timer;
        timer.start();
        const QString path = manager.createEmlFile(&email);
        const qint64 elapsed = timer.elapsed();
        const qint64 peakAfter = peakRssBytes();
        QVERIFY(!path.isNull());

        qInfo("EML file: %.1f MB written in %lld ms", megabytes(QFileInfo(path).size()), elapsed);
        qInfo("Base64 text of the attachment: %.1f MB (%lld characters)", megabytes(base64Size), base64Size);
        qInfo("peak RSS before writing: %.1f MB, after: %.1f MB (%.2f x the Base64 size; limit 8 x = %.1f MB)",
              megabytes(peakBefore), megabytes(peakAfter), double(peakAfter) / double(base64Size),
              megabytes(8 * base64Size));
        QVERIFY(peakAfter < 8 * base64Size);
    }

    void writeTime()
    {
        QTemporaryDir dir;
        Email email;
        email.tempDir = dir.path();
        qint64 base64Size = 0;
        fillMessage(email, base64Size);
        AttatchmentManager manager;
        QBENCHMARK {
            QVERIFY(!manager.createEmlFile(&email).isNull());
        }
    }
};

QTEST_GUILESS_MAIN(BenchEml)

#include "bench_eml.moc"
