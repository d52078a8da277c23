// "考生信息管理": candidates and their results.
#pragma once

#include "back_office/OfficeTab.h"

#include "ui_common/Prompts.h"
class QLineEdit;
class QPushButton;
class ReportList;
class ResultTable;

class CandidatesTab : public OfficeTab {
    Q_OBJECT
  public:
    CandidatesTab(Prompts& prompts, QWidget* parent);
    void Refresh() override { Button4Click(); }

    // "刷新": renumber the candidates 1..n and list them with their results.
    void Button4Click();
    // "添加": add a candidate.
    void Button7Click();
    // "删除": delete the candidates of a student number.
    void Button8Click();
    // "查询": list the candidates whose name contains the typed text.
    void Button3Click();
    // A click in the list: the selected student number goes into the delete box.
    void ListView3Click();
    // "打印预览" / "导出PDF" of the class list, and of the selected candidate's result sheet.
    void PrintClassListClick(bool preview);
    void PrintResultSheetClick(bool preview);

  private:
    // One list row per result row: 序号, 学号, 姓名 and the three scores.
    void AddCandidateRow(const ResultTable& row);

    WindowPrompts prompts_;
    ReportList* listView3_ = nullptr;
    QLineEdit* edit1_ = nullptr;  // query: name or part of it
    QLineEdit* edit5_ = nullptr;  // add: student number
    QLineEdit* edit6_ = nullptr;  // add: name
    QLineEdit* edit7_ = nullptr;  // delete: student number
    // The spreadsheet exchange: "导出", "导入" and the hidden "保存".
    QPushButton* butk1_ = nullptr;
    QPushButton* butk2_ = nullptr;
    QPushButton* butk3_ = nullptr;
};
