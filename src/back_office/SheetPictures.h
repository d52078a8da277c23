// Pictures in the spreadsheet exchange of the banks. A cell's text is written with "[图片1]",
// "[图片2]" … where its pictures stand, and the pictures are placed in that cell in the same
// order; the import puts the n-th picture of a cell back where "[图片n]" stands (pictures with no
// place written go to the end). A text without pictures is exchanged exactly as before.
#pragma once

#include "back_office/ExchangeRules.h"
#include "back_office/workbook/Workbook.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// The place of a cell's n-th picture (from 1) in the text the export writes.
QString PicturePlace(int n);

struct ExportedCell {
    QString text;
    QList<QByteArray> pictures;
};

// The text of a cell as the export writes it, and the pictures to place in the cell. A marker
// whose picture `picture` cannot give (not in the database) stays in the text as it is.
ExportedCell ExportedText(
    const QString& text,
    const std::function<std::optional<QByteArray>(const QString& hash)>& picture);

// The text a cell with pictures imports as: "[图片n]" replaced by the marker of the cell's n-th
// picture, the pictures without such a place appended in order. No pictures: the text as it is.
QString ImportedText(const QString& text, const QList<QByteArray>& pictures);

// Puts the pictures read from a bank's sheet into the rows read from it (sheet row r is rows[r -
// 1], as RowsOfSheet gives them): each into the text of its cell, for the rows and columns the save
// stores (the number's column and rows the save leaves out take none). Gives the pictures to
// store, each once. Raises RowError naming the cell of a picture that cannot be a question's.
QList<QByteArray> PlaceSheetPictures(const ExchangeRule& rule, const CellPictures& pictures,
                                     ListRows* rows, const QString& source);
