#include "exam/SectionTable.h"

namespace {

const SectionData kSpecs[kSectionCount] = {
    {
        .section = kSingleChoice,
        .answer = AnswerKind::OneOfCells,
        .limit = kSingleChoiceLimit,
        .button = u"一、单项选择题",
        .boxTitle = u"一、单项选择题",
        .boxSize = {593, 345},
        .boxFontPixels = 0,
        // The statements name SingleTableName, spliced in by the section.
        .countsByLastTestId = true,
        .gridSize = {161, 129},
        .panelBase = 0,
        .cellLetter = u'p',
        .cellCount = 4,
        .cellCaptions = {u"A", u"B", u"C", u"D"},
        .cellX = {25, 50, 75, 100},
        .memo = u"mmoRequest",
        .choices = {u"RadioButton1", u"RadioButton2", u"RadioButton3", u"RadioButton4"},
        .choiceCaptions = {u"A", u"B", u"C", u"D"},
        .optionLabels = {u"LabAX1", u"LabAX2", u"LabAX3", u"LabAX4"},
        .keyLabel = u"LabDDx",
        .navNames = {u"lblPre", u"lblNext", u"lblMarkTest", nullptr},
        .navHover = true,
        .nextWritesScore = true,
        .startClearsChoices = true,
    },
    {
        .section = kMultiChoice,
        .answer = AnswerKind::AnyOfCells,
        .limit = kMultiChoiceLimit,
        .button = u"二、多项选择题",
        .boxTitle = u"二、多项选择题",
        .boxSize = {585, 361},
        .boxFontPixels = 0,
        .countsByLastTestId = false,
        .gridSize = {161, 105},
        .panelBase = 150,
        .cellLetter = u'b',
        .cellCount = 4,
        .cellCaptions = {u"A", u"B", u"C", u"D"},
        .cellX = {26, 51, 76, 101},
        .memo = u"mmoRequest2",
        .choices = {u"CheckBox1", u"CheckBox2", u"CheckBox3", u"CheckBox4"},
        .choiceCaptions = {u"A", u"B", u"C", u"D"},
        .optionLabels = {u"LabAX12", u"LabAX22", u"LabAX32", u"LabAX42"},
        .keyLabel = u"LabDDx2",
        .navNames = {u"Labddq", u"Labddh", u"Labddb", nullptr},
        .navHover = false,
        .nextWritesScore = true,
        .startClearsChoices = true,
    },
    {
        .section = kTrueFalse,
        .answer = AnswerKind::OneOfCells,
        .limit = kTrueFalseLimit,
        .button = u"三、判断题",
        .boxTitle = u"三、判断题(20题,每题1分,共20分)",
        .boxSize = {569, 361},
        .boxFontPixels = 13,
        .countsByLastTestId = false,
        .gridSize = {161, 77},
        .panelBase = 200,
        .cellLetter = u'c',
        .cellCount = 2,
        .cellCaptions = {u"对", u"错"},
        .cellX = {26, 51},
        .memo = u"mmoRequest3",
        .choices = {u"RadioButton13", u"RadioButton23"},
        .choiceCaptions = {u"对", u"错"},
        .optionLabels = {},  // the two captions say it all
        .keyLabel = u"LabDDx3",
        .navNames = {u"Labddq3", u"Labddh3", u"Labddb3", nullptr},
        .navHover = false,
        .nextWritesScore = true,
        .startClearsChoices = false,
    },
    {
        .section = kSubjective,
        .answer = AnswerKind::FreeText,
        .limit = kSubjectiveLimit,
        .button = u"四、主观题",
        .boxTitle = u"四、客观题",
        .boxSize = {601, 417},
        .boxFontPixels = 13,
        .countsByLastTestId = false,
        .gridSize = {161, 101},
        .panelBase = 250,
        // No answer cells and no answer controls: the answer is a memo.
        .cellLetter = u'\0',
        .cellCount = 0,
        .cellCaptions = {},
        .cellX = {},
        .memo = u"MemoRQ",
        .choices = {},
        .choiceCaptions = {},
        .optionLabels = {},
        .keyLabel = nullptr,
        .navNames = {u"Labee1", u"Labee2", u"Labee3", u"Labee4"},
        .navHover = false,
        .nextWritesScore = false,
        .startClearsChoices = false,
    },
};

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
