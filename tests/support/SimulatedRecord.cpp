#include "support/SimulatedRecord.h"

#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/FrozenPaper.h"

#include <QStringList>

#include <cmath>
#include <random>

namespace {

struct Question {
    int section;
    int number;
    double points;
    QString key;
    double difficulty;
    double slope;
};

const QString kLetters = QStringLiteral("ABCD");

QString Name(int i) {
    static const QStringList family = QStringLiteral("王 李 张 刘 陈 杨 赵 黄 周 吴").split(u' ');
    static const QStringList given =
        QStringLiteral("伟 芳 娜 敏 静 丽 强 磊 洋 艳 勇 军 杰 娟 涛 明").split(u' ');
    return family[i % family.size()] + given[(i / 10) % given.size()] +
           given[(i * 7 + 3) % given.size()];
}

}  // namespace

void FillRecord(Database& db, const SimulatedClass& simulated) {
    std::mt19937 random(simulated.seed);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::normal_distribution<double> normal(0.0, 1.0);

    std::vector<Question> questions;
    const int counts[4] = {simulated.single, simulated.multi, simulated.trueFalse,
                           simulated.subjective};
    for (int section = 1; section <= 4; ++section)
        for (int number = 1; number <= counts[section - 1]; ++number) {
            Question q{section,
                       number,
                       section == 2   ? 2.0
                       : section == 4 ? 0.0
                                      : 1.0,
                       QString(),
                       normal(random) * 1.2,
                       0.4 + 1.6 * uniform(random)};
            if (section == 1) q.key = kLetters[int(random() % 4)];
            if (section == 2) q.key = kLetters.left(2 + int(random() % 2));
            if (section == 3) q.key = random() % 2 ? QStringLiteral("对") : QStringLiteral("错");
            if (section == 1 && number == 3) q.slope = -1.0;  // a wrong key: the able miss it
            questions.push_back(q);
        }

    Transaction transaction(db);
    if (simulated.fillBanks) {
        const char* tables[4] = {"Test", "KaoShi2", "KaoShi3", "KaoShi4"};
        // The paper is the class's questions and nothing more: each candidate was shown them all.
        // The single-choice bank keeps its fixed rows; the class answers as many as it has.
        for (int section = 2; section <= 4; ++section)
            db.RunStatement(QStringLiteral("DELETE FROM %1 WHERE TestID>?")
                                .arg(QString::fromLatin1(tables[section - 1])),
                            {qint64(counts[section - 1])});
        for (const Question& q : questions) {
            const QString request =
                QStringLiteral("第%1题：模拟题目，请选出正确的一项。").arg(q.number);
            const QString table = QString::fromLatin1(tables[q.section - 1]);
            // Delete, then insert: the statements both engines take for a replaced row.
            db.RunStatement(QStringLiteral("DELETE FROM %1 WHERE TestID=?").arg(table),
                            {qint64(q.number)});
            if (q.section == 1 || q.section == 2)
                db.RunStatement(QStringLiteral("INSERT INTO %1 (TestID,Request,Axx,Bxx,Cxx,Dxx,DDx,"
                                               "Score) VALUES (?,?,'甲','乙','丙','丁',?,?)")
                                    .arg(table),
                                {qint64(q.number), request, q.key, QString::number(q.points)});
            else if (q.section == 3)
                db.RunStatement(QStringLiteral("INSERT INTO KaoShi3 (TestID,Request,Axx,Bxx,DDx,"
                                               "Score) VALUES (?,?,'正确','错误',?,?)"),
                                {qint64(q.number), request, q.key, QString::number(q.points)});
            else
                db.RunStatement(QStringLiteral("INSERT INTO KaoShi4 (TestID,Request) VALUES (?,?)"),
                                {qint64(q.number), QStringLiteral("简述第%1题。").arg(q.number)});
        }
    }

    const qint64 start = 1'796'000'000;
    // The class sat one sitting, its paper frozen from the banks; its clock ran on well past the
    // candidates' last signs of life (those still in progress are interrupted).
    const qint64 clock = 3000 + simulated.candidates;
    db.RunStatement(
        QStringLiteral("INSERT INTO Changci (ChangciID,Mingcheng,Shichang,Kaishi,"
                       "KaishiRen,Shizhong) VALUES ((SELECT COALESCE(MAX(ChangciID),0)+1 "
                       "FROM Changci),?,4200,?,'admin',?)"),
        {simulated.sittingName, start, clock});
    const qint64 sitting =
        db.OpenQuery(QStringLiteral("SELECT MAX(ChangciID) FROM Changci"))->ColumnAsInt64(0);
    FreezePaper(db, sitting);
    for (int c = 0; c < simulated.candidates; ++c) {
        const qint64 number = simulated.firstStudentNo + c;
        db.RunStatement(QStringLiteral("INSERT INTO Userxinxi (UserID,Xuehao,Xingmin) VALUES "
                                       "((SELECT COALESCE(MAX(UserID),0)+1 FROM Userxinxi),?,?)"),
                        {QString::number(number), Name(c)});
        const double ability = normal(random);
        const int state = c >= simulated.candidates - simulated.inProgress ? 0 : c % 9 == 4 ? 2 : 1;
        db.RunStatement(
            QStringLiteral("INSERT INTO Kaoshijilu (Xuehao,Cishu,Jiqi,ExamID,Kaishi,Huodong,"
                           "Shengyu,Zhuangtai,Tishu,ChangciID,Qidian,Zuihou) VALUES "
                           "(?,1,?,?,?,?,?,?,?,?,?,?)"),
            {number, QStringLiteral("pc%1").arg(c + 1), simulated.examId, start + c,
             start + 3000 + c, qint64(state == 1 ? 600 : 0), qint64(state),
             qint64(questions.size()), sitting, qint64(c), qint64(c + 1)});
        const qint64 attempt =
            db.OpenQuery(QStringLiteral("SELECT last_insert_rowid()"))->ColumnAsInt64(0);
        double total = 0;
        QStringList texts;  // the subjective answers, as the exam saves them into Tt1..
        for (const Question& q : questions) {
            QString answer;
            double earned = 0;
            if (q.section == 4) {
                if (uniform(random) < 0.8) answer = QStringLiteral("我的回答。");
                texts << answer;
            } else if (uniform(random) >= 0.04) {
                const double p = 1 / (1 + std::exp(-q.slope * (ability - q.difficulty)));
                if (uniform(random) < p) {
                    answer = q.key;
                    earned = q.points;
                } else if (q.section == 3) {
                    answer =
                        q.key == QStringLiteral("对") ? QStringLiteral("错") : QStringLiteral("对");
                } else {
                    do {
                        answer = q.section == 1 ? QString(kLetters[int(random() % 4)])
                                                : kLetters.mid(int(random() % 3), 2);
                    } while (answer == q.key);
                }
            }
            total += earned;
            db.RunStatement(QStringLiteral("INSERT INTO Datijilu (JiluID,Bufen,TestID,Daan,"
                                           "Xianshi,Fenzhi,Biaozhun,Defen,Gengxin) VALUES "
                                           "(?,?,?,?,1,?,?,?,?)"),
                            {attempt, qint64(q.section), qint64(q.number), answer, q.points, q.key,
                             earned, start + 60});
        }
        if (state != 0) {
            db.RunStatement(
                QStringLiteral("UPDATE Kaoshijilu SET Chengji=?, Jieshu=? WHERE JiluID=?"),
                {total, start + 3000 + c, attempt});
            // The score the hand-in writes, and for every other candidate the teacher's grade.
            const int marks = c % 2 == 0 ? c * 7 % 11 : -1;
            db.RunStatement(
                QStringLiteral("UPDATE Userxinxi SET Chengji=?, Chengji1=?, Chengji2=? WHERE "
                               "Xuehao=?"),
                {FormatGeneral(total), marks < 0 ? QString() : QString::number(marks),
                 marks < 0 ? QString() : FormatGeneral(total + marks), QString::number(number)});
        }
        for (int t = 0; t < texts.size() && t < 10; ++t)
            db.RunStatement(QStringLiteral("UPDATE Userxinxi SET Tt%1=? WHERE Xuehao=?").arg(t + 1),
                            {texts[t], QString::number(number)});
    }
    transaction.Commit();
}
