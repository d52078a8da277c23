// A printed document: blocks (headings, paragraphs, tables, pictures) laid out down A4 pages,
// with the same furniture on every page: the school's name and the document's title above, the
// date and the page number below. One layout serves every paged device, so the print preview
// shows exactly the pages the PDF holds.
#pragma once

#include <QDate>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

class QPagedPaintDevice;

struct PrintTable {
    QStringList captions;
    std::vector<double> widths;  // shares of the text width; empty: each column's widest text
    std::vector<bool> numeric;   // right-aligned columns; missing entries are left-aligned
    QList<QStringList> rows;
    std::vector<bool> flagged;  // rows printed in red; missing entries are not
};

struct PrintBlock {
    enum class Kind { Heading, Text, Table, Picture };
    Kind kind = Kind::Text;
    QString text;
    PrintTable table;
    QImage picture;  // drawn across the text width, keeping its proportions
};

struct PrintDocument {
    QString title;   // in every page's header and the PDF's title
    QString school;  // left in every page's header; empty: none
    QDate date = QDate::currentDate();
    std::vector<PrintBlock> blocks;

    void AddHeading(const QString& text);
    void AddText(const QString& text);
    PrintTable& AddTable(const QStringList& captions, std::vector<double> widths);
    void AddPicture(const QImage& picture);
};

// The font documents are printed in: the program's CJK family, embedded in the PDF.
QString PrintFamily();

// Lays the document out on the device's pages (A4 set on it) and returns their count; with
// `paint` false nothing is drawn (the layout alone).
int PaintDocument(const PrintDocument& document, QPagedPaintDevice& device, bool paint = true);

// Writes the document to a PDF file; the file appears complete or not at all. A failure throws
// PrintError with a message naming the file.
void WritePdf(const PrintDocument& document, const QString& path);

struct PrintError {
    QString message;
};
