#include "shell/HelpWindow.h"

#include "shell/ShopLink.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Platform.h"
#include "ui_common/Widgets.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>

namespace {

constexpr int kWidth = 882;
constexpr int kHeight = 555;

QString RegularScriptFamily() {
    const QString family = QString::fromLatin1(kRegularScriptFamily);
    return QFontDatabase::hasFamily(family) ? family : QString();
}

// The help text, section by section.
QString HelpText() {
    return QStringLiteral(
               "    为节约教学成本，值我校创建国家级示范性职业学校之际，特编写本软件，"
               "作为教师组织考试的工具。\n"
               "\n"
               "一、软件的用途\n"
               "    本系统是一个考试模板，题目由教师自行命制，适用于各学科的标准化考试。"
               "考试前，教师先从电子表格文件中导入学生的学号、姓名和考试题目，"
               "学生即可登录参加考试。\n"
               "\n"
               "二、考试题型\n"
               "    考试题型有单项选择题、多项选择题、判断题和简答题四种。"
               "单项选择题、多项选择题和判断题由计算机自动评分；若试卷中有简答题，"
               "考试结束后须由教师在后台管理的“教师阅卷”中评分。"
               "为免去手工阅卷之劳，建议教师尽量不出简答题。\n"
               "\n"
               "三、软件性质\n"
               "    本软件为免费的绿色教学软件，无须安装，是作者出于业余爱好，"
               "为本校教师编写的。\n"
               "\n"
               "四、软件类别\n"
               "    教学软件。\n"
               "\n"
               "五、初始登录\n"
               "    登录方式:\n"
               "    1. 考试登录：学号 110101，姓名 张三。\n"
               "    2. 后台管理登录：管理员 admin，密码 123456。\n"
               "\n"
               "    使用中如有意见和建议，欢迎来电交流，联系电话：0000-0000000。\n"
               "    ") +
           kShopCaption +
           QStringLiteral(
               "\n"
               "\n"
               "                                        澄溪职业学校  信息技术教研组  林溪远\n"
               "                                        二〇二四年九月一日\n");
}

}  // namespace

HelpWindow::HelpWindow(Platform& platform, QWidget* parent)
    : FormDialog(parent), platform_(platform) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("软件帮助"));
    setFixedSize(kWidth, kHeight);
}

void HelpWindow::setVisible(bool visible) {
    if (visible) EnsureBuilt();
    FormDialog::setVisible(visible);
}

void HelpWindow::BuildContent() {
    const QString family = RegularScriptFamily();

    QLabel* label1 = MakeLabel(this, QStringLiteral("Label1"), QStringLiteral("澄溪标准化考试系统"),
                               0, 30, kWidth, 40);
    label1->setFont(PixelFont(27, false, family));
    label1->setAlignment(Qt::AlignCenter);

    ColorLabel* label2 = MakeShopLink(this, QStringLiteral("Label2"));
    guardedConnect(label2, &ColorLabel::clicked, this, [this] { Label2Click(); });

    // Not read-only: a user may type here, but nothing is kept.
    auto* memo1 = new QPlainTextEdit(this);
    memo1->setObjectName(QStringLiteral("Memo1"));
    memo1->setAccessibleName(QStringLiteral("软件帮助"));
    memo1->setFont(PixelFont(19, false, family));
    memo1->setGeometry((kWidth - 785) / 2, 90, 785, 425);
    memo1->setPlainText(HelpText());
}

void HelpWindow::Label2Click() {
    platform_.OpenUrl(kShopAddress);
}
