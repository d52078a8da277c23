// "打印预览" and "导出PDF" of the printed results: the class list, a candidate's result sheet and
// the analysis report. The documents come from src/printing; this adds the preview dialog (its
// printer painted by the same layout as the PDF) and the save dialog.
#pragma once

#include "printing/PrintDocument.h"
#include "ui_common/Prompts.h"

class QWidget;

enum class PrintOutput { Preview, Pdf };

// The filter of the PDF save dialog.
inline const QString kPdfFilter = QStringLiteral("PDF文档(*.pdf)");

// Puts the school's name in the header, then shows the preview (printing from there) or asks for
// a file name and writes the PDF; a failed write is an error box naming the file.
void OutputDocument(const WindowPrompts& prompts, QWidget* owner, PrintDocument document,
                    PrintOutput output);

// The class list, and the result sheet of the candidate with `studentNo` (a message when there
// is none), read now.
void PrintClassList(const WindowPrompts& prompts, QWidget* owner, PrintOutput output);
void PrintResultSheet(const WindowPrompts& prompts, QWidget* owner, const QString& studentNo,
                      PrintOutput output);
