// Word documents (.docx) as paragraphs of plain text with their pictures, for the question
// imports. Read with the same zip package and XML parser as the workbooks; no Widgets here.
#pragma once

#include "back_office/workbook/Workbook.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Stands in a paragraph's text where a picture is; the n-th one is the paragraph's n-th picture.
inline constexpr QChar kPictureMark = QChar(0xFFFC);

// A picture of the document, kept once however often the document shows it.
struct DocumentPicture {
    QString name;        // its file name inside the document ("image3.png"), for messages
    QByteArray bytes;    // empty when the picture is too large to keep (size says how large)
    qint64 size = 0;     // bytes
    QString format;      // "png", "jpeg", "gif", "bmp" by the bytes; otherwise the name's suffix
    QByteArray sha256;   // of the bytes, in hexadecimal
    bool Shown() const;  // a format the program shows, kept whole
};

struct DocumentParagraph {
    int number = 0;  // 1, 2, … in document order, table cells' paragraphs included
    QString text;    // runs joined; tabs as "\t", line breaks as "\n", pictures as kPictureMark
    QList<int> pictures;    // indexes into WordDocument::pictures, in the order of the marks
    bool equation = false;  // holds an equation the document stores no picture for
    bool inTable = false;
};

struct WordDocument {
    QList<DocumentParagraph> paragraphs;
    QList<DocumentPicture> pictures;
};

// A picture larger than this is not kept (the question that shows it needs attention).
inline constexpr qint64 kMaxPictureBytes = 5 * 1024 * 1024;

// Reads the main text of a .docx (or .docm, .dotx: the same package) told apart by its bytes: body
// paragraphs and the paragraphs of table cells in order (rows, then cells), with the list numbers
// Word shows before numbered paragraphs. Pictures (inline and floating drawings, VML images) are
// read in order; an equation comes as the picture the document keeps beside it (an alternate
// picture, an embedded equation's preview), else as its plain text, flagged. Text boxes,
// headers, footers, notes and comments are not read.
//
// Raises WorkbookError for a missing, unreadable or damaged file, a legacy .doc ("请在 Word 或 WPS
// 中另存为 .docx"), a document saved with a password, a file that is no Word document, and a file
// or its pictures together larger than 256 MB.
WordDocument ReadWordDocument(const QString& path);
// The same on bytes already read (path names the file in messages).
WordDocument ReadWordDocument(const QString& path, const QByteArray& bytes);
