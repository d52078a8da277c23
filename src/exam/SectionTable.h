// The four sections of the paper as data: names, captions, sizes, offsets, limits and statements.
// One piece of code builds and serves every section from its row of this table.
#pragma once

#include "exam/ExamState.h"

#include <QSize>
#include <QString>

// How the candidate answers a question of the section.
enum class AnswerKind {
    OneOfCells,  // radio buttons: the chosen cell blue, the others not; the key is its caption
    AnyOfCells,  // check boxes: each cell follows its box; the key is the ticked captions joined
    FreeText,    // a memo saved into the candidate's row
};

struct SectionData {
    Section section;
    AnswerKind answer;
    int limit;                 // questions with a grid row and score slots
    const char16_t* button;    // section button caption (LabBt1..LabBt4)
    const char16_t* boxTitle;  // group box caption (GroupBox1..GroupBox4)
    QSize boxSize;
    int boxFontPixels;  // font of the box and its contents (0: the window's)

    // The section is counted by its last row's TestID, not by its number of rows.
    bool countsByLastTestId;

    // Answer sheet: number panel of row N is "Panel" + (panelBase + N); answer cell k of row N is
    // cellLetter + N + cellLetter + k, at x offset cellX[k-1] with caption cellCaptions[k-1].
    QSize gridSize;
    int panelBase;
    char16_t cellLetter;
    int cellCount;
    const char16_t* cellCaptions[4];
    int cellX[4];

    // Display: the question memo and, for the objective sections, the answer controls, the option
    // labels and the hidden key label.
    const char16_t* memo;
    const char16_t* choices[4];
    const char16_t* choiceCaptions[4];
    const char16_t* optionLabels[4];
    const char16_t* keyLabel;

    // "上一题", "下一题", "标识本题" (and "保  存" for the subjective section).
    const char16_t* navNames[4];
    bool navHover;            // sky blue under the mouse, white after it left
    bool nextWritesScore;     // "下一题" writes the objective score
    bool startClearsChoices;  // exam start unticks the answers (else mirrors the cells of row 1)
};

const SectionData& SectionOf(int section);

// Top of row N of the section's answer sheet.
int RowTop(const SectionData& data, int n);

// Name of number panel N and of answer cell k of row N.
QString PanelName(const SectionData& data, int n);
QString CellName(const SectionData& data, int n, int k);

// "第" + number + "题 :  " + question text.
QString QuestionCaption(const QString& number, const QString& request);
