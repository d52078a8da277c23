// Reading one sheet of an .xlsx workbook: a zip of XML parts. The package relationships name the
// workbook part, the workbook lists its sheets by name with a relationship id, the workbook's
// relationships give each sheet's part and the shared strings. Element names are compared without
// their namespace prefix, since writers differ in the prefixes they use.
#include "back_office/workbook/WorkbookInternal.h"

#include "data_store/Conversions.h"

#include <QHash>
#include <QUrl>

#include <zip.h>
#include <pugixml.hpp>

#include <climits>
#include <cstring>

namespace workbook_detail {

namespace {

// The element or attribute name without its namespace prefix.
const char* LocalName(const char* name) {
    const char* colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

bool Is(const pugi::xml_node& node, const char* localName) {
    return node.type() == pugi::node_element && std::strcmp(LocalName(node.name()), localName) == 0;
}

pugi::xml_node Child(const pugi::xml_node& parent, const char* localName) {
    for (pugi::xml_node child : parent.children())
        if (Is(child, localName)) return child;
    return {};
}

// The text content of an element: its character data children joined.
QString TextOf(const pugi::xml_node& node) {
    QByteArray bytes;
    for (pugi::xml_node child : node.children())
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            bytes.append(child.value());
    return QString::fromUtf8(bytes);
}

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

struct Relationship {
    QString type;
    QString target;  // the part name it points to, resolved
};

class Package {
  public:
    Package(const QString& path, const QByteArray& bytes) : path_(path) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes.constData(), bytes.size(), 0, &error);
        if (source) {
            archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
            if (!archive_) zip_source_free(source);
        }
        zip_error_fini(&error);
        if (!archive_) throw DamagedWorkbook(path_, QString());
    }
    ~Package() {
        if (archive_) zip_discard(archive_);
    }
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    bool Has(const QString& partName) const { return Locate(partName) >= 0; }

    // The part's bytes; a part that is missing or fails to inflate is a damaged workbook.
    QByteArray Read(const QString& partName) const {
        const zip_int64_t index = Locate(partName);
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (index < 0 || zip_stat_index(archive_, index, 0, &stat) != 0 ||
            !(stat.valid & ZIP_STAT_SIZE) || stat.size > zip_uint64_t(INT_MAX))
            throw DamagedWorkbook(path_, partName);
        QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
        zip_file_t* file = zip_fopen_index(archive_, index, 0);
        if (!file) throw DamagedWorkbook(path_, partName);
        zip_int64_t done = 0;
        while (done < bytes.size()) {
            const zip_int64_t n = zip_fread(file, bytes.data() + done, bytes.size() - done);
            if (n <= 0) break;
            done += n;
        }
        // A damaged deflate stream or checksum shows at the end of the part.
        char extra;
        const bool overran = done == bytes.size() && zip_fread(file, &extra, 1) != 0;
        zip_fclose(file);
        if (done != bytes.size() || overran) throw DamagedWorkbook(path_, partName);
        return bytes;
    }

    void Parse(const QString& partName, pugi::xml_document* document) const {
        const QByteArray bytes = Read(partName);
        const pugi::xml_parse_result parsed = document->load_buffer(
            bytes.constData(), bytes.size(), pugi::parse_default | pugi::parse_ws_pcdata_single);
        if (!parsed || !document->document_element()) throw DamagedWorkbook(path_, partName);
    }

    // The relationships of a part (".rels" beside it), keyed by id; none when there is no file.
    QHash<QString, Relationship> Relationships(const QString& partName) const {
        const int slash = partName.lastIndexOf(u'/');
        const QString folder = partName.left(slash + 1);
        const QString relsName =
            folder + QStringLiteral("_rels/") + partName.mid(slash + 1) + QStringLiteral(".rels");
        QHash<QString, Relationship> result;
        if (!Has(relsName)) return result;
        pugi::xml_document document;
        Parse(relsName, &document);
        for (pugi::xml_node node : document.document_element().children()) {
            if (!Is(node, "Relationship")) continue;
            if (QString::fromUtf8(node.attribute("TargetMode").value()) == u"External") continue;
            result.insert(QString::fromUtf8(node.attribute("Id").value()),
                          {QString::fromUtf8(node.attribute("Type").value()),
                           ResolveTarget(folder, node.attribute("Target").value())});
        }
        return result;
    }

  private:
    zip_int64_t Locate(const QString& partName) const {
        return zip_name_locate(archive_, partName.toUtf8().constData(), ZIP_FL_NOCASE);
    }

    // A target is relative to the folder of the part that names it, or absolute from the root.
    static QString ResolveTarget(const QString& folder, const char* target) {
        QString name = QUrl::fromPercentEncoding(QByteArray(target));
        name = name.startsWith(u'/') ? name.mid(1) : folder + name;
        QStringList parts;
        for (const QString& part : name.split(u'/')) {
            if (part == u"..") {
                if (!parts.isEmpty()) parts.removeLast();
            } else if (!part.isEmpty() && part != u".") {
                parts.append(part);
            }
        }
        return parts.join(u'/');
    }

    QString path_;
    zip_t* archive_ = nullptr;
};

bool TypeIs(const Relationship& relationship, const char* kind) {
    return relationship.type.endsWith(u'/' + QLatin1String(kind));
}

// The workbook part: as the package relationships name it, otherwise the usual place.
QString WorkbookPart(const Package& package, const QString& path) {
    for (const Relationship& relationship : package.Relationships(QString()))
        if (TypeIs(relationship, "officeDocument") && package.Has(relationship.target))
            return relationship.target;
    if (package.Has(QStringLiteral("xl/workbook.xml"))) return QStringLiteral("xl/workbook.xml");
    throw NotAWorkbook(path);  // a zip, but not of a workbook (a document, an archive)
}

QStringList SharedStrings(const Package& package, const QHash<QString, Relationship>& related,
                          const QString& workbookFolder) {
    QString partName;
    for (const Relationship& relationship : related)
        if (TypeIs(relationship, "sharedStrings")) partName = relationship.target;
    if (partName.isEmpty()) partName = workbookFolder + QStringLiteral("sharedStrings.xml");
    QStringList strings;
    if (!package.Has(partName)) return strings;
    pugi::xml_document document;
    package.Parse(partName, &document);
    for (pugi::xml_node item : document.document_element().children())
        if (Is(item, "si")) strings.append(StringItemText(item));
    return strings;
}

// One cell's text by its type attribute (numbers when absent).
QString CellText(const pugi::xml_node& cell, const QStringList& sharedStrings, bool* badIndex) {
    const char* type = cell.attribute("t").value();
    const pugi::xml_node value = Child(cell, "v");
    if (std::strcmp(type, "inlineStr") == 0) {
        const pugi::xml_node item = Child(cell, "is");
        return item ? StringItemText(item) : DecodeCellEscapes(TextOf(value));
    }
    if (!value) return QString();  // no value, for instance a formula never computed
    const QString text = TextOf(value);
    if (std::strcmp(type, "s") == 0) {
        bool ok = false;
        const int index = text.trimmed().toInt(&ok);
        if (!ok || index < 0 || index >= sharedStrings.size()) {
            *badIndex = true;
            return QString();
        }
        return sharedStrings[index];
    }
    if (std::strcmp(type, "str") == 0) return DecodeCellEscapes(text);
    if (std::strcmp(type, "b") == 0) {
        const QString flag = text.trimmed();
        if (flag == u"1") return QStringLiteral("TRUE");
        if (flag == u"0") return QStringLiteral("FALSE");
        return flag;
    }
    if (*type == 0 || std::strcmp(type, "n") == 0) {
        bool ok = false;
        const double number = text.trimmed().toDouble(&ok);  // always "." as separator
        if (ok) return FormatGeneral(number);
    }
    return text;  // "e" (#N/A, #DIV/0!), "d" (an ISO date) and anything unknown: as written
}

}  // namespace

SheetCells ReadXlsx(const QString& path, const QByteArray& bytes, const QString& sheetName) {
    const Package package(path, bytes);
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
    const QStringList sharedStrings = SharedStrings(package, related, workbookFolder);

    pugi::xml_document sheet;
    package.Parse(sheetPart, &sheet);
    SheetBuilder builder;
    bool badIndex = false;
    int row = -1;
    for (pugi::xml_node rowNode : Child(sheet.document_element(), "sheetData").children()) {
        if (!Is(rowNode, "row")) continue;
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
            builder.Add(cellRow, column, CellText(cell, sharedStrings, &badIndex));
            if (badIndex) throw DamagedWorkbook(path, sheetPart);
        }
    }
    return builder.Build(path, names[found]);
}

}  // namespace workbook_detail
