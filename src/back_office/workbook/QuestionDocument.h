// Questions of the four banks read from a Word document laid out the way teachers write papers:
// section headings choose the bank, numbered questions, options A–D, an "答案：" line and an
// optional "分值：" line. Plain data for the import's preview and store; no Widgets here.
#pragma once

#include "back_office/workbook/WordDocument.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

enum class QuestionBank { kSingle, kMultiple, kTrueFalse, kSubjective };

// Text with pictures: the n-th kPictureMark in text is pictures[n], an index into
// QuestionDocument::pictures.
struct RichText {
    QString text;
    QList<int> pictures;
    bool operator==(const RichText&) const = default;
};

struct ParsedQuestion {
    QuestionBank bank = QuestionBank::kSingle;
    QString number;                   // as written: "3"
    RichText stem;                    // lines joined by "\n"
    std::array<RichText, 4> options;  // A–D; empty for true/false and subjective questions
    // "A", "AC", "对" or "错" (empty when the document gives none a bank takes); the reference
    // answer of a subjective question.
    RichText key;
    std::optional<double>
        points;  // from "分值：", "（2分）" after the stem or the heading's "每题2分"
    QStringList attention;  // what keeps the question from being taken as it stands
    QList<int> paragraphs;  // the paragraphs it was read from
};

// A line of the document that belongs to no question, as it stands.
struct UnplacedLine {
    int paragraph = 0;
    QString text;
};

struct QuestionDocument {
    QList<ParsedQuestion> questions;
    QList<UnplacedLine> unplaced;
    QList<DocumentPicture> pictures;
};

// The questions of a document read by ReadWordDocument. Questions before any section heading go to
// defaultBank. Never fails: what does not fit is listed (unplaced lines, attention notes).
QuestionDocument ParseQuestions(const WordDocument& document, QuestionBank defaultBank);

// Reads and parses the document; raises WorkbookError as ReadWordDocument does, and for a document
// with no question in it.
QuestionDocument ReadQuestionDocument(const QString& path, QuestionBank defaultBank);
