// Reading a .docx: the package relationships name the main document part, its relationships the
// pictures, the numbering and the styles. The document part is parsed whole (it is capped at
// 64 MB like every part read whole); pictures are read once each, refused by their claimed size
// before they are inflated.
#include "back_office/workbook/WordDocument.h"

#include "back_office/workbook/WorkbookInternal.h"
#include "back_office/workbook/XlsxPackage.h"

#include <QCryptographicHash>
#include <QHash>
#include <QMap>

#include <algorithm>
#include <cstring>

using namespace workbook_detail;

bool DocumentPicture::Shown() const {
    return !bytes.isEmpty() &&
           (format == u"png" || format == u"jpeg" || format == u"gif" || format == u"bmp");
}

namespace {

WorkbookError DamagedDocument(const QString& path, const QString& detail) {
    if (detail.isEmpty())
        return WorkbookError(QStringLiteral("文档 %1 已损坏或不完整，无法读取。").arg(Shown(path)));
    return WorkbookError(
        QStringLiteral("文档 %1 已损坏或不完整（%2），无法读取。").arg(Shown(path), detail));
}

WorkbookError DocumentTooLarge(const QString& path, qint64 bytes) {
    return WorkbookError(QStringLiteral("文档 %1 太大（%2 MB），无法读取。")
                             .arg(Shown(path))
                             .arg((bytes + (1 << 20) - 1) >> 20));
}

WorkbookError NotADocument(const QString& path) {
    return WorkbookError(
        QStringLiteral("无法读取文件 %1：不是 Word 文档（.docx）。").arg(Shown(path)));
}

WorkbookError LegacyDocument(const QString& path) {
    return WorkbookError(
        QStringLiteral(
            "无法读取文档 %1：它是旧的 Word 格式（.doc）。请在 Word 或 WPS 中另存为 .docx")
            .arg(Shown(path)));
}

WorkbookError ProtectedDocument(const QString& path) {
    return WorkbookError(
        QStringLiteral("无法读取文档 %1：它设有密码。请在 Word 或 WPS 中取消密码后再导入。")
            .arg(Shown(path)));
}

QString FormatOf(const QByteArray& bytes, const QString& name) {
    if (bytes.startsWith("\x89PNG\r\n\x1a\n")) return QStringLiteral("png");
    if (bytes.startsWith("\xFF\xD8\xFF")) return QStringLiteral("jpeg");
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a")) return QStringLiteral("gif");
    if (bytes.startsWith("BM")) return QStringLiteral("bmp");
    return name.section(u'.', -1).toLower();
}

// A number in a list format Word offers; the rest read as decimal.
QString Counted(int n, const QString& format) {
    static const QString kDigits = QStringLiteral("〇一二三四五六七八九");
    if ((format == u"upperLetter" || format == u"lowerLetter") && n > 0 && n <= 26 * 10) {
        const QChar first = format == u"upperLetter" ? u'A' : u'a';
        return QString((n - 1) / 26 + 1, QChar(first.unicode() + (n - 1) % 26));
    }
    if ((format == u"upperRoman" || format == u"lowerRoman") && n > 0 && n < 4000) {
        static const std::pair<int, const char*> kRoman[] = {
            {1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
            {40, "XL"},  {10, "X"},   {9, "IX"},  {5, "V"},    {4, "IV"},  {1, "I"}};
        QString text;
        for (const auto& [value, letters] : kRoman)
            for (; n >= value; n -= value)
                text += QLatin1String(letters);
        return format == u"lowerRoman" ? text.toLower() : text;
    }
    if (format.startsWith(u"chineseCounting") || format == u"ideographDigital") {
        if (n < 10 || format == u"ideographDigital") {
            QString text;
            for (const QChar c : QString::number(n))
                text += kDigits[c.digitValue()];
            return text;
        }
        if (n < 100)
            return (n >= 20 ? QString(kDigits[n / 10]) : QString()) + u'十' +
                   (n % 10 ? QString(kDigits[n % 10]) : QString());
    }
    if (format == u"decimalEnclosedCircle" || format == u"decimalEnclosedCircleChinese") {
        if (n >= 1 && n <= 20) return QChar(0x2460 + n - 1);
    }
    if (format == u"decimalFullWidth" || format == u"decimalFullWidth2") {
        QString text;
        for (const QChar c : QString::number(n))
            text += QChar(0xFF10 + c.digitValue());
        return text;
    }
    if (format == u"decimalEnclosedParen") return u'(' + QString::number(n) + u')';
    if (format == u"decimalZero" && n < 10) return u'0' + QString::number(n);
    if (format == u"none") return QString();
    return QString::number(n);
}

// The list labels Word puts before numbered paragraphs: the levels of each list from the
// numbering part, a counter per list and level.
class ListLabels {
  public:
    ListLabels(const Package& package, const QString& numberingPart, const QString& stylesPart) {
        if (!numberingPart.isEmpty() && package.Has(numberingPart)) {
            pugi::xml_document numbering;
            package.Parse(numberingPart, &numbering);
            QHash<QString, pugi::xml_node> abstracts;
            for (pugi::xml_node node : numbering.document_element().children())
                if (Is(node, "abstractNum"))
                    abstracts.insert(AttributeOf(node, "abstractNumId"), node);
            for (pugi::xml_node num : numbering.document_element().children()) {
                if (!Is(num, "num")) continue;
                QList<Level>& levels = lists_[AttributeOf(num, "numId")];
                levels.resize(9);
                for (pugi::xml_node lvl :
                     abstracts.value(AttributeOf(Child(num, "abstractNumId"), "val")).children())
                    ReadLevel(lvl, &levels);
                for (pugi::xml_node override : num.children()) {
                    if (!Is(override, "lvlOverride")) continue;
                    const int ilvl = AttributeOf(override, "ilvl").toInt();
                    if (ilvl < 0 || ilvl >= 9) continue;
                    ReadLevel(Child(override, "lvl"), &levels);
                    if (const pugi::xml_node start = Child(override, "startOverride"))
                        levels[ilvl].start = Start(start);
                }
            }
        }
        if (!stylesPart.isEmpty() && package.Has(stylesPart)) {
            pugi::xml_document styles;
            package.Parse(stylesPart, &styles);
            for (pugi::xml_node style : styles.document_element().children()) {
                const pugi::xml_node numPr = Child(Child(style, "pPr"), "numPr");
                if (Is(style, "style") && numPr)
                    styleLists_.insert(AttributeOf(style, "styleId"), NumberOf(numPr, {}));
            }
        }
    }

    // The label of a paragraph by its properties; empty for a paragraph outside lists.
    QString Next(const pugi::xml_node& properties) {
        const ListRef ref =
            NumberOf(Child(properties, "numPr"),
                     styleLists_.value(AttributeOf(Child(properties, "pStyle"), "val")));
        const auto list = lists_.find(ref.numId);
        if (list == lists_.end() || ref.level < 0 || ref.level >= 9) return QString();
        QList<int>& counts = counts_[ref.numId];
        counts.resize(9);
        const Level& level = (*list)[ref.level];
        counts[ref.level] = counts[ref.level] == 0 ? level.start : counts[ref.level] + 1;
        for (int deeper = ref.level + 1; deeper < 9; ++deeper)
            counts[deeper] = 0;
        QString label = level.text;
        for (int l = 0; l <= ref.level; ++l)
            label.replace(u'%' + QString::number(l + 1),
                          Counted(counts[l] ? counts[l] : (*list)[l].start, (*list)[l].format));
        if (label.isEmpty()) return label;
        return label + (level.suffix == u"nothing" ? QString()
                        : level.suffix == u"space" ? QStringLiteral(" ")
                                                   : QStringLiteral("\t"));
    }

  private:
    struct Level {
        int start = 1;
        QString format = QStringLiteral("decimal");
        QString text;
        QString suffix;
    };
    struct ListRef {
        QString numId;
        int level = 0;
    };

    // A first number within reach: counting on from it stays far from overflow.
    static int Start(const pugi::xml_node& start) {
        return std::clamp(AttributeOf(start, "val").toInt(), 0, 1000000);
    }

    static void ReadLevel(const pugi::xml_node& lvl, QList<Level>* levels) {
        if (!Is(lvl, "lvl")) return;
        const int ilvl = AttributeOf(lvl, "ilvl").toInt();
        if (ilvl < 0 || ilvl >= 9) return;
        Level& level = (*levels)[ilvl];
        if (const pugi::xml_node start = Child(lvl, "start")) level.start = Start(start);
        if (const pugi::xml_node format = Child(lvl, "numFmt"))
            level.format = AttributeOf(format, "val");
        if (const pugi::xml_node text = Child(lvl, "lvlText"))
            level.text = AttributeOf(text, "val");
        if (const pugi::xml_node suffix = Child(lvl, "suff"))
            level.suffix = AttributeOf(suffix, "val");
    }

    // A paragraph's own numbering properties, over those of its style.
    static ListRef NumberOf(const pugi::xml_node& numPr, ListRef ref) {
        if (const pugi::xml_node id = Child(numPr, "numId")) ref.numId = AttributeOf(id, "val");
        if (const pugi::xml_node level = Child(numPr, "ilvl"))
            ref.level = AttributeOf(level, "val").toInt();
        return ref;
    }

    QHash<QString, QList<Level>> lists_;
    QHash<QString, ListRef> styleLists_;
    QHash<QString, QList<int>> counts_;
};

// No document Word or WPS writes nests its elements nearly this deep; deeper nesting is damage
// (and would otherwise run the reader out of stack).
constexpr int kMaxDepth = 256;
// A document part and a paragraph count far beyond any paper, refused before they are read.
constexpr qint64 kMaxDocumentPart = 32 << 20;
constexpr qsizetype kMaxParagraphs = 200000;

class DocumentReader {
  public:
    DocumentReader(const QString& path, const Package& package, const QString& documentPart)
        : path_(path),
          package_(package),
          related_(package.Relationships(documentPart)),
          labels_(package, RelatedPart("numbering"), RelatedPart("styles")) {}

    WordDocument Read(const pugi::xml_node& body) {
        Block(body, false);
        return std::move(document_);
    }

  private:
    QString RelatedPart(const char* kind) const {
        for (const Relationship& relationship : related_)
            if (TypeIs(relationship, kind)) return relationship.target;
        return QString();
    }

    // Counts the levels of nesting while it lives.
    class Nested {
      public:
        explicit Nested(DocumentReader* reader) : reader_(reader) {
            if (++reader_->depth_ > kMaxDepth) throw DamagedDocument(reader_->path_, QString());
        }
        ~Nested() { --reader_->depth_; }
        Nested(const Nested&) = delete;
        Nested& operator=(const Nested&) = delete;

      private:
        DocumentReader* reader_;
    };

    // Paragraphs and tables of the body, a table cell or a content control, in order.
    void Block(const pugi::xml_node& parent, bool inTable) {
        const Nested nested(this);
        for (pugi::xml_node node : parent.children()) {
            if (Is(node, "p")) {
                Paragraph(node, inTable);
            } else if (Is(node, "tbl")) {
                for (pugi::xml_node row : node.children())
                    if (Is(row, "tr"))
                        for (pugi::xml_node cell : row.children())
                            if (Is(cell, "tc")) Block(cell, true);
            } else if (Is(node, "sdt")) {
                Block(Child(node, "sdtContent"), inTable);
            } else if (Is(node, "customXml") || Is(node, "ins")) {
                Block(node, inTable);
            }
        }
    }

    void Paragraph(const pugi::xml_node& p, bool inTable) {
        if (document_.paragraphs.size() >= kMaxParagraphs)
            throw WorkbookError(QStringLiteral("文档 %1 的段落太多（超过 %2 段），无法读取。")
                                    .arg(Shown(path_))
                                    .arg(kMaxParagraphs));
        DocumentParagraph paragraph;
        paragraph.number = int(document_.paragraphs.size()) + 1;
        paragraph.inTable = inTable;
        paragraph.text = labels_.Next(Child(p, "pPr"));
        current_ = &paragraph;
        Inline(p);
        current_ = nullptr;
        document_.paragraphs.append(std::move(paragraph));
    }

    // The content of a paragraph: runs and what holds runs (links, fields, changes, controls).
    void Inline(const pugi::xml_node& parent) {
        const Nested nested(this);
        for (pugi::xml_node node : parent.children()) {
            if (node.type() != pugi::node_element) continue;
            const char* name = LocalName(node.name());
            if (Is(node, "t")) {
                current_->text += TextOf(node);
            } else if (Is(node, "tab") || Is(node, "ptab")) {
                current_->text += u'\t';
            } else if (Is(node, "br") || Is(node, "cr")) {
                if (AttributeOf(node, "type") != u"page") current_->text += u'\n';
            } else if (Is(node, "noBreakHyphen")) {
                current_->text += u'-';
            } else if (Is(node, "drawing") || Is(node, "pict") || Is(node, "object")) {
                Pictures(node);
            } else if (Is(node, "AlternateContent")) {
                Alternate(node);
            } else if (Is(node, "oMath") || Is(node, "oMathPara")) {
                Equation(node);
            } else if (std::strcmp(name, "pPr") == 0 || std::strcmp(name, "rPr") == 0 ||
                       Is(node, "del") || Is(node, "moveFrom") || Is(node, "instrText") ||
                       Is(node, "txbxContent")) {
                // Properties, deleted text, field codes, text boxes: not the text shown.
            } else {
                Inline(node);  // r, hyperlink, fldSimple, ins, smartTag, sdt, sdtContent, …
            }
        }
    }

    // An alternate content block: the picture of its fallback where there is one (the choice is
    // then an equation or a shape that this reader does not draw), else the choice.
    void Alternate(const pugi::xml_node& node) {
        const pugi::xml_node fallback = Child(node, "Fallback");
        if (fallback && HasPicture(fallback)) {
            Inline(fallback);
            return;
        }
        Inline(Child(node, "Choice"));
    }

    static bool HasPicture(const pugi::xml_node& node) {
        return node.find_node(
            [](const pugi::xml_node& n) { return Is(n, "blip") || Is(n, "imagedata"); });
    }

    // An equation with no picture: its text, flagged.
    void Equation(const pugi::xml_node& node) {
        const Nested nested(this);
        current_->equation = true;
        for (pugi::xml_node child : node.children()) {
            if (Is(child, "t"))
                current_->text += TextOf(child);
            else if (child.type() == pugi::node_element && !Is(child, "rPr") &&
                     !Is(child, "ctrlPr"))
                Equation(child);
        }
    }

    // The pictures inside a drawing, a VML picture or an embedded object, in order.
    void Pictures(const pugi::xml_node& node) {
        const Nested nested(this);
        for (pugi::xml_node child : node.children()) {
            if (child.type() != pugi::node_element) continue;
            if (Is(child, "blip") || Is(child, "imagedata")) {
                QString id;
                for (pugi::xml_attribute a : child.attributes())
                    if (std::strcmp(LocalName(a.name()), "embed") == 0 ||
                        (std::strcmp(LocalName(a.name()), "id") == 0 && std::strchr(a.name(), ':')))
                        id = QString::fromUtf8(a.value());
                const auto relationship = related_.constFind(id);
                if (relationship == related_.constEnd() || !package_.Has(relationship->target))
                    continue;  // a linked picture outside the file: nothing to show
                current_->text += kPictureMark;
                current_->pictures.append(Picture(relationship->target));
            } else if (!Is(child, "txbxContent")) {
                Pictures(child);
            }
        }
    }

    int Picture(const QString& part) {
        const auto known = byPart_.constFind(part);
        if (known != byPart_.constEnd()) return *known;
        DocumentPicture picture;
        picture.name = part.section(u'/', -1);
        picture.size = package_.Size(part);
        // Pictures are refused by the size they claim, before they are inflated; Read holds the
        // part to that size.
        if (picture.size <= kMaxPictureBytes) {
            pictureBytes_ += picture.size;
            if (pictureBytes_ > kMaxFileBytes) throw DocumentTooLarge(path_, pictureBytes_);
            picture.bytes = package_.Read(part);
            picture.sha256 =
                QCryptographicHash::hash(picture.bytes, QCryptographicHash::Sha256).toHex();
        }
        picture.format = FormatOf(picture.bytes, picture.name);
        // The same bytes under two names are one picture.
        int index = int(document_.pictures.size());
        if (!picture.sha256.isEmpty()) {
            const auto same = byHash_.constFind(picture.sha256);
            if (same != byHash_.constEnd())
                index = *same;
            else
                byHash_.insert(picture.sha256, index);
        }
        if (index == document_.pictures.size()) document_.pictures.append(std::move(picture));
        byPart_.insert(part, index);
        return index;
    }

    QString path_;
    const Package& package_;
    QHash<QString, Relationship> related_;
    ListLabels labels_;
    WordDocument document_;
    DocumentParagraph* current_ = nullptr;
    QHash<QString, int> byPart_;
    QHash<QByteArray, int> byHash_;
    qint64 pictureBytes_ = 0;
    int depth_ = 0;
};

}  // namespace

WordDocument ReadWordDocument(const QString& path) {
    return ReadWordDocument(path, ReadWholeFile(path, DocumentTooLarge));
}

WordDocument ReadWordDocument(const QString& path, const QByteArray& bytes) {
    if (bytes.startsWith("\xD0\xCF\x11\xE0"))
        throw IsEncryptedPackage(bytes) ? ProtectedDocument(path) : LegacyDocument(path);
    if (!bytes.startsWith("PK\x03\x04")) throw NotADocument(path);
    const Package package(path, bytes, DamagedDocument);
    QString documentPart;
    for (const Relationship& relationship : package.Relationships(QString()))
        if (TypeIs(relationship, "officeDocument") && package.Has(relationship.target))
            documentPart = relationship.target;
    if (documentPart.isEmpty() && package.Has(QStringLiteral("word/document.xml")))
        documentPart = QStringLiteral("word/document.xml");
    if (documentPart.isEmpty() || package.Has(QStringLiteral("xl/workbook.xml")))
        throw NotADocument(path);
    if (package.Size(documentPart) > kMaxDocumentPart)
        throw DocumentTooLarge(path, package.Size(documentPart));
    pugi::xml_document xml;
    package.Parse(documentPart, &xml);
    const pugi::xml_node body = Child(xml.document_element(), "body");
    if (!Is(xml.document_element(), "document")) throw NotADocument(path);
    return DocumentReader(path, package, documentPart).Read(body);
}
