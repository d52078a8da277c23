// The zip package of an .xlsx workbook or an OpenDocument spreadsheet.
#include "back_office/workbook/XlsxPackage.h"

#include "back_office/workbook/WorkbookInternal.h"

#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <memory>

namespace workbook_detail {

namespace {

// Pieces of inflated bytes handed on at a time, and the most a part read whole may claim.
constexpr qsizetype kPieceBytes = 1 << 20;
constexpr zip_uint64_t kMaxWholePart = 64 << 20;
// No start tag a program writes comes near this; a longer one (an attribute value whose quote
// never closes) is damage, found before the buffer grows.
constexpr qsizetype kMaxTagBytes = 1 << 20;

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

// The '>' that ends the tag whose '<' is at from (a '>' inside a quoted attribute value does not);
// -1 when bytes end first.
qsizetype TagEnd(const QByteArray& bytes, qsizetype from) {
    char quote = 0;
    for (qsizetype i = from; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i;
        }
    }
    return -1;
}

// bytes from `from` on without the start, end and empty tags of the elements prefix + one of
// names. Gives where the next call is to go on: the '<' of a tag cut by the end of bytes (it
// stays), or the end.
qsizetype DropTags(QByteArray* bytes, qsizetype from, const QByteArray& prefix,
                   const std::vector<QByteArray>& names) {
    if (names.empty()) return bytes->size();
    QByteArray kept;
    qsizetype copied = 0;
    qsizetype resume = -1;
    for (qsizetype at = bytes->indexOf('<', from); at >= 0 && resume < 0;
         at = bytes->indexOf('<', at + 1)) {
        qsizetype name = at + 1;
        if (name < bytes->size() && bytes->at(name) == '/') ++name;
        if (!QByteArrayView(*bytes).sliced(name).startsWith(prefix)) {
            if (bytes->size() - name < prefix.size()) resume = at;
            continue;
        }
        name += prefix.size();
        for (const QByteArray& wrapper : names) {
            const qsizetype after = name + wrapper.size();
            if (after >= bytes->size() &&
                QByteArrayView(wrapper).startsWith(QByteArrayView(*bytes).sliced(name))) {
                resume = at;  // the name itself is cut
                break;
            }
            if (after >= bytes->size() || !IsNameEnd(bytes->at(after)) ||
                !QByteArrayView(*bytes).sliced(name).startsWith(wrapper))
                continue;
            const qsizetype end = TagEnd(*bytes, after);
            if (end < 0) {
                resume = at;
                break;
            }
            kept.append(bytes->constData() + copied, at - copied);
            copied = end + 1;
            at = end;
            break;
        }
    }
    if (resume < 0) resume = bytes->size();
    if (copied == 0) return resume;
    const qsizetype removed = copied - kept.size();
    kept.append(bytes->constData() + copied, bytes->size() - copied);
    *bytes = std::move(kept);
    return resume - removed;
}

// Where the complete items of bytes end: after the last item when its start tag closes itself
// (<x:row r="5"/>: every item before it is complete too), else after the last item end tag; 0
// when there is none. Only bytes from `from` on are searched.
qsizetype ItemsEnd(const QByteArray& bytes, qsizetype from, const QByteArray& itemStart,
                   const QByteArray& itemEnd) {
    const QByteArrayView fresh = QByteArrayView(bytes).sliced(from);
    for (qsizetype at = fresh.lastIndexOf(itemStart); at >= 0;
         at = at > 0 ? fresh.first(at).lastIndexOf(itemStart) : -1) {
        const qsizetype after = from + at + itemStart.size();
        if (after >= bytes.size()) continue;
        if (!IsNameEnd(bytes[after])) continue;  // another element whose name begins so
        const qsizetype close = TagEnd(bytes, after);
        if (close > 0 && bytes[close - 1] == '/') return close + 1;
        break;
    }
    const qsizetype last = fresh.lastIndexOf(itemEnd);
    return last < 0 ? 0 : from + last + itemEnd.size();
}

enum class TagSearch { kFound, kNone, kCut };

// The first start tag of an element localName in *buffer: its '<' in *at and its '>' in *close.
// Without a complete one the bytes that cannot begin it are dropped, so a buffer searched again
// after more bytes came stays short: kCut when a tag has begun (it is now at the front), kNone
// when none has.
TagSearch NextStartTag(QByteArray* buffer, const QByteArray& localName, QByteArray* prefix,
                       qsizetype* at, qsizetype* close) {
    *at = FindStartTag(*buffer, localName, prefix);
    *close = *at < 0 ? -1 : TagEnd(*buffer, *at);
    if (*close >= 0) return TagSearch::kFound;
    if (*at < 0) {
        // Keep the tail: the name may be cut by the piece's end.
        if (buffer->size() > 4096) buffer->remove(0, buffer->size() - 1024);
        return TagSearch::kNone;
    }
    buffer->remove(0, *at);
    return TagSearch::kCut;
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

QString AttributeOf(const pugi::xml_node& node, const char* localName) {
    QString value;
    for (pugi::xml_attribute a : node.attributes())
        if (std::strcmp(LocalName(a.name()), localName) == 0) value = QString::fromUtf8(a.value());
    return value;
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

Package::Package(const QString& path, const QByteArray& bytes, DamagedFile damaged)
    : path_(path), damaged_(damaged) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.constData(), bytes.size(), 0, &error);
    if (source) {
        archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (!archive_) zip_source_free(source);
    }
    zip_error_fini(&error);
    if (!archive_) throw damaged_(path_, QString());
}

Package::~Package() {
    if (archive_) zip_discard(archive_);
}

bool Package::Has(const QString& partName) const {
    return Locate(partName) >= 0;
}

qint64 Package::Size(const QString& partName) const {
    const zip_int64_t index = Locate(partName);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (index < 0 || zip_stat_index(archive_, index, 0, &stat) != 0 ||
        !(stat.valid & ZIP_STAT_SIZE))
        return -1;
    return qint64(std::min<zip_uint64_t>(stat.size, std::numeric_limits<qint64>::max()));
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
        throw damaged_(path_, partName);
    const std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(
        zip_fopen_index(archive_, index, 0), zip_fclose);
    if (!file) throw damaged_(path_, partName);
    QByteArray piece(qsizetype(std::min<zip_uint64_t>(stat.size + 1, kPieceBytes)),
                     Qt::Uninitialized);
    zip_uint64_t done = 0;
    for (;;) {
        // A damaged deflate stream or checksum shows as a failed read, at the latest at the end.
        const zip_int64_t n = zip_fread(file.get(), piece.data(), piece.size());
        if (n < 0) throw damaged_(path_, partName);
        if (n == 0) break;
        done += zip_uint64_t(n);
        if (done > stat.size) throw damaged_(path_, partName);
        take(piece.constData(), qsizetype(n));
    }
    if (done != stat.size) throw damaged_(path_, partName);
}

QByteArray Package::Read(const QString& partName) const {
    QByteArray bytes;
    Stream(partName, [&](const char* data, qsizetype size) {
        if (zip_uint64_t(bytes.size() + size) > kMaxWholePart) throw damaged_(path_, partName);
        bytes.append(data, size);
    });
    return bytes;
}

void Package::Parse(const QString& partName, pugi::xml_document* document) const {
    const QByteArray bytes = Read(partName);
    const pugi::xml_parse_result parsed = document->load_buffer(
        bytes.constData(), bytes.size(), pugi::parse_default | pugi::parse_ws_pcdata_single);
    if (!parsed || !document->document_element()) throw damaged_(path_, partName);
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
                        const std::function<void(const pugi::xml_node&)>& take,
                        const ItemsPlace& place) const {
    const QByteArray containerName(container);
    enum { kHead, kItems, kDone } state = kHead;
    bool headCut = false;  // the container's start tag has begun but not ended
    int skipped = 0;
    QByteArray buffer;
    QByteArray prefixOfItems;
    QByteArray itemStart;     // "<x:row"
    QByteArray itemEnd;       // "</x:row>"
    QByteArray containerEnd;  // "</x:sheetData>"
    // Every byte is searched once: before searched the end tags were looked for (there is no item
    // end there, the buffer was cut after the last one), before dropped the wrappers' tags.
    qsizetype searched = 0;
    qsizetype dropped = 0;
    const auto parse = [&](qsizetype size) {
        pugi::xml_document fragment;
        const unsigned options =
            pugi::parse_default | pugi::parse_fragment |
            (place.keepSpace ? pugi::parse_ws_pcdata : pugi::parse_ws_pcdata_single);
        if (!fragment.load_buffer(buffer.constData(), size_t(size), options))
            throw damaged_(path_, partName);
        for (pugi::xml_node node : fragment.children())
            if (Is(node, item)) take(node);
    };
    Stream(partName, [&](const char* data, qsizetype size) {
        if (state == kDone) return;
        buffer.append(data, size);
        if (state == kHead) {
            QByteArray prefix;
            qsizetype at = -1;
            qsizetype close = -1;
            for (;;) {
                const TagSearch found = NextStartTag(&buffer, containerName, &prefix, &at, &close);
                headCut = found == TagSearch::kCut;
                if (headCut && buffer.size() > kMaxTagBytes) throw damaged_(path_, partName);
                if (found != TagSearch::kFound) return;
                if (skipped == place.index) break;
                ++skipped;  // a container before the one read: its items are passed over
                buffer.remove(0, close + 1);
            }
            if (buffer[close - 1] == '/') {  // an empty container
                state = kDone;
                return;
            }
            buffer.remove(0, close + 1);
            itemEnd = "</" + prefix + item + ">";
            itemStart = "<" + prefix + item;
            containerEnd = "</" + prefix + containerName + ">";
            prefixOfItems = prefix;
            state = kItems;
        }
        const qsizetype overlap = std::max(itemEnd.size(), containerEnd.size()) - 1;
        const qsizetype from = std::max<qsizetype>(0, std::min(searched, dropped) - overlap);
        dropped = DropTags(&buffer, dropped, prefixOfItems, place.wrappers);
        if (buffer.size() - dropped > kMaxTagBytes) throw damaged_(path_, partName);
        const qsizetype end = buffer.indexOf(containerEnd, from);
        qsizetype cut = end;
        if (cut < 0) cut = ItemsEnd(buffer, from, itemStart, itemEnd);
        // One row or string of more than 64 MB is no sheet a program wrote: a bomb, not data.
        if (cut == 0 && zip_uint64_t(buffer.size()) > kMaxWholePart)
            throw damaged_(path_, partName);
        if (cut > 0) parse(cut);
        if (end >= 0) {
            state = kDone;
            buffer.clear();
            return;
        }
        buffer.remove(0, cut);
        searched = buffer.size();
        dropped -= cut;
    });
    // A container that never ends, or whose start tag never does, is a part cut short.
    if (state == kItems || (state == kHead && headCut)) throw damaged_(path_, partName);
}

QStringList Package::StartTagValues(const QString& partName, const char* localName,
                                    const char* attribute) const {
    const QByteArray name(localName);
    QStringList values;
    QByteArray buffer;
    bool cut = false;
    Stream(partName, [&](const char* data, qsizetype size) {
        buffer.append(data, size);
        for (;;) {
            QByteArray prefix;
            qsizetype at = -1;
            qsizetype close = -1;
            const TagSearch found = NextStartTag(&buffer, name, &prefix, &at, &close);
            cut = found == TagSearch::kCut;
            if (cut && buffer.size() > kMaxTagBytes) throw damaged_(path_, partName);
            if (found != TagSearch::kFound) return;
            // The start tag alone, closed as an empty element, parsed for its attributes.
            QByteArray tag = buffer.mid(at, close - at);
            if (!tag.endsWith('/')) tag += '/';
            tag += '>';
            pugi::xml_document document;
            if (!document.load_buffer(tag.constData(), size_t(tag.size()),
                                      pugi::parse_default | pugi::parse_fragment))
                throw damaged_(path_, partName);
            values.append(AttributeOf(document.first_child(), attribute));
            buffer.remove(0, close + 1);
        }
    });
    if (cut) throw damaged_(path_, partName);
    return values;
}

}  // namespace workbook_detail
