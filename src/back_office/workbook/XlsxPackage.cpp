// The zip package of an .xlsx workbook.
#include "back_office/workbook/XlsxPackage.h"

#include "back_office/workbook/WorkbookInternal.h"

#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

namespace workbook_detail {

namespace {

// Pieces of inflated bytes handed on at a time, and the most a part read whole may claim.
constexpr qsizetype kPieceBytes = 1 << 20;
constexpr zip_uint64_t kMaxWholePart = 64 << 20;

// A target is relative to the folder of the part that names it, or absolute from the root.
QString ResolveTarget(const QString& folder, const char* target) {
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

bool IsNameEnd(char c) {
    return c == ' ' || c == '>' || c == '/' || c == '\t' || c == '\r' || c == '\n';
}

// The '<' of the first start tag of an element named localName (any prefix, given back in
// *prefix); -1 when bytes hold none (it may still come in the next piece).
qsizetype FindStartTag(const QByteArray& bytes, const QByteArray& localName, QByteArray* prefix) {
    for (qsizetype at = bytes.indexOf(localName); at > 0; at = bytes.indexOf(localName, at + 1)) {
        const qsizetype after = at + localName.size();
        if (after >= bytes.size()) return -1;
        if (!IsNameEnd(bytes[after])) continue;
        qsizetype open = at - 1;
        if (bytes[open] == ':')
            while (open > 0 && bytes[open] != '<' && !IsNameEnd(bytes[open]))
                --open;
        if (bytes[open] != '<' || (open + 1 < at && !std::isalpha(uchar(bytes[open + 1]))))
            continue;
        *prefix = bytes.mid(open + 1, at - open - 1);
        return open;
    }
    return -1;
}

}  // namespace

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

bool TypeIs(const Relationship& relationship, const char* kind) {
    return relationship.type.endsWith(u'/' + QLatin1String(kind));
}

Package::Package(const QString& path, const QByteArray& bytes) : path_(path) {
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

Package::~Package() {
    if (archive_) zip_discard(archive_);
}

bool Package::Has(const QString& partName) const {
    return Locate(partName) >= 0;
}

zip_int64_t Package::Locate(const QString& partName) const {
    return zip_name_locate(archive_, partName.toUtf8().constData(), ZIP_FL_NOCASE);
}

void Package::Stream(const QString& partName,
                     const std::function<void(const char*, qsizetype)>& take) const {
    const zip_int64_t index = Locate(partName);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (index < 0 || zip_stat_index(archive_, index, 0, &stat) != 0 ||
        !(stat.valid & ZIP_STAT_SIZE))
        throw DamagedWorkbook(path_, partName);
    const std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(
        zip_fopen_index(archive_, index, 0), zip_fclose);
    if (!file) throw DamagedWorkbook(path_, partName);
    QByteArray piece(qsizetype(std::min<zip_uint64_t>(stat.size + 1, kPieceBytes)),
                     Qt::Uninitialized);
    zip_uint64_t done = 0;
    for (;;) {
        // A damaged deflate stream or checksum shows as a failed read, at the latest at the end.
        const zip_int64_t n = zip_fread(file.get(), piece.data(), piece.size());
        if (n < 0) throw DamagedWorkbook(path_, partName);
        if (n == 0) break;
        done += zip_uint64_t(n);
        if (done > stat.size) throw DamagedWorkbook(path_, partName);
        take(piece.constData(), qsizetype(n));
    }
    if (done != stat.size) throw DamagedWorkbook(path_, partName);
}

QByteArray Package::Read(const QString& partName) const {
    QByteArray bytes;
    Stream(partName, [&](const char* data, qsizetype size) {
        if (zip_uint64_t(bytes.size() + size) > kMaxWholePart)
            throw DamagedWorkbook(path_, partName);
        bytes.append(data, size);
    });
    return bytes;
}

void Package::Parse(const QString& partName, pugi::xml_document* document) const {
    const QByteArray bytes = Read(partName);
    const pugi::xml_parse_result parsed = document->load_buffer(
        bytes.constData(), bytes.size(), pugi::parse_default | pugi::parse_ws_pcdata_single);
    if (!parsed || !document->document_element()) throw DamagedWorkbook(path_, partName);
}

QHash<QString, Relationship> Package::Relationships(const QString& partName) const {
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

void Package::ReadItems(const QString& partName, const char* container, const char* item,
                        const std::function<void(const pugi::xml_node&)>& take) const {
    const QByteArray containerName(container);
    enum { kHead, kItems, kDone } state = kHead;
    QByteArray buffer;
    QByteArray itemEnd;       // "</x:row>"
    QByteArray containerEnd;  // "</x:sheetData>"
    const auto parse = [&](qsizetype size) {
        pugi::xml_document fragment;
        const unsigned options =
            pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_fragment;
        if (!fragment.load_buffer(buffer.constData(), size_t(size), options))
            throw DamagedWorkbook(path_, partName);
        for (pugi::xml_node node : fragment.children())
            if (Is(node, item)) take(node);
    };
    Stream(partName, [&](const char* data, qsizetype size) {
        if (state == kDone) return;
        buffer.append(data, size);
        if (state == kHead) {
            QByteArray prefix;
            const qsizetype at = FindStartTag(buffer, containerName, &prefix);
            const qsizetype close = at < 0 ? -1 : buffer.indexOf('>', at);
            if (close < 0) {
                // Keep the tail: the start tag may be cut by the piece's end.
                if (at < 0 && buffer.size() > 4096) buffer.remove(0, buffer.size() - 1024);
                return;
            }
            if (buffer[close - 1] == '/') {  // an empty container
                state = kDone;
                return;
            }
            buffer.remove(0, close + 1);
            itemEnd = "</" + prefix + item + ">";
            containerEnd = "</" + prefix + containerName + ">";
            state = kItems;
        }
        const qsizetype end = buffer.indexOf(containerEnd);
        qsizetype cut = end;
        if (cut < 0) {
            const qsizetype last = buffer.lastIndexOf(itemEnd);
            cut = last < 0 ? 0 : last + itemEnd.size();
        }
        // One row or string of more than 64 MB is no sheet a program wrote: a bomb, not data.
        if (cut == 0 && zip_uint64_t(buffer.size()) > kMaxWholePart)
            throw DamagedWorkbook(path_, partName);
        if (cut > 0) parse(cut);
        if (end >= 0) {
            state = kDone;
            buffer.clear();
        } else {
            buffer.remove(0, cut);
        }
    });
    if (state == kItems) throw DamagedWorkbook(path_, partName);  // the container never ends
}

}  // namespace workbook_detail
