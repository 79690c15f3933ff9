// Writing a large EML file: one 20 MB binary attachment handed over as
// Base64 text and a 1 MB HTML body. Reports the time and the peak memory of
// the process; the peak should stay under 8 times the Base64 text.

#include "mail/AttatchmentManager.h"
#include "mail/Email.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

#include <sys/resource.h>

namespace {

double peakRssMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// The Base64 text is built a block at a time, so that making the input does
// not itself set the peak.
void fillMessage(Email& email, const QString& dir)
{
    const int bytes = 20 * 1024 * 1024;
    QString base64;
    base64.reserve((bytes + 2) / 3 * 4);
    QByteArray block(57 * 1024, Qt::Uninitialized);
    QRandomGenerator random(1);
    for (int left = bytes; left > 0; left -= block.size()) {
        random.fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
        base64 += QString::fromLatin1(block.left(qMin(left, block.size())).toBase64());
    }
    QString html = QStringLiteral("<html><body>");
    while (html.size() < 1024 * 1024) {
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
    // Runs first: Qt Test calls a benchmarking function more than once, and
    // the process's peak must belong to one write.
    void peakMemory()
    {
        QTemporaryDir dir;
        Email email;
        fillMessage(email, dir.path());
        const double base64Mb = email.attachmentData.first().size() / (1024.0 * 1024.0);
        const double before = peakRssMegabytes();
        AttatchmentManager manager;
        QElapsedTimer timer;
        timer.start();
        const QString path = manager.createEmlFile(&email);
        const qint64 elapsed = timer.elapsed();
        const double after = peakRssMegabytes();
        QVERIFY(!path.isNull());
        qInfo("EML file: %.1f MB written in %lld ms; Base64 text %.1f MB", QFileInfo(path).size() / (1024.0 * 1024.0),
              elapsed, base64Mb);
        qInfo("peak RSS before: %.1f MB, after: %.1f MB (%.2f x the Base64 size; limit 8 x)", before, after,
              after / base64Mb);
        QVERIFY(after < 8 * base64Mb);
    }

    void writeTime()
    {
        QTemporaryDir dir;
        Email email;
        fillMessage(email, dir.path());
        AttatchmentManager manager;
        QBENCHMARK {
            QVERIFY(!manager.createEmlFile(&email).isNull());
        }
    }
};

QTEST_GUILESS_MAIN(BenchEml)

#include "bench_eml.moc"
