#include "exam/SectionTable.h"

namespace {

// clang-format off
const SectionData kSpecs[kSectionCount] = {
    {kSingleChoice, AnswerKind::OneOfCells, kSingleChoiceLimit,
     u"一、单项选择题", u"一、单项选择题", {593, 345}, 0,
     u"", u"", u"", u"", true,
     {161, 129}, 0, u'p', 4, {u"A", u"B", u"C", u"D"}, {25, 50, 75, 100},
     u"mmoRequest",
     {u"RadioButton1", u"RadioButton2", u"RadioButton3", u"RadioButton4"},
     {u"A", u"B", u"C", u"D"},
     {u"LabAX1", u"LabAX2", u"LabAX3", u"LabAX4"}, u"LabDDx",
     {u"lblPre", u"lblNext", u"lblMarkTest", nullptr}, true, true, true},
    {kMultiChoice, AnswerKind::AnyOfCells, kMultiChoiceLimit,
     u"二、多项选择题", u"二、多项选择题", {585, 361}, 0,
     u"Select * from KaoShi2", u"Select * from KaoShi2 where TestID=",
     u"Select * from Kaoshi2 where TestID=", u"Select * from KaoShi2 where TestID=", false,
     {161, 105}, 150, u'b', 4, {u"A", u"B", u"C", u"D"}, {26, 51, 76, 101},
     u"mmoRequest2",
     {u"CheckBox1", u"CheckBox2", u"CheckBox3", u"CheckBox4"},
     {u"A", u"B", u"C", u"D"},
     {u"LabAX12", u"LabAX22", u"LabAX32", u"LabAX42"}, u"LabDDx2",
     {u"Labddq", u"Labddh", u"Labddb", nullptr}, false, true, true},
    {kTrueFalse, AnswerKind::OneOfCells, kTrueFalseLimit,
     u"三、判断题", u"三、判断题(20题,每题1分,共20分)", {569, 361}, 13,
     u"Select * from KaoShi3", u"Select * from KaoShi3 where TestID=",
     u"Select * from Kaoshi3 where TestID=", u"Select * from KaoShi3 where TestID=", false,
     {161, 77}, 200, u'c', 2, {u"对", u"错"}, {26, 51},
     u"mmoRequest3",
     {u"RadioButton13", u"RadioButton23"},
     {u"对", u"错"},
     {}, u"LabDDx3",
     {u"Labddq3", u"Labddh3", u"Labddb3", nullptr}, false, true, false},
    {kSubjective, AnswerKind::FreeText, kSubjectiveLimit,
     u"四、主观题", u"四、客观题", {601, 417}, 13,
     u"Select * from KaoShi4", u"Select * from KaoShi4 where TestID=",
     u"Select * from Kaoshi4 where TestID=", u"Select * from KaoShi4 where TestID=", false,
     {161, 101}, 250, u'\0', 0, {}, {},
     u"MemoRQ", {}, {}, {}, nullptr,
     {u"Labee1", u"Labee2", u"Labee3", u"Labee4"}, false, false, false},
};
// clang-format on

// The subjective rows do not sit exactly 25 pixels apart.
constexpr int kSubjectiveTops[kSubjectiveLimit] = {0, 25, 48, 72, 96, 121, 146, 171, 196, 221};

}  // namespace

const SectionData& SectionOf(int section) {
    return kSpecs[section];
}

int RowTop(const SectionData& data, int n) {
    if (data.section == kSubjective) return kSubjectiveTops[n - 1];
    return 25 * (n - 1);
}

QString PanelName(const SectionData& data, int n) {
    return QStringLiteral("Panel%1").arg(data.panelBase + n);
}

QString CellName(const SectionData& data, int n, int k) {
    const QChar letter(data.cellLetter);
    return QStringLiteral("%1%2%1%3").arg(letter).arg(n).arg(k);
}

QString QuestionCaption(const QString& number, const QString& request) {
    return QStringLiteral("第") + number + QStringLiteral("题 :  ") + request;
}
