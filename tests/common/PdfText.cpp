#include "tests/common/PdfText.h"

#include <QProcess>
#include <QRegularExpression>

namespace skedra::test
{

QStringList PdfPage::Texts() const
{
    QStringList texts;
    for (const PdfWord& w : Words)
        texts << w.Text;
    return texts;
}

const PdfWord* PdfPage::Find(const QString& aText) const
{
    for (const PdfWord& w : Words)
        if (w.Text == aText) return &w;
    return nullptr;
}

std::vector<PdfPage> ReadPdf(const QString& aFile, QString* anError)
{
    std::vector<PdfPage> pages;
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), aFile, QStringLiteral("-")});
    if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        if (anError)
            *anError =
                QStringLiteral("pdftotext failed on %1: %2 %3")
                    .arg(aFile, tool.errorString(), QString::fromLocal8Bit(tool.readAllStandardError()));
        return pages;
    }
    const QString html = QString::fromUtf8(tool.readAllStandardOutput());
    static const QRegularExpression tag(QStringLiteral(
        R"re(<page width="([\d.]+)" height="([\d.]+)">|<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (!m.captured(1).isEmpty()) {
            pages.push_back(PdfPage{m.captured(1).toDouble(), m.captured(2).toDouble(), {}});
        } else if (!pages.empty()) {
            QString text = m.captured(7);
            text.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
                .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
                .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
                .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
            pages.back().Words.push_back(PdfWord{text, m.captured(3).toDouble(), m.captured(4).toDouble(),
                                                 m.captured(5).toDouble(), m.captured(6).toDouble()});
        }
    }
    if (pages.empty() && anError) *anError = QStringLiteral("pdftotext found no pages in %1").arg(aFile);
    return pages;
}

} // namespace skedra::test
