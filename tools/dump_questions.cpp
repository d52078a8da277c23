// dump_questions <file.docx> [--paragraphs]: prints the questions ReadQuestionDocument finds (the
// single-choice bank before any heading), or the document's paragraphs, one per line.
#include "back_office/workbook/QuestionDocument.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    QTextStream out(stdout);
    if (arguments.size() < 2) {
        out << "usage: dump_questions <file.docx> [--paragraphs]\n";
        return 2;
    }
    const auto shown = [](QString text) {
        return text.replace(kPictureMark, QStringLiteral("[图]"))
            .replace(u'\n', QStringLiteral("⏎"));
    };
    try {
        if (arguments.contains(QStringLiteral("--paragraphs"))) {
            for (const DocumentParagraph& p : ReadWordDocument(arguments[1]).paragraphs)
                out << p.number << (p.inTable ? " 表 " : " ") << (p.equation ? "公式 " : "")
                    << shown(p.text) << '\n';
            return 0;
        }
        const QuestionDocument parsed = ReadQuestionDocument(arguments[1], QuestionBank::kSingle);
        for (const ParsedQuestion& q : parsed.questions) {
            out << "题 " << int(q.bank) << " #" << q.number << " 段" << q.paragraphs.first()
                << " 分值 " << (q.points ? QString::number(*q.points) : QStringLiteral("-")) << '\n'
                << "  题干 " << shown(q.stem.text) << '\n';
            for (int i = 0; i < 4; ++i)
                if (!q.options[i].text.isEmpty())
                    out << "  " << QChar(u'A' + i) << ' ' << shown(q.options[i].text) << '\n';
            out << "  答案 " << shown(q.key.text) << '\n';
            for (const QString& note : q.attention)
                out << "  注意 " << note << '\n';
        }
        for (const UnplacedLine& line : parsed.unplaced)
            out << "未放入 段" << line.paragraph << ' ' << line.text << '\n';
        out << "图片 " << parsed.pictures.size() << '\n';
    } catch (const WorkbookError& error) {
        out << error.Message() << '\n';
        return 1;
    }
    return 0;
}
