// The three printed results, each built from plain data into a PrintDocument: a candidate's
// result sheet (成绩单), the class list (成绩表) and the analysis report (成绩分析). Texts come in
// as the database and the analysis give them; nothing here reads the database.
#pragma once

#include "printing/PrintDocument.h"

#include <optional>
#include <vector>

// A question of a candidate's paper with what the candidate did on it.
struct SheetQuestion {
    int section = 1;               // 1 single-choice, 2 multiple-choice, 3 true/false, 4 subjective
    int number = 1;                // its number in its bank
    QString text;                  // the question and, for choices, its options
    QString answer;                // the candidate's answer ("A", "AC", "对", a text); empty: none
    QString key;                   // the key scored against (empty for subjective questions)
    std::optional<double> points;  // what it was worth; none for subjective questions
    double earned = 0;
};

struct ResultSheetData {
    QString studentNo;
    QString name;
    QString exam;   // the exam (sitting) the answers belong to; empty: no attempt recorded
    QString state;  // of the attempt, as the class list shows it
    QString objective, subjective, total;  // the scores as stored; subjective is the grade given
    std::vector<SheetQuestion> questions;  // by section, then number
};

struct ClassListRow {
    QString studentNo;
    QString name;
    QString objective, subjective, total;  // as stored
    QString state;
};

struct ClassListData {
    QString exam;  // named in the heading when known
    std::vector<ClassListRow> rows;
};

struct AnalysisReportData {
    QString exam;
    QString notes;                           // the plain lines the analysis shows above its figures
    QList<QPair<QString, QString>> summary;  // caption, figure as shown
    QImage chart;
    QStringList captions;  // of the question table
    QList<QStringList> rows;
    std::vector<bool> numeric;  // columns of figures, right-aligned
    std::vector<bool> flagged;  // questions to be looked at again
};

// The score a candidate is ranked by: the total once graded, else the objective score; none for a
// candidate without one (not ranked).
std::optional<double> RankedScore(const ClassListRow& row);
// Ranks by descending score, 1 for the best; equal scores share a rank and the next rank counts
// them all (1, 1, 3); 0 for no score.
std::vector<int> Ranks(const std::vector<std::optional<double>>& scores);

PrintDocument ResultSheetDocument(const ResultSheetData& data);
PrintDocument ClassListDocument(const ClassListData& data);
PrintDocument AnalysisReportDocument(const AnalysisReportData& data);
