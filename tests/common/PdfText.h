#pragma once
// Reads back what a PDF shows: its pages and the words on each, with their
// places, through Debian's pdftotext (poppler-utils, installed by
// tools/setup.sh). Coordinates are in points from the page's top-left corner.
#include <QString>
#include <QStringList>
#include <vector>

namespace skedra::test
{

struct PdfWord {
    QString Text;
    double Left = 0, Top = 0, Right = 0, Bottom = 0;
};

struct PdfPage {
    double Width = 0, Height = 0;
    std::vector<PdfWord> Words;
    QStringList Texts() const;
    // The first word with this text, or none.
    const PdfWord* Find(const QString& aText) const;
};

// The pages of the file; an error text instead when the tool is missing or fails.
std::vector<PdfPage> ReadPdf(const QString& aFile, QString* anError = nullptr);

} // namespace skedra::test
