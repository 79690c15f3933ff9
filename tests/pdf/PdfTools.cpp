#include "PdfTools.h"

#include <QDir>
#include <QFile>
#include <QProcess>

bool PdfTools::isValid() const
{
    return m_dir.isValid();
}

QString PdfTools::store(const QByteArray& pdf)
{
    const QString path = m_dir.filePath(QStringLiteral("doc%1.pdf").arg(++m_count));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size())
        return QString();
    return path;
}

ToolResult PdfTools::run(const QString& program, const QStringList& arguments)
{
    ToolResult result;
    QProcess process;
    process.start(program, arguments);
    result.started = process.waitForStarted(30000);
    if (!result.started)
        return result;
    process.waitForFinished(120000);
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = process.readAllStandardOutput();
    result.errors = process.readAllStandardError();
    return result;
}

QList<QStringList> PdfTools::pageRows(const QByteArray& pdf)
{
    const ToolResult text = run(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), store(pdf), QStringLiteral("-")});
    QList<QStringList> pages;
    QStringList parts = QString::fromUtf8(text.output).split(QLatin1Char('\f'));
    parts.removeLast();  // pdftotext ends every page with a form feed
    for (const QString& part : parts)
        pages.append(part.split(QLatin1Char('\n'), Qt::SkipEmptyParts));
    return pages;
}

QString PdfTools::info(const QByteArray& pdf)
{
    return QString::fromUtf8(run(QStringLiteral("pdfinfo"), {store(pdf)}).output);
}

QJsonDocument PdfTools::json(const QByteArray& pdf)
{
    return QJsonDocument::fromJson(run(QStringLiteral("qpdf"), {QStringLiteral("--json"), store(pdf)}).output);
}
