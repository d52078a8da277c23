// Questions from the lines of a Word document. Each paragraph is cut into lines at its line
// breaks; a line is a section heading, the start of a question, options, an answer, points, or
// the continuation of what came before; one that fits nowhere is listed as unplaced.
#include "back_office/workbook/QuestionDocument.h"

#include "back_office/workbook/WorkbookInternal.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

struct Line {
    QString text;   // trimmed
    QString plain;  // the same with full-width letters, digits and signs as ASCII, for matching
    QList<int> pictures;
    int paragraph = 0;
    bool equation = false;
};

// Full-width forms (Ａ．１：（）) as their ASCII letters and the ideographic space as a space: one
// character for one, so positions in plain are positions in the text.
QString Plain(const QString& text) {
    QString plain = text;
    for (QChar& c : plain) {
        if (c.unicode() >= 0xFF01 && c.unicode() <= 0xFF5E)
            c = QChar(c.unicode() - 0xFF01 + 0x21);
        else if (c.unicode() == 0x3000)
            c = u' ';
    }
    return plain;
}

// The part [from, to) of a line, trimmed, with its pictures.
RichText Slice(const Line& line, qsizetype from, qsizetype to) {
    while (from < to && line.text[from].isSpace())
        ++from;
    while (to > from && line.text[to - 1].isSpace())
        --to;
    const qsizetype before = QStringView(line.text).first(from).count(kPictureMark);
    const QString text = line.text.mid(from, to - from);
    return {text, line.pictures.mid(before, text.count(kPictureMark))};
}

void Append(RichText* to, const RichText& more) {
    if (!to->text.isEmpty() && !more.text.isEmpty()) to->text += u'\n';
    to->text += more.text;
    to->pictures += more.pictures;
}

QList<Line> Lines(const WordDocument& document) {
    QList<Line> lines;
    for (const DocumentParagraph& paragraph : document.paragraphs) {
        qsizetype picture = 0;
        for (const QString& part : paragraph.text.split(u'\n')) {
            Line line;
            const qsizetype marks = part.count(kPictureMark);
            line.pictures = paragraph.pictures.mid(picture, marks);
            picture += marks;
            line.text = part.trimmed();
            if (line.text.isEmpty()) continue;
            line.plain = Plain(line.text);
            line.paragraph = paragraph.number;
            line.equation = paragraph.equation;
            lines.append(std::move(line));
        }
    }
    return lines;
}

// The bank a section heading names, by the words teachers use.
// "一、单项选择题（每题2分）", "（二）多选题", "第二部分 判断题", or a short line that starts with
// the bank's words
// ("多选题"); a line that starts with a question number is a question.
std::optional<QuestionBank> HeadingBank(const QString& line) {
    static const QRegularExpression heading(
        QStringLiteral("^([一二三四五六七八九十]+\\s*[、.,:]|\\([一二三四五六七八九十]+\\)|第["
                       "一二三四五六七八九十]+(?:部分|"
                       "大题)\\s*[、.,:]?)?"
                       "\\s*(.{0,12}?)题"));
    const QRegularExpressionMatch match = heading.match(line);
    if (!match.hasMatch()) return std::nullopt;
    const bool numbered = match.capturedLength(1) > 0;
    if (!numbered && line.size() > 30) return std::nullopt;
    const QString words = match.captured(2);
    static const std::pair<const char16_t*, QuestionBank> kWords[] = {
        {u"多项选择", QuestionBank::kMultiple}, {u"多选", QuestionBank::kMultiple},
        {u"不定项", QuestionBank::kMultiple},   {u"单项选择", QuestionBank::kSingle},
        {u"单选", QuestionBank::kSingle},       {u"选择", QuestionBank::kSingle},
        {u"判断", QuestionBank::kTrueFalse},    {u"是非", QuestionBank::kTrueFalse},
        {u"主观", QuestionBank::kSubjective},   {u"简答", QuestionBank::kSubjective},
        {u"问答", QuestionBank::kSubjective},   {u"论述", QuestionBank::kSubjective},
        {u"填空", QuestionBank::kSubjective},   {u"计算", QuestionBank::kSubjective},
        {u"分析", QuestionBank::kSubjective},   {u"综合", QuestionBank::kSubjective},
        {u"应用", QuestionBank::kSubjective},   {u"名词解释", QuestionBank::kSubjective},
        {u"作文", QuestionBank::kSubjective},   {u"写作", QuestionBank::kSubjective},
        {u"案例", QuestionBank::kSubjective},   {u"操作", QuestionBank::kSubjective},
        {u"设计", QuestionBank::kSubjective},   {u"编程", QuestionBank::kSubjective},
    };
    for (const auto& [word, bank] : kWords)
        if (numbered ? words.contains(QStringView(word)) : words.startsWith(QStringView(word)))
            return bank;
    return std::nullopt;
}

std::optional<double> Number(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

enum class Style { kNone, kPlain, kParen };

struct Numbered {
    QString number;
    Style style = Style::kNone;
    qsizetype rest = 0;  // where the text after the number starts
};

// A question number at the start: "1." "1、" "1)" "第1题" or "(1)".
std::optional<Numbered> QuestionNumber(const QString& plain) {
    static const QRegularExpression plainNumber(
        QStringLiteral("^(?:第\\s*)?(\\d{1,4})\\s*(?:[.、)]|题\\s*[.、:]?)(?!\\d)"));
    static const QRegularExpression parenNumber(QStringLiteral("^\\(\\s*(\\d{1,4})\\s*\\)"));
    QRegularExpressionMatch match = plainNumber.match(plain);
    if (match.hasMatch()) return Numbered{match.captured(1), Style::kPlain, match.capturedEnd(0)};
    match = parenNumber.match(plain);
    if (match.hasMatch()) return Numbered{match.captured(1), Style::kParen, match.capturedEnd(0)};
    return std::nullopt;
}

// A field line: "答案：…", "【答案】…", "分值：2分"; the text after the label.
std::optional<qsizetype> FieldAt(const QString& plain, const QRegularExpression& label) {
    const QRegularExpressionMatch match = label.match(plain);
    return match.hasMatch() ? std::optional<qsizetype>(match.capturedEnd(0)) : std::nullopt;
}

const QRegularExpression& AnswerLabel() {
    static const QRegularExpression label(QStringLiteral(
        "^[\\[【]?\\s*(?:参考答案|标准答案|正确答案|答案)\\s*(?:[\\]】]\\s*:?|:)\\s*"));
    return label;
}

const QRegularExpression& PointsLabel() {
    static const QRegularExpression label(
        QStringLiteral("^[\\[【]?\\s*(?:本题分值|分值|分数)\\s*(?:[\\]】]\\s*:?|:)\\s*"));
    return label;
}

struct Option {
    int letter = 0;  // 0 for A
    qsizetype from = 0;
    qsizetype to = 0;
};

// The options of a line from `at` on when one starts there: "A. xx  B. yy", "A、", "(A)"; each
// further option is the next letter after white space. Positions are in plain.
QList<Option> Options(const QString& plain, qsizetype at = 0) {
    static const QRegularExpression first(QStringLiteral("(?:\\(([A-H])\\)|([A-H])\\s*[.、:)])"));
    QRegularExpressionMatch match = first.match(plain, at, QRegularExpression::NormalMatch,
                                                QRegularExpression::AnchorAtOffsetMatchOption);
    if (!match.hasMatch()) return {};
    QList<Option> options;
    int letter = (match.captured(1) + match.captured(2))[0].unicode() - u'A';
    qsizetype from = match.capturedEnd(0);
    static const QRegularExpression further(
        QStringLiteral("\\s(?:\\(([A-H])\\)|([A-H])\\s*[.、:)])"));
    for (QRegularExpressionMatchIterator it = further.globalMatch(plain, from); it.hasNext();) {
        match = it.next();
        if ((match.captured(1) + match.captured(2))[0].unicode() - u'A' != letter + 1) continue;
        options.append({letter, from, match.capturedStart(0)});
        from = match.capturedEnd(0);
        ++letter;
    }
    options.append({letter, from, plain.size()});
    return options;
}

QString KeyOf(QuestionBank bank, const QString& written, QStringList* attention) {
    const QString plain = Plain(written).toUpper();
    if (bank == QuestionBank::kTrueFalse) {
        static const QStringList yes = {u"对"_qs, u"√"_qs, u"✓"_qs,    u"✔"_qs, u"正确"_qs,
                                        u"是"_qs, u"T"_qs, u"TRUE"_qs, u"Y"_qs};
        static const QStringList no = {u"错"_qs,   u"×"_qs,  u"✗"_qs, u"✘"_qs,     u"X"_qs,
                                       u"错误"_qs, u"否"_qs, u"F"_qs, u"FALSE"_qs, u"N"_qs};
        const QString word = plain.trimmed().remove(QRegularExpression(QStringLiteral("[。.]$")));
        if (yes.contains(word)) return QStringLiteral("对");
        if (no.contains(word)) return QStringLiteral("错");
        attention->append(QStringLiteral("答案“%1”不是“对”或“错”").arg(written));
        return QString();
    }
    QString letters;
    for (const QChar c : plain) {
        if (c >= u'A' && c <= u'Z') {
            if (!letters.contains(c)) letters += c;
        } else if (!c.isSpace() && !QStringLiteral(",、;.。").contains(c)) {
            attention->append(QStringLiteral("答案“%1”不是选项字母").arg(written));
            return QString();
        }
    }
    std::sort(letters.begin(), letters.end());
    const bool abcd = !letters.isEmpty() && letters.back() <= u'D';
    if (bank == QuestionBank::kSingle && (!abcd || letters.size() != 1)) {
        attention->append(QStringLiteral("答案“%1”不是 A–D 中的一个字母").arg(written));
        return QString();
    }
    if (bank == QuestionBank::kMultiple && !abcd) {
        attention->append(QStringLiteral("答案“%1”不全是 A–D 中的字母").arg(written));
        return QString();
    }
    return letters;
}

class Parser {
  public:
    Parser(const WordDocument& document, QuestionBank bank) : document_(document), bank_(bank) {}

    QuestionDocument Parse() {
        for (const Line& line : Lines(document_))
            Take(line);
        Finish();
        result_.pictures = document_.pictures;
        return std::move(result_);
    }

  private:
    enum class Part { kStem, kOption, kKey, kDone };

    void Take(const Line& line) {
        if (const std::optional<QuestionBank> bank = HeadingBank(line.plain)) {
            Finish();
            bank_ = *bank;
            style_ = Style::kNone;
            static const QRegularExpression each(
                QStringLiteral("每(?:小)?题\\s*(\\d+(?:\\.\\d+)?)\\s*分"));
            const QRegularExpressionMatch points = each.match(line.plain);
            sectionPoints_ = points.hasMatch() ? Number(points.captured(1)) : std::nullopt;
            return;
        }
        if (const std::optional<Numbered> numbered = QuestionNumber(line.plain);
            numbered && StartsQuestion(*numbered)) {
            Finish();
            question_.emplace();
            question_->bank = bank_;
            question_->number = numbered->number;
            if (style_ == Style::kNone) style_ = numbered->style;
            part_ = Part::kStem;
            Note(line);
            // "（2分）" at the end gives the points; options may follow the stem on its line.
            qsizetype end = line.text.size();
            static const QRegularExpression trailingPoints(
                QStringLiteral("\\(\\s*(\\d+(?:\\.\\d+)?)\\s*分\\s*\\)$"));
            const QRegularExpressionMatch points = trailingPoints.match(line.plain, numbered->rest);
            if (points.hasMatch()) {
                question_->points = Number(points.captured(1));
                end = points.capturedStart(0);
            }
            const QString plain = line.plain.left(end);
            static const QRegularExpression inlineOptions(
                QStringLiteral("\\s(?=\\(A\\)|A\\s*[.、])"));
            const QRegularExpressionMatch split = inlineOptions.match(plain, numbered->rest);
            const QList<Option> options =
                split.hasMatch() ? Options(plain, split.capturedEnd(0)) : QList<Option>();
            if (Chooses() && options.size() > 1) {
                question_->stem = Slice(line, numbered->rest, split.capturedEnd(0));
                TakeOptions(line, options);
            } else {
                question_->stem = Slice(line, numbered->rest, end);
            }
            return;
        }
        // A section of no bank ("六、附加说明") and notes ("解析：") end the question; their lines
        // are the teacher's to see, not a question's.
        static const QRegularExpression otherSection(
            QStringLiteral("^(?:[一二三四五六七八九十]+\\s*[、.]|\\([一二三四五六七八九十]+\\)|第["
                           "一二三四五六七八九十]+(?:部分|大题))"));
        static const QRegularExpression note(QStringLiteral(
            "^[\\[【]?\\s*(?:解析|分析|点评|考点|详解|解答|评分标准)\\s*(?:[\\]】]\\s*:?|:)"));
        if (otherSection.match(line.plain).hasMatch()) {
            Finish();
            return Unplaced(line);
        }
        if (note.match(line.plain).hasMatch()) {
            if (question_ && part_ != Part::kStem) part_ = Part::kDone;
            return Unplaced(line);
        }
        if (!question_) return Unplaced(line);
        if (const std::optional<qsizetype> at = FieldAt(line.plain, AnswerLabel())) {
            if (part_ == Part::kKey || part_ == Part::kDone) return Unplaced(line);
            Note(line);
            question_->key = Slice(line, *at, line.text.size());
            part_ = Part::kKey;
            return;
        }
        if (const std::optional<qsizetype> at = FieldAt(line.plain, PointsLabel())) {
            static const QRegularExpression value(QStringLiteral("^(\\d+(?:\\.\\d+)?)\\s*分?$"));
            const QRegularExpressionMatch points = value.match(line.plain.mid(*at).trimmed());
            if (!points.hasMatch()) return Unplaced(line);
            Note(line);
            question_->points = Number(points.captured(1));
            if (part_ == Part::kKey) part_ = Part::kDone;
            return;
        }
        if (Chooses() && (part_ == Part::kStem || part_ == Part::kOption)) {
            const QList<Option> options = Options(line.plain);
            if (!options.isEmpty()) return TakeOptions(line, options);
        }
        // A continuation of the stem, the last option or a subjective answer.
        if (part_ == Part::kStem) {
            Note(line);
            Append(&question_->stem, Slice(line, 0, line.text.size()));
        } else if (part_ == Part::kOption) {
            Note(line);
            Append(&question_->options[lastOption_], Slice(line, 0, line.text.size()));
        } else if (part_ == Part::kKey && (question_->bank == QuestionBank::kSubjective ||
                                           question_->key.text.isEmpty())) {
            // A subjective answer runs on; an "答案：" line left empty takes the next line.
            Note(line);
            Append(&question_->key, Slice(line, 0, line.text.size()));
        } else {
            Unplaced(line);
        }
    }

    bool Chooses() const {
        return question_ && (question_->bank == QuestionBank::kSingle ||
                             question_->bank == QuestionBank::kMultiple);
    }

    // Whether a numbered line begins a new question. Inside a subjective question, points of
    // its own ("（1）", or "1." when the questions are numbered otherwise) continue it, unless the
    // number is the next question's.
    bool StartsQuestion(const Numbered& numbered) const {
        if (!question_ || question_->bank != QuestionBank::kSubjective) return true;
        if (style_ != Style::kNone && numbered.style != style_) return false;
        return numbered.number.toInt() == question_->number.toInt() + 1 || part_ == Part::kStem;
    }

    void TakeOptions(const Line& line, const QList<Option>& options) {
        Note(line);
        for (const Option& option : options) {
            const QChar letter(u'A' + option.letter);
            if (option.letter >= 4) {
                question_->attention.append(QStringLiteral("选项 %1 超出 A–D，未导入").arg(letter));
                continue;
            }
            RichText& text = question_->options[option.letter];
            if (!text.text.isEmpty())
                question_->attention.append(QStringLiteral("选项 %1 出现了两次").arg(letter));
            text = Slice(line, option.from, option.to);
            lastOption_ = option.letter;
        }
        part_ = Part::kOption;
    }

    void Note(const Line& line) {
        if (question_->paragraphs.isEmpty() || question_->paragraphs.constLast() != line.paragraph)
            question_->paragraphs.append(line.paragraph);
        else
            return;  // the paragraph's notes are made once
        if (line.equation)
            question_->attention.append(
                QStringLiteral("第 %1 段的公式在文档中没有图片，只读出了它的文字")
                    .arg(line.paragraph));
    }

    void Unplaced(const Line& line) {
        QString text = line.text;
        text.replace(kPictureMark, QStringLiteral("[图片]"));
        result_.unplaced.append({line.paragraph, text});
    }

    void Finish() {
        if (!question_) return;
        ParsedQuestion& q = *question_;
        const bool chooses = Chooses();
        if (q.key.text.isEmpty() && q.bank != QuestionBank::kSubjective) KeyFromStem(&q);
        if (q.stem.text.isEmpty()) q.attention.append(QStringLiteral("题干为空"));
        if (chooses)
            for (int i = 0; i < 4; ++i)
                if (q.options[i].text.isEmpty())
                    q.attention.append(QStringLiteral("缺少选项 %1").arg(QChar(u'A' + i)));
        if (q.key.text.isEmpty())
            q.attention.append(QStringLiteral("没有答案"));
        else if (q.bank != QuestionBank::kSubjective)
            q.key = {KeyOf(q.bank, q.key.text, &q.attention), {}};
        if (!q.points) q.points = sectionPoints_;
        QList<int> pictures = q.stem.pictures + q.key.pictures;
        for (const RichText& option : q.options)
            pictures += option.pictures;
        for (const int index : pictures) {
            const DocumentPicture& picture = document_.pictures[index];
            if (picture.Shown()) continue;
            q.attention.append(picture.bytes.isEmpty() && picture.size > kMaxPictureBytes
                                   ? QStringLiteral("图片 %1 超过 5 MB").arg(picture.name)
                                   : QStringLiteral("图片 %1 的格式（%2）不能显示")
                                         .arg(picture.name, picture.format));
        }
        q.attention.removeDuplicates();
        result_.questions.append(std::move(q));
        question_.reset();
    }

    // Papers with answers often carry the key in the stem's brackets: "…是（ C ）。"; it is taken
    // and the brackets left empty, as the paper without answers shows them.
    static void KeyFromStem(ParsedQuestion* q) {
        static const QRegularExpression bracket(
            QStringLiteral("[(（]\\s*([A-DＡ-Ｄ]{1,4}|√|×|✓|✗|对|错)\\s*[)）]"));
        QRegularExpressionMatchIterator it = bracket.globalMatch(q->stem.text);
        QRegularExpressionMatch last;
        while (it.hasNext())
            last = it.next();
        if (!last.hasMatch()) return;
        q->key.text = last.captured(1);
        q->stem.text.replace(last.capturedStart(1), last.capturedLength(1),
                             QString(last.capturedLength(1), u' '));
    }

    const WordDocument& document_;
    QuestionBank bank_;
    std::optional<double> sectionPoints_;
    Style style_ = Style::kNone;
    std::optional<ParsedQuestion> question_;
    Part part_ = Part::kStem;
    int lastOption_ = 0;
    QuestionDocument result_;
};

}  // namespace

QuestionDocument ParseQuestions(const WordDocument& document, QuestionBank defaultBank) {
    return Parser(document, defaultBank).Parse();
}

QuestionDocument ReadQuestionDocument(const QString& path, QuestionBank defaultBank) {
    QuestionDocument parsed = ParseQuestions(ReadWordDocument(path), defaultBank);
    if (parsed.questions.isEmpty())
        throw WorkbookError(
            QStringLiteral("文档 %1 中没有找到试题。试题以题号开头（如“1.”“1、”“（1）”），选项以 "
                           "A–D 开头，答案写在“答案：”一行。")
                .arg(workbook_detail::Shown(path)));
    return parsed;
}
