// Reading one sheet of an .xlsx workbook: a zip of XML parts. The package relationships name the
// workbook part, the workbook lists its sheets by name with a relationship id, the workbook's
// relationships give each sheet's part, the shared strings and the styles (whose cell formats
// tell dates from numbers). The sheet and the shared strings are read piece by piece, so memory
// grows with the cells kept, not with the XML.
#include "back_office/workbook/CellFormats.h"
#include "back_office/workbook/WorkbookInternal.h"
#include "back_office/workbook/XlsxPackage.h"

#include "data_store/Conversions.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

namespace workbook_detail {

namespace {

// A shared or inline string item: its own text, or its rich-text runs joined. Phonetic runs
// (rPh) are a reading aid, not part of the text.
QString StringItemText(const pugi::xml_node& item) {
    QString text;
    for (pugi::xml_node child : item.children()) {
        if (Is(child, "t")) {
            text += TextOf(child);
        } else if (Is(child, "r")) {
            for (pugi::xml_node runPart : child.children())
                if (Is(runPart, "t")) text += TextOf(runPart);
        }
    }
    return DecodeCellEscapes(text);
}

// A cell reference such as "C7" as 0-based row and column; false when it is not one.
bool ParseCellReference(const char* ref, int* row, int* column) {
    qint64 c = 0;
    qint64 r = 0;
    const char* p = ref;
    for (; (*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z'); ++p) {
        c = c * 26 + ((*p & ~0x20) - 'A' + 1);
        if (c > kMaxColumns) return false;
    }
    if (p == ref) return false;
    const char* digits = p;
    for (; *p >= '0' && *p <= '9'; ++p) {
        r = r * 10 + (*p - '0');
        if (r > kMaxRows) return false;
    }
    if (p == digits || *p != 0 || r == 0) return false;
    *row = int(r - 1);
    *column = int(c - 1);
    return true;
}

// The workbook part: as the package relationships name it, otherwise the usual place. Zips of
// other spreadsheet formats get their own message.
QString WorkbookPart(const Package& package, const QString& path) {
    for (const Relationship& relationship : package.Relationships(QString())) {
        if (!TypeIs(relationship, "officeDocument") || !package.Has(relationship.target)) continue;
        if (relationship.target.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive))
            throw UnreadFormat(path, QStringLiteral("Excel 二进制工作簿（.xlsb）"));
        return relationship.target;
    }
    if (package.Has(QStringLiteral("xl/workbook.xml"))) return QStringLiteral("xl/workbook.xml");
    if (package.Has(QStringLiteral("xl/workbook.bin")))
        throw UnreadFormat(path, QStringLiteral("Excel 二进制工作簿（.xlsb）"));
    throw NotAWorkbook(path);  // a zip, but not of a workbook (a document, an archive)
}

QString RelatedPart(const QHash<QString, Relationship>& related, const char* kind,
                    const QString& usual) {
    for (const Relationship& relationship : related)
        if (TypeIs(relationship, kind)) return relationship.target;
    return usual;
}

// The date kind of each cell format (the s attribute of cells) by its number format.
std::vector<DateKind> CellFormatKinds(const Package& package, const QString& partName) {
    std::vector<DateKind> kinds;
    if (!package.Has(partName)) return kinds;
    pugi::xml_document styles;
    package.Parse(partName, &styles);
    QHash<int, DateKind> formats;
    for (pugi::xml_node format : Child(styles.document_element(), "numFmts").children())
        if (Is(format, "numFmt"))
            formats.insert(
                format.attribute("numFmtId").as_int(-1),
                FormatCodeKind(QString::fromUtf8(format.attribute("formatCode").value())));
    for (pugi::xml_node xf : Child(styles.document_element(), "cellXfs").children()) {
        if (!Is(xf, "xf")) continue;
        const int id = xf.attribute("numFmtId").as_int(0);
        kinds.push_back(formats.contains(id) ? formats.value(id) : BuiltInFormatKind(id));
    }
    return kinds;
}

// The shared strings, each kept once in the sheet being built: cells place them by index.
std::vector<SheetBuilder::Kept> SharedStrings(const QString& path, const Package& package,
                                              const QString& partName, SheetBuilder* builder) {
    std::vector<SheetBuilder::Kept> strings;
    if (!package.Has(partName)) return strings;
    package.ReadItems(partName, "sst", "si", [&](const pugi::xml_node& item) {
        // No sheet read here places more cells than that; more strings are no workbook's.
        if (qint64(strings.size()) >= kMaxCells) throw TooManyTexts(path);
        strings.push_back(builder->Keep(StringItemText(item)));
    });
    return strings;
}

// What a cell's text needs besides the cell: the shared strings, the date kinds of the cell
// formats and the date system.
struct CellContext {
    std::vector<SheetBuilder::Kept> sharedStrings;
    std::vector<DateKind> formatKinds;
    bool from1904 = false;
    NumberTexts numbers;

    DateKind KindOf(const pugi::xml_node& cell) const {
        const unsigned index = cell.attribute("s").as_uint(0);
        return index < formatKinds.size() ? formatKinds[index] : DateKind::None;
    }
};

// One cell's text by its type attribute (numbers when absent). A shared string is not copied: its
// index goes to *shared and the text returned is empty.
QString CellText(const pugi::xml_node& cell, CellContext& context, int* shared, bool* badIndex) {
    const char* type = cell.attribute("t").value();
    const pugi::xml_node value = Child(cell, "v");
    if (std::strcmp(type, "inlineStr") == 0) {
        const pugi::xml_node item = Child(cell, "is");
        return item ? StringItemText(item) : DecodeCellEscapes(TextOf(value));
    }
    const auto sharedString = [&](bool ok, int index) {
        if (ok && index >= 0 && size_t(index) < context.sharedStrings.size())
            *shared = index;
        else
            *badIndex = true;
        return QString();
    };
    // No value or an empty one (<v/>): an empty cell, for instance a formula never computed.
    if (!value) return QString();
    // Numbers and shared string indexes straight from the bytes: most cells are one of them.
    const bool number = *type == 0 || std::strcmp(type, "n") == 0;
    const bool single = !value.first_child().next_sibling();  // one run of characters at most
    if (single && (number || std::strcmp(type, "s") == 0)) {
        std::string_view raw = value.child_value();
        while (!raw.empty() && std::isspace(uchar(raw.front())))
            raw.remove_prefix(1);
        while (!raw.empty() && std::isspace(uchar(raw.back())))
            raw.remove_suffix(1);
        if (!number) {
            if (raw.empty()) return QString();  // no shared string
            int index = -1;
            const auto [end, error] = std::from_chars(raw.data(), raw.data() + raw.size(), index);
            return sharedString(error == std::errc() && end == raw.data() + raw.size(), index);
        }
        // White space alone is no number: it reads as written, below.
        double parsed = 0;
        const auto [end, error] = std::from_chars(raw.data(), raw.data() + raw.size(), parsed);
        if (!raw.empty() && error == std::errc() && end == raw.data() + raw.size() &&
            std::isfinite(parsed))
            return SerialDateText(parsed, context.KindOf(cell), context.from1904, &context.numbers);
    }
    const QString text = TextOf(value);
    if (std::strcmp(type, "s") == 0) {  // an index in several runs of characters
        if (text.trimmed().isEmpty()) return QString();
        bool ok = false;
        const int index = text.trimmed().toInt(&ok);
        return sharedString(ok, index);
    }
    if (number) {
        bool ok = false;
        const double parsed = text.trimmed().toDouble(&ok);  // "+5" and the like
        if (ok) return SerialDateText(parsed, context.KindOf(cell), context.from1904);
    }
    if (std::strcmp(type, "str") == 0) return DecodeCellEscapes(text);
    if (std::strcmp(type, "b") == 0) {
        const QString flag = text.trimmed();
        if (flag == u"1") return QStringLiteral("TRUE");
        if (flag == u"0") return QStringLiteral("FALSE");
        return flag;
    }
    if (std::strcmp(type, "d") == 0) return IsoDateText(text, context.KindOf(cell));
    return text;  // "e" (#N/A, #DIV/0!) and anything unknown: as written
}

}  // namespace

SheetTexts ReadZipWorkbook(const QString& path, const QByteArray& bytes, const QString& sheetName,
                           CellPictures* pictures) {
    const Package package(path, bytes);
    if (package.Has(QStringLiteral("mimetype")) &&
        package.Read(QStringLiteral("mimetype"))
            .startsWith("application/vnd.oasis.opendocument.spreadsheet"))
        return ReadOds(path, package, sheetName);
    return ReadXlsx(path, package, sheetName, pictures);
}

SheetTexts ReadXlsx(const QString& path, const Package& package, const QString& sheetName,
                    CellPictures* pictures) {
    const QString workbookPart = WorkbookPart(package, path);
    const QString workbookFolder = workbookPart.left(workbookPart.lastIndexOf(u'/') + 1);

    pugi::xml_document workbook;
    package.Parse(workbookPart, &workbook);
    QStringList names;
    QStringList ids;
    for (pugi::xml_node sheet : Child(workbook.document_element(), "sheets").children()) {
        if (!Is(sheet, "sheet")) continue;
        names.append(QString::fromUtf8(sheet.attribute("name").value()));
        QString id;
        for (pugi::xml_attribute attribute : sheet.attributes())
            if (std::strchr(attribute.name(), ':') &&
                std::strcmp(LocalName(attribute.name()), "id") == 0)
                id = QString::fromUtf8(attribute.value());
        ids.append(id);
    }
    const int found = FindSheet(names, sheetName);
    if (found < 0) throw NoSuchSheet(path, sheetName);

    const QHash<QString, Relationship> related = package.Relationships(workbookPart);
    const auto sheetRelationship = related.constFind(ids[found]);
    if (sheetRelationship == related.constEnd() || !package.Has(sheetRelationship->target))
        throw DamagedWorkbook(path, workbookPart);
    const QString sheetPart = sheetRelationship->target;
    SheetBuilder builder;
    CellContext context;
    context.sharedStrings = SharedStrings(
        path, package,
        RelatedPart(related, "sharedStrings", workbookFolder + QStringLiteral("sharedStrings.xml")),
        &builder);
    context.formatKinds = CellFormatKinds(
        package, RelatedPart(related, "styles", workbookFolder + QStringLiteral("styles.xml")));
    const pugi::xml_attribute date1904 =
        Child(workbook.document_element(), "workbookPr").attribute("date1904");
    context.from1904 = date1904.as_bool(false);

    bool badIndex = false;
    int row = -1;
    package.ReadItems(sheetPart, "sheetData", "row", [&](const pugi::xml_node& rowNode) {
        // Positions come from the references; a row or cell without one follows the previous.
        const pugi::xml_attribute rowNumber = rowNode.attribute("r");
        if (rowNumber) {
            const long long number = rowNumber.as_llong(0);
            if (number < 1 || number > kMaxRows) throw DamagedWorkbook(path, sheetPart);
            row = int(number - 1);
        } else {
            ++row;
        }
        int column = -1;
        for (pugi::xml_node cell : rowNode.children()) {
            if (!Is(cell, "c")) continue;
            const pugi::xml_attribute reference = cell.attribute("r");
            int cellRow = row;
            if (reference) {
                if (!ParseCellReference(reference.value(), &cellRow, &column))
                    throw DamagedWorkbook(path, sheetPart);
            } else {
                ++column;
            }
            if (row >= kMaxRows || column >= kMaxColumns) throw DamagedWorkbook(path, sheetPart);
            int shared = -1;
            const QString text = CellText(cell, context, &shared, &badIndex);
            if (badIndex) throw DamagedWorkbook(path, sheetPart);
            if (shared >= 0)
                builder.Add(cellRow, column, context.sharedStrings[shared]);
            else
                builder.Add(cellRow, column, text);
        }
    });
    SheetTexts texts = builder.Build(path, names[found]);
    if (pictures) *pictures = ReadCellPictures(path, package, sheetPart);
    return texts;
}

}  // namespace workbook_detail
