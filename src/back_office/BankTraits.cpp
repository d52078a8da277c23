#include "back_office/BankTraits.h"

#include "data_store/Schema.h"

namespace {

QStringList BoxNames(const QString& prefix, int count) {
    QStringList names;
    for (int k = 1; k <= count; ++k)
        names << prefix + QString::number(k);
    return names;
}

// The eight columns of the single-choice and multiple-choice banks.
QList<BankColumn> ChoiceColumns() {
    return {
        {QStringLiteral("TestID"), QStringLiteral("题号"), QStringLiteral("题号不能为空。"), 50},
        {QStringLiteral("Request"), QStringLiteral("题目"), QStringLiteral("题目不能为空。"), 270},
        {QStringLiteral("Axx"), QStringLiteral("A答案"), QStringLiteral("A答案不能为空。"), 95},
        {QStringLiteral("Bxx"), QStringLiteral("B答案"), QStringLiteral("B答案不能为空。"), 95},
        {QStringLiteral("Cxx"), QStringLiteral("C答案"), QStringLiteral("C答案不能为空。"), 95},
        {QStringLiteral("Dxx"), QStringLiteral("D答案"), QStringLiteral("D答案不能为空。"), 95},
        {QStringLiteral("DDx"), QStringLiteral("标准答案"), QStringLiteral("标准答案不能为空。"),
         70},
        {QStringLiteral("Score"), QStringLiteral("分数"), QStringLiteral("分数不能为空。"), 50},
    };
}

BankTraits SingleChoice() {
    BankTraits s;
    s.bank = Bank::SingleChoice;
    s.tabName = QStringLiteral("TabSheet4");
    s.table = QStringLiteral("Test");
    s.listName = QStringLiteral("ListView5");
    s.boxNames = BoxNames(QStringLiteral("Edz"), 8);
    s.columns = ChoiceColumns();
    s.refresh = {QStringLiteral("Butz1"), QStringLiteral("刷新"), false};
    s.change = {QStringLiteral("Butz2"), QStringLiteral("更改")};
    s.clear = {QStringLiteral("Butz3"), QStringLiteral("清空")};
    s.exportSheet = {QStringLiteral("Butz4"), QStringLiteral("导出")};
    s.importSheet = {QStringLiteral("Butz5"), QStringLiteral("导入")};
    s.saveSheet = {QStringLiteral("Butz6"), QStringLiteral("保存"), false};
    s.selectSql = QStringLiteral("Select * from Test");
    s.updateSql = QStringLiteral(
        "Update Test Set Request=?,Axx=?, Bxx=?,Cxx=?,Dxx=?,DDx=?,Score=?  where TestID=?");
    s.fixedRows = kSingleChoiceLimit;
    s.notFound = QStringLiteral("此题不存在,题号为1---50号。");
    s.pointsBox = 7;
    return s;
}

BankTraits MultiChoice() {
    BankTraits s;
    s.bank = Bank::MultiChoice;
    s.tabName = QStringLiteral("TabSheet3");
    s.table = QStringLiteral("KaoShi2");
    s.listName = QStringLiteral("ListView4");
    s.boxNames = BoxNames(QStringLiteral("Edx"), 8);
    s.columns = ChoiceColumns();
    s.refresh = {QStringLiteral("Button14"), QStringLiteral("刷新"), false};
    s.change = {QStringLiteral("Button11"), QStringLiteral("更改考题")};
    s.add = {QStringLiteral("Button12"), QStringLiteral("添加考题")};
    s.remove = {QStringLiteral("Button15"), QStringLiteral("删除考题")};
    s.clear = {QStringLiteral("Button13"), QStringLiteral("清空")};
    s.exportSheet = {QStringLiteral("Button16"), QStringLiteral("导出考题")};
    s.importSheet = {QStringLiteral("Button17"), QStringLiteral("导入考题")};
    s.saveSheet = {QStringLiteral("Button18"), QStringLiteral("保存"), false};
    s.selectSql = QStringLiteral("Select * from KaoShi2");
    s.updateSql = QStringLiteral(
        "Update KaoShi2 Set Request=?,Axx=?, Bxx=?,Cxx=?,Dxx=?,DDx=?,Score=?  where TestID=?");
    s.insertSql = QStringLiteral(
        "INSERT INTO KaoShi2 (TestID,Request,Axx,Bxx,Cxx,Dxx,DDx,Score) values "
        "(?,?,?,?,?,?,?,?)");
    s.deleteSql = QStringLiteral("Delete  from KaoShi2 where TestID=?");
    s.notFound = QStringLiteral("此题不存在,题号为1---20号。");
    s.addLimit = kMultiChoiceLimit;
    s.addRangeMessage = QStringLiteral("题号只能为1--20。");
    s.addReportsEveryEmptyBox = true;
    s.pointsBox = 7;
    return s;
}

BankTraits TrueFalse() {
    BankTraits s;
    s.bank = Bank::TrueFalse;
    s.tabName = QStringLiteral("TabSheet7");
    s.table = QStringLiteral("KaoShi3");
    s.listName = QStringLiteral("ListView2");
    s.boxNames = BoxNames(QStringLiteral("Edy"), 6);
    s.columns = {
        {QStringLiteral("TestID"), QStringLiteral("题号"), QStringLiteral("题号不能为空。"), 50},
        {QStringLiteral("Request"), QStringLiteral("题目"), QStringLiteral("题目不能为空。"), 390},
        {QStringLiteral("Axx"), QStringLiteral("正确"), QStringLiteral("正确不能为空。"), 120},
        {QStringLiteral("Bxx"), QStringLiteral("错误"), QStringLiteral("错误不能为空。"), 120},
        {QStringLiteral("DDx"), QStringLiteral("答案"), QStringLiteral("答案不能为空。"), 70},
        {QStringLiteral("Score"), QStringLiteral("分数"), QStringLiteral("分数不能为空。"), 50},
    };
    s.refresh = {QStringLiteral("Buty1"), QStringLiteral("刷新"), true};
    s.change = {QStringLiteral("Buty2"), QStringLiteral("更改考题")};
    s.add = {QStringLiteral("Buty3"), QStringLiteral("添加考题")};
    s.remove = {QStringLiteral("Buty5"), QStringLiteral("删除考题")};
    s.clear = {QStringLiteral("Buty4"), QStringLiteral("清空")};
    s.exportSheet = {QStringLiteral("Buty6"), QStringLiteral("导出考题")};
    s.importSheet = {QStringLiteral("Buty7"), QStringLiteral("导入考题")};
    s.saveSheet = {QStringLiteral("Buty8"), QStringLiteral("保存"), false};
    s.selectSql = QStringLiteral("Select * from KaoShi3");
    s.updateSql =
        QStringLiteral("Update KaoShi3 Set Request=?,Axx=?, Bxx=?,DDx=?,Score=?  where TestID=?");
    s.insertSql = QStringLiteral(
        "INSERT INTO KaoShi3 (TestID,Request,Axx,Bxx,DDx,Score) values (?,?,?,?,?,?)");
    s.deleteSql = QStringLiteral("Delete  from KaoShi3 where TestID=?");
    s.notFound = QStringLiteral("此题不存在,题号为1---20号。");
    s.addLimit = kTrueFalseLimit;
    s.addRangeMessage = QStringLiteral("题号只能为1--20。");
    s.pointsBox = 5;
    return s;
}

BankTraits Subjective() {
    BankTraits s;
    s.bank = Bank::Subjective;
    s.tabName = QStringLiteral("TabSheet5");
    s.table = QStringLiteral("KaoShi4");
    s.listName = QStringLiteral("ListView6");
    s.boxNames = BoxNames(QStringLiteral("Edxx"), 2);
    s.columns = {
        {QStringLiteral("TestID"), QStringLiteral("题号"), QStringLiteral("题号不能为空。"), 50},
        {QStringLiteral("Request"), QStringLiteral("题目"), QStringLiteral("题目不能为空。"), 770},
    };
    s.refresh = {QStringLiteral("Butx1"), QStringLiteral("刷新"), false};
    s.change = {QStringLiteral("Butx2"), QStringLiteral("更改")};
    s.add = {QStringLiteral("Butx3"), QStringLiteral("添加")};
    s.remove = {QStringLiteral("Buttx4"), QStringLiteral("删除")};
    s.clear = {QStringLiteral("Butx5"), QStringLiteral("清空")};
    s.exportSheet = {QStringLiteral("Butx6"), QStringLiteral("导出")};
    s.importSheet = {QStringLiteral("Butx7"), QStringLiteral("导入")};
    s.saveSheet = {QStringLiteral("Butx8"), QStringLiteral("保存"), false};
    s.selectSql = QStringLiteral("Select * from KaoShi4");
    s.updateSql = QStringLiteral("Update KaoShi4 Set Request=?  where TestID=?");
    s.insertSql = QStringLiteral("INSERT INTO KaoShi4 (TestID,Request) values (?,?)");
    s.deleteSql = QStringLiteral("Delete  from KaoShi4 where TestID=?");
    s.notFound = QStringLiteral("此题不存在,题号为1---10号。");
    s.addLimit = kSubjectiveLimit;
    s.addRangeMessage = QStringLiteral("题号只能为1--10。");
    return s;
}

}  // namespace

bool HoldsPictures(const BankColumn& column) {
    static const QStringList kColumns = {QStringLiteral("Request"), QStringLiteral("Axx"),
                                         QStringLiteral("Bxx"), QStringLiteral("Cxx"),
                                         QStringLiteral("Dxx")};
    return kColumns.contains(column.column);
}

const BankTraits& TraitsOf(Bank bank) {
    // In the order of the Bank enumerators.
    static const BankTraits traits[] = {SingleChoice(), MultiChoice(), TrueFalse(), Subjective()};
    return traits[int(bank)];
}
