#include "back_office/QuestionStore.h"

#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/Pictures.h"

#include <QSet>

Bank BankOf(QuestionBank bank) {
    switch (bank) {
        case QuestionBank::kSingle:
            return Bank::SingleChoice;
        case QuestionBank::kMultiple:
            return Bank::MultiChoice;
        case QuestionBank::kTrueFalse:
            return Bank::TrueFalse;
        case QuestionBank::kSubjective:
            break;
    }
    return Bank::Subjective;
}

QuestionBank QuestionBankOf(Bank bank) {
    switch (bank) {
        case Bank::SingleChoice:
            return QuestionBank::kSingle;
        case Bank::MultiChoice:
            return QuestionBank::kMultiple;
        case Bank::TrueFalse:
            return QuestionBank::kTrueFalse;
        case Bank::Subjective:
            break;
    }
    return QuestionBank::kSubjective;
}

bool Storable(const DocumentPicture& picture) {
    return picture.Shown() && PictureRefusal(picture.bytes, picture.name).isEmpty();
}

QString StoredText(const RichText& text, const QuestionDocument& document) {
    // The marks' own characters never come from a document: a text holding them could refer
    // to a picture it does not carry.
    QString plain = text.text;
    plain.remove(QChar(kPictureOpen)).remove(QChar(kPictureClose));
    if (text.pictures.isEmpty()) return plain;
    QString stored;
    stored.reserve(plain.size() + 66 * text.pictures.size());
    qsizetype picture = 0;
    for (const QChar c : plain) {
        if (c != kPictureMark) {
            stored += c;
            continue;
        }
        const int index = picture < text.pictures.size() ? text.pictures[picture] : -1;
        ++picture;
        if (index >= 0 && index < document.pictures.size() && Storable(document.pictures[index]))
            stored += PictureMarker(QString::fromLatin1(document.pictures[index].sha256));
        else
            stored += QStringLiteral("[图片]");
    }
    return stored;
}

namespace {

QStringList RowOf(const ParsedQuestion& q, int number, const QuestionDocument& document) {
    const auto text = [&](const RichText& part) { return StoredText(part, document); };
    const QString points = FormatGeneral(q.points.value_or(kDefaultPoints));
    QStringList row{QString::number(number), text(q.stem)};
    switch (q.bank) {
        case QuestionBank::kSingle:
        case QuestionBank::kMultiple:
            for (const RichText& option : q.options)
                row << text(option);
            row << q.key.text << points;
            break;
        case QuestionBank::kTrueFalse:
            row << QStringLiteral("正确") << QStringLiteral("错误") << q.key.text << points;
            break;
        case QuestionBank::kSubjective:
            break;  // the bank keeps the question alone
    }
    return row;
}

// The pictures of the parts a bank stores.
QList<int> StoredPictures(const ParsedQuestion& q) {
    QList<int> pictures = q.stem.pictures;
    if (q.bank == QuestionBank::kSingle || q.bank == QuestionBank::kMultiple)
        for (const RichText& option : q.options)
            pictures += option.pictures;
    return pictures;
}

}  // namespace

ImportPlan PlanImport(const QuestionDocument& document) {
    ImportPlan plan;
    for (const Bank bank :
         {Bank::SingleChoice, Bank::MultiChoice, Bank::TrueFalse, Bank::Subjective}) {
        BankImport stored{bank, {}, {}};
        const int limit = RuleOf(ExchangeOf(bank)).limit;
        for (int i = 0; i < document.questions.size(); ++i) {
            const ParsedQuestion& q = document.questions[i];
            if (BankOf(q.bank) != bank) continue;
            if (stored.rows.size() >= limit) {
                plan.leftOut << i;
                continue;
            }
            stored.rows << RowOf(q, int(stored.rows.size()) + 1, document);
            stored.questions << i;
        }
        if (!stored.rows.isEmpty()) plan.banks << stored;
    }
    QSet<int> seen;
    for (const BankImport& bank : plan.banks)
        for (const int i : bank.questions)
            for (const int picture : StoredPictures(document.questions[i]))
                if (Storable(document.pictures.value(picture)) && !seen.contains(picture)) {
                    seen.insert(picture);
                    plan.pictures << document.pictures[picture].bytes;
                }
    return plan;
}

void StoreImport(Database& db, const ImportPlan& plan) {
    Transaction transaction(db);
    for (const QByteArray& picture : plan.pictures)
        StorePicture(db, picture);
    for (const BankImport& bank : plan.banks)
        WriteRows(db, RuleOf(ExchangeOf(bank.bank)), bank.rows);
    transaction.Commit();
}
